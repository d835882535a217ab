// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger status and read-back: status mapping and faults, the correction of the interleaved
// converters against the simulator's errors, trigger alignment in real time, the demo record,
// equivalent-time series, and the bounds of every in-place step at 128K.
#include "sim_fixture.h"
#include "src/acquisition.h"
#include "src/bus.h"
#include <cmath>
#include <numeric>
#include <random>

namespace hwlink::test {
namespace {

TEST(ReadbackSteps, StatusBitsMapToResults) {
    // Only the low three bits count.
    V got;
    for (int st : {2, 3, 7, 0xF7, 0xFA, 0x0B, 0, 1, 4, 5, 6, 0x0D})
        got.push_back(MapStatus(uint8_t(st)));
    const int W = HW_STAT_WAIT_TRIGGER, F = HW_STAT_FILLING, C = HW_STAT_COMPLETE, I = HW_STAT_IDLE;
    EXPECT_EQ(got, (V{W, F, C, C, W, F, I, I, I, I, I, I}));
}

TEST(ReadbackSteps, EvenSampleCorrectionAndClamping) {
    AnalogLut lut;
    BuildAnalogLut(lut, 1.005f, 2); // within 1 %: zero correction only, clamped to 3..252
    EXPECT_EQ((V{lut.even[100], lut.even[1], lut.even[251]}), (V{102, 3, 252}));
    // A grounded odd sample of exactly 3 stays 3.
    EXPECT_EQ((V{lut.odd[3], lut.odd[253], lut.odd[0], lut.odd[128]}), (V{3, 252, 3, 128}));
    // trunc(s * 1.25) - 1 - 32: 126.25 truncates, 254 clamps; odd samples are the reference.
    BuildAnalogLut(lut, 1.25f, -1);
    EXPECT_EQ((V{lut.even[100], lut.even[101], lut.even[128], lut.even[230], lut.odd[100]}),
              (V{92, 93, 127, 252, 100}));
    BuildAnalogLut(lut, 0.75f, 0); // trunc(s * 0.75) + 32
    EXPECT_EQ((V{lut.even[200], lut.even[0], lut.even[255]}), (V{182, 32, 223}));
}

TEST(ReadbackSteps, AlignTriggerFindsTheCrossingInItsWindow) {
    std::vector<uint8_t> sb(HW_SAMPLEBUF_LEN, 200);
    const int32_t ps[HW_PORTSTATE_LEN] = {};
    uint8_t slope[3] = {}, level[6] = {128, 128};
    int32_t vs[4] = {-1, -1, -1, -1};
    AlignTrigger(sb.data(), 0, slope, level, -5, 5, vs, ps);
    EXPECT_EQ(vs[0], 20) << "negative position";
    // The 40-sample window starts 12 samples past the position: a crossing on its last sample
    // counts, one sample later there is none.
    for (const auto &[at, view] : {std::pair{39, 50}, {40, 11}}) {
        std::fill(sb.begin(), sb.end(), 200);
        sb[size_t(612 + at)] = 118;
        AlignTrigger(sb.data(), 0, slope, level, 600, 5, vs, ps);
        EXPECT_EQ((V{vs[0], vs[3]}), (V{view, 0})) << at;
    }
    std::fill(sb.begin(), sb.end(), 200);

    // Rising input (codes falling through 128) 20 samples into the window, halfway between
    // 138 and 118: at zoom index 2 (a = 10) the phase is 5 tenths.
    std::fill(sb.begin() + 612, sb.begin() + 632, 138);
    std::fill(sb.begin() + 632, sb.begin() + 700, 118);
    AlignTrigger(sb.data(), 0, slope, level, 600, 2, vs, ps);
    EXPECT_EQ((V{vs[0], vs[3]}), (V{20 + 11, 5}));
    slope[0] = 1; // falling input: past the codes above, then at or below, stop above
    AlignTrigger(sb.data(), 0, slope, level, 600, 5, vs, ps);
    EXPECT_EQ(vs[0], 11) << "no falling edge";

    // Near the end of the area the window is cut short instead of running into A2.
    std::fill(sb.begin() + HW_SB_A2, sb.begin() + HW_SB_A2 + 64, 0);
    slope[0] = 0;
    AlignTrigger(sb.data(), 0, slope, level, HW_SB_AREA_LEN - 20, 5, vs, ps);
    EXPECT_EQ(vs[0], 8 + 11);
}

TEST(ReadbackSteps, DistributionPlacesLogicLaterAndStaysInsideTheAreas) {
    // Separate allocations of exactly one area each: any step outside is caught by the
    // sanitizer build.
    const int32_t n = HW_SB_AREA_LEN;
    std::vector<uint8_t> raw(size_t(n) * 4), a1(n, 0), a2(n, 0), d0(n, 0xEE), d8(n, 0xEE);
    std::iota(raw.begin(), raw.end(), uint8_t(0)); // byte b of group g: 8g + b
    AnalogLut lut;
    BuildAnalogLut(lut, 1.0f, 0);
    DistributeGroups(raw.data(), n / 2, a1.data(), a2.data(), d0.data(), d8.data(), 10, lut, lut);
    // Group g: odd A1 sample from byte 8g (clamped), even from 8g + 1, A2 from 8g + 2 and 3.
    EXPECT_EQ((V{a1[1], a1[0], a1[41], a1[40], a2[41], a2[40]}), (V{3, 3, 160, 161, 162, 163}));
    // The first lag places are not written; the last group's logic ends the area.
    const int32_t lastG = (n - 10) / 2 - 1;
    EXPECT_EQ((V{d0[9], d0[10], d0[11], d8[10], d8[11], d0[n - 1], d8[n - 1]}),
              (V{0xEE, 4, 5, 6, 7, uint8_t(lastG * 8 + 5), uint8_t(lastG * 8 + 7)}));

    std::fill(d0.begin(), d0.end(), 0xEE);
    DistributeGroups(raw.data(), n / 2, a1.data(), a2.data(), d0.data(), d8.data(), 9, lut, lut);
    EXPECT_EQ((V{d0[9], d0[n - 1]}), (V{4, uint8_t(((n - 9) / 2) * 8 + 4)})) << "lag 9";

    std::fill(a1.begin(), a1.end(), 0);
    DistributeGroups(raw.data(), 1024, a1.data(), a2.data(), nullptr, nullptr, 10, lut, lut);
    EXPECT_EQ((V{a1[2047], a1[2048]}), (V{uint8_t(1023 * 8), 0})) << "2K record";
    EXPECT_EQ((V{LogicLag(8), LogicLag(9)}), (V{10, 9}));
}

TEST(ReadbackSteps, SmoothingFlattensNoiseKeepsEdgesAndStaysInsideTheAreas) {
    const int32_t n = HW_SB_AREA_LEN;
    std::vector<uint8_t> a1(n), a2(n);
    for (int32_t i = 0; i < n; ++i) {
        a1[i] = uint8_t(100 + (i % 2) * 3);       // a 3-code comb: noise for limit 4
        a2[i] = uint8_t((i / 64) % 2 ? 60 : 190); // edges of 130 codes
    }
    SmoothPair(a1.data(), a2.data(), n, 4);
    // The first sample is only a neighbour; then ((100 + 100) / 2 + 103) / 2.
    EXPECT_EQ((V{a1[0], a1[1]}), (V{100, 101}));
    for (int32_t i = 2; i < n - 2; ++i)
        ASSERT_LE(std::abs(a1[i] - a1[i - 1]), 1) << i;
    for (int32_t i = 0; i < n; ++i)
        ASSERT_EQ(a2[i], (i / 64) % 2 ? 60 : 190) << i;

    // Differences are taken as signed bytes: 2 after 250 is a step of 8.
    std::vector<uint8_t> b1 = {250, 2, 250, 250}, b2 = {0, 0, 0, 0};
    SmoothPair(b1.data(), b2.data(), 2, 8);
    EXPECT_EQ(b1[1], ((250 + 250) / 2 + 2) / 2);
}

// The vector paths must give the bytes of the sample-by-sample reference, block edges and
// tails included, for noise, edges, wrap-around differences and every smoothing limit. Each
// instruction set the processor has is checked on its own, not only the one picked at run time.
// A quiet record too (small noise on a slow sine, the benchmark's input): it keeps every lane
// of a block flat from its first sample, so the lane fix-ups run long.
TEST(ReadbackSteps, VectorPathsMatchTheReference) {
    // clang-format off
    struct Path { const char *name; decltype(&DistributeGroupsSse2) distribute;
                  decltype(&SmoothPairSse2) smooth; };
    // clang-format on
    std::vector<Path> paths = {{"picked", DistributeGroups, SmoothPair},
                               {"sse2", DistributeGroupsSse2, SmoothPairSse2}};
    if (HaveAvx2()) paths.push_back({"avx2", DistributeGroupsAvx2, SmoothPairAvx2});

    std::mt19937 rng(11);
    const int32_t n = HW_SB_AREA_LEN;
    std::vector<uint8_t> raw(size_t(n) * 4);
    for (auto &b : raw)
        b = uint8_t(rng());
    for (int32_t i = 0; i < n * 4; i += 8) // slow runs too, where the smoothing chains
        if ((i / 4096) % 2) raw[size_t(i)] = raw[size_t(i) + 1] = uint8_t(100 + (i / 64) % 7);
    std::normal_distribution<double> noise(0.0, 0.6);
    std::vector<uint8_t> q1(n), q2(n);
    for (int32_t i = 0; i < n; ++i) {
        const double v = 128 + 90 * std::sin(2 * 3.14159265358979 * i / 997.0);
        q1[i] = uint8_t(std::clamp(v + (i % 2 ? 0 : 5) + noise(rng), 3.0, 252.0));
        q2[i] = uint8_t(std::clamp(255 - v + noise(rng), 3.0, 252.0));
    }
    AnalogLut l1, l2;
    BuildAnalogLut(l1, 1.0745f, -6);
    BuildAnalogLut(l2, 1.005f, 7);
    for (const Path &path : paths) {
        SCOPED_TRACE(path.name);
        for (int lag : {10, 9}) {
            // The whole area, and a record length that is not a whole number of vector runs,
            // without logic areas.
            std::array<std::vector<uint8_t>, 4> f, r;
            for (const int32_t groups : {1021, n / 2}) {
                const bool logic = groups == n / 2;
                f.fill(std::vector<uint8_t>(n, 0xAB)), r = f;
                auto d = [&](std::vector<uint8_t> &v) { return logic ? v.data() : nullptr; };
                path.distribute(raw.data(), groups, f[0].data(), f[1].data(), d(f[2]), d(f[3]), lag,
                                l1, l2);
                DistributeGroupsScalar(raw.data(), 0, groups, r[0].data(), r[1].data(), d(r[2]),
                                       d(r[3]), lag, l1, l2);
                EXPECT_TRUE(f == r) << "lag " << lag << ", " << groups << " groups";
            }
            // Counts that end in full blocks, in shrunken blocks and in the narrower vector
            // blocks after the wide ones, before the one-at-a-time tail; the quiet record.
            auto same = [&](std::vector<uint8_t> s1, std::vector<uint8_t> s2, int32_t count,
                            uint8_t limit) {
                std::vector<uint8_t> t1 = s1, t2 = s2;
                path.smooth(s1.data(), s2.data(), count, limit);
                SmoothPairScalar(t1.data(), t2.data(), 1, count, limit);
                return s1 == t1 && s2 == t2;
            };
            for (uint8_t limit : {4, 5, 7, 16})
                for (int32_t count : {n, n - 1, 2047, 5000, 8192 + 16 * 16 + 40, 300})
                    ASSERT_TRUE(same(f[0], f[1], count, limit)) << int(limit) << " " << count;
            for (uint8_t limit : {0, 1, 5, 127})
                ASSERT_TRUE(same(q1, q2, n, limit)) << "quiet, limit " << int(limit);
        }
    }
}

class ReadbackTest : public AcqTest {};

// A status other than complete reads nothing; so does a complete one whose status request or
// first bulk chunk fails: the link is lost, and the old contents are not a record.
TEST_F(ReadbackTest, OnlyACompleteStatusReadsTheRecord) {
    Settings s = arm();
    std::fill(sb.begin(), sb.end(), 0x55);
    model().overrideStatus(5);
    EXPECT_EQ(poll(s), HW_STAT_IDLE);
    EXPECT_EQ(busEvents(sim::takeTrace()), ops("a61 r5"));
    model().overrideStatus(7);
    sim::faults().failRegisterRequests = true;
    EXPECT_EQ(poll(s), HW_STAT_LINK_LOST);
    EXPECT_TRUE(sim::takeTrace().empty());
    sim::faults() = {.failBulkAfter = 0};
    EXPECT_EQ(poll(s), HW_STAT_LINK_LOST);
    sim::faults() = {};
    const Trace t = sim::takeTrace();
    const Trace want = usbPacket("a28 w4 a60 w55 a56 w119 a57 w160 a63 w0");
    EXPECT_EQ(slice(busEvents(t), 0, 2), ops("a61 r7"));
    const auto setup = std::find(t.begin(), t.end(), want[0]);
    EXPECT_EQ(slice(t, size_t(setup - t.begin()), want.size()), want);
    // The first chunk failed: nothing read, nothing written into the sample buffer.
    EXPECT_EQ((V{countPrefix(t, "usb-bulk-in"), std::count(sb.begin(), sb.end(), 0x55)}),
              (V{0, HW_SAMPLEBUF_LEN}));
}

// The even samples' deviation from the mean of their odd neighbours (the comb the two
// interleaved converters leave), as an RMS over the first 2000 samples.
double combRms(const uint8_t *x) {
    double sum = 0;
    for (int i = 100; i < 2000; i += 2)
        sum += std::pow(x[i] - (x[i - 1] + x[i + 1]) / 2.0, 2);
    return std::sqrt(sum / 950);
}

TEST_F(ReadbackTest, CalibrationRemovesTheConverterComb) {
    Settings s = arm();
    // A1 grounded (recalibrated for the grounded code); trigger on A2's sine.
    s.coupling[0] = 2, s.trigChannel = 1, s.level[1] = 203;
    ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
    EXPECT_LE(combRms(a1()), 1.0);
    // The trim search stops within a code above its target; the reference converter's own
    // gain error adds half a code 50 codes off mid-scale.
    EXPECT_NEAR(std::accumulate(a1() + 100, a1() + 2000, 0.0) / 1900, 178, 1.5);

    // A large sine through the middle of the screen: no even/odd comb beyond one code.
    setInputs({sim::Shape::Sine, 50e3, 0.4, 0}, {sim::Shape::Sine, 50e3, 0.8, 0});
    // At 50MSa/s the smoothing limit (4) is below the uncalibrated comb.
    s = Settings{.rate = 9, .pos = {128, 128}};
    ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
    EXPECT_LE(std::max(combRms(a1()), combRms(a2())), 1.0);
    const auto [lo, hi] = std::minmax_element(a1(), a1() + 2048);
    EXPECT_GT(*hi - *lo, 150) << "the sine spans most of the screen";
}

TEST_F(ReadbackTest, LogicWordTriggerAndForcedTrigger) {
    bringUp("usb");
    // The word's pattern and don't-care bits (D4..D7, D8..D15) after the analog levels.
    Settings s{.trigChannel = 2, .level = {128, 128, 0x05, 0xF0, 0x00, 0xFF}};
    auto word = [&](int i) { return (d8()[i] << 8 | d0()[i]) | 0xFFF0; };
    for (uint8_t slope : {0, 1}) {
        s.slope[2] = slope;
        for (int rec = 0; rec < 2; ++rec) {
            ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
            // Slope 0 triggers on entering the word, 1 on leaving it; the record shows the
            // change right after the trigger position.
            const int at = viewStart[0] + s.trigPos;
            EXPECT_EQ((V{word(at) == 0xFFF5, word(at + 1) == 0xFFF5}), (V{slope == 1, slope == 0}))
                << "record " << rec;
        }
    }
    EXPECT_EQ((V{ps[HW_PS_LogicMask], ps[HW_PS_LogicMatch]}), (V{0xFFF0, 0xFFF5}));

    // A level the input never reaches: the record waits until the trigger is forced.
    setInputs({sim::Shape::Dc, 0, 0, 0}, {sim::Shape::None, 0, 0, 0});
    Settings a;
    capture(a);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(poll(a), HW_STAT_WAIT_TRIGGER);
    ForceTrigger(ps, dc);
    EXPECT_EQ(pollUntilSettled(a, 5), HW_STAT_COMPLETE);
    EXPECT_NEAR(a1()[viewStart[0] + 100], 178, 2);
}

// Demo mode: the synthesised record, byte for byte, and its bounds at 128K.
TEST(DemoSynth, SquareTriangleAndCounterByteForByteToTheEndOfTheArea) {
    const int32_t n = 2048;
    std::vector<uint8_t> a1(n), a2(n), d0(n + 16, 0xEE), d8(n + 16, 0xEE);
    // 100MSa/s (step 2), A1 on 100mV (divisor 20) at 178, A2 on 5mV (divisor 1) at 128.
    DemoSynth(a1.data(), a2.data(), d0.data(), d8.data(), {n, 178, 128, 20, 1, 2, 10});
    // The triangle falls from 128 by 2 a sample to 8 (sample 60), climbs to 248 (sample 180)
    // and falls again to 8 (sample 300); the square is low (-120 / 20) while it falls.
    for (int i = 0; i <= 301; ++i)
        ASSERT_EQ(a1[i], i <= 60 || (i > 180 && i <= 300) ? 172 : 184) << i;
    EXPECT_EQ((V{a2[0], a2[1], a2[60], a2[61], a2[180], a2[181], a2[300]}),
              (V{128, 126, 8, 10, 248, 246, 8}));
    // The counter holds each value for 40 / 2 + 1 = 21 samples, starting 10 places in.
    EXPECT_EQ(
        (V{d0[9], d0[10], d0[30], d0[31], d8[31], d0[10 + 21 * 97], d0[n - 1 + 10], d0[n + 10]}),
        (V{0xEE, 0, 0, 1, 1, 97, (n - 1) / 21 % 256, 0xEE}));

    // 20GSa/s (step 20): the counter advances every 3 samples; ranges clamp to the screen.
    DemoSynth(a1.data(), a2.data(), d0.data(), d8.data(), {n, 250, 5, 1, 1, 20, 10});
    // 250 + 120 and 5 - 20 clamp.
    EXPECT_EQ((V{d0[10], d0[12], d0[13], d0[16], a1[0], a1[7], a2[1]}),
              (V{0, 0, 1, 2, 130, 255, 0}));
    EXPECT_EQ((V{DemoDivisor(5), DemoDivisor(8), DemoDivisor(9)}), (V{40, 4, 1}));

    // Areas of exactly 131072 bytes: the counter's last ten places would fall past the end.
    // Step 0 (no Capture yet) is taken as step 1: the counter holds 41 samples.
    const int32_t m = HW_SB_AREA_LEN;
    std::vector<uint8_t> b1(m), b2(m), e0(m), e8(m);
    DemoSynth(b1.data(), b2.data(), e0.data(), e8.data(), {m, 128, 128, 1, 1, 0, 10});
    EXPECT_EQ((V{e0[m - 1], e8[m - 1], b2[1]}), (V{(m - 11) / 41 % 256, (m - 11) / 41 % 256, 127}));
}

TEST_F(ReadbackTest, WithoutInstrumentGetTrigStatReturnsTheDemoRecord) {
    Settings s{.pos = {178, 128}, .vdiv = {4, 0}}; // Link 0
    capture(s);
    std::fill(sb.begin(), sb.end(), 0x55);
    EXPECT_EQ(poll(s), HW_STAT_COMPLETE);
    EXPECT_TRUE(sim::takeTrace().empty()) << "nothing sent";
    // The flat parts of the square and the straight parts of the triangle pass the smoothing
    // unchanged.
    EXPECT_EQ((V{a1()[0], a1()[60], a1()[61], a1()[180], a1()[181], a2()[1], a2()[30], a2()[120]}),
              (V{172, 172, 184, 184, 172, 126, 68, 128}));
    // No falling code through 128 after the position: the view starts 11 in.
    EXPECT_EQ((V{d0()[9], d0()[31], d8()[10 + 21 * 50], viewStart[0]}), (V{0x55, 1, 50, 11}));
}

// Equivalent-time sampling: a full series against the simulator, and the bounds of the merge
// and the gap filling.
TEST_F(ReadbackTest, EquivalentTimeSeriesAt20GSaMergesASmoothSine) {
    bringUp("usb");
    // A period of 293.7 samples at 20GSa/s (68 MHz), 3.67 samples at the converters'
    // 250MSa/s: successive crossings in one record fall on ever different clock phases.
    const double period = 293.7, freq = 20e9 / period;
    setInputs({sim::Shape::Sine, freq, 0.3, 0}, {sim::Shape::Sine, freq, 0.6, 0});
    Settings s{.rate = 0, .pos = {128, 128}};
    capture(s);
    // Every record but the last of the series reports "filling" (8).
    sim::captureTrace(false);
    int filling = 0, st = 0;
    for (int i = 0; i < 200 && st != HW_STAT_COMPLETE; ++i)
        filling += (st = poll(s)) == HW_STAT_FILLING;
    EXPECT_GE(filling, 1) << "a series takes more than one record";
    EXPECT_EQ((V{st, ps[HW_PS_EtsPasses], viewStart[0]}), (V{HW_STAT_COMPLETE, 0, 80}));
    EXPECT_LE(std::count(dc + HW_DC_EtsSlotSeen, dc + HW_DC_EtsSlotSeen + 80, 0), 4)
        << "the random phases reach nearly every slot";

    // 0.3 V at 100mV/div and 0.6 V at 200mV/div: 75 codes either way. The merged record is a
    // smooth sine (the ideal's second differences are below 0.04 codes) of the input's period:
    // its rising crossings through mid-level lie one period apart. The crossing of each pass
    // is only interpolated linearly, which blurs the record a little.
    for (int ch = 0; ch < 2; ++ch) {
        SCOPED_TRACE(ch);
        const uint8_t *x = ch == 0 ? a1() : a2();
        const auto [lo, hi] = std::minmax_element(x + 80, x + 1900);
        EXPECT_NEAR((*hi - *lo) / 2.0, 75.0, 7.5);
        double rough = 0;
        std::vector<int> up; // rising input: codes falling through 128
        for (int j = 81; j < 1900; ++j) {
            rough = std::max(rough, std::abs(x[j + 1] - 2.0 * x[j] + x[j - 1]));
            if (x[j - 1] > 128 && x[j] <= 128 && (up.empty() || j - up.back() > 100))
                up.push_back(j);
        }
        EXPECT_LE(rough, 4.0);
        ASSERT_GE(up.size(), 6u);
        EXPECT_NEAR((up.back() - up.front()) / double(up.size() - 1), period, 2.0);
    }

    // The next capture at the same rate starts a new series.
    capture(s);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 660);
}

TEST(EtsSteps, FillAndMergeStayInsideTheChannelAreas) {
    std::vector<uint8_t> sb(HW_SAMPLEBUF_LEN);
    uint8_t dc[HW_DEVCONFIG_LEN] = {}, slope[3] = {}, level[6] = {128, 128};
    int32_t ps[HW_PORTSTATE_LEN] = {};
    const auto a1 = sb.begin() + HW_SB_A1, a2 = sb.begin() + HW_SB_A2,
               d0 = sb.begin() + HW_SB_D0_D7, d8 = sb.begin() + HW_SB_D8_D15;
    uint8_t *const seen = dc + HW_DC_EtsSlotSeen;
    const int32_t N = HW_SB_AREA_LEN - 1;
    auto fresh = [&] { // A1 at 10, A2 at 200, the logic and raw areas at 77, no slot seen
        std::fill(a1, a2, 10);
        std::fill(a2, d0, 200);
        std::fill(d0, sb.end(), 77);
        std::fill(seen, seen + 80, 0);
    };
    dc[HW_DC_EtsFactor] = 80;
    for (int32_t P : {0, 7, 130000}) {
        SCOPED_TRACE(P);
        // Slot 5 seen, everything else a gap: slot 4 fills from its direct neighbours, the
        // others two samples apart. Slot 79's neighbour is slot 0 of the next sample.
        fresh();
        seen[5] = 1;
        for (int32_t x = P % 80 + 5; x < HW_SB_AREA_LEN; x += 80)
            a1[x] = 50;
        EtsFill(sb.data(), dc, P, N);
        // (10 + 50) / 2 two apart, then (30 + 50) / 2 from the direct neighbours; in the first
        // period and in the last one (1638), which ends at the end of the area.
        const int32_t last = P % 80 + 1638 * 80;
        EXPECT_EQ((V{a1[P % 80 + 3], a1[P % 80 + 4], a1[last + 3], a1[last + 4], a1[0],
                     a1[HW_SB_AREA_LEN - 1]}),
                  (V{30, 40, 30, 40, 10, 10}));
        // A1 and A2 stay in their areas.
        EXPECT_EQ((V{std::count(a2, d0, 200), std::count(d0, sb.end(), 77)}),
                  (V{HW_SB_AREA_LEN, 6 * HW_SB_AREA_LEN}));
    }

    // Merge at 128K with the trigger near either end: a falling code edge (rising input)
    // every 100 samples in the A1 scratch copy.
    for (int32_t P : {0, 131000}) {
        SCOPED_TRACE(P);
        fresh();
        for (int32_t i = 0; i < HW_SB_AREA_LEN; ++i)
            d0[i] = (i / 50) % 2 ? 60 : 190;
        std::fill(d8, d8 + HW_SB_AREA_LEN, 90);
        ps[HW_PS_EtsPasses] = 660, ps[HW_PS_EtsPos] = 80 + P / 80;
        EtsMerge(sb.data(), ps, dc, 0, slope, level, P, N);
        EXPECT_LT(ps[HW_PS_EtsPasses], 660);
        // The raw area and the scratch copy of A2 untouched, a single slot seen.
        EXPECT_EQ((V{std::count(sb.begin() + HW_SB_RAW, sb.end(), 77), d8[0],
                     std::count(seen, seen + 80, 0)}),
                  (V{4 * HW_SB_AREA_LEN, 90, 79}));
        // Every step from 190 to 60 crosses 128 at 68/130 of a sample before the 60: 42
        // eightieths, slot 41.
        EXPECT_EQ(seen[41], std::min(255, 660 - ps[HW_PS_EtsPasses]));
    }

    // A logic source has no analog copy: every record still counts as a pass.
    ps[HW_PS_EtsPasses] = 2;
    EtsMerge(sb.data(), ps, dc, 2, slope, level, 600, 2047);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 1);
}

