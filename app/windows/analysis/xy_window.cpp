// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/analysis/xy_window.h"

#include <QCloseEvent>
#include <QGridLayout>

#include "core/analysis/xy.h"
#include "core/base/state.h"
#include "windows/common/widgets.h"

namespace vrx {

XYWindow::XYWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmXY"));
    setWindowTitle(QStringLiteral("XY Plot"));
    XYLogic &xy = frmXY();

    PicXY = new PictureBox([]() -> const QImage & { return frmXY().PicXY; }, this);
    PicXY->setObjectName(QStringLiteral("PicXY"));
    PicXY->fitToImage();
    auto *g = new QGridLayout(this);
    g->addWidget(PicXY, 0, 0, 1, 2);
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    static const char *const captions[2] = {"X Axis", "Y Axis"};
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        cmbXYsrc[k] = MakeList(this, Indexed("cmbXYsrc", i), xy.cmbXYsrc[k]);
        cmbXYsrc[k]->setFont(courier);
        // A new source is plotted at once, also while a software catch keeps the screen.
        connect(cmbXYsrc[k], &QComboBox::activated, PicXY, qOverload<>(&QWidget::update));
        g->addWidget(MakeCaption(this, QString::fromLatin1(captions[i])), 1, i);
        g->addWidget(cmbXYsrc[k], 2, i);
    }
    g->setSizeConstraint(QLayout::SetFixedSize);

    screenComposed_ = Subscribe(Event::ScreenComposed, [this] {
        if (app().display.XYOn != 0) replot();
    });
    colorsChanged_ = Subscribe(Event::ColorsChanged, [this] { replot(); });
}

void XYWindow::replot() {
    frmXY().XYplot();
    PicXY->update();
}

void XYWindow::closeEvent(QCloseEvent *event) {
    event->accept();
    emit closed();
}

} // namespace vrx
