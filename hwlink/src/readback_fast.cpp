// SPDX-License-Identifier: GPL-3.0-or-later
// Vector paths of the read-back processing of a record: splitting the raw groups with the
// converter correction, and the noise smoothing. Each gives exactly the bytes of its
// one-sample-at-a-time reference in readback.cpp, which also handles the tails. SSE2 is the
// floor (every x86-64 has it); where the processor has AVX2, the same steps run on 32 lanes.
#include "src/readback.h"
#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <immintrin.h>
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

// Groups [first, end) in runs of 8, as far as the logic samples of a whole run land inside the
// area; returns where it stopped.
int32_t distributeSse2(const uint8_t *raw, int32_t first, int32_t groups, uint8_t *a1, uint8_t *a2,
                       uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                       const AnalogLut &l2) {
    const bool logic = d0 != nullptr && d8 != nullptr;
    int32_t end = groups / 8 * 8;
    if (logic) end = std::min(end, std::max(0, (kAreaLen - lag - 16) / 2) / 8 * 8);
    if (lag < 0 || first % 8 != 0) return first;
    const __m128 g1 = _mm_set1_ps(l1.gain), g2 = _mm_set1_ps(l2.gain);
    const __m128i z1 = _mm_set1_epi32(l1.addAfter), z2 = _mm_set1_epi32(l2.addAfter);
    int32_t g = first;
    for (; g < end; g += 8) {
        __m128i w0, w1, w2, w3;
        splitGroups(raw + 8 * g, w0, w1, w2, w3);
        store(a1 + 2 * g, analogPairs(w0, g1, z1));
        store(a2 + 2 * g, analogPairs(w1, g2, z2));
        if (logic) {
            store(d0 + 2 * g + lag, w2);
            store(d8 + 2 * g + lag, w3);
        }
    }
    return std::max(g, first);
}

