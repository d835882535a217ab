// SPDX-License-Identifier: GPL-3.0-or-later
// "Import CSV..." of a reference trace. An import that succeeds puts each value of the A1_V
// column into M1 and of A2_V into M2, within half a step of the converter or at the end of its
// range, and the rest of the channel at zero volts; one that fails says so with the file's name
// and changes neither the memory channels nor their scales.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "core/base/state.h"
#include "core/output/export.h"
#include "fuzz/fuzz.h"
#include "fuzz/program.h"

using namespace vrx;
using vrx::fuzz::Require;

namespace {

// The lines of the file that hold values, with the header's columns (blank ones left out).
struct Table {
    QList<QByteArray> header;
    std::vector<QList<QByteArray>> rows;
};

Table ReadTable(const QByteArray &text) {
    Table t;
    QList<QByteArray> lines = text.split('\n');
    if (text.endsWith('\n')) lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray l = lines[i];
        while (l.endsWith('\r'))
            l.chop(1);
        if (i == 0)
            t.header = l.split(',');
        else if (!l.trimmed().isEmpty())
            t.rows.push_back(l.split(','));
    }
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static fuzz::Program program;
    program.Restore();
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString path = program.Write("trace.csv", text);
    AppState &s = app();
    const ChannelSettings channelsBefore = s.channels;
    const auto m1Before = s.work.M1Buf, m2Before = s.work.M2Buf;

    QString error;
    const bool imported = ImportCsv(path, error);
    program.changed = imported;
    Require(program.boxes.boxes.empty(), "the import itself shows no message");
    if (!imported) {
        Require(error.startsWith(path + QStringLiteral(": ")) && error.size() > path.size() + 2,
                "a refusal names the file and says why");
        Require(s.work.M1Buf == m1Before && s.work.M2Buf == m2Before,
                "a refused file leaves the memory channels");
        Require(s.channels.ChanScale == channelsBefore.ChanScale &&
                    s.channels.ChanPos == channelsBefore.ChanPos &&
                    s.channels.ChanOn == channelsBefore.ChanOn,
                "a refused file leaves the scales");
        return 0;
    }
    const Table t = ReadTable(text);
    Require(!t.rows.empty() && t.rows.size() <= static_cast<size_t>(kMemLen),
            "an import holds from one sample to a memory channel's worth");
    for (const auto &[name, ch] : {std::pair{"A1_V", ChM1}, std::pair{"A2_V", ChM2}}) {
        const auto col = t.header.indexOf(QByteArray(name));
        const auto &mem = ch == ChM1 ? s.work.M1Buf : s.work.M2Buf;
        if (col < 0) {
            Require(mem == (ch == ChM1 ? m1Before : m2Before), "a channel not in the file stays");
            continue;
        }
        Require(s.channels.ChanOn[ch == ChM1 ? DispM1 : DispM2] != 0, "an imported channel shows");
        const double scale = s.channels.ChanScale[ch]; // mV a step
        const int zero = s.channels.ChanPos[ch];
        Require(scale > 0, "an imported channel has a scale");
        for (size_t n = 0; n < t.rows.size(); ++n) {
            const QByteArray field = t.rows[n].value(col).trimmed();
            double volts = 0;
            const auto res =
                std::from_chars(field.constData(), field.constData() + field.size(), volts);
            Require(res.ec == std::errc() && res.ptr == field.constData() + field.size(),
                    "every imported row holds a number in the column");
            const int code = mem[n];
            const double shown = (zero - code) * scale / 1000.0;
            Require(std::abs(shown - volts) <= scale / 2000.0 * (1 + 1e-9) || code == 0 ||
                        code == 255,
                    "a value lands within half a step, or at the end of the range");
        }
        static std::array<uint8_t, kMemLen> zeros;
        zeros.fill(static_cast<uint8_t>(std::clamp(zero, 0, 255)));
        Require(std::equal(mem.begin() + static_cast<std::ptrdiff_t>(t.rows.size()), mem.end(),
                           zeros.begin()),
                "past the file the channel reads zero");
    }
    return 0;
}
