// SPDX-License-Identifier: GPL-3.0-or-later
// The whole program's cost of a record: the main window under the offscreen platform against the
// simulated instrument (USB 2.0, virtual clock), "Normal" mode at 2K, 100MSa/S. Each iteration
// acquires one record and shows it: after every step of the loop the pending events are handled
// as the program's event loop handles them (layouts, the decoders' results), the decoders' run
// over the record is waited for, and the windows paint what changed.
//   LoopRecord/depth:0           the baseline: the core's loop alone, no window (loop_bench.h)
//   MainWindowRecord/tools:0     the main window, no tool window open
//   MainWindowRecord/tools:1     every tool window open: measure box, FFT, XY plot, state
//                                listing, the Decoders window and the annotation table
//   MainWindowRecord/tools:2     the same with two decoder stacks decoding every record (UART on
//                                D0, I2C on D2/D3): the decoders' own cost on top
// With paced:0 every record is painted (a screen as fast as the records: the windows' whole cost
// of a record); with paced:1 the windows repaint once a frame of a 60 Hz screen, as the program's
// do (FramePacer), while the records come as fast as the loop makes them.
// The inputs are the simulator's defaults for all three (the decoders read the counter's lines).
// CPU time is the process's (all threads: the decoders run on a worker). Run from any folder:
// the program's settings file and placement store go to a temporary folder.
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "core/analysis/fft_library.h"
#include "core/decode/runner.h"
#include "core/timing/frontpanel.h"
#include "loop_bench.h"
#include "windows/common/frame_pacer.h"
#include "windows/main/program.h"

namespace {

using namespace vrx;
using namespace vrx::bench;

QTemporaryDir &WorkDir() {
    static QTemporaryDir dir;
    return dir;
}

// The program's window; main ends it while the application and the program's state still live.
std::unique_ptr<MainWindow> &Window() {
    static std::unique_ptr<MainWindow> w;
    return w;
}

// The program started once for the whole run, as `--sim usb` starts it, acquisition stopped.
MainWindow *Program() {
    std::unique_ptr<MainWindow> &w = Window();
    static bool tried = false;
    if (tried) return w.get();
    tried = true;
    if (!WorkDir().isValid()) return nullptr;
    QDir::setCurrent(WorkDir().path());
    SelectSimulator();
    PrepareApplication();
    app().startup.BitstreamDir = QString::fromStdString(BitstreamPath().parent_path().string());
    SetFFtLibraryFile(QStringLiteral(VRX_BENCH_FFT_LIBRARY));
    w = StartProgram();
    if (app().run.HwFound != 1) {
        w.reset();
        return nullptr;
    }
    // The loop's steps come from the benchmark, not from the window's timer.
    w->driver()->detach();
    QCoreApplication::sendPostedEvents();
    return w.get();
}

void OpenToolWindows(MainWindow &w, bool decoding) {
    w.ShowMeasureBox(true);
    w.mnuFFTopt_Click(0);
    w.mnuXYplot_Click(true);
    w.ShowStateListing(true);
    w.ShowDecoders(true);
    w.ShowAnnotations(true);
    if (decoding)
        w.decodeRunner().SetStacks(
            {QStringLiteral("uart:rx=D0"), QStringLiteral("i2c:scl=D2:sda=D3")});
}

// What the event loop does between two steps: posted events (layout requests and the decoders'
// queued results) are delivered.
void HandleEvents() {
    QCoreApplication::sendPostedEvents();
}

// The record on screen: the windows paint what changed (their update requests are due at once,
// see main) and flush.
void Show() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void MainWindowRecord(benchmark::State &state) {
    MainWindow *w = Program();
    if (!w) {
        state.SkipWithError("the program did not start on the simulated instrument");
        return;
    }
    const bool tools = state.range(0) != 0;
    if (tools) OpenToolWindows(*w, state.range(0) == 2);
    std::optional<FramePacer> pacer;
    if (state.range(1) != 0) pacer.emplace(nullptr, 16);
    form1().cmbCapture.setIndex(1); // "Normal"
    form1().cmbDepth.setIndex(0);   // 2K
    SetLoopClock([] { return Clock(); });
    tbToolBar_ButtonClick(1);
    int64_t steps = 0;
    for (auto _ : state) {
        steps += StepOneRecord(HandleEvents);
        while (w->decodeRunner().busy()) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            HandleEvents();
        }
        Show();
    }
    state.counters["steps"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    tbToolBar_ButtonClick(1);
    while (AcquisitionActive()) {
        AcquisitionStep();
        HandleEvents();
    }
    if (tools) {
        w->decodeRunner().SetStacks({});
        for (QWidget *tool : w->findChildren<QWidget *>())
            if (tool->isWindow() && tool->isVisible()) tool->close();
        HandleEvents();
    }
}

// The baseline first, before the window exists: nothing of the window follows the core then.
BENCHMARK(LoopRecord)
    ->ArgName("depth")
    ->Arg(0)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(MainWindowRecord)
    ->ArgNames({"tools", "paced"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A window's repaint comes with the next pass of the event loop, not after the platform's
    // 5 ms frame wait: every record is painted once, in its own iteration.
    setenv("QT_QPA_UPDATE_IDLE_TIME", "0", 1);
    setenv("HWLINK_SIM_SIGNALS", ";", 1);
    setenv("XDG_CONFIG_HOME", qPrintable(WorkDir().path()), 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    Window().reset();
    benchmark::Shutdown();
    return 0;
}
