// SPDX-License-Identifier: GPL-3.0-or-later
//
// The XY plot `frmXY` ("XY Plot"): one channel against another. The X source moves the point
// horizontally, the Y source vertically, each about its own zero line (`ChanPos`), from the
// screen copies that the last composition left in the trace work area; the plot is 256 x 256
// pixels with the origin at (128, 128).
//
// While the window is open it follows every composition (`Event::ScreenComposed`) with
// `XYplot`. Choosing a source switches that channel on in the timing view, so that its screen
// copy exists.
#pragma once

#include <array>

#include <QImage>

#include "core/base/controls.h"

namespace vrx {

constexpr int kXYSize = 256;

class XYLogic {
  public:
    XYLogic();

    std::array<ListModel, 2> cmbXYsrc; // X, Y: "A1", "A2", "M1", "M2"
    QImage PicXY;                      // the plot

    // The lists from the stored sources (no handler runs).
    void Form_Load();
    void cmbXYsrc_Click(int Index);
    // Axes with a tick every division, then the figure in the A1 colour.
    void XYplot();

  private:
    bool loading_ = false;
};

XYLogic &frmXY();

} // namespace vrx
