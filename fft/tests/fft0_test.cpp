// SPDX-License-Identifier: GPL-3.0-or-later
// FFT0 against known signals: where a tone lands, the window shapes, the scaling of each gain
// type and the sweep's peak record.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "FFt.h"
#include "windows.h"

namespace {

constexpr uint8_t kDepth128K = 2;
constexpr int kLen = 131072;
constexpr uint8_t kMagnitude = 0, kLogarithm = 1, kPower = 2;
constexpr uint8_t kRectangular = 4, kBlackman = 3, kHanning = 1;
using V = std::vector<int>;

// A record of `len` codes around mid-scale: tones of `amp` codes peak at `cycles` periods per
// `n` samples each.
std::vector<uint8_t> Tones(int len, std::vector<std::array<double, 3>> tones) {
    std::vector<uint8_t> x(static_cast<size_t>(len));
    for (int i = 0; i < len; ++i) {
        double v = 128;
        for (const auto &[cycles, n, amp] : tones)
            v += amp * std::sin(2 * std::numbers::pi * cycles * i / n + 0.3);
        x[static_cast<size_t>(i)] = static_cast<uint8_t>(std::lround(v));
    }
    return x;
}

struct Call {
    uint8_t depth = kDepth128K, probe = 0, vdiv = 4, mode = 0, points = 3, window = kHanning,
            dbDiv = 1, gain = kLogarithm, offset = 200;
};

std::vector<uint8_t> Spectrum(const std::vector<uint8_t> &x, const Call &c,
                              std::vector<uint8_t> buf = std::vector<uint8_t>(FFT_BUF_LEN, 255)) {
    const uint8_t off[2] = {c.offset, 0};
    FFT0(x.data(), buf.data(), 0, c.depth, c.probe, c.vdiv, c.mode, c.points, c.window, c.dbDiv,
         c.gain, off);
    return buf;
}

int Strongest(const std::vector<uint8_t> &buf, int len) {
    return static_cast<int>(std::min_element(buf.begin(), buf.begin() + len) - buf.begin());
}

// The strongest level of the spectrum is at p: p has it, and so does no position a bin (`step`
// positions) or more away from p (between two bins the rows are interpolated, so positions next
// to p may round to the same byte).
testing::AssertionResult PeakAt(const std::vector<uint8_t> &buf, int p, int step) {
    const uint8_t top = buf[size_t(Strongest(buf, kLen))];
    for (int i = 0; i < kLen; ++i)
        if ((i == p) != (buf[size_t(i)] == top) && (i == p || std::abs(i - p) >= step))
            return testing::AssertionFailure() << "wrong level at " << i << " for a peak at " << p;
    return testing::AssertionSuccess();
}

// A tone on bin k of N points peaks at its position k x 2 x RecordLen / N, the one whose
// frequency is its own, alone, for every window and point count.
TEST(FFT0, ToneOnABinPeaksAtItsPosition) {
    for (uint8_t points = 0; points <= FFT_MAX_POINT_INDEX; ++points) {
        const int n = 256 << points, k = n / 8 + 3, p = k * (2 * kLen / n);
        const auto x = Tones(kLen, {{double(k), double(n), 100}});
        for (uint8_t w = 0; w < FFT_WINDOW_COUNT; ++w) {
            const auto buf = Spectrum(x, {.points = points, .window = w});
            ASSERT_TRUE(PeakAt(buf, p, 2 * kLen / n)) << "points " << n << " window " << int(w);
        }
    }
    // More points than the 2K record has: the record's 2048 points; no byte written past the
    // display area, and everything past the 2048 positions empty.
    const auto x = Tones(2048, {{100, 2048, 80}});
    const auto buf = Spectrum(x, {.depth = 0, .points = 8}, std::vector<uint8_t>(FFT_BUF_LEN, 7));
    EXPECT_EQ(Strongest(buf, 2048), 200);
    EXPECT_EQ(std::count(buf.begin() + 2048, buf.begin() + FFT_DISPLAY_LEN, 255),
              FFT_DISPLAY_LEN - 2048);
    EXPECT_EQ(std::count(buf.begin() + FFT_PEAK_OFFSET, buf.end(), 7), FFT_BUF_LEN / 2);
}

// The shapes: each window's equivalent noise bandwidth (in bins) is the textbook one. Half-way
// between two bins, 30 and 60 bins away, the rectangular window still leaks, the Blackman
// window's side lobes are far lower.
TEST(FFT0, WindowShapes) {
    const std::array<double, 7> enbw = {4.0 / 3, 1.5, 1.3628, 1.7268, 1.0, 1.2, 1.9171};
    const int64_t n = 4096;
    std::vector<double> w(n);
    for (int t = 0; t < 7; ++t) {
        const double sum = fft::FillWindow(t, n, w.data());
        const double sq = std::inner_product(w.begin(), w.end(), w.begin(), 0.0);
        EXPECT_NEAR(n * sq / (sum * sum), enbw[size_t(t)], 0.002) << "window " << t;
        EXPECT_DOUBLE_EQ(w[n / 2], 1.0);
    }
    const auto x = Tones(kLen, {{500.5, 4096, 100}});
    const auto rect = Spectrum(x, {.points = 4, .window = kRectangular});
    const auto black = Spectrum(x, {.points = 4, .window = kBlackman});
    for (const int bins : {30, 60})
        EXPECT_GT(black[size_t((500 + bins) * 64)], rect[size_t((500 + bins) * 64)] + 25) << bins;
}

// Magnitude: one row per code above row 228, the same for every window; Hanning's neighbour
// bins at half, the positions between two bins interpolated. Logarithm: 50 rows a decade, deaf
// to dB/div, offset and probe. Powerspectrum: the RMS level in dBmV, 25 rows per dB/div below
// the 0 dBmV row offset + 28. Every row is rounded to the nearest (128.6 to 129).
TEST(FFT0, Scaling) {
    const int k = 512, p = k * 2 * kLen / 4096;
    const auto x = Tones(kLen, {{double(k), 4096, 100}});
    const auto weaker = Tones(kLen, {{double(k), 4096, 99.4}});
    for (uint8_t w = 0; w < FFT_WINDOW_COUNT; ++w) {
        const Call c{.points = 4, .window = w, .gain = kMagnitude};
        EXPECT_EQ((V{Spectrum(x, c)[size_t(p)], Spectrum(weaker, c)[size_t(p)]}), (V{128, 129}))
            << "window " << int(w);
    }
    const auto hann = Spectrum(x, {.points = 4, .gain = kMagnitude});
    EXPECT_EQ((V{hann[size_t(p + 64)], hann[size_t(p + 32)]}), (V{178, 153}));

    // 253 - 50 log10(200 x 100) = 37.95
    for (const Call c : {Call{.points = 4}, Call{.probe = 2, .points = 4, .dbDiv = 3, .offset = 9}})
        EXPECT_EQ(Spectrum(x, c)[size_t(p)], 38);

    // 100 codes at 100 mV/div (4 mV a code) with a 1:1 probe: 400 mV peak, 49.03 dBmV.
    // (probe, dB/div, offset, row): 228 - 49.03 x 2.5 = 105.42; 50 rows higher;
    // 228 - 49.03 x 1.25 = 166.71; 255 - (49.03 + 20) / 2 = 220.48.
    const uint8_t pw[][4] = {{0, 1, 200, 105}, {0, 1, 150, 55}, {0, 2, 200, 167}, {1, 3, 227, 220}};
    for (const auto &[probe, dbDiv, offset, row] : pw) {
        const Call c{.probe = probe, .points = 4, .dbDiv = dbDiv, .gain = kPower, .offset = offset};
        EXPECT_EQ(Spectrum(x, c)[size_t(p)], row) << int(probe) << " " << int(dbDiv);
    }
}

// The two ends of the spectrum: no DC once the mean is taken off, and a tone at half the sample
// rate (samples 64 codes either side of the mean) at its amplitude, not twice it. The last
// position lies half-way from the last bin but one (empty) to it: 228 - 64 / 2.
TEST(FFT0, SpectrumEnds) {
    std::vector<uint8_t> x(2048);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = i % 2 ? 64 : 192;
    const auto buf =
        Spectrum(x, {.depth = 0, .points = 3, .window = kRectangular, .gain = kMagnitude});
    EXPECT_EQ((V{buf[0], buf[1], buf[2046], buf[2047]}), (V{228, 228, 228, 196}));
}

// Sweep: each position keeps its strongest level; a weaker record does not lower it; the peak
// record is what is shown. Normal mode leaves the peak record alone.
TEST(FFT0, SweepKeepsPeaks) {
    const auto strong = Tones(kLen, {{200, 2048, 100}});
    const auto weak = Tones(kLen, {{200, 2048, 20}, {700, 2048, 50}});
    const auto first = Spectrum(strong, {.mode = 1});
    const auto both = Spectrum(weak, {.mode = 1}, first);
    const int p1 = 200 * 128, p2 = 700 * 128;
    EXPECT_TRUE(both[size_t(p1)] == first[size_t(p1)] && both[size_t(p2)] < first[size_t(p2)]);
    EXPECT_TRUE(std::equal(both.begin(), both.begin() + kLen, both.begin() + FFT_PEAK_OFFSET));
    const auto normal = Spectrum(strong, {}, both);
    EXPECT_TRUE(
        std::equal(both.begin() + FFT_PEAK_OFFSET, both.end(), normal.begin() + FFT_PEAK_OFFSET));
    EXPECT_GT(normal[size_t(p2)], both[size_t(p2)]);
}

// Nothing is written for a null pointer or an index out of range; a start past the record is
// moved back so that the points end inside it (a 2K record of exactly 2048 bytes).
TEST(FFT0, ArgumentsOutOfRange) {
    const auto x = Tones(2048, {{64, 2048, 50}});
    std::vector<uint8_t> buf(FFT_BUF_LEN, 7);
    const uint8_t off[2] = {200, 0};
    // No record; depth 3, window 7, gain type 3: each one past its range.
    EXPECT_EQ((V{FFT0(nullptr, buf.data(), 0, 0, 0, 4, 0, 3, 1, 1, 0, off),
                 FFT0(x.data(), buf.data(), 0, 3, 0, 4, 0, 3, 1, 1, 0, off),
                 FFT0(x.data(), buf.data(), 0, 0, 0, 4, 0, 3, 7, 1, 0, off),
                 FFT0(x.data(), buf.data(), 0, 0, 0, 4, 0, 3, 1, 1, 3, off),
                 int(std::count(buf.begin(), buf.end(), 7))}),
              (V{0, 0, 0, 0, FFT_BUF_LEN}));
    EXPECT_EQ(FFT0(x.data(), buf.data(), 100000, 0, 0, 4, 0, 0, 1, 1, 0, off), 2048);
    EXPECT_EQ(Strongest(buf, 2048), 128);
}

} // namespace
