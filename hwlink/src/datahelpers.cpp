// SPDX-License-Identifier: GPL-3.0-or-later
// Data helpers for the windows: the logic word under a bar, the logic word search that moves a
// bar, and the crossing counter behind the frequency display. None of them touches the
// instrument; they read the sample areas the program hands over.
#include "hwlink.h"
#include <algorithm>

extern "C" {

HWLINK_API void HWLINK_CALL GetVbarData(uint8_t *Lo, uint8_t *Hi, int32_t Index, uint8_t *Bits,
                                        uint8_t *Pair) {
    if (Lo == nullptr || Hi == nullptr || Bits == nullptr || Pair == nullptr) return;
    // An index outside the logic areas has no sample: all sixteen lines read low.
    const bool inside = Index >= 0 && Index < HW_SB_AREA_LEN;
    const uint8_t lo = inside ? Lo[Index] : 0, hi = inside ? Hi[Index] : 0;
    Pair[0] = lo;
    Pair[1] = hi;
    for (int k = 0; k < 8; ++k) {
        Bits[k] = (lo >> k) & 1u;
        Bits[k + 8] = (hi >> k) & 1u;
    }
}

// Positions run over the record 0 .. Count (the program passes its last sample index) and wrap
// at both ends. The bar first leaves the run of matching samples it stands on, then goes on to
// the next match; the whole search is one pass of Count steps, which visits every other
// position once, the one just behind the bar last.
HWLINK_API void HWLINK_CALL SearchVdata(uint8_t *Lo, uint8_t *Hi, int32_t *Word, uint8_t Bar,
                                        uint8_t Dir, int32_t *ViewStart, int32_t *BarPos,
                                        int32_t Count) {
    if (Lo == nullptr || Hi == nullptr || Word == nullptr || ViewStart == nullptr ||
        BarPos == nullptr || Bar > 3)
        return;
    const int32_t from = BarPos[Bar];
    BarPos[3] = from; // not found unless a match turns up below
    // The record lies inside the logic areas: it starts inside them and ends at their end at
    // the latest.
    const int32_t view = ViewStart[0];
    if (view < 0 || view >= HW_SB_AREA_LEN) return;
    Count = std::min(Count, HW_SB_AREA_LEN - 1 - view);
    if (Count < 1 || from < 0 || from > Count) return;
    const uint32_t mask = uint32_t(Word[1]);
    const uint32_t target = uint32_t(Word[0]) | mask;
    const uint8_t *lo = Lo + view, *hi = Hi + view;
    auto matches = [&](int32_t x) { return (uint32_t(hi[x] << 8 | lo[x]) | mask) == target; };
    const int32_t step = Dir == 0 ? 1 : -1;
    int32_t x = from, budget = Count;
    auto advance = [&] {
        x += step;
        if (x > Count) x = 0;
        if (x < 0) x = Count;
        --budget;
    };
    while (budget > 0 && matches(x))
        advance();
    if (matches(x)) return; // never left the run: nothing else matches
    while (budget > 0 && !matches(x))
        advance();
    if (matches(x)) BarPos[3] = x;
}

// Counts level crossings of one direction with a hysteresis of 2 codes either side, so that
// noise riding on a slow edge is not counted twice. Which direction counts is set by the side
// the first sample lies on. Result[13] gets the full periods (crossings - 1), Result[14] the
// samples from the first to the last counted crossing, less one.
//
// With no crossing or a single one there is no span: Result[13] is -1 or 0, Result[14] is 0
// and the return value is -1, the same as the span formula gives with both crossings at 0.
HWLINK_API int32_t HWLINK_CALL TestFreq(uint8_t *Samples, int32_t Start, int32_t Level,
                                        int32_t *Result, int32_t End) {
    if (Samples == nullptr || Result == nullptr) return -1;
    // The stretch lies inside the channel's area; outside it there is nothing to count.
    if (Start < 0 || Start >= HW_SB_AREA_LEN) End = 0;
    End = std::min(End, HW_SB_AREA_LEN - std::max(Start, 0));
    const uint8_t *s = Samples + std::max(Start, 0);
    const int64_t down = int64_t(Level) - 2, up = int64_t(Level) + 2;
    int32_t crossings = 0, first = 0, last = 0;
    if (End > 0) {
        const bool startsAbove = s[0] > Level; // a larger code is a lower voltage
        bool armed = true;
        for (int32_t i = 0; i + 1 < End; ++i) {
            const int32_t v = s[i];
            const bool cross = startsAbove ? v <= down : v >= up;
            const bool rearm = startsAbove ? v >= up : v <= down;
            if (armed && cross) {
                armed = false;
                if (crossings++ == 0) first = i + 1;
                last = i + 1;
            } else if (!armed && rearm) {
                armed = true;
            }
        }
    }
    const int32_t span = last - first - 1;
    Result[HW_MEAS_PERIODS] = crossings - 1;
    Result[HW_MEAS_SPAN] = span < 0 ? 0 : span;
    return span;
}

} // extern "C"
