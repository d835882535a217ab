// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition set-up and arming: the register sequences of Capture, ForceTrigger and the direct
// read-out as the simulated instrument sees them, and the chains and packets they are built of.
#include "sim_fixture.h"
#include "src/acquisition.h"
#include <functional>

namespace hwlink::test {
namespace {

template <size_t N> Trace block(int addr, const std::array<uint8_t, N> &b) {
    Trace t{"addr " + std::to_string(addr)};
    for (uint8_t v : b)
        t.push_back("wr " + std::to_string(v));
    return t;
}

// Trigger level and arming with the program's defaults, queued as one packet.
const char *const kDefaultArm = "a58 w128 a58 w128 a28 w24 a62 w155 a62 w0 a57 w168 a57 w136 a56 "
                                "w14 a60 w48 a60 w112 a60 w48 a60 w112 a60 w48 a57 w128 a60 w53 "
                                "a56 w1 a57 w144";

// The front-end codes (5mV GND, 5mV DC, 100mV AC, 2V DC, no such range) and the serial chains
// that clock them and the DAC words out (what the simulator decodes from them is checked by the
// captures). 0x81 into A2 (select 64, clock 32): data on bit 2, MSB first, the clock falling
// with the last bit still set up. Four 12-bit DAC words, MSB first, data on bit 2 without and
// with the clock (bit 0); then the load strobe (bit 1) around the last bit.
TEST(AcquisitionChains, FrontEndCodesAndSerialChains) {
    const int codes[][3] = {{0, 2, 0x15}, {0, 0, 0xC5}, {4, 1, 0x48}, {8, 0, 0xA0}, {9, 0, 0}};
    for (const auto &c : codes)
        EXPECT_EQ(FrontEndCode(uint8_t(c[0]), uint8_t(c[1])), c[2]) << c[0] << " " << c[1];
    const auto fe = FrontEndChain(0x81, 64, 32);
    EXPECT_EQ((V{fe[0], fe[1], fe[2], fe[3], fe[14], fe[15], fe[16], fe[17], fe[18]}),
              (V{64, 68, 100, 64, 96, 68, 100, 68, 0}));
    const auto dac = DacChain({0x800, 0x001, 0x000, 0xFFF});
    EXPECT_EQ(
        (V{dac[0], dac[1], dac[2], dac[46], dac[47], dac[71], dac[95], dac[96], dac[97], dac[98]}),
        (V{4, 5, 0, 4, 5, 1, 5, 7, 6, 4}));
    EXPECT_EQ(DacChain({0, 0, 0, 0x0FFE})[96], 3) << "load strobe with the last bit low";
}

// A positive position arms as the first capture's trace shows (kDefaultArm).
TEST(AcquisitionChains, ArmSequenceForNegativePositionsAndModeFlags) {
    // -1: pre-trigger count 3, then the delay -2 (0xFE, 0xFF) with mode bit 3 (flags 45).
    StrobeSeq n;
    ArmStrobes(n, {0x20, 0x85, 2, 9, 0, -1});
    Trace got;
    for (int i = 0; i < n.n; ++i)
        got.push_back((n.s[i].data ? "wr " : "addr ") + std::to_string(n.s[i].value));
    EXPECT_EQ(got, ops("a28 w24 a62 w3 w0 a57 w173 w141 a56 w14 a60 w32 w96 w32 w96 w32 "
                       "a62 w254 w255 a57 w141 w205 w141 a57 w133 a60 w45 a56 w2 a57 w149"));
    // Mode flags: 200MSa/s clears bit 0, 100MSa/s sets it, probe calibration clears bit 2.
    const int modes[][3] = {{7, 0, 0x04}, {8, 0, 0x05}, {8, 1, 0x01}};
    for (const auto &m : modes) {
        StrobeSeq f;
        ArmStrobes(f, {0x00, 0x80, 0, uint8_t(m[0]), uint8_t(m[1]), 0});
        EXPECT_EQ(f.s[f.n - 5].value, m[2]) << m[0] << " " << m[1]; // data of (60, flags)
    }
}

TEST(AcquisitionChains, TimingStartsContinuesAndRestartsEquivalentTimeSeries) {
    int32_t ps[HW_PORTSTATE_LEN] = {};
    uint8_t dc[HW_DEVCONFIG_LEN] = {}, slope[3] = {0, 1, 0}, *seen = dc + HW_DC_EtsSlotSeen;
    dc[HW_DC_ModelCode] = 55;
    std::fill(seen, seen + 80, 3);
    SetTiming(ps, dc, 2, 0, 1, slope, 600);
    EXPECT_EQ((V{ps[HW_PS_EtsPasses], ps[HW_PS_EtsPos], dc[HW_DC_EtsOn], dc[HW_DC_TrigCtl],
                 dc[HW_DC_DepthCode], dc[HW_DC_SmoothLimit], std::count(seen, seen + 80, 0)}),
              (V{660, 87, 1, 0x85, 0x00, 16, 80}));

    // Part-way through the series: the same factor continues it.
    ps[HW_PS_EtsPasses] = 123, seen[0] = 9;
    SetTiming(ps, dc, 2, 0, 1, slope, 600);
    EXPECT_EQ((V{ps[HW_PS_EtsPasses], seen[0]}), (V{123, 9}));
    SetTiming(ps, dc, 2, 1, 1, slope, 600); // 10GSa/s restarts the series
    EXPECT_EQ((V{ps[HW_PS_EtsPasses], dc[HW_DC_EtsFactorLast]}), (V{340, 40}));
    SetTiming(ps, dc, 2, 8, 1, slope, 600);
    EXPECT_EQ((V{ps[HW_PS_EtsPasses], dc[HW_DC_EtsOn], dc[HW_DC_ClockDiv]}), (V{0, 0, 1}));
    SetTiming(ps, dc, 7, 99, 1, slope, 600); // unknown rate and depth leave the fields
    EXPECT_EQ((V{dc[HW_DC_ClockDiv], dc[HW_DC_DepthCode]}), (V{1, 0x00}));
    dc[HW_DC_ModelCode] = 54; // equivalent time only on model 55
    SetTiming(ps, dc, 0, 0, 0, slope, 600);
    EXPECT_EQ((V{dc[HW_DC_EtsFactor], dc[HW_DC_ClockDiv]}), (V{0, 0}));
}

class CaptureTest : public AcqTest {};

// Capture with the program's defaults right after FindHardware: both channels are calibrated,
// then the DACs, the trigger level and the arming go out.
TEST_F(CaptureTest, FirstCaptureCalibratesBothChannelsThenArms) {
    bringUp("usb");
    Settings s;
    capture(s);
    Trace bus = busEvents(sim::takeTrace());
    for (auto &l : bus) // read values are the simulator's business here
        if (l.rfind("rd ", 0) == 0) l = "rd";

    size_t at = 0;
    auto expectNext = [&](const Trace &want) {
        ASSERT_LE(at + want.size(), bus.size());
        EXPECT_EQ(slice(bus, at, want.size()), want);
        at += want.size();
    };
    // One calibration per channel: grounded front end, set-up, the first DAC load, then nine
    // trim reads and two gain reads, each read after a DAC load (100 events); then its range.
    // A1: grounded 0x18, 100mV DC 0xC8; its first DAC load has A1 at 128 without trim and A2
    // where FindHardware left it (0). A2: grounded 0x10, 200mV DC 0xC0; A1's zero line at 28.
    const Trace calRead = concat({ops("a0 w0 a63 w0"), Trace(2112, "rd")});
    const int32_t trimA1 = ps[HW_PS_OffsetTrimA1], trimA2 = ps[HW_PS_OffsetTrimA2];
    // clang-format off
    const struct { uint8_t grounded, range; std::array<uint16_t, 4> firstDac; } channels[] = {
        {0x18, 0xC8, {2384, 2512, 750, 1262}},
        {0x10, 0xC0, {2384, 2512, 1262, uint16_t(28 * 4 + trimA1 + 750)}}};
    // clang-format on
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k ? "A2" : "A1");
        const uint8_t select = k ? 64 : 16, clock = k ? 32 : 8;
        expectNext(concat({block(29, FrontEndChain(channels[k].grounded, select, clock)),
                           ops("a28 w24 a60 w54 a56 w119 a57 w160"),
                           block(29, DacChain(channels[k].firstDac)), calRead}));
        for (int i = 0; i < 10; ++i) {
            expectNext({"addr 29"}); // a DAC load of 100 events
            at += 99;
            expectNext(calRead);
        }
        expectNext(block(29, FrontEndChain(channels[k].range, select, clock)));
    }
    const std::array<uint16_t, 4> dac = {2384, 4080 - 16 * 98, uint16_t(203 * 4 + trimA2 + 750),
                                         uint16_t(178 * 4 + trimA1 + 750)};
    expectNext(block(29, DacChain(dac))); // positions and threshold
    expectNext(ops(kDefaultArm));         // trigger level and arming, one packet
    EXPECT_EQ(at, bus.size());

