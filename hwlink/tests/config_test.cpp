// SPDX-License-Identifier: GPL-3.0-or-later
// FPGA configuration: the serial stream, FindHardware on every link, bitstream files as the
// program loads them, and the transport faults.
#include "sim_fixture.h"
#include "src/bitstream_format.h"
#include "src/fpga_config.h"

namespace hwlink::test {
namespace {

std::string writeTemp(const std::string &name, const std::vector<uint8_t> &bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

TEST(ConfigStream, LengthFollowsTheSynchronisationByte) {
    // Bytes set to 0xFF; the sync index; the stream's length (4 padding entries, 16 a byte
    // from the sync byte to 12041, a trailing 0). Without a sync byte the stream starts at 499.
    const int64_t from499 = 4 + 16 * (12042 - 499) + 1;
    // clang-format off
    const std::pair<std::vector<int>, V> cases[] = {
        {{}, {499, from499}}, {{60, 61}, {60, 191717}}, {{0, 60, 61}, {0, 192677}},
        {{499}, {499, from499}}, {{500}, {499, from499}}}; // 500: beyond
    // clang-format on
    for (const auto &[set, want] : cases) {
        std::vector<uint8_t> bits(HW_CONFIGBITS_LEN, 0);
        for (int i : set)
            bits[size_t(i)] = 0xFF;
        EXPECT_EQ((V{findSyncIndex(bits.data()), int64_t(buildConfigStream(bits.data()).size())}),
                  want)
            << set.size();
    }
}

class ConfigTest : public SimTest {
  protected:
    std::vector<uint8_t> good = loadConfigBits(VRX_TEST_BITSTREAM);
};

TEST_F(ConfigTest, GeneratedBitstreamConfiguresOnEveryLinkWithTheSameBusSequence) {
    Trace reference;
    for (const char *link : {"usb", "usb11", "epp", "bpp"}) {
        SCOPED_TRACE(link);
        sim::resetSimulator();
        sim::captureTrace(true);
        ASSERT_NE(connect(link), 0);
        EXPECT_EQ((V{FindHardware(0, ps, dc, good.data()), dc[HW_DC_Configured],
                     sim::instrument().userMode()}),
                  (V{1, 1, 1}));
        const Trace bus = busEvents(sim::takeTrace());
        if (reference.empty()) reference = bus;
        EXPECT_TRUE(bus == reference) << "bus sequences differ";
        PowerOff(ps, dc);
    }
    // Reset, start, one ready poll, the stream as one block to register 28 (two padding bits,
    // then each byte most significant bit first, every bit with a clock pulse), the done check.
    // The simulated FPGA takes the bits only in that order and with their CRC.
    EXPECT_EQ(slice(reference, 0, 12), ops("a28 w0 a30 a29 w0 r111 a28 w0 w2 w0 w2 w1"));
    ASSERT_EQ(reference.size(), 7u + 191717 + 2);
    // The last padding bit, the trailer, the done check.
    EXPECT_EQ(slice(reference, reference.size() - 4, 4), ops("w3 w0 a29 r239"));
}

TEST_F(ConfigTest, BadBitstreamFilesFailWithoutCrashing) {
    const std::vector<uint8_t> file = fileBytes(VRX_TEST_BITSTREAM);
    ASSERT_EQ(file.size(), size_t(kSyntheticFileLen));

    std::vector<uint8_t> noSync = file;
    std::replace(noSync.begin(), noSync.begin() + 500, uint8_t(0xFF), uint8_t(0xFE));
    std::vector<uint8_t> corrupted = file;
    corrupted[kSyntheticHeaderLen + 12 + 5000] ^= 0x10; // one bit of the body
    auto cut = [&](size_t n) { return std::vector<uint8_t>(file.begin(), file.begin() + n); };

    // Cut right after the sync word (68): the loader's zeros read as an empty body, CRC 0.
    // clang-format off
    const std::pair<const char *, std::string> cases[] = {
        {"no sync byte", writeTemp("nosync.bit", noSync)},
        {"corrupted", writeTemp("corrupted.bit", corrupted)},
        {"cut in the body", writeTemp("cut6000.bit", cut(6000))},
        {"cut after the sync word", writeTemp("cut68.bit", cut(68))},
        {"cut in the length", writeTemp("cut70.bit", cut(70))},
        {"missing", ::testing::TempDir() + "does-not-exist.bit"}};
    // clang-format on
    for (const char *link : {"usb", "bpp"}) {
        for (const auto &[what, path] : cases) {
            SCOPED_TRACE(std::string(link) + ": " + what);
            ASSERT_NE(connect(link), 0);
            std::vector<uint8_t> bits = loadConfigBits(path);
            // Refused, not configured, nothing sent.
            EXPECT_EQ((V{FindHardware(0, ps, dc, bits.data()), dc[HW_DC_Configured],
                         sim::instrument().configured(), int64_t(sim::takeTrace().size())}),
                      (V{0, 0, 0, 0}));
        }
    }
}

TEST_F(ConfigTest, WithoutLinkOnlyTheRecordsAreReset) {
    std::fill(std::begin(dc), std::end(dc), 0xAA);
    std::fill(std::begin(ps), std::end(ps), 77);
    dc[HW_DC_Link] = HW_LINK_NONE;
    lib().gainFactor[0] = 0.5f;
    EXPECT_TRUE(FindHardware(0, ps, dc, good.data()) == 0 && sim::takeTrace().empty());
    // dc[135] and ps[7] are not FindHardware's.
    EXPECT_EQ((V{dc[141], dc[134], dc[143], dc[144], dc[129], dc[145], dc[146], dc[147],
                 dc[148], dc[135], ps[5],   ps[6],   ps[10],  ps[11],  ps[12],  ps[13],
                 ps[14],  ps[15],  ps[16],  ps[22],  ps[21],  ps[7]}),
              (V{0, 0, 0, 0, 0, 16, 64, 8, 32, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 77}));
    EXPECT_EQ(lib().gainFactor[0], 1.0f);
}

// A transport fault is never reported as configured; an FPGA that is never ready is given up
// after 500 polls.
TEST_F(ConfigTest, TransportFaultsAreNeverReportedAsConfigured) {
    // clang-format off
    const struct { const char *what; void (*inject)(); } cases[] = {
        {"failing register requests", [] { sim::faults().failRegisterRequests = true; }},
        {"failing bulk transfer", [] { sim::faults().failBulkAfter = 1; }},
        {"device disappeared", [] { sim::faults().disappeared = true; }},
        {"never done", [] { sim::faults().neverDone = true; }}};
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        sim::resetSimulator();
        sim::captureTrace(false);
        ASSERT_EQ(connect("usb"), HW_LINK_USB);
        c.inject();
        EXPECT_EQ((V{FindHardware(0, ps, dc, good.data()), dc[HW_DC_Configured]}), (V{0, 0}));
    }

    sim::resetSimulator();
    sim::captureTrace(true);
    ASSERT_EQ(connect("usb"), HW_LINK_USB);
    sim::faults().neverReady = true;
    const int64_t t0 = nowMs();
    EXPECT_EQ((V{FindHardware(0, ps, dc, good.data()), nowMs() - t0}), (V{0, 11 + 500}));
    const Trace t = sim::takeTrace();
    EXPECT_EQ((V{countPrefix(t, "rd "), countPrefix(t, "usb-bulk-out")}), (V{500, 0}));
}

} // namespace
} // namespace hwlink::test
