// SPDX-License-Identifier: GPL-3.0-or-later
#include "hwlink.h"
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {
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
} // namespace

TEST(SearchVdata, LeavesTheCurrentRunFindsTheNextWrapsAtBothEndsOrStays) {
    // Runs matching 0x12A5 with D1, D0 don't care at 5..7 and 14..15; near misses at 10, 11.
    Record r({{5, 0x12A4},
              {6, 0x12A5},
              {7, 0x12A7},
              {10, 0x12A8},
              {11, 0x02A5},
              {14, 0x12A6},
              {15, 0x12A5}});
    EXPECT_EQ(r.search(0x12A5, 0x0003, 0, 6, 0), 14);
    EXPECT_EQ(r.search(0x12A5, 0x0003, 1, 6, 1), 15); // backward past 0 to the end
    EXPECT_EQ(r.search(0x12A5, 0x0003, 0, 15, 0), 5); // forward past the end to 0
    EXPECT_EQ(r.search(0x12A5, 0x0003, 1, 3, 1), 15); // starting outside a run
    EXPECT_EQ(r.search(0x12A5, 0x0000, 0, 3, 0), 6);  // every bit counts

    // The bar stays when nothing else matches.
    Record one({{5, 0x12A4}, {6, 0x12A5}, {7, 0x12A7}});
    EXPECT_EQ(one.search(0x12A5, 0x0003, 0, 5, 0), 5);
    EXPECT_EQ(one.search(0x12A5, 0x0003, 1, 6, 0), 6);
    EXPECT_EQ(one.search(0, 0xFFFF, 0, 9, 1), 9);        // sixteen "x": every sample matches
    EXPECT_EQ(one.search(0x12A5, 0x0003, 0, 40, 0), 40); // a bar off the record stays put
}

namespace {
// Periods, span and the returned value.
std::vector<int32_t> testFreq(const std::vector<uint8_t> &s, int32_t start, int32_t level,
                              int32_t end) {
    int32_t res[HW_MEAS_RECORD_LEN] = {};
    const int32_t ret = TestFreq(const_cast<uint8_t *>(s.data()), start, level, res, end);
    return {res[HW_MEAS_PERIODS], res[HW_MEAS_SPAN], ret};
}
} // namespace

TEST(TestFreq, FlatTraceAndSingleCrossingHaveNoPeriodAndNoSpan) {
    std::vector<uint8_t> flat(500, 127), step(500, 60);
    std::fill(step.begin() + 200, step.end(), 200);
    EXPECT_EQ(testFreq(flat, 0, 128, 499), (std::vector<int32_t>{-1, 0, -1}));
    EXPECT_EQ(testFreq(step, 0, 128, 499), (std::vector<int32_t>{0, 0, -1}));
}

TEST(TestFreq, SquareWaveCountsWholePeriodsAndIgnoresNoiseInsideTheHysteresis) {
    // Period 40, entered 10 samples into a pulse: 17 samples high (byte 60), a noisy step
    // around the level (129, 127, 128, 127: inside +-2), then 19 samples low (byte 200).
    std::vector<uint8_t> s(1000, 0);
    for (size_t i = 0; i < s.size(); ++i) {
        const int k = int(i + 10) % 40;
        s[i] = k < 17 ? 60 : k < 21 ? uint8_t(127 + (k % 2) * 2 - (k == 19)) : 200;
    }
    // The wave starts high (byte <= level), so the counted crossings are the first low
    // samples, at 21 - 10 + 40 m; each is remembered as index + 1. With end 732 the crossing
    // at 731 is the last sample and does not count.
    for (int32_t end : {999, 732}) {
        std::vector<int32_t> at;
        for (int32_t i = 11; i + 1 < end; i += 40)
            at.push_back(i + 1);
        const int32_t span = at.back() - at.front() - 1;
        EXPECT_EQ(testFreq(s, 0, 128, end),
                  (std::vector<int32_t>{int32_t(at.size()) - 1, span, span}));
    }
    // Crossings at 40 + 11 and 40 + 51.
    EXPECT_EQ(testFreq(s, 40, 128, 80), (std::vector<int32_t>{1, 39, 39}));
}
