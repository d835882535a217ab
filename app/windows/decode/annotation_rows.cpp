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
    : QWidget(parent), runner_(runner), left_(left), font_(RowFont()), metrics_(font_) {
    setObjectName(QStringLiteral("AnnotationRows"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent); // the background is painted whole
    ready_ = Subscribe(Event::DecodesReady, [this] { follow(); });
    pictures_ = Subscribe(Event::PicturesChanged, [this] { update(); });
    colors_ = Subscribe(Event::ColorsChanged, [this] { update(); });
    follow();
}

int AnnotationRows::rowCount() const {
    return static_cast<int>(lanes_.size());
}

void AnnotationRows::follow() {
    const decode::DecodeResult &r = runner_.result();
    if (r.texts != texts_) {
        texts_ = r.texts;
        lanes_.clear();
    }
    for (const decode::StackResult &stack : r.stacks)
        for (const decode::DecodedRow &row : stack.rows) {
            const Lane lane{row.stack, row.layer, row.row, row.name};
            const auto at =
                std::lower_bound(lanes_.begin(), lanes_.end(), lane,
                                 [](const Lane &a, const Lane &b) { return a.key() < b.key(); });
            if (at == lanes_.end() || at->key() != lane.key()) lanes_.insert(at, lane);
        }
    const int n = rowCount();
    const int height = n * kRowHeight + (n > 0 ? 4 : 0);
    if (height != this->height()) setFixedHeight(height);
    if (isVisibleTo(parentWidget()) != (n > 0)) setVisible(n > 0);
    update();
}

void AnnotationRows::paintEvent(QPaintEvent *) {
    const AppState &s = app();
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(ToQRgb(s.colors[ColBackground])));
    p.setFont(font_);
    // Annotation texts repeat from record to record (the same bytes, bits and states).
    if (advances_.size() > 4096) advances_.clear();
    const auto advance = [this](const QString &t) {
        auto at = advances_.constFind(t);
        if (at == advances_.constEnd()) at = advances_.insert(t, metrics_.horizontalAdvance(t));
        return *at;
    };
    const int width = pictures().Picture1.width();
    const QColor ink = QColor::fromRgb(ToQRgb(s.colors[ColBackground]));
    // Each row of the result in its lane; a lane without annotations in this record is named
    // and left empty.
    std::vector<const decode::DecodedRow *> shown(lanes_.size(), nullptr);
    for (const decode::StackResult &stack : runner_.result().stacks)
        for (const decode::DecodedRow &row : stack.rows)
            for (size_t k = 0; k < lanes_.size(); ++k)
                if (lanes_[k].key() == std::tie(row.stack, row.layer, row.row)) shown[k] = &row;
    for (size_t k = 0; k < lanes_.size(); ++k) {
        const int top = 2 + static_cast<int>(k) * kRowHeight;
        const QColor color =
            QColor::fromRgb(ToQRgb(s.colors[LogicColorEntry(static_cast<int>(k) % kLanes)]));
        p.setPen(color);
        p.drawText(QRect(4, top, left_ - 8, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics_.elidedText(lanes_[k].name, Qt::ElideRight, left_ - 8));
        if (!shown[k]) continue;
        p.save();
        p.setClipRect(left_, top, width, kRowHeight);
        for (const decode::AnnotationBox &b :
             decode::RowBoxes(*shown[k], s.view.ScrollPos, s.view.TimeZoom[0], width)) {
            // A column left free between boxes that are wide enough keeps neighbours apart.
            const int w = b.x1 - b.x0 + 1;
            const QRect box(left_ + b.x0, top + 2, w > 2 ? w - 1 : w, kRowHeight - 4);
            p.fillRect(box, color);
            const QString text = decode::FitText(b.annotation->texts, box.width() - 4, advance);
            if (text.isEmpty()) continue;
            p.setPen(ink);
            p.drawText(box, Qt::AlignCenter, text);
        }
        p.restore();
    }
}

} // namespace vrx
