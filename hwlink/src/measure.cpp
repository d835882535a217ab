// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement engine behind the measure box and autoset: amplitude figures of a stretch of
// 8-bit samples and the timing of its first complete pulses and edges.
//
// A sample is a code where a larger byte means a lower voltage (0 is the top of the range), so
// "the maximum voltage" is 255 minus the smallest byte, and a level is crossed upwards when the
// byte falls below it.
#include "hwlink.h"
#include <algorithm>
#include <cstdlib>

namespace {

enum : int {
    kVMax = 0,
    kVMin = 1,
    kVAvg = 2,
    kVpp = 3,
    kVRms = 4,
    kCycRms = 5,
    kRise = 6,
    kFall = 7,
    kPlusWidth = 8,
    kMinusWidth = 9,
    kPeriod = 10,
    kFreq = 11,
    kMid = 12
};

// Below this span the signal is too small for its edges to mean anything.
constexpr int kMinEdgeSpan = 10;

// Block of samples scanned branch-free at a time; the long scans stay close to a plain pass.
constexpr int32_t kBlock = 32;

// First index in [i, n) whose byte is below t, or n.
int32_t firstBelow(const uint8_t *d, int32_t i, int32_t n, int32_t t) {
    if (t <= 0) return n;
    if (t > 255) return std::min(i, n);
    const uint8_t u = uint8_t(t);
    for (; i + kBlock <= n; i += kBlock) {
        uint8_t hit = 0;
        for (int k = 0; k < kBlock; ++k)
            hit |= uint8_t(d[i + k] < u);
        if (hit) break;
    }
    while (i < n && d[i] >= u)
        ++i;
    return std::min(i, n);
}

// First index in [i, n) whose byte is above t, or n.
int32_t firstAbove(const uint8_t *d, int32_t i, int32_t n, int32_t t) {
    if (t >= 255) return n;
    if (t < 0) return std::min(i, n);
    const uint8_t u = uint8_t(t);
    for (; i + kBlock <= n; i += kBlock) {
        uint8_t hit = 0;
        for (int k = 0; k < kBlock; ++k)
            hit |= uint8_t(d[i + k] > u);
        if (hit) break;
    }
    while (i < n && d[i] <= u)
        ++i;
    return std::min(i, n);
}

struct Amplitude {
    uint8_t lo = 255, hi = 0;
    int64_t sum = 0;       // of the bytes
    int64_t deviation = 0; // of |byte - offset|, the rectified deviation from the zero level
};

// One pass over n bytes for the extremes, the sum and the deviation sum.
Amplitude amplitude(const uint8_t *d, int32_t n, int32_t offset) {
    Amplitude a;
    const uint8_t o = uint8_t(std::clamp(offset, 0, 255));
    int64_t dev = 0;
    for (int32_t i = 0; i < n;) {
        // 32-bit partial sums: a block of 2^16 samples cannot carry them over.
        const int32_t end = std::min(n, i + 65536);
        uint32_t part = 0, partDev = 0;
        uint8_t lo = a.lo, hi = a.hi;
        for (; i + kBlock <= end; i += kBlock)
            for (int k = 0; k < kBlock; ++k) {
                const uint8_t x = d[i + k];
                lo = std::min(lo, x);
                hi = std::max(hi, x);
                part += x;
                partDev += uint8_t(std::max(x, o) - std::min(x, o));
            }
        for (; i < end; ++i) {
            const uint8_t x = d[i];
            lo = std::min(lo, x);
            hi = std::max(hi, x);
            part += x;
            partDev += uint8_t(std::max(x, o) - std::min(x, o));
        }
        a.lo = lo;
        a.hi = hi;
        a.sum += part;
        dev += partDev;
    }
    // A zero level off the code range lies on one side of every sample.
    if (offset > 255) dev = int64_t(n) * offset - a.sum;
    if (offset < 0) dev = a.sum - int64_t(n) * offset;
    a.deviation = dev;
    return a;
}

} // namespace

