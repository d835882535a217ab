// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/analysis/measure_box.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>

#include "core/analysis/measure.h"
#include "core/base/format.h"
#include "core/base/state.h"
#include "windows/common/bind_widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

namespace {

int Px(int twips) {
    return RoundHalfEven(static_cast<double>(twips) / MainWindow::kTwipsPerPixel);
}

} // namespace

MeasureBoxWindow::MeasureBoxWindow(QWidget *parent)
    : QWidget(parent), font_(QStringLiteral("Arial"), 8) {
    setObjectName(QStringLiteral("frmMeasure"));
    setWindowTitle(QStringLiteral("Measurements"));
    MeasureBox &box = frmMeasure();
    rowsListener_ = box.subscribe([this] {
        fit();
        update();
    });
    statusPolled_ = Subscribe(Event::StatusPolled, [this] {
        if (isVisible()) frmMeasure().TestCh();
    });
    colorsChanged_ = Subscribe(Event::ColorsChanged, [this] { update(); });
    fit();
}

MeasureBoxWindow::~MeasureBoxWindow() {
    frmMeasure().unsubscribe(rowsListener_);
}

int MeasureBoxWindow::valueX() const {
    // Where the box's font is not at hand, a wider one must not run the names into the values.
    const QFontMetrics fm(font_);
    int names = 0;
    for (const MeasureRow &row : frmMeasure().rows())
        names = std::max(names, fm.horizontalAdvance(row.name));
    return std::max(Px(kMeasureValueX), Px(kMeasureNameX) + names + fm.averageCharWidth());
}

void MeasureBoxWindow::fit() {
    const MeasureBox &box = frmMeasure();
    const QFontMetrics fm(font_);
    int values = 0;
    for (const MeasureRow &row : box.rows())
        values = std::max(values, fm.horizontalAdvance(row.value));
    const int width = std::max(Px(kWidthTwips), valueX() + values + fm.averageCharWidth());
    const int frame = isVisible() ? frameGeometry().height() - height() : 0;
    const int rows = Px(static_cast<int>(box.rows().size()) * kMeasureRowTwips);
    // Under a window manager whose frame is higher than the box's own margin the rows still
    // show whole.
    setFixedSize(width, std::max(Px(box.Height()) - frame, rows + 2));
}

void MeasureBoxWindow::paintEvent(QPaintEvent *) {
    const ColorTable &colors = app().colors;
    QPainter p(this);
    p.fillRect(rect(), TableColor(colors[ColBackground]));
    p.setFont(font_);
    const int ascent = QFontMetrics(font_).ascent();
    const int x = valueX();
    int y = 0;
    for (const MeasureRow &row : frmMeasure().rows()) {
        p.setPen(TableColor(colors[ChannelColorIndex(row.channel)]));
        p.drawText(Px(kMeasureNameX), Px(y) + ascent, row.name);
        p.drawText(x, Px(y) + ascent, row.value);
        y += kMeasureRowTwips;
    }
}

void MeasureBoxWindow::closeEvent(QCloseEvent *event) {
    frmMeasure().Form_Unload();
    event->accept();
    emit closed();
}

} // namespace vrx
