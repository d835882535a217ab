// SPDX-License-Identifier: GPL-3.0-or-later
// The register-bus primitives over each link, checked on the simulator's trace.
#include "sim_fixture.h"
#include "src/bus.h"
#include <numeric>

namespace hwlink::test {
namespace {

class BusTest : public SimTest {};

TEST_F(BusTest, QueuedUsbPacketRepeatsAddressAndPadsAddresses) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    ClearQueue(ps);
    // Three data bytes for one address, then two addresses in a row.
    QueueStrobe(ps, dc, 0, 40);
    QueueStrobe(ps, dc, 1, 1);
    QueueStrobe(ps, dc, 1, 2);
    QueueStrobe(ps, dc, 1, 3);
    QueueStrobe(ps, dc, 0, 41);
    QueueStrobe(ps, dc, 0, 42);
    const uint8_t expect[] = {40, 1, 40, 2, 40, 3, 41, 0, 42};
    ASSERT_EQ(ps[HW_PS_PktLen], int32_t(sizeof expect));
    EXPECT_EQ(ps[HW_PS_PktLastKind], 0);
    EXPECT_TRUE(std::equal(std::begin(expect), std::end(expect), dc));
    EXPECT_TRUE(sim::takeTrace().empty()) << "queued strobes must not reach the bus";

    QueueStrobe(ps, dc, 2, 0); // the flush
    EXPECT_EQ(ps[HW_PS_PktLen], 0);
    EXPECT_EQ(ps[HW_PS_PktLastKind], 1);
    const Trace want = {"usb-reg-write 131 0 9",
                        "addr 40",
                        "wr 1",
                        "addr 40",
                        "wr 2",
                        "addr 40",
                        "wr 3",
                        "addr 41",
                        "wr 0",
                        "addr 42"};
    EXPECT_EQ(sim::takeTrace(), want);
}

TEST_F(BusTest, FullPacketIsSentWithoutOverrunningTheRecord) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    ClearQueue(ps);
    // 100 data bytes for one address need 200 packet bytes: more than the 128 there are.
    QueueStrobe(ps, dc, 0, 7);
    for (int i = 0; i < 100; ++i)
        QueueStrobe(ps, dc, 1, uint8_t(i));
    EXPECT_EQ(dc[HW_DC_Link], HW_LINK_USB);
    EXPECT_LE(ps[HW_PS_PktLen], 128);
    ASSERT_TRUE(FlushQueue(ps, dc));
    Trace bus;
    for (const auto &l : sim::takeTrace())
        if (l.rfind("usb", 0) != 0) bus.push_back(l);
    ASSERT_EQ(bus.size(), 200u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(bus[size_t(2 * i)], "addr 7");
        EXPECT_EQ(bus[size_t(2 * i + 1)], "wr " + std::to_string(i));
    }
}

TEST_F(BusTest, DataWithoutQueuedAddressGoesToLastAddressedRegister) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    ClearQueue(ps);
    QueueStrobe(ps, dc, 1, 9);
    EXPECT_EQ(ps[HW_PS_PktLen], 0);
    EXPECT_EQ(sim::takeTrace(), (Trace{"usb-reg-write 133 0 1", "wr 9"}));
}

