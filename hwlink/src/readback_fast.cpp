// SPDX-License-Identifier: GPL-3.0-or-later
// Vector paths of the read-back processing of a record: splitting the raw groups with the
// converter correction, and the noise smoothing. Each gives exactly the bytes of its
// one-sample-at-a-time reference in readback.cpp, which also handles the tails.
#include "src/readback.h"
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hwlink {

#if defined(__SSE2__)
namespace {

// Even samples: clamp(trunc(s * gain) + addAfter, 3, 252) on 16-bit lanes holding bytes.
inline __m128i correctEven(__m128i s16, __m128 gain, __m128i add) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi16(s16, zero), hi = _mm_unpackhi_epi16(s16, zero);
    const __m128i tlo = _mm_add_epi32(_mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(lo), gain)), add);
    const __m128i thi = _mm_add_epi32(_mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(hi), gain)), add);
    const __m128i v = _mm_packs_epi32(tlo, thi);
    return _mm_max_epi16(_mm_min_epi16(v, _mm_set1_epi16(252)), _mm_set1_epi16(3));
}

// A word of two samples as the group holds them (odd sample in the low byte) to the channel's
// order (even first), both corrected.
inline __m128i analogPairs(__m128i w, __m128 gain, __m128i add) {
    const __m128i odd = _mm_srli_epi16(_mm_slli_epi16(w, 8), 8);
    const __m128i even = _mm_srli_epi16(w, 8);
    const __m128i oddC = _mm_max_epi16(_mm_min_epi16(odd, _mm_set1_epi16(252)), _mm_set1_epi16(3));
    return _mm_or_si128(correctEven(even, gain, add), _mm_slli_epi16(oddC, 8));
}

// Splits 8 groups (64 bytes) into the four 16-byte runs of 16-bit words 0..3 of each group.
inline void splitGroups(const uint8_t *r, __m128i &w0, __m128i &w1, __m128i &w2, __m128i &w3) {
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r + 16));
    const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r + 32));
    const __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r + 48));
    const __m128i t0 = _mm_unpacklo_epi16(x0, x1), t1 = _mm_unpackhi_epi16(x0, x1);
    const __m128i t2 = _mm_unpacklo_epi16(x2, x3), t3 = _mm_unpackhi_epi16(x2, x3);
    const __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
    const __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
    w0 = _mm_unpacklo_epi64(u0, u2);
    w1 = _mm_unpackhi_epi64(u0, u2);
    w2 = _mm_unpacklo_epi64(u1, u3);
    w3 = _mm_unpackhi_epi64(u1, u3);
}

