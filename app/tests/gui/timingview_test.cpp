// SPDX-License-Identifier: GPL-3.0-or-later
// The timing view driven through its widgets: rate, volts/div, zoom and depth lists, resizing,
// and the screenshots of the live picture.
#include <set>

#include <QImage>
#include <QStandardPaths>

#include "core/pictures.h"
#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

namespace {

// Rows of a picture that hold at least one pixel of a colour-table colour.
std::set<int> RowsWithColor(const QImage &img, int32_t color, int x0 = 0, int x1 = -1) {
    std::set<int> rows;
    const QRgb c = ToQRgb(color);
    if (x1 < 0) x1 = img.width();
    for (int y = 0; y < img.height(); ++y)
        for (int x = x0; x < x1; ++x)
            if (img.pixel(x, y) == c) {
                rows.insert(y);
                break;
            }
    return rows;
}

} // namespace

class TimingViewTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }

    // Equivalent-time rates need an instrument and an analog trigger.
    void equivalentTimeRates() {
        {
            ProgramRun run{QString()}; // demo mode
            QCOMPARE(app().DevConfig[HW_DC_Link], uint8_t{HW_LINK_NONE});
            Choose(run.view()->cmbRate, QStringLiteral("1GSa/S"));
            QCOMPARE(run.view()->cmbRate->currentText(), QStringLiteral("250MSa/S"));
            QCOMPARE(app().RateIndex, uint8_t{6});
            QCOMPARE(run.view()->lbRate->text(), QStringLiteral("&Rate"));
            QCOMPARE(app().ChanOn[DispLogic], int16_t{1});
        }
        {
            ProgramRun run(QStringLiteral("usb"));
            Choose(run.view()->cmbRate, QStringLiteral("500MSa/S"));
            QCOMPARE(run.view()->cmbRate->currentText(), QStringLiteral("500MSa/S"));
            QCOMPARE(run.view()->lbRate->text(), QStringLiteral("&Rep."));
            QCOMPARE(app().ChanOn[DispLogic], int16_t{0});
            // No logic lanes at these rates: the logic picture is only background.
            const QImage &logic = run.view()->Picture1->image();
            QVERIFY(RowsWithColor(logic, app().Colors[0]).size() == size_t(logic.height()));
            for (int c = 6; c < 22; ++c)
                QVERIFY(RowsWithColor(logic, app().Colors[static_cast<size_t>(c)]).empty());
            // With a logic trigger the list falls back again.
            Choose(run.view()->cmbTrigCh, QStringLiteral(".LOGIC"));
            Choose(run.view()->cmbRate, QStringLiteral("2GSa/S"));
            QCOMPARE(run.view()->cmbRate->currentText(), QStringLiteral("250MSa/S"));
        }
    }

    // A new volts/div on the trigger channel keeps the trigger at the same voltage; on another
    // channel it leaves the level alone.
    void vdivKeepsTriggerVoltage() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QCOMPARE(v->cmbTrigCh->currentText(), QStringLiteral(".A1"));
        QCOMPARE(v->cmbVdiv->currentText(), QStringLiteral("1V"));
        QCOMPARE(v->ScrollLevel->value(), 128); // 50 codes above the A1 position 178
        const QString level = v->lbLevel->text();
        QVERIFY(!level.isEmpty());

        Step(v->ScrlVdiv, QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(v->cmbVdiv->currentText(), QStringLiteral("2V"));
        QCOMPARE(v->ScrlVdiv->value(), 0);      // the stepper is back in its middle
        QCOMPARE(v->ScrollLevel->value(), 153); // 25 codes above: half the distance
        QCOMPARE(v->lbLevel->text(), level);

        Choose(v->cmbVdiv, QStringLiteral("500mV"));
        QCOMPARE(v->ScrollLevel->value(), 78); // 100 codes above
        QCOMPARE(v->lbLevel->text(), level);

        // A2 is not the trigger source.
        QTest::mouseClick(v->lbTab[1], Qt::LeftButton);
        QCOMPARE(app().SelChannel, int16_t{1});
        Choose(v->cmbVdiv, QStringLiteral("5V"));
        QCOMPARE(v->ScrollLevel->value(), 78);
        QCOMPARE(v->lbLevel->text(), level);
    }

    // The record length limits the zoom list, also when the depth shrinks under a deep zoom.
    void zoomLimitedByDepth() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QCOMPARE(v->cmbDepth->currentText(), QStringLiteral("2K"));
        Choose(v->cmbZoom, QStringLiteral("/20"));
        QCOMPARE(v->cmbZoom->currentText(), QStringLiteral("/2"));
        Step(v->scrlZoom, QAbstractSlider::SliderSingleStepSub); // one entry further out
        QCOMPARE(v->cmbZoom->currentText(), QStringLiteral("/2"));

        Choose(v->cmbDepth, QStringLiteral("128K"));
        Choose(v->cmbZoom, QStringLiteral("/100"));
        QCOMPARE(v->cmbZoom->currentText(), QStringLiteral("/100"));
        Choose(v->cmbZoom, QStringLiteral("/200"));
        QCOMPARE(v->cmbZoom->currentText(), QStringLiteral("/100"));
        Choose(v->cmbDepth, QStringLiteral("2K"));
        QCOMPARE(v->cmbZoom->currentText(), QStringLiteral("/2"));
        QCOMPARE(app().RecordLen, 2048);
        // The screen scroller stops where the last sample reaches the right edge.
        QCOMPARE(v->Scrollscr->maximum(), 2047 - app().ScreenSamples * 2);
        QVERIFY(v->Scrollscr->value() <= v->Scrollscr->maximum());
    }

    // Resizing the window changes the trace width while records keep coming.
    void resizeFollowsTraceWidth() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        Choose(v->cmbCapture, QStringLiteral("Normal"));
        run.go()->trigger();
        QVERIFY(run.waitRecords(1));
        for (int width : {1100, 700, 400, TimingView::DefaultSize().width()}) {
            v->resize(width, v->height());
            QVERIFY(WaitUntil([&] { return app().ScreenSamples == width - 250; }));
            QCOMPARE(v->picScope[0]->width(), width - 250 + 1);
            QCOMPARE(v->Picture1->width(), width - 250 + 1);
            QCOMPARE(v->Scrollscr->width(), width - 250 + 1);
            QVERIFY(app().ScrollPos <= app().ScrollMax);
            QVERIFY(run.waitRecords(2));
        }
        QCOMPARE(app().ScreenSamples, int16_t{600});
        run.go()->trigger();
        QVERIFY(WaitUntil([] { return !AcquisitionActive(); }));
    }

    // The live picture against the simulated instrument, saved for people to look at.
    void screenshotsShowLivePicture() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        // The default timebase shows a few periods of both of the simulator's default signals.
        run.go()->trigger();
        QVERIFY(run.waitRecords(3));

        const QStringList files = SaveScreenshots(*run.w, QStringLiteral(VRX_SCREENSHOT_DIR));
        QCOMPARE(files.size(), 2);
        for (const QString &f : files)
            QVERIFY(!QImage(f).isNull());

        const QImage &scope = v->picScope[0]->image();
        // Traces right of the channel markers: the A1 square has its two levels far apart,
        // the A2 sine covers a band of rows.
        const std::set<int> a1 = RowsWithColor(scope, app().Colors[23], 40);
        const std::set<int> a2 = RowsWithColor(scope, app().Colors[24], 40);
        QVERIFY(a1.size() >= 2);
        QVERIFY(*a1.rbegin() - *a1.begin() > 40);
        QVERIFY(a2.size() > 40);
        // Sixteen logic lanes, each in its own colour band.
        const QImage &logic = v->Picture1->image();
        const int h = app().LogicHeight;
        int lanes = 0;
        for (int lane = 0; lane < 16; ++lane) {
            const QImage band = logic.copy(0, lane * h, logic.width(), h);
            if (!RowsWithColor(band, app().Colors[static_cast<size_t>(6 + lane)]).empty()) ++lanes;
        }
        QCOMPARE(lanes, 16);
        // The lanes follow the record: the fastest counter bit D0 changes level on screen.
        const QImage d0 = logic.copy(0, 0, logic.width(), h);
        QVERIFY(RowsWithColor(d0, app().Colors[6]).size() > 2);
        run.go()->trigger();
        QVERIFY(WaitUntil([] { return !AcquisitionActive(); }));
    }

  private:
    QTemporaryDir config_;
};

QTEST_MAIN(TimingViewTest)
#include "timingview_test.moc"
