// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement windows as a user meets them: the chooser from "&Setup" > "&Measurements",
// "&Measure Box" under "&Window" with its check mark, the box measured at every poll while it
// shows, its rows for known simulated signals, its height fitted to them; screenshots of both.
#include <cmath>
#include <tuple>

#include <QCheckBox>
#include <QRegularExpression>
#include <QScopeGuard>

#include "core/analysis/measure.h"
#include "core/settings/apply.h"
#include "gui_fixture.h"
#include "windows/analysis/measure_box.h"
#include "windows/analysis/measure_items.h"

using namespace vrx;
using namespace vrx::test;

namespace {

int Px(int twips) {
    return qRound(twips / double(MainWindow::kTwipsPerPixel));
}

// A readout in volts, seconds or hertz ("-2.04 V", "500 us", "1.KHz"; an edge within a sample,
// "<2 us", as its bound); else NaN.
double Reading(const QString &text) {
    static const QRegularExpression form(QStringLiteral("^<?(-?[\\d.]*) ?([mu]?)(V|s|KHz)$"));
    const auto m = form.match(text);
    if (!m.hasMatch()) return NAN;
    const double unit = m.captured(2) == "m" ? 1e-3 : m.captured(2) == "u" ? 1e-6 : 1;
    return m.captured(1).toDouble() * unit * (m.captured(3) == "KHz" ? 1e3 : 1);
}

} // namespace

class MeasureBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void boxAndChooser() {
        ProgramRun run(QStringLiteral("usb"), "A1=square,1000,0.2,0;A2=sine,10000,0.1,0;NOISE=0");
        MainWindow *w = run.w.get();
        AppState &s = app();
        s.acquisition.RateIndex = 15; // 500KSa/S
        s.channels.VdivIndex[1] = 3;  // 500mV at 10:1: 20 mV a code; A1 1V: 40 mV a code
        s.channels.ChanPos[0] = s.channels.ChanPos[1] = 128;
        s.trigger.TrigLevel[0] = s.trigger.TrigLevel[1] = 128; // 0 V
        ApplySettings();

        // The chooser: every item ticked through its boxes, the whole record, 20 % - 80 %; OK
        // stores the choice and closes it.
        w->mnuMeasureSetup->trigger();
        MeasureItemsWindow *items = w->measureItems();
        QVERIFY(items->isVisible() && items->CheckA1[3]->isChecked()); // the stored choice
        auto tickAll = [items](bool on) {
            for (auto *boxes : {&items->CheckA1, &items->CheckA2})
                for (QCheckBox *b : *boxes)
                    if (b->isChecked() != on) QTest::mouseClick(b, Qt::LeftButton);
        };
        tickAll(true);
        QTest::mouseClick(items->OptLen[1], Qt::LeftButton);
        QTest::mouseClick(items->OptRise[1], Qt::LeftButton);
        QTest::mouseClick(items->OptRise[1], Qt::LeftButton); // stays chosen
        QVERIFY(!items->OptLen[0]->isChecked() && items->OptRise[1]->isChecked());
        QVERIFY(app().measure.TestA1[0] == 0); // nothing stored before OK
        QVERIFY(Screenshot(items, "frmTestItem.png"));
        QTest::mouseClick(items->CmdOk, Qt::LeftButton);
        QVERIFY(!items->isVisible());
        QCOMPARE((QList<int>{app().measure.TestA2[11], app().measure.TestLenMode,
                             app().measure.TestRise}),
                 (QList<int>{1, 1, 1}));

        // The box from the menu, measured at every poll while it shows; A1 rows in entry 23,
        // then A2 rows in entry 24; as high as its 24 rows.
        w->mnuMeasure->trigger();
        MeasureBoxWindow *box = w->measureBox();
        QVERIFY(box->isVisible() && w->mnuMeasure->isChecked() && app().display.MeasureOn == -1);
        int polls = 0, refreshed = 0;
        Subscription polled = Subscribe(Event::StatusPolled, [&polls] { ++polls; });
        const int id = frmMeasure().subscribe([&refreshed] { ++refreshed; });
        const auto unsubscribe = qScopeGuard([id] { frmMeasure().unsubscribe(id); });
        QVERIFY(run.start(QStringLiteral("Auto."), 3) && run.stop());
        QVERIFY(polls > 3 && refreshed == polls);
        QCOMPARE(box->frameGeometry().height(), Px(24 * 240 + 380));
        QTest::qWait(20); // painted
        const std::set<int> a1 = RowsWithColor(box->grab().toImage(), app().colors[ColA1]);
        const std::set<int> a2 = RowsWithColor(box->grab().toImage(), app().colors[ColA2]);
        QVERIFY(!a1.empty() && !a2.empty() && *a1.rbegin() < Px(12 * 240));
        QVERIFY(*a2.begin() >= Px(12 * 240) && *a2.rbegin() < Px(24 * 240));
        QVERIFY(Screenshot(box, "frmMeasure.png"));

        // The rows follow the items, A1's before A2's. A 1 kHz square of 2 V peak (A1) and a
        // 10 kHz sine of 1 V peak (A2), both through 10:1 probes, read from the signals alone:
        // peak-to-peak within 2.5 codes (gains calibrated to within 1 %, an extreme sample may
        // miss the peak), the frequency within a sample of the period. The item values
        // themselves are the core's measurement tests' business.
        const auto &rows = frmMeasure().rows();
        for (int i = 0; i < 24; ++i)
            QCOMPARE(rows[size_t(i)].channel * 12 + rows[size_t(i)].item, i);
        for (const auto &[row, value, tolerance] :
             {std::tuple{3, 4.0, 0.1}, {11, 1e3, 2.0}, {15, 2.0, 0.05}, {23, 1e4, 200.0}})
            QVERIFY2(std::fabs(Reading(rows[size_t(row)].value) - value) <= tolerance,
                     qPrintable(frmMeasure().RowsText()[row]));

        // Nothing ticked: 380 twips. Closing clears the flag and the mark; applied settings
        // open the box again after the flag.
        w->mnuMeasureSetup->trigger();
        tickAll(false);
        QTest::mouseClick(items->CmdOk, Qt::LeftButton);
        QCOMPARE(box->frameGeometry().height(), Px(380));
        box->close();
        QVERIFY(!w->mnuMeasure->isChecked() && app().display.MeasureOn == 0);
        refreshed = 0;
        app().display.MeasureOn = -1;
        ApplySettings();
        QVERIFY(box->isVisible() && w->mnuMeasure->isChecked() && refreshed == 1);
    }
};

VRX_WINDOW_TEST_MAIN(MeasureBoxTest)
#include "measurebox_test.moc"