// A failed access on a parallel port reads 0xFF, as the instrument's own bytes may: the port
// counts its failures. A read-out with one is read again and gives the instrument's record; a
// second failure loses the record and leaves the sample buffer alone; a failure in the set-up
// (a calibration read, a lost write) fails the Capture.
TEST_F(ReadbackTest, ParallelFailuresAreCountedNotTakenForData) {
    // Failed requests of a step of a clean run: the set-up (Capture), counted from its first
    // request, or the polls that end in the read-out, counted back from their last (negative)
    // or on after it (positive: into a second reading). Status 0: not looked at.
    enum Step { SetUp, Polls };
    // clang-format off
    const struct { Step step; std::vector<int64_t> at; uint8_t capture, status; } cases[] = {
        {SetUp, {40}, 0, 0},                          // a calibration read
        {SetUp, {-3}, 0, 0},                          // a write of the arming sequence
        {Polls, {-10}, 1, HW_STAT_COMPLETE},          // a byte near the record's end
        {Polls, {-4000, -10}, 1, HW_STAT_COMPLETE},   // two in one reading
        {Polls, {-10, 2000}, 1, HW_STAT_LINK_LOST}};  // the second reading fails too
    // clang-format on
    for (const char *link : {"epp", "bpp"}) {
        // The same fresh start each time; the changed range makes the Capture calibrate.
        auto start = [&] {
            reset();
            setInputs({sim::Shape::Sine, 2e5, 1.0, 0}, {sim::Shape::Dc, 0, 0, -0.5}, 0x1234);
            Settings s = arm(link);
            s.vdiv[0] = 5;
            std::fill(sb.begin(), sb.end(), 0x55);
            return s;
        };
        Settings s = start();
        const int64_t r0 = sim::faults().requests;
        ASSERT_EQ(capture(s), 1);
        const int64_t r1 = sim::faults().requests;
        ASSERT_EQ(pollUntilSettled(s), HW_STAT_COMPLETE);
        const int64_t r2 = sim::faults().requests;
        const std::vector<uint8_t> clean = sb;
        for (const auto &c : cases) {
            SCOPED_TRACE(testing::Message() << link << " step " << c.step << " at " << c.at[0]);
            Settings f = start();
            ASSERT_EQ(sim::faults().requests, r0);
            const int64_t from = c.step == SetUp ? r0 : r1, to = c.step == SetUp ? r1 : r2;
            for (const int64_t at : c.at)
                sim::faults().requestFaults.push_back(
                    {at < 0 ? to + 1 + at : (c.step == SetUp ? from : to) + at});
            EXPECT_EQ(capture(f), c.capture);
            if (c.status == 0) continue;
            EXPECT_EQ(pollUntilSettled(f), c.status);
            if (c.status == HW_STAT_COMPLETE)
                EXPECT_TRUE(sb == clean) << "the record is the instrument's";
            else
                EXPECT_EQ(std::count(sb.begin(), sb.end(), 0x55), HW_SAMPLEBUF_LEN);
        }
    }
}

