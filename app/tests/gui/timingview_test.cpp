// SPDX-License-Identifier: GPL-3.0-or-later
// The timing view driven through its widgets: rate, volts/div, zoom and depth lists, resizing,
// and the screenshots of the live picture.
#include <QImage>

#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

class TimingViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseTemporarySettings(); }

    // Equivalent-time rates need an instrument: in demo mode the list falls back.
    void equivalentTimeRateInDemoMode() {
        ProgramRun run{QString()};
        Choose(run.view()->cmbRate, QStringLiteral("1GSa/S"));
        QCOMPARE(run.view()->cmbRate->currentText(), QStringLiteral("250MSa/S"));
    }

    // A new volts/div on the trigger channel keeps the trigger at the same voltage; on another
    // channel it leaves the level alone.
    void vdivKeepsTriggerVoltage() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QStringList seen; // volts/div, level position, level readout
        auto note = [&] {
            seen << v->cmbVdiv->currentText() + " " + QString::number(v->ScrollLevel->value()) +
                        " " + v->lbLevel->text();
        };
        note();
        v->ScrlVdiv->triggerAction(QAbstractSlider::SliderSingleStepAdd); // one click on the arrow
        QCOMPARE(v->ScrlVdiv->value(), 0); // the stepper is back in its middle
        note();
        Choose(v->cmbVdiv, QStringLiteral("500mV"));
        note();
        QTest::mouseClick(v->lbTab[1], Qt::LeftButton); // A2 is not the trigger source
        Choose(v->cmbVdiv, QStringLiteral("5V"));
        note();
        // The level 50 codes above the A1 position 178, then 25 and 100.
        QCOMPARE(seen, QStringList({"1V 128 2. V", "2V 153 2. V", "500mV 78 2. V", "5V 78 2. V"}));
    }

    // The record length limits the zoom list, also when the depth shrinks under a deep zoom.
    void zoomLimitedByDepth() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QStringList zooms;
        Choose(v->cmbZoom, QStringLiteral("/20")); // at 2K
        zooms << v->cmbZoom->currentText();
        v->scrlZoom->triggerAction(QAbstractSlider::SliderSingleStepSub); // one entry further out
        zooms << v->cmbZoom->currentText();
        Choose(v->cmbDepth, QStringLiteral("128K"));
        for (const char *zoom : {"/100", "/200"}) {
            Choose(v->cmbZoom, QString::fromLatin1(zoom));
            zooms << v->cmbZoom->currentText();
        }
        Choose(v->cmbDepth, QStringLiteral("2K"));
        zooms << v->cmbZoom->currentText();
        QCOMPARE(zooms, QStringList({"/2", "/2", "/100", "/100", "/2"}));
        // The screen scroller stops where the last sample reaches the right edge.
        QCOMPARE(v->Scrollscr->maximum(), 2047 - app().ScreenSamples * 2);
    }

    // Resizing the window changes the trace width while records keep coming.
    void resizeFollowsTraceWidth() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QVERIFY(run.start(QStringLiteral("Normal")));
        for (int width : {1100, 700, 400, TimingView::DefaultSize().width()}) {
            v->resize(width, v->height());
            QVERIFY(WaitUntil([&] { return app().ScreenSamples == width - 250; }));
            QCOMPARE(
                (QList<int>{v->picScope[0]->width(), v->Picture1->width(), v->Scrollscr->width()}),
                QList<int>(3, width - 249));
            QVERIFY(run.waitRecords(2));
        }
        QVERIFY(run.stop());
    }

    // The live picture against the simulated instrument, saved for people to look at.
    void screenshotsShowLivePicture() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        // The default timebase shows a few periods of both of the simulator's default signals.
        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        const QStringList files = SaveScreenshots(*run.w, QStringLiteral(VRX_SCREENSHOT_DIR));
        QCOMPARE(files.size(), 2);
        for (const QString &f : files)
            QVERIFY(!QImage(f).isNull());

        // Right of the channel markers: the A1 square has its two levels far apart, the A2 sine
        // covers a band of rows.
        const QImage &scope = v->picScope[0]->image();
        const std::set<int> a1 = RowsWithColor(scope, app().Colors[23], 40);
        QVERIFY(a1.size() >= 2 && *a1.rbegin() - *a1.begin() > 40);
        QVERIFY(RowsWithColor(scope, app().Colors[24], 40).size() > 40);
        // Sixteen logic lanes, each in its own colour band; the fastest counter bit D0 changes
        // level on screen.
        const QImage &logic = v->Picture1->image();
        const int h = app().LogicHeight;
        QList<int> rows;
        for (int lane = 0; lane < 16; ++lane)
            rows << int(RowsWithColor(logic.copy(0, lane * h, logic.width(), h),
                                      app().Colors[static_cast<size_t>(6 + lane)])
                            .size());
        QVERIFY(rows[0] > 2 && !rows.contains(0));
        QVERIFY(run.stop());
    }
};

QTEST_MAIN(TimingViewTest)
#include "timingview_test.moc"
