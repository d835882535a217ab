// SPDX-License-Identifier: GPL-3.0-or-later
// Equivalent-time sampling: a full series against the simulator, and the bounds of the merge
// and the gap filling.
#include "sim_fixture.h"
#include <cmath>

namespace hwlink::test {
namespace {

class EtsTest : public AcqTest {};

TEST_F(EtsTest, SeriesAt20GSaMergesASmoothSine) {
    bringUp("usb");
    // A period of 293.7 samples at 20GSa/s (68 MHz), 3.67 samples at the converters'
    // 250MSa/s: successive crossings in one record fall on ever different clock phases.
    const double period = 293.7;
    const double freq = 20e9 / period;
    setInputs({sim::Shape::Sine, freq, 0.3, 0}, {sim::Shape::Sine, freq, 0.6, 0});
    Settings s;
    s.rate = 0;
    s.pos[0] = s.pos[1] = 128;
    capture(s);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 660);
    // Every record but the last of the series reports "filling" (8).
    sim::captureTrace(false);
    int filling = 0;
    uint8_t st = 0;
    for (int i = 0; i < 200 && st != HW_STAT_COMPLETE; ++i)
        filling += (st = poll(s)) == HW_STAT_FILLING;
    EXPECT_EQ(st, HW_STAT_COMPLETE);
    EXPECT_GE(filling, 1) << "a series takes more than one record";
    EXPECT_EQ((V{ps[HW_PS_EtsPasses], viewStart[0]}), (V{0, 80}));
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
    uint8_t dc[HW_DEVCONFIG_LEN] = {};
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
        EXPECT_EQ(std::count(a2, d0, 200), HW_SB_AREA_LEN) << "A1 stays in its area";
        EXPECT_EQ(std::count(d0, sb.end(), 77), 6 * HW_SB_AREA_LEN) << "A2 stays in its area";
    }

    // Merge at 128K with the trigger near either end: a falling code edge (rising input)
    // every 100 samples in the A1 scratch copy.
    for (int32_t P : {0, 131000}) {
        SCOPED_TRACE(P);
        fresh();
        for (int32_t i = 0; i < HW_SB_AREA_LEN; ++i)
            d0[i] = (i / 50) % 2 ? 60 : 190;
        std::fill(d8, d8 + HW_SB_AREA_LEN, 90);
        ps[HW_PS_EtsPasses] = 660;
        ps[HW_PS_EtsPos] = 80 + P / 80;
        uint8_t slope[3] = {0, 0, 0}, level[6] = {128, 128, 0, 0, 0, 0};
        EtsMerge(sb.data(), ps, dc, 0, slope, level, P, N);
        EXPECT_LT(ps[HW_PS_EtsPasses], 660);
        EXPECT_EQ(std::count(sb.begin() + HW_SB_RAW, sb.end(), 77), 4 * HW_SB_AREA_LEN);
        EXPECT_EQ(d8[0], 90);
        // Every step from 190 to 60 crosses 128 at 68/130 of a sample before the 60: 42
        // eightieths, slot 41.
        EXPECT_EQ(seen[41], std::min(255, 660 - ps[HW_PS_EtsPasses]));
        EXPECT_EQ(std::count(seen, seen + 80, 0), 79);
    }

    // A logic source has no analog copy: every record still counts as a pass.
    ps[HW_PS_EtsPasses] = 2;
    uint8_t slope[3] = {0, 0, 0}, level[6] = {};
    EtsMerge(sb.data(), ps, dc, 2, slope, level, 600, 2047);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 1);
}

} // namespace
} // namespace hwlink::test
