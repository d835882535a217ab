// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement engine and the data helpers (the word under a bar, the logic search, the
// crossing counter) on short records, and on indexes and stretches at and past the areas' ends.
#include "hwlink.h"
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <vector>

namespace {

using V = std::vector<int64_t>;
using R = std::vector<int32_t>;

enum { VMax, VMin, VAvg, Vpp, VRms, CycRms, Rise, Fall, PlusW, MinusW, Period, Freq, Mid };

constexpr int32_t kArea = HW_SB_AREA_LEN;

// Runs the engine on `s` placed 50 bytes into a larger buffer (start index 50).
R testAd(const std::vector<uint8_t> &s, int32_t offset = 128, int32_t level = 128) {
    std::vector<uint8_t> buf(50, 0);
    buf.insert(buf.end(), s.begin(), s.end());
    buf.resize(buf.size() + 50, 255);
    R r(HW_MEAS_RECORD_LEN, 0x5A5A);
    TestAd(buf.data(), 50, offset, level, r.data(), int32_t(s.size()));
    return r;
}

// Codes 50 (high) and 200 (low): 150 codes apart, 10 % and 90 % at 185 and 65.
constexpr uint8_t kHigh = 50, kLow = 200;

TEST(TestAd, FlatTraceHasAmplitudesButNoTiming) {
    const std::vector<uint8_t> flat(300, 100);
    // Offset: low 16 bits, signed; level: low 8 bits.
    const auto r = testAd(flat, 0x10080, 0x180);
    EXPECT_EQ(R(r.begin(), r.begin() + 13), (R{155, 155, 155, 0, 28, -1, -1, -1, 0, 0, 0, 0, 100}));
    // A zero level below the code range, and at -1.
    EXPECT_EQ((V{testAd(flat, 300)[VRms], testAd(flat, 0xFFFF)[VRms]}), (V{200, 101}));
    EXPECT_EQ(testAd({}), R(HW_MEAS_RECORD_LEN, 0x5A5A)) << "an empty stretch is not measured";
}

// Pulses entered part-way: -width 12 and +width 8 in turn. A span of 10 codes is too small for
// any timing; 11 codes are enough.
TEST(TestAd, SquareWaveFromMidPulseMeasuresTheFirstCompletePulses) {
    // cycle RMS over a whole period: 12 low, 8 high
    // clang-format off
    const struct { uint8_t high, low; int32_t mid, cycRms; } levels[] = {
        {kHigh, kLow, 125, (12 * 72 + 8 * 78) / 20},
        {119, 130, 124, (12 * 2 + 8 * 9) / 20},
        {120, 130, 125, -1}};
    // clang-format on
    for (const auto &l : levels) {
        for (bool startsHigh : {true, false}) {
            std::vector<uint8_t> s;
            s.insert(s.end(), 3, startsHigh ? l.high : l.low); // partial pulse, skipped
            for (int k = 0; k < 10; ++k) {
                const bool high = (k % 2 == 0) != startsHigh;
                s.insert(s.end(), high ? 8 : 12, high ? l.high : l.low);
            }
            const auto r = testAd(s);
            const long n = long(s.size()), sum = std::accumulate(s.begin(), s.end(), 0L);
            const long dev = std::accumulate( // |byte - 128| summed
                s.begin(), s.end(), 0L, [](long a, uint8_t b) { return a + std::abs(b - 128); });
            const bool timed = l.cycRms >= 0; // edges of one sample
            EXPECT_EQ(R(r.begin(), r.begin() + 13),
                      (R{255 - l.high, 255 - l.low, int32_t(255 - sum / n), l.low - l.high,
                         int32_t(dev / n), l.cycRms, timed - 1, timed - 1, timed * 8, timed * 12,
                         timed * 20, 0, l.mid}))
                << int(l.high) << " " << startsHigh;
        }
    }
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
        s.insert(s.end(), 10, startsHigh ? kHigh : kLow);
        for (int edge = 0; edge < 2; ++edge) {
            const bool rising = (edge == 0) != startsHigh;
            s.insert(s.end(), (rising ? up : down).begin(), (rising ? up : down).end());
            s.insert(s.end(), 20, rising ? kHigh : kLow);
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

// Runs of one-sample edges: +width, -width, period, cycle RMS, fall and rise. A first sample
// exactly at the trigger level counts as high (byte <= level), so the partial run skipped at the
// start is a high one; a byte one above the level (a lower voltage) starts a low one. The cycle
// RMS is |byte - 128| over the first whole period. A single edge (falling: a rising one never
// comes) has no period.
TEST(TestAd, RunsAfterThePartialFirstOne) {
    // clang-format off
    const struct { std::vector<std::pair<int, uint8_t>> runs; R want; } cases[] = {
        {{{1, 128}, {10, kLow}, {15, kHigh}, {12, kLow}, {5, kHigh}},
         {15, 10, 25, (15 * 78 + 10 * 72) / 25, 0, 0}},
        {{{1, 129}, {10, kLow}, {15, kHigh}, {12, kLow}, {5, kHigh}},
         {15, 12, 27, (15 * 78 + 12 * 72) / 27, 0, 0}},
        {{{30, kHigh}, {30, kLow}}, {0, 0, 0, -1, 0, -1}},
    };
    // clang-format on
    for (const auto &c : cases) {
        std::vector<uint8_t> s;
        for (const auto &[count, byte] : c.runs)
            s.insert(s.end(), count, byte);
        const auto r = testAd(s);
        EXPECT_EQ((R{r[PlusW], r[MinusW], r[Period], r[CycRms], r[Fall], r[Rise]}), c.want)
            << int(c.runs[0].second);
    }
}

// A 20-sample record (last sample 19) placed 100 samples into the logic areas.
struct Record {
    std::vector<uint8_t> lo = std::vector<uint8_t>(200, 0), hi = std::vector<uint8_t>(200, 0);
    int32_t view[4] = {100, 0, 0, 0};
    explicit Record(const std::map<int, uint16_t> &words) {
        for (auto [x, w] : words) {
            lo[100 + x] = uint8_t(w);
            hi[100 + x] = uint8_t(w >> 8);
        }
    }
    // Returns the position found (BarPos[3]); the bar itself must not move.
    int32_t search(int32_t pattern, int32_t mask, uint8_t bar, int32_t from, uint8_t dir) {
        int32_t word[2] = {pattern, mask}, barPos[4] = {-7, -7, -7, -7};
        barPos[bar] = from;
        SearchVdata(lo.data(), hi.data(), word, bar, dir, view, barPos, 19);
        EXPECT_EQ(barPos[bar], from);
        return barPos[3];
    }
};

TEST(SearchVdata, LeavesTheCurrentRunFindsTheNextWrapsAtBothEndsOrStays) {
    // Runs matching 0x12A5 with D1, D0 don't care at 5..7 and 14..15; near misses at 10, 11;
    // a match on the last sample (19).
    // clang-format off
    Record r({{5, 0x12A4}, {6, 0x12A5}, {7, 0x12A7}, {10, 0x12A8}, {11, 0x02A5}, {14, 0x12A6},
              {15, 0x12A5}});
    // clang-format on
    // Forward to the next run; backward past 0 to the end; forward past the end to 0; starting
    // outside a run; every bit counting.
    EXPECT_EQ((V{r.search(0x12A5, 0x0003, 0, 6, 0), r.search(0x12A5, 0x0003, 1, 6, 1),
                 r.search(0x12A5, 0x0003, 0, 15, 0), r.search(0x12A5, 0x0003, 1, 3, 1),
                 r.search(0x12A5, 0x0000, 0, 3, 0)}),
              (V{14, 15, 5, 15, 6}));
    Record last({{19, 0x0042}, {3, 0x0042}});
    EXPECT_EQ((V{last.search(0x0042, 0, 0, 3, 0), last.search(0x0042, 0, 0, 19, 0)}), (V{19, 3}));

    // The bar stays when nothing else matches (a single run is found again from its other end).
    Record one({{5, 0x12A4}, {6, 0x12A5}, {7, 0x12A7}});
    // From its end, and round to the start of its own run; sixteen "x": every sample matches; a
    // bar off the record stays put.
    EXPECT_EQ((V{one.search(0x12A5, 0x0003, 0, 5, 0), one.search(0x12A5, 0x0003, 1, 6, 0),
                 one.search(0, 0xFFFF, 0, 9, 1), one.search(0x12A5, 0x0003, 0, 40, 0)}),
              (V{5, 5, 9, 40}));

    // One pass visits every position: the single match one sample behind the bar is found,
    // either way round and across either end of the record.
    const int32_t behind[][3] = {{8, 9, 0}, {8, 7, 1}, {19, 0, 0}, {0, 19, 1}}; // match, bar, dir
    for (const auto &b : behind) {
        Record r1(std::map<int, uint16_t>{{b[0], 0x0F0F}});
        EXPECT_EQ(r1.search(0x0F0F, 0, 0, b[1], uint8_t(b[2])), b[0]) << b[1];
    }
}

// Periods, span and the returned value.
R testFreq(const std::vector<uint8_t> &s, int32_t start, int32_t level, int32_t end) {
    int32_t res[HW_MEAS_RECORD_LEN] = {};
    const int32_t ret = TestFreq(const_cast<uint8_t *>(s.data()), start, level, res, end);
    return {res[HW_MEAS_PERIODS], res[HW_MEAS_SPAN], ret};
}

// A flat trace and a single crossing have no period and no span; a square wave counts its whole
// periods and ignores noise inside the hysteresis.
TEST(TestFreq, PeriodsAndSpan) {
    std::vector<uint8_t> flat(500, 127), step(500, 60);
    std::fill(step.begin() + 200, step.end(), 200);
    EXPECT_EQ(testFreq(flat, 0, 128, 499), (R{-1, 0, -1}));
    EXPECT_EQ(testFreq(step, 0, 128, 499), (R{0, 0, -1}));

    // Period 40, entered 10 samples into a pulse: 17 samples high (byte 60), a noisy step
    // around the level (129, 127, 128, 127: inside +-2), then 19 samples low (byte 200) with a
    // spike to 127 in their middle.
    std::vector<uint8_t> s(1000, 0);
    for (size_t i = 0; i < s.size(); ++i) {
        const int k = int(i + 10) % 40;
        s[i] = k < 17 ? 60 : k < 21 ? uint8_t(127 + (k % 2) * 2 - (k == 19)) : k == 30 ? 127 : 200;
    }
    // The wave starts high (byte <= level), so the counted crossings are the first low
    // samples, at 21 - 10 + 40 m; each is remembered as index + 1. With end 732 the crossing
    // at 731 is the last sample and does not count.
    for (int32_t end : {999, 732}) {
        std::vector<int32_t> at;
        for (int32_t i = 11; i + 1 < end; i += 40)
            at.push_back(i + 1);
        const int32_t span = at.back() - at.front() - 1;
        EXPECT_EQ(testFreq(s, 0, 128, end), (R{int32_t(at.size()) - 1, span, span}));
    }
    // Crossings at 40 + 11 and 40 + 51.
    EXPECT_EQ(testFreq(s, 40, 128, 80), (R{1, 39, 39}));
}

// Indexes and stretches at and past the end of the areas (each buffer exactly one area long,
// so that the sanitizer build sees any access past it).
TEST(AreaBounds, HelpersAndMeasurementsKeepToTheArea) {
    std::vector<uint8_t> lo(kArea, 0), hi(kArea, 0);
    lo[kArea - 1] = 0xA6, hi[kArea - 1] = 0x3D;
    uint8_t bits[16], pair[2];
    for (const int32_t index : {kArea, -1, INT32_MIN, kArea - 1}) {
        GetVbarData(lo.data(), hi.data(), index, bits, pair);
        EXPECT_EQ(pair[0] | pair[1] << 8, index == kArea - 1 ? 0x3DA6 : 0) << index;
    }
    // The word under the bar (the last one read) is split into its sixteen bits, D0 first.
    EXPECT_EQ(V(bits, bits + 16), (V{0, 1, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1, 1, 1, 0, 0}));

    int32_t word[2] = {0x3DA6, 0};
    for (const auto &[start, found] : {std::pair{kArea - 5, 4}, {kArea, 1}, {-1, 1}}) {
        int32_t view[4] = {start, 0, 0, 0}, barPos[4] = {1, 0, 0, 0};
        SearchVdata(lo.data(), hi.data(), word, 0, 0, view, barPos, INT32_MAX);
        EXPECT_EQ(barPos[3], found) << start; // found at the last sample, or the bar stays
    }

    std::vector<uint8_t> wave(kArea);
    for (int32_t i = 0; i < kArea; ++i)
        wave[size_t(i)] = i % 20 < 10 ? 50 : 200;
    // clang-format off
    const int32_t freq[][4] = {{kArea - 100, 128, 1000, 4}, {kArea, 128, 10, -1},
                               {0, INT32_MAX, kArea, -1},   {0, INT32_MIN, kArea, -1}};
    // clang-format on
    for (const auto &f : freq) // the periods
        EXPECT_EQ(testFreq(wave, f[0], f[1], f[2])[0], f[3]) << f[0] << " level " << f[1];
    const int32_t ad[][3] = {{kArea - 15, 1000, 10}, {kArea, 10, 0x5A}, {-1, 10, 0x5A}};
    for (const auto &a : ad) {
        R r(HW_MEAS_RECORD_LEN, 0x5A);
        TestAd(wave.data(), a[0], 128, 128, r.data(), a[1]);
        // +Width: the one complete high run of the 15 samples left, or untouched.
        EXPECT_EQ(r[PlusW], a[2]) << a[0];
    }
}

} // namespace