extern "C" {

HWLINK_API void HWLINK_CALL TestAd(uint8_t *Data, int32_t Start, int32_t Offset, int32_t Level,
                                   int32_t *Results, int32_t Length) {
    // Nothing to measure (no samples, or a stretch that starts outside the channel's area): the
    // results keep their previous values. A stretch that runs past the area's end is cut there.
    if (Data == nullptr || Results == nullptr || Length < 1 || Start < 0 || Start >= HW_SB_AREA_LEN)
        return;
    const uint8_t *d = Data + Start;
    const int32_t n = std::min(Length, HW_SB_AREA_LEN - Start);
    const int32_t offset = int16_t(Offset & 0xFFFF); // the channel's zero-level code
    const int32_t level = Level & 0xFF;              // the trigger-level code
    int32_t *r = Results;

    const Amplitude amp = amplitude(d, n, offset);
    const int32_t lo = amp.lo, hi = amp.hi;
    const int32_t span = hi - lo;
    r[kVMax] = 255 - lo;
    r[kVMin] = 255 - hi;
    r[kVAvg] = int32_t(255 - amp.sum / n);
    r[kVpp] = span;
    r[kMid] = (lo + hi) / 2;
    r[kVRms] = int32_t(amp.deviation / n);
    r[kPeriod] = 0;
    r[kFreq] = 0;
    r[kCycRms] = r[kRise] = r[kFall] = -1;
    r[kPlusWidth] = r[kMinusWidth] = 0;
    if (span <= kMinEdgeSpan) return;

    // Widths against the trigger level: high is byte <= level. The run the stretch starts in
    // may be a partial pulse and is skipped; then one run of each kind, in order. A run only
    // counts when a sample of the other kind ends it before the last sample of the stretch.
    auto nextHigh = [&](int32_t i) { return firstBelow(d, i, n, level + 1); };
    auto nextLow = [&](int32_t i) { return firstAbove(d, i, n, level); };
    const bool startsHigh = d[0] <= level;
    const int32_t a = startsHigh ? nextLow(0) : nextHigh(0); // first complete run starts
    const int32_t b = startsHigh ? nextHigh(a) : nextLow(a); // and ends: second run starts
    const int32_t e = b < n - 1 ? (startsHigh ? nextLow(b) : nextHigh(b)) : n; // second ends
    const int32_t firstRun = b < n - 1 ? b - a : 0;
    const int32_t secondRun = e < n - 1 ? e - b : 0;
    r[kPlusWidth] = startsHigh ? secondRun : firstRun;
    r[kMinusWidth] = startsHigh ? firstRun : secondRun;
    if (r[kPlusWidth] != 0 && r[kMinusWidth] != 0) {
        // One period's rectified mean, over the period that ends with the sample that ended
        // the second run.
        const int32_t period = r[kPlusWidth] + r[kMinusWidth];
        r[kPeriod] = period;
        r[kCycRms] = int32_t(amplitude(d + (e - period + 1), period, offset).deviation / period);
    }

    // Rise and fall between the 10 % and 90 % levels of the span. In codes, L90 lies a tenth
    // of the span above the smallest byte (near the top of the signal) and L10 a tenth below
    // the largest byte: above 90 % is byte < L90, below 10 % is byte > L10.
    const int32_t l90 = lo + span / 10, l10 = hi - span / 10;
    auto above90 = [&](int32_t i) { return firstBelow(d, i, n, l90); };
    auto below90 = [&](int32_t i) { return firstAbove(d, i, n, l90); };
    auto above10 = [&](int32_t i) { return firstBelow(d, i, n, l10); };
    auto below10 = [&](int32_t i) { return firstAbove(d, i, n, l10); };
    // Samples from an edge's first sample up to, not including, the sample that completes it;
    // -1 when that sample is not found before the last sample of the stretch.
    auto edge = [&](int32_t from, int32_t to) { return to < n - 1 ? to - from : -1; };
    if (startsHigh) {
        const int32_t fallFrom = below90(above90(0));
        const int32_t fallTo = below10(fallFrom);
        r[kFall] = edge(fallFrom, fallTo);
        if (r[kFall] < 0) return;
        const int32_t riseFrom = above10(fallTo);
        r[kRise] = edge(riseFrom, above90(riseFrom));
    } else {
        const int32_t riseFrom = above10(below10(0));
        const int32_t riseTo = above90(riseFrom);
        r[kRise] = edge(riseFrom, riseTo);
        if (r[kRise] < 0) return;
        const int32_t fallFrom = below90(riseTo);
        r[kFall] = edge(fallFrom, below10(fallFrom));
    }
}

} // extern "C"
