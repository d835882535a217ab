// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument itself: configuration framing as the FPGA checks it, the trace file,
// inputs beyond the range, the environment's items and the selection of link and variant.
#include "sim_fixture.h"
#include "src/bitstream_format.h"
#include "src/registers.h"
#include <algorithm>
#include <fstream>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace hwlink::test {
namespace {

// The configuration as the simulated FPGA takes it (the loader refuses bad files before they
// reach it): ready only after the reset command, bits on rising clock edges, the sync word at
// any bit offset; a wrong CRC, an absurd length or an empty body drop the ready line, the
// reset command the configuration.
TEST_F(SimTest, ConfigurationFraming) {
    sim::Instrument &inst = sim::instrument();
    auto clock = [&](uint64_t bits, int count) {
        for (int i = count - 1; i >= 0; --i)
            for (uint8_t c : {0, 2})
                inst.writeData(uint8_t(((bits >> i) & 1) | c));
    };
    auto start = [&](bool reset) { // with or without the reset command
        if (reset) inst.selectAddress(30);
        inst.selectAddress(29);
        inst.writeData(0);
        inst.selectAddress(28);
    };
    auto status = [&] {
        inst.selectAddress(29);
        return inst.readData() & 0xC0;
    };
    const std::vector<uint8_t> body = {1, 2, 3, 0xFF, 0x55};
    const uint32_t crc = crc32(body.data(), body.size());
    start(false);
    EXPECT_EQ(status(), 0) << "a start without the reset command does nothing";
    start(true);
    for (uint8_t lines : {3, 3, 1, 2}) // the clock held high gives no second edge
        inst.writeData(lines);
    EXPECT_EQ(inst.bitsClocked(), 2);
    // (ones before the sync word, length, CRC error): status after the frame and a trailer.
    const uint32_t frames[][4] = {{0, 5, 1, 0},    {0, 0xFFFFFFF0u, 0, 0}, {0, 0, 0, 0},
                                  {0, 5, 0, 0xC0}, {5, 5, 0, 0xC0},        {8, 5, 0, 0xC0}};
    for (const auto &f : frames) {
        SCOPED_TRACE(testing::Message() << f[0] << " " << f[1] << " " << f[2]);
        start(true);
        clock(0x1FF >> (9 - f[0]), int(f[0]));
        clock(kBitSyncWord, 32);
        clock(f[1], 32);
        for (uint32_t i = 0; i < std::min<uint32_t>(f[1], 5); ++i)
            clock(body[i], 8);
        clock(f[1] == 5 ? crc ^ f[2] : 0, f[1] > 5 ? 0 : 32);
        inst.writeData(0); // trailer, still on the configuration port
        // The user logic takes the bus only once the host has moved on from register 28.
        EXPECT_EQ((V{inst.userMode(), status(), inst.userMode()}), (V{0, f[3], f[3] != 0}));
    }
    EXPECT_TRUE(inst.configured());
    inst.selectAddress(30);
    EXPECT_FALSE(inst.configured()) << "the reset command clears the configuration";
}

// The trace file gets every event the in-memory trace gets, appended to what it held; two
// processes tracing into it at once (one of them ending without a flush, as on a kill) leave
// only whole lines: each line goes out in one write.
TEST_F(SimTest, TraceFileAppendsWholeLinesFromEveryProcess) {
    const std::string path = ::testing::TempDir() + "hwlink-trace.txt";
    std::ofstream(path) << "earlier\n";
    ::setenv("HWLINK_SIM_TRACE", path.c_str(), 1);
    selectSim("usb11");
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(FindPort(ps, dc, 1), 4);
        PowerOff(ps, dc);
    }
    const Trace memory = concat({{"earlier"}, sim::takeTrace()});
    sim::captureTrace(false);
    constexpr int kLines = 3000;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    for (int i = 0; i < kLines; ++i)
        sim::trace("usb-reg-write %d %d 123456789", child == 0 ? 1 : 2, i);
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::unsetenv("HWLINK_SIM_TRACE");
    sim::openTraceFromEnv(); // closes the file
    std::ifstream in(path);
    Trace file;
    for (std::string line; std::getline(in, line);)
        file.push_back(line);
    EXPECT_EQ(slice(file, 0, memory.size()), memory);
    const std::regex whole("usb-reg-write [12] [0-9]+ 123456789");
    int torn = 0;
    for (size_t i = memory.size(); i < file.size(); ++i)
        torn += !std::regex_match(file[i], whole);
    EXPECT_EQ((V{int64_t(file.size() - memory.size()), torn}), (V{2 * kLines, 0}));
    std::remove(path.c_str());
}

// An input far beyond the range reads as the rail it lies beyond (code 0 is the top of the
// screen, the most positive voltage), never wrapped round; an input too fast to have a phase
// reads as at phase 0.
TEST_F(AcqTest, HugeInputsClipToTheirRail) {
    Settings s;
    arm(s);
    const struct {
        sim::AnalogSignal in;
        int code;
    } cases[] = {{{sim::Shape::Dc, 0, 0, 1e300}, 0},
                 {{sim::Shape::Dc, 0, 0, -1e300}, 255},
                 {{sim::Shape::Square, 1e300, 1e300, 0}, 0},
                 {{sim::Shape::Sine, 1e308, 1e308, 1e308}, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in.offset);
        setInputs(c.in, c.in);
        ASSERT_EQ(OutAdBuck12(ps, dc, nullptr, 0), 1);
        uint8_t raw[4] = {};
        ASSERT_EQ(inDaBuck8(ps, dc, raw, 4), 1);
        EXPECT_EQ(V(raw, raw + 4), V(4, c.code));
    }
}

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
