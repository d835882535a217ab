// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/apply.h"

#include "core/base/events.h"
#include "core/logic/logic_panel.h"
#include "core/timing/frontpanel.h"

namespace vrx {

void ApplySettings() {
    ApplyTimingSettings();
    ApplyLogicSettings();
    Publish(Event::SettingsApplied);
}

} // namespace vrx