// 16 x 16 byte transpose: row r of src (stride ss) becomes column r of dst (stride ds).
void transpose16(const uint8_t *src, size_t ss, uint8_t *dst, size_t ds) {
    __m128i a[16], b[16], c[16];
    #pragma GCC unroll 16
    for (int i = 0; i < 8; ++i) {
        const __m128i r0 = load(src + ss * size_t(2 * i)), r1 = load(src + ss * size_t(2 * i + 1));
        a[2 * i] = _mm_unpacklo_epi8(r0, r1);
        a[2 * i + 1] = _mm_unpackhi_epi8(r0, r1);
    }
    #pragma GCC unroll 16
    for (int q = 0; q < 4; ++q) {
        b[4 * q + 0] = _mm_unpacklo_epi16(a[4 * q + 0], a[4 * q + 2]);
        b[4 * q + 1] = _mm_unpackhi_epi16(a[4 * q + 0], a[4 * q + 2]);
        b[4 * q + 2] = _mm_unpacklo_epi16(a[4 * q + 1], a[4 * q + 3]);
        b[4 * q + 3] = _mm_unpackhi_epi16(a[4 * q + 1], a[4 * q + 3]);
    }
    #pragma GCC unroll 16
    for (int h = 0; h < 2; ++h) {
        #pragma GCC unroll 16
        for (int m = 0; m < 4; ++m) {
            c[8 * h + 2 * m] = _mm_unpacklo_epi32(b[8 * h + m], b[8 * h + m + 4]);
            c[8 * h + 2 * m + 1] = _mm_unpackhi_epi32(b[8 * h + m], b[8 * h + m + 4]);
        }
    }
    #pragma GCC unroll 16
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

// Smoothing runs in blocks of kLanes lanes x seg samples: each lane runs the sample-to-sample
// recurrence on its own stretch, all lanes of both channels at once, starting from the
// unsmoothed sample before the stretch; fixLanes then corrects each lane's start from the lane
// before it. seg is a multiple of 16 up to kMaxSeg, so that the last blocks of a record shrink
// instead of leaving thousands of samples to the one-at-a-time loop.
constexpr int kMaxSeg = 256;

template <int Lanes> struct Chain {
    uint8_t *a;
    int seg;
    alignas(32) uint8_t orig[kMaxSeg + 1][Lanes]; // orig[t][j] = a[b0 + j * seg + t]
    alignas(32) uint8_t out[kMaxSeg][Lanes];
};

// Every lane but the first started from an unsmoothed previous sample. Run it again from the
// true one until it meets what it had (from there on the two runs are the same).
template <int Lanes> void fixLanes(Chain<Lanes> &ch, int32_t lim) {
    const int seg = ch.seg;
    for (int j = 1; j < Lanes; ++j) {
        uint8_t p = ch.out[seg - 1][j - 1];
        for (int t = 0; t < seg; ++t) {
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

// The segment length for the block at b0 (0: fewer samples than a block of 16-sample lanes).
inline int segmentFor(int32_t b0, int32_t last, int lanes) {
    const int32_t left = last - b0 + 1;
    return int(std::min<int32_t>(kMaxSeg, left / (lanes * 16) * 16));
}

template <int Lanes> void startGuesses(const Chain<Lanes> &ch, int32_t b0, uint8_t *g) {
    // Lane 0 continues from the smoothed sample before the block; the others guess.
    g[0] = ch.a[b0 - 1];
    for (int j = 1; j < Lanes; ++j)
        g[j] = ch.a[b0 + j * ch.seg - 1];
}

void loadBlock(Chain<16> &ch, int32_t b0) {
    for (int t = 0; t < ch.seg / 16; ++t)
        transpose16(ch.a + b0 + t * 16, size_t(ch.seg), &ch.orig[t * 16][0], 16);
    // The sample after each lane's last is the next lane's first (the last lane's is the
    // first sample after the block, not yet smoothed).
    for (int j = 0; j < 16; ++j)
        ch.orig[ch.seg][j] = ch.a[b0 + (j + 1) * ch.seg];
}

void storeBlock(Chain<16> &ch, int32_t b0) {
    for (int t = 0; t < ch.seg / 16; ++t)
        transpose16(&ch.out[t * 16][0], 16, ch.a + b0 + t * 16, size_t(ch.seg));
}

// Smooths whole blocks from b0 while they fit below last; returns where it stopped.
int32_t smoothBlocksSse2(uint8_t *a1, uint8_t *a2, int32_t b0, int32_t last, int32_t lim) {
    Chain<16> c1, c2;
    c1.a = a1;
    c2.a = a2;
    const __m128i bias = _mm_set1_epi8(char(lim + 1)), span = _mm_set1_epi8(char(2 * lim + 1));
    for (int seg; (seg = segmentFor(b0, last, 16)) > 0; b0 += 16 * seg) {
        c1.seg = c2.seg = seg;
        loadBlock(c1, b0);
        loadBlock(c2, b0);
        alignas(16) uint8_t g1[16], g2[16];
        startGuesses(c1, b0, g1);
        startGuesses(c2, b0, g2);
        __m128i p1 = _mm_load_si128(reinterpret_cast<const __m128i *>(g1));
        __m128i p2 = _mm_load_si128(reinterpret_cast<const __m128i *>(g2));
        for (int t = 0; t < seg; ++t) {
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
    return b0;
}

// ---- AVX2: the same steps with 256-bit registers. The byte unpacks of AVX2 work within each
// 128-bit half, so every register carries two independent 16-wide problems side by side: two
// runs of 8 groups in the distribution, lanes 0..15 and 16..31 in the smoothing.
#define VRX_AVX2 __attribute__((target("avx2")))

VRX_AVX2 inline __m256i load2(const uint8_t *lo, const uint8_t *hi) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(load(lo)), load(hi), 1);
}
VRX_AVX2 inline void store2(uint8_t *lo, uint8_t *hi, __m256i v) {
    store(lo, _mm256_castsi256_si128(v));
    store(hi, _mm256_extracti128_si256(v, 1));
}
VRX_AVX2 inline __m256i load32(const uint8_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}
VRX_AVX2 inline void store32(uint8_t *p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v);
}

VRX_AVX2 inline __m256i correctEven(__m256i s16, __m256 gain, __m256i add) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = _mm256_unpacklo_epi16(s16, zero), hi = _mm256_unpackhi_epi16(s16, zero);
    const __m256i tlo =
        _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(lo), gain)), add);
    const __m256i thi =
        _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(hi), gain)), add);
    const __m256i v = _mm256_packs_epi32(tlo, thi);
    return _mm256_max_epi16(_mm256_min_epi16(v, _mm256_set1_epi16(252)), _mm256_set1_epi16(3));
}

