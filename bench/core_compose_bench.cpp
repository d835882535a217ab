// SPDX-License-Identifier: GPL-3.0-or-later
// ComposeScreen of a full timing view (A1, A2, grid, horizontal and vertical bars, 16 logic
// lanes, the overview strip) against clearing the same pictures, on a demo record.
//   Compose/<depth>/<zoom>   one full composition
//   Clear/<depth>/<zoom>     the baseline: the three pictures filled with the background
#include <cstdlib>

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"

namespace {

using namespace vrx;

void EnsureGuiApp() {
    EnsureHeadlessGui("core_compose_bench");
}

// A demo record of the given depth, drawn at the given zoom with everything switched on.
void Prepare(uint8_t depth, uint8_t zoom) {
    EnsureGuiApp();
    app().records.DevConfig.fill(0); // demo mode
    InitDefaults();
    AppState &s = app();
    s.acquisition.DepthIndex = depth;
    s.acquisition.RecordLen = depth == 0 ? 2048 : depth == 1 ? 8192 : 131072;
    s.acquisition.LastSample = s.acquisition.RecordLen - 1;
    s.acquisition.ZoomIndex = zoom;
    static const double kPerPixel[16] = {0.02, 0.05, 0.1, 0.2, 0.5, 1,   2,    5,
                                         10,   20,   50,  100, 200, 500, 1000, 2000};
    s.view.TimeZoom = {kPerPixel[zoom], kPerPixel[zoom]};
    s.view.ScrollPos = 0;
    s.screen.ScreenWidth = {s.screen.ScreenSamples, s.screen.ScreenSamples};
    s.channels.ChanOn = {1, 1, 0, 0, 0, 0, 1, 1};
    s.display.HbarOn = -1;
    s.display.ZoomView = -1;
    s.channels.VdivText[0] = "1V";
    s.channels.VdivText[1] = "2V";
    Capture(s.records.PortState.data(), s.records.DevConfig.data(), s.acquisition.LastSample,
            s.acquisition.DepthIndex, 0, s.acquisition.RateIndex, s.trigger.TrigChannel,
            s.view.BarPos[2], s.trigger.TrigSlope.data(), s.trigger.TrigLevel.data(),
            s.trigger.TrigDac, s.channels.Coupling.data(), s.channels.VdivIndex.data(),
            s.channels.ChanPos.data());
    GetTrigStat(s.records.SampleBuf.data(), s.acquisition.LastSample, s.acquisition.DepthIndex,
                s.channels.VdivIndex.data(), s.records.PortState.data(), s.records.DevConfig.data(),
                s.acquisition.RateIndex, s.trigger.TrigChannel, s.trigger.TrigSlope.data(),
                s.trigger.TrigLevel.data(), s.view.BarPos[2], s.acquisition.ZoomIndex,
                s.view.ViewStart.data());
    ResizePictures(s.screen.ScreenSamples, s.display.LogicHeight, s.colors.Colors[0]);
}

void Compose(benchmark::State &state) {
    Prepare(static_cast<uint8_t>(state.range(0)), static_cast<uint8_t>(state.range(1)));
    for (auto _ : state) {
        ComposeScreen(0, 1);
        benchmark::DoNotOptimize(pictures().picScope[0].constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

void Clear(benchmark::State &state) {
    Prepare(static_cast<uint8_t>(state.range(0)), static_cast<uint8_t>(state.range(1)));
    TimingPictures &p = pictures();
    const int32_t bg = app().colors.Colors[0];
    for (auto _ : state) {
        ClearPicture(p.picScope[0], bg);
        ClearPicture(p.Picture1, bg);
        ClearPicture(p.Picture2, bg);
        benchmark::DoNotOptimize(p.picScope[0].constBits());
    }
    state.SetItemsProcessed(state.iterations());
}

// Depth index, zoom index: 2K at "/2" (the deepest zoom the record-length rule allows it),
// 2K and 128K at "/100".
void Cases(benchmark::internal::Benchmark *b) {
    b->ArgNames({"depth", "zoom"});
    b->Args({0, 6})->Args({0, 11})->Args({2, 11});
}

BENCHMARK(Clear)->Apply(Cases);
BENCHMARK(Compose)->Apply(Cases);

} // namespace
