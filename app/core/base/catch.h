// SPDX-License-Identifier: GPL-3.0-or-later
//
// The software catch as the state shows it. The catch itself runs in the acquisition loop; the
// front panel, the bars and the analysis windows only need to know whether it applies and
// whether its record owns the pictures, which the state alone answers.
#pragma once

#include "core/base/state.h"

namespace vrx {

// Whether rate `rate` lies between the catch's rate limit and the slowest timed rate.
inline bool CatchRateApplies(int rate) {
    return app().display.CatchRateLimit <= rate && rate <= kLastTimedRate;
}

// Whether "Go" would run a software catch with the current settings: the catch is enabled and
// the current rate applies.
inline bool CatchApplies() {
    return app().display.CatchEnabled != 0 && CatchRateApplies(app().acquisition.RateIndex);
}

// A software catch with data is in progress: the pictures belong to its quick refresh, and the
// bars, levels and the screen position only store their new values.
inline bool CatchWithData() {
    return app().run.TrigStat == HW_STAT_COMPLETE && app().run.Running != 0;
}

} // namespace vrx
