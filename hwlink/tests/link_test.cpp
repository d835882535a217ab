// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the instrument (FindPort, the link probe), PowerOff and the register-bus primitives on
// every simulated link, and a lost instrument reported, never shown as data (floating parallel
// lines read 0xFF).
#include "sim_fixture.h"
#include "src/bus.h"
#include "src/link.h"
#include <map>
#include <numeric>

namespace hwlink::test {
namespace {

class LinkTest : public AcqTest {};

// FindPort's result on each link and variant, and the probe sequence of each link: USB:
// identification (29 echoes 21 inverted). EPP: 5 and 10 come back with their low four bits
// inverted. BPP: the EPP test finds floating lines, this port has no EPP cycles. Then the
// instrument is left in reset, waiting for its configuration.
TEST_F(LinkTest, FindPortOnEachSimulatedLinkAndVariant) {
    const std::string reset = " a28 w0 a30 a29 w0", echo = "a29 w5 r42 w10 r37" + reset;
    const Trace parallel = concat({ops("a28", Via::Bpp), lines("port-out 890 0")});
    const std::map<std::string, Trace> probes = {
        {"usb", concat({lines("usb-reg-read 142 0 1|usb-reg-write 140 15 1|usb-reg-write 140 16 1"),
                        ops("a28 a29 w21 r42" + reset, Via::Usb)})},
        {"epp", concat({parallel, ops(echo, Via::Epp)})},
        {"bpp", concat({parallel,
                        lines("port-out 891 29|port-out 892 5|port-in 892 255|port-out 892 10|"
                              "port-in 892 255|port-out 890 0"),
                        ops(echo, Via::Bpp)})}};
    // clang-format off
    const struct { const char *sim; uint8_t result, link, speed; } cases[] = {
        {"usb", 4, 4, 2}, {"usb11", 4, 4, 1}, {"epp", 1, 1, 0}, {"bpp", 1, 2, 0}};
    // clang-format on
    for (const auto &c : cases) {
        for (int variant = 1; variant <= 3; ++variant) {
            SCOPED_TRACE(std::string(c.sim) + " variant " + std::to_string(variant));
            sim::resetSimulator(); // a fresh instrument each time
            sim::captureTrace(true);
            ::setenv("HWLINK_SIM_VARIANT", std::to_string(variant).c_str(), 1);
            selectSim(c.sim);
            int32_t p[HW_PORTSTATE_LEN] = {};
            uint8_t d[HW_DEVCONFIG_LEN] = {};
            EXPECT_EQ((V{FindPort(p, d, 1), d[HW_DC_Link]}), (V{c.result, c.link}));
            if (variant == 1 && probes.count(c.sim)) { // the echoed bits tell the variant
                EXPECT_EQ(sim::takeTrace(), probes.at(c.sim));
            }
            EXPECT_TRUE(sim::instrument().ready());
            if (c.link == HW_LINK_USB)
                EXPECT_EQ(
                    (V{d[HW_DC_UsbSpeed], d[HW_DC_Variant], p[HW_PS_AddrSel], p[HW_PS_DataSel]}),
                    (V{c.speed, variant, 0, 1}));
            else
                EXPECT_EQ((V{sim::instrument().variant(), p[0], p[1], p[2], p[3], p[4]}),
                          (V{variant, 0x378, 0x379, 0x37A, 0x37B, 0x37C}));
            PowerOff(p, d);
        }
    }
}

// A port at 3BCH is never taken for EPP; a probe without an answering instrument still waits for
// it and sends nothing.
TEST_F(LinkTest, ProbeTakes3BCForBppAndWaitsWithoutInstrument) {
    selectSim("epp");
    lib().port = sim::makePort(0x3BC, true); // an EPP-capable port at 3BCH
    EXPECT_EQ((V{ProbeLink(ps, dc, 0x3BC), ps[HW_PS_AddrSel]}), (V{HW_LINK_BPP, 0x3BF}));
    for (const auto &l : sim::takeTrace())
        EXPECT_EQ(l.find(" 959 "), std::string::npos) << l; // 3BFH, the EPP address port

    // The same port at 278H is taken as EPP.
    lib().port = sim::makePort(0x278, true);
    EXPECT_EQ(ProbeLink(ps, dc, 0x278), HW_LINK_EPP);

    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    sim::faults().failRegisterRequests = true;
    const int64_t t0 = nowMs();
    EXPECT_EQ((V{ProbeLink(ps, dc, 0), dc[HW_DC_Variant], nowMs() - t0}),
              (V{HW_LINK_NONE, 0, 100}));
    EXPECT_TRUE(sim::takeTrace().empty());
}

// Nothing attached, a quick search (it skips parallel ports), a bridge without an answering
// instrument, a device that is gone: FindPort finds nothing, clears the Link left over from an
// earlier search and keeps nothing open.
TEST_F(LinkTest, NothingAttachedQuickSearchOrFaultyDeviceFindsNothing) {
    // clang-format off
    const struct { const char *sim; uint8_t full; sim::Faults fault; } cases[] = {
        {"", 1, {}}, {"epp", 0, {}}, {"usb", 1, {.failRegisterRequests = true}},
        {"usb", 1, {.disappeared = true}}, {"epp", 1, {.disappeared = true}}};
    // clang-format on
    for (const auto &c : cases) {
        selectSim(c.sim);
        sim::faults() = c.fault;
        dc[HW_DC_Link] = 4;
        EXPECT_EQ((V{FindPort(ps, dc, c.full), dc[HW_DC_Link], bool(lib().usb), bool(lib().port)}),
                  (V{0, 0, 0, 0}))
            << "\"" << c.sim << "\", full search " << int(c.full);
    }
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(LinkTest, PowerOffWritesTheBlockAndClosesTheLink) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    EXPECT_EQ(PowerOff(ps, dc), 1);
    EXPECT_EQ(sim::takeTrace(), usbPacket("a28 w0 a29 w80 a31 w0"));
    EXPECT_TRUE(sim::instrument().poweredDown() && !lib().usb);
    EXPECT_TRUE(PowerOff(ps, dc) == 0 && sim::takeTrace().empty()) << "nothing left to close";

    // A parallel port's writes cannot fail: the register-29 echo first tells that the
    // instrument is there to take them.
    ASSERT_EQ(connect("epp"), HW_LINK_EPP);
    EXPECT_EQ(PowerOff(ps, dc), HW_LINK_EPP);
    EXPECT_EQ(sim::takeTrace(), ops("a29 w4 r107 a28 w0 a29 w80 a31 w0", Via::Epp));
    dc[HW_DC_Link] = HW_LINK_NONE;
    EXPECT_TRUE(PowerOff(ps, dc) == 0 && sim::takeTrace().empty());
}

// On a parallel port a status of 0xFF is read once more (a single failed read gives 0xFF too)
// and a status or a byte of 0xFF is then confirmed by the register-29 echo before it counts:
// floating lines fail it; a live instrument passes it, its status stands and the direct
// read-out carries on at its register (inputs far beyond the bottom of the range read 0xFF).
TEST_F(LinkTest, ParallelBytesOf0xFFAreCheckedByTheEcho) {
    Settings s = arm("epp");
    model().overrideStatus(0xFF);
    sim::captureTrace(true);
    EXPECT_EQ(poll(s), HW_STAT_COMPLETE);
    EXPECT_EQ(slice(busEvents(sim::takeTrace()), 0, 6), ops("a61 r255 r255 a29 w4 r235"));
    sim::captureTrace(false);
    sim::faults().disappeared = true;
    // A write cannot fail: the read-back stands for it.
    EXPECT_EQ((V{poll(s), ForceTrigger(ps, dc)}), (V{HW_STAT_LINK_LOST, 0}));
    sim::faults().disappeared = false; // plugged in again: the next read-back sees it
    EXPECT_EQ((V{poll(s), ForceTrigger(ps, dc)}), (V{HW_STAT_COMPLETE, 1}));

    s = arm("bpp");
    setInputs({sim::Shape::Dc, 0, 0, -1e300}, {sim::Shape::Dc, 0, 0, -1e300}, 0x1234);
    ASSERT_EQ(OutAdBuck12(ps, dc, nullptr, 0), 1);
    uint8_t buf[8] = {};
    sim::captureTrace(true);
    // Group bytes 4-7: the logic inputs.
    EXPECT_EQ((V{inDaBuck8(ps, dc, buf, 4), inDaBuck8(ps, dc, buf + 4, 4)}), (V{1, 1}));
    EXPECT_EQ(slice(busEvents(sim::takeTrace()), 4, 4), ops("a29 w4 r235 a63"));
    EXPECT_EQ(V(buf, buf + 8), (V{255, 255, 255, 255, 0x34, 0x34, 0x12, 0x12}));
}

// The register-bus primitives over each link, checked on the simulator's trace.
TEST_F(LinkTest, QueuedUsbPacketRepeatsAddressPadsAddressesAndNeverOverruns) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    ClearQueue(ps);
    // Three data bytes for one address, then two addresses in a row.
    const int strobes[][2] = {{0, 40}, {1, 1}, {1, 2}, {1, 3}, {0, 41}, {0, 42}};
    for (const auto &q : strobes)
        QueueStrobe(ps, dc, uint8_t(q[0]), uint8_t(q[1]));
    EXPECT_EQ((V{ps[HW_PS_PktLen], ps[HW_PS_PktLastKind]}), (V{9, 0}));
    EXPECT_EQ(V(dc, dc + 9), (V{40, 1, 40, 2, 40, 3, 41, 0, 42}));
    EXPECT_TRUE(sim::takeTrace().empty()) << "queued strobes must not reach the bus";
    QueueStrobe(ps, dc, 2, 0); // the flush
    EXPECT_EQ((V{ps[HW_PS_PktLen], ps[HW_PS_PktLastKind]}), (V{0, 1}));
    EXPECT_EQ(sim::takeTrace(), usbPacket("a40 w1 a40 w2 a40 w3 a41 w0 a42"));

