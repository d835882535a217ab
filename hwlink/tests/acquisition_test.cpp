// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition set-up and arming: the register sequences of Capture, ForceTrigger and the direct
// read-out as the simulated instrument sees them, and the chains and packets they are built of.
#include "acq_fixture.h"
#include "src/acquisition.h"
#include "src/clock.h"

namespace hwlink::test {
namespace {

Trace strobes(const StrobeSeq &q) {
    Trace t;
    for (int i = 0; i < q.n; ++i)
        t.push_back((q.s[i].data ? "wr " : "addr ") + std::to_string(q.s[i].value));
    return t;
}

Trace block(int addr, const uint8_t *bytes, size_t n) {
    Trace t{"addr " + std::to_string(addr)};
    for (size_t i = 0; i < n; ++i)
        t.push_back("wr " + std::to_string(bytes[i]));
    return t;
}
template <size_t N> Trace block(int addr, const std::array<uint8_t, N> &b) {
    return block(addr, b.data(), N);
}

Trace reads(size_t n) {
    return Trace(n, "rd");
}

// Read events lose their values: the samples are the simulator's business here.
Trace withoutReadValues(const Trace &t) {
    Trace out = t;
    for (auto &l : out)
        if (l.rfind("rd ", 0) == 0) l = "rd";
    return out;
}

TEST(AcquisitionChains, FrontEndCodesAndChain) {
    EXPECT_EQ(FrontEndCode(0, 2), 0x15) << "5mV, GND";
    EXPECT_EQ(FrontEndCode(0, 0), 0xC5) << "5mV, DC";
    EXPECT_EQ(FrontEndCode(4, 1), 0x48) << "100mV, AC";
    EXPECT_EQ(FrontEndCode(8, 0), 0xA0) << "2V, DC";
    EXPECT_EQ(FrontEndCode(9, 0), 0) << "no such range";
    // 0x18 into A1 (select 16, clock 8): data on bit 2, clocked MSB first.
    const std::array<uint8_t, 19> want = {16, 16, 24, 16, 24, 16, 24, 20, 28, 20,
                                          28, 16, 24, 16, 24, 16, 24, 16, 0};
    EXPECT_EQ(FrontEndChain(0x18, 16, 8), want);
    const auto a2 = FrontEndChain(0x81, 64, 32);
    EXPECT_EQ(a2[1], 68);
    EXPECT_EQ(a2[2], 68 | 32);
    EXPECT_EQ(a2[16], 68 | 32) << "last bit clocked";
    EXPECT_EQ(a2[17], 68);
    EXPECT_EQ(a2[18], 0);
}

TEST(AcquisitionChains, ArmSequenceForPositiveAndNegativePositions) {
    StrobeSeq q;
    ArmStrobes(q, {0x30, 0x80, 1, 8, 0, 600});
    const Trace positive = concat({pairs({28, 24}),
                                   {"addr 62", "wr 155", "wr 0", "addr 57", "wr 168", "wr 136"},
                                   pairs({56, 14}),
                                   {"addr 60", "wr 48", "wr 112", "wr 48", "wr 112", "wr 48"},
                                   pairs({57, 128, 60, 53, 56, 1, 57, 144})});
    EXPECT_EQ(strobes(q), positive);

    // -1: pre-trigger count 3, then the delay -2 (0xFE, 0xFF) with mode bit 3.
    StrobeSeq n;
    ArmStrobes(n, {0x20, 0x85, 2, 9, 0, -1});
    const Trace negative =
        concat({pairs({28, 24}),
                {"addr 62", "wr 3", "wr 0", "addr 57", "wr 173", "wr 141"},
                pairs({56, 14}),
                {"addr 60", "wr 32", "wr 96", "wr 32", "wr 96", "wr 32"},
                {"addr 62", "wr 254", "wr 255", "addr 57", "wr 141", "wr 205", "wr 141"},
                pairs({57, 133, 60, 32 | 1 | 4 | 8, 56, 2, 57, 149})});
    EXPECT_EQ(strobes(n), negative);
}

TEST(AcquisitionChains, ModeFlagsFollowRateAndCalibration) {
    auto flags = [](uint8_t rate, uint8_t calMode) {
        StrobeSeq q;
        ArmStrobes(q, {0x00, 0x80, 0, rate, calMode, 0});
        return q.s[q.n - 5].value; // data of (60, flags)
    };
    EXPECT_EQ(flags(7, 0), 0x04) << "200MSa/s: bit 0 clear";
    EXPECT_EQ(flags(8, 0), 0x05) << "100MSa/s: bit 0 set";
    EXPECT_EQ(flags(8, 1), 0x01) << "probe calibration clears bit 2";
}

TEST(AcquisitionChains, TimingStartsContinuesAndRestartsEquivalentTimeSeries) {
    int32_t ps[HW_PORTSTATE_LEN] = {};
    uint8_t dc[HW_DEVCONFIG_LEN] = {};
    uint8_t slope[3] = {0, 1, 0};
    dc[HW_DC_ModelCode] = 55;
    std::fill(dc + HW_DC_EtsSlotSeen, dc + HW_DC_EtsSlotSeen + 80, 3);
    SetTiming(ps, dc, 2, 0, 1, slope, 600);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 660);
    EXPECT_EQ(ps[HW_PS_EtsPos], 87);
    EXPECT_EQ(dc[HW_DC_EtsOn], 1);
    EXPECT_EQ(dc[HW_DC_TrigCtl], 0x85);
    EXPECT_EQ(dc[HW_DC_DepthCode], 0x00);
    EXPECT_EQ(dc[HW_DC_SmoothLimit], 16);
    EXPECT_EQ(std::count(dc + HW_DC_EtsSlotSeen, dc + HW_DC_EtsSlotSeen + 80, 0), 80);

