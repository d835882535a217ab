// SPDX-License-Identifier: GPL-3.0-or-later
//
// CSV: a header line, then one row a sample: the time from the first sample in seconds, A1 and
// A2 in volts, D0..D15 as 0/1.
#include <array>

#include "core/output/export.h"
#include "core/output/export_text.h"

namespace vrx {

namespace {

// The texts of every byte value, made once a record: a channel's volts, and a logic byte as
// eight comma-separated bits from its lowest.
using ByteTexts = std::array<std::string, 256>;

ByteTexts VoltTexts(const RecordData &r, int ch) {
    ByteTexts t;
    for (int b = 0; b < 256; ++b)
        AppendNumber(t[static_cast<size_t>(b)], r.Volts(ch, static_cast<uint8_t>(b)));
    return t;
}

const ByteTexts &BitTexts() {
    static const ByteTexts t = [] {
        ByteTexts bits;
        for (int b = 0; b < 256; ++b)
            for (int i = 0; i < 8; ++i) {
                if (i) bits[static_cast<size_t>(b)] += ',';
                bits[static_cast<size_t>(b)] += (b >> i & 1) ? '1' : '0';
            }
        return bits;
    }();
    return t;
}

} // namespace

bool WriteCsv(const RecordData &r, QIODevice &out) {
    ChunkWriter w(out);
    w.buf = "time_s,A1_V,A2_V";
    for (int d = 0; d < 16; ++d)
        w.buf += ",D" + std::to_string(d);
    w.buf += '\n';
    const ByteTexts v1 = VoltTexts(r, 0), v2 = VoltTexts(r, 1);
    const ByteTexts &bits = BitTexts();
    const TimeStep step = TimeStepOf(r.periodSeconds);
    for (int32_t i = 0; i < r.length; ++i) {
        // The external clock has no time base: the time stays empty.
        if (step.count > 0) AppendScaled(w.buf, i * step.count, step.exponent);
        w.buf += ',';
        w.buf += v1[r.a1[i]];
        w.buf += ',';
        w.buf += v2[r.a2[i]];
        w.buf += ',';
        w.buf += bits[r.lo[i]];
        w.buf += ',';
        w.buf += bits[r.hi[i]];
        w.buf += '\n';
        if (!w.flushIfFull()) return false;
    }
    return w.finish();
}

} // namespace vrx
