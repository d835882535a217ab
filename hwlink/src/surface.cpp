// SPDX-License-Identifier: GPL-3.0-or-later
#include "src/surface.h"
#include <algorithm>
#include <cstdlib>

namespace hwlink {

void fillColumn(hw_surface *s, int32_t x, int32_t y0, int32_t y1, uint32_t stored) {
    if (x < 0 || x >= s->width) return;
    if (y0 > y1) std::swap(y0, y1);
    y0 = std::max(y0, 0);
    y1 = std::min(y1, s->height - 1);
    uint32_t *p = s->pixels + static_cast<int64_t>(y0) * s->stride + x;
    for (int32_t y = y0; y <= y1; ++y, p += s->stride)
        *p = stored;
}

namespace {

void fillRow(hw_surface *s, int32_t y, int32_t x0, int32_t x1, uint32_t stored) {
    if (y < 0 || y >= s->height) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, s->width - 1);
    uint32_t *row = s->pixels + static_cast<int64_t>(y) * s->stride;
    for (int32_t x = x0; x <= x1; ++x)
        row[x] = stored;
}

// Steps k of the major axis that land inside [0, size): the coordinate is c0 + dir * k.
void clipSteps(int64_t c0, int dir, int64_t size, int64_t &kFirst, int64_t &kLast) {
    if (dir > 0) {
        kFirst = std::max(kFirst, -c0);
        kLast = std::min(kLast, size - 1 - c0);
    } else {
        kFirst = std::max(kFirst, c0 - (size - 1));
        kLast = std::min(kLast, c0);
    }
}

} // namespace

void lineTo(hw_surface *s, int32_t x, int32_t y) {
    const int64_t x0 = s->x, y0 = s->y;
    s->x = x;
    s->y = y;
    if (!surfaceUsable(s)) return;
    const uint32_t stored = surfaceColor(s->pen);
    const int64_t dx = int64_t(x) - x0, dy = int64_t(y) - y0;
    if (dx == 0 && dy == 0) return;
    // Straight lines are the bulk of a trace display (dot joins, envelopes, logic steps).
    if (dx == 0) {
        const int64_t a = dy > 0 ? y0 : int64_t(y) + 1, b = dy > 0 ? int64_t(y) - 1 : y0;
        fillColumn(s, int32_t(x0), int32_t(std::clamp<int64_t>(a, -1, s->height)),
                   int32_t(std::clamp<int64_t>(b, -1, s->height)), stored);
        return;
    }
    if (dy == 0) {
        const int64_t a = dx > 0 ? x0 : int64_t(x) + 1, b = dx > 0 ? int64_t(x) - 1 : x0;
        fillRow(s, int32_t(y0), int32_t(std::clamp<int64_t>(a, -1, s->width)),
                int32_t(std::clamp<int64_t>(b, -1, s->width)), stored);
        return;
    }
    // General line: step k = 0 .. major - 1 along the longer axis; the shorter axis moves by
    // round(k * minor / major), halves towards the start point.
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const int64_t minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int sMajor = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int sMinor = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const int64_t c0 = xMajor ? x0 : y0, m0 = xMajor ? y0 : x0;
    int64_t kFirst = 0, kLast = major - 1;
    clipSteps(c0, sMajor, xMajor ? s->width : s->height, kFirst, kLast);
    if (kFirst > kLast) return;
    // Offset along the shorter axis as quotient q and remainder r of (2 k minor + major - 1)
    // by 2 major, worked out once at the first visible step and then carried step by step.
    __extension__ typedef __int128 Wide;
    const int64_t den = 2 * major;
    const Wide num = Wide(2) * kFirst * minor + major - 1;
    int64_t q = int64_t(num / den), r = int64_t(num % den);
    for (int64_t k = kFirst; k <= kLast; ++k) {
        const int64_t c = c0 + sMajor * k;
        const int64_t m = m0 + sMinor * q;
        const int64_t px = xMajor ? c : m, py = xMajor ? m : c;
        if (px >= 0 && py >= 0 && px < s->width && py < s->height)
            s->pixels[py * s->stride + px] = stored;
        r += 2 * minor;
        if (r >= den) {
            r -= den;
            ++q;
        }
    }
}

} // namespace hwlink
