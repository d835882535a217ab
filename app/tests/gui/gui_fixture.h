// SPDX-License-Identifier: GPL-3.0-or-later
//
// Shared set-up of the window tests: the program started against the simulated instrument (or
// in demo mode), its message boxes answered from a script, and helpers that act as the user
// does on the real widgets.
#pragma once

#include <memory>

#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/startup.h"
#include "core/state.h"
#include "core/ui.h"
#include "main/acquisition_loop_logic.h"
#include "main/main_window.h"
#include "main/program.h"
#include "timing/frontpanel_logic.h"

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

// The user picks an entry of a list: the list shows it and reports the choice.
inline void Choose(QComboBox *box, const QString &text) {
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(QStringLiteral("no entry ") + text));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

// One click on a scroll bar's arrow (SliderSingleStepAdd or ...Sub).
inline void Step(QScrollBar *bar, QAbstractSlider::SliderAction action) {
    bar->triggerAction(action);
}

// The program as a user starts it: `link` selects the simulated instrument ("usb", ...), an
// empty link means no instrument (the detection box is answered Cancel: demo mode).
class ProgramRun {
  public:
    explicit ProgramRun(const QString &link, const QString &bitstreamDir = {}) {
        qputenv("HWLINK_SIM", link.toLatin1());
        qputenv("HWLINK_SIM_CLOCK", "virtual");
        if (link.isEmpty()) ui.answers.push_back(MsgResult::Cancel);
        scope = std::make_unique<ScopedUi>(ui);
        PrepareApplication();
        if (!bitstreamDir.isEmpty())
            startupHooks().BitstreamDir = [bitstreamDir] { return bitstreamDir; };
        else
            startupHooks().BitstreamDir = [] {
                return QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath();
            };
        w = StartProgram();
    }
    ~ProgramRun() {
        w.reset();
        scope.reset();
    }

    TimingView *view() const { return w->timingView(); }
    QAction *go() const { return w->tbButtons[0]; }
    int64_t records() const { return w->driver()->records(); }
    bool waitRecords(int n, int ms = 10000) const { return WaitForRecords(*w, n, ms); }

    ScriptedUi ui;
    std::unique_ptr<ScopedUi> scope;
    std::unique_ptr<MainWindow> w;
};

} // namespace vrx::test
