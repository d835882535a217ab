// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement engine over a full 128K record against one plain pass summing its bytes.
#include "hwlink.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

constexpr int kRecord = 131072;

// A noisy square wave of 1000 samples a period with sloped edges, and a record holding a
// single edge, which makes the pulse and edge searches run over the whole record.
std::vector<uint8_t> makeRecord(bool singleEdge) {
    std::vector<uint8_t> b(kRecord);
    uint32_t x = 7;
    for (int i = 0; i < kRecord; ++i) {
        x = x * 1664525u + 1013904223u;
        const int phase = singleEdge ? (i < kRecord / 2 ? 0 : 500) : i % 1000;
        const double v =
            phase < 500 ? 60 + std::max(0, 20 - phase) * 7 : 200 - std::max(0, 520 - phase) * 7;
        b[i] = uint8_t(std::clamp(v + int(x >> 30), 0.0, 255.0));
    }
    return b;
}

void BM_SumPass(benchmark::State &st) {
    const auto rec = makeRecord(false);
    for (auto _ : st) {
        uint64_t sum = std::accumulate(rec.begin(), rec.end(), uint64_t(0));
        benchmark::DoNotOptimize(sum);
    }
}

void testAd(benchmark::State &st, bool singleEdge) {
    auto rec = makeRecord(singleEdge);
    int32_t results[HW_MEAS_RECORD_LEN] = {};
    for (auto _ : st) {
        TestAd(rec.data(), 0, 128, 128, results, kRecord);
        benchmark::DoNotOptimize(results);
        benchmark::ClobberMemory();
    }
}

void BM_TestAdSquareWave(benchmark::State &st) {
    testAd(st, false);
}
void BM_TestAdSingleEdge(benchmark::State &st) {
    testAd(st, true);
}

} // namespace

BENCHMARK(BM_SumPass);
BENCHMARK(BM_TestAdSquareWave);
BENCHMARK(BM_TestAdSingleEdge);
