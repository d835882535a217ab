// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency counter on records of known period, and on the simulated instrument's signals
// through the acquisition loop.
#include "core/acquisition/loop.h"
#include "core/analysis/counter.h"
#include "core/fixture.h"

namespace vrx {
namespace {

// A1 holds a square of `period` samples between codes 100 and 156 (level 128), flat for 0.
void RecordA1(int period) {
    uint8_t *a1 = app().records.SampleBuf.data() + HW_SB_A1;
    for (int i = 0; i < HW_SB_AREA_LEN; ++i)
        a1[i] = period == 0 ? 128 : (i % period < period / 2 ? 100 : 156);
    ChFrequency();
}

// At 100 KSa/s (10 us a sample) 100 samples a period are 1 kHz, written "1.KHz" (up to five
// decimals, no trailing zeros). With "&6" the label changes only at the eighth record, and a
// flat record among them adds nothing. Another rate, or a stop, in the middle of an average
// starts it again: the three records at 200 KSa/s and the five of 50 samples never complete
// one. "+50ppm" reads 1.00005 kHz; an average without a period shows the dashes.
TEST(Counter, AveragesRestartsOffsetsAndRecordsWithoutPeriod) {
    app().records.DevConfig.fill(0);
    test::ResetState();
    form1().InitPanel();
    ApplyTimingSettings();
    FrequencyCounter &c = frmCounter();
    app().display.CountOn = {-1, 0};
    c.mnuCountRes_Click(1);
    c.lbCount[0].setText({});
    form1().cmbRate.setIndex(16);
    for (int i = 0; i < 3; ++i)
        RecordA1(100);
    form1().cmbRate.setIndex(17);
    for (int i = 0; i < 5; ++i)
        RecordA1(50);
    app().run.Running = 1;
    tbToolBar_ButtonClick(1); // stop
    for (int record = 1; record <= 8; ++record) {
        EXPECT_EQ(c.lbCount[0].text(), QString()) << record;
        RecordA1(record == 4 ? 0 : 100);
    }
    EXPECT_EQ(c.lbCount[0].text(), QStringLiteral("1.KHz"));
    EXPECT_DOUBLE_EQ(CounterResult(0).hertz, 1000.0);

    c.mnuCountRes_Click(0);
    c.mnuCountppm_Click(0);
    RecordA1(100);
    EXPECT_EQ(c.lbCount[0].text(), QStringLiteral("1.00005KHz"));
    RecordA1(0);
    EXPECT_EQ(c.lbCount[0].text(), kNoFrequency);
}

// 1.000000 kHz on A1 and 12.345678 kHz on A2, 24 records of 128K samples at 1 MSa/s: within
// 10 ppm, at "+0 ppm" and at "+50ppm".
TEST(Counter, SimulatedFrequenciesWithin10Ppm) {
    setenv("HWLINK_SIM_CLOCK", "virtual", 1);
    setenv("HWLINK_SIM_SIGNALS", "A1=square,1000,0.5,0;A2=sine,12345.678,0.5,0", 1);
    test::OpenSimulator();
    AppState &s = app();
    form1().cmbDepth.setIndex(2);
    form1().cmbRate.setIndex(14);
    // Both inputs span 2 divisions around the centre and cross the level 128.
    s.channels.VdivIndex[0] = s.channels.VdivIndex[1] = 6;
    s.channels.ChanPos[0] = s.channels.ChanPos[1] = s.trigger.TrigLevel[1] = 128;
    FrequencyCounter &c = frmCounter();
    s.display.CountOn = {-1, -1};
    c.mnuCountRes_Click(2);
    int64_t now = 0;
    SetLoopClock([&] { return ++now; });
    for (const double factor : {1.0, 1.00005}) {
        c.mnuCountppm_Click(factor == 1.0 ? 5 : 0);
        s.run.CounterState[2] = s.run.CounterState[3] = 0;
        tbToolBar_ButtonClick(1);
        for (int i = 0; i < 200000 && s.run.TrigCount < 24; ++i)
            AcquisitionStep();
        AcquisitionStep(); // the pass of the 24th record: drawn and counted
        s.run.Running = 0;
        while (AcquisitionStep()) {
        }
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_NEAR(CounterResult(ch).hertz / ((ch ? 12345.678 : 1000.0) * factor), 1, 1e-5)
                << ch << " " << factor;
    }
    SetLoopClock({});
    PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    unsetenv("HWLINK_SIM_SIGNALS");
}

} // namespace
} // namespace vrx
