// SPDX-License-Identifier: GPL-3.0-or-later
// Autoset against the simulated instrument (USB 2.0, library on its virtual clock): the settings
// its rules select for a square, a flat line and a clipped input, and the orderly end when no
// record comes.
#include "core/acquisition/autoset.h"
#include "core/acquisition/loop.h"
#include "core/base/ui.h"
#include "core/fixture.h"

namespace vrx {
namespace {

class AutosetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("HWLINK_SIM_CLOCK", "virtual", 1);
        setenv("HWLINK_SIM_FAULT", ";", 1); // no fault left from an earlier test
        app().records.DevConfig.fill(0);
        test::ResetState();
        form1().InitPanel();
    }
    void TearDown() override {
        app().run.Running = 0;
        for (int i = 0; i < 100 && AcquisitionActive(); ++i)
            AcquisitionStep();
        AppState &s = app();
        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
        unsetenv("HWLINK_SIM_SIGNALS");
        setenv("HWLINK_SIM_FAULT", ";", 1);
        SetLoopClock({});
    }
    // The simulator with these input signals (the noise of the converters stays on).
    void Open(const char *inputs, bool configured = true) {
        setenv("HWLINK_SIM_SIGNALS", inputs, 1);
        test::OpenSimulator("usb", configured);
    }
    // The trigger channel's settings, in one list for readable failures.
    static test::Nums Settings(size_t ch = 0) {
        const AppState &s = app();
        return {s.channels.ProbeIndex[ch], s.channels.VdivIndex[ch], s.channels.ChanPos[ch],
                s.trigger.TrigLevel[ch],   s.acquisition.RateIndex,  s.acquisition.CaptureMode,
                s.view.BarPos[2],          s.trigger.TrigChannel};
    }
    // A fresh forced record with the current settings, measured: peak-to-peak and mid level.
    static std::pair<int32_t, int32_t> Measure() {
        AppState &s = app();
        EXPECT_TRUE(ArmInstrument());
        int polls = 0;
        do {
            ForceTrigger(s.records.PortState.data(), s.records.DevConfig.data());
        } while (ReadTrigStat() != HW_STAT_COMPLETE && ++polls < 5000);
        std::array<int32_t, 13> r{};
        TestAd(s.records.SampleBuf.data() + HW_SB_A1, 0, s.channels.ChanPos[0],
               s.trigger.TrigLevel[0], r.data(), 600);
        return {r[3], r[12]};
    }
};

// 1 kHz square of 1 V peak-to-peak on A1, the logic trigger selected. The vertical search starts
// at 2 V/div (index 8) with 25 codes a division: 8 -> 0.5 div = 12.5 codes, 7 (1 V/div) -> 25
// codes, 6 (0.5 V/div) -> 50 codes, which the converters' noise (a few tenths of a code, over
// hundreds of samples at each level) lifts above the 50 that the search asks for: it stops at 6.
// The rate search then wants a period under 250 samples: 200 KSa/s (index 16) gives 200 samples
// a period, every faster rate (500 KSa/s: 500) none. The toolbar then restarts acquisition.
TEST_F(AutosetTest, SquareSettlesCentredAndAcquisitionRestarts) {
    Open("A1=square,1000,0.5,0");
    AppState &s = app();
    s.trigger.TrigChannel = TrigLogic;
    const AutosetResult r = AutosetClick();
    EXPECT_EQ(r.outcome, AutosetOutcome::Done);
    EXPECT_TRUE(r.message.isEmpty());
    EXPECT_EQ((test::Nums{r.channel, s.trigger.TrigChannel, r.VdivIndex, r.RateIndex}),
              (test::Nums{0, 0, 6, 16}));
    // The controls show the new settings, and a fresh acquisition runs with them.
    EXPECT_EQ(form1().cmbVdiv.index(), 6);
    EXPECT_EQ(form1().cmbRate.index(), 16);
    EXPECT_TRUE(AcquisitionActive());
    EXPECT_EQ(s.run.Running, 1);
    EXPECT_TRUE(acquisitionControls().Button(1).pressed());
    EXPECT_FALSE(acquisitionControls().Button(9).pressed());
    // Centred: a new record's middle lies on code 128, and so does the trigger level.
    const auto [pp, mid] = Measure();
    EXPECT_GT(pp, 50);
    EXPECT_NEAR(mid, 128, 3);
    EXPECT_NEAR(s.trigger.TrigLevel[0], 128, 3);
}

