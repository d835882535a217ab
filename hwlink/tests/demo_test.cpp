// SPDX-License-Identifier: GPL-3.0-or-later
// Demo mode: the synthesised record, byte for byte, and its bounds at 128K.
#include "sim_fixture.h"

namespace hwlink::test {
namespace {

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

class DemoTest : public AcqTest {};

TEST_F(DemoTest, GetTrigStatWithoutInstrumentReturnsTheDemoRecord) {
    Settings s; // Link 0
    s.vdiv[1] = 0;
    s.pos[1] = 128;
    capture(s);
    std::fill(sb.begin(), sb.end(), 0x55);
    EXPECT_EQ(poll(s), HW_STAT_COMPLETE);
    EXPECT_TRUE(sim::takeTrace().empty()) << "nothing sent";
    // The flat parts of the square and the straight parts of the triangle pass the smoothing
    // unchanged.
    EXPECT_EQ((V{a1()[0], a1()[60], a1()[61], a1()[180], a1()[181], a2()[1], a2()[30], a2()[120]}),
              (V{172, 172, 184, 184, 172, 126, 68, 128}));
    EXPECT_EQ((V{d0()[9], d0()[31], d8()[10 + 21 * 50]}), (V{0x55, 1, 50}));
    EXPECT_EQ(viewStart[0], 11) << "no falling code through 128 after the position";
}

} // namespace
} // namespace hwlink::test