    ps[HW_PS_EtsPasses] = 123; // part-way through the series
    dc[HW_DC_EtsSlotSeen] = 9;
    SetTiming(ps, dc, 2, 0, 1, slope, 600);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 123) << "same factor: the series continues";
    EXPECT_EQ(dc[HW_DC_EtsSlotSeen], 9);

    SetTiming(ps, dc, 2, 1, 1, slope, 600);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 340) << "10GSa/s restarts the series";
    EXPECT_EQ(dc[HW_DC_EtsFactorLast], 40);

    SetTiming(ps, dc, 2, 8, 1, slope, 600);
    EXPECT_EQ(ps[HW_PS_EtsPasses], 0);
    EXPECT_EQ(dc[HW_DC_EtsOn], 0);
    EXPECT_EQ(dc[HW_DC_ClockDiv], 1);

    SetTiming(ps, dc, 7, 99, 1, slope, 600);
    EXPECT_EQ(dc[HW_DC_ClockDiv], 1) << "unknown rate and depth leave the fields";
    EXPECT_EQ(dc[HW_DC_DepthCode], 0x00);

    dc[HW_DC_ModelCode] = 54;
    SetTiming(ps, dc, 0, 0, 0, slope, 600);
    EXPECT_EQ(dc[HW_DC_EtsFactor], 0) << "equivalent time only on model 55";
    EXPECT_EQ(dc[HW_DC_ClockDiv], 0);
}

TEST(SimulatedInputs, SignalVariableItems) {
    sim::SignalConfig c = sim::defaultSignals();
    EXPECT_TRUE(sim::parseSignals(" A2 = triangle, 5e3 ,0.5; d=word,0x00ff; cal=2000 ;SEED=9", c));
    EXPECT_EQ(c.analog[1].shape, sim::Shape::Triangle);
    EXPECT_EQ(c.analog[1].frequency, 5e3);
    EXPECT_EQ(c.analog[1].amplitude, 0.5);
    EXPECT_EQ(c.analog[1].offset, 0.0) << "missing field keeps its value";
    EXPECT_FALSE(c.logicCounter);
    EXPECT_EQ(c.logicWord, 0x00FF);
    EXPECT_EQ(c.calFrequency, 2000.0);
    EXPECT_EQ(c.calAmplitude, 0.2);
    EXPECT_EQ(c.seed, 9u);
    EXPECT_EQ(c.analog[0].shape, sim::Shape::Square) << "A1 default untouched";
    // A bad item is skipped, the good ones still apply.
    EXPECT_FALSE(sim::parseSignals("A1=wobble,1;NOISE=0.5;D=word,70000", c));
    EXPECT_EQ(c.analog[0].shape, sim::Shape::Square);
    EXPECT_EQ(c.noise, 0.5);
    EXPECT_EQ(c.logicWord, 0x00FF);
}

class CaptureTest : public AcqTest {};

