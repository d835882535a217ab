// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition loop against the simulated instrument (USB 2.0, virtual clock), "Normal" mode
// with the default input signals, one iteration per complete record, shared by the benchmark
// programs that measure beside it:
//   LoopRecord/<depth>    steps of the loop until the next record is drawn
// The counter "passes" is the loop's passes per second.
// The bitstream is taken from VRX_BENCH_BITSTREAM, else 73604.bit beside the build tree's bench
// folder (../73604.bit from the executable), else from the working directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <benchmark/benchmark.h>

#include "core/acquisition/loop.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"

namespace vrx::bench {

inline std::filesystem::path BitstreamPath() {
    if (const char *env = std::getenv("VRX_BENCH_BITSTREAM")) return env;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const auto p = exe.parent_path().parent_path() / "73604.bit";
        if (std::filesystem::exists(p)) return p;
    }
    return "73604.bit";
}

// The loop's clock: one millisecond a step.
inline int64_t &Clock() {
    static int64_t now = 0;
    return now;
}

// The simulated instrument chosen on its virtual clock (before anything opens it).
inline void SelectSimulator() {
    setenv("HWLINK_SIM", "usb", 1);
    setenv("HWLINK_SIM_CLOCK", "virtual", 1);
}

// Opens and configures the simulated instrument once for the whole run.
inline bool OpenSimulator() {
    static int result = -1;
    if (result >= 0) return result == 1;
    EnsureHeadlessGui("vrx_bench");
    SelectSimulator();
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

inline void SetDepth(int depth) {
    AppState &s = app();
    s.acquisition.DepthIndex = static_cast<uint8_t>(depth);
    s.acquisition.RecordLen = depth == 0 ? 2048 : depth == 1 ? 8192 : 131072;
    s.acquisition.LastSample = s.acquisition.RecordLen - 1;
    s.acquisition.CaptureMode = 1;
}

// Steps the running loop until a record has been read back, then the step that re-arms and
// draws it; `afterStep` runs after every step. Returns the steps taken.
inline int64_t StepOneRecord(const std::function<void()> &afterStep = {}) {
    AppState &s = app();
    int64_t steps = 0;
    const int32_t before = s.run.TrigCount;
    bool drawn = false;
    while (!drawn) {
        drawn = s.run.TrigCount != before;
        AcquisitionStep();
        ++Clock();
        ++steps;
        if (afterStep) afterStep();
    }
    return steps;
}

inline void LoopRecord(benchmark::State &state) {
    if (!OpenSimulator()) {
        state.SkipWithError("simulated instrument not available");
        return;
    }
    SetDepth(static_cast<int>(state.range(0)));
    tbToolBar_ButtonClick(1);
    int64_t passes = 0;
    for (auto _ : state)
        passes += StepOneRecord();
    state.counters["passes"] =
        benchmark::Counter(static_cast<double>(passes), benchmark::Counter::kIsRate);
    tbToolBar_ButtonClick(1);
    while (AcquisitionActive())
        AcquisitionStep();
}

} // namespace vrx::bench
