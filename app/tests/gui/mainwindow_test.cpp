// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: toolbar, start-up boxes, the acquisition loop run from the event loop,
// closing during acquisition, a missing bitstream and the window placement.
#include <algorithm>
#include <map>
#include <set>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include "core/pictures.h"
#include "gui_fixture.h"
#include "main/message_boxes.h"

using namespace vrx;
using namespace vrx::test;

namespace {

// Answers the next modal message box by clicking one of its buttons; records its title and
// buttons.
struct BoxClicker {
    QStringList titles;
    std::vector<QMessageBox::StandardButtons> buttons;
    std::deque<QMessageBox::StandardButton> clicks;

    void arm() {
        QTimer::singleShot(10, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                arm(); // not shown yet
                return;
            }
            titles.append(box->windowTitle());
            buttons.push_back(box->standardButtons());
            const auto click = clicks.front();
            clicks.pop_front();
            QTest::mouseClick(box->button(click), Qt::LeftButton);
            if (!clicks.empty()) arm();
        });
    }
};

int DistinctValues(const uint8_t *p, int n) {

    return static_cast<int>(std::set<uint8_t>(p, p + n).size());
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }

    void toolbarButtons() {
        ProgramRun run(QStringLiteral("usb"));
        const QList<QAction *> actions = run.w->tbToolBar->actions();
        QCOMPARE(actions.size(), 9);
        const char *const keys[9] = {"Go",    "",     "V3bar", "V1bar",  "Tbar",
                                     "V2bar", "Hbar", "",      "Autoset"};
        const char *const tips[9] = {"Start/Stop",
                                     "",
                                     "Move All Vbars to Screen",
                                     "Move Screen around V1bar",
                                     "Move Screen around Trigger bar",
                                     "Move Screen around V2bar",
                                     "Turn on/off Hbar",
                                     "",
                                     "Auto. Set Ch Para. depend on Trigger Ch."};
        for (int i = 0; i < 9; ++i) {
            const QAction *a = actions[i];
            QCOMPARE(a->isSeparator(), keys[i][0] == '\0');
            if (a->isSeparator()) continue;
            QCOMPARE(a->objectName(), QString::fromLatin1(keys[i]));
            QCOMPARE(a->toolTip(), QString::fromLatin1(tips[i]));
        }
        // The caption comes from the detection; the status bar names the link.
        QCOMPARE(run.w->windowTitle(), QStringLiteral("VRX-73604"));
        QCOMPARE(run.w->sbLink->text(), QStringLiteral("Usb2.0 Port be connected"));
        // "Hbar" stays pressed while the bars are shown.
        QAction *hbar = actions[6];
        hbar->trigger();
        QVERIFY(hbar->isChecked());
        QCOMPARE(app().HbarOn, int16_t{-1});
        hbar->trigger();
        QVERIFY(!hbar->isChecked());
        // The first screen leaves the keyboard on the trigger source.
        QCOMPARE(run.view()->focusWidget(), run.view()->cmbTrigCh);
    }

    void onceStopsAfterOneRecord() {
        ProgramRun run(QStringLiteral("usb"));
        Choose(run.view()->cmbCapture, QStringLiteral("Once"));
        run.go()->trigger();
        QVERIFY(run.go()->isChecked());
        QVERIFY(WaitUntil([] { return !AcquisitionActive(); }));
        QCOMPARE(run.records(), int64_t{1});
        QCOMPARE(run.w->LabelStat[0]->text(), QStringLiteral("Triggered"));
        QCOMPARE(run.w->LabelStat[1]->text(), QStringLiteral("1"));
        QVERIFY(!run.go()->isChecked());
        QCOMPARE(app().Running, int16_t{0});
    }

    void normalStopsOnSecondGo() {
        ProgramRun run(QStringLiteral("usb"));
        Choose(run.view()->cmbCapture, QStringLiteral("Normal"));
        run.go()->trigger();
        QVERIFY(run.waitRecords(3));
        QVERIFY(run.w->driver()->stepping());
        run.go()->trigger();
        QVERIFY(!run.go()->isChecked());
        QVERIFY(WaitUntil([] { return !AcquisitionActive(); }, 1000));
        QCOMPARE(run.w->LabelStat[0]->text(), QString());
        QCOMPARE(app().TrigCount, 0);
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
        QCOMPARE(app().DevConfig[HW_DC_Link], uint8_t{HW_LINK_NONE});
        QCOMPARE(w->windowTitle(), QStringLiteral("VRX-73604"));

        // The demo signals follow the ranges: on the most sensitive one they fill the screen.
        TimingView *v = w->timingView();
        Choose(v->cmbVdiv, QStringLiteral("50mV"));
        QTest::mouseClick(v->lbTab[1], Qt::LeftButton);
        Choose(v->cmbVdiv, QStringLiteral("50mV"));
        w->tbButtons[0]->trigger();
        QVERIFY(WaitForRecords(*w, 2, 5000));
        const int n = app().RecordLen;
        const uint8_t *a1 = app().SampleBuf.data() + HW_SB_A1;
        const uint8_t *a2 = app().SampleBuf.data() + HW_SB_A2;
        // A square: two levels far apart (the converter correction may move a sample by a
        // code or two), each held for a good part of the record.
        const auto [lo, hi] = std::minmax_element(a1, a1 + n);
        QVERIFY(*hi - *lo > 100);
        const auto low = std::count_if(a1, a1 + n, [&](uint8_t c) { return c <= *lo + 4; });
        const auto high = std::count_if(a1, a1 + n, [&](uint8_t c) { return c >= *hi - 4; });
        QCOMPARE(low + high, std::ptrdiff_t{n});
        QVERIFY(low > n / 10 && high > n / 10);
        // A triangle: rises and falls over a wide range.
        int turns = 0;
        for (int i = 2; i < n; ++i)
            if ((a2[i] - a2[i - 1]) * (a2[i - 1] - a2[i - 2]) < 0) ++turns;
        QVERIFY(turns >= 2);
        QVERIFY(DistinctValues(a2, n) > 20);
        // Both are drawn: A1 on two rows far apart, A2 over many rows.
        const QImage &img = w->timingView()->picScope[0]->image();
        std::set<int> rowsA1, rowsA2;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 40; x < img.width(); ++x) {
                if (img.pixel(x, y) == ToQRgb(app().Colors[23])) rowsA1.insert(y);
                if (img.pixel(x, y) == ToQRgb(app().Colors[24])) rowsA2.insert(y);
            }
        QVERIFY(rowsA1.size() >= 2 && *rowsA1.rbegin() - *rowsA1.begin() > 20);
        QVERIFY(rowsA2.size() > 20);
        w->tbButtons[0]->trigger();
        QVERIFY(WaitUntil([] { return !AcquisitionActive(); }));
    }

    // A new depth or coupling re-arms the running acquisition.
    void depthSwitchDuringAcquisition() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        Choose(v->cmbCapture, QStringLiteral("Normal"));
        run.go()->trigger();
        QVERIFY(run.waitRecords(1));
        for (const char *depth : {"128K", "8K", "2K", "128K"}) {
            Choose(v->cmbDepth, QString::fromLatin1(depth));
            QVERIFY(run.waitRecords(2));
            QVERIFY(AcquisitionActive());
        }
        QCOMPARE(app().RecordLen, 131072);
        QCOMPARE(v->ScrollVbar[0]->maximum(), 131071);
        // Any front-panel change is taken up by the next pass, which re-arms.
        Choose(v->cmbCouple, QStringLiteral("AC"));
        QCOMPARE(app().ParamChanged, uint8_t{1});
        QVERIFY(WaitUntil([] { return app().ParamChanged == 0; }, 1000));
        QVERIFY(run.waitRecords(1));
        run.go()->trigger();
        QVERIFY(WaitUntil([] { return !AcquisitionActive(); }));
    }

    // "E&xit" while acquiring: the loop ends, the windows close, nothing runs afterwards.
    void closeDuringAcquisition() {
        {
            ProgramRun run(QStringLiteral("usb"));
            Choose(run.view()->cmbCapture, QStringLiteral("Auto."));
            run.go()->trigger();
            QVERIFY(run.waitRecords(2));
            run.w->mnuFileExit->trigger();
            QVERIFY(!AcquisitionActive());
            QCOMPARE(app().Running, int16_t{0});
            QVERIFY(!run.w->isVisible());
            QVERIFY(!run.view()->isVisible());
            QVERIFY(!run.w->driver()->stepping());
            const int64_t n = run.records();
            QTest::qWait(150);
            QCOMPARE(run.records(), n);
        }
        // Closing the timing view ends the program the same way.
        ProgramRun again(QStringLiteral("usb"));
        again.go()->trigger();
        QVERIFY(again.waitRecords(1));
        again.view()->close();
        QVERIFY(!AcquisitionActive());
        QVERIFY(!again.w->isVisible());
    }

    // Without the bitstream the configuration fails once, with its box, and the window stays
    // usable; the missing file is not created.
    void missingBitstream() {
        QTemporaryDir empty;
        // As at a fresh start: no bitstream read before.
        app().ConfigBits.fill(0);
        ProgramRun run(QStringLiteral("usb"), empty.path());
        QCOMPARE(run.ui.boxes.size(), size_t{2});
        QCOMPARE(run.ui.boxes[0].caption, QStringLiteral("Reset Hardware"));
        QCOMPARE(run.ui.boxes[1].text, QStringLiteral("VRX-73604 Config Error"));
        QCOMPARE(app().HwFound, uint8_t{0});
        QVERIFY(!QFileInfo::exists(QDir(empty.path()).filePath(QStringLiteral("73604.bit"))));
        QCOMPARE(run.w->sbLink->text(), kNotConfiguredText);

        Choose(run.view()->cmbRate, QStringLiteral("1MSa/S"));
        QCOMPARE(run.view()->cmbRate->currentText(), QStringLiteral("1MSa/S"));
        run.go()->trigger();
        QVERIFY(!AcquisitionActive());
        QVERIFY(!run.go()->isChecked());
        QCOMPARE(run.w->LabelStat[0]->text(), kNotConfiguredText);
    }

    // The placement goes to the settings store in twips, except from a minimised window.
    void placementStore() {
        QSettings store(QSettings::UserScope, kAppTitle, kAppTitle);
        store.remove(QStringLiteral("Settings"));
        store.sync();
        {
            ProgramRun run(QStringLiteral("usb"));
            QCOMPARE(run.w->pos(), QPoint(66, 66));   // 1000 twips
            QCOMPARE(run.w->size(), QSize(433, 433)); // 6500 twips
            run.w->move(120, 90);
            run.w->resize(500, 300);
            run.w->close();
        }
        store.sync();
        QCOMPARE(store.value(QStringLiteral("Settings/MainLeft")).toString(),
                 QStringLiteral("1800"));
        QCOMPARE(store.value(QStringLiteral("Settings/MainTop")).toString(),
                 QStringLiteral("1350"));
        QCOMPARE(store.value(QStringLiteral("Settings/MainWidth")).toString(),
                 QStringLiteral("7500"));
        QCOMPARE(store.value(QStringLiteral("Settings/MainHeight")).toString(),
                 QStringLiteral("4500"));
        {
            ProgramRun run(QStringLiteral("usb"));
            QCOMPARE(run.w->pos(), QPoint(120, 90));
            QCOMPARE(run.w->size(), QSize(500, 300));
            run.w->resize(200, 200);
            run.w->showMinimized();
            QVERIFY(WaitUntil([&] { return run.w->isMinimized(); }, 1000));
            run.w->close();
        }
        store.sync();
        QCOMPARE(store.value(QStringLiteral("Settings/MainWidth")).toString(),
                 QStringLiteral("7500"));
    }

    // The bitstream comes from the working directory, else from the program's folder.
    void bitstreamLookup() {
        QTemporaryDir work, exe;
        const QString file = QStringLiteral("73604.bit");
        QCOMPARE(BitstreamDirectory(work.path(), exe.path()), work.path());
        QFile(QDir(exe.path()).filePath(file)).open(QIODevice::WriteOnly);
        QCOMPARE(BitstreamDirectory(work.path(), exe.path()), exe.path());
        QFile(QDir(work.path()).filePath(file)).open(QIODevice::WriteOnly);
        QCOMPARE(BitstreamDirectory(work.path(), exe.path()), work.path());
    }

    void commandLine() {
        ProgramOptions o;
        QString error;
        QVERIFY(ParseOptions(
            {"--sim", "epp", "--depth", "128k", "--screenshots", "shots", "--measure-fps", "2.5"},
            o, error));
        QCOMPARE(o.sim, QStringLiteral("epp"));
        QCOMPARE(o.depth, 2);
        QCOMPARE(o.screenshotDir, QStringLiteral("shots"));
        QCOMPARE(o.measureSeconds, 2.5);
        for (const QStringList &bad :
             {QStringList{"--sim", "usb3"}, QStringList{"--sim"}, QStringList{"--depth", "4K"},
              QStringList{"--measure-fps", "0"}, QStringList{"-x"}}) {
            ProgramOptions p;
            error.clear();
            QVERIFY(!ParseOptions(bad, p, error));
            QVERIFY(!error.isEmpty());
        }
    }

  private:
    QTemporaryDir config_;
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
