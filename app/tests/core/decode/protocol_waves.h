// SPDX-License-Identifier: GPL-3.0-or-later
// Logic words carrying UART, I2C and SPI traffic on chosen lines, for the decoding tests: the
// bytes a decoder must find are the ones put in here.
#pragma once

#include <cstdint>
#include <vector>

#include <QStringList>

#include "core/decode/runner.h"

namespace vrx::test {

class ProtocolWaves {
  public:
    // Every line starts high (idle UART, released I2C, deselected SPI).
    std::vector<uint16_t> words;

    void Set(int line, bool high) {
        level_ = static_cast<uint16_t>(high ? level_ | (1u << line) : level_ & ~(1u << line));
    }
    void Hold(int samples) { words.insert(words.end(), static_cast<size_t>(samples), level_); }

    // 8N1, least significant bit first, `bit` samples a bit, one idle bit after each byte.
    void Uart(int line, const std::vector<uint8_t> &bytes, int bit) {
        for (uint8_t b : bytes) {
            Set(line, false);
            Hold(bit);
            for (int k = 0; k < 8; ++k) {
                Set(line, (b >> k) & 1);
                Hold(bit);
            }
            Set(line, true);
            Hold(2 * bit);
        }
    }

    // A write of `bytes` to 7-bit `address`: start, address with R/W low, each byte acknowledged,
    // stop. `half` samples per half clock.
    void I2cWrite(int scl, int sda, int address, const std::vector<uint8_t> &bytes, int half) {
        Set(sda, false); // start: SDA falls while SCL is high
        Hold(half);
        auto clockBit = [&](bool bit) {
            Set(scl, false);
            Set(sda, bit);
            Hold(half);
            Set(scl, true);
            Hold(half);
        };
        auto byte = [&](uint8_t b) {
            for (int k = 7; k >= 0; --k)
                clockBit((b >> k) & 1);
            clockBit(false); // the receiver's ACK
        };
        byte(static_cast<uint8_t>(address << 1));
        for (uint8_t b : bytes)
            byte(b);
        Set(scl, false);
        Set(sda, false);
        Hold(half);
        Set(scl, true); // stop: SDA rises while SCL is high
        Hold(half);
        Set(sda, true);
        Hold(4 * half);
    }

    // Mode 0, most significant bit first, chip select low over the whole transfer.
    void Spi(int clk, int mosi, int cs, const std::vector<uint8_t> &bytes, int half) {
        Set(clk, false);
        Set(cs, false);
        Hold(half);
        for (uint8_t b : bytes)
            for (int k = 7; k >= 0; --k) {
                Set(mosi, (b >> k) & 1);
                Hold(half);
                Set(clk, true);
                Hold(half);
                Set(clk, false);
            }
        Hold(half);
        Set(cs, true);
        Hold(4 * half);
    }

  private:
    uint16_t level_ = 0xFFFF;
};

// The texts a decoder gives for `bytes`: two upper-case hex digits each, after `prefix`.
inline QStringList Hex(const std::vector<uint8_t> &bytes, const QString &prefix = {}) {
    QStringList out;
    for (uint8_t b : bytes)
        out << prefix + QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

// The shortest texts of the annotations of class `cls` (uart's "rx-data") of stack `stack` (-1:
// of every stack) that start at sample `from` or later and end by sample `to`, row by row.
inline QStringList ClassTexts(const decode::DecodeResult &r, const QString &cls, int stack = -1,
                              uint64_t from = 0, uint64_t to = UINT64_MAX) {
    QStringList out;
    for (size_t k = 0; k < r.stacks.size(); ++k)
        for (const decode::DecodedRow &row : r.stacks[k].rows) {
            const decode::DecoderInfo *d = decode::Find(row.name.section(QLatin1Char('-'), 0, 0));
            for (const decode::Annotation &a : row.annotations)
                if ((stack < 0 || k == size_t(stack)) && d && a.start >= from && a.end <= to &&
                    a.cls < d->classIds.size() && d->classIds[a.cls] == cls)
                    out << a.texts.back();
        }
    return out;
}

} // namespace vrx::test