// Capture with the program's defaults right after FindHardware: both channels are calibrated,
// then the DACs, the trigger level and the arming go out.
TEST_F(CaptureTest, FirstCaptureCalibratesBothChannelsThenArms) {
    bringUp("usb");
    Settings s;
    capture(s);
    const Trace bus = withoutReadValues(busEvents(sim::takeTrace()));

    // One calibration: grounded front end, set-up, nine trim reads, two gain reads.
    auto calibration = [&](int k, uint8_t gnd, const std::array<uint16_t, 4> &first) {
        Trace t = concat({block(29, FrontEndChain(gnd, k ? 64 : 16, k ? 32 : 8)),
                          pairs({28, 24, 60, 0x36, 56, 119, 57, 0xA0}), block(29, DacChain(first)),
                          pairs({0, 0, 63, 0}), reads(2112)});
        return t;
    };
    size_t at = 0;
    auto expectNext = [&](const Trace &want, const char *what) {
        SCOPED_TRACE(what);
        ASSERT_LE(at + want.size(), bus.size());
        EXPECT_EQ(slice(bus, at, want.size()), want);
        at += want.size();
    };
    // A1: 100mV DC is 0xC8, grounded 0x18. The first DAC load has A1 at 128 without trim and
    // A2 where FindHardware left it (0).
    expectNext(calibration(0, 0x18, {2384, 2512, 750, 1262}), "A1 calibration start");
    for (int i = 0; i < 10; ++i) { // eight more trim reads and the two gain reads
        ASSERT_LT(at + 1, bus.size());
        EXPECT_EQ(bus[at], "addr 29");
        at += 100;
        expectNext(concat({pairs({0, 0, 63, 0}), reads(2112)}), "A1 calibration read");
    }
    expectNext(block(29, FrontEndChain(0xC8, 16, 8)), "A1 range");
    // A2: 200mV DC is 0xC0, grounded 0x10; A1's zero line was left at 28.
    const int32_t trimA1 = ps[HW_PS_OffsetTrimA1], trimA2 = ps[HW_PS_OffsetTrimA2];
    expectNext(calibration(1, 0x10, {2384, 2512, 1262, uint16_t(28 * 4 + trimA1 + 750)}),
               "A2 calibration start");
    for (int i = 0; i < 10; ++i) {
        at += 100;
        expectNext(concat({pairs({0, 0, 63, 0}), reads(2112)}), "A2 calibration read");
    }
    expectNext(block(29, FrontEndChain(0xC0, 64, 32)), "A2 range");
    expectNext(block(29, DacChain({2384, 4080 - 16 * 98, uint16_t(203 * 4 + trimA2 + 750),
                                   uint16_t(178 * 4 + trimA1 + 750)})),
               "positions and threshold");
    const Trace packet =
        concat({{"addr 58", "wr 128", "addr 58", "wr 128"},
                pairs({28,  24, 62, 155, 62,  0,  57, 168, 57,  136, 56, 14, 60, 48, 60,
                       112, 60, 48, 60,  112, 60, 48, 57,  128, 60,  53, 56, 1,  57, 144})});
    expectNext(packet, "trigger level and arming, one packet");
    EXPECT_EQ(at, bus.size());

    // The instrument took what was meant.
    EXPECT_EQ(model().frontEndCode(0), 0xC8);
    EXPECT_EQ(model().frontEndCode(1), 0xC0);
    const std::array<uint16_t, 4> dac = {2384, 2512, uint16_t(203 * 4 + trimA2 + 750),
                                         uint16_t(178 * 4 + trimA1 + 750)};
    EXPECT_EQ(model().dacWords(), dac);
    EXPECT_EQ(ps[HW_PS_SettleMs], 0);

    // Nothing changed: no front end, no calibration, no DAC traffic; one USB request.
    capture(s);
    const Trace second = sim::takeTrace();
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second[0], "usb-reg-write 131 0 34");
    EXPECT_EQ(Trace(second.begin() + 1, second.end()), packet);
}

TEST_F(CaptureTest, PositionAndThresholdChangesAddSettlingBeforeArming) {
    bringUp("usb");
    Settings s;
    capture(s);
    sim::takeTrace();
    struct Case {
        int16_t a1, a2;
        uint8_t trigDac;
        int64_t ms; // settling + the DAC's own 2 ms
    } cases[] = {
        {218, 203, 98, 22}, // A1 moved by 40: 20 ms
        {218, 173, 98, 17}, // A2 moved by 30: 15 ms
        {200, 150, 108, 7}, // the threshold step (10) counts instead of the positions
        {200, 150, 108, 0}, // nothing changed: no DAC load at all
    };
    for (const Case &c : cases) {
        s.pos[0] = c.a1;
        s.pos[1] = c.a2;
        s.trigDac = c.trigDac;
        const int64_t t0 = nowMs();
        capture(s);
        EXPECT_EQ(nowMs() - t0, c.ms) << c.a1 << " " << c.a2;
        const auto t = busEvents(sim::takeTrace());
        EXPECT_EQ(std::count(t.begin(), t.end(), "addr 29"), c.ms ? 1 : 0);
    }
    EXPECT_EQ(model().dacWords()[3], uint16_t(200 * 4 + ps[HW_PS_OffsetTrimA1] + 750));
    EXPECT_EQ(model().dacWords()[1], 4080 - 16 * 108);
}

