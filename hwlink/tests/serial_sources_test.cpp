// SPDX-License-Identifier: GPL-3.0-or-later
// Serial buses on the simulated logic inputs (HWLINK_SIM_SIGNALS Dn=uart, Dc:Dd=i2c,
// Dk:Do:Ds=spi): records taken through the library at every depth, read back bit by bit by the
// small bus readers below, carry exactly the bytes sent; items the simulator cannot use are
// refused.
#include "sim_fixture.h"

namespace hwlink::test {
namespace {

using Bytes = std::vector<int>;
using K = sim::LogicSource::Kind;

// The logic words of a record from the first to the last sample the read-out fills at every
// depth, and the level of a line in sample i.
constexpr int32_t kFirst = 16;
struct Samples {
    std::vector<uint16_t> w;
    Samples(const uint8_t *d0, const uint8_t *d8, int32_t n) {
        for (int32_t i = kFirst; i < n - 16; ++i)
            w.push_back(uint16_t(d0[i] | d8[i] << 8));
    }
    int at(size_t i, int line) const { return (w[i] >> line) & 1; }
};

// 8N1 frames, least significant bit first, start and stop bit checked. The first frame is the
// first falling edge after ten bit times of high line (the idle between repetitions of the
// text), so its byte is the text's first; then each falling edge after a stop bit starts one.
// Gives the bytes and the sample the first start bit begins at.
std::pair<Bytes, size_t> readUart(const Samples &s, int line, double bit) {
    Bytes out;
    size_t i = 1, first = 0;
    for (size_t high = 0;
         i < s.w.size() && !(s.at(i - 1, line) && !s.at(i, line) && double(high) >= 10 * bit); ++i)
        high = s.at(i - 1, line) ? high + 1 : 0;
    for (first = i; double(i) + 9.5 * bit < double(s.w.size());) {
        auto mid = [&](double b) { return s.at(size_t(double(i) + b * bit), line); };
        EXPECT_EQ((V{mid(0.5), mid(9.5)}), (V{0, 1})) << "start and stop bit at " << i;
        int byte = 0;
        for (int b = 0; b < 8; ++b)
            byte |= mid(1.5 + b) << b;
        out.push_back(byte);
        for (i = size_t(double(i) + 9.5 * bit);
             i < s.w.size() && !(s.at(i - 1, line) && !s.at(i, line));)
            ++i;
    }
    return {out, first};
}

// The whole transfers of a clocked bus (begun and ended inside the record): the bits taken on
// each rising clock edge while one runs, most significant first. SPI (clock, data, select): the
// select line low frames a transfer. I2C (clock, data): start and stop are data edges while
// the clock is high; each byte is followed by its acknowledge, which must be low, and the stop
// by one more clock.
std::vector<Bytes> readClocked(const Samples &s, K kind, std::vector<int> ln) {
    const bool i2c = kind == K::I2c;
    const size_t unit = i2c ? 9 : 8;
    std::vector<Bytes> out;
    Bytes bits;
    bool open = false;
    for (size_t i = 1; i < s.w.size(); ++i) {
        // +1 a transfer begins, -1 it ends.
        const int frame = !i2c ? s.at(i - 1, ln[2]) - s.at(i, ln[2])
                          : s.at(i, ln[0]) && s.at(i - 1, ln[0])
                              ? s.at(i - 1, ln[1]) - s.at(i, ln[1])
                              : 0;
        if (frame == 1) {
            open = true;
            bits.clear();
        } else if (frame == -1 && open) {
            open = false;
            EXPECT_EQ(bits.size() % unit, i2c ? 1u : 0u) << "transfer ending at " << i;
            out.emplace_back();
            for (size_t b = 0; b + unit <= bits.size(); b += unit) {
                out.back().push_back(0);
                for (size_t k = 0; k < 8; ++k)
                    out.back().back() = out.back().back() << 1 | bits[b + k];
                EXPECT_EQ(i2c ? bits[b + 8] : 0, 0) << "acknowledge at " << i;
            }
        } else if (open && s.at(i, ln[0]) && !s.at(i - 1, ln[0])) {
            bits.push_back(s.at(i, ln[1]));
        }
    }
    return out;
}

// Each bus sampled at a real-time rate, at 2K, 8K and 128K: the bytes read back are the bytes
// sent, whole transfers (or texts) fill the record, and D1, which no bus uses, still carries
// the counter's bit 1 (an edge every two microseconds). UART: the text starts over every
// 11 x (its length) + 10 bit times from time 0, in two records in a row.
TEST_F(AcqTest, SerialSourcesCarryTheBytesSent) {
    const std::string text = "Hey!"; // 1 bits in a row (y), as any text may have
    const double baud = 115200, textBits = 11.0 * double(text.size()) + 10;
    const struct {
        std::string signals;
        K kind;
        std::vector<int> lines;
        uint8_t rate;              // rate index
        double sampleRate, period; // samples a second, seconds a transfer with its gap
        Bytes sent;                // a transfer as it goes on the wire (UART: the text)
    } cases[] = {
        {"D0=uart,115200," + text, K::Uart, {0}, 13, 2e6, textBits / baud, {}},
        {"D2:D3=i2c,100000,0x50,A55A", K::I2c, {2, 3}, 13, 2e6, 39 / 1e5, {0xA0, 0xA5, 0x5A}},
        {"D3:D2=i2c,4e5,127,00FF3C", K::I2c, {3, 2}, 11, 10e6, 48 / 4e5, {0xFE, 0, 0xFF, 0x3C}},
        {"D4:D5:D6=spi,1e6,DEADBEEF", K::Spi, {4, 5, 6}, 11, 10e6, 43e-6, {0xDE, 0xAD, 0xBE, 0xEF}},
    };
    const int32_t depths[] = {2048, 8192, 131072};
    for (const auto &c : cases) {
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
            const Samples rec(d0(), d8(), depths[depth]);
            const double seconds = double(rec.w.size()) / c.sampleRate;
            int edges = 0;
            for (size_t i = 1; i < rec.w.size(); ++i)
                edges += rec.at(i, 1) != rec.at(i - 1, 1);
            EXPECT_NEAR(edges, seconds / 2e-6, 2);
            // Whole periods in the record: all but the one cut at each end.
            const size_t whole = size_t(std::max(1.0, std::floor(seconds / c.period) - 1));
            if (c.kind != K::Uart) {
                const std::vector<Bytes> got = readClocked(rec, c.kind, c.lines);
                EXPECT_GE(got.size(), whole);
                EXPECT_EQ(std::count(got.begin(), got.end(), c.sent), ptrdiff_t(got.size()));
                continue;
            }
            // The text from its first character over and over, starting on the stream's grid.
            for (int record = 0; record < 2; ++record) {
                if (record) ASSERT_EQ(acquire(s), HW_STAT_COMPLETE);
                const auto [got, first] =
                    readUart(Samples(d0(), d8(), depths[depth]), 0, c.sampleRate / baud);
                ASSERT_GE(got.size(), whole * text.size()) << "record " << record;
                for (size_t k = 0; k < got.size(); ++k)
                    ASSERT_EQ(got[k], text[k % text.size()]) << "character " << k;
                const double bits = model().recordTime(int32_t(kFirst + first)) * baud;
                EXPECT_NEAR(bits - textBits * std::round(bits / textBits), 0, 0.5);
            }
        }
    }
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