    // The instrument took what was meant.
    EXPECT_EQ((V{model().frontEndCode(0), model().frontEndCode(1), ps[HW_PS_SettleMs]}),
              (V{0xC8, 0xC0, 0}));
    EXPECT_EQ(model().dacWords(), dac);

    // Nothing changed: no front end, no calibration, no DAC traffic; one USB request.
    capture(s);
    EXPECT_EQ(sim::takeTrace(), usbPacket(kDefaultArm));
}

// Position and threshold changes add settling before the arming; a coupling change recalibrates
// only its channel.
TEST_F(CaptureTest, ChangesSettleOrRecalibrateOnlyWhatChanged) {
    Settings s = arm();
    // ms: the settling and the DAC's own 2 ms
    // clang-format off
    struct Case { int16_t a1, a2; uint8_t trigDac; int64_t ms; } cases[] = {
        {218, 203, 98, 22}, // A1 moved by 40: 20 ms
        {218, 173, 98, 17}, // A2 moved by 30: 15 ms
        {200, 150, 108, 7}, // the threshold step (10) counts instead of the positions
        {200, 150, 108, 0}, // nothing changed: no DAC load at all
    };
    // clang-format on
    for (const Case &c : cases) {
        s.pos[0] = c.a1, s.pos[1] = c.a2, s.trigDac = c.trigDac;
        const int64_t t0 = nowMs();
        capture(s);
        EXPECT_EQ(nowMs() - t0, c.ms) << c.a1 << " " << c.a2;
        const auto t = busEvents(sim::takeTrace());
        EXPECT_EQ(std::count(t.begin(), t.end(), "addr 29"), c.ms ? 1 : 0);
    }
    EXPECT_EQ(model().dacWords()[3], uint16_t(200 * 4 + ps[HW_PS_OffsetTrimA1] + 750));
    EXPECT_EQ(model().dacWords()[1], 4080 - 16 * 108);

    s.coupling[1] = 2, s.vdiv[1] = 0; // A2 to GND on the 5mV range
    capture(s);
    EXPECT_EQ(countPrefix(busEvents(sim::takeTrace()), "rd "), 11 * 2112) << "one channel";
    EXPECT_EQ((V{model().frontEndCode(1), model().frontEndCode(0), dc[HW_DC_GainCode + 1]}),
              (V{0x15, 0xC8, 0x15}));
}

