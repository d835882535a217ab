// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: toolbar, start-up boxes, the acquisition loop run from the event loop,
// closing during acquisition, a missing bitstream and the window placement.
#include <deque>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include "gui_fixture.h"
#include "main/message_boxes.h"

using namespace vrx;
using namespace vrx::test;

namespace {

// Answers the next modal message boxes by clicking the given buttons; records their titles and
// buttons.
struct BoxClicker {
    QStringList titles;
    std::vector<QMessageBox::StandardButtons> buttons;
    std::deque<QMessageBox::StandardButton> clicks;

    void arm() {
        QTimer::singleShot(10, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) return arm(); // not shown yet
            titles.append(box->windowTitle());
            buttons.push_back(box->standardButtons());
            QTest::mouseClick(box->button(clicks.front()), Qt::LeftButton);
            clicks.pop_front();
            if (!clicks.empty()) arm();
        });
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseTemporarySettings(); }

    void toolbarAndStatusBar() {
        ProgramRun run(QStringLiteral("usb"));
        QStringList keys;
        for (const QAction *a : run.w->tbToolBar->actions())
            keys << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        QCOMPARE(keys, QStringList(
                           {"Go", "|", "V3bar", "V1bar", "Tbar", "V2bar", "Hbar", "|", "Autoset"}));
        QCOMPARE(run.go()->toolTip(), QStringLiteral("Start/Stop"));
        // The caption comes from the detection; the status bar names the link.
        QCOMPARE(run.w->windowTitle(), QStringLiteral("VRX-73604"));
        QCOMPARE(run.w->sbLink->text(), QStringLiteral("Usb2.0 Port be connected"));
        // The first screen leaves the keyboard on the trigger source.
        QCOMPARE(run.view()->focusWidget(), run.view()->cmbTrigCh);
    }

    // "Go" in "Once" stops by itself after one record; in "Normal" the second "Go" stops it.
    void goInOnceAndNormal() {
        ProgramRun run(QStringLiteral("usb"));
        QVERIFY(run.start(QStringLiteral("Once")));
        QVERIFY(Idle());
        QCOMPARE(run.records(), int64_t{1});
        QCOMPARE(run.w->LabelStat[0]->text(), QStringLiteral("Triggered"));
        QVERIFY(!run.go()->isChecked());

        QVERIFY(run.start(QStringLiteral("Normal"), 3));
        QVERIFY(run.go()->isChecked() && run.w->driver()->stepping());
        run.go()->trigger();
        QVERIFY(!run.go()->isChecked());
        QVERIFY(Idle(1000));
        QCOMPARE(run.w->LabelStat[0]->text(), QString());
        QVERIFY(!run.w->driver()->stepping());
        // Nothing more is read once stopped.
        const int64_t n = run.records();
        QTest::qWait(100);
        QCOMPARE(run.records(), n);
    }

    // The real detection box: Retry searches again, Cancel gives demo mode, where the square
    // (A1) and the triangle (A2) come on screen.
    void detectionCancelGivesDemoMode() {
        qputenv("HWLINK_SIM", "");
        DialogUi dialogs;
        ScopedUi scope(dialogs);
        BoxClicker clicker;
        clicker.clicks = {QMessageBox::Retry, QMessageBox::Cancel};
        clicker.arm();
        PrepareApplication();
        std::unique_ptr<MainWindow> w = StartProgram();
        QCOMPARE(clicker.titles, QStringList({"Reset Hardware", "Reset Hardware"}));
        QCOMPARE(clicker.buttons.front(), QMessageBox::Retry | QMessageBox::Cancel);
        QCOMPARE(w->sbLink->text(), QStringLiteral("Demo mode"));

        // On the most sensitive range the demo signals fill the screen.
        TimingView *v = w->timingView();
        Choose(v->cmbVdiv, QStringLiteral("50mV"));
        QTest::mouseClick(v->lbTab[1], Qt::LeftButton);
        Choose(v->cmbVdiv, QStringLiteral("50mV"));
        w->tbButtons[0]->trigger();
        QVERIFY(WaitForRecords(*w, 2, 5000));
        // The square on two rows far apart, the triangle over many rows.
        const QImage &img = v->picScope[0]->image();
        const std::set<int> a1 = RowsWithColor(img, app().Colors[23], 40);
        QVERIFY(a1.size() >= 2 && *a1.rbegin() - *a1.begin() > 20);
        QVERIFY(RowsWithColor(img, app().Colors[24], 40).size() > 20);
        w->tbButtons[0]->trigger();
        QVERIFY(Idle());
    }

    // A new depth or coupling re-arms the running acquisition.
    void depthSwitchDuringAcquisition() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QVERIFY(run.start(QStringLiteral("Normal")));
        for (const char *depth : {"128K", "8K", "2K", "128K"}) {
            Choose(v->cmbDepth, QString::fromLatin1(depth));
            QVERIFY(run.waitRecords(2));
            QVERIFY(AcquisitionActive());
        }
        // Any front-panel change is taken up by the next pass, which re-arms.
        Choose(v->cmbCouple, QStringLiteral("AC"));
        QVERIFY(WaitUntil([] { return app().ParamChanged == 0; }, 1000));
        QVERIFY(run.waitRecords(1));
        QVERIFY(run.stop());
    }

    // "E&xit" while acquiring, or closing the timing view: the loop ends, the windows close,
    // nothing runs afterwards.
    void closeDuringAcquisition() {
        for (const bool exit : {true, false}) {
            ProgramRun run(QStringLiteral("usb"));
            QVERIFY(run.start(QStringLiteral("Auto."), 2));
            if (exit)
                run.w->mnuFileExit->trigger();
            else
                run.view()->close();
            QVERIFY(!AcquisitionActive() && app().Running == 0);
            QVERIFY(!run.w->isVisible() && !run.view()->isVisible());
            const int64_t n = run.records();
            QTest::qWait(100);
            QCOMPARE(run.records(), n);
        }
    }

    // Without the bitstream the configuration fails once, with its box, and the window stays
    // usable.
    void missingBitstream() {
        QTemporaryDir empty;
        app().ConfigBits.fill(0); // as at a fresh start: no bitstream read before
        ProgramRun run(QStringLiteral("usb"), empty.path());
        QCOMPARE(run.ui.boxes.size(), size_t{2});
        QCOMPARE(run.ui.boxes[1].text, QStringLiteral("VRX-73604 Config Error"));
        QCOMPARE(run.w->sbLink->text(), kNotConfiguredText);

        Choose(run.view()->cmbRate, QStringLiteral("1MSa/S"));
        QCOMPARE(run.view()->cmbRate->currentText(), QStringLiteral("1MSa/S"));
        run.go()->trigger();
        QVERIFY(!AcquisitionActive() && !run.go()->isChecked());
        QCOMPARE(run.w->LabelStat[0]->text(), kNotConfiguredText);
    }

    // The placement goes to the settings store in twips, except from a minimised window.
    void placementStore() {
        QSettings store(QSettings::UserScope, kAppTitle, kAppTitle);
        store.remove(QStringLiteral("Settings"));
        auto stored = [&store] {
            store.sync();
            QStringList v;
            for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
                v << store.value(QStringLiteral("Settings/") + QLatin1String(key)).toString();
            return v;
        };
        {
            ProgramRun run(QStringLiteral("usb"));
            QCOMPARE(run.w->pos(), QPoint(66, 66));   // 1000 twips
            QCOMPARE(run.w->size(), QSize(433, 433)); // 6500 twips
            run.w->move(120, 90);
            run.w->resize(500, 300);
            run.w->close();
        }
        QCOMPARE(stored(), QStringList({"1800", "1350", "7500", "4500"}));
        {
            ProgramRun run(QStringLiteral("usb"));
            QCOMPARE(run.w->pos(), QPoint(120, 90));
            QCOMPARE(run.w->size(), QSize(500, 300));
            run.w->resize(200, 200);
            run.w->showMinimized();
            QVERIFY(WaitUntil([&] { return run.w->isMinimized(); }, 1000));
            run.w->close();
        }
        QCOMPARE(stored(), QStringList({"1800", "1350", "7500", "4500"}));
    }

    // The bitstream comes from the working directory, else from the program's folder.
    void bitstreamLookup() {
        QTemporaryDir work, exe;
        QCOMPARE(BitstreamDirectory(work.path(), exe.path()), work.path());
        QFile(QDir(exe.path()).filePath(kBitstreamFile)).open(QIODevice::WriteOnly);
        QCOMPARE(BitstreamDirectory(work.path(), exe.path()), exe.path());
        QFile(QDir(work.path()).filePath(kBitstreamFile)).open(QIODevice::WriteOnly);
        QCOMPARE(BitstreamDirectory(work.path(), exe.path()), work.path());
    }

    void commandLine() {
        ProgramOptions o;
        QString error;
        QVERIFY(ParseOptions(
            {"--sim", "epp", "--depth", "128k", "--screenshots", "shots", "--measure-fps", "2.5"},
            o, error));
        QCOMPARE(QStringList({o.sim, QString::number(o.depth), o.screenshotDir,
                              QString::number(o.measureSeconds)}),
                 QStringList({"epp", "2", "shots", "2.5"}));
        for (const QStringList &bad :
             {QStringList{"--sim", "usb3"}, QStringList{"--sim"}, QStringList{"--depth", "4K"},
              QStringList{"--measure-fps", "0"}, QStringList{"-x"}}) {
            ProgramOptions p;
            error.clear();
            QVERIFY(!ParseOptions(bad, p, error) && !error.isEmpty());
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