VRX_AVX2 inline __m256i analogPairs(__m256i w, __m256 gain, __m256i add) {
    const __m256i odd = _mm256_srli_epi16(_mm256_slli_epi16(w, 8), 8);
    const __m256i even = _mm256_srli_epi16(w, 8);
    const __m256i oddC =
        _mm256_max_epi16(_mm256_min_epi16(odd, _mm256_set1_epi16(252)), _mm256_set1_epi16(3));
    return _mm256_or_si256(correctEven(even, gain, add), _mm256_slli_epi16(oddC, 8));
}

// 16 groups: the low halves hold groups 0..7, the high halves groups 8..15, so each word run
// comes out as 32 consecutive bytes.
VRX_AVX2 inline void splitGroups(const uint8_t *r, __m256i &w0, __m256i &w1, __m256i &w2,
                                 __m256i &w3) {
    const __m256i x0 = load2(r, r + 64), x1 = load2(r + 16, r + 80);
    const __m256i x2 = load2(r + 32, r + 96), x3 = load2(r + 48, r + 112);
    const __m256i t0 = _mm256_unpacklo_epi16(x0, x1), t1 = _mm256_unpackhi_epi16(x0, x1);
    const __m256i t2 = _mm256_unpacklo_epi16(x2, x3), t3 = _mm256_unpackhi_epi16(x2, x3);
    const __m256i u0 = _mm256_unpacklo_epi16(t0, t1), u1 = _mm256_unpackhi_epi16(t0, t1);
    const __m256i u2 = _mm256_unpacklo_epi16(t2, t3), u3 = _mm256_unpackhi_epi16(t2, t3);
    w0 = _mm256_unpacklo_epi64(u0, u2);
    w1 = _mm256_unpackhi_epi64(u0, u2);
    w2 = _mm256_unpacklo_epi64(u1, u3);
    w3 = _mm256_unpackhi_epi64(u1, u3);
}

VRX_AVX2 int32_t distributeAvx2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2,
                                uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                                const AnalogLut &l2) {
    const bool logic = d0 != nullptr && d8 != nullptr;
    int32_t end = groups / 16 * 16;
    if (logic) end = std::min(end, std::max(0, (kAreaLen - lag - 32) / 2) / 16 * 16);
    if (lag < 0) return 0;
    const __m256 g1 = _mm256_set1_ps(l1.gain), g2 = _mm256_set1_ps(l2.gain);
    const __m256i z1 = _mm256_set1_epi32(l1.addAfter), z2 = _mm256_set1_epi32(l2.addAfter);
    int32_t g = 0;
    for (; g < end; g += 16) {
        __m256i w0, w1, w2, w3;
        splitGroups(raw + 8 * g, w0, w1, w2, w3);
        store32(a1 + 2 * g, analogPairs(w0, g1, z1));
        store32(a2 + 2 * g, analogPairs(w1, g2, z2));
        if (logic) {
            store32(d0 + 2 * g + lag, w2);
            store32(d8 + 2 * g + lag, w3);
        }
    }
    return g;
}

