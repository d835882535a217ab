// SPDX-License-Identifier: GPL-3.0-or-later
//
// Settings application: every control brought into line with the state after the defaults or a
// settings file were loaded. The core's own controls are set here (running their handlers, so
// the chains of the front panel run); the windows follow `Event::SettingsApplied`.
#pragma once

namespace vrx {

void ApplySettings();

} // namespace vrx
