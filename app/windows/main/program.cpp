// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/main/program.h"

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageWriter>
#include <QStyleFactory>
#include <QTimer>

#include "core/acquisition/loop.h"
#include "core/base/state.h"
#include "core/decode/runner.h"
#include "core/startup/quit_signals.h"
#include "core/startup/startup.h"
#include "core/timing/frontpanel.h"
#include "windows/common/frame_pacer.h"
#include "windows/common/message_boxes.h"

namespace vrx {

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The resident memory of this process in kB (0 where /proc does not tell).
long ResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Runs the event loop for up to `ms` milliseconds or until `done` holds.
// Set while the program runs: a quit signal also ends the scripted waits.
const QuitSignals *quitSignals = nullptr;

template <typename F> bool RunUntil(F done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (quitSignals && quitSignals->pending()) return false;
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Opens the tool windows named on the command line, as their menu entries do.
void OpenToolWindows(MainWindow &w, const QStringList &names) {
    for (const QString &name : names) {
        if (name == QLatin1String("measure")) w.ShowMeasureBox(true);
        if (name == QLatin1String("fft")) w.mnuFFTopt_Click(0);
        if (name == QLatin1String("xy")) w.mnuXYplot_Click(true);
        if (name == QLatin1String("state")) w.ShowStateListing(true);
        if (name == QLatin1String("decoders")) w.ShowDecoders(true);
        if (name == QLatin1String("annotations")) w.ShowAnnotations(true);
    }
}

void StartAcquisition() {
    if (app().run.Running == 0) tbToolBar_ButtonClick(1);
}

int MeasureFrameRate(MainWindow &w, double seconds) {
    // "Normal": every record is drawn as soon as it is complete ("Auto." would add its 100 ms
    // wait whenever the first poll after arming finds no trigger yet).
    form1().cmbCapture.setIndex(1);
    StartAcquisition();
    // Count from the first record on, so the start-up and the first arming are not measured.
    if (!WaitForRecords(w, 1, 5000)) {
        if (quitSignals->pending()) return 0; // ended before there was anything to measure
        std::fprintf(stderr, "no record within 5 s\n");
        return 1;
    }
    const int64_t records0 = w.driver()->records();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // A long run says every minute how far it got (records and resident memory), so a soak
    // shows a leak or a stall while it runs.
    const auto totalMs = static_cast<int64_t>(seconds * 1000);
    for (int64_t doneMs = 0; doneMs < totalMs && !quitSignals->pending();) {
        const int64_t stepMs = std::min<int64_t>(60000, totalMs - doneMs);
        RunUntil([] { return false; }, static_cast<int>(stepMs));
        doneMs += stepMs;
        if (doneMs < totalMs)
            std::printf("%.0f s: %lld records, resident %ld kB\n", wall.elapsed() / 1000.0,
                        static_cast<long long>(w.driver()->records() - records0), ResidentKb());
        std::fflush(stdout);
    }
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    const auto frames = static_cast<double>(w.driver()->records() - records0);
    // The program's own cost of a record: its CPU time (all threads, user and system) divided
    // by the records drawn, comparable with the loop benchmark's time per record.
    const double perRecordMs = frames > 0 ? 1000.0 * cpu / frames : 0.0;
    std::printf("depth %s, rate %s, %s: %.0f records drawn in %.2f s = %.1f frames/s; CPU %.2f s "
                "(%.0f%% of one core), %.3f ms CPU per record\n",
                qPrintable(form1().cmbDepth.text()), qPrintable(form1().cmbRate.text()),
                qPrintable(form1().cmbCapture.text()), frames, elapsed, frames / elapsed, cpu,
                100.0 * cpu / elapsed, perRecordMs);
    std::fflush(stdout);
    return 0;
}

} // namespace

void PrepareApplication() {
    // One look everywhere: the display colours of the instrument are set per control.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion"))) qApp->setStyle(style);
    app().startup.BitstreamDir = BitstreamDirectory(
        BitstreamFolders(QDir::currentPath(), QCoreApplication::applicationDirPath()));
}

std::unique_ptr<MainWindow> StartProgram() {
    auto w = std::make_unique<MainWindow>();
    TimingView *view = w->timingView();
    // The timing view's controls and pictures exist before the defaults are applied.
    view->Form_Resize();
    Main();
    w->ShowDetection();
    w->show();
    w->activateWindow();
    view->cmbTrigCh->setFocus();
    return w;
}

bool WaitForRecords(const MainWindow &w, int records, int timeoutMs) {
    const int64_t target = w.driver()->records() + records;
    const bool came = RunUntil([&] { return w.driver()->records() >= target; }, timeoutMs);
    // The step after the poll that completed the record draws it.
    RunUntil([] { return false; }, 20);
    return came;
}

QString SaveScreenshot(MainWindow &w, const QString &dir, QString &error) {
    if (!QDir().mkpath(dir)) {
        error = QStringLiteral("cannot create the folder ") + dir;
        return {};
    }
    const QString path = QDir(dir).filePath(QStringLiteral("frmMain.png"));
    QImageWriter writer(path, "PNG");
    if (!writer.write(w.grab().toImage())) {
        error =
            QStringLiteral("cannot write ") + path + QStringLiteral(": ") + writer.errorString();
        return {};
    }
    return path;
}

int RunProgram(const ProgramOptions &opts) {
    // The link is chosen before the first search.
    if (!opts.sim.isEmpty()) qputenv("HWLINK_SIM", opts.sim.toLatin1());
    // The scripted runs (screenshots, measurement) answer every box by themselves: OK, and
    // Cancel (demo mode) where the search found nothing.
    const bool unattended = !opts.screenshotDir.isEmpty() || opts.measureSeconds > 0;
    DialogUi dialogs;
    if (!unattended) SetUi(&dialogs);
    PrepareApplication();
    // A quit signal ends the program as closing the window does. During the start-up it only
    // answers an open box (as Cancel or OK); the window closes once it is up.
    QuitSignals quit;
    quitSignals = &quit;
    dialogs.ending = [&quit] { return quit.pending(); };
    std::unique_ptr<MainWindow> w;
    QObject::connect(&quit, &QuitSignals::requested, [&w] {
        if (QWidget *box = QApplication::activeModalWidget()) box->close();
        if (w) w->close();
    });
    w = StartProgram();
    new FramePacer(w.get());
    if (opts.depth >= 0) form1().cmbDepth.setIndex(opts.depth);
    OpenToolWindows(*w, opts.windows);

    int rc = 0;
    if (quit.pending()) {
        w->close();
    } else if (!opts.screenshotDir.isEmpty()) {
        StartAcquisition();
        if (!WaitForRecords(*w, 3, 10000))
            std::fprintf(stderr, "no record within 10 s; saving the screen as it is\n");
        // With decoders set up, the picture shows their rows: a record decoded with the set-up
        // into annotations or errors (up to 10 s), and the window laid out for its rows.
        const decode::Runner &runner = w->decodeRunner();
        const auto decoded = [&runner] {
            const decode::DecodeResult &r = runner.result();
            return r.texts == app().decode.Stacks &&
                   std::ranges::any_of(r.stacks, [](const decode::StackResult &s) {
                       return !s.rows.empty() || !s.error.isEmpty();
                   });
        };
        if (!app().decode.Stacks.isEmpty() && !RunUntil(decoded, 10000))
            std::fprintf(stderr, "no record decoded within 10 s; saving the screen as it is\n");
        RunUntil([] { return false; }, 50);
        QString error;
        const QString file = SaveScreenshot(*w, opts.screenshotDir, error);
        if (file.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(error));
        else
            std::printf("%s\n", qPrintable(file));
        rc = file.isEmpty() ? 1 : 0;
    } else if (opts.measureSeconds > 0) {
        rc = MeasureFrameRate(*w, opts.measureSeconds);
    } else {
        // Against the simulated instrument the picture is live from the start.
        if (!opts.sim.isEmpty()) StartAcquisition();
        rc = QApplication::exec();
    }
    // Every end, also of the scripted runs, leaves as closing the window does: placement stored,
    // instrument powered off, settings saved (once).
    w->close();
    w.reset();
    quitSignals = nullptr;
    SetUi(nullptr);
    return rc;
}

} // namespace vrx
