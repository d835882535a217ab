// SPDX-License-Identifier: GPL-3.0-or-later
// The measure box without its window: a flat trace, the stretch tested, rise and fall between
// 20 % and 80 %. The window's test checks the rows of simulated signals as the box shows them.
#include <algorithm>

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
    test::ResetState();
    AppState &s = app();
    form1().InitPanel();
    ApplyTimingSettings();
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, 2 * HW_SB_AREA_LEN, uint8_t{140});
    s.measure.TestA1.fill(1);
    s.measure.TestA2.fill(1);
    frmMeasure().TestCh();
    const auto &rows = frmMeasure().rows();
    ASSERT_EQ(rows.size(), 24u);
    for (const MeasureRow &row : rows)
        EXPECT_EQ(row.value == kNotMeasured, row.item >= 5) << row.name.toStdString();
    // A1 38 codes above its zero line (178) at 40 mV, A2 63 above its own (203) at 80 mV.
    EXPECT_EQ((Texts{rows[0].value, rows[1].value, rows[3].value, rows[12].value}),
              (Texts{"1.52 V", "1.52 V", "0.mV", "5.04 V"}));
    EXPECT_EQ(frmMeasure().RowsText()[12], "A2\tV_Max.\t5.04 V");
}

// "Screen": what the trace shows from the display start, rounded half to even; "Full memory":
// the record from the display start. Neither runs past the record (a real record's display
// start is 27: no signal in its last 27 samples) nor starts before it.
TEST(Measure, StretchIsTheScreenOrTheRecord) {
    test::ResetState();
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
    test::ResetState();
    struct Case {
        int rate;
        int32_t samples;
        const char *text;
    };
    for (const Case &c : {Case{kDefaultRate, 0, "<10 ns"}, Case{kDefaultRate, 1, "10 ns"},
                          Case{kFirstMicroRate, 0, "<2 us"}, Case{kDefaultRate, -1, "- - - - -"}}) {
        app().acquisition.RateIndex = c.rate;
        app().acquisition.SamplePeriod = kRates[static_cast<size_t>(c.rate)].period;
        std::array<int32_t, 13> r{};
        r[6] = r[7] = c.samples;
        EXPECT_EQ(ItemTexts(6, 7, r), (Texts{c.text, c.text})) << c.rate << " " << c.samples;
    }
    // A period of 400 samples of 10 ns is a time, its frequency a frequency; none is not
    // measured.
    app().acquisition.RateIndex = kDefaultRate;
    app().acquisition.SamplePeriod = kRates[kDefaultRate].period;
    std::array<int32_t, 13> r{};
    r[10] = r[11] = 400;
    EXPECT_EQ(ItemTexts(10, 11, r), (Texts{"4 us", "250.KHz"}));
    r[10] = r[11] = 0;
    EXPECT_EQ(ItemTexts(10, 11, r), (Texts{kNotMeasured, kNotMeasured}));
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

} // namespace
} // namespace vrx