    // Data without a queued address goes straight to the last addressed register.
    QueueStrobe(ps, dc, 1, 9);
    EXPECT_EQ(ps[HW_PS_PktLen], 0);
    EXPECT_EQ(sim::takeTrace(), lines("usb-reg-write 133 0 1|wr 9"));

    // 100 data bytes for one address need 200 packet bytes: more than the 128 there are.
    QueueStrobe(ps, dc, 0, 7);
    std::string want;
    for (int i = 0; i < 100; ++i)
        QueueStrobe(ps, dc, 1, uint8_t(i)), want += " a7 w" + std::to_string(i);
    EXPECT_EQ(dc[HW_DC_Link], HW_LINK_USB);
    ASSERT_TRUE(FlushQueue(ps, dc));
    const Trace t = sim::takeTrace();
    // A full packet of 64 pairs, then the address carried over into the next one.
    EXPECT_EQ(filter(t, {"usb"}), lines("usb-reg-write 131 0 128|usb-reg-write 131 0 72"));
    EXPECT_EQ(filter(t, {"usb"}, false), ops(want));
}

// A failed chunk ends the transfer: no header after it.
TEST_F(LinkTest, BulkTransfersSplitAt65535WithHeaderBeforeEachChunk) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    std::vector<uint8_t> buf(140000, 0x55);
    const std::pair<int32_t, Trace> cases[] = {
        {65535, lines("usb-reg-write 130 0 8|usb-bulk-in 65535")},
        {65536,
         lines("usb-reg-write 130 0 8|usb-bulk-in 65535|usb-reg-write 130 0 8|usb-bulk-in 1")},
        {0, lines("usb-reg-write 130 0 8|usb-bulk-in 0")}};
    for (const auto &[len, chunks] : cases) {
        ASSERT_TRUE(BulkRead(buf.data(), len));
        EXPECT_EQ(filter(sim::takeTrace(), {"usb"}), chunks) << len;
    }
    // The simulated bridge refuses a transfer that its header did not announce.
    ASSERT_TRUE(lib().usb);
    EXPECT_FALSE(lib().usb->bulkWrite(buf.data(), 4));
    sim::faults().failBulkAfter = 1;
    EXPECT_FALSE(BulkWrite(buf.data(), int32_t(buf.size())));
    const Trace t = sim::takeTrace();
    EXPECT_EQ((V{countPrefix(t, "usb-bulk-out"), countPrefix(t, "usb-reg-write 130")}), (V{1, 2}));
}