inline void store(uint8_t *p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v);
}
inline __m128i load(const uint8_t *p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

// 16 x 16 byte transpose: row r of src (stride ss) becomes column r of dst (stride ds).
void transpose16(const uint8_t *src, size_t ss, uint8_t *dst, size_t ds) {
    __m128i a[16], b[16], c[16];
    for (int i = 0; i < 8; ++i) {
        const __m128i r0 = load(src + ss * size_t(2 * i)), r1 = load(src + ss * size_t(2 * i + 1));
        a[2 * i] = _mm_unpacklo_epi8(r0, r1);
        a[2 * i + 1] = _mm_unpackhi_epi8(r0, r1);
    }
    for (int q = 0; q < 4; ++q) {
        b[4 * q + 0] = _mm_unpacklo_epi16(a[4 * q + 0], a[4 * q + 2]);
        b[4 * q + 1] = _mm_unpackhi_epi16(a[4 * q + 0], a[4 * q + 2]);
        b[4 * q + 2] = _mm_unpacklo_epi16(a[4 * q + 1], a[4 * q + 3]);
        b[4 * q + 3] = _mm_unpackhi_epi16(a[4 * q + 1], a[4 * q + 3]);
    }
    for (int h = 0; h < 2; ++h) {
        for (int m = 0; m < 4; ++m) {
            c[8 * h + 2 * m] = _mm_unpacklo_epi32(b[8 * h + m], b[8 * h + m + 4]);
            c[8 * h + 2 * m + 1] = _mm_unpackhi_epi32(b[8 * h + m], b[8 * h + m + 4]);
        }
    }
    for (int m = 0; m < 8; ++m) {
        store(dst + ds * size_t(2 * m), _mm_unpacklo_epi64(c[m], c[m + 8]));
        store(dst + ds * size_t(2 * m + 1), _mm_unpackhi_epi64(c[m], c[m + 8]));
    }
}

// Floor of the mean of two bytes (avg_epu8 rounds up).
inline __m128i meanDown(__m128i a, __m128i b) {
    return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

// Signed byte difference d within -lim-1 .. lim, as a lane mask.
inline __m128i within(__m128i d, __m128i bias, __m128i span) {
    const __m128i v = _mm_add_epi8(d, bias);
    return _mm_cmpeq_epi8(_mm_min_epu8(v, span), v);
}

constexpr int kLanes = 16;
constexpr int kSeg = 256;             // samples per lane in one block
constexpr int kBlock = kLanes * kSeg; // samples of one block
constexpr int kTiles = kSeg / kLanes; // 16 x 16 tiles per block

struct Chain {
    uint8_t *a;
    alignas(16) uint8_t orig[kSeg + 1][kLanes]; // orig[t][j] = a[b0 + j * kSeg + t]
    alignas(16) uint8_t out[kSeg][kLanes];
};

void loadBlock(Chain &ch, int32_t b0) {
    for (int t = 0; t < kTiles; ++t)
        transpose16(ch.a + b0 + t * kLanes, kSeg, &ch.orig[t * kLanes][0], kLanes);
    // The sample after each lane's last is the next lane's first (the last lane's is the
    // first sample after the block, not yet smoothed).
    for (int j = 0; j < kLanes; ++j)
        ch.orig[kSeg][j] = ch.a[b0 + (j + 1) * kSeg];
}

// Every lane but the first started from an unsmoothed previous sample. Run it again from the
// true one until it meets what it had (from there on the two runs are the same).
void fixLanes(Chain &ch, int32_t lim) {
    for (int j = 1; j < kLanes; ++j) {
        uint8_t p = ch.out[kSeg - 1][j - 1];
        for (int t = 0; t < kSeg; ++t) {
            const int32_t c = ch.orig[t][j], x = ch.orig[t + 1][j];
            const int32_t dp = int8_t(uint8_t(c - p)), dx = int8_t(uint8_t(c - x));
            const bool flat = dp >= -lim - 1 && dp <= lim && dx >= -lim - 1 && dx <= lim;
            const uint8_t s = flat ? uint8_t((((p + x) >> 1) + c) >> 1) : uint8_t(c);
            if (s == ch.out[t][j]) break;
            ch.out[t][j] = s;
            p = s;
        }
    }
}

void storeBlock(Chain &ch, int32_t b0) {
    for (int t = 0; t < kTiles; ++t)
        transpose16(&ch.out[t * kLanes][0], kLanes, ch.a + b0 + t * kLanes, kSeg);
}

} // namespace

void DistributeGroups(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                      uint8_t *d8, int lag, const AnalogLut &l1, const AnalogLut &l2) {
    groups = std::clamp(groups, 0, kAreaLen / 2);
    const bool logic = d0 != nullptr && d8 != nullptr;
    // Whole runs of 8 groups whose logic samples all land inside the area.
    int32_t fast = groups / 8 * 8;
    if (logic) fast = std::min(fast, std::max(0, (kAreaLen - lag - 16) / 2) / 8 * 8);
    if (lag < 0) fast = 0;
    const __m128 g1 = _mm_set1_ps(l1.gain), g2 = _mm_set1_ps(l2.gain);
    const __m128i z1 = _mm_set1_epi32(l1.addAfter), z2 = _mm_set1_epi32(l2.addAfter);
    for (int32_t g = 0; g < fast; g += 8) {
        __m128i w0, w1, w2, w3;
        splitGroups(raw + 8 * g, w0, w1, w2, w3);
        store(a1 + 2 * g, analogPairs(w0, g1, z1));
        store(a2 + 2 * g, analogPairs(w1, g2, z2));
        if (logic) {
            store(d0 + 2 * g + lag, w2);
            store(d8 + 2 * g + lag, w3);
        }
    }
    DistributeGroupsScalar(raw, fast, groups, a1, a2, d0, d8, lag, l1, l2);
}

void SmoothPair(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    const int32_t last = std::min(count, kAreaLen - 2);
    // Blocks of 16 lanes x 256 samples: each lane runs the sample-to-sample recurrence on its
    // own stretch, all lanes of both channels at once, starting from the unsmoothed sample
    // before the stretch; fixLanes then corrects each lane's start from the lane before it.
    Chain c1, c2;
    c1.a = a1;
    c2.a = a2;
    const int32_t lim = limit;
    const __m128i bias = _mm_set1_epi8(char(lim + 1)), span = _mm_set1_epi8(char(2 * lim + 1));
    int32_t b0 = 1;
    for (; b0 + kBlock - 1 <= last; b0 += kBlock) {
        loadBlock(c1, b0);
        loadBlock(c2, b0);
        // Lane 0 continues from the smoothed sample before the block; the others guess.
        alignas(16) uint8_t g1[kLanes], g2[kLanes];
        g1[0] = a1[b0 - 1];
        g2[0] = a2[b0 - 1];
        for (int j = 1; j < kLanes; ++j) {
            g1[j] = a1[b0 + j * kSeg - 1];
            g2[j] = a2[b0 + j * kSeg - 1];
        }
        __m128i p1 = _mm_load_si128(reinterpret_cast<const __m128i *>(g1));
        __m128i p2 = _mm_load_si128(reinterpret_cast<const __m128i *>(g2));
        for (int t = 0; t < kSeg; ++t) {
            const __m128i cA = load(c1.orig[t]), xA = load(c1.orig[t + 1]);
            const __m128i cB = load(c2.orig[t]), xB = load(c2.orig[t + 1]);
            const __m128i fA = _mm_and_si128(within(_mm_sub_epi8(cA, p1), bias, span),
                                             within(_mm_sub_epi8(cA, xA), bias, span));
            const __m128i fB = _mm_and_si128(within(_mm_sub_epi8(cB, p2), bias, span),
                                             within(_mm_sub_epi8(cB, xB), bias, span));
            const __m128i sA = meanDown(meanDown(p1, xA), cA);
            const __m128i sB = meanDown(meanDown(p2, xB), cB);
            p1 = _mm_or_si128(_mm_and_si128(fA, sA), _mm_andnot_si128(fA, cA));
            p2 = _mm_or_si128(_mm_and_si128(fB, sB), _mm_andnot_si128(fB, cB));
            store(c1.out[t], p1);
            store(c2.out[t], p2);
        }
        fixLanes(c1, lim);
        fixLanes(c2, lim);
        storeBlock(c1, b0);
        storeBlock(c2, b0);
    }
    SmoothPairScalar(a1, a2, b0, last, limit);
}

#else

void DistributeGroups(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                      uint8_t *d8, int lag, const AnalogLut &l1, const AnalogLut &l2) {
    DistributeGroupsScalar(raw, 0, groups, a1, a2, d0, d8, lag, l1, l2);
}

void SmoothPair(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    SmoothPairScalar(a1, a2, 1, count, limit);
}

#endif

} // namespace hwlink