// Over EPP a lost address write sends the next byte to the register selected before. Lost in
// the read-out's set-up (the timebase's address, right after the mode register was written),
// it disturbs the instrument: the record is lost, not read.
TEST_F(ReadbackTest, ALostReadOutAddressWriteLosesTheRecord) {
    auto start = [&] { // the same fresh start each time, up to the polls
        reset();
        setInputs({sim::Shape::Sine, 2e5, 1.0, 0}, {sim::Shape::Dc, 0, 0, -0.5}, 0x1234);
        Settings s = arm("epp");
        EXPECT_EQ(capture(s), 1);
        sim::takeTrace();
        std::fill(sb.begin(), sb.end(), 0x55);
        return s;
    };
    Settings s = start();
    const int64_t polled = sim::faults().requests;
    ASSERT_EQ(pollUntilSettled(s), HW_STAT_COMPLETE);
    const Trace t = filter(sim::takeTrace(), {"port-"});
    const auto readOut = std::find_if(
        t.rbegin(), t.rend(), [](const std::string &l) { return l.rfind("port-in", 0) != 0; });
    const auto timebase = std::find(readOut, t.rend(), std::string("port-out 891 56"));
    ASSERT_NE(timebase, t.rend());
    s = start();
    ASSERT_EQ(sim::faults().requests, polled);
    sim::faults().requestFaults.push_back({polled + (timebase.base() - t.begin())});
    EXPECT_EQ(pollUntilSettled(s), HW_STAT_LINK_LOST);
    EXPECT_EQ(std::count(sb.begin(), sb.end(), 0x55), HW_SAMPLEBUF_LEN);
}