TEST_F(BusTest, BulkTransfersSplitAt65535WithHeaderBeforeEachChunk) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    std::vector<uint8_t> buf(65536);
    struct Case {
        int32_t len;
        Trace chunks;
    };
    const Case cases[] = {
        {65535, {"usb-reg-write 130 0 8", "usb-bulk-in 65535"}},
        {65536,
         {"usb-reg-write 130 0 8", "usb-bulk-in 65535", "usb-reg-write 130 0 8", "usb-bulk-in 1"}},
        {0, {"usb-reg-write 130 0 8", "usb-bulk-in 0"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.len);
        ASSERT_TRUE(BulkRead(buf.data(), c.len));
        Trace links;
        for (const auto &l : sim::takeTrace())
            if (l.rfind("usb", 0) == 0) links.push_back(l);
        EXPECT_EQ(links, c.chunks);
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

TEST_F(BusTest, FailingRegisterRequestsReadAs0xFF) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    sim::faults().failRegisterRequests = true;
    EXPECT_EQ(UsbGetData(), 0xFF);
    EXPECT_EQ(ReadData(ps, dc), 0xFF);
    uint8_t v = 0;
    EXPECT_FALSE(ReadDataChecked(ps, dc, &v));
    EXPECT_FALSE(UsbSetAddr(3));
    const uint8_t pairs[] = {1, 2};
    EXPECT_FALSE(WritePairs(ps, dc, pairs, 2));
    uint8_t buf[4];
    EXPECT_FALSE(ReadBlock(ps, dc, buf, 4)) << "the bulk header is a register request";
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(BusTest, NoLinkDoesNothingAndReadsZero) {
    selectSim("usb");
    ASSERT_EQ(FindPort(ps, dc, 1), HW_LINK_USB);
    sim::takeTrace();
    dc[HW_DC_Link] = HW_LINK_NONE; // demo mode, even with a device open
    WriteStrobe(ps, dc, 0, 28);
    QueueStrobe(ps, dc, 0, 28);
    EXPECT_EQ(ReadData(ps, dc), 0);
    const uint8_t data[] = {1, 2, 3, 4};
    EXPECT_FALSE(WritePairs(ps, dc, data, 4));
    EXPECT_FALSE(WriteBlock(ps, dc, 28, data, 4));
    uint8_t buf[4] = {9, 9, 9, 9};
    EXPECT_FALSE(ReadBlock(ps, dc, buf, 4));
    EXPECT_EQ(std::accumulate(buf, buf + 4, 0), 0);
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(BusTest, BppStrobesAndReadSequence) {
    ASSERT_EQ(connect("bpp"), HW_LINK_BPP);
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], 29);
    WriteStrobe(ps, dc, ps[HW_PS_DataSel], 3);
    const uint8_t v = ReadData(ps, dc);
    EXPECT_EQ(v & 0x3F, 0x2C); // board 1, low nibble of 3 inverted
    const Trace want = {"port-out 888 29",
                        "port-out 890 9",
                        "addr 29",
                        "port-out 890 1",
                        "port-out 890 0",
                        "port-out 888 3",
                        "port-out 890 3",
                        "wr 3",
                        "port-out 890 1",
                        "port-out 890 0",
                        "port-out 890 34",
                        "port-in 888 " + std::to_string(v),
                        "rd " + std::to_string(v),
                        "port-out 890 32",
                        "port-out 890 34"};
    EXPECT_EQ(sim::takeTrace(), want);
}

TEST_F(BusTest, ParallelBlocksAreOneStrobePerByte) {
    ASSERT_EQ(connect("epp"), HW_LINK_EPP);
    const uint8_t pairs[] = {28, 0, 29, 80, 31};
    EXPECT_TRUE(WritePairs(ps, dc, pairs, 5));
    const uint8_t block[] = {5, 6};
    EXPECT_TRUE(WriteBlock(ps, dc, 40, block, 2));
    EXPECT_TRUE(FlushQueue(ps, dc)); // nothing to flush on a port
    const Trace want = {"port-out 891 28", "addr 28", "port-out 892 0",  "wr 0",
                        "port-out 891 29", "addr 29", "port-out 892 80", "wr 80",
                        "port-out 891 31", "addr 31", "port-out 891 40", "addr 40",
                        "port-out 892 5",  "wr 5",    "port-out 892 6",  "wr 6"};
    EXPECT_EQ(sim::takeTrace(), want);
}

TEST(ClockTest, VirtualDelaysAdvanceAtOnce) {
    useVirtualClock(true);
    const int64_t t0 = nowMs();
    DelayMs(250);
    EXPECT_EQ(nowMs() - t0, 250);
    DelayMs(-5);
    advanceVirtualMs(10);
    EXPECT_EQ(nowMs() - t0, 260);
}

} // namespace
} // namespace hwlink::test
