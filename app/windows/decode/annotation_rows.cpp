// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/decode/annotation_rows.h"

#include <algorithm>

#include <QPainter>

#include "core/base/state.h"
#include "core/decode/runner.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

QFont RowFont() {
    QFont f;
    f.setPointSize(8);
    return f;
}

} // namespace

AnnotationRows::AnnotationRows(const decode::Runner &runner, int left, QWidget *parent)
    : QWidget(parent), runner_(runner), left_(left) {
    setObjectName(QStringLiteral("AnnotationRows"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ready_ = Subscribe(Event::DecodesReady, [this] { follow(); });
    pictures_ = Subscribe(Event::PicturesChanged, [this] { update(); });
    colors_ = Subscribe(Event::ColorsChanged, [this] { update(); });
    follow();
}

int AnnotationRows::rowCount() const {
    int n = 0;
    for (const decode::StackResult &s : runner_.result().stacks)
        n += static_cast<int>(s.rows.size());
    return n;
}

void AnnotationRows::follow() {
    const int n = rowCount();
    setFixedHeight(n * kRowHeight + (n > 0 ? 4 : 0));
    setVisible(n > 0);
    update();
}

void AnnotationRows::paintEvent(QPaintEvent *) {
    const AppState &s = app();
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(ToQRgb(s.colors[ColBackground])));
    const QFont font = RowFont();
    p.setFont(font);
    const QFontMetrics metrics(font);
    const int width = pictures().Picture1.width();
    const QColor ink = QColor::fromRgb(ToQRgb(s.colors[ColBackground]));
    int k = 0;
    for (const decode::StackResult &stack : runner_.result().stacks)
        for (const decode::DecodedRow &row : stack.rows) {
            const int top = 2 + k * kRowHeight;
            const QColor color = QColor::fromRgb(ToQRgb(s.colors[LogicColorEntry(k % kLanes)]));
            ++k;
            p.setPen(color);
            p.drawText(QRect(4, top, left_ - 8, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       metrics.elidedText(row.name, Qt::ElideRight, left_ - 8));
            p.save();
            p.setClipRect(left_, top, width, kRowHeight);
            for (const decode::AnnotationBox &b :
                 decode::RowBoxes(row, s.view.ScrollPos, s.view.TimeZoom[0], width)) {
                // A column left free between boxes that are wide enough keeps neighbours apart.
                const int w = b.x1 - b.x0 + 1;
                const QRect box(left_ + b.x0, top + 2, w > 2 ? w - 1 : w, kRowHeight - 4);
                p.fillRect(box, color);
                const QString text = decode::FitText(b.annotation->texts, box.width() - 4, metrics);
                if (text.isEmpty()) continue;
                p.setPen(ink);
                p.drawText(box, Qt::AlignCenter, text);
            }
            p.restore();
        }
}

} // namespace vrx
