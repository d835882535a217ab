// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include "core/fixture.h"

using namespace vrx;

namespace {

using test::Nums;
using test::Texts;

class FrontPanel : public test::PanelTest {};

TEST_F(FrontPanel, AppliedDefaultsReachTheControls) {
    const AppState &s = app();
    // The level: (178 - 128) codes at 40 mV.
    EXPECT_EQ((Texts{p.cmbRate.text(), p.cmbZoom.text(), p.cmbCapture.text(), p.cmbTrigCh.text(),
                     p.cmbSlope.text(), p.cmbProbe.text(), p.cmbVdiv.text(), p.lbHdiv[0].text(),
                     p.lbLevel.text(), p.LabelOffset.text()}),
              (Texts{"100MSa/S", "x1", "Auto.", ".A1", "Rising", "10:1", "1V", "500 ns", "2. V",
                     "-2. V"}));
    EXPECT_DOUBLE_EQ(s.acquisition.SamplePeriod, 10.0);
    EXPECT_EQ((Nums{s.channels.SelChannel, p.ScrollOffset.value(), p.ScrollLevel.value(),
                    p.ScrollVbar[0].max()}),
              (Nums{ChA1, 178, 128, 2047}));
}

TEST_F(FrontPanel, EquivalentTimeFallsBackWithoutInstrument) {
    AppState &s = app();
    s.records.DevConfig[HW_DC_Link] = HW_LINK_NONE; // demo mode
    p.cmbRate.setIndex(4);                          // "1GSa/S"
    EXPECT_EQ((Texts{p.cmbRate.text(), p.lbRate.text()}), (Texts{"250MSa/S", "&Rate"}));
    EXPECT_EQ((Nums{p.cmbRate.index(), s.acquisition.RateIndex, s.channels.ChanOn[DispLogic],
                    s.run.ParamChanged}),
              (Nums{6, 6, 1, 1}));
    EXPECT_DOUBLE_EQ(s.acquisition.SamplePeriod, 4.0);
    EXPECT_DOUBLE_EQ(s.acquisition.SampleRate, 250.0);

    // The logic display follows the colour dialog's switch.
    app().display.DisplayCheck[DispLogic] = 0;
    p.cmbRate.setIndex(0);
    EXPECT_EQ((Nums{s.acquisition.RateIndex, s.channels.ChanOn[DispLogic]}), (Nums{6, 0}));

    // A logic trigger falls back too, also with an instrument.
    s.records.DevConfig[HW_DC_Link] = HW_LINK_USB;
    p.cmbTrigCh.setIndex(2);
    p.cmbRate.setIndex(5);
    EXPECT_EQ(s.acquisition.RateIndex, 6);
}

TEST_F(FrontPanel, RepetitiveRateSwitchesTheLogicDisplayOff) {
    AppState &s = app();
    pictures().Picture1.fill(0xFFFFFFFFu);
    p.cmbRate.setIndex(5); // "500MSa/S" with an instrument and an analog trigger
    EXPECT_EQ((Nums{s.acquisition.RateIndex, s.channels.ChanOn[DispLogic]}), (Nums{5, 0}));
    EXPECT_EQ(p.lbRate.text(), "&Rep.");
    EXPECT_EQ(p.lbRate.foreColor(), p.ImgCenter.backColor());
    const QImage &logic = pictures().Picture1;
    for (int y = 0; y < logic.height(); y += 7)
        for (int x = 0; x < logic.width(); x += 5)
            ASSERT_EQ(logic.pixel(x, y), ToQRgb(s.colors.Colors[0])) << x << "," << y;
    EXPECT_EQ(p.lbHdiv[0].text(), "100 ns");

    p.cmbRate.setIndex(8);
    EXPECT_EQ(p.lbRate.text(), "&Rate");
    EXPECT_EQ(p.lbRate.foreColor(), p.lbProbe.foreColor());
    EXPECT_EQ(s.channels.ChanOn[DispLogic], 1);
}

TEST_F(FrontPanel, ZoomIsLimitedByDepth) {
    AppState &s = app();
    p.cmbZoom.setIndex(9); // "/20" at 2K
    EXPECT_EQ(s.acquisition.ZoomIndex, 6);
    EXPECT_EQ(p.cmbZoom.text(), "/2");
    p.cmbDepth.setIndex(1);
    p.cmbZoom.setIndex(9);
    EXPECT_EQ(p.cmbZoom.text(), "/5");
    EXPECT_EQ(s.acquisition.RecordLen, 8192);

    p.cmbDepth.setIndex(2);
    p.cmbZoom.setIndex(11);
    EXPECT_EQ(p.cmbZoom.text(), "/100");
    EXPECT_DOUBLE_EQ(s.view.TimeZoom[0], 100.0);
    EXPECT_EQ(s.acquisition.LastSample, 131071);
    s.view.BarPos[0] = 5000;
    p.cmbDepth.setIndex(0);
    EXPECT_EQ(p.cmbZoom.text(), "/2");
    // The bars clamp to the record, the screen to 2047 - 600 * 2.
    EXPECT_EQ((Nums{s.acquisition.ZoomIndex, s.acquisition.LastSample, s.view.BarPos[0],
                    p.ScrollVbar[0].value(), p.ScrollVbar[0].max(), s.screen.ScrollMax,
                    p.Scrollscr.max()}),
              (Nums{6, 2047, 2047, 2047, 2047, 847, 847}));
    EXPECT_LE(s.view.ScrollPos, s.screen.ScrollMax);

    // The stepper cannot pass the limit either.
    p.scrlZoom.setValue(-1);
    EXPECT_EQ((Nums{p.cmbZoom.index(), p.scrlZoom.value()}), (Nums{6, 0}));
    p.scrlZoom.setValue(1);
    EXPECT_EQ(p.cmbZoom.text(), "x1");
}

TEST_F(FrontPanel, ZoomKeepsTheScreenCentreOrTheActiveBar) {
    AppState &s = app();
    p.cmbDepth.setIndex(2);
    p.Scrollscr.setValue(1000);
    s.view.ActiveBar = {3, 3};
    p.cmbZoom.setIndex(6); // x1 -> /2 around pixel 300
    EXPECT_EQ(s.view.ScrollPos, 700);
    // A later resize or depth change does not move the screen again.
    p.ZoomPara();
    ApplyDepth();
    EXPECT_EQ(s.view.ScrollPos, 700);

    p.cmbZoom.setIndex(5);
    s.view.ActiveBar = {0, 0};
    p.Scrollscr.setValue(1000);
    p.ScrollVbar[0].setValue(1200); // V1 at pixel 200
    p.cmbZoom.setIndex(6);
    // V1 stays at pixel (1200 - 800) / 2 = 200; the overview shows 600 pixels of 2 samples of
    // 131072 on 512 pixels.
    EXPECT_EQ((Nums{s.view.ScrollPos, p.Scrollscr.value(), pictures().ImgUpscrWidth}),
              (Nums{800, 800, 5}));
}

// With the zoom following the bar last moved, V1 stays at its pixel through several zoom steps:
// the record-length rule that runs after each step does not count as moving the other bars.
TEST_F(FrontPanel, ZoomStepsKeepTheBarLastMoved) {
    AppState &s = app();
    p.cmbDepth.setIndex(2);
    p.Scrollscr.setValue(10000);
    p.ScrollVbar[0].setValue(10200);
    Nums pixels;
    for (int step = 0; step < 3; ++step) {
        pixels.push_back(std::lround((s.view.BarPos[0] - s.view.ScrollPos) / s.view.TimeZoom[0]));
        p.scrlZoom.setValue(-1);
    }
    EXPECT_EQ(pixels, (Nums{200, 200, 200}));
    EXPECT_EQ((Nums{s.view.ActiveBar[0], s.acquisition.ZoomIndex}), (Nums{0, 8}));
}

TEST_F(FrontPanel, ExternalClockKeepsThePeriodAndEmptiesReadouts) {
    AppState &s = app();
    s.display.Dispunit = 0; // time readouts
    p.cmbRate.setIndex(33);
    EXPECT_EQ(s.acquisition.RateIndex, 33);
    EXPECT_DOUBLE_EQ(s.acquisition.SamplePeriod, 10.0);
    EXPECT_DOUBLE_EQ(s.acquisition.SampleRate, 100.0);
    EXPECT_EQ((Texts{p.cmbRate.text(), p.lbHdiv[0].text(), p.lbHdiv[1].text(), p.lbVbar[0].text(),
                     p.lbRate.text()}),
              (Texts{"External.Rise", "", "", "", "&Rate"}));
    p.scrlRate.setValue(-1);
    EXPECT_EQ(p.cmbRate.text(), "External.Fall");
    p.scrlRate.setValue(-1); // the end of the list
    EXPECT_EQ(p.cmbRate.index(), 34);
}

TEST_F(FrontPanel, VoltsPerDivisionKeepsTheLevelVoltage) {
    AppState &s = app();
    p.cmbProbe.setIndex(0); // 1:1
    p.cmbVdiv.setIndex(4);  // "100mV"
    EXPECT_DOUBLE_EQ(s.channels.ChanScale[ChA1], 4.0);
    p.ScrollLevel.setValue(s.channels.ChanPos[ChA1] - 50); // 50 codes above the position
    s.run.ParamChanged = 0;
    p.cmbVdiv.setIndex(5); // "200mV"
    EXPECT_EQ((Nums{s.trigger.TrigLevel[0], p.ScrollLevel.value(), s.run.ParamChanged}),
              (Nums{s.channels.ChanPos[ChA1] - 25, s.channels.ChanPos[ChA1] - 25, 1}));
    EXPECT_EQ((Texts{p.lbLevel.text(), s.channels.VdivText[ChA1]}), (Texts{"200.mV", "200mV"}));

    // Another channel's scale leaves the trigger level alone.
    p.lbTab_Click(ChA2);
    const uint8_t a2Level = s.trigger.TrigLevel[1];
    p.cmbVdiv.setIndex(2);
    EXPECT_EQ((Nums{s.trigger.TrigLevel[0], s.trigger.TrigLevel[1]}),
              (Nums{s.channels.ChanPos[ChA1] - 25, a2Level}));

    // The stepper walks the list and stops at its ends.
    p.cmbVdiv.setIndex(8);
    p.ScrlVdiv.setValue(1);
    EXPECT_EQ(p.cmbVdiv.index(), 8);
    p.ScrlVdiv.setValue(-1);
    EXPECT_EQ(p.cmbVdiv.index(), 7);
}

TEST_F(FrontPanel, ProbeRebuildsTheVoltsPerDivisionList) {
    AppState &s = app();
    p.cmbProbe.setIndex(1);
    EXPECT_EQ(p.cmbVdiv.items().first(), "50mV");
    EXPECT_DOUBLE_EQ(s.channels.VdivScale[0], 2.0);
    p.cmbProbe.setIndex(3);
    EXPECT_EQ(p.cmbVdiv.items().last(), "2000V");
    EXPECT_DOUBLE_EQ(s.channels.VdivScale[8], 80000.0);
    EXPECT_EQ(p.cmbVdiv.index(),
              s.channels.VdivIndex[ChA1]); // the probe handler reselects the entry
    EXPECT_DOUBLE_EQ(s.channels.ChanScale[ChA1], 4000.0);
    s.channels.ProbeIndex[ChA1] = 9;
    p.Vdivchange(ChA1);
    EXPECT_EQ(p.cmbVdiv.count(), 0);
}

TEST_F(FrontPanel, LevelFollowsThePosition) {
    AppState &s = app();
    s.trigger.TrigLevel[0] = 100;
    p.ScrollOffset.setValue(188); // +10
    EXPECT_EQ((Nums{s.channels.ChanPos[ChA1], s.trigger.TrigLevel[0], p.ScrollLevel.value()}),
              (Nums{188, 110, 110}));
    EXPECT_EQ(p.LabelOffset.text(), "-2.4 V"); // (128 - 188) codes at 40 mV

    s.trigger.TrigLevel[0] = 250;
    p.ScrollOffset.setValue(198);
    EXPECT_EQ(s.trigger.TrigLevel[0], 255);

    // Only the trigger channel carries the level along.
    p.lbTab_Click(ChA2);
    const uint8_t before = s.trigger.TrigLevel[1];
    p.ScrollOffset.setValue(s.channels.ChanPos[ChA2] + 10);
    EXPECT_EQ(s.trigger.TrigLevel[1], before);
}

TEST_F(FrontPanel, SettingsReachTheInstrumentOnlyThroughTheReArm) {
    AppState &s = app();
    auto dirty = [&s] {
        const bool set =
            s.run.ParamChanged == 1 && s.run.CounterState[2] == 0 && s.run.MeasOut[17] == 0;
        s.run.ParamChanged = 0;
        s.run.CounterState[2] = 5;
        s.run.MeasOut[17] = 9;
        return set;
    };
    dirty();
    p.cmbCouple.setIndex(1);
    EXPECT_TRUE(dirty());
    EXPECT_EQ(s.channels.Coupling[ChA1], 1);
    p.cmbSlope.setIndex(1);
    EXPECT_TRUE(dirty());
    EXPECT_EQ(s.trigger.TrigSlope[0], 1);
    p.cmbCapture.setIndex(0);
    EXPECT_TRUE(dirty());
    EXPECT_EQ(s.acquisition.CaptureMode, 0);
    p.cmbVdiv.setIndex(3);
    EXPECT_TRUE(dirty());
    // The position alone does not re-arm unless it moves the trigger level.
    p.lbTab_Click(ChA2);
    dirty();
    p.ScrollOffset.setValue(100);
    EXPECT_EQ(s.run.ParamChanged, 0);
}

TEST_F(FrontPanel, LogicTriggerSource) {
    AppState &s = app();
    p.cmbTrigCh.setIndex(2);
    EXPECT_EQ(p.cmbSlope.items(), (QStringList{"True", "False"}));
    EXPECT_EQ(p.lbLevel.text(), "1.5 V"); // (128 - 98) * 50 mV
    EXPECT_EQ(
        (Nums{p.cmbSlope.index(), p.ScrollLevel.value(), p.ScrollLevel.backColor(),
              p.ScrollLevel.foreColor()}),
        (Nums{s.trigger.TrigSlope[2], 98, s.colors.Colors[6], Complement(s.colors.Colors[6])}));
    p.ScrollLevel.setValue(90);
    EXPECT_EQ((Nums{s.trigger.TrigDac, s.trigger.TrigLevel[0]}), (Nums{90, 128}));
    s.records.DevConfig[HW_DC_Variant] = 2;
    p.DisLevel(2);
    const QString variant2 = p.lbLevel.text();
    p.DisLevel(7);
    EXPECT_EQ((Texts{variant2, p.lbLevel.text()}),
              (Texts{"3.15 V", "3.15 V"})); // (195 - 90) * 30 mV

    p.cmbTrigCh.setIndex(1);
    EXPECT_EQ(p.cmbSlope.text(), "Falling");
    EXPECT_EQ((Nums{p.cmbTrigCh.foreColor(), p.ScrollLevel.value()}),
              (Nums{s.colors.Colors[24], 153}));
}

TEST_F(FrontPanel, ChannelTabs) {
    AppState &s = app();
    // A hidden channel's tab only refreshes the looks.
    p.lbTab_Click(ChM1);
    EXPECT_EQ(s.channels.SelChannel, ChA1);
    EXPECT_FALSE(p.lbTab[ChM1].enabled());
    EXPECT_EQ(p.lbTab[ChM1].foreColor(), kSysGrayText);
    EXPECT_EQ(p.lbTab[ChA1].effect(), EffectRaised);

    s.channels.ChanOn[ChM1] = 1;
    p.lbTab_Click(ChM1);
    EXPECT_EQ((Nums{s.channels.SelChannel, p.lbTab[ChM1].effect(), p.lbTab[ChM1].foreColor(),
                    p.ScrollOffset.value()}),
              (Nums{ChM1, EffectSunken, s.colors.Colors[25], 128}));
    EXPECT_FALSE(p.cmbProbe.enabled() || p.cmbVdiv.enabled() || p.cmbCouple.enabled() ||
                 p.ScrollOffset.enabled());

    p.lbTab_Click(ChA2);
    EXPECT_TRUE(p.cmbProbe.enabled());
    EXPECT_EQ(p.cmbVdiv.text(), "2V");
    EXPECT_EQ(
        (Nums{p.ScrollOffset.backColor(), p.ScrollOffset.foreColor(), p.lbTab[ChM1].effect()}),
        (Nums{s.colors.Colors[24], Complement(s.colors.Colors[24]), EffectRaised}));
    p.lbTab_Click(5); // no such tab
    EXPECT_EQ(s.channels.SelChannel, ChA2);
}

TEST_F(FrontPanel, DepthChangeStopsASoftwareCatch) {
    AppState &s = app();
    s.display.CatchEnabled = -1;
    p.cmbRate.setIndex(27); // 50Sa/S
    s.run.Running = 1;
    p.cmbDepth.setIndex(1);
    EXPECT_EQ(s.run.Running, 0);
    s.run.Running = 1;
    p.cmbRate.setIndex(26); // below the catch limit: acquisition goes on
    p.cmbDepth.setIndex(0);
    EXPECT_EQ(s.run.Running, 1);
    s.run.Running = 0;
}

TEST_F(FrontPanel, WindowWidthSetsTheTraceWidth) {
    AppState &s = app();
    p.Picture2Left = 20;
    p.ScaleWidth = 822;
    p.ZoomPara();
    EXPECT_EQ((Nums{s.screen.ScreenSamples, s.screen.ScreenWidth[1], s.screen.ScrollMax}),
              (Nums{800, 800, 2047 - 800}));
    EXPECT_GE(pictures().picScope[1].width(), 801);
    p.ScaleWidth = 0;
    s.screen.ScreenSamples = 600;
    ResizePictures(600, s.display.LogicHeight, s.colors.Colors[0]);
}

} // namespace
