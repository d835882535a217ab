// SPDX-License-Identifier: GPL-3.0-or-later
// Single failed requests on the link (HWLINK_SIM_FAULT failonce@N): the call that made the
// request reports the failure, and the instrument works again afterwards.
#include "sim_fixture.h"

namespace hwlink::test {
namespace {

class RequestFaultTest : public AcqTest {
  protected:
    // The steps of a start and one record.
    enum Step { Open, Configure, SetUp, Record, kSteps };

    // Runs the steps on `link` until one fails; returns the step that failed (kSteps: none),
    // the requests made (trace lines) and where each step ended among them.
    // clang-format off
    struct Run { Step failed = kSteps; Trace requests; std::vector<size_t> ends; };
    // clang-format on
    Run run(const char *link) {
        Run r;
        sim::captureTrace(true);
        sim::takeTrace();
        auto done = [&](bool ok) {
            const Trace t = filter(sim::takeTrace(), {"usb-reg-", "usb-bulk-", "port-"});
            r.requests.insert(r.requests.end(), t.begin(), t.end());
            r.ends.push_back(r.requests.size());
            return ok;
        };
        Settings s;
        std::vector<uint8_t> bits = loadConfigBits(VRX_TEST_BITSTREAM);
        selectSim(link);
        dc[HW_DC_ModelCode] = 55;
        dc[HW_DC_Variant] = 1;
        if (!done(FindPort(ps, dc, 1) != 0))
            r.failed = Open;
        else if (!done(FindHardware(0, ps, dc, bits.data()) == 1))
            r.failed = Configure;
        else if (!done(capture(s) == 1))
            r.failed = SetUp;
        else {
            // Status polls until the record is complete, the last one reading it back; a poll
            // that reports the link lost ends the record.
            uint8_t st = HW_STAT_WAIT_TRIGGER;
            for (int i = 0; i < 100 && st != HW_STAT_COMPLETE && st != HW_STAT_LINK_LOST; ++i)
                st = poll(s);
            if (!done(st == HW_STAT_COMPLETE)) r.failed = Record;
        }
        return r;
    }
};

// One request of a step fails: that step reports it (the steps before work), and after a new
// search the whole start and record work again. The requests picked: the middle one of the
// FPGA configuration (a lost bit on a parallel port, which the configuration's check
// catches), the first read of the set-up and of the status polls, the read-back's last. On a
// parallel port a failed status read gives 0xFF, which is read again rather than taken for
// "complete": the step goes on with the second reading.
TEST_F(RequestFaultTest, OneFailedRequestIsReportedAndTheNextWork) {
    enum Pick { Middle, FirstRead, Last };
    // clang-format off
    const struct { const char *link; Step step; Pick pick; Step fails; } cases[] = {
        {"usb", Configure, Middle, Configure}, {"usb", SetUp, FirstRead, SetUp},
        {"usb", Record, FirstRead, Record},    {"usb", Record, Last, Record},
        {"epp", Configure, Middle, Configure}, {"epp", Record, FirstRead, kSteps},
        {"bpp", Record, FirstRead, kSteps}};
    // clang-format on
    for (const auto &c : cases) {
        reset();
        const Run clean = run(c.link);
        ASSERT_EQ(clean.failed, kSteps);
        // The request's number, counted from 1.
        const size_t from = clean.ends[c.step - 1], to = clean.ends[c.step];
        size_t n = c.pick == Middle ? (from + to) / 2 : to;
        for (size_t i = from; c.pick == FirstRead && i < to; ++i) {
            if (clean.requests[i].find("-read ") != std::string::npos ||
                clean.requests[i].starts_with("port-in ")) {
                n = i + 1;
                break;
            }
        }
        SCOPED_TRACE(testing::Message() << c.link << " step " << c.step << " request " << n << ": "
                                        << clean.requests[n - 1]);
        reset();
        ::setenv("HWLINK_SIM_FAULT", ("failonce@" + std::to_string(n)).c_str(), 1);
        const Run faulted = run(c.link);
        EXPECT_EQ(faulted.failed, c.fails);
        if (c.fails == kSteps)
            EXPECT_EQ(sim::faults().recordsRead, 1) << "the record read is one the instrument sent";
        EXPECT_EQ(run(c.link).failed, kSteps) << "the fault strikes once";
    }
}

} // namespace
} // namespace hwlink::test