// A flat line (A2, open) never fills the band nor shows a period: both searches run to their
// ends (20 mv, 10 KSa/s), the level at 0 V on the centred trace. 30 V on A1 is 15 divisions
// above the centre at 2 V/div: the converter sits at its top rail from the first trial, so the
// vertical search stops there with the trace moved down towards the centre, and only the final
// measurement and the 15 rates follow.
TEST_F(AutosetTest, FlatLineRunsToTheEndsClippedStopsAtOnce) {
    Open("A1=dc,0,0,30;A2=none");
    app().trigger.TrigChannel = TrigA2;
    AutosetResult r = Autoset0();
    EXPECT_EQ((test::Nums{int(r.outcome), r.channel, r.VdivIndex, r.RateIndex, r.trials}),
              (test::Nums{int(AutosetOutcome::Done), 1, 2, 20, 7 + 1 + 15}));
    EXPECT_NEAR(r.TrigLevel, 128, 3);

    app().trigger.TrigChannel = TrigA1;
    r = Autoset0();
    EXPECT_EQ((test::Nums{int(r.outcome), r.channel, r.VdivIndex, r.RateIndex, r.trials}),
              (test::Nums{int(AutosetOutcome::Done), 0, 8, 20, 1 + 1 + 15}));
    EXPECT_GT(r.ChanPos, 128);
    EXPECT_LT(r.TrigLevel, 5);
}

// No record: an instrument that goes away after three records, and one slower than the bound
// (the loop clock runs 100 ms a poll, a 2K record at 50 KSa/s needs some 41 polls), end Autoset
// with the message and every setting as it was; an instrument whose configuration never
// completes is not autoset at all, and the status says why.
TEST_F(AutosetTest, NoRecordEndsWithMessageAndOldSettings) {
    struct Case {
        const char *fault;
        int64_t msPerPoll;
        AutosetOutcome outcome;
        QString text;
    };
    for (const Case &c : {Case{"gone@3", 0, AutosetOutcome::InstrumentLost, kAutosetLostText},
                          Case{";", 100, AutosetOutcome::NoRecord, kAutosetNoRecordText}}) {
        SCOPED_TRACE(c.fault);
        setenv("HWLINK_SIM_FAULT", c.fault, 1);
        Open("A1=square,1000,0.5,0");
        int64_t now = 0;
        if (c.msPerPoll) SetLoopClock([&] { return now += c.msPerPoll; });
        AppState &s = app();
        s.trigger.TrigLevel[0] = 140;
        s.view.BarPos[2] = 1000;
        const test::Nums before = Settings();
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        const AutosetResult r = Autoset0();
        SetLoopClock({});
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_LE(r.trials, 4);
        EXPECT_EQ(Settings(), before);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.text);
        EXPECT_EQ(boxes.boxes[0].caption, kAutosetCaption);
        TearDown();
        SetUp();
    }

    setenv("HWLINK_SIM_FAULT", "neverdone", 1);
    Open("A1=square,1000,0.5,0", false);
    const test::Nums before = Settings();
    EXPECT_EQ(AutosetClick().outcome, AutosetOutcome::NotConfigured);
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(acquisitionControls().LabelStat[0].text(), kNotConfiguredText);
    EXPECT_FALSE(AcquisitionActive());
}

} // namespace
} // namespace vrx
