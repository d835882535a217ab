// SPDX-License-Identifier: GPL-3.0-or-later
// Export of a 128K record (a sine on A1, a square on A2, a counter on D0..D15) to a file,
// beside sigrok-cli converting the same record from its .sr session in the same run.
//   Export/csv, Export/vcd, Export/sr   our writers, file included
//   SigrokCli/csv, SigrokCli/vcd       the baseline: sigrok-cli -i record.sr -O csv|vcd as a
//                                      child process (skipped when it is not installed)
#include <cmath>
#include <cstdlib>
#include <vector>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

#include "core/output/export.h"

namespace {

using namespace vrx;

constexpr int32_t kLen = 131072;

struct Record {
    std::vector<uint8_t> a1 = std::vector<uint8_t>(kLen), a2 = std::vector<uint8_t>(kLen),
                         lo = std::vector<uint8_t>(kLen), hi = std::vector<uint8_t>(kLen);
    RecordData data;
    Record() {
        for (int32_t i = 0; i < kLen; ++i) {
            a1[i] = static_cast<uint8_t>(128 + std::lround(90 * std::sin(i * 0.0314)));
            a2[i] = (i / 250) % 2 ? 40 : 210;
            lo[i] = static_cast<uint8_t>(i >> 4);
            hi[i] = static_cast<uint8_t>(i >> 12);
        }
        data = {a1.data(), a2.data(), lo.data(), hi.data(), kLen, 10e-9, {128, 128}, {8, 8}};
    }
};

const Record &TheRecord() {
    static const Record r;
    return r;
}

QString Scratch(const char *name) {
    return QDir::temp().filePath(QStringLiteral("vrx_export_bench_") + QLatin1String(name));
}

void Export(benchmark::State &state, const char *ext) {
    const QString path = Scratch(ext);
    QString error;
    for (auto _ : state)
        if (!ExportRecord(TheRecord().data, path, FormatOfPath(path), error))
            state.SkipWithError(qPrintable(error));
    QFile::remove(path);
}

void SigrokCli(benchmark::State &state, const char *format) {
    const QString cli = QStandardPaths::findExecutable(QStringLiteral("sigrok-cli"));
    if (cli.isEmpty()) {
        state.SkipWithError("sigrok-cli is not installed: no baseline");
        return;
    }
    const QString sr = Scratch("in.sr"), out = Scratch(format);
    QString error;
    if (!ExportRecord(TheRecord().data, sr, ExportFormat::Sigrok, error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    for (auto _ : state) {
        const int rc = QProcess::execute(cli, {"-i", sr, "-O", QLatin1String(format), "-o", out});
        if (rc != 0) state.SkipWithError("sigrok-cli failed");
    }
    QFile::remove(sr);
    QFile::remove(out);
}

BENCHMARK_CAPTURE(Export, csv, ".csv")
    ->Name("Export/csv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Export, vcd, ".vcd")
    ->Name("Export/vcd")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Export, sr, ".sr")
    ->Name("Export/sr")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SigrokCli, csv, "csv")
    ->Name("SigrokCli/csv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(SigrokCli, vcd, "vcd")
    ->Name("SigrokCli/vcd")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
