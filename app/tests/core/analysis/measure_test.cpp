// SPDX-License-Identifier: GPL-3.0-or-later
// The measure box and its chooser: the rows of known simulated signals against the values the
// signals' parameters give, a flat trace, the stretch tested, the edges between 20 % and 80 %,
// the chooser's choice reaching the box.
#include <cmath>
#include <fstream>
#include <map>
#include <numbers>

#include <QRegularExpression>

#include "core/acquisition/loop.h"
#include "core/analysis/measure.h"
#include "core/fixture.h"

namespace vrx {
namespace {

constexpr double kPi = std::numbers::pi;

// A readout as a number in volts, seconds or hertz; NaN for any other text.
double Reading(const QString &text) {
    static const QRegularExpression form(
        QStringLiteral("^(-?\\d*\\.?\\d*) ?(mV|V|ns|us|ms|s|KHz|Hz)$"));
    static const std::map<QString, double> units = {{"mV", 1e-3}, {"V", 1},     {"ns", 1e-9},
                                                    {"us", 1e-6}, {"ms", 1e-3}, {"s", 1},
                                                    {"KHz", 1e3}, {"Hz", 1}};
    const auto m = form.match(text);
    if (!m.hasMatch()) return NAN;
    const QString digits = m.captured(1);
    // "." and "" are how the readouts write 0.
    const double v =
        digits.contains(QRegularExpression(QStringLiteral("\\d"))) ? digits.toDouble() : 0.0;
    return v * units.at(m.captured(2));
}

class MeasureTest : public ::testing::Test {
  protected:
    void SetUp() override { test::ResetState(); }
    void TearDown() override {
        AppState &s = app();
        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
        s.records.DevConfig[HW_DC_Link] = HW_LINK_NONE;
        SetLoopClock({});
    }

