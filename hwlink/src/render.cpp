// SPDX-License-Identifier: GPL-3.0-or-later
// The scope display: graticule, analog traces, the overview strip, the function trace, the XY
// figure and the logic lanes, drawn with the pixel and line primitives of surface.h.
//
// Geometry: x is the column from the left; an analog sample is drawn at the row equal to its
// code, so code 0 is the top of the screen, 255 the bottom and 128 the centre. Sample dots take
// the colour argument; joining lines are drawn with the surface's pen, which the caller sets to
// the picture's drawing colour.
//
// Each analog trace leaves its screen copy (one byte per column, the row drawn) in its kind's
// 2400-byte slot of the trace work area; the function trace and the XY figure are computed from
// those copies, not from the record.
#include "hwlink.h"
#include "src/surface.h"
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace hwlink {
namespace {

constexpr int kCopyLen = HW_WORKAREA_LEN / 6; // 2400 bytes of screen copy per trace kind
constexpr int kTraceKinds = 6;
constexpr int kExpandLast = 4; // zoom indexes 0..4 spread one sample over several columns
constexpr int kOneToOne = 5;
constexpr int kDrawzoomLast = 12; // the analog traces are not drawn more compressed than /200

// Samples per column (compressing) or columns per sample (expanding), by zoom index.
constexpr std::array<int, 16> kZoomFactor = {50, 20, 10, 5,   2,   1,   2,    5,
                                             10, 20, 50, 100, 200, 500, 1000, 2000};

uint8_t minOf(const uint8_t *p, int n) {
    uint8_t m = 255;
    int i = 0;
    // Fixed-size blocks keep the reduction in vector registers.
    for (; i + 32 <= n; i += 32)
        for (int k = 0; k < 32; ++k)
            m = std::min(m, p[i + k]);
    for (; i < n; ++i)
        m = std::min(m, p[i]);
    return m;
}

uint8_t maxOf(const uint8_t *p, int n) {
    uint8_t m = 0;
    int i = 0;
    for (; i + 32 <= n; i += 32)
        for (int k = 0; k < 32; ++k)
            m = std::max(m, p[i + k]);
    for (; i < n; ++i)
        m = std::max(m, p[i]);
    return m;
}

// Columns of L samples each that have at least one sample among the `avail` ones.
int64_t columnsInside(int64_t avail, int L) {
    return (avail + L - 1) / L;
}

// The minimum and maximum of each of `columns` columns of L samples from t; the last column
// may have fewer than L of the `avail` samples.
void minMaxColumns(const uint8_t *t, int64_t avail, int L, int columns, uint8_t *lo, uint8_t *hi) {
    for (int c = 0; c < columns; ++c) {
        const int64_t at = int64_t(c) * L;
        const int cnt = int(std::min<int64_t>(L, avail - at));
        lo[c] = minOf(t + at, cnt);
        hi[c] = maxOf(t + at, cnt);
    }
}

// A vertical line with the pen in column x from row a towards row b, b left out.
void penSegment(hw_surface *s, int32_t x, int32_t a, int32_t b) {
    moveTo(s, x, a);
    lineTo(s, x, b);
}

// Columns of (lo, hi) rows drawn as dot bars, each bar extended towards the next column when
// that one lies wholly above or below it, so that the envelope has no gaps. The extension
// covers only the rows between the two bars.
void drawEnvelope(hw_surface *s, int32_t x0, const uint8_t *lo, const uint8_t *hi, int count,
                  int joinable, uint32_t stored, bool joins, bool joinWithPen) {
    for (int i = 0; i < count; ++i) {
        const int32_t x = x0 + i;
        fillColumn(s, x, lo[i], hi[i], stored);
        if (!joins || i + 1 >= joinable) continue;
        int32_t from = 0, to = 0;
        if (hi[i + 1] < lo[i]) { // next column wholly above (smaller rows)
            from = lo[i] - 1;
            to = hi[i + 1];
        } else if (lo[i + 1] > hi[i]) { // wholly below
            from = hi[i] + 1;
            to = lo[i + 1];
        } else {
            continue;
        }
        if (joinWithPen)
            penSegment(s, x, from, to);
        else if (from != to)
            fillColumn(s, x, from, from < to ? to - 1 : to + 1, stored);
    }
}

} // namespace
} // namespace hwlink

using namespace hwlink;

