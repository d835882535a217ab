// SPDX-License-Identifier: GPL-3.0-or-later
//
// Pieces the text writers share: a buffer flushed to the device in large chunks, and the time
// of a sample as an exact decimal (a sample period is a whole number of a power of ten).
#pragma once

#include <cstdint>
#include <string>

#include <QIODevice>

namespace vrx {

// A period of `count` x 10^`exponent` seconds; count 0 for no time base.
struct TimeStep {
    int64_t count = 0;
    int exponent = 0;
};
TimeStep TimeStepOf(double periodSeconds);

// n x 10^exponent as a plain decimal without trailing zeros ("0.00000003").
void AppendScaled(std::string &out, int64_t n, int exponent);

class ChunkWriter {
  public:
    explicit ChunkWriter(QIODevice &out) : out_(out) { buf.reserve(kChunk + 4096); }
    std::string buf;
    // Flushes when the buffer is full; false once a write failed.
    bool flushIfFull() { return buf.size() < kChunk || put(); }
    bool finish() { return put(); }

  private:
    static constexpr size_t kChunk = 1 << 20;
    bool put();
    QIODevice &out_;
    bool ok_ = true;
};

} // namespace vrx