// Two 16 x 16 byte transposes at once, one in each half: r[k] holds row k of both.
VRX_AVX2 __attribute__((always_inline)) inline void transposeHalves(__m256i r[16]) {
    __m256i a[16], b[16], c[16];
    #pragma GCC unroll 16
    for (int i = 0; i < 8; ++i) {
        a[2 * i] = _mm256_unpacklo_epi8(r[2 * i], r[2 * i + 1]);
        a[2 * i + 1] = _mm256_unpackhi_epi8(r[2 * i], r[2 * i + 1]);
    }
    #pragma GCC unroll 16
    for (int q = 0; q < 4; ++q) {
        b[4 * q + 0] = _mm256_unpacklo_epi16(a[4 * q + 0], a[4 * q + 2]);
        b[4 * q + 1] = _mm256_unpackhi_epi16(a[4 * q + 0], a[4 * q + 2]);
        b[4 * q + 2] = _mm256_unpacklo_epi16(a[4 * q + 1], a[4 * q + 3]);
        b[4 * q + 3] = _mm256_unpackhi_epi16(a[4 * q + 1], a[4 * q + 3]);
    }
    #pragma GCC unroll 16
    for (int h = 0; h < 2; ++h) {
        #pragma GCC unroll 16
        for (int m = 0; m < 4; ++m) {
            c[8 * h + 2 * m] = _mm256_unpacklo_epi32(b[8 * h + m], b[8 * h + m + 4]);
            c[8 * h + 2 * m + 1] = _mm256_unpackhi_epi32(b[8 * h + m], b[8 * h + m + 4]);
        }
    }
    #pragma GCC unroll 16
    for (int m = 0; m < 8; ++m) {
        r[2 * m] = _mm256_unpacklo_epi64(c[m], c[m + 8]);
        r[2 * m + 1] = _mm256_unpackhi_epi64(c[m], c[m + 8]);
    }
}

VRX_AVX2 void loadBlock(Chain<32> &ch, int32_t b0) {
    const size_t seg = size_t(ch.seg);
    for (int t = 0; t < ch.seg / 16; ++t) {
        // Rows: lane k's 16 samples of this tile in the low half, lane k + 16's in the high.
        const uint8_t *s = ch.a + b0 + t * 16;
        __m256i r[16];
        #pragma GCC unroll 16
        for (int k = 0; k < 16; ++k)
            r[k] = load2(s + seg * size_t(k), s + seg * size_t(k + 16));
        transposeHalves(r);
        #pragma GCC unroll 16
        for (int k = 0; k < 16; ++k)
            store32(ch.orig[t * 16 + k], r[k]);
    }
    for (int j = 0; j < 32; ++j)
        ch.orig[ch.seg][j] = ch.a[b0 + (j + 1) * ch.seg];
}

VRX_AVX2 void storeBlock(Chain<32> &ch, int32_t b0) {
    const size_t seg = size_t(ch.seg);
    for (int t = 0; t < ch.seg / 16; ++t) {
        __m256i r[16];
        #pragma GCC unroll 16
        for (int k = 0; k < 16; ++k)
            r[k] = load32(ch.out[t * 16 + k]);
        transposeHalves(r);
        uint8_t *d = ch.a + b0 + t * 16;
        #pragma GCC unroll 16
        for (int k = 0; k < 16; ++k)
            store2(d + seg * size_t(k), d + seg * size_t(k + 16), r[k]);
    }
}

VRX_AVX2 inline __m256i meanDown(__m256i a, __m256i b) {
    return _mm256_sub_epi8(_mm256_avg_epu8(a, b),
                           _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi8(1)));
}

VRX_AVX2 inline __m256i within(__m256i d, __m256i bias, __m256i span) {
    const __m256i v = _mm256_add_epi8(d, bias);
    return _mm256_cmpeq_epi8(_mm256_min_epu8(v, span), v);
}

VRX_AVX2 int32_t smoothBlocksAvx2(uint8_t *a1, uint8_t *a2, int32_t b0, int32_t last,
                                  int32_t lim) {
    Chain<32> c1, c2;
    c1.a = a1;
    c2.a = a2;
    const __m256i bias = _mm256_set1_epi8(char(lim + 1));
    const __m256i span = _mm256_set1_epi8(char(2 * lim + 1));
    for (int seg; (seg = segmentFor(b0, last, 32)) > 0; b0 += 32 * seg) {
        c1.seg = c2.seg = seg;
        loadBlock(c1, b0);
        loadBlock(c2, b0);
        alignas(32) uint8_t g1[32], g2[32];
        startGuesses(c1, b0, g1);
        startGuesses(c2, b0, g2);
        __m256i p1 = load32(g1), p2 = load32(g2);
        for (int t = 0; t < seg; ++t) {
            const __m256i cA = load32(c1.orig[t]), xA = load32(c1.orig[t + 1]);
            const __m256i cB = load32(c2.orig[t]), xB = load32(c2.orig[t + 1]);
            const __m256i fA = _mm256_and_si256(within(_mm256_sub_epi8(cA, p1), bias, span),
                                                within(_mm256_sub_epi8(cA, xA), bias, span));
            const __m256i fB = _mm256_and_si256(within(_mm256_sub_epi8(cB, p2), bias, span),
                                                within(_mm256_sub_epi8(cB, xB), bias, span));
            const __m256i sA = meanDown(meanDown(p1, xA), cA);
            const __m256i sB = meanDown(meanDown(p2, xB), cB);
            p1 = _mm256_blendv_epi8(cA, sA, fA);
            p2 = _mm256_blendv_epi8(cB, sB, fB);
            store32(c1.out[t], p1);
            store32(c2.out[t], p2);
        }
        fixLanes(c1, lim);
        fixLanes(c2, lim);
        storeBlock(c1, b0);
        storeBlock(c2, b0);
    }
    return b0;
}

