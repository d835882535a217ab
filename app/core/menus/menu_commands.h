// SPDX-License-Identifier: GPL-3.0-or-later
//
// The menu commands of the main window that change the display and the memory channels: the
// "&View" switches and groups, the software catch's items of "&Setup", and the "&Backup" copies
// and clears.
//
// Each item is a `CheckModel` under its control name; an item array is a `std::array` indexed
// as the menu counts (from 0). A check-mark item inverts its mark, stores the mark in its flag
// (a Boolean flag: -1 checked, 0 not; the display switches `ChanOn`: 1 shown, 0 hidden) and
// acts; a radio group clears the whole group's marks, checks the chosen item and stores its
// index. The main window binds its menu entries to these models; tests click them directly.
//
// `menuCommands()` is the one instance. The marks follow the state only through the handlers
// and `ApplyMenuSettings()`, which brings every mark into line with the state after the
// defaults or a settings file were loaded.
#pragma once

#include <array>

#include "core/base/controls.h"

namespace vrx {

class MenuCommands {
  public:
    MenuCommands();

    // ---- "&View" ------------------------------------------------------------------------------
    CheckModel mnuViewStatusBar;
    std::array<CheckModel, 7> mnuDispCh;   // A1, A2, M1, M2, F1, F2, D0-D15
    std::array<CheckModel, 4> mnuChHigh;   // logic lane height 20, 24, 28, 32 pixels
    std::array<CheckModel, 2> mnuDispunit; // readouts in time or in samples
    CheckModel mnuGrid, mnuHbarOn, mnuLine, mnuZoomview, mnuPersist, mnuRefresh;
    std::array<CheckModel, 5> mnuZoomby; // V1, V2, trigger bar, screen centre, auto
    // ---- "&Setup" > "Software Catch" ----------------------------------------------------------
    CheckModel mnuCatch50;
    std::array<CheckModel, 3> mnuRate27; // rate limit 200, 100, 50 Sa/s
    // ---- "&Backup" ----------------------------------------------------------------------------
    std::array<CheckModel, 4> mnuBackup;   // copy A1 to M1, A1 to M2, A2 to M1, A2 to M2
    std::array<CheckModel, 4> mnuClearBuf; // clear A1, A2, the logic inputs, all

    void mnuViewStatusBar_Click();
    void mnuDispCh_Click(int Index);
    void mnuChHigh_Click(int Index);
    void mnuDispunit_Click(int Index);
    void mnuGrid_Click();
    void mnuHbarOn_Click();
    void mnuLine_Click();
    void mnuZoomview_Click();
    void mnuPersist_Click();
    void mnuRefresh_Click();
    void mnuZoomby_Click(int Index);
    void mnuCatch50_Click();
    void mnuRate27_Click(int Index);
    void mnuBackup_Click(int Index);
    void mnuClearBuf_Click(int Index);

    // Every mark brought into line with the state (the logic lane height follows its index).
    void ApplyMenuSettings();
};

MenuCommands &menuCommands();

// Copies the front-end settings of channel `Source` (probe, coupling, volts/div, position) to
// channel `Target` (0 A1, 1 A2, 2 M1, 3 M2, 4 F1), so that a memory trace is drawn at the scale
// of its source. The target's scale and scale text follow; the channel lists show the copy when
// the target is the selected channel.
void CopyChannelSettings(int Source, int Target);

} // namespace vrx
