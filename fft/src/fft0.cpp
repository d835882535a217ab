// SPDX-License-Identifier: GPL-3.0-or-later
// FFT0: window, transform, scaling into display rows, spreading over the spectrum positions and
// the sweep's peak record. The formulas are documented in include/FFt.h.
#include "FFt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "plan_cache.h"
#include "windows.h"

namespace {

constexpr std::array<int64_t, 3> kRecordLen = {2048, 8192, 131072};
constexpr std::array<double, FFT_VDIV_COUNT> kVdivMv = {5, 10, 20, 50, 100, 200, 500, 1000, 2000};
constexpr std::array<double, FFT_PROBE_COUNT> kProbe = {1, 10, 100, 1000};
constexpr std::array<double, FFT_DBDIV_COUNT> kDbDiv = {5, 10, 20, 50};
constexpr double kRowsPerDiv = 25;
constexpr float kMagnitudeZero = 228;   // bottom grid line: amplitude 0
constexpr float kLowestSquare = 1e-18f; // (1e-9 codes)^2: amplitude 0 on a logarithmic scale

struct Settings {
    uint8_t probe, vdiv, gain, dbDiv;
    uint8_t offset;
};

// log10 of x > 0 to within 3e-6 (a row needs 1e-2): the exponent, and the series of
// ln m = 2 atanh((m - 1) / (m + 1)) for the mantissa m in [0.71, 1.41]. Unlike std::log10 it
// runs in vector registers, and the logarithms would otherwise cost more than the transform.
inline float Log10(float x) {
    const auto bits = std::bit_cast<uint32_t>(x);
    const auto e0 = static_cast<float>(static_cast<int32_t>(bits >> 23) - 127);
    const float m0 = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u);
    const bool high = m0 > 1.41421356f;
    const float m = high ? m0 * 0.5f : m0;
    const float e = high ? e0 + 1 : e0;
    const float s = (m - 1) / (m + 1), s2 = s * s;
    const float ln = 2 * s * (1 + s2 * (1.f / 3 + s2 * (1.f / 5 + s2 * (1.f / 7))));
    return (ln + e * 0.693147181f) * 0.434294482f;
}

// Within the picture's 256 rows; compiles to min/max instructions.
inline float Row(float v) {
    v = v < 0.f ? 0.f : v;
    return v > 255.f ? 255.f : v;
}

// Display rows of bins 0 .. N/2 from the transform's output, in one pass over the bins. The
// squared amplitude of bin k is |X_k|^2 (c_k / sum w)^2 with c_k = 2, or 1 at the two ends.
template <typename ToRow>
[[gnu::always_inline]] inline void BinRows(fft::SizeSlot &slot, ToRow toRow) {
    const int64_t half = slot.N / 2;
    float *rows = slot.rows.data();
    const fftw_complex *out = slot.out;
    const auto inner = static_cast<float>(4 / (slot.windowSum * slot.windowSum));
    for (int64_t k = 1; k < half; ++k) {
        const auto re = static_cast<float>(out[k][0]), im = static_cast<float>(out[k][1]);
        rows[k] = toRow((re * re + im * im) * inner);
    }
    for (const int64_t k : {int64_t{0}, half}) {
        const auto re = static_cast<float>(out[k][0]), im = static_cast<float>(out[k][1]);
        rows[k] = toRow((re * re + im * im) * inner / 4);
    }
}

[[gnu::always_inline]] inline void BinRows(fft::SizeSlot &slot, const Settings &s) {
    if (s.gain == 0) {
        BinRows(slot, [](float a2) { return Row(kMagnitudeZero - std::sqrt(a2)); });
        return;
    }
    // row = base + slope * log10(A^2) on the two logarithmic scales.
    float base = 253 - 50 * std::log10(200.f), slope = -25;
    if (s.gain == 2) {
        const double mv = kVdivMv[s.vdiv] * kProbe[s.probe] / kRowsPerDiv;
        const double rowsPerDb = kRowsPerDiv / kDbDiv[s.dbDiv];
        base = static_cast<float>(s.offset + 28 - rowsPerDb * 10 * std::log10(mv * mv / 2));
        slope = static_cast<float>(-rowsPerDb * 10);
    }
    BinRows(slot, [base, slope](float a2) {
        return Row(base + slope * Log10(a2 > kLowestSquare ? a2 : kLowestSquare));
    });
}