#undef VRX_AVX2

bool detectAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace

bool HaveAvx2() {
    static const bool have = detectAvx2();
    return have;
}

void DistributeGroupsSse2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2,
                          uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                          const AnalogLut &l2) {
    groups = std::clamp(groups, 0, kAreaLen / 2);
    const int32_t done = distributeSse2(raw, 0, groups, a1, a2, d0, d8, lag, l1, l2);
    DistributeGroupsScalar(raw, done, groups, a1, a2, d0, d8, lag, l1, l2);
}

void DistributeGroupsAvx2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2,
                          uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                          const AnalogLut &l2) {
    groups = std::clamp(groups, 0, kAreaLen / 2);
    int32_t done = distributeAvx2(raw, groups, a1, a2, d0, d8, lag, l1, l2);
    done = distributeSse2(raw, done, groups, a1, a2, d0, d8, lag, l1, l2);
    DistributeGroupsScalar(raw, done, groups, a1, a2, d0, d8, lag, l1, l2);
}

void DistributeGroups(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                      uint8_t *d8, int lag, const AnalogLut &l1, const AnalogLut &l2) {
    if (HaveAvx2())
        DistributeGroupsAvx2(raw, groups, a1, a2, d0, d8, lag, l1, l2);
    else
        DistributeGroupsSse2(raw, groups, a1, a2, d0, d8, lag, l1, l2);
}

void SmoothPairSse2(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    const int32_t last = std::min(count, kAreaLen - 2);
    const int32_t b0 = smoothBlocksSse2(a1, a2, 1, last, limit);
    SmoothPairScalar(a1, a2, b0, last, limit);
}

void SmoothPairAvx2(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    const int32_t last = std::min(count, kAreaLen - 2);
    int32_t b0 = smoothBlocksAvx2(a1, a2, 1, last, limit);
    b0 = smoothBlocksSse2(a1, a2, b0, last, limit);
    SmoothPairScalar(a1, a2, b0, last, limit);
}

void SmoothPair(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    if (HaveAvx2())
        SmoothPairAvx2(a1, a2, count, limit);
    else
        SmoothPairSse2(a1, a2, count, limit);
}

#else

bool HaveAvx2() {
    return false;
}

void DistributeGroups(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                      uint8_t *d8, int lag, const AnalogLut &l1, const AnalogLut &l2) {
    DistributeGroupsScalar(raw, 0, groups, a1, a2, d0, d8, lag, l1, l2);
}
void DistributeGroupsSse2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2,
                          uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                          const AnalogLut &l2) {
    DistributeGroupsScalar(raw, 0, groups, a1, a2, d0, d8, lag, l1, l2);
}
void DistributeGroupsAvx2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2,
                          uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                          const AnalogLut &l2) {
    DistributeGroupsScalar(raw, 0, groups, a1, a2, d0, d8, lag, l1, l2);
}

void SmoothPair(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    SmoothPairScalar(a1, a2, 1, count, limit);
}
void SmoothPairSse2(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    SmoothPairScalar(a1, a2, 1, count, limit);
}
void SmoothPairAvx2(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit) {
    SmoothPairScalar(a1, a2, 1, count, limit);
}

#endif

} // namespace hwlink