TEST_F(CaptureTest, ParallelLinkSendsTheSameArmingWithoutAddressRepeats) {
    Settings s = arm("epp", {.trigPos = -1});
    capture(s);
    EXPECT_EQ(busEvents(sim::takeTrace()),
              ops("a58 w128 w128 a28 w24 a62 w3 w0 a57 w168 w136 a56 w14 a60 w48 w112 w48 w112 "
                  "w48 a62 w254 w255 a57 w136 w200 w136 a57 w128 a60 w61 a56 w1 a57 w144"));
}

TEST_F(CaptureTest, ForceTriggerAndDirectReadout) {
    arm();
    EXPECT_EQ(ForceTrigger(ps, dc), 1);
    EXPECT_EQ(sim::takeTrace(), usbPacket("a57 w151 a57 w147 a57 w151 a57 w147"));

    // A1 one division above its zero line.
    setInputs({sim::Shape::Dc, 0, 0, 0.1}, {sim::Shape::None, 0, 0, 0}, 0x1234);
    EXPECT_EQ(OutAdBuck12(ps, dc, nullptr, 0), 1);
    EXPECT_EQ(sim::takeTrace(), usbPacket("a28 w24 a60 w6 a56 w119 a57 w32 a0 w0 a63 w0"));
    uint8_t buf[16] = {};
    EXPECT_EQ(inDaBuck8(ps, dc, buf, 16), 1);
    const Trace t = sim::takeTrace();
    EXPECT_EQ(slice(t, 0, 2), lines("usb-reg-write 130 0 8|usb-bulk-in 16"));
    EXPECT_EQ(countPrefix(t, "rd "), 16);
    for (int g = 0; g < 2; ++g) {
        // Odd samples come from the reference converter: calibrated to the position.
        EXPECT_NEAR(buf[8 * g + 0], 178 - 25, 2);
        EXPECT_NEAR(buf[8 * g + 2], 203, 2);
        EXPECT_EQ(V(buf + 8 * g + 4, buf + 8 * g + 8), (V{0x34, 0x34, 0x12, 0x12}));
    }
    EXPECT_EQ(inDaBuck8(ps, dc, buf, 0), 0) << "nothing to read";
}

