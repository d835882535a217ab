// SPDX-License-Identifier: GPL-3.0-or-later
//
// Shared set-up of the window tests: the program started against the simulated instrument (or
// in demo mode), its message boxes answered from a script, and helpers that act as the user
// does on the real widgets.
#pragma once

#include <algorithm>
#include <memory>
#include <random>
#include <set>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMetaMethod>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/acquisition/loop.h"
#include "core/analysis/fft_library.h"
#include "core/base/reset.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/output/data_output.h"
#include "core/settings/settings_file.h"
#include "core/startup/startup.h"
#include "core/timing/pictures.h"
#include "windows/main/main_window.h"
#include "windows/main/program.h"

namespace vrx::test {

// Runs the event loop until `done` holds or `ms` passed; returns whether it holds.
template <typename F> bool WaitUntil(F done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// True once the acquisition loop has ended.
inline bool Idle(int ms = 5000) {
    return WaitUntil([] { return !AcquisitionActive(); }, ms);
}

// Rows of a picture that hold at least one pixel of a colour-table colour, from column x0 on.
inline std::set<int> RowsWithColor(const QImage &img, int32_t color, int x0 = 0) {
    std::set<int> rows;
    for (int y = 0; y < img.height(); ++y)
        for (int x = x0; x < img.width(); ++x)
            if (img.pixel(x, y) == ToQRgb(color)) {
                rows.insert(y);
                break;
            }
    return rows;
}

// The user picks an entry of a list: the list shows it and reports the choice.
inline void Choose(QComboBox *box, const QString &text) {
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(QStringLiteral("no entry ") + text));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

// The user picks an entry of each list in turn.
inline void Choose(std::initializer_list<std::pair<QComboBox *, const char *>> choices) {
    for (const auto &[box, text] : choices)
        Choose(box, QString::fromLatin1(text));
}

// A window's picture saved as `name` in the screenshot folder once painted, for people to look at.
inline bool Screenshot(QWidget *w, const char *name) {
    QTest::qWait(30);
    return w->grab().save(QStringLiteral(VRX_SCREENSHOT_DIR "/") + QLatin1String(name));
}

// The mouse on a widget at (x, y), as the user moves it.
inline void Press(QWidget *w, double x, double y, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mousePress(w, b, {}, QPoint(int(x), int(y)));
}
inline void Drag(QWidget *w, double x, double y) {
    QTest::mouseMove(w, QPoint(int(x), int(y)));
}
inline void Release(QWidget *w, double x, double y, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseRelease(w, b, {}, QPoint(int(x), int(y)));
}
// A whole drag with the left button from (x0, y0) to (x1, y1).
inline void Pull(QWidget *w, double x0, double y0, double x1, double y1) {
    Press(w, x0, y0);
    Drag(w, x1, y1);
    Release(w, x1, y1);
}

// An entry of the menu bar by its name.
inline QAction *Action(const MainWindow *w, const QString &name) {
    return w->findChild<QAction *>(name);
}

inline QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program itself started against the simulated USB instrument on its real clock, with the
// simulator's trace in `dir`/trace.txt, its settings store and working directory in `dir` (the
// bitstream is found beside the program), with `env` added; by default it acquires from the
// start (the measurement run does not wait for the detection box). Returns the trace's path.
inline QString StartSimulatedProgram(QProcess &program, const QString &dir,
                                     const QStringList &env = {},
                                     const QStringList &args = {"--measure-fps", "60"}) {
    const QString trace = QDir(dir).filePath(QStringLiteral("trace.txt"));
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("HWLINK_SIM_TRACE"), trace);
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), dir);
    e.remove(QStringLiteral("HWLINK_SIM_CLOCK"));
    for (const QString &item : env)
        e.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
    program.setProcessEnvironment(e);
    program.setWorkingDirectory(dir);
    program.start(QStringLiteral(VRX_PROGRAM), QStringList{"--sim", "usb"} + args);
    return trace;
}

// The settings store (the window placement) emptied at a fresh start, or kept from the run
// before.
enum class Store { Fresh, Kept };

