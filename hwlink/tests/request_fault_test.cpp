// SPDX-License-Identifier: GPL-3.0-or-later
// Single failed or slow requests on the link (HWLINK_SIM_FAULT failonce@N, slow@N,MS): the
// call that made the request reports the failure, and the instrument works again afterwards.
#include "sim_fixture.h"

namespace hwlink::test {
namespace {

class RequestFaultTest : public AcqTest {
  protected:
    // The steps of a start and one record.
    enum Step { Open, Configure, SetUp, Record, kSteps };

    // Runs the steps on `link` until one fails; returns the step that failed (kSteps: none),
    // the requests made (trace lines) and where each step ended among them.
    struct Run {
        Step failed = kSteps;
        Trace requests;
        std::vector<size_t> ends;
    };
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
    const struct {
        const char *link;
        Step step;
        Pick pick;
        Step fails;
    } cases[] = {{"usb", Configure, Middle, Configure}, {"usb", SetUp, FirstRead, SetUp},
                 {"usb", Record, FirstRead, Record},    {"usb", Record, Last, Record},
                 {"epp", Configure, Middle, Configure}, {"epp", Record, FirstRead, kSteps},
                 {"bpp", Record, FirstRead, kSteps}};
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

// The items: a request number from 1, a delay of 0 to 600000 ms; a spent request fault is not
// armed again when the device is opened again, the faults counted in records are; requests
// are counted from the opening; a slow one takes its delay on the clock.
TEST_F(RequestFaultTest, ItemsAndWhenTheyStrike) {
    sim::Faults f;
    std::vector<std::string> rejected;
    EXPECT_FALSE(sim::parseFaults("failonce@1;slow@7,0;slow@8,600000;failonce@0;failonce;"
                                  "failonce@2,5;slow@3;slow@3,600001;slow@x,1;failonce@-1",
                                  f, &rejected));
    EXPECT_EQ(rejected, (Trace{"failonce@0", "failonce", "failonce@2,5", "slow@3", "slow@3,600001",
                               "slow@x,1", "failonce@-1"}));
    using RF = sim::Faults::RequestFault;
    EXPECT_EQ(f.requestFaults, (std::vector<RF>{{1, -1}, {7, 0}, {8, 600000}}));

    ::setenv("HWLINK_SIM_FAULT", "failonce@2;gone@5;slow@3,250", 1);
    selectSim("usb");
    for (int open = 0; open < 2; ++open) {
        ASSERT_NE(sim::openUsb(sim::kSimUsbVendor, sim::kSimUsbProduct), nullptr);
        EXPECT_EQ(sim::faults().goneAfterRecords, 5);
        const int64_t t0 = nowMs();
        EXPECT_EQ((V{sim::requestFails(), sim::requestFails(), sim::requestFails(), nowMs() - t0}),
                  (V{0, open == 0, 0, open == 0 ? 250 : 0}));
    }
    // On a parallel port the failed access reads the lines floating high.
    ::setenv("HWLINK_SIM_FAULT", "failonce@3", 1);
    selectSim("epp");
    const std::unique_ptr<PortIo> port = sim::openPort(sim::kSimPortBase);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ((V{port->in(0x379), port->in(0x379), port->in(0x379), port->in(0x379)}),
              (V{0x78, 0x78, 0xFF, 0x78}));
}

} // namespace
} // namespace hwlink::test
