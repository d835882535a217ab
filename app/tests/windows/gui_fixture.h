// SPDX-License-Identifier: GPL-3.0-or-later
//
// Shared set-up of the window tests: the program started against the simulated instrument (or
// in demo mode), its message boxes answered from a script, and helpers that act as the user
// does on the real widgets.
#pragma once

#include <memory>
#include <set>

#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/acquisition/loop.h"
#include "core/base/state.h"
#include "core/base/ui.h"
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

// The settings store of the program kept in a folder of the test's own.
inline void UseTemporarySettings() {
    static QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
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

// The program itself started against the simulated USB instrument, acquiring from the start (the
// measurement run does not wait for the detection box), with the simulator's trace in `trace`,
// the settings store in `configDir` and `workDir` as its working directory (the bitstream is
// found there or beside the program).
inline void StartSimulatedProgram(QProcess &program, const QString &trace, const QString &configDir,
                                  const QString &workDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HWLINK_SIM_TRACE"), trace);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    env.remove(QStringLiteral("HWLINK_SIM_CLOCK"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(workDir);
    program.start(QStringLiteral(VRX_PROGRAM),
                  {QStringLiteral("--sim"), QStringLiteral("usb"), QStringLiteral("--measure-fps"),
                   QStringLiteral("60")});
}

// The program as a user starts it: `link` selects the simulated instrument ("usb", ...), an
// empty link means no instrument (the detection box is answered Cancel: demo mode).
class ProgramRun {
  public:
    explicit ProgramRun(const QString &link,
                        const QString &bitstreamDir =
                            QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath()) {
        qputenv("HWLINK_SIM", link.toLatin1());
        qputenv("HWLINK_SIM_CLOCK", "virtual");
        if (link.isEmpty()) ui.answers.push_back(MsgResult::Cancel);
        scope = std::make_unique<ScopedUi>(ui);
        PrepareApplication();
        app().startup.BitstreamDir = bitstreamDir;
        w = StartProgram();
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
    std::unique_ptr<MainWindow> w;
};

} // namespace vrx::test
