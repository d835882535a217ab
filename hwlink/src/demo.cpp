// SPDX-License-Identifier: GPL-3.0-or-later
// Demo mode (no instrument): a square wave on A1, a triangle on A2 and a counter on the logic
// inputs, scaled by each channel's range so that the volts/div controls visibly act on them.
#include "src/readback.h"
#include <algorithm>

namespace hwlink {

int32_t DemoDivisor(uint8_t vdivIndex) {
    static constexpr int32_t kDiv[9] = {1, 2, 4, 10, 20, 40, 1, 2, 4};
    return vdivIndex < 9 ? kDiv[vdivIndex] : 1;
}

void DemoSynth(uint8_t *a1, uint8_t *a2, uint8_t *d0, uint8_t *d8, const DemoParams &p) {
    const int32_t n = std::clamp(p.n, 0, kAreaLen);
    // A zero step would stop the triangle and divide by zero below: one step is the slowest
    // rate the table has.
    const int32_t q = p.step > 0 ? p.step : 1;
    const int32_t d1 = p.divA1 > 0 ? p.divA1 : 1;
    const int32_t d2 = p.divA2 > 0 ? p.divA2 : 1;
    const int32_t hold = 40 / q + 1; // samples per counter value
    // The triangle level e stays within 8 - q .. 247 + q: its A2 values come from a table, and
    // the square's two A1 values are fixed, so the loop does no division.
    constexpr int32_t kLo = -64, kHi = 320;
    uint8_t a2Of[kHi - kLo];
    for (int32_t e = kLo; e < kHi; ++e)
        a2Of[e - kLo] =
            uint8_t(std::clamp(e != 128 ? p.dacPosA2 + (e - 128) / d2 : p.dacPosA2, 0, 255));
    const uint8_t a1Low = uint8_t(std::clamp(p.dacPosA1 + (8 - 128) / d1, 0, 255));
    const uint8_t a1High = uint8_t(std::clamp(p.dacPosA1 + (248 - 128) / d1, 0, 255));
    int32_t e = 128, f = 8;
    for (int32_t i = 0; i < n; ++i) {
        a1[i] = f == 248 ? a1High : a1Low;
        a2[i] = a2Of[std::clamp(e, kLo, kHi - 1) - kLo];
        if (e > 247) f = 8;
        if (e <= 8) {
            e += q;
            f = 248;
        } else if (f == 248) {
            e += q;
        } else {
            e -= q;
        }
    }
    if (d0 == nullptr || d8 == nullptr) return;
    // The counter lands `lag` places on, as read-back stores logic samples; the last ones
    // would fall past the end of a 128K area and are left out.
    const int32_t end = std::min(n, kAreaLen - p.lag);
    uint8_t v = 0;
    int32_t left = hold;
    for (int32_t i = 0; i < end; ++i) {
        d0[i + p.lag] = v;
        d8[i + p.lag] = v;
        if (--left == 0) {
            ++v;
            left = hold;
        }
    }
}

} // namespace hwlink