    // One record ("Once") of the simulated instrument with `inputs` at its inputs, at the
    // settings of the state, taken through the acquisition loop.
    static void Record(const char *inputs) {
        setenv("HWLINK_SIM", "usb", 1);
        setenv("HWLINK_SIM_CLOCK", "virtual", 1);
        setenv("HWLINK_SIM_SIGNALS", inputs, 1);
        AppState &s = app();
        ASSERT_NE(FindPort(s.records.PortState.data(), s.records.DevConfig.data(), 1), 0);
        unsetenv("HWLINK_SIM_SIGNALS");
        std::ifstream(VRX_TEST_BITSTREAM, std::ios::binary)
            .read(reinterpret_cast<char *>(s.records.ConfigBits.data()), HW_CONFIGBITS_LEN);
        s.run.HwFound = FindHardware(0, s.records.PortState.data(), s.records.DevConfig.data(),
                                     s.records.ConfigBits.data());
        ASSERT_EQ(s.run.HwFound, 1);
        form1().InitPanel();
        ApplyTimingSettings();
        int64_t now = 0;
        SetLoopClock([&now] { return now; });
        tbToolBar_ButtonClick(1);
        for (; AcquisitionActive() && now < 100000; ++now)
            AcquisitionStep();
        ASSERT_EQ(s.run.TrigCount, 1);
    }
};

// Every item of both channels, in the order of the box, for a 1 kHz square of 2 V peak on A1
// and a 10 kHz sine of 1 V peak on A2, both seen through 10:1 probes, over the whole record at
// 500KSa/S. Expected values from the signals alone. Tolerances: 2.5 codes of the channel (the
// converters' gain is calibrated to within 1 %, and an extreme sample may miss the peak), a
// sample for the times, and the mean allows for the part period at the end of the record.
TEST_F(MeasureTest, SimulatedSquareAndSineShowTheirParameters) {
    AppState &s = app();
    s.acquisition.RateIndex = 15; // 500KSa/S: 2 us a sample
    s.acquisition.CaptureMode = 0;
    s.channels.VdivIndex[0] = 4; // 1V at 10:1: 40 mV a code
    s.channels.VdivIndex[1] = 3; // 500mV at 10:1: 20 mV a code
    s.channels.ChanPos[0] = s.channels.ChanPos[1] = 128;
    s.trigger.TrigLevel[0] = s.trigger.TrigLevel[1] = 128; // 0 V
    Record("A1=square,1000,0.2,0;A2=sine,10000,0.1,0;NOISE=0");
    s.measure.TestA1.fill(1);
    s.measure.TestA2.fill(1);
    s.measure.TestLenMode = 1;
    MeasureBox &box = frmMeasure();
    box.TestCh();

    const double dt = 2e-6, span = MeasureStretch().length * dt, sample = 1.001 * dt;
    struct Signal {
        double amplitude, f, volts; // volts: 2.5 codes
    };
    const Signal sq{2.0, 1000, 2.5 * 0.04}, sine{1.0, 10000, 2.5 * 0.02};
    // Sine: time between the levels a fraction of the span in from either extreme.
    auto sineEdge = [&](double fraction) {
        return 2 * std::asin(1 - 2 * fraction) / (2 * kPi * sine.f);
    };
    const std::vector<std::pair<double, double>> expected = {
        // A1: V_Max., V_Min., V_Avg., V_p-p., V_RMS, CycRMS (a rectified mean: the amplitude)
        {sq.amplitude, sq.volts},
        {-sq.amplitude, sq.volts},
        {0, sq.volts + sq.amplitude * std::fmod(span, 1 / sq.f) / span},
        {2 * sq.amplitude, sq.volts},
        {sq.amplitude, sq.volts},
        {sq.amplitude, sq.volts},
        // Rise, Fall: a step within one sample; +Width, -Width, Period, Freq.
        {0, sample},
        {0, sample},
        {0.5 / sq.f, sample},
        {0.5 / sq.f, sample},
        {1 / sq.f, sample},
        {sq.f, sq.f * sq.f * sample},
        // A2: the mean of |sin| is 2 / pi
        {sine.amplitude, sine.volts},
        {-sine.amplitude, sine.volts},
        {0, sine.volts + sine.amplitude / (kPi * sine.f * span)},
        {2 * sine.amplitude, sine.volts},
        {2 / kPi * sine.amplitude, sine.volts},
        {2 / kPi * sine.amplitude, sine.volts},
        {sineEdge(0.1), sample},
        {sineEdge(0.1), sample},
        {0.5 / sine.f, sample},
        {0.5 / sine.f, sample},
        {1 / sine.f, sample},
        {sine.f, sine.f * sine.f * sample},
    };
    ASSERT_EQ(box.rows().size(), expected.size());
    QStringList names;
    for (size_t i = 0; i < expected.size(); ++i) {
        const MeasureRow &row = box.rows()[i];
        names << s.channels.ChanName[static_cast<size_t>(row.channel)] + " " + row.name;
        SCOPED_TRACE(box.RowsText()[static_cast<int>(i)].toStdString());
        EXPECT_NEAR(Reading(row.value), expected[i].first, expected[i].second);
    }
    EXPECT_EQ(names.mid(0, 12).join(','),
              "A1 V_Max.,A1 V_Min.,A1 V_Avg.,A1 V_p-p.,A1 V_RMS,A1 CycRMS,A1 Rise,A1 Fall,"
              "A1 +Width,A1 -Width,A1 Period,A1 Freq.");
    EXPECT_EQ(names[12], "A2 V_Max.");
    EXPECT_EQ(box.Height(), 24 * 240 + 380);

    // Between 20 % and 80 %: the sine's edges are shorter, the square's stay within a sample.
    // The 10 % - 90 % count of the same routine agrees with the engine's.
    for (int ch = 0; ch < 2; ++ch) {
        std::array<int32_t, 13> r{};
        uint8_t *data = s.records.SampleBuf.data() + (ch == 0 ? HW_SB_A1 : HW_SB_A2);
        TestAd(data, 0, 128, 128, r.data(), 2048);
        int32_t rise = 0, fall = 0;
        EdgeCounts(data, 2048, 128, 10, rise, fall);
        EXPECT_EQ((test::Nums{rise, fall}), (test::Nums{r[6], r[7]}));
    }
    s.measure.TestRise = 1;
    box.TestCh();
    for (const size_t i : {6u, 7u})
        EXPECT_NEAR(Reading(box.rows()[i].value), 0, sample) << box.rows()[i].value.toStdString();
    for (const size_t i : {18u, 19u})
        EXPECT_NEAR(Reading(box.rows()[i].value), sineEdge(0.2), sample)
            << box.rows()[i].value.toStdString();
}

// A flat trace has amplitudes but no timing: every timing item and the cycle mean show
// "- - - - -", also with a ripple of up to 10 codes; V_p-p is 0 and V_Max = V_Min.
TEST_F(MeasureTest, FlatTraceShowsNoTiming) {
    AppState &s = app();
    form1().InitPanel();
    ApplyTimingSettings();
    auto a1 = s.records.SampleBuf.begin() + HW_SB_A1;
    auto a2 = s.records.SampleBuf.begin() + HW_SB_A2;
    std::fill(a1, a1 + HW_SB_AREA_LEN, uint8_t(140));
    for (int i = 0; i < HW_SB_AREA_LEN; ++i)
        a2[i] = uint8_t(i % 7 == 0 ? 150 : 160); // across A2's trigger level 153
    s.measure.TestA1.fill(1);
    s.measure.TestA2.fill(1);
    for (const int16_t mode : {0, 1}) {
        s.measure.TestLenMode = mode;
        frmMeasure().TestCh();
        const auto &rows = frmMeasure().rows();
        ASSERT_EQ(rows.size(), 24u);
        for (const MeasureRow &row : rows) {
            SCOPED_TRACE(row.name.toStdString());
            EXPECT_EQ(row.value == kNotMeasured, row.item >= 5);
        }
        // A1: 38 codes above its zero line (178) at 40 mV a code (1V at 10:1).
        EXPECT_EQ((test::Texts{rows[0].value, rows[1].value, rows[2].value, rows[3].value}),
                  (test::Texts{"1.52 V", "1.52 V", "1.52 V", "0.mV"}));
        EXPECT_EQ(rows[15].value, "800.mV"); // A2's ripple: 10 codes at 80 mV (2V at 10:1)
    }
}

// Nothing ticked: no rows, and the box is 380 twips high. Opening the box sets its flag and
// measures; closing clears the flag.
TEST_F(MeasureTest, NothingTickedShrinksTheBox) {
    AppState &s = app();
    s.measure.TestA1.fill(0);
    s.measure.TestA2.fill(0);
    int refreshed = 0;
    const int id = frmMeasure().subscribe([&refreshed] { ++refreshed; });
    frmMeasure().Form_Load();
    EXPECT_EQ((test::Nums{s.display.MeasureOn, refreshed, frmMeasure().Height()}),
              (test::Nums{-1, 1, 380}));
    EXPECT_TRUE(frmMeasure().RowsText().isEmpty());
    frmMeasure().Form_Unload();
    EXPECT_EQ(s.display.MeasureOn, 0);
    frmMeasure().unsubscribe(id);
}

// "Screen" tests what the trace shows, from the display start, rounded half to even;
// "Full memory" the record from the display start. Neither runs past the record's end (the
// display start of a real record is 27: 27 samples of nothing), and neither is empty.
TEST_F(MeasureTest, StretchIsTheScreenOrTheRecord) {
    AppState &s = app();
    auto stretch = [] {
        const TestStretch t = MeasureStretch();
        return test::Nums{t.start, t.length};
    };
    s.acquisition.RecordLen = HW_SB_AREA_LEN;
    s.acquisition.LastSample = HW_SB_AREA_LEN - 1;
    s.view.ViewStart[0] = 2;
    s.view.ScrollPos = 1000;
    s.screen.ScreenSamples = 601;
    s.view.TimeZoom[0] = 0.5; // 300.5 samples
    EXPECT_EQ(stretch(), (test::Nums{1002, 300}));
    s.view.TimeZoom[0] = 2.5;
    EXPECT_EQ(stretch(), (test::Nums{1002, 1502}));
    s.view.ScrollPos = HW_SB_AREA_LEN - 100;
    EXPECT_EQ(stretch(), (test::Nums{HW_SB_AREA_LEN - 98, 98}));
    s.view.TimeZoom[0] = 0;
    EXPECT_EQ(stretch()[1], 1);
    s.measure.TestLenMode = 1;
    EXPECT_EQ(stretch(), (test::Nums{2, HW_SB_AREA_LEN - 2}));
    s.acquisition.RecordLen = 2048;
    s.acquisition.LastSample = 2047;
    s.view.ViewStart[0] = 27;
    EXPECT_EQ(stretch(), (test::Nums{27, 2021}));
    s.view.ViewStart[0] = -5;
    EXPECT_EQ(stretch(), (test::Nums{0, 2047}));
}

// A trapezoid rising over 50 samples and falling over 50: 30 samples between 20 % and 80 %, 40
// between 10 % and 90 % as the engine finds them, whichever level it starts at.
TEST_F(MeasureTest, EdgesBetweenTwentyAndEightyPercent) {
    std::vector<uint8_t> d(20, 200);
    for (int k = 1; k <= 50; ++k)
        d.push_back(uint8_t(200 - 2 * k));
    d.insert(d.end(), 30, 100);
    for (int k = 1; k <= 50; ++k)
        d.push_back(uint8_t(100 + 2 * k));
    d.insert(d.end(), 30, 200);
    for (const bool startsHigh : {false, true}) {
        std::vector<uint8_t> w(d.begin() + (startsHigh ? 80 : 0), d.end());
        if (startsHigh) w.insert(w.end(), d.begin(), d.begin() + 80);
        const auto n = int32_t(w.size());
        int32_t rise = 0, fall = 0;
        EdgeCounts(w.data(), n, 128, 5, rise, fall);
        EXPECT_EQ((test::Nums{rise, fall}), (test::Nums{30, 30}));
        std::array<int32_t, 13> r{};
        TestAd(w.data(), 0, 128, 128, r.data(), n);
        EdgeCounts(w.data(), n, 128, 10, rise, fall);
        EXPECT_EQ((test::Nums{rise, fall, r[6], r[7]}), (test::Nums{40, 40, 40, 40}));
        // Cut before the second edge completes: that one is not measured.
        EdgeCounts(w.data(), startsHigh ? 100 : 120, 128, 5, rise, fall);
        EXPECT_EQ((test::Nums{rise, fall}),
                  startsHigh ? (test::Nums{-1, 30}) : (test::Nums{30, -1}));
    }
}

// The chooser shows the stored choice; its boxes toggle, its options are exclusive, and only OK
// stores them. An open box shows the new choice at once.
TEST_F(MeasureTest, ChooserStoresOnOk) {
    AppState &s = app();
    MeasureItems &m = frmTestItem();
    m.Form_Load();
    EXPECT_EQ((test::Nums{m.CheckA1[3].checked(), m.CheckA1[0].checked(), m.OptLen[0].checked(),
                          m.OptRise[0].checked(), m.OptRise[1].checked()}),
              (test::Nums{1, 0, 1, 1, 0}));
    EXPECT_EQ(m.TsItem[9].text(), "Negtive Width");
    m.CheckA1[0].click();
    m.CheckA1[3].click();
    m.CheckA2[7].click();
    m.OptLen[1].click();
    m.OptRise[1].click();
    m.OptRise[1].click(); // a second click leaves it chosen
    EXPECT_EQ(s.measure.TestA1[0], 0);
    frmMeasure().Form_Load();
    EXPECT_EQ(frmMeasure().rows().size(), 4u);
    m.CmdOk_Click();
    EXPECT_EQ((test::Nums{s.measure.TestA1[0], s.measure.TestA1[3], s.measure.TestA2[7],
                          s.measure.TestLenMode, s.measure.TestRise, m.OptRise[1].checked(),
                          m.OptRise[0].checked()}),
              (test::Nums{1, 0, 1, 1, 1, 1, 0}));
    QStringList names;
    for (const QString &line : frmMeasure().RowsText())
        names << line.section('\t', 0, 1);
    EXPECT_EQ(names,
              (QStringList{"A1\tV_Max.", "A1\tFreq.", "A2\tV_p-p.", "A2\tFall", "A2\tFreq."}));
    frmMeasure().Form_Unload();
}

} // namespace
} // namespace vrx
