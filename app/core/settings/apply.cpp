// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/apply.h"

#include "core/analysis/function.h"
#include "core/base/events.h"
#include "core/base/state.h"
#include "core/logic/logic_panel.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"

namespace vrx {

void ApplySettings() {
    AppState &s = app();
    // Channel tabs, trigger and timebase lists, then the record-length rule.
    ApplyTimingSettings();
    // Trigger words into the dialog and the selected one in force; logic channel names.
    ApplyLogicSettings();
    // The colour dialog's display check boxes.
    s.display.DisplayCheck = s.channels.ChanOn;
    // Channel markers at their positions, erased for the channels not shown.
    for (int16_t ch = ChA1; ch <= ChF1; ++ch) {
        const auto k = static_cast<size_t>(ch);
        DrawChanMarker(ch, static_cast<int16_t>(s.channels.ChanPos[k] - 5),
                       s.channels.ChanOn[k] == 1 ? 1 : 0);
    }
    ApplyFunction();
    // Menu marks, the measure box and the state listing follow the flags.
    Publish(Event::SettingsApplied);
}

} // namespace vrx
