// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency counter: averaging, offsets and records without a period on records of known
// period, and its accuracy on the simulated instrument's signals through the acquisition loop.
#include "core/acquisition/loop.h"
#include "core/analysis/counter.h"
#include "core/fixture.h"

namespace vrx {
namespace {

class CounterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        app().records.DevConfig.fill(0);
        test::ResetState();
        form1().InitPanel();
        ApplyTimingSettings();
        app().display.CountOn = {-1, 0};
        for (auto &l : frmCounter().lbCount)
            l.setText(QStringLiteral("-"));
    }
    // A1 holds a square of `period` samples between codes 100 and 156 around the level 128, or
    // a flat line at 128 for period 0.
    static void FillA1(int period) {
        uint8_t *a1 = app().records.SampleBuf.data() + HW_SB_A1;
        for (int i = 0; i < HW_SB_AREA_LEN; ++i)
            a1[i] = period == 0 ? 128 : (i % period < period / 2 ? 100 : 156);
    }
    static QString A1Text() { return frmCounter().lbCount[0].text(); }
};

// At 100 KSa/s (10 us a sample) a period of 100 samples is 1 kHz: "1.KHz" (up to five
// decimals, no trailing zeros). With "&6" the label changes only at the eighth record; a flat record among them
// adds no period and no span, so the average stays exact. "+50ppm" reads 1.00005 kHz; an
// average without any period shows the dashes.
TEST_F(CounterTest, AveragesOffsetsAndRecordsWithoutPeriod) {
    form1().cmbRate.setIndex(17);
    FrequencyCounter &c = frmCounter();
    c.mnuCountRes_Click(1);
    for (int record = 1; record <= 8; ++record) {
        FillA1(record == 4 ? 0 : 100);
        ChFrequency();
        if (record < 8) {
            EXPECT_EQ(A1Text(), QStringLiteral("-")) << record;
        }
    }
    EXPECT_EQ(A1Text(), QStringLiteral("1.KHz"));
    const CounterValue v = CounterResult(0);
    EXPECT_TRUE(v.valid);
    EXPECT_DOUBLE_EQ(v.hertz, 1000.0);

    c.mnuCountRes_Click(0);
    c.mnuCountppm_Click(0);
    EXPECT_TRUE(c.mnuCountppm[0].checked() && !c.mnuCountppm[5].checked());
    FillA1(100);
    ChFrequency();
    EXPECT_EQ(A1Text(), QStringLiteral("1.00005KHz"));
    EXPECT_NEAR(CounterResult(0).hertz, 1000.05, 1e-9);

    FillA1(0);
    ChFrequency();
    EXPECT_EQ(A1Text(), kNoFrequency);
    EXPECT_FALSE(CounterResult(0).valid);
}

// A stop in the middle of an average starts it again from nothing at the next start; so does a
// change of rate (samples of another length).
TEST_F(CounterTest, StopOrRateChangeRestartsTheAverage) {
    form1().cmbRate.setIndex(17);
    frmCounter().mnuCountRes_Click(1);
    for (int i = 0; i < 5; ++i) {
        FillA1(50);
        ChFrequency();
    }
    app().run.Running = 1;
    tbToolBar_ButtonClick(1); // stop
    form1().cmbRate.setIndex(16);
    for (int i = 0; i < 4; ++i) {
        FillA1(100);
        ChFrequency();
    }
    form1().cmbRate.setIndex(17); // 200 KSa/s -> 100 KSa/s: the first four do not count
    for (int i = 0; i < 8; ++i) {
        FillA1(100);
        ChFrequency();
    }
    EXPECT_EQ(A1Text(), QStringLiteral("1.KHz"));
}

// 1.000000 kHz on A1 and 12.345678 kHz on A2 counted over 24 records of 128K samples at
// 1 MSa/s: within 10 ppm of the simulated frequencies; the A2 label shows once A2 is on.
TEST_F(CounterTest, SimulatedFrequenciesWithin10Ppm) {
    setenv("HWLINK_SIM_CLOCK", "virtual", 1);
    setenv("HWLINK_SIM_SIGNALS", "A1=square,1000,0.5,0;A2=sine,12345.678,0.5,0", 1);
    test::OpenSimulator();
    AppState &s = app();
    TimingPanel &f = form1();
    f.cmbDepth.setIndex(2);
    f.cmbRate.setIndex(14);
    for (int16_t ch : {ChA1, ChA2}) {
        s.channels.VdivIndex[static_cast<size_t>(ch)] = 6;
        s.channels.ChanPos[static_cast<size_t>(ch)] = 128;
        s.trigger.TrigLevel[static_cast<size_t>(ch)] = 128;
    }
    FrequencyCounter &c = frmCounter();
    s.display.CountOn = {0, 0};
    c.LoadMenus();
    EXPECT_FALSE(c.lbCount[1].visible());
    c.mnuCount_Click(0);
    c.mnuCount_Click(1);
    EXPECT_TRUE(c.mnuCount[1].checked() && c.lbCount[1].visible());
    c.mnuCountRes_Click(2);
    const double hz[2] = {1000.0, 12345.678};
    int64_t now = 0;
    SetLoopClock([&] { return ++now; });
    for (const int ppm : {5, 0}) {
        SCOPED_TRACE(ppm);
        c.mnuCountppm_Click(ppm);
        const double factor = ppm == 0 ? 1.00005 : 1.0;
        s.run.CounterState[2] = s.run.CounterState[3] = 0;
        tbToolBar_ButtonClick(1);
        for (int i = 0; i < 200000 && s.run.TrigCount < 24; ++i)
            AcquisitionStep();
        AcquisitionStep(); // the pass of the 24th record: drawn and counted
        s.run.Running = 0;
        while (AcquisitionStep()) {
        }
        for (int ch = 0; ch < 2; ++ch) {
            const CounterValue v = CounterResult(ch);
            ASSERT_TRUE(v.valid) << ch;
            EXPECT_NEAR(v.hertz / (hz[ch] * factor), 1.0, 10e-6) << ch;
            EXPECT_NEAR(v.text.chopped(3).toDouble() * 1000 / (hz[ch] * factor), 1.0, 10e-6)
                << v.text.toStdString();
        }
    }
    SetLoopClock({});
    PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    unsetenv("HWLINK_SIM_SIGNALS");
}

} // namespace
} // namespace vrx
