// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/xy.h"

#include <algorithm>

#include <QPainter>

#include "core/base/catch.h"
#include "core/base/display_items.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

constexpr int kCentre = kXYSize / 2;

// A line that leaves out its end pixel, as the trace routines draw theirs.
void Line(QPainter &p, int x0, int y0, int x1, int y1) {
    const int dx = (x1 > x0) - (x1 < x0);
    const int dy = (y1 > y0) - (y1 < y0);
    p.drawLine(x0, y0, x1 - dx, y1 - dy);
}

} // namespace

XYLogic &frmXY() {
    static XYLogic xy;
    return xy;
}

XYLogic::XYLogic() : PicXY(kXYSize, kXYSize, QImage::Format_RGB32) {
    for (int i = 0; i < 2; ++i) {
        ListModel &m = cmbXYsrc[static_cast<size_t>(i)];
        m.setItems({"A1", "A2", "M1", "M2"});
        m.onChange = [this, i] { cmbXYsrc_Click(i); };
    }
}

void XYLogic::Form_Load() {
    loading_ = true;
    for (size_t i = 0; i < 2; ++i)
        cmbXYsrc[i].setIndex(std::min<int>(app().display.XYSource[i], ChM2));
    loading_ = false;
}

void XYLogic::cmbXYsrc_Click(int Index) {
    if (loading_ || Index < 0 || Index > 1) return;
    const int source = cmbXYsrc[static_cast<size_t>(Index)].index();
    if (source < 0) return;
    AppState &s = app();
    s.display.XYSource[static_cast<size_t>(Index)] = static_cast<uint8_t>(source);
    // Both sources are drawn in the timing view: the figure is made of their screen copies.
    for (const uint8_t src : s.display.XYSource) {
        SetDisplayItem(src, true);
        form1().RefreshChannel(src);
    }
    form1().lbTab_Click(s.channels.SelChannel);
    // A composition draws the copies the figure is made of and plots it (the window follows
    // it); without one the figure would show the copies of the channels shown before.
    if (!CatchWithData()) ComposeScreen(0, 1);
    XYplot();
}

void XYLogic::XYplot() {
    AppState &s = app();
    ClearPicture(PicXY, s.colors[ColBackground]);
    {
        QPainter p(&PicXY);
        p.setPen(QColor::fromRgb(ToQRgb(s.colors[ColGrid])));
        Line(p, 0, kCentre, kXYSize - 1, kCentre);
        Line(p, kCentre, 0, kCentre, kXYSize - 1);
        // A tick every division of 25 codes.
        for (int k = 1; k <= 9; ++k) {
            const int t = k * 25 + 3;
            Line(p, t, kCentre - 5, t, kCentre + 5);
            Line(p, kCentre - 5, t, kCentre + 5, t);
        }
    }
    hw_surface surf = Surface(PicXY);
    const auto color = static_cast<uint32_t>(s.colors[ColA1]);
    surf.pen = color;
    DrawXY(&surf, s.display.XYSource.data(), s.work.TraceWork.data(), s.channels.ChanPos.data(),
           color);
}

} // namespace vrx
