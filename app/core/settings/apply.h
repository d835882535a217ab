// SPDX-License-Identifier: GPL-3.0-or-later
//
// Settings application: every control brought into line with the state after the defaults, a
// settings file or a data file were loaded, after Autoset and around probe calibration. The
// core's own controls are set here in the instrument's order (running their handlers, so the
// chains of the front panel run); the windows follow `Event::SettingsApplied`: the main window's
// menu marks and status bar, the measure item dialog, the measure box and the state listing.
#pragma once

namespace vrx {

void ApplySettings();

} // namespace vrx
