// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the instrument (FindPort, the link probe) and PowerOff, on every simulated link.
#include "sim_fixture.h"
#include "src/link.h"

namespace hwlink::test {
namespace {

class LinkTest : public SimTest {};

TEST_F(LinkTest, FindPortOnEachSimulatedLinkAndVariant) {
    struct Case {
        const char *sim;
        uint8_t result, link, speed;
    };
    const Case cases[] = {{"usb", 4, 4, 2}, {"usb11", 4, 4, 1}, {"epp", 1, 1, 0}, {"bpp", 1, 2, 0}};
    for (const Case &c : cases) {
        for (int variant = 1; variant <= 3; ++variant) {
            SCOPED_TRACE(std::string(c.sim) + " variant " + std::to_string(variant));
            ::setenv("HWLINK_SIM_VARIANT", std::to_string(variant).c_str(), 1);
            selectSim(c.sim);
            int32_t p[HW_PORTSTATE_LEN] = {};
            uint8_t d[HW_DEVCONFIG_LEN] = {};
            EXPECT_EQ(FindPort(p, d, 1), c.result);
            EXPECT_EQ(d[HW_DC_Link], c.link);
            if (c.link == HW_LINK_USB) {
                EXPECT_EQ(d[HW_DC_UsbSpeed], c.speed);
                EXPECT_EQ(d[HW_DC_Variant], variant);
                EXPECT_EQ(p[HW_PS_AddrSel], 0);
                EXPECT_EQ(p[HW_PS_DataSel], 1);
            } else {
                EXPECT_EQ(sim::instrument().variant(), variant);
                const int32_t ports[5] = {0x378, 0x379, 0x37A, 0x37B, 0x37C};
                EXPECT_TRUE(std::equal(ports, ports + 5, p));
            }
            PowerOff(p, d);
        }
    }
}

TEST_F(LinkTest, QuickSearchSkipsParallelPorts) {
    selectSim("epp");
    EXPECT_EQ(FindPort(ps, dc, 0), 0);
    EXPECT_EQ(dc[HW_DC_Link], 0);
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(LinkTest, NothingAttachedFindsNothing) {
    ::unsetenv("HWLINK_SIM");
    dc[HW_DC_Link] = 4; // left over from an earlier search
    EXPECT_EQ(FindPort(ps, dc, 1), 0);
    EXPECT_EQ(dc[HW_DC_Link], 0);
    EXPECT_FALSE(lib().usb);
    EXPECT_FALSE(lib().port);
}

TEST_F(LinkTest, UsbProbeSequence) {
    selectSim("usb");
    ASSERT_EQ(FindPort(ps, dc, 1), 4);
    const Trace want = {"usb-reg-read 142 0 1", "usb-reg-write 140 15 1", "usb-reg-write 140 16 1",
                        "usb-reg-write 131 0 1", "addr 28", "usb-reg-write 131 0 1", "addr 29",
                        "usb-reg-write 133 0 1", "wr 21", "usb-reg-read 132 0 1", "rd 42",
                        // the instrument left reset, waiting for its configuration
                        "usb-reg-write 131 0 1", "addr 28", "usb-reg-write 133 0 1", "wr 0",
                        "usb-reg-write 131 0 1", "addr 30", "usb-reg-write 131 0 1", "addr 29",
                        "usb-reg-write 133 0 1", "wr 0"};
    EXPECT_EQ(sim::takeTrace(), want);
    EXPECT_TRUE(sim::instrument().ready());
}

// The closing reset of the probe, as EPP address and data cycles.
const Trace kEppReset = {"port-out 891 28", "addr 28", "port-out 892 0",  "wr 0",
                         "port-out 891 30", "addr 30", "port-out 891 29", "addr 29",
                         "port-out 892 0",  "wr 0"};

TEST_F(LinkTest, EppProbeSequence) {
    selectSim("epp");
    ASSERT_EQ(FindPort(ps, dc, 1), 1);
    Trace want = {"port-out 888 28", "port-out 890 9", "addr 28", "port-out 890 1",
                  "port-out 890 0",
                  // EPP test: 5 and 10 come back with their low four bits inverted
                  "port-out 890 0", "port-out 891 29", "addr 29", "port-out 892 5", "wr 5",
                  "port-in 892 42", "rd 42", "port-out 892 10", "wr 10", "port-in 892 37", "rd 37"};
    want.insert(want.end(), kEppReset.begin(), kEppReset.end());
    EXPECT_EQ(sim::takeTrace(), want);
}

// One register write by the host-driven BPP strobes (9 address, 3 data).
Trace bppWrite(int value, int strobe) {
    Trace t = {"port-out 888 " + std::to_string(value), "port-out 890 " + std::to_string(strobe),
               (strobe == 9 ? "addr " : "wr ") + std::to_string(value), "port-out 890 1",
               "port-out 890 0"};
    return t;
}

TEST_F(LinkTest, BppProbeSequence) {
    selectSim("bpp");
    ASSERT_EQ(FindPort(ps, dc, 1), 1);
    ASSERT_EQ(dc[HW_DC_Link], HW_LINK_BPP);
    Trace want = bppWrite(28, 9);
    // The EPP test finds floating lines: this port has no EPP cycles.
    for (const char *l : {"port-out 890 0", "port-out 891 29", "port-out 892 5", "port-in 892 255",
                          "port-out 892 10", "port-in 892 255", "port-out 890 0"})
        want.push_back(l);
    auto add = [&](const Trace &t) { want.insert(want.end(), t.begin(), t.end()); };
    add(bppWrite(29, 9));
    add(bppWrite(5, 3));
    add({"port-out 890 34", "port-in 888 42", "rd 42"});
    add(bppWrite(10, 3));
    add({"port-out 890 34", "port-in 888 37", "rd 37"});
    add(bppWrite(28, 9));
    add(bppWrite(0, 3));
    add(bppWrite(30, 9));
    add(bppWrite(29, 9));
    add(bppWrite(0, 3));
    EXPECT_EQ(sim::takeTrace(), want);
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

TEST_F(LinkTest, FaultyOrVanishedDeviceIsNotFound) {
    selectSim("usb");
    sim::faults().failRegisterRequests = true;
    EXPECT_EQ(FindPort(ps, dc, 1), 0);
    EXPECT_EQ(dc[HW_DC_Link], 0);
    EXPECT_FALSE(lib().usb) << "a bridge without an answering instrument is closed";

    sim::faults() = {};
    sim::faults().disappeared = true;
    for (const char *link : {"usb", "epp"}) {
        selectSim(link);
        EXPECT_EQ(FindPort(ps, dc, 1), 0) << link;
    }
}

TEST_F(LinkTest, PowerOffWritesTheBlockAndClosesUsb) {
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    EXPECT_EQ(PowerOff(ps, dc), 1);
    const Trace want = {
        "usb-reg-write 131 0 6", "addr 28", "wr 0", "addr 29", "wr 80", "addr 31", "wr 0"};
    EXPECT_EQ(sim::takeTrace(), want);
    EXPECT_TRUE(sim::instrument().poweredDown());
    EXPECT_FALSE(lib().usb);
    EXPECT_EQ(PowerOff(ps, dc), 0) << "nothing left to close";
    EXPECT_TRUE(sim::takeTrace().empty());
}

TEST_F(LinkTest, PowerOffOnParallelAndWithoutLink) {
    ASSERT_EQ(connect("epp"), HW_LINK_EPP);
    EXPECT_EQ(PowerOff(ps, dc), HW_LINK_EPP);
    const Trace want = {"port-out 891 28", "addr 28", "port-out 892 0",  "wr 0",
                        "port-out 891 29", "addr 29", "port-out 892 80", "wr 80",
                        "port-out 891 31", "addr 31", "port-out 892 0",  "wr 0"};
    EXPECT_EQ(sim::takeTrace(), want);

    int32_t p[HW_PORTSTATE_LEN] = {};
    uint8_t d[HW_DEVCONFIG_LEN] = {};
    EXPECT_EQ(PowerOff(p, d), 0);
    EXPECT_TRUE(sim::takeTrace().empty());
}

} // namespace
} // namespace hwlink::test