// Failing register requests read as 0xFF and report failure (the bulk header of ReadBlock is a
// register request too); with no Link (demo mode, even with a device open) nothing is sent and
// every read gives zeros.
TEST_F(LinkTest, FailingRequestsReadAs0xFFAndNoLinkReadsZero) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    sim::faults().failRegisterRequests = true;
    uint8_t v = 0, buf[4] = {9, 9, 9, 9};
    const uint8_t data[] = {1, 2, 3, 4};
    EXPECT_EQ((V{UsbGetData(), ReadData(ps, dc), ReadStatusChecked(ps, dc, &v), UsbSetAddr(3),
                 WritePairs(ps, dc, data, 2), ReadBlock(ps, dc, buf, 4)}),
              (V{0xFF, 0xFF, 0, 0, 0, 0}));
    sim::faults() = {};
    dc[HW_DC_Link] = HW_LINK_NONE;
    WriteStrobe(ps, dc, 0, 28);
    QueueStrobe(ps, dc, 0, 28);
    std::fill_n(buf, 4, 9);
    EXPECT_EQ((V{ReadData(ps, dc), WritePairs(ps, dc, data, 4), WriteBlock(ps, dc, 28, data, 4),
                 ReadBlock(ps, dc, buf, 4), std::accumulate(buf, buf + 4, 0)}),
              (V{0, 0, 0, 0, 0}));
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(LinkTest, ParallelStrobesReadsAndBlocks) {
    ASSERT_EQ(connect("bpp"), HW_LINK_BPP);
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], 29);
    WriteStrobe(ps, dc, ps[HW_PS_DataSel], 3);
    const uint8_t v = ReadData(ps, dc);
    EXPECT_EQ(v & 0x3F, 0x2C); // board 1, low nibble of 3 inverted
    // A read returns the control lines to 32 (data in), then to 34.
    EXPECT_EQ(sim::takeTrace(), concat({ops("a29 w3 r" + std::to_string(v), Via::Bpp),
                                        lines("port-out 890 32|port-out 890 34")}));

    // A block is one strobe per byte.
    ASSERT_EQ(connect("epp"), HW_LINK_EPP);
    const uint8_t pairs[] = {28, 0, 29, 80, 31}, block[] = {5, 6};
    // Nothing to flush on a port.
    EXPECT_TRUE(WritePairs(ps, dc, pairs, 5) && WriteBlock(ps, dc, 40, block, 2) &&
                FlushQueue(ps, dc));
    EXPECT_EQ(sim::takeTrace(), ops("a28 w0 a29 w80 a31 a40 w5 w6", Via::Epp));
}

// The virtual clock advances at once, and a negative delay never takes it back.
TEST(ClockTest, VirtualDelaysAdvanceAtOnce) {
    useVirtualClock(true);
    const int64_t t0 = nowMs();
    for (int32_t ms : {250, -5, 0})
        DelayMs(ms);
    advanceVirtualMs(10);
    EXPECT_EQ(nowMs() - t0, 260);
}

} // namespace
} // namespace hwlink::test
