// SPDX-License-Identifier: GPL-3.0-or-later
// FFT0 on 65536 points of a 128K record (window, transform, display rows for the 131072
// positions) against the bare FFTW real-to-complex transform of the same size, planned alike.
#include <cmath>
#include <numbers>
#include <vector>

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include "FFt.h"

namespace {

constexpr int kRecord = 131072, kPoints = 65536;

std::vector<uint8_t> Record() {
    std::vector<uint8_t> x(kRecord);
    uint32_t r = 1;
    for (int i = 0; i < kRecord; ++i) {
        r = r * 1664525u + 1013904223u;
        x[size_t(i)] =
            uint8_t(128 + 90 * std::sin(i * 2 * std::numbers::pi / 2000) + int(r >> 29) - 4);
    }
    return x;
}

void BM_BareFftw(benchmark::State &st) {
    double *in = fftw_alloc_real(kPoints);
    fftw_complex *out = fftw_alloc_complex(kPoints / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(kPoints, in, out, FFTW_ESTIMATE);
    const auto x = Record();
    for (int i = 0; i < kPoints; ++i)
        in[i] = x[size_t(i)];
    for (auto _ : st) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out[1][0]);
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
BENCHMARK(BM_BareFftw);

void BM_FFT0(benchmark::State &st) {
    const auto x = Record();
    std::vector<uint8_t> buf(FFT_BUF_LEN, 255);
    const uint8_t offset[2] = {200, 200};
    const auto gain = static_cast<uint8_t>(st.range(0));
    for (auto _ : st) {
        FFT0(x.data(), buf.data(), 0, 2, 1, 4, 0, 8, 1, 1, gain, offset);
        benchmark::DoNotOptimize(buf[100]);
    }
}
BENCHMARK(BM_FFT0)->Arg(0)->Arg(1)->Arg(2); // Magnitude, Logarithm, Powerspectrum

} // namespace
