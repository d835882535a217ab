// SPDX-License-Identifier: GPL-3.0-or-later
// Serial buses on the simulated logic inputs (HWLINK_SIM_SIGNALS Dn=uart, Dc:Dd=i2c,
// Dk:Do:Ds=spi): records taken through the library at every depth, read back bit by bit by the
// small bus readers below, carry exactly the bytes sent; items the simulator cannot use are
// refused.
#include "sim_fixture.h"

namespace hwlink::test {
namespace {

using Bytes = std::vector<int>;

// The logic samples of a record, one word a sample, from the first sample the read-out fills
// to the last it fills at every depth.
constexpr int32_t kFirst = 16;
std::vector<uint16_t> logicSamples(const uint8_t *d0, const uint8_t *d8, int32_t n) {
    std::vector<uint16_t> w;
    for (int32_t i = kFirst; i < n - 16; ++i)
        w.push_back(uint16_t(d0[i] | d8[i] << 8));
    return w;
}

bool level(const std::vector<uint16_t> &w, size_t i, int line) {
    return (w[i] >> line) & 1;
}

// 8N1 frames, least significant bit first, each checked for its start and stop bit. The reader
// finds the first frame after at least one and a half bit times of high line (stop and idle
// bit), so the text must hold no two 1 bits in a row inside a byte; after that it takes the
// next falling edge as the next start, as a receiver does.
struct Frames {
    Bytes bytes;
    size_t first = 0; // the sample the first frame's start bit begins at
};
Frames readUart(const std::vector<uint16_t> &w, int line, double samplesPerBit) {
    Frames out;
    size_t i = 1, high = 0;
    for (; i < w.size(); ++i) { // hunt for the idle stretch before a start bit
        if (level(w, i - 1, line)) ++high;
        if (!level(w, i, line) && level(w, i - 1, line) && double(high) >= 1.5 * samplesPerBit)
            break;
        if (!level(w, i, line)) high = 0;
    }
    while (i < w.size()) {
        auto at = [&](double bits) { return size_t(double(i) + bits * samplesPerBit); };
        if (at(9.5) >= w.size()) break;
        EXPECT_FALSE(level(w, at(0.5), line)) << "start bit at sample " << i;
        EXPECT_TRUE(level(w, at(9.5), line)) << "stop bit of the frame at sample " << i;
        int byte = 0;
        for (int b = 0; b < 8; ++b)
            byte |= int(level(w, at(1.5 + b), line)) << b;
        if (out.bytes.empty()) out.first = i;
        out.bytes.push_back(byte);
        for (i = at(9.5); i < w.size() && !(level(w, i - 1, line) && !level(w, i, line)); ++i) {
        }
    }
    return out;
}

// Whole transfers only (those that begin and end inside the record): the bits taken on each
// rising clock edge while the transfer runs, eight a byte.
// I2C: start and stop are data edges while the clock is high; each byte is followed by its
// acknowledge bit, which the reader checks is low, and the stop by one more clock.
std::vector<Bytes> readI2c(const std::vector<uint16_t> &w, int scl, int sda) {
    std::vector<Bytes> out;
    bool open = false;
    Bytes bits;
    for (size_t i = 1; i < w.size(); ++i) {
        const bool c = level(w, i, scl), d = level(w, i, sda), dWas = level(w, i - 1, sda);
        if (c && level(w, i - 1, scl) && dWas != d) { // start or stop
            if (d && open) {
                // The clock rises once more, with data low, before the stop.
                EXPECT_EQ(bits.size() % 9, 1u) << "stop after " << bits.size() << " bits";
                Bytes bytes;
                for (size_t b = 0; b + 9 <= bits.size(); b += 9) {
                    int v = 0;
                    for (size_t k = 0; k < 8; ++k)
                        v = v << 1 | bits[b + k];
                    bytes.push_back(v);
                    EXPECT_EQ(bits[b + 8], 0) << "acknowledge of byte " << b / 9;
                }
                out.push_back(bytes);
            }
            open = !d;
            bits.clear();
        } else if (open && c && !level(w, i - 1, scl)) {
            bits.push_back(d);
        }
    }
    return out;
}

// SPI mode 0: select low frames a transfer, data taken on the rising clock edge.
std::vector<Bytes> readSpi(const std::vector<uint16_t> &w, int clk, int mosi, int cs) {
    std::vector<Bytes> out;
    bool open = false;
    Bytes bits;
    for (size_t i = 1; i < w.size(); ++i) {
        const bool selected = !level(w, i, cs), was = !level(w, i - 1, cs);
        if (selected && !was) {
            open = true;
            bits.clear();
        } else if (!selected && was && open) {
            EXPECT_EQ(bits.size() % 8, 0u) << "select rose after " << bits.size() << " bits";
            Bytes bytes(bits.size() / 8, 0);
            for (size_t b = 0; b < bits.size(); ++b)
                bytes[b / 8] = bytes[b / 8] << 1 | bits[b];
            out.push_back(bytes);
        } else if (selected && level(w, i, clk) && !level(w, i - 1, clk)) {
            bits.push_back(level(w, i, mosi));
        }
    }
    return out;
}

// Edges on a line.
int edges(const std::vector<uint16_t> &w, int line) {
    int n = 0;
    for (size_t i = 1; i < w.size(); ++i)
        n += level(w, i, line) != level(w, i - 1, line);
    return n;
}

class SerialSourceTest : public AcqTest {};

// Each bus at its rate, sampled at a real-time rate, at 2K, 8K and 128K: the bytes read back
// are the bytes sent, whole transfers (or frames) fill the record, and D1, which no bus uses,
// still carries the counter's bit 1 (an edge every two microseconds).
TEST_F(SerialSourceTest, RecordsCarryTheBytesSent) {
    using K = sim::LogicSource::Kind;
    const std::string text = "HEAR A PARADE!"; // no two 1 bits in a row in any byte
    const struct Case {
        std::string signals;
        K kind;
        uint8_t rate; // rate index
        double sampleRate;
        double periodSeconds; // one transfer and its gap, or one byte frame
        Bytes sent;           // a transfer as it goes on the wire
    } cases[] = {
        {"D0=uart,115200," + text, K::Uart, 11, 10e6, 11 / 115200.0,
         Bytes(text.begin(), text.end())},
        {"D2:D3=i2c,100000,0x50,A55A", K::I2c, 13, 2e6, 39 / 100e3, {0xA0, 0xA5, 0x5A}},
        {"D2:D3=i2c,400000,127,00FF3C", K::I2c, 11, 10e6, 48 / 400e3, {0xFE, 0x00, 0xFF, 0x3C}},
        {"D4:D5:D6=spi,1000000,DEADBEEF", K::Spi, 11, 10e6, 43 / 1e6, {0xDE, 0xAD, 0xBE, 0xEF}},
    };
    const int32_t depths[] = {2048, 8192, 131072};
    for (const Case &c : cases) {
        for (uint8_t depth = 0; depth < 3; ++depth) {
            SCOPED_TRACE(c.signals + " depth " + std::to_string(depths[depth]));
            // A1 slow enough to trigger on at every rate here.
            ::setenv("HWLINK_SIM_SIGNALS", ("A1=square,10000;" + c.signals).c_str(), 1);
            Settings s;
            s.rate = c.rate;
            s.depth = depth;
            s.lastSample = depths[depth] - 1;
            arm(s);
            ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
            const std::vector<uint16_t> w = logicSamples(d0(), d8(), depths[depth]);
            const double seconds = double(w.size()) / c.sampleRate;
            // Whole periods in the record: all but the one cut at each end.
            const size_t whole = size_t(std::max(1.0, std::floor(seconds / c.periodSeconds) - 1));
            EXPECT_NEAR(edges(w, 1), seconds / 2e-6, 2);
            if (c.kind == K::Uart) {
                const Bytes got = readUart(w, 0, c.sampleRate / 115200).bytes;
                ASSERT_GE(got.size(), whole);
                // Consecutive characters of the text sent over and over.
                const auto first = std::find(c.sent.begin(), c.sent.end(), got[0]);
                ASSERT_NE(first, c.sent.end());
                for (size_t k = 0; k < got.size(); ++k)
                    ASSERT_EQ(got[k], c.sent[(size_t(first - c.sent.begin()) + k) % c.sent.size()])
                        << "character " << k;
                continue;
            }
            const std::vector<Bytes> got =
                c.kind == K::I2c ? readI2c(w, 2, 3) : readSpi(w, 4, 5, 6);
            EXPECT_GE(got.size(), whole);
            for (const Bytes &b : got)
                EXPECT_EQ(b, c.sent);
        }
    }
}

// Consecutive records show one stream going on: the first whole character of the second
// record is the one the text has reached by then, counted from the first record's at one
// character every eleven bit times.
TEST_F(SerialSourceTest, TheStreamGoesOnAcrossRecords) {
    const std::string text = "ABDE";
    ::setenv("HWLINK_SIM_SIGNALS", ("D7=uart,115200," + text).c_str(), 1);
    Settings s;
    s.rate = 11; // 10MSa/s
    arm(s);
    Bytes firstChar;
    std::vector<double> firstAt;
    for (int r = 0; r < 2; ++r) {
        ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
        const Frames f = readUart(logicSamples(d0(), d8(), 2048), 7, 10e6 / 115200);
        ASSERT_FALSE(f.bytes.empty());
        firstChar.push_back(f.bytes[0]);
        firstAt.push_back(model().recordTime(int32_t(kFirst + f.first)));
    }
    const double apart = (firstAt[1] - firstAt[0]) * 115200 / 11;
    EXPECT_NEAR(apart, std::round(apart), 0.02) << "characters start on one grid";
    const size_t from = text.find(char(firstChar[0]));
    EXPECT_EQ(firstChar[1], text[(from + size_t(std::llround(apart))) % text.size()]);
}

// Items the simulator refuses, at both ends of every range, and what the usable ones set:
// the lines, the rate and the bytes on the wire (I2C: the address byte, write bit 0, first).
TEST(SimulatedSerialItems, ParsedOrRefused) {
    using K = sim::LogicSource::Kind;
    const struct {
        const char *item;
        bool ok;
        K kind = K::Uart;
        std::vector<int> lines = {};
        double rate = 0;
        Bytes bytes = {};
    } cases[] = {
        {"D0=uart,9600,Hi there",
         true,
         K::Uart,
         {0},
         9600,
         {'H', 'i', ' ', 't', 'h', 'e', 'r', 'e'}},
        {"d15 = UART, 1e9, ~ ", true, K::Uart, {15}, 1e9, {' ', '~', ' '}},
        {"D0=uart,0,Hi", false},
        {"D0=uart,1.1e9,Hi", false},
        {"D0=uart,9600,", false},
        {"D0=uart,9600,A\tB", false},
        {"D16=uart,9600,X", false},
        {"D0:D1=uart,9600,X", false},
        {"D2:D3=i2c,100000,0x7f,00ff", true, K::I2c, {2, 3}, 1e5, {0xFE, 0x00, 0xFF}},
        {"D3:D2=i2c,1e5,0,01", true, K::I2c, {3, 2}, 1e5, {0x00, 0x01}},
        {"D2:D3=i2c,100000,128,AB", false},
        {"D2:D3=i2c,100000,0x80,AB", false},
        {"D2:D3=i2c,100000,0x50,ABC", false},
        {"D2:D3=i2c,100000,0x50,", false},
        {"D2:D3=i2c,100000,0x50,GG", false},
        {"D2=i2c,100000,0x50,AB", false},
        {"D4:D5:D6=spi,1e6,0102", true, K::Spi, {4, 5, 6}, 1e6, {0x01, 0x02}},
        {"D4:D4:D6=spi,1e6,0102", false},
        {"D4:D5=spi,1e6,0102", false},
        {"D4:D5:D6=spi,-1,0102", false},
        {"D4:D5:D6=can,1e6,0102", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.item);
        sim::SignalConfig cfg = sim::defaultSignals();
        EXPECT_EQ(sim::parseSignals(c.item, cfg), c.ok);
        ASSERT_EQ(cfg.logicSources.size(), c.ok ? 1u : 0u);
        if (!c.ok) continue;
        const sim::LogicSource &src = cfg.logicSources[0];
        EXPECT_EQ(src.kind, c.kind);
        EXPECT_EQ(src.lines, c.lines);
        EXPECT_EQ(src.rate, c.rate);
        EXPECT_EQ(Bytes(src.bytes.begin(), src.bytes.end()), c.bytes);
    }
    // A line already carrying a bus cannot take a second one; the counter keeps the others.
    sim::SignalConfig cfg = sim::defaultSignals();
    std::vector<std::string> rejected;
    EXPECT_FALSE(
        sim::parseSignals("D0=uart,9600,A;D1:D0=i2c,1e5,1,00;D=word,0x1234", cfg, &rejected));
    EXPECT_EQ(rejected, (Trace{"D1:D0=i2c,1e5,1,00"}));
    EXPECT_EQ((V{int64_t(cfg.logicSources.size()), cfg.logicWord}), (V{1, 0x1234}));
}

} // namespace
} // namespace hwlink::test
