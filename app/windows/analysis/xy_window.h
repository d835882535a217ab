// SPDX-License-Identifier: GPL-3.0-or-later
//
// The XY plot `frmXY` ("XY Plot"): the plot `PicXY` over the source lists `cmbXYsrc(0)` ("X
// Axis") and `cmbXYsrc(1)` ("Y Axis"). The lists are bound to `frmXY()` (core/analysis/xy.h);
// while the window is open it plots again after every composition of the screen.
#pragma once

#include <array>

#include <QComboBox>
#include <QWidget>

#include "core/base/events.h"
#include "windows/common/picture_box.h"

namespace vrx {

class XYWindow : public QWidget {
    Q_OBJECT
  public:
    explicit XYWindow(QWidget *parent = nullptr);

    PictureBox *PicXY = nullptr;
    std::array<QComboBox *, 2> cmbXYsrc{};

  signals:
    // The user closed the window (the menu clears its mark).
    void closed();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void replot();

    Subscription screenComposed_, colorsChanged_;
};

} // namespace vrx
