// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition loop passes against the simulated instrument (USB 2.0, virtual clock), "Normal"
// mode with the default input signals, one iteration per complete record:
//   LoopRecord/<depth>    steps of the loop until the next record is drawn (loop_bench.h)
//   BareRecord/<depth>    the baseline: Capture, then GetTrigStat until the record is read back
#include "loop_bench.h"

namespace {

using namespace vrx;
using namespace vrx::bench;

void BareRecord(benchmark::State &state) {
    if (!OpenSimulator()) {
        state.SkipWithError("simulated instrument not available");
        return;
    }
    SetDepth(static_cast<int>(state.range(0)));
    AppState &s = app();
    int64_t polls = 0;
    for (auto _ : state) {
        Capture(s.records.PortState.data(), s.records.DevConfig.data(), s.acquisition.LastSample,
                s.acquisition.DepthIndex, 0, s.acquisition.RateIndex, s.trigger.TrigChannel,
                s.view.BarPos[2], s.trigger.TrigSlope.data(), s.trigger.TrigLevel.data(),
                s.trigger.TrigDac, s.channels.Coupling.data(), s.channels.VdivIndex.data(),
                s.channels.ChanPos.data());
        uint8_t stat = 0;
        do {
            stat = GetTrigStat(s.records.SampleBuf.data(), s.acquisition.LastSample,
                               s.acquisition.DepthIndex, s.channels.VdivIndex.data(),
                               s.records.PortState.data(), s.records.DevConfig.data(),
                               s.acquisition.RateIndex, s.trigger.TrigChannel,
                               s.trigger.TrigSlope.data(), s.trigger.TrigLevel.data(),
                               s.view.BarPos[2], s.acquisition.ZoomIndex, s.view.ViewStart.data());
            ++polls;
        } while (stat != HW_STAT_COMPLETE);
    }
    state.counters["polls"] =
        benchmark::Counter(static_cast<double>(polls), benchmark::Counter::kIsRate);
}

BENCHMARK(BareRecord)->ArgName("depth")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoopRecord)->ArgName("depth")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
