// SPDX-License-Identifier: GPL-3.0-or-later
#include "hwlink.h"
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

namespace {

using V = std::vector<int64_t>;

enum { VMax, VMin, VAvg, Vpp, VRms, CycRms, Rise, Fall, PlusW, MinusW, Period, Freq, Mid };

// Runs the engine on `s` placed 50 bytes into a larger buffer (start index 50).
std::vector<int32_t> testAd(const std::vector<uint8_t> &s, int32_t offset = 128,
                            int32_t level = 128) {
    std::vector<uint8_t> buf(50, 0);
    buf.insert(buf.end(), s.begin(), s.end());
    buf.resize(buf.size() + 50, 255);
    std::vector<int32_t> r(HW_MEAS_RECORD_LEN, 0x5A5A);
    TestAd(buf.data(), 50, offset, level, r.data(), int32_t(s.size()));
    return r;
}

void append(std::vector<uint8_t> &v, int count, uint8_t byte) {
    v.insert(v.end(), count, byte);
}

// Codes 50 (high) and 200 (low): 150 codes apart, 10 % and 90 % at 185 and 65.
constexpr uint8_t kHigh = 50, kLow = 200;

} // namespace

TEST(TestAd, FlatTraceHasAmplitudesButNoTiming) {
    const std::vector<uint8_t> flat(300, 100);
    // Offset: low 16 bits, signed; level: low 8 bits.
    const auto r = testAd(flat, 0x10080, 0x180);
    EXPECT_EQ(std::vector<int32_t>(r.begin(), r.begin() + 13),
              (std::vector<int32_t>{155, 155, 155, 0, 28, -1, -1, -1, 0, 0, 0, 0, 100}));
    EXPECT_EQ(testAd(flat, 300)[VRms], 200);    // zero level below the code range
    EXPECT_EQ(testAd(flat, 0xFFFF)[VRms], 101); // -1
    std::vector<int32_t> untouched(HW_MEAS_RECORD_LEN, 0x5A5A);
    TestAd(const_cast<uint8_t *>(flat.data()), 0, 128, 128, untouched.data(), 0);
    EXPECT_EQ(untouched, std::vector<int32_t>(HW_MEAS_RECORD_LEN, 0x5A5A));
}

TEST(TestAd, SquareWaveFromMidPulseMeasuresTheFirstCompletePulses) {
    for (bool startsHigh : {true, false}) {
        std::vector<uint8_t> s;
        append(s, 3, startsHigh ? kHigh : kLow); // partial pulse, skipped
        for (int k = 0; k < 10; ++k) {           // then -width 12 and +width 8, in turn
            const bool high = (k % 2 == 0) != startsHigh;
            append(s, high ? 8 : 12, high ? kHigh : kLow);
        }
        const auto r = testAd(s);
        const long sum = std::accumulate(s.begin(), s.end(), 0L);
        long dev = 0; // |byte - 128| summed
        for (uint8_t b : s)
            dev += b > 128 ? b - 128 : 128 - b;
        // Cycle RMS over any whole period: 12 low, 8 high. Edges of one sample.
        EXPECT_EQ(std::vector<int32_t>(r.begin(), r.begin() + 13),
                  (std::vector<int32_t>{205, 55, int32_t(255 - sum / long(s.size())), 150,
                                        int32_t(dev / long(s.size())), (12 * 72 + 8 * 78) / 20, 0,
                                        0, 8, 12, 20, 0, 125}))
            << startsHigh;
    }
}

TEST(TestAd, SingleEdgeHasNoPeriod) {
    std::vector<uint8_t> s;
    append(s, 30, kHigh);
    append(s, 30, kLow);
    const auto r = testAd(s); // the one edge falls; a rising edge never comes
    EXPECT_EQ((V{r[PlusW], r[MinusW], r[Period], r[CycRms], r[Fall], r[Rise]}),
              (V{0, 0, 0, -1, 0, -1}));
}

TEST(TestAd, TrapezoidRiseAndFallBetweenTenAndNinetyPercent) {
    // Rising ramp 195, 190 .. 50 (5 codes a sample), falling ramp 53, 56 .. 200 (3 a sample).
    std::vector<uint8_t> up, down;
    for (int v = 195; v >= 50; v -= 5)
        up.push_back(uint8_t(v));
    for (int v = 53; v <= 200; v += 3)
        down.push_back(uint8_t(v));
    // The edge counts every ramp sample from above 10 % (< 185) up to above 90 % (< 65): 180
    // to 65, 24 samples; and from below 90 % (> 65) up to below 10 % (> 185): 68 to 185, 40.
    const int rise = 24, fall = 40;
    for (bool startsHigh : {false, true}) {
        std::vector<uint8_t> s;
        append(s, 10, startsHigh ? kHigh : kLow);
        for (int edge = 0; edge < 2; ++edge) {
            const bool rising = (edge == 0) != startsHigh;
            s.insert(s.end(), (rising ? up : down).begin(), (rising ? up : down).end());
            append(s, 20, rising ? kHigh : kLow);
        }
        const auto r = testAd(s);
        EXPECT_EQ((V{r[Rise], r[Fall]}), (V{rise, fall})) << startsHigh;
        // End the stretch on the sample that completes the second edge (60 of the rising
        // ramp, 2 before its end; 188 of the falling one, 4 before): then it is not found.
        s.resize(s.size() - 20 - (startsHigh ? 2 : 4));
        const auto cut = testAd(s);
        EXPECT_EQ((V{cut[Rise], cut[Fall]}), startsHigh ? (V{-1, fall}) : (V{rise, -1}));
    }
}

// A first sample exactly at the trigger level counts as high (byte <= level), so the partial
// run skipped at the start is a high one; a byte one above the level (a lower voltage) starts a
// low one.
TEST(TestAd, FirstSampleAtTheLevelStartsAHighRun) {
    const struct {
        uint8_t first;
        int32_t plus, minus;
    } cases[] = {{128, 15, 10}, {129, 15, 12}};
    for (const auto &c : cases) {
        std::vector<uint8_t> s{c.first};
        append(s, 10, kLow);
        append(s, 15, kHigh);
        append(s, 12, kLow);
        append(s, 5, kHigh);
        const auto r = testAd(s);
        EXPECT_EQ((std::vector<int32_t>{r[PlusW], r[MinusW], r[Period]}),
                  (std::vector<int32_t>{c.plus, c.minus, c.plus + c.minus}))
            << int(c.first);
    }
}
