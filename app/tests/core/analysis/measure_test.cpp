// SPDX-License-Identifier: GPL-3.0-or-later
// The measure box without its window: a flat trace, the stretch tested, rise and fall between
// 20 % and 80 %. The window's test checks the rows of simulated signals as the box shows them.
// The frequency counter on records of known period, and on the simulated instrument's signals
// through the acquisition loop.
#include "core/analysis/measure.h"
#include "core/fixture.h"

namespace vrx {
namespace {

using test::Nums;
using test::Texts;

// The texts of two items of one channel's results at 100MSa/S.
Texts ItemTexts(int a, int b, const std::array<int32_t, 13> &r) {
    return {MeasureValueText(a, r, 128, 1), MeasureValueText(b, r, 128, 1)};
}

// A flat trace has amplitudes but no timing: the cycle mean and every timing item show
// "- - - - -".
TEST(Measure, FlatTraceShowsNoTiming) {
    AppState &s = app();
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, 2 * HW_SB_AREA_LEN, uint8_t{140});
    s.measure.TestA1.fill(1);
    s.measure.TestA2.fill(1);
    frmMeasure().TestCh();
    const auto &rows = frmMeasure().rows();
    ASSERT_EQ(rows.size(), 24u);
    // The rows follow the items, A1's before A2's.
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ((Nums{rows[i].value == kNotMeasured, rows[i].channel * 12 + rows[i].item}),
                  (Nums{rows[i].item >= 5, int64_t(i)}))
            << rows[i].name.toStdString();
    // A1 38 codes above its zero line (178) at 40 mV, A2 63 above its own (203) at 80 mV.
    EXPECT_EQ((Texts{rows[0].value, rows[1].value, rows[3].value, rows[12].value}),
              (Texts{"1.52 V", "1.52 V", "0.mV", "5.04 V"}));
    EXPECT_EQ(frmMeasure().RowsText()[12], "A2\tV_Max.\t5.04 V");
}

// "Screen": what the trace shows from the display start, rounded half to even; "Full memory":
// the record from the display start. Neither runs past the record (a real record's display
// start is 27: no signal in its last 27 samples) nor starts before it.
TEST(Measure, StretchIsTheScreenOrTheRecord) {
    AppState &s = app();
    auto stretch = [] { return Nums{MeasureStretch().start, MeasureStretch().length}; };
    s.acquisition.RecordLen = HW_SB_AREA_LEN;
    s.view.ViewStart[0] = 2;
    s.view.ScrollPos = 1000;
    s.screen.ScreenSamples = 601;
    s.view.TimeZoom[0] = 2.5; // 1502.5 samples
    EXPECT_EQ(stretch(), (Nums{1002, 1502}));
    s.measure.TestLenMode = 1;
    s.acquisition.RecordLen = 2048;
    s.view.ViewStart[0] = 27;
    EXPECT_EQ(stretch(), (Nums{27, 2021}));
    s.view.ViewStart[0] = -5;
    EXPECT_EQ(stretch(), (Nums{0, 2047}));
}

// Rise and fall: an edge within one sample shows the period it is shorter than, so the row is
// never blank; a measured count shows its time; no edge shows "- - - - -".
TEST(Measure, EdgeTimesAtBothEndsOfTheCount) {
    for (const auto &[rate, samples, text] : {std::tuple{kDefaultRate, 0, "<10 ns"},
                                              {kDefaultRate, 1, "10 ns"},
                                              {kFirstMicroRate, 0, "<2 us"},
                                              {kDefaultRate, -1, "- - - - -"}}) {
        app().acquisition.RateIndex = rate;
        app().acquisition.SamplePeriod = kRates[static_cast<size_t>(rate)].period;
        std::array<int32_t, 13> r{};
        r[6] = r[7] = samples;
        EXPECT_EQ(ItemTexts(6, 7, r), (Texts{text, text})) << rate << " " << samples;
    }
    // A period of 400 samples of 10 ns is a time, its frequency a frequency; none is not
    // measured (at the rate of the last case).
    std::array<int32_t, 13> r{}, none{};
    r[10] = r[11] = 400;
    EXPECT_EQ(ItemTexts(10, 11, r) + ItemTexts(10, 11, none),
              (Texts{"4 us", "250.KHz", kNotMeasured, kNotMeasured}));
}

// A trapezoid rising over 50 samples and falling over 50: 30 samples between 20 % and 80 %
// and, as the engine finds, 40 between 10 % and 90 %, whichever level it starts at.
TEST(Measure, EdgesBetweenTwentyAndEightyPercent) {
    std::vector<uint8_t> d(20, 200);
    for (int k = 1; k <= 50; ++k)
        d.push_back(uint8_t(200 - 2 * k));
    d.insert(d.end(), 30, 100);
    for (int k = 1; k <= 50; ++k)
        d.push_back(uint8_t(100 + 2 * k));
    d.insert(d.end(), 30, 200);
    for (const bool startsHigh : {false, true}) {
        if (startsHigh) std::rotate(d.begin(), d.begin() + 80, d.end());
        std::array<int32_t, 13> r{};
        TestAd(d.data(), 0, 128, 128, r.data(), int32_t(d.size()));
        int32_t rise = 0, fall = 0, rise10 = 0, fall10 = 0;
        EdgeCounts(d.data(), int32_t(d.size()), 128, 5, rise, fall);
        EdgeCounts(d.data(), int32_t(d.size()), 128, 10, rise10, fall10);
        EXPECT_EQ((Nums{rise, fall, rise10, fall10}), (Nums{30, 30, r[6], r[7]}));
        EdgeCounts(d.data(), startsHigh ? 100 : 120, 128, 5, rise, fall);
        EXPECT_EQ((Nums{rise, fall}), startsHigh ? (Nums{-1, 30}) : (Nums{30, -1}));
    }
    // A step of 10 codes is too small to have edges, one of 11 has them (within one sample).
    for (const int span : {10, 11}) {
        std::vector<uint8_t> step(20, 100);
        std::fill(step.begin() + 5, step.begin() + 10, uint8_t(100 + span));
        std::fill(step.begin() + 15, step.end(), uint8_t(100 + span));
        int32_t rise = 0, fall = 0;
        EdgeCounts(step.data(), int32_t(step.size()), 128, 5, rise, fall);
        EXPECT_EQ((Nums{rise, fall}), span == 10 ? (Nums{-1, -1}) : (Nums{0, 0})) << span;
    }
}

// `records` records whose A1 holds a square of `period` samples between codes 100 and 156
// (level 128), flat for 0.
void RecordA1(int period, int records = 1) {
    uint8_t *a1 = app().records.SampleBuf.data() + HW_SB_A1;
    for (int i = 0; i < HW_SB_AREA_LEN; ++i)
        a1[i] = period == 0 ? 128 : (i % period < period / 2 ? 100 : 156);
    while (records-- > 0)
        ChFrequency();
}

// At 100 KSa/s (10 us a sample) 100 samples a period are 1 kHz, written "1.KHz" (up to five
// decimals, no trailing zeros). With "&6" the label changes only at the eighth record, and a
// flat record among them adds nothing. Another rate, or a stop, in the middle of an average
// starts it again: the three records at 200 KSa/s and the five of 50 samples never complete
// one. "+50ppm" reads 1.00005 kHz; an average without a period shows the dashes.
TEST(Counter, AveragesRestartsOffsetsAndRecordsWithoutPeriod) {
    FrequencyCounter &c = frmCounter();
    app().display.CountOn = {-1, 0};
    c.mnuCountRes_Click(1);
    c.lbCount[0].setText({});
    form1().cmbRate.setIndex(16);
    RecordA1(100, 3);
    form1().cmbRate.setIndex(17);
    RecordA1(50, 5);
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
    test::StopAndPowerOff();
}

} // namespace
} // namespace vrx
