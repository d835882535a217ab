// SPDX-License-Identifier: GPL-3.0-or-later
// Read-back processing next to its baseline: the work GetTrigStat does on a 128K real-time
// record (group distribution, even-sample correction, clamping, smoothing, trigger alignment)
// against a memcpy of the same 512 KiB raw record; one equivalent-time merge at 20GSa/s; the
// demo synthesis of a 128K record.
#include "hwlink.h"
#include "src/libstate.h"
#include "src/readback.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace {

using namespace hwlink;

constexpr int32_t kRecord = 131072;
constexpr int32_t kRawBytes = kRecord * 4;

// A raw 128K record: a noisy sine on both channels with the converter comb, a counter on the
// logic inputs.
std::vector<uint8_t> makeSampleBuf() {
    std::vector<uint8_t> sb(HW_SAMPLEBUF_LEN, 128);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.6);
    uint8_t *raw = sb.data() + kAreaRaw;
    for (int32_t g = 0; g < kRecord / 2; ++g) {
        for (int j = 0; j < 2; ++j) {
            const double v = 128 + 90 * std::sin(2 * std::numbers::pi * (2 * g + j) / 997.0);
            const double even = j == 0 ? 5.0 : 0.0;
            raw[8 * g + 1 - j] = uint8_t(std::clamp(v + even + noise(rng), 0.0, 255.0));
            raw[8 * g + 3 - j] = uint8_t(std::clamp(255 - v + even + noise(rng), 0.0, 255.0));
            raw[8 * g + 4 + j] = uint8_t((2 * g + j) / 100);
            raw[8 * g + 6 + j] = uint8_t((2 * g + j) / 25600);
        }
    }
    return sb;
}

void BM_MemcpyRawRecord128K(benchmark::State &state) {
    std::vector<uint8_t> sb = makeSampleBuf();
    std::vector<uint8_t> dst(kRawBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), sb.data() + kAreaRaw, kRawBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kRawBytes);
}
BENCHMARK(BM_MemcpyRawRecord128K);

// The whole processing of one record, with the vector paths the processor picks at run time
// (argument 0), or with SSE2 only (argument 1), the path of processors without AVX2.
void BM_ReadbackProcess128K(benchmark::State &state) {
    const bool sse2Only = state.range(0) == 1;
    auto distribute = sse2Only ? DistributeGroupsSse2 : DistributeGroups;
    auto smooth = sse2Only ? SmoothPairSse2 : SmoothPair;
    std::vector<uint8_t> sb = makeSampleBuf();
    uint8_t *b = sb.data();
    int32_t ps[HW_PORTSTATE_LEN] = {};
    ps[HW_PS_ZeroA1] = -3;
    ps[HW_PS_ZeroA2] = 2;
    uint8_t slope[3] = {0, 1, 0}, level[6] = {128, 128, 0, 0, 0, 0};
    int32_t viewStart[4] = {};
    const float gain[2] = {1.07f, 0.94f}; // outside 0.99..1.01: the full gain correction
    for (auto _ : state) {
        AnalogLut l1, l2;
        BuildAnalogLut(l1, gain[0], ps[HW_PS_ZeroA1]);
        BuildAnalogLut(l2, gain[1], ps[HW_PS_ZeroA2]);
        distribute(b + kAreaRaw, kRecord / 2, b + kAreaA1, b + kAreaA2, b + kAreaD0, b + kAreaD8,
                   10, l1, l2);
        smooth(b + kAreaA1, b + kAreaA2, kRecord, 5);
        AlignTrigger(b, 0, slope, level, 60000, 2, viewStart, ps);
        benchmark::DoNotOptimize(viewStart);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kRawBytes);
}
BENCHMARK(BM_ReadbackProcess128K)->Arg(0)->Arg(1);

// The stages on their own, to see where the time of the whole goes. The smoothing stage starts
// each pass from the distributed record, so it includes a 256 KiB copy (half the baseline).
void BM_ReadbackStageDistribute128K(benchmark::State &state) {
    std::vector<uint8_t> sb = makeSampleBuf();
    uint8_t *b = sb.data();
    AnalogLut l1, l2;
    BuildAnalogLut(l1, 1.07f, -3);
    BuildAnalogLut(l2, 0.94f, 2);
    for (auto _ : state) {
        DistributeGroups(b + kAreaRaw, kRecord / 2, b + kAreaA1, b + kAreaA2, b + kAreaD0,
                         b + kAreaD8, 10, l1, l2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kRawBytes);
}
BENCHMARK(BM_ReadbackStageDistribute128K);

void BM_ReadbackStageSmooth128K(benchmark::State &state) {
    std::vector<uint8_t> sb = makeSampleBuf();
    uint8_t *b = sb.data();
    AnalogLut l1, l2;
    BuildAnalogLut(l1, 1.07f, -3);
    BuildAnalogLut(l2, 0.94f, 2);
    DistributeGroups(b + kAreaRaw, kRecord / 2, b + kAreaA1, b + kAreaA2, b + kAreaD0, b + kAreaD8,
                     10, l1, l2);
    const std::vector<uint8_t> distributed(b, b + 2 * kAreaLen);
    for (auto _ : state) {
        std::memcpy(b, distributed.data(), distributed.size());
        SmoothPair(b + kAreaA1, b + kAreaA2, kRecord, 5);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecord);
}
BENCHMARK(BM_ReadbackStageSmooth128K);

// One record's merge at 20GSa/s (factor 80): every crossing of a 2K record is a pass.
void BM_EtsMerge20GSa(benchmark::State &state) {
    std::vector<uint8_t> sb(HW_SAMPLEBUF_LEN, 128);
    for (int32_t i = 0; i < 2048; ++i)
        sb[size_t(kAreaD0 + i)] = sb[size_t(kAreaD8 + i)] =
            uint8_t(128 - 75 * std::sin(2 * std::numbers::pi * i / 3.67));
    uint8_t dc[HW_DEVCONFIG_LEN] = {};
    int32_t ps[HW_PORTSTATE_LEN] = {};
    dc[HW_DC_EtsFactor] = 80;
    uint8_t slope[3] = {0, 0, 0}, level[6] = {128, 128, 0, 0, 0, 0};
    int64_t passes = 0;
    for (auto _ : state) {
        ps[HW_PS_EtsPasses] = 660;
        ps[HW_PS_EtsPos] = 80 + 600 / 80;
        std::memset(dc + HW_DC_EtsSlotSeen, 1, 80);
        EtsMerge(sb.data(), ps, dc, 0, slope, level, 600, 2047);
        passes += 660 - ps[HW_PS_EtsPasses];
        benchmark::ClobberMemory();
    }
    state.counters["passes/record"] =
        benchmark::Counter(double(passes) / double(state.iterations()));
}
BENCHMARK(BM_EtsMerge20GSa);

void BM_DemoRecord128K(benchmark::State &state) {
    std::vector<uint8_t> sb(HW_SAMPLEBUF_LEN, 128);
    uint8_t *b = sb.data();
    for (auto _ : state) {
        DemoSynth(b + kAreaA1, b + kAreaA2, b + kAreaD0, b + kAreaD8,
                  {kRecord, 178, 203, 20, 40, 2, 10});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecord);
}
BENCHMARK(BM_DemoRecord128K);

} // namespace
