// SPDX-License-Identifier: GPL-3.0-or-later
// The register-bus primitives over each link, checked on the simulator's trace.
#include "sim_fixture.h"
#include "src/bus.h"
#include <numeric>

namespace hwlink::test {
namespace {

class BusTest : public SimTest {};

TEST_F(BusTest, QueuedUsbPacketRepeatsAddressPadsAddressesAndNeverOverruns) {
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
    for (int i = 0; i < 100; ++i) {
        QueueStrobe(ps, dc, 1, uint8_t(i));
        want += " a7 w" + std::to_string(i);
    }
    EXPECT_EQ(dc[HW_DC_Link], HW_LINK_USB);
    ASSERT_TRUE(FlushQueue(ps, dc));
    const Trace t = sim::takeTrace();
    // A full packet of 64 pairs, then the address carried over into the next one.
    EXPECT_EQ(filter(t, {"usb"}), lines("usb-reg-write 131 0 128|usb-reg-write 131 0 72"));
    EXPECT_EQ(filter(t, {"usb"}, false), ops(want));
}

TEST_F(BusTest, BulkTransfersSplitAt65535WithHeaderBeforeEachChunk) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    std::vector<uint8_t> buf(65536);
    // clang-format off
    struct Case { int32_t len; Trace chunks; };
    // clang-format on
    const Case cases[] = {
        {65535, lines("usb-reg-write 130 0 8|usb-bulk-in 65535")},
        {65536,
         lines("usb-reg-write 130 0 8|usb-bulk-in 65535|usb-reg-write 130 0 8|usb-bulk-in 1")},
        {0, lines("usb-reg-write 130 0 8|usb-bulk-in 0")},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(BulkRead(buf.data(), c.len));
        EXPECT_EQ(filter(sim::takeTrace(), {"usb"}), c.chunks) << c.len;
    }
    // The simulated bridge refuses a transfer that its header did not announce.
    ASSERT_TRUE(lib().usb);
    EXPECT_FALSE(lib().usb->bulkWrite(buf.data(), 4));
}

TEST_F(BusTest, FailedBulkChunkEndsTheTransfer) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    std::vector<uint8_t> buf(140000, 0x55);
    sim::faults().failBulkAfter = 1;
    EXPECT_FALSE(BulkWrite(buf.data(), int32_t(buf.size())));
    const Trace t = sim::takeTrace();
    EXPECT_EQ(countPrefix(t, "usb-bulk-out"), 1u);
    EXPECT_EQ(countPrefix(t, "usb-reg-write 130"), 2u) << "no header after the failed chunk";
}

// Failing register requests read as 0xFF and report failure (the bulk header of ReadBlock is a
// register request too); with no Link (demo mode, even with a device open) nothing is sent and
// every read gives zeros.
TEST_F(BusTest, FailingRequestsReadAs0xFFAndNoLinkReadsZero) {
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

TEST_F(BusTest, BppStrobesAndReadSequence) {
    ASSERT_EQ(connect("bpp"), HW_LINK_BPP);
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], 29);
    WriteStrobe(ps, dc, ps[HW_PS_DataSel], 3);
    const uint8_t v = ReadData(ps, dc);
    EXPECT_EQ(v & 0x3F, 0x2C); // board 1, low nibble of 3 inverted
    // A read returns the control lines to 32 (data in), then to 34.
    EXPECT_EQ(sim::takeTrace(), concat({ops("a29 w3 r" + std::to_string(v), Via::Bpp),
                                        lines("port-out 890 32|port-out 890 34")}));
}

TEST_F(BusTest, ParallelBlocksAreOneStrobePerByte) {
    ASSERT_EQ(connect("epp"), HW_LINK_EPP);
    const uint8_t pairs[] = {28, 0, 29, 80, 31}, block[] = {5, 6};
    EXPECT_TRUE(WritePairs(ps, dc, pairs, 5));
    EXPECT_TRUE(WriteBlock(ps, dc, 40, block, 2));
    EXPECT_TRUE(FlushQueue(ps, dc)); // nothing to flush on a port
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
