// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement windows as a user meets them: "&Measure Box" under "&Window" with its check
// mark, the box measured at every poll while it shows and its height fitted to its rows, the
// chooser under "&Setup" > "&Measurements" with its check boxes, options and OK; screenshots
// of both. The values of the rows are the core suite's business.
#include <QCheckBox>
#include <QRadioButton>

#include "core/analysis/measure.h"
#include "core/base/format.h"
#include "core/settings/apply.h"
#include "gui_fixture.h"
#include "windows/analysis/measure_box.h"
#include "windows/analysis/measure_items.h"

using namespace vrx;
using namespace vrx::test;

namespace {

// Saves a window's picture as `name`.png in the screenshot folder.
void Screenshot(QWidget *w, const QString &name) {
    const QString dir = QStringLiteral(VRX_SCREENSHOT_DIR);
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(w->grab().toImage().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

// Height in pixels of `twips`.
int Px(int twips) {
    return RoundHalfEven(twips / double(MainWindow::kTwipsPerPixel));
}

} // namespace

class MeasureBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        UseTemporarySettings();
        qputenv("HWLINK_SIM_SIGNALS", "A1=square,1000,0.2,0;A2=sine,10000,0.1,0;NOISE=0");
    }

    void boxAndChooser() {
        ProgramRun run(QStringLiteral("usb"));
        MainWindow *w = run.w.get();
        Choose(run.view()->cmbRate, QStringLiteral("500KSa/S"));
        app().trigger.TrigLevel[1] = 203; // A2's zero line: its sine has pulses to measure
        QVERIFY(w->mnuWindow->menuAction()->isVisible());
        QCOMPARE(w->mnuSetup->title(), QStringLiteral("&Setup"));

        // The chooser: every item ticked for both channels through its boxes, the whole record,
        // 20 % - 80 %; OK stores the choice and closes it.
        w->mnuMeasureSetup->trigger();
        MeasureItemsWindow *items = w->measureItems();
        QVERIFY(items && items->isVisible());
        QCOMPARE(items->windowTitle(), QStringLiteral("Measure Item"));
        QVERIFY(items->CheckA1[3]->isChecked() && !items->CheckA1[0]->isChecked());
        for (auto *boxes : {&items->CheckA1, &items->CheckA2})
            for (QCheckBox *box : *boxes)
                if (!box->isChecked()) QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(items->OptLen[1], Qt::LeftButton);
        QTest::mouseClick(items->OptRise[1], Qt::LeftButton);
        QTest::mouseClick(items->OptRise[1], Qt::LeftButton); // stays chosen
        QVERIFY(!items->OptLen[0]->isChecked() && items->OptRise[1]->isChecked());
        QCOMPARE(app().measure.TestA1[0], int16_t{0}); // nothing stored before OK
        Screenshot(items, QStringLiteral("frmTestItem"));
        QTest::mouseClick(items->CmdOk, Qt::LeftButton);
        QVERIFY(!items->isVisible());
        QCOMPARE(app().measure.TestA1,
                 (std::array<int16_t, 13>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
        QCOMPARE((QList<int>{app().measure.TestLenMode, app().measure.TestRise}),
                 (QList<int>{1, 1}));

        // The box: opened from the menu, measured at every poll while it shows, A1 rows in
        // entry 23, then A2 rows in entry 24, as high as its 24 rows.
        QVERIFY(!w->mnuMeasure->isChecked());
        w->mnuMeasure->trigger();
        MeasureBoxWindow *box = w->measureBox();
        QVERIFY(box && box->isVisible() && w->mnuMeasure->isChecked());
        QCOMPARE(box->windowTitle(), QStringLiteral("Measurements"));
        QCOMPARE(app().display.MeasureOn, int16_t{-1});
        int polls = 0, refreshed = 0;
        Subscription polled = Subscribe(Event::StatusPolled, [&polls] { ++polls; });
        const int id = frmMeasure().subscribe([&refreshed] { ++refreshed; });
        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        QVERIFY(polls > 3);
        QCOMPARE(refreshed, polls);
        QVERIFY(run.stop());
        QCOMPARE(frmMeasure().rows().size(), size_t{24});
        QCOMPARE(box->frameGeometry().height(), Px(24 * 240 + 380));
        QTest::qWait(20); // painted
        const QImage shot = box->grab().toImage();
        const std::set<int> a1 = RowsWithColor(shot, app().colors[ColA1]);
        const std::set<int> a2 = RowsWithColor(shot, app().colors[ColA2]);
        QVERIFY(!a1.empty() && !a2.empty());
        QVERIFY(*a1.rbegin() < Px(12 * 240) && *a2.begin() >= Px(12 * 240));
        QVERIFY(*a2.rbegin() < Px(24 * 240));
        Screenshot(box, QStringLiteral("frmMeasure"));

        // Nothing ticked: the box shrinks to 380 twips and shows nothing.
        w->mnuMeasureSetup->trigger();
        for (auto *boxes : {&items->CheckA1, &items->CheckA2})
            for (QCheckBox *b : *boxes)
                if (b->isChecked()) QTest::mouseClick(b, Qt::LeftButton);
        QTest::mouseClick(items->CmdOk, Qt::LeftButton);
        QCOMPARE(box->frameGeometry().height(), Px(380));
        QTest::qWait(20);
        QVERIFY(RowsWithColor(box->grab().toImage(), app().colors[ColA1]).empty());

        // Closing the box clears the flag and the mark, and polls no longer measure.
        box->close();
        QVERIFY(!w->mnuMeasure->isChecked());
        QCOMPARE(app().display.MeasureOn, int16_t{0});
        polls = refreshed = 0;
        QVERIFY(run.start(QStringLiteral("Auto."), 2));
        QVERIFY(run.stop());
        QVERIFY(polls > 0);
        QCOMPARE(refreshed, 0);

        // Applied settings open or close the box after the flag.
        app().display.MeasureOn = -1;
        ApplySettings();
        QVERIFY(box->isVisible() && w->mnuMeasure->isChecked());
        QCOMPARE(refreshed, 1);
        app().display.MeasureOn = 0;
        ApplySettings();
        QVERIFY(!box->isVisible() && !w->mnuMeasure->isChecked());
        frmMeasure().unsubscribe(id);
    }
};

QTEST_MAIN(MeasureBoxTest)
#include "measurebox_test.moc"
