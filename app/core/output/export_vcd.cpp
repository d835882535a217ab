// SPDX-License-Identifier: GPL-3.0-or-later
//
// VCD (IEEE 1364): a timescale of the sample period's power of ten, sixteen 1-bit wires D0..D15
// and A1, A2 as real variables in volts; after the initial values only what changed, at the
// sample's time.
#include <array>

#include "core/output/export.h"
#include "core/output/export_text.h"

namespace vrx {

namespace {

// Identifier codes: '!' .. '0' the wires D0..D15, '1' and '2' the analog channels.
char WireId(int d) {
    return static_cast<char>('!' + d);
}
constexpr char kAnalogId[2] = {'1', '2'};

void Timescale(std::string &out, const TimeStep &step) {
    static const char *const kUnits[] = {"fs", "ps", "ns", "us", "ms", "s"};
    // The unit at or below the step's power of ten, and its multiple 1, 10 or 100.
    int unit = (step.exponent + 15) / 3;
    if (unit > 5) unit = 5;
    const int multiple = step.exponent - (unit * 3 - 15);
    out += "$timescale ";
    out += multiple == 0 ? "1" : multiple == 1 ? "10" : multiple == 2 ? "100" : "1";
    if (multiple > 2) out.append(static_cast<size_t>(multiple), '0');
    out += ' ';
    out += kUnits[unit];
    out += " $end\n";
}

} // namespace

bool WriteVcd(const RecordData &r, QIODevice &out) {
    ChunkWriter w(out);
    TimeStep step = TimeStepOf(r.periodSeconds);
    // The external clock has no time base: one time unit a sample.
    if (step.count == 0) step = {1, 0};
    w.buf = "$version vrx73604 $end\n";
    Timescale(w.buf, step);
    w.buf += "$scope module vrx73604 $end\n";
    for (int d = 0; d < 16; ++d)
        w.buf += std::string("$var wire 1 ") + WireId(d) + " D" + std::to_string(d) + " $end\n";
    for (int c = 0; c < 2; ++c)
        w.buf +=
            std::string("$var real 64 ") + kAnalogId[c] + " A" + std::to_string(c + 1) + " $end\n";
    w.buf += "$upscope $end\n$enddefinitions $end\n";

    std::array<std::array<std::string, 256>, 2> volts;
    for (int c = 0; c < 2; ++c)
        for (int b = 0; b < 256; ++b) {
            std::string &t = volts[static_cast<size_t>(c)][static_cast<size_t>(b)];
            t = "r";
            AppendNumber(t, r.Volts(c, static_cast<uint8_t>(b)));
            t += ' ';
            t += kAnalogId[c];
            t += '\n';
        }
    const uint8_t *analog[2] = {r.a1, r.a2};
    auto putValues = [&](int32_t i, uint16_t changed, bool a1, bool a2) {
        const uint16_t word = r.Word(i);
        for (int d = 0; d < 16; ++d)
            if (changed >> d & 1) {
                w.buf += (word >> d & 1) ? '1' : '0';
                w.buf += WireId(d);
                w.buf += '\n';
            }
        if (a1) w.buf += volts[0][analog[0][i]];
        if (a2) w.buf += volts[1][analog[1][i]];
    };
    w.buf += "#0\n$dumpvars\n";
    putValues(0, 0xFFFF, true, true);
    w.buf += "$end\n";
    for (int32_t i = 1; i < r.length; ++i) {
        const auto changed = static_cast<uint16_t>(r.Word(i) ^ r.Word(i - 1));
        const bool a1 = r.a1[i] != r.a1[i - 1], a2 = r.a2[i] != r.a2[i - 1];
        if (changed == 0 && !a1 && !a2) continue;
        w.buf += '#';
        w.buf += std::to_string(i * step.count);
        w.buf += '\n';
        putValues(i, changed, a1, a2);
        if (!w.flushIfFull()) return false;
    }
    // The end of the record, so that its last sample has a length.
    w.buf += '#' + std::to_string(r.length * step.count) + '\n';
    return w.finish();
}

} // namespace vrx
