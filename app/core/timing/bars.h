// SPDX-License-Identifier: GPL-3.0-or-later
//
// Cursors and bars of the timing view: the vertical bars V1, V2 and the trigger bar T (sample
// positions), the horizontal bars H1, H2 (sample codes), the screen scroller and their readouts.
//
// Bars are dashed lines drawn straight into the timing view's pictures (app/core/pictures.h),
// with GDI line semantics (a segment leaves out its end pixel): colour-table entry 0 erases,
// entries 1, 2, 3 colour V1/H1, V2/H2 and the trigger bar.
#pragma once

#include <array>
#include <cstdint>

#include "core/base/controls.h"

namespace vrx {

constexpr int32_t kScrollLimit = 131071;  // 0x1FFFF: any record position
constexpr int32_t kLongestDelay = -65533; // the trigger bar's lowest position: the longest delay

class BarsLogic {
  public:
    BarsLogic();
    BarsLogic(const BarsLogic &) = delete;
    BarsLogic &operator=(const BarsLogic &) = delete;

    // ---- Controls ----------------------------------------------------------------------------
    std::array<ScrollModel, 3> ScrollVbar; // "V1 move", "V2 move", "Trigger move"
    std::array<ScrollModel, 2> ScrollHbar; // "H1 move", "H2 move"
    ScrollModel Scrollscr;                 // "Screen move"
    std::array<LabelModel, 3> lbVbar;      // "v1 position", "v2 position", "Trigger position"
    LabelModel lbScr;                      // "Screen position"
    std::array<LabelModel, 2> lbHbar;
    LabelModel lbH1H2;
    LabelModel lbPretrig; // "PreTrigger": shown while the trigger is delayed
    LabelModel lbx10;     // trigger-bar step while delayed: "x1", "x10", "x50", "x100"
    // Readouts shown in the main window's status area.
    LabelModel lbv1v2;
    std::array<LabelModel, 2> lbT_V;

    // ---- Drawing (mode 0 erases, mode 1 draws) ----------------------------------------------
    void Vline(int k, int mode);
    void DrawTbar(int src, int mode);
    void DrawHbar(int k, int mode);

    // ---- Alignment and readouts -------------------------------------------------------------
    void Valign(int k);
    void V3align();
    void LabelTimes();
    void ShowHbarValue(int k);
    // Places the overview mark of bar k from its position.
    void PlaceUpVbar(int k);

    // ---- Handlers ------------------------------------------------------------------------------
    void ScrollVbar_Change(int k);
    void ScrollHbar_Change(int k);
    void Scrollscr_Change();
    void lbx10_Click();
};

// The bar logic of the timing view (the same object as `form1()`).
BarsLogic &bars();

// Overview x of a bar position: the record maps onto 512 pixels from x = 101; a negative
// trigger position (a delay) maps onto the 100 pixels left of it.
int32_t OverviewBarX(int32_t pos, int32_t recordLen);

} // namespace vrx
