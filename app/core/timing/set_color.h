// SPDX-License-Identifier: GPL-3.0-or-later
//
// `SetColor`: the colour table applied to the controls of the timing view and of the main
// window's status area. Colours go into the control models (the bound widgets follow); the
// pictures take their background from entry 0 when they are cleared. Publishes
// `Event::ColorsChanged` for the windows that colour themselves; the acquisition loop paints
// the main window's state texts on it.
#pragma once

#include <cstdint>

namespace vrx {

// The colour of the trigger source: A1 entry 23, A2 entry 24, logic entry 6 (the D0 colour).
int32_t TriggerSourceColor(int src);

void SetColor();

} // namespace vrx
