// SPDX-License-Identifier: GPL-3.0-or-later
//
// The display items (A1, A2, M1, M2, F1, F2, D0-D15) switched on and off from code: the menu
// switches, the function channel and the XY plot all show a trace the same way.
#pragma once

namespace vrx {

// Switches display item `item` (0 A1 .. 6 D0-D15) on or off everywhere it shows: the switch
// `ChanOn` and the colour dialog's box; then publishes `Event::DisplaySwitched`, on which the
// "&Channel Display" marks follow the switches. Nothing is redrawn. Other items do nothing.
void SetDisplayItem(int item, bool on);

} // namespace vrx
