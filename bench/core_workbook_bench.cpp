// SPDX-License-Identifier: GPL-3.0-or-later
// The data output workbook of a full range (65534 rows, A1 in four formats, the logic word in
// four) against writing the same cells as a plain comma-separated text file.
//   Workbook/<rows>   WriteWorkbook into an .xlsx
//   TextFile/<rows>   the baseline: the same cell texts, one line per row, into a text file
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "core/output/workbook.h"

namespace {

using namespace vrx;

struct Record {
    std::vector<uint8_t> a1 = std::vector<uint8_t>(131072), a2 = a1, lo = a1, hi = a1;
    ExportSource src;
    ExportFormats formats;
    Record() {
        for (size_t i = 0; i < a1.size(); ++i) {
            a1[i] = static_cast<uint8_t>(128 + 100 * ((i / 50) % 2));
            lo[i] = static_cast<uint8_t>(i);
            hi[i] = static_cast<uint8_t>(i >> 8);
        }
        src.area = {a1.data(), a2.data(), lo.data(), hi.data()};
        src.length = static_cast<int32_t>(a1.size());
        src.rateText = QStringLiteral("100MSa/S(10.ns)");
        formats.channel = {true, false, true};
        formats.a1 = {true, true, true, true, false};
        formats.logic = {true, true, true, true};
    }
};

void Workbook(benchmark::State &state) {
    static const Record r;
    QTemporaryDir dir;
    const auto rows = static_cast<int32_t>(state.range(0));
    const int16_t running = 1;
    for (auto _ : state) {
        const auto result = WriteWorkbook(dir.filePath(QStringLiteral("b.xlsx")), r.src,
                                          {0, rows - 1}, r.formats, {}, running);
        if (result != WriteResult::Done) state.SkipWithError("workbook not written");
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

void TextFile(benchmark::State &state) {
    static const Record r;
    QTemporaryDir dir;
    const auto rows = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        QFile f(dir.filePath(QStringLiteral("b.csv")));
        if (!f.open(QIODevice::WriteOnly)) state.SkipWithError("no file");
        for (int32_t k = 0; k < rows; ++k) {
            QString line = QString::number(k);
            const auto i = static_cast<size_t>(k);
            for (int fmt = 0; fmt < 4; ++fmt)
                line += QLatin1Char(',') + AnalogCell(r.a1[i], fmt, 128, 1.0);
            for (int fmt = 0; fmt < 4; ++fmt)
                line += QLatin1Char(',') + LogicCell(r.hi[i], r.lo[i], fmt);
            line += QLatin1Char('\n');
            f.write(line.toUtf8());
        }
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace

BENCHMARK(Workbook)->Arg(65534)->Unit(benchmark::kMillisecond);
BENCHMARK(TextFile)->Arg(65534)->Unit(benchmark::kMillisecond);
