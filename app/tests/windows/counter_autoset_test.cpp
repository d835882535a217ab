// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency counter's menus and labels and the Autoset button through the main window's
// widgets against the simulated instrument; a screenshot with both counters reading.
#include <QMenu>

#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

class CounterAutosetTest : public QObject {
    Q_OBJECT
  private slots:
    // The entries sit in "&Setup"; "Channel A&2" shows the A2 label, an offset is one of eleven;
    // "Autoset" sets the volts/div that shows the 1 V peak-to-peak square at five divisions
    // (0.2 V, 2V at 10:1) and acquisition runs again with both counters reading 1 and 2 kHz
    // raised by 50 ppm.
    void menusLabelsAndAutoset() {
        ProgramRun run(QStringLiteral("usb"), "A1=square,1000,0.5,0;A2=square,2000,0.5,0");
        MainWindow *w = run.w.get();
        auto item = [w](const char *name) { return Action(w, name); };
        QVERIFY(item("mnuCount(0)")->parent()->parent() == w->mnuSetup);
        QVERIFY(item("mnuCountppm(5)")->isChecked() && w->lbCount[1]->isHidden());
        item("mnuCount(0)")->trigger();
        item("mnuCount(1)")->trigger();
        item("mnuCountppm(0)")->trigger();
        QVERIFY(item("mnuCount(1)")->isChecked() && !w->lbCount[1]->isHidden());
        QVERIFY(item("mnuCountppm(0)")->isChecked() && !item("mnuCountppm(5)")->isChecked());

        w->tbButtons[8]->trigger();
        QCOMPARE(run.view()->cmbVdiv->currentText(), QStringLiteral("2V"));
        QVERIFY(run.waitRecords(3));
        QCOMPARE(w->lbCount[0]->text(), QStringLiteral("1.00005KHz"));
        QCOMPARE(w->lbCount[1]->text(), QStringLiteral("2.0001KHz"));
        QVERIFY(Screenshot(w, "frmMain_counter.png"));
        QVERIFY(run.stop());
    }
};

VRX_WINDOW_TEST_MAIN(CounterAutosetTest)
#include "counter_autoset_test.moc"
