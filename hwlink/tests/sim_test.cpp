// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument itself: the environment's items and the selection of link and
// variant. (Its configuration framing is what the configuration tests run against.)
#include "sim_fixture.h"
#include "src/registers.h"
#include <algorithm>

namespace hwlink::test {
namespace {

// The record moved in blocks (as an untraced bulk transfer moves it) is the record the read
// cycles give one byte at a time, whatever the blocks' sizes, and reads as zeros once it has all
// been read out.
TEST_F(AcqTest, BlockReadOutMatchesByteReadOut) {
    Settings s;
    arm(s);
    ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
    sim::AcquisitionModel &m = model();
    const size_t len = size_t(m.recordLength()) * 4;
    auto startReadout = [&] {
        m.write(reg::kMode, reg::kModeRecordReadout);
        m.write(reg::kReadout, 0);
    };
    startReadout();
    std::vector<uint8_t> bytes(len + 3);
    for (uint8_t &b : bytes)
        b = m.read(reg::kReadout);
    // A record of the inputs, then the zeros past its end.
    ASSERT_LT(std::count(bytes.begin(), bytes.end() - 3, uint8_t{0}), ptrdiff_t(len / 2));
    ASSERT_EQ(V(bytes.end() - 3, bytes.end()), V(3, 0));
    for (const size_t first : {size_t{1}, len / 3, len - 1, len}) {
        SCOPED_TRACE(first);
        startReadout();
        std::vector<uint8_t> blocks(len + 3, 0xAA);
        m.readBlock(reg::kReadout, blocks.data(), first);
        m.readBlock(reg::kReadout, blocks.data() + first, len + 3 - first);
        EXPECT_EQ(blocks, bytes);
    }
}

// The items of HWLINK_SIM_SIGNALS and HWLINK_SIM_FAULT: spaces and case do not matter, a
// missing field (the offset) keeps its value, as does an input not named; an item that cannot
// be used is skipped, the usable ones still apply.
TEST(SimulatedEnvironment, SignalAndFaultItems) {
    sim::SignalConfig c = sim::defaultSignals();
    EXPECT_TRUE(
        sim::parseSignals(" A2 = triangle, 5e3 ,0.5; d=word,0xffff; cal=2000 ;SEED=9;NOISE=0", c));
    EXPECT_FALSE(sim::parseSignals("A1=wobble,1;NOISE=0.5;D=word,0x10000;NOISE=-1", c));
    EXPECT_EQ((std::vector<double>{double(c.analog[1].shape), c.analog[1].frequency,
                                   c.analog[1].amplitude, c.analog[1].offset, c.calFrequency,
                                   c.calAmplitude, double(c.analog[0].shape), c.noise,
                                   double(c.logicCounter), double(c.logicWord), double(c.seed)}),
              (std::vector<double>{double(sim::Shape::Triangle), 5e3, 0.5, 0.0, 2000.0, 0.2,
                                   double(sim::Shape::Square), 0.5, 0, 0xFFFF, 9}));
    // A fault due at 0 strikes at once; gone without a count: gone from the start.
    sim::Faults f;
    std::vector<std::string> rejected;
    EXPECT_FALSE(sim::parseFaults(
        "bulkfail@0;regfail@12;neverdone;gone;gone@x;late@3;neverready@2;regfail@-1", f,
        &rejected));
    EXPECT_EQ(rejected, (Trace{"gone@x", "late@3", "neverready@2", "regfail@-1"}));
    EXPECT_EQ((V{f.disappeared, f.bulkFailAfterRecords, f.regFailAfterRecords, f.neverDone,
                 f.failBulkAfter}),
              (V{true, 0, 12, true, 0}));
}

// An item that cannot be used is named once on stderr, however often the variable is read.
TEST_F(SimTest, UnusableEnvironmentItemsAreNamedOnce) {
    ::setenv("HWLINK_SIM_SIGNALS", "A1=sine,1e3;A2=wobble;NOISE=-1", 1);
    ::setenv("HWLINK_SIM_FAULT", "regfail@3;soon", 1);
    testing::internal::CaptureStderr();
    const sim::SignalConfig c = sim::signalsFromEnv();
    sim::signalsFromEnv();
    selectSim("usb");
    FindPort(ps, dc, 1);
    FindPort(ps, dc, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "hwlink simulator: HWLINK_SIM_SIGNALS: cannot use \"A2=wobble\", ignored\n"
              "hwlink simulator: HWLINK_SIM_SIGNALS: cannot use \"NOISE=-1\", ignored\n"
              "hwlink simulator: HWLINK_SIM_FAULT: cannot use \"soon\", ignored\n");
    EXPECT_EQ(c.analog[0].shape, sim::Shape::Sine);
    EXPECT_EQ(sim::faults().regFailAfterRecords, 3);
}

TEST_F(SimTest, UnknownSelectionsFallBackSafely) {
    selectSim("firewire");
    EXPECT_EQ(sim::selectedLink(), sim::SimLink::None);
    for (const char *v : {"", "0", "4", "12", "x", "3"}) {
        ::setenv("HWLINK_SIM_VARIANT", v, 1);
        EXPECT_EQ(sim::selectedVariant(), *v == '3' ? 3 : 1) << v;
    }
    selectSim("epp");
    EXPECT_FALSE(sim::openPort(0x278)) << "the simulated port answers at 378H only";
    EXPECT_FALSE(sim::openUsb(sim::kSimUsbVendor, sim::kSimUsbProduct));
}

} // namespace
} // namespace hwlink::test
