// SPDX-License-Identifier: GPL-3.0-or-later
// Trace drawing over a 128K record against the cost of filling the same picture once.
#include "hwlink.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kWidth = 600, kRows = 256, kRecord = 131072;

struct Picture {
    std::vector<uint32_t> px = std::vector<uint32_t>(size_t(kWidth) * kRows, 0xFF000000u);
    hw_surface s{px.data(), kWidth, kRows, kWidth, 0x00FFFF, 0, 0};
};

// A noisy sine of 2000 samples a period around mid-scale, and a logic pattern whose lanes
// toggle at different rates.
std::vector<uint8_t> &sampleBuf() {
    static std::vector<uint8_t> buf = [] {
        std::vector<uint8_t> b(HW_SAMPLEBUF_LEN, 128);
        uint32_t x = 1;
        for (int i = 0; i < kRecord; ++i) {
            x = x * 1664525u + 1013904223u;
            const double v =
                128 + 90 * std::sin(i * 2 * std::numbers::pi / 2000) + int(x >> 29) - 4;
            b[HW_SB_A1 + i] = uint8_t(std::clamp(v, 0.0, 255.0));
            b[HW_SB_D0_D7 + i] = uint8_t(i >> 4);
            b[HW_SB_D8_D15 + i] = uint8_t(i >> 9);
        }
        return b;
    }();
    return buf;
}

void BM_FillSurface(benchmark::State &st) {
    Picture p;
    for (auto _ : st) {
        std::fill(p.px.begin(), p.px.end(), 0xFF000000u);
        benchmark::ClobberMemory();
    }
}

void drawzoom(benchmark::State &st, uint8_t zoom) {
    Picture p;
    std::vector<uint8_t> work(HW_WORKAREA_LEN);
    int32_t view[4] = {0, 0, 0, 0};
    for (auto _ : st) {
        Drawzoom(0, &p.s, sampleBuf().data(), work.data(), zoom, view, 0, 0x0000FF, 1, kWidth, 0);
        benchmark::ClobberMemory();
    }
}

void BM_DrawzoomDiv100(benchmark::State &st) {
    drawzoom(st, 11);
}
void BM_DrawzoomX1(benchmark::State &st) {
    drawzoom(st, 5);
}

void BM_DrawLa16LanesDiv100(benchmark::State &st) {
    Picture p;
    std::vector<uint8_t> work(16384);
    uint8_t *d = sampleBuf().data();
    for (auto _ : st) {
        for (int c = 0; c < 16; ++c)
            DrawLa(&p.s, c, d + (c < 8 ? HW_SB_D0_D7 : HW_SB_D8_D15), work.data(), 0, c % 8, 11,
                   kRecord, 16, 0x00FF00, kWidth);
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_FillSurface);
BENCHMARK(BM_DrawzoomDiv100);
BENCHMARK(BM_DrawzoomX1);
BENCHMARK(BM_DrawLa16LanesDiv100);
