// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition loop passes against the simulated instrument (USB 2.0, virtual clock), "Normal"
// mode with the default input signals, one iteration per complete record:
//   LoopRecord/<depth>    steps of the loop until the next record is drawn
//   BareRecord/<depth>    the baseline: Capture, then GetTrigStat until the record is read back
// The counter "passes" is the loop's passes per second.
// The bitstream is taken from VRX_BENCH_BITSTREAM, else 73604.bit beside the build tree's bench
// folder (../73604.bit from the executable), else from the working directory.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include "core/acquisition/loop.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"

namespace {

using namespace vrx;

void EnsureGuiApp() {
    EnsureHeadlessGui("core_loop_bench");
}

std::filesystem::path BitstreamPath() {
    if (const char *env = std::getenv("VRX_BENCH_BITSTREAM")) return env;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const auto p = exe.parent_path().parent_path() / "73604.bit";
        if (std::filesystem::exists(p)) return p;
    }
    return "73604.bit";
}

int64_t &Clock() {
    static int64_t now = 0;
    return now;
}

// Opens and configures the simulated instrument once for the whole run.
bool OpenSimulator() {
    static int result = -1;
    if (result >= 0) return result == 1;
    EnsureGuiApp();
    setenv("HWLINK_SIM", "usb", 1);
    setenv("HWLINK_SIM_CLOCK", "virtual", 1);
    InitDefaults();
    AppState &s = app();
    ResizePictures(s.screen.ScreenSamples, s.display.LogicHeight, s.colors.Colors[0]);
    SetLoopClock([] { return Clock(); });
    result = 0;
    if (FindPort(s.records.PortState.data(), s.records.DevConfig.data(), 2) != HW_LINK_USB)
        return false;
    std::ifstream f(BitstreamPath(), std::ios::binary);
    f.read(reinterpret_cast<char *>(s.records.ConfigBits.data()), HW_CONFIGBITS_LEN);
    s.run.HwFound = FindHardware(0, s.records.PortState.data(), s.records.DevConfig.data(),
                                 s.records.ConfigBits.data());
    result = s.run.HwFound == 1 ? 1 : 0;
    return result == 1;
}

void SetDepth(int depth) {
    AppState &s = app();
    s.acquisition.DepthIndex = static_cast<uint8_t>(depth);
    s.acquisition.RecordLen = depth == 0 ? 2048 : depth == 1 ? 8192 : 131072;
    s.acquisition.LastSample = s.acquisition.RecordLen - 1;
    s.acquisition.CaptureMode = 1;
}

void LoopRecord(benchmark::State &state) {
    if (!OpenSimulator()) {
        state.SkipWithError("simulated instrument not available");
        return;
    }
    SetDepth(static_cast<int>(state.range(0)));
    AppState &s = app();
    tbToolBar_ButtonClick(1);
    int64_t passes = 0;
    for (auto _ : state) {
        // Until a record has been read back, then the pass that re-arms and draws it.
        const int32_t before = s.run.TrigCount;
        while (s.run.TrigCount == before) {
            AcquisitionStep();
            ++Clock();
            ++passes;
        }
        AcquisitionStep();
        ++Clock();
        ++passes;
    }
    state.counters["passes"] =
        benchmark::Counter(static_cast<double>(passes), benchmark::Counter::kIsRate);
    tbToolBar_ButtonClick(1);
    while (AcquisitionActive())
        AcquisitionStep();
}

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
