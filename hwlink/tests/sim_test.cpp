// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument itself: the environment's items and the selection of link and
// variant. (Its configuration framing is what the configuration tests run against.)
#include "sim_fixture.h"
#include "src/registers.h"
#include <algorithm>
#include <cmath>

namespace hwlink::test {
namespace {

using Bytes = std::vector<int>;
using K = sim::LogicSource::Kind;

// The record moved in blocks (as an untraced bulk transfer moves it) is the record the read
// cycles give one byte at a time, whatever the blocks' sizes, and reads as zeros once it has all
// been read out.
TEST_F(AcqTest, BlockReadOutMatchesByteReadOut) {
    Settings s = arm();
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
        startReadout();
        std::vector<uint8_t> blocks(len + 3, 0xAA);
        m.readBlock(reg::kReadout, blocks.data(), first);
        m.readBlock(reg::kReadout, blocks.data() + first, len + 3 - first);
        EXPECT_EQ(blocks, bytes) << "first block of " << first;
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
TEST_F(SimTest, UnusableItemsAreNamedOnceAndUnknownSelectionsFallBack) {
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
    EXPECT_TRUE(c.analog[0].shape == sim::Shape::Sine && sim::faults().regFailAfterRecords == 3);

    // Unknown selections fall back safely.
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

// Items refused, at both ends of every range, and what the usable ones set: the lines, the
// rate and the bytes on the wire (I2C: the address byte, write bit 0, first). A line carrying a
// bus takes no second one; the word keeps the other lines.
TEST(SimulatedSerialItems, ParsedOrRefused) {
    const std::vector<std::string> refused = {
        "D0=uart,0,Hi",          "D1=uart,1.1e9,Hi",      "D1=uart,9600,",
        "D1=uart,9600,A\tB",     "D16=uart,9600,X",       "D1:D2=uart,9600,X",
        "D2:D3=i2c,1e5,128,AB",  "D2:D3=i2c,1e5,0x80,AB", "D2:D3=i2c,1e5,0x50,ABC",
        "D2:D3=i2c,1e5,0x50,GG", "D2=i2c,1e5,0x50,AB",    "D7:D7:D8=spi,1e6,01",
        "D7:D8=spi,1e6,01",      "D7:D8:D9=can,1e6,01",   "D3:D0=i2c,1e5,1,00"};
    std::string text = "D0=uart,9600,Hi there;d15 = UART, 1e9, ~ ;D3:D2=i2c,1e5,0x7f,00ff;"
                       "D4:D5:D6=spi,1e6,0102;D=word,0x1234";
    for (const std::string &item : refused)
        text += ";" + item;
    sim::SignalConfig cfg = sim::defaultSignals();
    std::vector<std::string> rejected;
    EXPECT_FALSE(sim::parseSignals(text, cfg, &rejected));
    EXPECT_EQ(rejected, refused);
    std::vector<Bytes> got;
    for (const sim::LogicSource &src : cfg.logicSources) {
        got.push_back({int(src.kind), int(std::log10(src.rate))});
        got.back().insert(got.back().end(), src.lines.begin(), src.lines.end());
        got.back().insert(got.back().end(), src.bytes.begin(), src.bytes.end());
    }
    const int u = int(K::Uart), i = int(K::I2c), sp = int(K::Spi);
    EXPECT_EQ(got, (std::vector<Bytes>{{u, 3, 0, 'H', 'i', ' ', 't', 'h', 'e', 'r', 'e'},
                                       {u, 9, 15, ' ', '~', ' '},
                                       {i, 5, 3, 2, 0xFE, 0x00, 0xFF},
                                       {sp, 6, 4, 5, 6, 0x01, 0x02}}));
    EXPECT_EQ(cfg.logicWord, 0x1234);
}

} // namespace
} // namespace hwlink::test
