// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/display_items.h"

#include "core/base/events.h"
#include "core/base/state.h"

namespace vrx {

void SetDisplayItem(int item, bool on) {
    if (item < 0 || item > DispLogic) return;
    AppState &s = app();
    const auto k = static_cast<size_t>(item);
    s.channels.ChanOn[k] = on ? 1 : 0;
    s.display.DisplayCheck[k] = on ? 1 : 0;
    Publish(Event::DisplaySwitched);
}

} // namespace vrx
