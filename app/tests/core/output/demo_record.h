// SPDX-License-Identifier: GPL-3.0-or-later
// The demo record as the program shows it, for the export tests.
#pragma once

#include "core/acquisition/loop.h"
#include "core/fixture.h"
#include "core/output/export.h"

namespace vrx::test {

inline RecordData TakeDemoRecord() {
    app().records.DevConfig.fill(0); // demo mode
    ResetState();
    ApplyTimingSettings();
    for (int i = 0; i < 20 && app().run.TrigStat != HW_STAT_COMPLETE; ++i)
        Getstat();
    EXPECT_EQ(app().run.TrigStat, HW_STAT_COMPLETE);
    return CurrentRecord();
}

} // namespace vrx::test
