// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding a 128K-sample record of SPI traffic (1 MHz clock at 10 MSa/s) or UART text (115200
// baud at 10 MSa/s), saved as a sigrok session file, against sigrok-cli decoding the same file
// in the same run:
//   SigrokCli/<protocol>   the baseline: `sigrok-cli -i FILE -P ...` as a process
//   Vrxctl/<protocol>      `vrxctl decode -i FILE -P ...` as a process, the same lines printed
//   Session/<protocol>     the core's Session over the file's words in this process (the
//                          decoders loaded once, as in the program)
#include <cstdlib>
#include <string>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "core/decode/decoders.h"
#include "core/decode/sigrok_reader.h"
#include "core/output/export.h"

namespace {

using namespace vrx;

constexpr int kSamples = 131072;
constexpr double kRate = 10e6;
const char *const kStacks[2] = {"spi:clk=D0:mosi=D1:cs=D2", "uart:baudrate=115200:rx=D3"};

// Mode 0 SPI bytes counting up on D0..D2, with UART text on D3 alongside.
std::vector<uint16_t> Traffic() {
    std::vector<uint16_t> w;
    uint16_t level = 0x000C; // CS and the UART line idle high
    auto hold = [&](int n) { w.insert(w.end(), static_cast<size_t>(n), level); };
    auto set = [&](int line, bool high) {
        level = static_cast<uint16_t>(high ? level | (1u << line) : level & ~(1u << line));
    };
    // SPI alone first, then UART alone: each part of the record is busy for one decoder.
    for (uint8_t b = 0; w.size() < kSamples / 2; ++b) {
        set(2, false);
        for (int k = 7; k >= 0; --k) {
            set(1, (b >> k) & 1);
            hold(5);
            set(0, true);
            hold(5);
            set(0, false);
        }
        set(2, true);
        hold(20);
    }
    const std::string text = "The quick brown fox jumps over the lazy dog. ";
    const double bit = kRate / 115200;
    for (size_t i = 0; w.size() < kSamples; ++i) {
        const auto c = static_cast<uint8_t>(text[i % text.size()]);
        const int frame[10] = {0,          c & 1,      c >> 1 & 1, c >> 2 & 1, c >> 3 & 1,
                               c >> 4 & 1, c >> 5 & 1, c >> 6 & 1, c >> 7 & 1, 1};
        const size_t start = w.size();
        for (int k = 0; k < 10; ++k) {
            set(3, frame[k]);
            hold(static_cast<int>(start + (k + 1) * bit - w.size()));
        }
        hold(static_cast<int>(bit));
    }
    w.resize(kSamples);
    return w;
}

struct Record {
    QTemporaryDir dir;
    QString path;
    std::vector<uint16_t> words;
    Record() : path(dir.filePath(QStringLiteral("traffic.sr"))), words(Traffic()) {
        std::vector<uint8_t> lo(words.size()), hi(words.size()), flat(words.size(), 128);
        for (size_t i = 0; i < words.size(); ++i) {
            lo[i] = static_cast<uint8_t>(words[i]);
            hi[i] = static_cast<uint8_t>(words[i] >> 8);
        }
        RecordData r;
        r.lo = lo.data();
        r.hi = hi.data();
        r.a1 = r.a2 = flat.data();
        r.length = kSamples;
        r.periodSeconds = 1 / kRate;
        QString error;
        if (!ExportRecord(r, path, ExportFormat::Sigrok, error)) std::abort();
    }
};

const Record &TheRecord() {
    static const Record r;
    return r;
}

void RunProcess(benchmark::State &state, const QString &program, const QStringList &args) {
    if (program.isEmpty()) {
        state.SkipWithError("not installed");
        return;
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(-1);
        bytes = p.readAllStandardOutput().size();
        if (p.exitCode() != 0 || bytes == 0) state.SkipWithError("the decode failed");
    }
    state.counters["output_bytes"] = static_cast<double>(bytes);
}

void SigrokCli(benchmark::State &state) {
    RunProcess(state, QStandardPaths::findExecutable(QStringLiteral("sigrok-cli")),
               {"-i", TheRecord().path, "-P", QLatin1String(kStacks[state.range(0)])});
}

void Vrxctl(benchmark::State &state) {
    RunProcess(state, QStringLiteral(VRX_CTL),
               {"decode", "-i", TheRecord().path, "-P", QLatin1String(kStacks[state.range(0)])});
}

void SessionDecode(benchmark::State &state) {
    QString error;
    if (!decode::LoadLibrary(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const auto stack = decode::ParseStack(QLatin1String(kStacks[state.range(0)]), &error);
    size_t annotations = 0;
    for (auto _ : state) {
        // The file read as vrxctl reads it, then decoded.
        decode::SigrokReader reader;
        reader.Open(TheRecord().path, &error);
        annotations = 0;
        auto s = decode::Session::Start(
            {*stack}, reader.Samplerate(), [&](int, const decode::Annotation &) { ++annotations; },
            &error);
        std::vector<uint16_t> words;
        while (s && reader.Next(words, &error))
            s->Feed(words.data(), words.size(), &error);
        if (!s || !s->End(&error)) state.SkipWithError(qPrintable(error));
    }
    state.counters["annotations"] = static_cast<double>(annotations);
}

BENCHMARK(SigrokCli)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(Vrxctl)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(SessionDecode)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

} // namespace