// What a fresh start of the program finds: the simulated instrument on `link` (empty: none)
// seeing the input signals `inputs` (";": its defaults) without faults, no default settings file in
// the working directory, the settings store, the FFT library of the build, the data output dialog
// and the state as a new process has it.
inline void FreshStart(const QString &link, const char *inputs = ";", Store store = Store::Fresh) {
    qputenv("HWLINK_SIM", link.toLatin1());
    qputenv("HWLINK_SIM_CLOCK", "virtual");
    qputenv("HWLINK_SIM_FAULT", ";");
    qputenv("HWLINK_SIM_SIGNALS", inputs);
    QFile::remove(DefaultSettingsName());
    if (store == Store::Fresh) QSettings(QSettings::UserScope, kAppTitle, kAppTitle).clear();
    SetFFtLibraryFile(QStringLiteral(VRX_TEST_FFT_LIBRARY));
    frmExcel().Reset();
    ResetAppState();
}

// The program as a user starts it, from a fresh start: `link` selects the simulated instrument
// ("usb", ...), an empty link means no instrument (the detection box is answered Cancel: demo
// mode).
class ProgramRun {
  public:
    explicit ProgramRun(const QString &link, const char *inputs = ";", Store store = Store::Fresh,
                        const QString &bitstreamDir =
                            QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath()) {
        FreshStart(link, inputs, store);
        if (link.isEmpty()) ui.answers.push_back(MsgResult::Cancel);
        scope = std::make_unique<ScopedUi>(ui);
        PrepareApplication();
        app().startup.BitstreamDir = bitstreamDir;
        window = StartProgram();
        w = window.get();
    }
    TimingView *view() const { return w->timingView(); }
    QAction *go() const { return w->tbButtons[0]; }
    int64_t records() const { return w->driver()->records(); }
    bool waitRecords(int n, int ms = 10000) const { return WaitForRecords(*w, n, ms); }
    // "Go" in the capture mode `mode`; true once `n` records came.
    bool start(const QString &mode, int n = 1) const {
        Choose(view()->cmbCapture, mode);
        go()->trigger();
        return waitRecords(n);
    }
    // "Go" again; true once the loop has ended.
    bool stop() const {
        go()->trigger();
        return Idle();
    }

    // Destroyed in reverse order: the window before the scripted boxes.
    ScriptedUi ui;
    std::unique_ptr<ScopedUi> scope;
    std::unique_ptr<MainWindow> window;
    MainWindow *w = nullptr;
};

// Runs the cases of test object T in one process, as the core's tests run: besides Qt Test's
// own options, --gtest_repeat=N runs the whole set N times over and --gtest_shuffle runs it in
// an order drawn from --gtest_random_seed=S (default 0), drawn again for each repetition.
template <typename T> int RunWindowTests(int argc, char **argv) {
    QApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QStringList args = QCoreApplication::arguments(), cases;
    const bool shuffle = args.removeAll(QStringLiteral("--gtest_shuffle")) > 0;
    // The number of option `name` (taken out of the arguments), else `fallback`.
    const auto option = [&args](const QString &name, int fallback) {
        const qsizetype i =
            args.indexOf(QRegularExpression(QRegularExpression::escape(name) + ".*"));
        return i < 0 ? fallback : args.takeAt(i).mid(name.size()).toInt();
    };
    std::mt19937 order(static_cast<unsigned>(option(QStringLiteral("--gtest_random_seed="), 0)));
    const int repeat = std::max(1, option(QStringLiteral("--gtest_repeat="), 1));
    // The settings store and the working directory (where the default settings file is
    // written) are the test's own.
    QTemporaryDir config, work;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QDir::setCurrent(work.path());
    QDir().mkpath(QStringLiteral(VRX_SCREENSHOT_DIR));
    T tests;
    // The cases as Qt Test finds them: private slots without arguments, but for its hooks.
    const QMetaObject *meta = tests.metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        if (m.methodType() == QMetaMethod::Slot && m.access() == QMetaMethod::Private &&
            m.parameterCount() == 0 &&
            !QByteArrayList{"initTestCase", "cleanupTestCase", "init", "cleanup"}.contains(
                m.name()))
            cases << QString::fromLatin1(m.name());
    }
    for (int r = 0; r < repeat && (shuffle || repeat > 1); ++r) {
        if (shuffle) std::shuffle(cases.begin(), cases.end(), order);
        args << cases;
    }
    return QTest::qExec(&tests, args);
}

} // namespace vrx::test

using namespace vrx;
using namespace vrx::test;

#define VRX_WINDOW_TEST_MAIN(T)                                                                    \
    int main(int argc, char **argv) {                                                              \
        return vrx::test::RunWindowTests<T>(argc, argv);                                           \
    }
