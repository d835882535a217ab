// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency counter's menus and labels and the Autoset button through the main window's
// widgets, against the simulated instrument; a screenshot with the counters running.
#include <QMenu>
#include <QMenuBar>

#include "core/analysis/counter.h"
#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

class CounterAutosetTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseTemporarySettings(); }

    // The entries sit in "&Setup" under their captions; "Channel A&2" shows the A2 label, the
    // offsets are one of eleven; "Autoset" sets the square's volts/div (index 6, see the core
    // test) and acquisition runs again, with both counters reading.
    void menusLabelsAndAutoset() {
        qputenv("HWLINK_SIM_SIGNALS", "A1=square,1000,0.5,0;A2=square,2000,0.5,0");
        ProgramRun run(QStringLiteral("usb"));
        MainWindow *w = run.w.get();
        QMenu *setup = nullptr;
        for (QAction *a : w->menuBar()->actions())
            if (a->text() == QStringLiteral("&Setup")) setup = a->menu();
        QVERIFY(setup);
        QStringList titles;
        for (QAction *a : setup->actions())
            if (a->menu()) titles << a->text();
        QCOMPARE(titles, QStringList({"Frequency Counter", "Counter resolution", "Counter offset"}));
        auto item = [w](const char *name) {
            return w->findChild<QAction *>(QString::fromLatin1(name));
        };
        QCOMPARE(item("mnuCount(1)")->text(), QStringLiteral("Channel A&2"));
        QCOMPARE(item("mnuCountRes(2)")->text(), QStringLiteral("&7 Digital resolution (128k)"));
        QCOMPARE(item("mnuCountppm(5)")->text(), QStringLiteral("+0 ppm"));
        QCOMPARE(item("mnuCountppm(10)")->text(), QStringLiteral("-50ppm"));
        QVERIFY(item("mnuCountppm(5)")->isChecked() && item("mnuCountRes(0)")->isChecked());

        QVERIFY(w->lbCount[1]->isHidden());
        item("mnuCount(0)")->trigger();
        item("mnuCount(1)")->trigger();
        QVERIFY(item("mnuCount(1)")->isChecked() && !w->lbCount[1]->isHidden());
        item("mnuCountppm(0)")->trigger();
        QVERIFY(item("mnuCountppm(0)")->isChecked() && !item("mnuCountppm(5)")->isChecked());
        QCOMPARE(app().display.CountPpm, int16_t{0});

        QAction *autoset = w->tbButtons[8];
        QVERIFY(autoset->isEnabled());
        autoset->trigger();
        QCOMPARE(run.view()->cmbVdiv->currentIndex(), 6);
        QVERIFY(run.waitRecords(3));
        QVERIFY(w->lbCount[0]->text().endsWith(QStringLiteral("KHz")));
        QVERIFY(w->lbCount[1]->text().endsWith(QStringLiteral("KHz")));
        QVERIFY(QDir().mkpath(QStringLiteral(VRX_SCREENSHOT_DIR)));
        QVERIFY(w->grab().save(QStringLiteral(VRX_SCREENSHOT_DIR "/frmMain_counter.png")));
        QVERIFY(run.stop());
        qunsetenv("HWLINK_SIM_SIGNALS");
    }
};

QTEST_MAIN(CounterAutosetTest)
#include "counter_autoset_test.moc"
