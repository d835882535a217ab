// SPDX-License-Identifier: GPL-3.0-or-later
// Demo mode: the synthesised record, byte for byte, and its bounds at 128K.
#include "acq_fixture.h"

namespace hwlink::test {
namespace {

TEST(DemoSynth, SquareTriangleAndCounterByteForByte) {
    const int32_t n = 2048;
    std::vector<uint8_t> a1(n), a2(n), d0(n + 16, 0xEE), d8(n + 16, 0xEE);
    // 100MSa/s (step 2), A1 on 100mV (divisor 20) at 178, A2 on 5mV (divisor 1) at 128.
    DemoSynth(a1.data(), a2.data(), d0.data(), d8.data(), {n, 178, 128, 20, 1, 2, 10});
    // The triangle falls from 128 by 2 a sample to 8 (sample 60), climbs to 248 (sample 180)
    // and falls again to 8 (sample 300); the square is low (-120 / 20) while it falls.
    for (int i = 0; i <= 60; ++i)
        ASSERT_EQ(a1[i], 172) << i;
    for (int i = 61; i <= 180; ++i)
        ASSERT_EQ(a1[i], 184) << i;
    for (int i = 181; i <= 300; ++i)
        ASSERT_EQ(a1[i], 172) << i;
    EXPECT_EQ(a1[301], 184);
    EXPECT_EQ(a2[0], 128);
    EXPECT_EQ(a2[1], 126);
    EXPECT_EQ(a2[60], 8);
    EXPECT_EQ(a2[61], 10);
    EXPECT_EQ(a2[180], 248);
    EXPECT_EQ(a2[181], 246);
    EXPECT_EQ(a2[300], 8);
    // The counter holds each value for 40 / 2 + 1 = 21 samples, starting 10 places in.
    EXPECT_EQ(d0[9], 0xEE);
    EXPECT_EQ(d0[10], 0);
    EXPECT_EQ(d0[30], 0);
    EXPECT_EQ(d0[31], 1);
    EXPECT_EQ(d8[31], 1);
    EXPECT_EQ(d0[10 + 21 * 97], 97);
    EXPECT_EQ(d0[n - 1 + 10], uint8_t((n - 1) / 21));
    EXPECT_EQ(d0[n + 10], 0xEE);

    // 20GSa/s (step 20): the counter advances every 3 samples; ranges clamp to the screen.
    DemoSynth(a1.data(), a2.data(), d0.data(), d8.data(), {n, 250, 5, 1, 1, 20, 10});
    EXPECT_EQ(d0[10], 0);
    EXPECT_EQ(d0[12], 0);
    EXPECT_EQ(d0[13], 1);
    EXPECT_EQ(d0[16], 2);
    EXPECT_EQ(a1[0], 130);
    EXPECT_EQ(a1[7], 255) << "250 + 120 clamps";
    EXPECT_EQ(a2[1], 0) << "5 - 20 clamps";
    EXPECT_EQ(DemoDivisor(5), 40);
    EXPECT_EQ(DemoDivisor(8), 4);
    EXPECT_EQ(DemoDivisor(9), 1);
}

TEST(DemoSynth, CounterStopsAtTheEndOfThe128KArea) {
    // Areas of exactly 131072 bytes: the counter's last ten places would fall past the end.
    const int32_t n = HW_SB_AREA_LEN;
    std::vector<uint8_t> a1(n), a2(n), d0(n), d8(n);
    DemoSynth(a1.data(), a2.data(), d0.data(), d8.data(), {n, 128, 128, 1, 1, 0, 10});
    // Step 0 (no Capture yet) is taken as step 1: the counter holds 41 samples.
    EXPECT_EQ(d0[n - 1], uint8_t((n - 1 - 10) / 41));
    EXPECT_EQ(d8[n - 1], uint8_t((n - 1 - 10) / 41));
    EXPECT_EQ(a2[1], 127);
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
    EXPECT_EQ(a1()[0], 172);
    EXPECT_EQ(a1()[60], 172);
    EXPECT_EQ(a1()[61], 184);
    EXPECT_EQ(a1()[180], 184);
    EXPECT_EQ(a1()[181], 172);
    EXPECT_EQ(a2()[1], 126);
    EXPECT_EQ(a2()[30], 68);
    EXPECT_EQ(a2()[120], 128);
    EXPECT_EQ(d0()[9], 0x55);
    EXPECT_EQ(d0()[31], 1);
    EXPECT_EQ(d8()[10 + 21 * 50], 50);
    EXPECT_EQ(viewStart[0], 11) << "no falling code through 128 after the position";
}

} // namespace
} // namespace hwlink::test
