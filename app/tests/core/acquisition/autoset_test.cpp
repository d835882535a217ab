// SPDX-License-Identifier: GPL-3.0-or-later
// Autoset against the simulated instrument (USB 2.0, library on its virtual clock): the settings
// its rules select, and the end when no record comes.
#include "core/acquisition/autoset.h"
#include "core/acquisition/loop.h"
#include "core/base/ui.h"
#include "core/fixture.h"

namespace vrx {
namespace {

class AutosetTest : public ::testing::Test {
  protected:
    void TearDown() override {
        app().run.Running = 0;
        while (AcquisitionStep()) {
        }
        PowerOff(app().records.PortState.data(), app().records.DevConfig.data());
        setenv("HWLINK_SIM_FAULT", ";", 1); // no fault for the next opening
        SetLoopClock({});
    }
    void Open(const char *inputs, const char *fault = ";", bool configured = true) {
        TearDown();
        setenv("HWLINK_SIM_CLOCK", "virtual", 1);
        setenv("HWLINK_SIM_SIGNALS", inputs, 1);
        setenv("HWLINK_SIM_FAULT", fault, 1);
        test::ResetState();
        form1().InitPanel();
        test::OpenSimulator("usb", configured);
    }
    static test::Nums Settings() {
        const AppState &s = app();
        return {s.channels.VdivIndex[0], s.channels.ChanPos[0], s.trigger.TrigLevel[0],
                s.acquisition.RateIndex, s.view.BarPos[2]};
    }
};

// Expected: channel, volts/div, rate, trials. At 25 codes a division a 1 V peak-to-peak square
// gives 12.5 codes at 2 V/div (index 8), 25 at 1 V/div, 50 at 0.5 V/div (6), which the
// converters' noise over hundreds of samples at each level lifts above the 50 the search asks
// for; 200 KSa/s (16) is the first rate with a period under 250 samples (200; 500 KSa/s: 500):
// 3 + 1 + 11 trials. With the logic trigger selected it works on A1. A flat line (A2, open)
// runs both searches to their ends (20 mv, 10 KSa/s): 7 + 1 + 15. 30 V on A1 is 15 divisions
// above the centre at 2 V/div: the top rail from the first trial stops the vertical search at
// once with the trace moved down: 1 + 1 + 15. The toolbar's Autoset shows the settings and
// acquires again; the new record lies centred with the level at its middle.
TEST_F(AutosetTest, SettingsTheRulesSelect) {
    struct Case {
        const char *inputs;
        int16_t trigger;
        test::Nums expected;
    };
    for (const Case &c : {Case{"A1=square,1000,0.5,0", TrigLogic, {0, 6, 16, 3 + 1 + 11}},
                          Case{"A2=none", TrigA2, {1, 2, 20, 7 + 1 + 15}},
                          Case{"A1=dc,0,0,30", TrigA1, {0, 8, 20, 1 + 1 + 15}}}) {
        SCOPED_TRACE(c.inputs);
        Open(c.inputs);
        AppState &s = app();
        s.trigger.TrigChannel = c.trigger;
        const AutosetResult r = AutosetClick();
        EXPECT_EQ((test::Nums{r.channel, r.VdivIndex, r.RateIndex, r.trials}), c.expected);
        EXPECT_EQ((test::Nums{s.trigger.TrigChannel, form1().cmbVdiv.index(), form1().cmbRate.index()}),
                  (test::Nums{r.channel, r.VdivIndex, r.RateIndex}));
        EXPECT_TRUE(AcquisitionActive() && acquisitionControls().Button(1).pressed());
        for (int i = 0; i < 5000 && s.run.TrigCount == 0; ++i)
            AcquisitionStep();
        std::array<int32_t, 13> m{};
        TestAd(s.records.SampleBuf.data() + HW_SB_AREA_LEN * size_t(r.channel), 0, 128, 128,
               m.data(), 600);
        if (c.trigger == TrigA1) { // clipped: moved down, still at the rail
            EXPECT_TRUE(r.ChanPos > 128 && r.TrigLevel < 5 && m[12] < 5);
        } else {
            EXPECT_NEAR(m[12], 128, 3);
            EXPECT_NEAR(r.TrigLevel, 128, 3);
        }
    }
}

// An instrument that goes away after three records, and one slower than the bound (the loop
// clock runs 100 ms a poll, a 2K record at 50 KSa/s needs some 41 polls): Autoset ends with the
// message and every setting as it was. One whose configuration never completes is not autoset.
TEST_F(AutosetTest, NoRecordEndsWithMessageAndOldSettings) {
    for (const char *fault : {"gone@3", ";"}) {
        Open("A1=square,1000,0.5,0", fault);
        int64_t now = 0;
        if (fault[0] == ';') SetLoopClock([&] { return now += 100; });
        app().trigger.TrigLevel[0] = 140;
        app().view.BarPos[2] = 1000;
        const test::Nums before = Settings();
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        const AutosetResult r = Autoset0();
        EXPECT_EQ(r.outcome, fault[0] == ';' ? AutosetOutcome::NoRecord
                                             : AutosetOutcome::InstrumentLost);
        EXPECT_EQ(Settings(), before);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, fault[0] == ';' ? kAutosetNoRecordText : kAutosetLostText);
    }
    Open("A1=square,1000,0.5,0", "neverdone", false);
    const test::Nums before = Settings();
    EXPECT_EQ(AutosetClick().outcome, AutosetOutcome::NotConfigured);
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(acquisitionControls().LabelStat[0].text(), kNotConfiguredText);
}

} // namespace
} // namespace vrx
