// SPDX-License-Identifier: GPL-3.0-or-later
// Equivalent-time sampling: every real-time record of a repetitive signal is sampled at a
// random phase of the 250 MSa/s clock. Each trigger crossing in the record tells that phase to
// 1/c of a sample (c = EtsFactor); the record is then woven into the slots of that phase of a
// record c times finer.
#include "hwlink.h"
#include "src/readback.h"
#include <algorithm>

namespace hwlink {

namespace {
uint8_t &slotSeen(uint8_t *dc, int32_t slot) {
    return dc[HW_DC_EtsSlotSeen + slot];
}

// Positive remainder, so a slot stays inside 0..c-1 whatever the sign of the position.
int32_t floorMod(int32_t a, int32_t c) {
    return ((a % c) + c) % c;
}

bool inArea(int64_t i) {
    return i >= 0 && i < kAreaLen;
}
int64_t clampToArea(int64_t i) {
    return std::clamp<int64_t>(i, 0, kAreaLen - 1);
}
} // namespace

void EtsMerge(uint8_t *sb, int32_t *ps, uint8_t *dc, int16_t trigChannel, const uint8_t *trigSlope,
              const uint8_t *trigLevel, int32_t trigPos, int32_t lastSample) {
    const int32_t c = dc[HW_DC_EtsFactor];
    if (c == 0) return;
    if (trigChannel != 0 && trigChannel != 1) {
        // No analog copy of a logic source: the record cannot be placed, but it still counts
        // as a pass so that the series ends.
        if (ps[HW_PS_EtsPasses] > 0) --ps[HW_PS_EtsPasses];
        return;
    }
    const int32_t slots = std::min<int32_t>(c, HW_DC_EtsSlots);
    const int64_t P = trigPos;
    const int64_t N = std::clamp(lastSample, 0, kAreaLen - 1);
    const int64_t D = std::min<int64_t>(N - (N - P) / c - c, kAreaLen);
    const uint8_t *scratch1 = sb + kAreaD0; // A1 of this pass
    const uint8_t *scratch2 = sb + kAreaD8; // A2 of this pass
    const uint8_t *src = trigChannel == 0 ? scratch1 : scratch2;
    uint8_t *a1 = sb + kAreaA1;
    uint8_t *a2 = sb + kAreaA2;
    const int32_t level = trigLevel[trigChannel];
    const bool slope = trigSlope[trigChannel] != 0;

    int32_t &pos = ps[HW_PS_EtsPos];
    if (pos < 0) pos = 0;
    while (pos < D && ps[HW_PS_EtsPasses] > 0) {
        // Next crossing: slope 0 (rising voltage) goes from codes at or above the level to
        // codes below it, slope 1 the other way.
        auto before = [&](uint8_t v) { return slope ? v >= level : v < level; };
        while (pos < D && before(src[pos++])) {
        }
        while (pos < D && !before(src[pos++])) {
        }
        if (pos < D && pos >= 2) {
            // Interpolate the crossing between the last two samples in steps of 1/c.
            const int32_t e = src[pos - 1], b = src[pos - 2];
            int32_t t = c * e;
            int32_t k = 0;
            while (k < c && (slope ? level * c < t : level * c >= t)) {
                t += b - e;
                ++k;
            }
            const int32_t slot = k - 1;
            if (slot >= 0 && slot < slots) {
                // The first fill of a slot in a series replaces what an earlier record left
                // there; later fills average out the noise.
                const bool first = slotSeen(dc, slot) == 0;
                if (slotSeen(dc, slot) < 255) ++slotSeen(dc, slot);
                const int64_t dst0 = slot + floorMod(trigPos, c);
                const int64_t src0 = int64_t(pos) - P / c - 2;
                for (int64_t i = 0; i <= N / c + 1; ++i) {
                    const int64_t d = dst0 + i * c, s = src0 + i;
                    if (!inArea(d) || !inArea(s)) continue;
                    a1[d] = first ? scratch1[s] : uint8_t((scratch1[s] + a1[d]) / 2);
                    a2[d] = first ? scratch2[s] : uint8_t((scratch2[s] + a2[d]) / 2);
                }
            }
        }
        --ps[HW_PS_EtsPasses];
    }
}

void EtsFill(uint8_t *sb, const uint8_t *dc, int32_t trigPos, int32_t lastSample) {
    const int32_t c = dc[HW_DC_EtsFactor];
    if (c < 5) return;
    const int32_t slots = std::min<int32_t>(c, HW_DC_EtsSlots);
    const int64_t N = std::clamp(lastSample, 0, kAreaLen - 1);
    uint8_t *a1 = sb + kAreaA1;
    uint8_t *a2 = sb + kAreaA2;
    auto mean = [](const uint8_t *a, int64_t l, int64_t r) {
        return uint8_t((a[clampToArea(l)] + a[clampToArea(r)]) / 2);
    };
    for (int32_t i = 0; i < slots; ++i) {
        if (dc[HW_DC_EtsSlotSeen + i] != 0) continue;
        // The slot after the last one is slot 0 of the next sample.
        const int32_t w = dc[HW_DC_EtsSlotSeen + (i + 1) % slots] != 0 ? 1 : 2;
        for (int64_t j = 0; j <= N / c; ++j) {
            const int64_t x = i + floorMod(trigPos, c) + j * c;
            if (!inArea(x)) continue;
            a1[x] = mean(a1, x - w, x + w);
            a2[x] = mean(a2, x - w, x + w);
        }
    }
}

} // namespace hwlink