// Positions k*S .. k*S + S - 1 run linearly from bin k's row towards bin k + 1's. `Step` > 0
// fixes S at compile time (the short steps of the large transforms), 0 takes `step`.
template <int Step>
[[gnu::always_inline]] inline void SpreadRows(const fft::SizeSlot &slot, int64_t step,
                                              uint8_t *out) {
    if constexpr (Step > 0) step = Step;
    const int64_t half = slot.N / 2;
    const float *rows = slot.rows.data();
    const float inv = 1.f / static_cast<float>(step);
    for (int64_t k = 0; k < half; ++k) {
        const float r0 = rows[k] + 0.5f; // rounded half up by the truncation below
        const float d = (rows[k + 1] - rows[k]) * inv;
        uint8_t *o = out + k * step;
        for (int32_t j = 0; j < step; ++j)
            o[j] = static_cast<uint8_t>(static_cast<int32_t>(r0 + d * static_cast<float>(j)));
    }
}

// Compiled twice, for the processors with AVX2 and for any other: FFTW picks its own vector
// code at run time, and the passes around the transform would otherwise run at half its width.
__attribute__((target_clones("avx2", "default"))) int32_t
Transform(const uint8_t *samples, uint8_t *buf, int32_t start, uint8_t depth, uint8_t mode,
          uint8_t pointIndex, uint8_t windowType, const Settings &s) {
    const int64_t len = kRecordLen[depth];
    const int64_t N = std::min<int64_t>(int64_t{256} << pointIndex, len);
    fft::SizeSlot *slot = fft::Slot(N);
    if (!slot) return 0;
    std::lock_guard lock(slot->busy);

    const uint8_t *x = samples + std::clamp<int64_t>(start, 0, len - N);
    int64_t sum = 0;
    for (int64_t i = 0; i < N; ++i)
        sum += x[i];
    const double mean = static_cast<double>(sum) / static_cast<double>(N);
    if (slot->windowType != windowType) {
        std::vector<double> w(static_cast<size_t>(N));
        slot->windowSum = fft::FillWindow(windowType, N, w.data());
        std::copy(w.begin(), w.end(), slot->window.begin());
        slot->windowType = windowType;
    }
    const float *w = slot->window.data();
    const auto fmean = static_cast<float>(mean);
    for (int64_t i = 0; i < N; ++i)
        slot->in[i] = (static_cast<float>(x[i]) - fmean) * w[i];
    fftw_execute(slot->plan);

    BinRows(*slot, s);
    const int64_t step = 2 * len / N;
    if (step == 2)
        SpreadRows<2>(*slot, step, buf);
    else if (step == 4)
        SpreadRows<4>(*slot, step, buf);
    else
        SpreadRows<0>(*slot, step, buf);
    std::memset(buf + len, FFT_PEAK_EMPTY, static_cast<size_t>(FFT_DISPLAY_LEN - len));
    if (mode == 1) {
        // The strongest level is the smallest row; an empty entry (255) is the bottom row.
        uint8_t *peak = buf + FFT_PEAK_OFFSET;
        for (int64_t p = 0; p < len; ++p) {
            peak[p] = std::min(peak[p], buf[p]);
            buf[p] = peak[p];
        }
    }
    return static_cast<int32_t>(len);
}

} // namespace

extern "C" FFT_API int32_t FFT_CALL FFT0(const uint8_t *Samples, uint8_t *FftBuf, int32_t Start,
                                         uint8_t DepthIndex, uint8_t ProbeIndex, uint8_t VdivIndex,
                                         uint8_t Mode, uint8_t PointIndex, uint8_t WindowIndex,
                                         uint8_t DbDivIndex, uint8_t GainType,
                                         const uint8_t *DbOffset) {
    if (!Samples || !FftBuf || !DbOffset || DepthIndex >= kRecordLen.size() ||
        ProbeIndex >= FFT_PROBE_COUNT || VdivIndex >= FFT_VDIV_COUNT || Mode > 1 ||
        PointIndex > FFT_MAX_POINT_INDEX || WindowIndex >= FFT_WINDOW_COUNT ||
        DbDivIndex >= FFT_DBDIV_COUNT || GainType >= FFT_GAIN_COUNT)
        return 0;
    try {
        const Settings s{ProbeIndex, VdivIndex, GainType, DbDivIndex, DbOffset[0]};
        return Transform(Samples, FftBuf, Start, DepthIndex, Mode, PointIndex, WindowIndex, s);
    } catch (...) {
        return 0; // no memory for a slot's tables: nothing written
    }
}