// Each device export with one of its pointers null at a time (-1: none) on a live link.
TEST_F(CaptureTest, DeviceExportsRefuseEachNullPointer) {
    Settings s = arm();
    uint8_t buf[8] = {};
    auto p = [](int null, int k, auto *ptr) { return null == k ? nullptr : ptr; };
    auto capture = [&](int n) {
        return Capture(p(n, 0, ps), p(n, 1, dc), s.lastSample, s.depth, 0, s.rate, s.trigChannel,
                       s.trigPos, p(n, 2, s.slope), p(n, 3, s.level), s.trigDac,
                       p(n, 4, s.coupling), p(n, 5, s.vdiv), p(n, 6, s.pos));
    };
    auto getTrigStat = [&](int n) {
        return GetTrigStat(p(n, 0, sb.data()), s.lastSample, s.depth, p(n, 1, s.vdiv), p(n, 2, ps),
                           p(n, 3, dc), s.rate, s.trigChannel, p(n, 4, s.slope), p(n, 5, s.level),
                           s.trigPos, s.zoom, p(n, 6, viewStart));
    };
    std::vector<uint8_t> bits = loadConfigBits(VRX_TEST_BITSTREAM);
    // clang-format off
    const struct { const char *name; std::function<uint8_t(int)> call; int pointers; } exports[] = {
        {"Capture", capture, 7}, {"GetTrigStat", getTrigStat, 7},
        {"ForceTrigger", [&](int n) { return ForceTrigger(p(n, 0, ps), p(n, 1, dc)); }, 2},
        {"OutAdBuck12", [&](int n) { return OutAdBuck12(p(n, 0, ps), p(n, 1, dc), nullptr, 0); }, 2},
        {"inDaBuck8", [&](int n) { return inDaBuck8(p(n, 0, ps), p(n, 1, dc), p(n, 2, buf), 8); }, 3},
        {"FindHardware",
         [&](int n) { return FindHardware(0, p(n, 0, ps), p(n, 1, dc), p(n, 2, bits.data())); }, 3}};
    // clang-format on
    for (const auto &e : exports) {
        for (int n = 0; n < e.pointers; ++n)
            EXPECT_EQ(e.call(n), 0) << e.name << ": pointer " << n << " null";
        EXPECT_NE(e.call(-1), 0) << e.name << " with every pointer";
    }
    EXPECT_EQ((V{FindPort(nullptr, dc, 1), FindPort(ps, nullptr, 1), PowerOff(nullptr, dc),
                 PowerOff(ps, nullptr)}),
              (V{0, 0, 0, 0}));
}

// Extreme trigger positions arm with the delay bytes of the wide position - 1 and read back
// without leaving the areas, in real and in equivalent time.
TEST_F(CaptureTest, ExtremeTriggerPositionsArmAndReadBack) {
    StrobeSeq q;
    ArmStrobes(q, {0x30, 0x80, 1, 8, 0, INT32_MIN});
    EXPECT_EQ((V{q.s[17].value, q.s[18].value}), (V{0xFF, 0xFF})) << "INT32_MIN - 1, low bytes";
    for (const uint8_t rate : {uint8_t(0), uint8_t(8)}) {
        for (const int32_t pos : {INT32_MIN, INT32_MAX}) {
            SCOPED_TRACE(testing::Message() << "rate " << int(rate) << " position " << pos);
            sim::resetSimulator();
            Settings s = arm("usb", {.trigPos = pos, .rate = rate});
            ForceTrigger(ps, dc);
            const uint8_t st = pollUntilSettled(s, 50);
            EXPECT_TRUE(st == HW_STAT_COMPLETE || st == HW_STAT_FILLING) << int(st);
        }
    }
}

} // namespace
} // namespace hwlink::test
