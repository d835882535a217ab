// SPDX-License-Identifier: GPL-3.0-or-later
// A lost instrument is reported, never shown as data: failing USB bulk transfers and register
// requests, an unplugged instrument on every link (floating parallel lines read 0xFF), as the
// exports report them and as HWLINK_SIM_FAULT injects them into a program run.
#include "sim_fixture.h"

namespace hwlink::test {
namespace {

class LinkLossTest : public AcqTest {
  protected:
    std::vector<uint8_t> channelAreas() const {
        return std::vector<uint8_t>(sb.begin(), sb.begin() + HW_SB_RAW);
    }
};

// Two records come in, then the fault strikes: the next poll reports the link lost and leaves
// the last good record where it is; every export then gives its failure value, unless its own
// requests still get through (failing bulk transfers leave the register requests working).
// FindPort finds the instrument again and it works until the fault strikes once more.
TEST_F(LinkLossTest, FaultsAfterTwoRecordsOnEveryLink) {
    // clang-format off
    struct Case { const char *link, *fault; uint8_t capture, force, direct, powerOff; };
    // clang-format on
    const Case cases[] = {
        {"usb", "bulkfail@2", 1, 1, 0, 1}, {"usb", "regfail@2", 0, 0, 0, 0},
        {"usb11", "gone@2", 0, 0, 0, 0},   {"epp", "gone@2", 0, 0, 0, 0},
        {"bpp", " gone @ 2 ", 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.link) + " " + c.fault);
        sim::resetSimulator();
        ::setenv("HWLINK_SIM_FAULT", c.fault, 1);
        for (int attach = 0; attach < 2; ++attach) {
            sim::captureTrace(false);
            bringUp(c.link);
            Settings s;
            ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
            ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
            const std::vector<uint8_t> last = channelAreas();
            const int32_t shown = viewStart[0];
            capture(s);
            EXPECT_EQ(pollUntilSettled(s), HW_STAT_LINK_LOST);
            EXPECT_EQ(poll(s), HW_STAT_LINK_LOST) << "and on every later poll";
            EXPECT_TRUE(channelAreas() == last) << "the last good record stays";
            EXPECT_EQ(viewStart[0], shown);
            uint8_t direct[4] = {};
            EXPECT_EQ((V{capture(s), ForceTrigger(ps, dc), inDaBuck8(ps, dc, direct, 4),
                         PowerOff(ps, dc)}),
                      (V{c.capture, c.force, c.direct, c.powerOff}));
        }
    }
}

// On a parallel port a status of 0xFF is read once more (a single failed read gives 0xFF too)
// and a status or a byte of 0xFF is then confirmed by the register-29 echo before it counts:
// floating lines fail it; a live instrument passes it, its status stands and the direct
// read-out carries on at its register (inputs far beyond the bottom of the range read 0xFF).
TEST_F(LinkLossTest, ParallelBytesOf0xFFAreCheckedByTheEcho) {
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