extern "C" {

HWLINK_API void HWLINK_CALL Grid(hw_surface *hdc, uint32_t Color, int32_t Width) {
    if (!surfaceUsable(hdc) || Width <= 0) return;
    Width = std::min(Width, hdc->width); // dots beyond the surface are not drawn anyway
    // Nine dotted rows on the division lines y = 28 .. 228 (25 rows per division).
    for (int32_t y = 28; y <= 228; y += 25)
        for (int32_t x = 10; x <= Width; x += 10)
            setPixel(hdc, x, y, Color);
    // Dotted columns every 50 pixels inside the trace width; the right edge of the width is
    // the picture's border, not a graticule line.
    for (int32_t x = 50; x < Width; x += 50)
        for (int32_t y = 8; y <= 248; y += 5)
            setPixel(hdc, x, y, Color);
}

HWLINK_API void HWLINK_CALL Drawzoom(int32_t Kind, hw_surface *hdc, uint8_t *Src, uint8_t *Work,
                                     uint8_t ZoomIndex, int32_t *ViewStart, int32_t Scroll,
                                     uint32_t Color, int32_t Lines, int32_t Width,
                                     int32_t /*Unused*/) {
    if (Kind < 0 || Kind >= kTraceKinds || ZoomIndex > kDrawzoomLast || Src == nullptr ||
        Work == nullptr || ViewStart == nullptr || !surfaceUsable(hdc) || Width <= 0)
        return;
    // Where each trace kind starts in its samples: the live channels (and the FFT display,
    // kind 5) follow the trigger alignment, the memory channels keep their own start.
    int64_t start = ViewStart[0];
    if (Kind == 2) start = ViewStart[1];
    if (Kind == 3) start = ViewStart[2];
    if (Kind == 4) start = Lines;
    // Nothing lies before the first sample of the record, and nothing is read past the end of
    // its sample area: columns that would need samples beyond it are not drawn.
    const int64_t first = std::max<int64_t>(start + Scroll, 0);
    if (first >= HW_SB_AREA_LEN) return;
    const int64_t avail = HW_SB_AREA_LEN - first; // samples from t on
    const uint8_t *t = Src + first;
    uint8_t *copy = Work + Kind * kCopyLen;
    const bool lines = Lines != 0;
    const int L = kZoomFactor[ZoomIndex];
    const uint32_t dot = surfaceColor(Color);
    int n = Width;

    if (ZoomIndex <= kExpandLast) {
        // Each sample pair is interpolated over L columns; the trigger's sub-sample phase shifts
        // the picture by up to L columns. One byte more than the width feeds the last join.
        n = int(std::min<int64_t>({n, kCopyLen - L - 1, (avail - 2) * L - 1}));
        if (n <= 0) return;
        const int phase = std::clamp<int32_t>(ViewStart[3], 0, L);
        const int fill = L + n + 1;
        for (int m = 0, k = 0; m < fill; ++k) {
            const int p = t[k], c = t[k + 1];
            for (int j = 0; j < L && m < fill; ++j, ++m)
                copy[m] = uint8_t(p + j * (c - p) / L);
        }
        const uint8_t *row = copy + L - phase;
        for (int i = 0; i < n; ++i) {
            fillColumn(hdc, i, row[i], row[i], dot);
            if (lines) penSegment(hdc, i + 1, row[i], row[i + 1]);
        }
        // The copy keeps what each column shows, as at the other zooms, so that the function
        // trace and the XY figure computed from it line up with the trace.
        std::memmove(copy, row, size_t(n) + 1);
        return;
    }

    if (ZoomIndex == kOneToOne) {
        n = int(std::min<int64_t>({n, kCopyLen - 1, avail - 1}));
        if (n <= 0) return;
        std::memcpy(copy, t, size_t(n) + 1);
        for (int i = 0; i < n; ++i)
            fillColumn(hdc, i, copy[i], copy[i], dot);
        if (lines)
            for (int j = 1; j <= n; ++j)
                penSegment(hdc, j, copy[j - 1], copy[j]);
        return;
    }

    // Compressing: L + n columns of L samples each, the minimum into the trace's own copy and
    // the maximum into the next kind's slot. The FFT display (kind 5) has no next slot inside
    // the work area, so its maxima stay in scratch memory.
    n = std::min(n, kCopyLen - L);
    const int columns = int(std::min<int64_t>(L + n, columnsInside(avail, L)));
    n = std::min(n, columns);
    std::array<uint8_t, kCopyLen> scratch;
    uint8_t *maxima = Kind + 1 < kTraceKinds ? copy + kCopyLen : scratch.data();
    minMaxColumns(t, avail, L, columns, copy, maxima);
    drawEnvelope(hdc, 0, copy, maxima, n, columns, dot, lines, true);
}

HWLINK_API void HWLINK_CALL Drawupzoom(hw_surface *hdc, uint8_t *Samples, uint32_t Color,
                                       uint8_t DepthIndex, int32_t *ViewStart) {
    if (!surfaceUsable(hdc) || Samples == nullptr || ViewStart == nullptr || DepthIndex > 2) return;
    // The whole record over 512 pixels from x = 100; the strip is 64 rows, one per 4 codes.
    // Columns 101 .. 607 are drawn.
    constexpr int32_t kFirstColumn = 101, kColumns = 507;
    static constexpr int32_t kRecordLen[3] = {2048, 8192, 131072};
    const int32_t step = kRecordLen[DepthIndex] / 512;
    const int64_t first = std::max<int32_t>(ViewStart[0], 0);
    if (first >= HW_SB_AREA_LEN) return;
    const int64_t avail = HW_SB_AREA_LEN - first;
    const int columns = int(std::min<int64_t>(kColumns, columnsInside(avail, step)));
    std::array<uint8_t, kColumns> lo, hi;
    minMaxColumns(Samples + first, avail, step, columns, lo.data(), hi.data());
    for (int g = 0; g < columns; ++g) {
        lo[g] /= 4;
        hi[g] /= 4;
    }
    // The strip has no line flag and one colour per channel: its joins take that colour too.
    drawEnvelope(hdc, kFirstColumn, lo.data(), hi.data(), columns, columns, surfaceColor(Color),
                 true, false);
}

HWLINK_API void HWLINK_CALL DrawFu(uint8_t *Kinds, int32_t Op, hw_surface *hdc, uint8_t *Work,
                                   int16_t *Pos, double *Scale, uint32_t Color, int32_t Lines,
                                   int32_t Width) {
    if (Kinds == nullptr || Work == nullptr || Pos == nullptr || Scale == nullptr ||
        !surfaceUsable(hdc) || Width <= 0 || Kinds[0] >= kTraceKinds || Kinds[1] >= kTraceKinds)
        return;
    const int k0 = Kinds[0], k1 = Kinds[1];
    const uint8_t *a = Work + k0 * kCopyLen, *b = Work + k1 * kCopyLen;
    const int n = std::min(Width, kCopyLen - 1); // results 0 .. n come from the copies
    // The operands in millivolts, held as 16-bit values: an out-of-range product saturates
    // there instead of wrapping round to the opposite side of the screen.
    auto milli = [](double v) -> int32_t {
        if (std::isnan(v)) return 0;
        return int32_t(std::trunc(std::clamp(v, -32768.0, 32767.0)));
    };
    std::array<int32_t, kCopyLen> row;
    for (int i = 0; i <= n; ++i) {
        const int32_t l = milli((a[i] - Pos[k0]) * Scale[k0]);
        const int32_t h = milli((b[i] - Pos[k1]) * Scale[k1]);
        double r = 0;
        switch (Op) {
        case 0:
            r = (h + l) / Scale[4];
            break;
        case 1:
            r = (l - h) / Scale[4];
            break;
        case 2:
            // Millivolts squared to rows: a division (25 rows) is the function's volts per
            // division times one volt, as its label says ("2VV": 2 V squared a division).
            r = double(h) * l / Scale[4] * -0.001;
            break;
        case 3:
            // A zero divisor pins the quotient to the bottom (positive numerator) or the top.
            r = h != 0 ? double(l) / h / Scale[4] * -1000.0 : (l > 0 ? 255.0 : -255.0);
            break;
        default:
            return;
        }
        r += Pos[4];
        row[i] = std::isnan(r) ? 0 : int32_t(std::trunc(std::clamp(r, 0.0, 255.0)));
    }
    const uint32_t dot = surfaceColor(Color);
    for (int i = 0; i < n; ++i)
        fillColumn(hdc, i, row[i], row[i], dot);
    if (Lines != 0)
        for (int j = 1; j <= n; ++j)
            penSegment(hdc, j, row[j - 1], row[j]);
}

HWLINK_API void HWLINK_CALL DrawXY(hw_surface *hdc, uint8_t *Kinds, uint8_t *Work, int16_t *Pos,
                                   uint32_t Color) {
    if (Kinds == nullptr || Work == nullptr || Pos == nullptr || !surfaceUsable(hdc) ||
        Kinds[0] >= kTraceKinds || Kinds[1] >= kTraceKinds)
        return;
    const uint8_t *cx = Work + Kinds[0] * kCopyLen, *cy = Work + Kinds[1] * kCopyLen;
    // A higher X voltage (a smaller code) moves the point right, a higher Y voltage up.
    for (int i = 0; i < 512; ++i) {
        const int32_t x = Pos[Kinds[0]] - cx[i] + 128, y = cy[i] - Pos[Kinds[1]] + 128;
        setPixel(hdc, x, y, Color);
        if (i == 0) moveTo(hdc, x, y);
        lineTo(hdc, x, y);
    }
}

HWLINK_API void HWLINK_CALL DrawLa(hw_surface *hdc, int32_t Lane, uint8_t *Data, uint8_t *Work,
                                   int32_t First, int32_t Bit, uint8_t ZoomIndex, int32_t Len,
                                   int32_t Height, uint32_t Color, int32_t Width) {
    // The lane height is a byte: rows inside a lane fit the work buffer's bytes.
    if (!surfaceUsable(hdc) || Data == nullptr || Work == nullptr || ZoomIndex > 15 || Bit < 0 ||
        Bit > 7 || Width <= 0 || Height < 0 || Height > 255)
        return;
    // One work byte per column, inside the work area.
    Width = std::min<int32_t>(Width, HW_WORKAREA_LEN);
    const int64_t top = int64_t(Lane) * Height;
    const int32_t q = Height / 4;
    const int32_t highRow = int32_t(top + q), lowRow = int32_t(top + 3 * q);
    const uint8_t mask = uint8_t(1u << Bit);
    const int L = kZoomFactor[ZoomIndex];
    // Samples outside the record (before 0 or at Len and beyond) read as low and are never
    // fetched.
    const int64_t recordEnd = std::clamp<int32_t>(Len, 0, HW_SB_AREA_LEN);

    if (ZoomIndex > kOneToOne) {
        // Each column covers L samples; it shows a transition when the bit changes anywhere in
        // them or at the first sample of the next column.
        for (int32_t c = 0; c < Width; ++c) {
            const int64_t a = int64_t(First) + int64_t(c) * L, b = a + L + 1; // [a, b)
            const int64_t ra = std::clamp<int64_t>(a, 0, recordEnd);
            const int64_t rb = std::clamp<int64_t>(b, 0, recordEnd);
            uint8_t any = 0, all = 0xFF;
            if (ra != a || rb != b) all = 0; // part of the window is outside: a low sample
            const uint8_t *p = Data + ra;
            const int64_t cnt = rb - ra;
            int64_t i = 0;
            for (; i + 32 <= cnt; i += 32)
                for (int k = 0; k < 32; ++k) {
                    any |= p[i + k];
                    all &= p[i + k];
                }
            for (; i < cnt; ++i) {
                any |= p[i];
                all &= p[i];
            }
            if ((any ^ all) & mask)
                penSegment(hdc, c, highRow, lowRow + 1);
            else
                setPixel(hdc, c, (all & mask) ? highRow : lowRow, Color);
        }
        return;
    }

    // Expanding or one-to-one: L columns per sample. The work buffer receives each column's
    // level as its row inside the lane (q high, 3q low), then the lane is one stepped line.
    for (int32_t c = 0; c < Width; ++c) {
        const int64_t idx = int64_t(First) + c / L;
        const bool high = idx >= 0 && idx < recordEnd && (Data[idx] & mask);
        Work[c] = uint8_t(high ? q : 3 * q);
    }
    moveTo(hdc, 0, int32_t(top + Work[0]));
    for (int32_t c = 1; c < Width; ++c) {
        if (Work[c] == Work[c - 1]) continue;
        lineTo(hdc, c, int32_t(top + Work[c - 1]));
        lineTo(hdc, c, int32_t(top + Work[c]));
    }
    lineTo(hdc, Width, int32_t(top + Work[Width - 1]));
}

} // extern "C"
