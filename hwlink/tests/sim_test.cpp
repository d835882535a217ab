// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument itself: identification register, configuration framing as the FPGA
// checks it, the power-down state and the trace file.
#include "sim_fixture.h"
#include "src/bitstream_format.h"
#include <fstream>

namespace hwlink::test {
namespace {

class InstrumentTest : public SimTest {
  protected:
    sim::Instrument &inst = sim::instrument();

    void startConfiguration() {
        inst.selectAddress(30);
        inst.selectAddress(29);
        inst.writeData(0);
        inst.selectAddress(28);
    }
    void clockBits(uint64_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            const uint8_t b = (bits >> i) & 1;
            inst.writeData(b);
            inst.writeData(b | 2);
        }
    }
    // A framed body: sync word, length, body, CRC-32, each most significant bit first.
    void clockFrame(const std::vector<uint8_t> &body, uint32_t crc) {
        clockBits(kBitSyncWord, 32);
        clockBits(body.size(), 32);
        for (uint8_t b : body)
            clockBits(b, 8);
        clockBits(crc, 32);
    }
    uint8_t status() {
        inst.selectAddress(29);
        return inst.readData();
    }
};

TEST_F(InstrumentTest, Register29EchoesInvertedLowNibbleWithBoardCode) {
    const uint8_t board[] = {0, 0x20, 0x10, 0x30};
    for (int variant = 1; variant <= 3; ++variant) {
        inst.powerOn(variant);
        for (uint8_t written : {uint8_t(0), uint8_t(5), uint8_t(21), uint8_t(0xFA)}) {
            inst.selectAddress(29);
            inst.writeData(written);
            EXPECT_EQ(inst.readData(), board[variant] | (~written & 0x0F))
                << "variant " << variant << " written " << int(written);
        }
    }
}

TEST_F(InstrumentTest, SyncWordIsFoundAtAnyBitOffset) {
    const std::vector<uint8_t> body = {1, 2, 3, 0xFF, 0x55};
    for (int lead = 0; lead < 9; ++lead) {
        SCOPED_TRACE(lead);
        startConfiguration();
        clockBits(0x1FF >> (9 - lead), lead); // ones before the sync word
        clockFrame(body, crc32(body.data(), body.size()));
        EXPECT_TRUE(inst.configured());
        EXPECT_EQ(status() & 0xC0, 0xC0);
    }
}

TEST_F(InstrumentTest, WrongCrcOrAbsurdLengthNeverReportsDone) {
    const std::vector<uint8_t> body = {9, 8, 7};
    startConfiguration();
    clockFrame(body, crc32(body.data(), body.size()) ^ 1);
    clockBits(~0ull, 64);
    EXPECT_FALSE(inst.configured());
    EXPECT_EQ(status() & 0xC0, 0) << "a CRC error drops the ready line too";

    startConfiguration();
    clockBits(kBitSyncWord, 32);
    clockBits(0xFFFFFFF0u, 32);
    clockBits(0, 64);
    EXPECT_FALSE(inst.configured());

    startConfiguration();
    clockFrame(body, crc32(body.data(), body.size()));
    inst.selectAddress(28);
    inst.writeData(0);
    ASSERT_TRUE(inst.configured());
    inst.selectAddress(30);
    EXPECT_FALSE(inst.configured()) << "the reset command clears the configuration";
}

TEST_F(InstrumentTest, ReadyAfterResetAndStartBitsOnClockEdgesUserLogicAfterTheBlock) {
    inst.selectAddress(29);
    inst.writeData(0);
    EXPECT_EQ(status() & 0xC0, 0) << "a start without the reset command does nothing";
    startConfiguration();
    EXPECT_EQ(status() & 0xC0, 0x40);

    startConfiguration();
    inst.writeData(3);
    inst.writeData(3); // clock stays high: no second edge
    inst.writeData(1);
    inst.writeData(2);
    EXPECT_EQ(inst.bitsClocked(), 2);

    const std::vector<uint8_t> body = {0x42};
    startConfiguration();
    clockFrame(body, crc32(body.data(), body.size()));
    inst.writeData(0); // trailer, still on the configuration port
    EXPECT_TRUE(inst.configured());
    EXPECT_FALSE(inst.userMode());
    inst.selectAddress(29);
    EXPECT_TRUE(inst.userMode());
    EXPECT_EQ(inst.readData() & 0xC0, 0xC0) << "register 29 stays the instrument's own";
}

TEST_F(SimTest, TraceFileAppendsOneLinePerEvent) {
    const std::string path = ::testing::TempDir() + "hwlink-trace.txt";
    std::remove(path.c_str());
    ::setenv("HWLINK_SIM_TRACE", path.c_str(), 1);
    selectSim("usb11");
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(FindPort(ps, dc, 1), 4);
        EXPECT_EQ(dc[HW_DC_UsbSpeed], 1);
        PowerOff(ps, dc);
    }
    const Trace memory = sim::takeTrace();
    ::unsetenv("HWLINK_SIM_TRACE");
    lib().usb = sim::openUsb(sim::kSimUsbVendor, sim::kSimUsbProduct); // closes the file
    lib().usb.reset();

    std::ifstream in(path);
    Trace file;
    for (std::string line; std::getline(in, line);)
        file.push_back(line);
    EXPECT_EQ(file, memory);
    // Two runs of 21 probe and 7 power-down events, appended.
    ASSERT_EQ(file.size(), 2u * 28);
    const Trace start = {"usb-reg-read 142 0 1", "usb-reg-write 140 15 1",
                         "usb-reg-write 140 16 1"};
    EXPECT_EQ(slice(file, 0, 3), start);
    EXPECT_EQ(slice(file, 28, 3), start);
    std::remove(path.c_str());
}

TEST_F(SimTest, UnknownSelectionsFallBackSafely) {
    selectSim("firewire");
    EXPECT_EQ(sim::selectedLink(), sim::SimLink::None);
    for (const char *v : {"", "0", "4", "12", "x"}) {
        ::setenv("HWLINK_SIM_VARIANT", v, 1);
        EXPECT_EQ(sim::selectedVariant(), 1) << v;
    }
    ::setenv("HWLINK_SIM_VARIANT", "3", 1);
    EXPECT_EQ(sim::selectedVariant(), 3);
    selectSim("epp");
    EXPECT_FALSE(sim::openPort(0x278)) << "the simulated port answers at 378H only";
    EXPECT_FALSE(sim::openUsb(sim::kSimUsbVendor, sim::kSimUsbProduct));
}

} // namespace
} // namespace hwlink::test