// A lost request of a status poll leaves a byte that is not the status: over EPP a lost address
// write reads the register selected before (register 29 last written 0 reads 0x?F, whose low
// bits say "complete"), over BPP a lost read strobe reads the port's own latch. The poll says
// what a clean one says, and a record still waiting for its trigger is not read.
TEST_F(ReadbackTest, ALostRequestOfAStatusPollIsMadeAgain) {
    for (const auto &[link, lost] : {std::pair{"epp", "port-out 891 61"},    // the address write
                                     std::pair{"bpp", "port-out 890 34"}}) { // the read strobe
        SCOPED_TRACE(link);
        auto start = [&, link = link] { // the same fresh start each time, up to the poll
            reset();
            setInputs({sim::Shape::Dc, 0, 0, 0}, {sim::Shape::None, 0, 0, 0}); // never triggers
            Settings s = arm(link);
            capture(s);
            EXPECT_TRUE(WriteStrobe(ps, dc, ps[HW_PS_AddrSel], 29));
            EXPECT_TRUE(WriteStrobe(ps, dc, ps[HW_PS_DataSel], 0));
            sim::takeTrace();
            std::fill(sb.begin(), sb.end(), 0x55);
            return s;
        };
        Settings s = start();
        const int64_t polled = sim::faults().requests;
        ASSERT_EQ(poll(s), HW_STAT_WAIT_TRIGGER);
        const Trace t = filter(sim::takeTrace(), {"port-"});
        const auto at = std::find(t.begin(), t.end(), std::string(lost));
        ASSERT_NE(at, t.end());
        s = start();
        sim::faults().requestFaults.push_back({polled + (at - t.begin()) + 1});
        EXPECT_EQ(poll(s), HW_STAT_WAIT_TRIGGER);
        EXPECT_TRUE(sim::faults().requestFaults.empty()); // it struck
        EXPECT_EQ(std::count(sb.begin(), sb.end(), 0x55), HW_SAMPLEBUF_LEN);
    }
}

} // namespace
} // namespace hwlink::test
