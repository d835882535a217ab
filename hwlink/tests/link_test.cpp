// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the instrument (FindPort, the link probe) and PowerOff, on every simulated link, and a
// lost instrument reported, never shown as data (floating parallel lines read 0xFF).
#include "sim_fixture.h"
#include "src/link.h"

namespace hwlink::test {
namespace {

class LinkTest : public AcqTest {};

TEST_F(LinkTest, FindPortOnEachSimulatedLinkAndVariant) {
    // clang-format off
    struct Case { const char *sim; uint8_t result, link, speed; };
    // clang-format on
    const Case cases[] = {{"usb", 4, 4, 2}, {"usb11", 4, 4, 1}, {"epp", 1, 1, 0}, {"bpp", 1, 2, 0}};
    for (const Case &c : cases) {
        for (int variant = 1; variant <= 3; ++variant) {
            SCOPED_TRACE(std::string(c.sim) + " variant " + std::to_string(variant));
            ::setenv("HWLINK_SIM_VARIANT", std::to_string(variant).c_str(), 1);
            selectSim(c.sim);
            int32_t p[HW_PORTSTATE_LEN] = {};
            uint8_t d[HW_DEVCONFIG_LEN] = {};
            EXPECT_EQ((V{FindPort(p, d, 1), d[HW_DC_Link]}), (V{c.result, c.link}));
            if (c.link == HW_LINK_USB) {
                EXPECT_EQ(
                    (V{d[HW_DC_UsbSpeed], d[HW_DC_Variant], p[HW_PS_AddrSel], p[HW_PS_DataSel]}),
                    (V{c.speed, variant, 0, 1}));
            } else {
                EXPECT_EQ(sim::instrument().variant(), variant);
                EXPECT_EQ(V(p, p + 5), (V{0x378, 0x379, 0x37A, 0x37B, 0x37C}));
            }
            PowerOff(p, d);
        }
    }
}

TEST_F(LinkTest, ProbeSequencesOfEachLink) {
    selectSim("usb");
    ASSERT_EQ(FindPort(ps, dc, 1), 4);
    // Identification (29 echoes 21 inverted), then the instrument left in reset, waiting for
    // its configuration.
    EXPECT_EQ(sim::takeTrace(),
              concat({lines("usb-reg-read 142 0 1|usb-reg-write 140 15 1|usb-reg-write 140 16 1"),
                      ops("a28 a29 w21 r42 a28 w0 a30 a29 w0", Via::Usb)}));
    EXPECT_TRUE(sim::instrument().ready());

    const std::string kProbeReset = " a28 w0 a30 a29 w0"; // the probe's closing reset
    sim::resetSimulator();                                // a fresh instrument on a parallel port
    sim::captureTrace(true);
    selectSim("epp");
    ASSERT_EQ(FindPort(ps, dc, 1), 1);
    // EPP test: 5 and 10 come back with their low four bits inverted.
    EXPECT_EQ(sim::takeTrace(), concat({ops("a28", Via::Bpp), lines("port-out 890 0"),
                                        ops("a29 w5 r42 w10 r37" + kProbeReset, Via::Epp)}));
    sim::resetSimulator(); // a fresh instrument on the other port
    sim::captureTrace(true);
    selectSim("bpp");
    ASSERT_EQ(FindPort(ps, dc, 1), 1);
    ASSERT_EQ(dc[HW_DC_Link], HW_LINK_BPP);
    // The EPP test finds floating lines: this port has no EPP cycles.
    EXPECT_EQ(sim::takeTrace(),
              concat({ops("a28", Via::Bpp),
                      lines("port-out 890 0|port-out 891 29|port-out 892 5|port-in 892 255|"
                            "port-out 892 10|port-in 892 255|port-out 890 0"),
                      ops("a29 w5 r42 w10 r37" + kProbeReset, Via::Bpp)}));
}

TEST_F(LinkTest, Port3BCIsNeverEpp) {
    selectSim("epp");
    lib().port = sim::makePort(0x3BC, true); // an EPP-capable port at 3BCH
    EXPECT_EQ(ProbeLink(ps, dc, 0x3BC), HW_LINK_BPP);
    EXPECT_EQ(ps[HW_PS_AddrSel], 0x3BF);
    for (const auto &l : sim::takeTrace())
        EXPECT_EQ(l.find(" 959 "), std::string::npos) << l; // 3BFH, the EPP address port

    // The same port at 278H is taken as EPP.
    lib().port = sim::makePort(0x278, true);
    EXPECT_EQ(ProbeLink(ps, dc, 0x278), HW_LINK_EPP);
}

TEST_F(LinkTest, ProbeWithoutInstrumentStillWaitsAndSendsNothing) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    sim::faults().failRegisterRequests = true;
    const int64_t t0 = nowMs();
    EXPECT_EQ(ProbeLink(ps, dc, 0), HW_LINK_NONE);
    EXPECT_EQ(dc[HW_DC_Variant], 0);
    EXPECT_EQ(nowMs() - t0, 100);
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
        SCOPED_TRACE(c.sim);
        selectSim(c.sim);
        sim::faults() = c.fault;
        dc[HW_DC_Link] = 4;
        EXPECT_EQ((V{FindPort(ps, dc, c.full), dc[HW_DC_Link], bool(lib().usb), bool(lib().port)}),
                  (V{0, 0, 0, 0}));
    }
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(LinkTest, PowerOffWritesTheBlockAndClosesTheLink) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    EXPECT_EQ(PowerOff(ps, dc), 1);
    EXPECT_EQ(sim::takeTrace(), usbPacket("a28 w0 a29 w80 a31 w0"));
    EXPECT_TRUE(sim::instrument().poweredDown());
    EXPECT_FALSE(lib().usb);
    EXPECT_EQ(PowerOff(ps, dc), 0) << "nothing left to close";
    EXPECT_TRUE(sim::takeTrace().empty());