TEST_F(CaptureTest, CouplingChangeRecalibratesOnlyThatChannel) {
    bringUp("usb");
    Settings s;
    capture(s);
    sim::takeTrace();
    s.coupling[1] = 2; // A2 to GND
    s.vdiv[1] = 0;     // on the 5mV range
    capture(s);
    const Trace bus = busEvents(sim::takeTrace());
    EXPECT_EQ(countPrefix(bus, "rd "), 11u * 2112) << "one channel calibrated";
    EXPECT_EQ(model().frontEndCode(1), 0x15);
    EXPECT_EQ(model().frontEndCode(0), 0xC8);
    EXPECT_EQ(dc[HW_DC_GainCode + 1], 0x15);
}

TEST_F(CaptureTest, ParallelLinkSendsTheSameArmingWithoutAddressRepeats) {
    bringUp("epp");
    Settings s;
    s.trigPos = -1;
    capture(s);
    sim::takeTrace();
    capture(s);
    const Trace want =
        concat({{"addr 58", "wr 128", "wr 128"},
                pairs({28, 24}),
                {"addr 62", "wr 3", "wr 0", "addr 57", "wr 168", "wr 136"},
                pairs({56, 14}),
                {"addr 60", "wr 48", "wr 112", "wr 48", "wr 112", "wr 48"},
                {"addr 62", "wr 254", "wr 255", "addr 57", "wr 136", "wr 200", "wr 136"},
                pairs({57, 128, 60, 48 | 1 | 4 | 8, 56, 1, 57, 144})});
    EXPECT_EQ(busEvents(sim::takeTrace()), want);
}

TEST_F(CaptureTest, ForceTriggerAndDirectReadout) {
    bringUp("usb");
    Settings s;
    capture(s);
    sim::takeTrace();

    EXPECT_EQ(ForceTrigger(ps, dc), 1);
    EXPECT_EQ(sim::takeTrace(),
              concat({{"usb-reg-write 131 0 8"}, pairs({57, 0x97, 57, 0x93, 57, 0x97, 57, 0x93})}));

    sim::SignalConfig sig = sim::defaultSignals();
    sig.analog[0] = {sim::Shape::Dc, 0, 0, 0.1}; // one division above A1's zero line
    sig.analog[1] = {sim::Shape::None, 0, 0, 0};
    sig.logicCounter = false;
    sig.logicWord = 0x1234;
    sig.noise = 0;
    model().setSignals(sig);
    EXPECT_EQ(OutAdBuck12(ps, dc, nullptr, 0), 1);
    EXPECT_EQ(sim::takeTrace(), concat({{"usb-reg-write 131 0 12"},
                                        pairs({28, 24, 60, 6, 56, 119, 57, 32, 0, 0, 63, 0})}));
    uint8_t buf[16] = {};
    EXPECT_EQ(inDaBuck8(ps, dc, buf, 16), 1);
    const Trace t = sim::takeTrace();
    EXPECT_EQ(slice(t, 0, 2), (Trace{"usb-reg-write 130 0 8", "usb-bulk-in 16"}));
    EXPECT_EQ(countPrefix(t, "rd "), 16u);
    for (int g = 0; g < 2; ++g) {
        // Odd samples come from the reference converter: calibrated to the position.
        EXPECT_NEAR(buf[8 * g + 0], 178 - 25, 2);
        EXPECT_NEAR(buf[8 * g + 2], 203, 2);
        EXPECT_EQ(buf[8 * g + 4], 0x34);
        EXPECT_EQ(buf[8 * g + 5], 0x34);
        EXPECT_EQ(buf[8 * g + 6], 0x12);
        EXPECT_EQ(buf[8 * g + 7], 0x12);
    }
    EXPECT_EQ(inDaBuck8(ps, dc, buf, 0), 0);
    EXPECT_EQ(inDaBuck8(ps, dc, nullptr, 4), 0);
}

TEST_F(CaptureTest, DemoModeSendsNothingButKeepsTheSettings) {
    // No instrument: Link 0.
    Settings s;
    s.rate = 9;
    capture(s);
    EXPECT_TRUE(sim::takeTrace().empty());
    EXPECT_EQ(dc[HW_DC_DemoStep], 4);
    EXPECT_EQ(ps[HW_PS_DacPosA1], 178);
    EXPECT_EQ(ps[HW_PS_DacPosA2], 203);
    EXPECT_EQ(dc[HW_DC_GainCode], 0xC8);
}

} // namespace
} // namespace hwlink::test
