// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/program.h"

#include <cstdio>

#include <sys/resource.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QStyleFactory>
#include <QTimer>

#include "core/compose.h"
#include "core/startup.h"
#include "core/state.h"
#include "main/acquisition_loop_logic.h"
#include "main/message_boxes.h"
#include "timing/frontpanel_logic.h"
#include "timing/set_color.h"

namespace vrx {

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for up to `ms` milliseconds or until `done` holds.
template <typename F> bool RunUntil(F done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void StartAcquisition() {
    if (app().Running == 0) tbToolBar_ButtonClick(1);
}

int MeasureFrameRate(MainWindow &w, double seconds) {
    // "Normal": every record is drawn as soon as it is complete ("Auto." would add its 100 ms
    // wait whenever the first poll after arming finds no trigger yet).
    form1().cmbCapture.setIndex(1);
    StartAcquisition();
    // Count from the first record on, so the start-up and the first arming are not measured.
    if (!WaitForRecords(w, 1, 5000)) {
        std::fprintf(stderr, "no record within 5 s\n");
        return 1;
    }
    const int64_t records0 = w.driver()->records();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunUntil([] { return false; }, static_cast<int>(seconds * 1000));
    const double elapsed = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    const auto frames = static_cast<double>(w.driver()->records() - records0);
    std::printf("depth %s, rate %s, %s: %.0f records drawn in %.2f s = %.1f frames/s; CPU %.2f s "
                "(%.0f%% of one core)\n",
                qPrintable(form1().cmbDepth.text()), qPrintable(form1().cmbRate.text()),
                qPrintable(form1().cmbCapture.text()), frames, elapsed, frames / elapsed, cpu,
                100.0 * cpu / elapsed);
    std::fflush(stdout);
    return 0;
}

} // namespace

QString UsageText() {
    return QStringLiteral(
        "usage: vrx73604 [--sim usb|usb11|epp|bpp] [--depth 2K|8K|128K]\n"
        "                [--screenshots DIR] [--measure-fps SECONDS]\n"
        "  --sim LINK            use the simulated instrument on that link and start acquiring\n"
        "  --depth DEPTH         memory depth to start with\n"
        "  --screenshots DIR     save pictures of both windows to DIR after a few records, quit\n"
        "  --measure-fps SECONDS acquire for SECONDS and print records drawn per second\n"
        "Without --sim the program looks for an instrument on USB and the parallel ports and\n"
        "offers demo mode when none answers. The bitstream 73604.bit is read from the working\n"
        "directory, else from the program's folder.\n");
}

bool ParseOptions(const QStringList &args, ProgramOptions &opts, QString &error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            opts.help = true;
        } else if (a == QLatin1String("--sim") && hasValue) {
            opts.sim = args[++i];
            static const QStringList links = {"usb", "usb11", "epp", "bpp"};
            if (!links.contains(opts.sim)) {
                error = QStringLiteral("unknown link for --sim: ") + opts.sim;
                return false;
            }
        } else if (a == QLatin1String("--screenshots") && hasValue) {
            opts.screenshotDir = args[++i];
        } else if (a == QLatin1String("--measure-fps") && hasValue) {
            bool ok = false;
            opts.measureSeconds = args[++i].toDouble(&ok);
            if (!ok || opts.measureSeconds <= 0 || opts.measureSeconds > 3600) {
                error = QStringLiteral("--measure-fps needs a number of seconds");
                return false;
            }
        } else if (a == QLatin1String("--depth") && hasValue) {
            opts.depth = QStringList({"2K", "8K", "128K"}).indexOf(args[++i].toUpper());
            if (opts.depth < 0) {
                error = QStringLiteral("--depth takes 2K, 8K or 128K");
                return false;
            }
        } else if (!hasValue &&
                   (a == QLatin1String("--sim") || a == QLatin1String("--depth") ||
                    a == QLatin1String("--screenshots") || a == QLatin1String("--measure-fps"))) {
            error = a + QStringLiteral(" needs a value");
            return false;
        } else {
            error = QStringLiteral("unknown option: ") + a;
            return false;
        }
    }
    return true;
}

QString BitstreamDirectory(const QString &workDir, const QString &exeDir) {
    if (QFileInfo::exists(QDir(workDir).filePath(kBitstreamFile))) return workDir;
    if (!exeDir.isEmpty() && QFileInfo::exists(QDir(exeDir).filePath(kBitstreamFile)))
        return exeDir;
    return workDir;
}

void PrepareApplication() {
    // One look everywhere: the display colours of the instrument are set per control.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion"))) qApp->setStyle(style);
    // The composition draws into the timing view's pictures from here on.
    InstallScreenComposition();
    startupHooks().SetColor = [] { SetColor(); };
    startupHooks().BitstreamDir = [] {
        return BitstreamDirectory(app().AppDir, QCoreApplication::applicationDirPath());
    };
}

std::unique_ptr<MainWindow> StartProgram() {
    auto w = std::make_unique<MainWindow>();
    TimingView *view = w->timingView();
    // The timing view's controls and pictures exist before the defaults are applied.
    view->Form_Resize();
    Main();
    w->ShowDetection();
    w->show();
    w->PlaceTimingView();
    view->show();
    view->raise();
    view->activateWindow();
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

QStringList SaveScreenshots(MainWindow &w, const QString &dir) {
    QStringList written;
    if (!QDir().mkpath(dir)) return written;
    const std::pair<QWidget *, const char *> shots[2] = {{&w, "frmMain.png"},
                                                         {w.timingView(), "form1.png"}};
    for (const auto &[widget, name] : shots) {
        const QString path = QDir(dir).filePath(QString::fromLatin1(name));
        if (widget->grab().save(path, "PNG")) written.append(path);
    }
    return written;
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
    std::unique_ptr<MainWindow> w = StartProgram();
    if (opts.depth >= 0) form1().cmbDepth.setIndex(opts.depth);

    int rc = 0;
    if (!opts.screenshotDir.isEmpty()) {
        StartAcquisition();
        if (!WaitForRecords(*w, 3, 10000))
            std::fprintf(stderr, "no record within 10 s; saving the screen as it is\n");
        const QStringList files = SaveScreenshots(*w, opts.screenshotDir);
        for (const QString &f : files)
            std::printf("%s\n", qPrintable(f));
        rc = files.size() == 2 ? 0 : 1;
    } else if (opts.measureSeconds > 0) {
        rc = MeasureFrameRate(*w, opts.measureSeconds);
    } else {
        // Against the simulated instrument the picture is live from the start.
        if (!opts.sim.isEmpty()) StartAcquisition();
        rc = QApplication::exec();
    }
    w.reset();
    SetUi(nullptr);
    return rc;
}

} // namespace vrx