    // A parallel port's writes cannot fail: the register-29 echo first tells that the
    // instrument is there to take them.
    ASSERT_EQ(connect("epp"), HW_LINK_EPP);
    EXPECT_EQ(PowerOff(ps, dc), HW_LINK_EPP);
    EXPECT_EQ(sim::takeTrace(), ops("a29 w4 r107 a28 w0 a29 w80 a31 w0", Via::Epp));
    int32_t p[HW_PORTSTATE_LEN] = {};
    uint8_t d[HW_DEVCONFIG_LEN] = {}; // no link
    EXPECT_EQ(PowerOff(p, d), 0);
    EXPECT_TRUE(sim::takeTrace().empty());
}

// On a parallel port a status of 0xFF is read once more (a single failed read gives 0xFF too)
// and a status or a byte of 0xFF is then confirmed by the register-29 echo before it counts:
// floating lines fail it; a live instrument passes it, its status stands and the direct
// read-out carries on at its register (inputs far beyond the bottom of the range read 0xFF).
TEST_F(LinkTest, ParallelBytesOf0xFFAreCheckedByTheEcho) {
    Settings s;
    arm(s, "epp");
    model().overrideStatus(0xFF);
    sim::captureTrace(true);
    EXPECT_EQ(poll(s), HW_STAT_COMPLETE);
    EXPECT_EQ(slice(busEvents(sim::takeTrace()), 0, 6), ops("a61 r255 r255 a29 w4 r235"));
    sim::captureTrace(false);
    sim::faults().disappeared = true;
    EXPECT_EQ(poll(s), HW_STAT_LINK_LOST);
    EXPECT_EQ(ForceTrigger(ps, dc), 0) << "a write cannot fail: the read-back stands for it";
    sim::faults().disappeared = false; // plugged in again: the next read-back sees it
    EXPECT_EQ((V{poll(s), ForceTrigger(ps, dc)}), (V{HW_STAT_COMPLETE, 1}));

    arm(s, "bpp");
    setInputs({sim::Shape::Dc, 0, 0, -1e300}, {sim::Shape::Dc, 0, 0, -1e300}, 0x1234);
    ASSERT_EQ(OutAdBuck12(ps, dc, nullptr, 0), 1);
    uint8_t buf[8] = {};
    sim::captureTrace(true);
    EXPECT_EQ(inDaBuck8(ps, dc, buf, 4), 1);
    EXPECT_EQ(slice(busEvents(sim::takeTrace()), 4, 4), ops("a29 w4 r235 a63"));
    EXPECT_EQ(inDaBuck8(ps, dc, buf + 4, 4), 1); // group bytes 4-7: the logic inputs
    EXPECT_EQ(V(buf, buf + 8), (V{255, 255, 255, 255, 0x34, 0x34, 0x12, 0x12}));
}

} // namespace
} // namespace hwlink::test
