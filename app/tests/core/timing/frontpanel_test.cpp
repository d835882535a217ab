// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include "core/fixture.h"

namespace vrx::test {
namespace {

using FrontPanel = PanelTest;

// The rate list, each row after the one before: an equivalent-time rate needs an instrument and
// an analog trigger, else the list falls back to the fastest real-time rate; a repetitive record
// clears and switches off the logic lanes, which otherwise follow the colour dialog's switch; the
// external clock keeps the rate and has no time readouts. Every choice re-arms.
TEST_F(FrontPanel, RateList) {
    struct Case {
        uint8_t link;
        int16_t trigger, logicSwitch;
        int index;
        const char *text, *label, *hdiv, *v1;
        int64_t picked, rate, logic;
    };
    const uint8_t usb = HW_LINK_USB, none = HW_LINK_NONE;
    const Case cases[] = {
        {usb, TrigA1, 1, 5, "500MSa/S", "&Rep.", "100 ns", "900 ns", 5, 500, 0},
        {usb, TrigA1, 1, 8, "100MSa/S", "&Rate", "500 ns", "4.5us", 8, 100, 1},
        {usb, TrigA1, 1, 33, "External.Rise", "&Rate", "", "", 33, 100, 1},
        {none, TrigA1, 1, 4, "250MSa/S", "&Rate", "200 ns", "1.8us", 6, 250, 1},
        {none, TrigA1, 0, 0, "250MSa/S", "&Rate", "200 ns", "1.8us", 6, 250, 0},
        {usb, TrigLogic, 1, 5, "250MSa/S", "&Rate", "200 ns", "1.8us", 6, 250, 1},
    };
    const QImage &lanes = pictures().Picture1;
    s.display.Dispunit = 0; // time readouts
    for (const Case &c : cases) {
        s.records.DevConfig[HW_DC_Link] = c.link;
        s.trigger.TrigChannel = c.trigger;
        s.display.DisplayCheck[DispLogic] = c.logicSwitch;
        pictures().Picture1.fill(0xFFFFFFFFu);
        s.run.ParamChanged = 0;
        p.cmbRate.setIndex(c.index);
        const bool rep = c.picked < kFirstRealTimeRate;
        EXPECT_EQ(
            (Texts{p.cmbRate.text(), p.lbRate.text(), p.lbHdiv[0].text(), p.lbVbar[0].text()}),
            (Texts{c.text, c.label, c.hdiv, c.v1}));
        EXPECT_EQ((Nums{s.acquisition.RateIndex, std::lround(s.acquisition.SampleRate),
                        s.channels.ChanOn[DispLogic], s.run.ParamChanged, p.lbRate.foreColor(),
                        CountColor(lanes, s.colors[ColBackground])}),
                  (Nums{c.picked, c.rate, c.logic, 1,
                        rep ? p.ImgCenter.backColor() : p.lbProbe.foreColor(),
                        rep ? lanes.width() * lanes.height() : 0}))
            << c.index;
    }
    // The stepper walks the list and stops at its end.
    p.cmbRate.setIndex(33);
    Texts steps;
    for (int step : {-1, -1, 1}) {
        p.scrlRate.setValue(step);
        steps << p.cmbRate.text();
    }
    EXPECT_EQ(steps, (Texts{"External.Fall", "External.Fall", "External.Rise"}));
}

TEST_F(FrontPanel, ZoomIsLimitedByDepth) {
    // Per depth: the zoom text, the record length, the samples per pixel and the overview's width
    // of the 600 pixels in 512 for the record.
    Texts deepest;
    for (int depth : {0, 1, 2}) {
        p.cmbDepth.setIndex(depth);
        p.cmbZoom.setIndex(15); // "/2000"
        deepest << QStringLiteral("%1 %2 %3 %4")
                       .arg(p.cmbZoom.text())
                       .arg(s.acquisition.RecordLen)
                       .arg(s.view.TimeZoom[0])
                       .arg(pictures().ImgUpscrWidth);
    }
    EXPECT_EQ(deepest, (Texts{"/2 2048 2 300", "/5 8192 5 188", "/100 131072 100 234"}));

    // Back to 2K: the zoom, the bars and the screen clamp to the record, the screen to
    // 2047 - 600 * 2.
    s.view.BarPos[0] = 5000;
    p.cmbDepth.setIndex(0);
    EXPECT_EQ((Nums{p.cmbZoom.index(), s.acquisition.ZoomIndex, s.acquisition.LastSample,
                    s.view.BarPos[0], p.ScrollVbar[0].value(), p.ScrollVbar[0].max(),
                    s.screen.ScrollMax, p.Scrollscr.max(), s.view.ScrollPos}),
              (Nums{6, 6, 2047, 2047, 2047, 2047, 847, 847, 847}));
    // The stepper cannot pass the limit either.
    p.scrlZoom.setValue(-1);
    EXPECT_EQ((Nums{p.cmbZoom.index(), p.scrlZoom.value()}), (Nums{6, 0}));
    p.scrlZoom.setValue(1);
    EXPECT_EQ(p.cmbZoom.text(), "x1");
    // Down to x50 and no further.
    p.cmbZoom.setIndex(1);
    p.scrlZoom.setValue(1);
    const QString finest = p.cmbZoom.text();
    p.scrlZoom.setValue(1);
    EXPECT_EQ((Texts{finest, p.cmbZoom.text()}), (Texts{"x50", "x50"}));
}

// A zoom keeps the screen's centre in place, or the bar last moved when it is on screen; the
// record-length rule that runs after each step does not count as moving the other bars, and a
// later resize or depth change does not move the screen again.
TEST_F(FrontPanel, ZoomKeepsTheScreenCentreOrTheBarLastMoved) {
    p.cmbDepth.setIndex(2);
    p.Scrollscr.setValue(1000);
    p.cmbZoom.setIndex(6); // x1 -> /2 around pixel 300
    p.ZoomPara();
    ApplyDepth();
    EXPECT_EQ(s.view.ScrollPos, 700);

    p.cmbZoom.setIndex(5);
    p.Scrollscr.setValue(10000);
    p.ScrollVbar[0].setValue(10200); // V1 at pixel 200
    Nums pixels;
    for (int step = 0; step < 3; ++step) {
        p.scrlZoom.setValue(-1); // /2, /5, /10
        pixels.push_back(std::lround((s.view.BarPos[0] - s.view.ScrollPos) / s.view.TimeZoom[0]));
    }
    EXPECT_EQ(pixels, (Nums{200, 200, 200}));
    EXPECT_EQ((Nums{s.view.ActiveBar[0], s.acquisition.ZoomIndex, p.Scrollscr.value()}),
              (Nums{0, 8, s.view.ScrollPos}));
}

// The trigger level is a code on the trace: it moves with its channel's position, clamped to the
// codes, and keeps its voltage when the channel's scale changes; another channel's position or
// scale leaves it alone, and a position that does not move it does not re-arm.
TEST_F(FrontPanel, TriggerLevelFollowsPositionAndScale) {
    s.trigger.TrigLevel[0] = 100;
    p.ScrollOffset.setValue(188); // +10; (128 - 188) codes at 40 mV
    EXPECT_EQ((Nums{s.trigger.TrigLevel[0], p.ScrollLevel.value()}), (Nums{110, 110}));
    EXPECT_EQ(p.LabelOffset.text(), "-2.4 V");
    p.cmbProbe.setIndex(0);           // 1:1
    p.cmbVdiv.setIndex(4);            // "100mV"
    p.ScrollLevel.setValue(188 - 50); // 50 codes above the position
    p.cmbVdiv.setIndex(5);            // "200mV"
    EXPECT_EQ((Nums{s.trigger.TrigLevel[0], p.ScrollLevel.value()}), (Nums{188 - 25, 188 - 25}));
    EXPECT_EQ((Texts{p.lbLevel.text(), s.channels.VdivText[ChA1]}), (Texts{"200.mV", "200mV"}));
    s.trigger.TrigLevel[0] = 250;
    p.ScrollOffset.setValue(198);
    EXPECT_EQ(s.trigger.TrigLevel[0], 255);

    p.lbTab_Click(ChA2);
    const Nums levels{s.trigger.TrigLevel[0], s.trigger.TrigLevel[1]};
    p.cmbVdiv.setIndex(2);
    s.run.ParamChanged = 0;
    p.ScrollOffset.setValue(s.channels.ChanPos[ChA2] + 10);
    EXPECT_EQ((Nums{s.trigger.TrigLevel[0], s.trigger.TrigLevel[1], s.run.ParamChanged}),
              (Nums{levels[0], levels[1], 0}));
}

// The probe sets the volts-per-division texts and scales; the stepper walks the list and stops
// at its ends.
TEST_F(FrontPanel, ProbeRebuildsTheVoltsPerDivisionList) {
    p.cmbProbe.setIndex(1);
    const QString first = p.cmbVdiv.items().first();
    const double finest = s.channels.VdivScale[0];
    p.cmbProbe.setIndex(3); // the probe handler reselects the channel's entry (4)
    EXPECT_EQ((Texts{first, p.cmbVdiv.items().last(), p.cmbVdiv.text()}),
              (Texts{"50mV", "2000V", "100V"}));
    EXPECT_EQ((std::vector{finest, s.channels.VdivScale[8], s.channels.ChanScale[ChA1]}),
              (std::vector{2.0, 80000.0, 4000.0}));
    // Up from one below the top, then down from one above the bottom.
    Nums steps;
    for (const auto &[from, v] : {std::pair{7, 1}, {8, 1}, {8, -1}, {1, -1}, {0, -1}}) {
        p.cmbVdiv.setIndex(from);
        p.ScrlVdiv.setValue(v);
        steps.push_back(p.cmbVdiv.index());
    }
    EXPECT_TRUE(steps == (Nums{8, 8, 7, 0, 0}) && p.ScrlVdiv.value() == 0);
    s.channels.ProbeIndex[ChA1] = 9;
    p.Vdivchange(ChA1);
    EXPECT_EQ(p.cmbVdiv.count(), 0);
}

// A list that changes what the instrument records marks the settings for the re-arm and
// restarts the frequency counter's averages.
TEST_F(FrontPanel, ListHandlersThatReArm) {
    const std::tuple<ListModel &, int, const uint8_t &> cases[] = {
        {p.cmbCouple, 1, s.channels.Coupling[ChA1]},  {p.cmbSlope, 1, s.trigger.TrigSlope[0]},
        {p.cmbCapture, 0, s.acquisition.CaptureMode}, {p.cmbVdiv, 3, s.channels.VdivIndex[ChA1]},
        {p.cmbDepth, 1, s.acquisition.DepthIndex},    {p.cmbRate, 9, s.acquisition.RateIndex}};
    for (const auto &[list, index, field] : cases) {
        s.run.ParamChanged = 0;
        s.run.CounterState[2] = s.run.CounterState[3] = 5;
        s.run.MeasOut[15] = s.run.MeasOut[18] = 9;
        list.setIndex(index);
        EXPECT_EQ((Nums{s.run.ParamChanged, s.run.CounterState[2], s.run.CounterState[3],
                        s.run.MeasOut[15], s.run.MeasOut[18], field}),
                  (Nums{1, 0, 0, 0, 0, index}))
            << list.text().toStdString();
    }
}

TEST_F(FrontPanel, LogicTriggerSource) {
    p.cmbTrigCh.setIndex(TrigLogic); // the level: (128 - 98) * 50 mV
    EXPECT_EQ((Texts{p.cmbSlope.items().join(','), p.lbLevel.text()}),
              (Texts{"True,False", "1.5 V"}));
    EXPECT_EQ((Nums{p.cmbSlope.index(), p.ScrollLevel.value(), p.ScrollLevel.backColor(),
                    p.ScrollLevel.foreColor()}),
              (Nums{s.trigger.TrigSlope[2], 98, s.colors[ColD0], Complement(s.colors[ColD0])}));
    p.ScrollLevel.setValue(90);
    EXPECT_EQ((Nums{s.trigger.TrigDac, s.trigger.TrigLevel[0]}), (Nums{90, 128}));
    s.records.DevConfig[HW_DC_Variant] = 2; // (195 - 90) * 30 mV
    p.DisLevel(2);
    const QString variant2 = p.lbLevel.text();
    p.DisLevel(7);
    EXPECT_EQ((Texts{variant2, p.lbLevel.text()}), (Texts{"3.15 V", "3.15 V"}));

    p.cmbTrigCh.setIndex(TrigA2);
    EXPECT_EQ(p.cmbSlope.text(), "Falling");
    EXPECT_EQ((Nums{p.cmbTrigCh.foreColor(), p.ScrollLevel.value()}), (Nums{s.colors[ColA2], 153}));
}

TEST_F(FrontPanel, ChannelTabs) {
    // A hidden channel's tab only refreshes the looks.
    p.lbTab_Click(ChM1);
    EXPECT_EQ((Nums{s.channels.SelChannel, p.lbTab[ChM1].enabled(), p.lbTab[ChM1].foreColor(),
                    p.lbTab[ChA1].effect()}),
              (Nums{ChA1, false, kSysGrayText, EffectRaised}));
    // A memory channel is a copy: its scale and position are not controls.
    s.channels.ChanOn[ChM1] = 1;
    p.lbTab_Click(ChM1);
    EXPECT_EQ((Nums{s.channels.SelChannel, p.lbTab[ChM1].effect(), p.lbTab[ChM1].foreColor(),
                    p.ScrollOffset.value(),
                    p.cmbProbe.enabled() || p.cmbVdiv.enabled() || p.cmbCouple.enabled() ||
                        p.ScrollOffset.enabled()}),
              (Nums{ChM1, EffectSunken, s.colors[ColM1], 128, false}));

    p.lbTab_Click(ChA2); // its lists' texts: the main window test's round trip
    EXPECT_EQ((Nums{p.cmbProbe.enabled(), p.ScrollOffset.backColor(), p.ScrollOffset.foreColor(),
                    p.lbTab[ChM1].effect()}),
              (Nums{true, s.colors[ColA2], Complement(s.colors[ColA2]), EffectRaised}));
    p.lbTab_Click(5); // no such tab
    EXPECT_EQ(s.channels.SelChannel, ChA2);
}

TEST_F(FrontPanel, DepthChangeStopsASoftwareCatch) {
    s.display.CatchEnabled = -1;
    p.cmbRate.setIndex(27); // 50Sa/S
    s.run.Running = 1;
    p.cmbDepth.setIndex(1);
    const int16_t caught = s.run.Running;
    s.run.Running = 1;
    p.cmbRate.setIndex(26); // below the catch limit: acquisition goes on
    p.cmbDepth.setIndex(0);
    EXPECT_EQ((Nums{caught, s.run.Running}), (Nums{0, 1}));
}

} // namespace
} // namespace vrx::test
