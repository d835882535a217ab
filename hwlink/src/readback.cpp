// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger status and read-back of one record into SampleBuf.
#include "src/readback.h"
#include "hwlink.h"
#include "src/acquisition.h"
#include "src/bus.h"
#include "src/libstate.h"
#include "src/registers.h"
#include <algorithm>

namespace hwlink {

namespace {
uint8_t clampByte(int32_t v, int32_t lo, int32_t hi) {
    return uint8_t(std::clamp(v, lo, hi));
}

// Analog samples are kept off the two outermost codes at each end, where the converters
// saturate.
constexpr int32_t kAnalogMin = 3;
constexpr int32_t kAnalogMax = 252;

} // namespace

uint8_t MapStatus(uint8_t status) {
    switch (status & reg::kAcqStatusBits) {
    case reg::kAcqWaiting:
        return HW_STAT_WAIT_TRIGGER;
    case reg::kAcqFilling:
        return HW_STAT_FILLING;
    case reg::kAcqComplete:
        return HW_STAT_COMPLETE;
    default:
        return HW_STAT_IDLE;
    }
}

int LogicLag(uint8_t rateIndex) {
    return rateIndex <= 8 ? 10 : 9;
}

void BuildAnalogLut(AnalogLut &lut, float f, int32_t zero) {
    const bool zeroOnly = f >= 0.99 && f <= 1.01;
    const int32_t gainOffset = int32_t(f * 128.0f - 128.0f);
    lut.gain = zeroOnly ? 1.0f : f;
    lut.addAfter = zeroOnly ? zero : zero - gainOffset;
    for (int32_t s = 0; s < 256; ++s) {
        int32_t v = zeroOnly ? s + zero : int32_t(float(s) * f) + zero - gainOffset;
        v = std::clamp(v, 0, 255);
        lut.even[s] = clampByte(v, kAnalogMin, kAnalogMax);
        lut.odd[s] = clampByte(s, kAnalogMin, kAnalogMax);
    }
}

void DistributeGroupsScalar(const uint8_t *raw, int32_t firstGroup, int32_t groups, uint8_t *a1,
                            uint8_t *a2, uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &l1,
                            const AnalogLut &l2) {
    groups = std::clamp(groups, 0, kAreaLen / 2);
    for (int32_t g = std::max(firstGroup, 0); g < groups; ++g) {
        const uint8_t *r = raw + 8 * g;
        a1[2 * g + 1] = l1.odd[r[0]];
        a1[2 * g] = l1.even[r[1]];
        a2[2 * g + 1] = l2.odd[r[2]];
        a2[2 * g] = l2.even[r[3]];
    }
    if (d0 == nullptr || d8 == nullptr) return;
    // The logic bytes of group g belong to instants 2g + lag and 2g + 1 + lag; those past the
    // end of the area (last groups of a 128K record) have nowhere to go.
    for (int32_t g = std::max(firstGroup, 0); g < groups; ++g) {
        const uint8_t *r = raw + 8 * g;
        for (int j = 0; j < 2; ++j) {
            const int32_t at = 2 * g + j + lag;
            if (at < 0 || at >= kAreaLen) continue;
            d0[at] = r[4 + j];
            d8[at] = r[6 + j];
        }
    }
}

void ApplyAnalogLut(uint8_t *area, int32_t n, const AnalogLut &lut) {
    n = std::clamp(n, 0, kAreaLen);
    for (int32_t i = 0; i + 1 < n; i += 2) {
        area[i] = lut.even[area[i]];
        area[i + 1] = lut.odd[area[i + 1]];
    }
    if (n % 2) area[n - 1] = lut.even[area[n - 1]];
}

namespace {
// One smoothing step: the previous sample p is already smoothed. Small steps (within the
// limit, as signed 8-bit differences) are noise and are flattened; larger ones are edges.
inline uint8_t smoothStep(uint8_t p, uint8_t c, uint8_t x, int32_t lim) {
    const int32_t dp = int8_t(uint8_t(c - p));
    const int32_t dx = int8_t(uint8_t(c - x));
    const bool flat = dp >= -lim - 1 && dp <= lim && dx >= -lim - 1 && dx <= lim;
    const uint8_t sm = uint8_t((((p + x) >> 1) + c) >> 1);
    return flat ? sm : c;
}
} // namespace

void SmoothPairScalar(uint8_t *a1, uint8_t *a2, int32_t first, int32_t last, uint8_t limit) {
    last = std::min(last, kAreaLen - 2); // sample i reads sample i + 1
    first = std::max(first, 1);
    if (last < first) return;
    const int32_t lim = limit;
    uint8_t p1 = a1[first - 1], p2 = a2[first - 1];
    for (int32_t i = first; i <= last; ++i) {
        p1 = a1[i] = smoothStep(p1, a1[i], a1[i + 1], lim);
        p2 = a2[i] = smoothStep(p2, a2[i], a2[i + 1], lim);
    }
}

void Smooth(uint8_t *sb, int32_t count, const int32_t *ps, const uint8_t *dc) {
    if (ps[HW_PS_EtsPasses] > 0) return;
    SmoothPair(sb + kAreaA1, sb + kAreaA2, count, dc[HW_DC_SmoothLimit]);
}

namespace {

// The raw groups of a record over a parallel port, as they come.
void ReadParallel(int32_t *ps, uint8_t *dc, uint8_t *raw, int32_t len) {
    if (dc[HW_DC_Link] == HW_LINK_EPP) {
        for (int32_t i = 0; i + 4 <= len; i += 4) {
            const uint32_t w = PortIn32(ps[HW_PS_DataSel]);
            for (int b = 0; b < 4; ++b)
                raw[i + b] = uint8_t(w >> (8 * b));
        }
    } else {
        for (int32_t i = 0; i < len; ++i)
            raw[i] = ReadData(ps, dc);
    }
}

} // namespace

bool ReadRecord(uint8_t *sb, uint8_t depthIndex, uint8_t rateIndex, const uint8_t *vdivIndex,
                int32_t *ps, uint8_t *dc) {
    const int32_t n = RecordLength(depthIndex);
    const uint8_t link = dc[HW_DC_Link];
    const auto pairs = RecordReadPairs(dc[HW_DC_DepthCode], dc[HW_DC_TrigCtl]);
    uint64_t failures = PortFailures();
    if (!WritePairs(ps, dc, pairs.data(), int32_t(pairs.size())) && link != HW_LINK_NONE)
        return false;
    // A lost write of the read-out set-up may have reached another register (after a lost
    // address write the next byte goes to the register selected before, the mode register
    // among them): what the memory holds can no longer be trusted, so the record is lost
    // rather than read.
    if (PortFailures() != failures) return false;

    // Equivalent time collects the analog samples in the logic areas as scratch.
    const bool ets = dc[HW_DC_EtsFactor] != 0;
    uint8_t *a1 = sb + (ets ? kAreaD0 : kAreaA1);
    uint8_t *a2 = sb + (ets ? kAreaD8 : kAreaA2);
    uint8_t *d0 = ets ? nullptr : sb + kAreaD0;
    uint8_t *d8 = ets ? nullptr : sb + kAreaD8;
    const int lag = LogicLag(rateIndex);

    AnalogLut lut1, lut2;
    BuildAnalogLut(lut1, lib().gainFactor[0], ps[HW_PS_ZeroA1]);
    BuildAnalogLut(lut2, lib().gainFactor[1], ps[HW_PS_ZeroA2]);

    // Every link lands the raw groups in the raw area first; only a complete read from a live
    // instrument goes on to the channel areas.
    uint8_t *raw = sb + kAreaRaw;
    const int32_t groups = n / 2;
    bool read = true;
    switch (link) {
    case HW_LINK_USB:
        read = BulkRead(raw, 4 * n);
        break;
    case HW_LINK_EPP:
    case HW_LINK_BPP:
        // A port access that failed (the read-out set-up or any byte) reads 0xFF, which the
        // record may hold too: the port's count of failures tells. The read-out starts over
        // once; a second failure loses the record rather than show bytes the instrument did
        // not send.
        for (int attempt = 0;; ++attempt) {
            ReadParallel(ps, dc, raw, 8 * groups);
            if (PortFailures() == failures) break;
            if (attempt > 0) return false;
            failures = PortFailures();
            if (!WritePairs(ps, dc, pairs.data(), int32_t(pairs.size()))) return false;
        }
        read = ParallelBusAlive(ps, dc, raw, 8 * groups, false);
        break;
    case HW_LINK_NONE: {
        const uint8_t step = dc[HW_DC_DemoStep];
        DemoSynth(a1, a2, d0, d8,
                  {n, ps[HW_PS_DacPosA1], ps[HW_PS_DacPosA2], DemoDivisor(vdivIndex[0]),
                   DemoDivisor(vdivIndex[1]), step, lag});
        ApplyAnalogLut(a1, n, lut1);
        ApplyAnalogLut(a2, n, lut2);
        Smooth(sb, n, ps, dc);
        return true;
    }
    default:
        return false;
    }
    if (!read) return false;
    DistributeGroups(raw, groups, a1, a2, d0, d8, lag, lut1, lut2);
    Smooth(sb, n, ps, dc);
    return true;
}

void AlignTrigger(const uint8_t *sb, int16_t trigChannel, const uint8_t *trigSlope,
                  const uint8_t *trigLevel, int32_t trigPos, uint8_t zoomIndex, int32_t *viewStart,
                  const int32_t *ps) {
    if (trigPos < 0) {
        viewStart[0] = 20;
        return;
    }
    static constexpr int32_t kZoom[5] = {50, 20, 10, 5, 2};
    const int32_t a = zoomIndex < 5 ? kZoom[zoomIndex] : 0;
    viewStart[3] = 0;

    // The hardware stops somewhere past the true crossing; find it in a 40-sample window.
    constexpr int32_t kWindow = 40;
    const int64_t start = int64_t(trigPos) + 12;
    int32_t count = 0;
    auto inside = [&](int32_t c) { return start + c < kAreaLen; };
    if (trigChannel == 0 || trigChannel == 1) {
        const uint8_t *x = sb + (trigChannel == 0 ? kAreaA1 : kAreaA2);
        auto at = [&](int32_t c) { return int32_t(x[start + c]); };
        const int32_t level = trigLevel[trigChannel];
        const bool slope = trigSlope[trigChannel] != 0;
        // Slope 0 is a rising voltage, i.e. falling codes (code 0 is the top of the screen).
        auto beyond = [&](int32_t c) { return slope ? at(c) > level : at(c) <= level; };
        while (count < kWindow && inside(count) && beyond(count))
            ++count;
        while (count < kWindow && inside(count) && !beyond(count))
            ++count;
        if (a != 0 && inside(count)) {
            const int32_t e = at(count), b = at(count - 1);
            const int32_t step = b - e;
            int32_t f = a * e + step;
            int32_t i = 0;
            while (i < a && (slope ? f > level * a : f <= level * a)) {
                f += step;
                ++i;
            }
            viewStart[3] = i;
        }
    } else if (trigChannel == 2) {
        const uint8_t *lo = sb + kAreaD0;
        const uint8_t *hi = sb + kAreaD8;
        const int32_t mask = ps[HW_PS_LogicMask], match = ps[HW_PS_LogicMatch];
        auto matches = [&](int32_t c) {
            return ((hi[start + c] << 8 | lo[start + c]) | mask) == match;
        };
        const bool slope = trigSlope[2] != 0;
        while (count < kWindow && inside(count) && matches(count) != slope)
            ++count;
        while (count < kWindow && inside(count) && matches(count) == slope)
            ++count;
    }
    viewStart[0] = count < kWindow ? count + 11 : 11;
}

} // namespace hwlink

using namespace hwlink;

extern "C" HWLINK_API uint8_t HWLINK_CALL GetTrigStat(uint8_t *SampleBuf, int32_t LastSample,
                                                      uint8_t DepthIndex, uint8_t *VdivIndex,
                                                      int32_t *PortState, uint8_t *DevConfig,
                                                      uint8_t RateIndex, int16_t TrigChannel,
                                                      uint8_t *TrigSlope, uint8_t *TrigLevel,
                                                      int32_t TrigPos, uint8_t ZoomIndex,
                                                      int32_t *ViewStart) {
    if (!SampleBuf || !VdivIndex || !PortState || !DevConfig || !TrigSlope || !TrigLevel ||
        !ViewStart)
        return HW_STAT_LINK_LOST;
    int32_t *ps = PortState;
    uint8_t *dc = DevConfig;
    if (dc[HW_DC_Link] != HW_LINK_NONE) {
        // A failed USB request must not be taken for data: the bridge answers 0xFF, whose low
        // bits would read as "record complete". Nor must floating parallel lines.
        uint8_t status = 0;
        // A lost address write on a parallel port would read another register as the status:
        // the address is written once more (selecting a register has no other effect).
        uint64_t failures = PortFailures();
        bool selected = WriteStrobe(ps, dc, ps[HW_PS_AddrSel], reg::kStatus);
        if (selected && PortFailures() != failures) {
            failures = PortFailures();
            selected = WriteStrobe(ps, dc, ps[HW_PS_AddrSel], reg::kStatus) &&
                       PortFailures() == failures;
        }
        if (!selected || !ReadStatusChecked(ps, dc, &status)) return HW_STAT_LINK_LOST;
        const uint8_t result = MapStatus(status);
        if (result != HW_STAT_COMPLETE) return result;
    }
    if (!ReadRecord(SampleBuf, DepthIndex, RateIndex, VdivIndex, ps, dc)) return HW_STAT_LINK_LOST;
    const int32_t c = dc[HW_DC_EtsFactor];
    if (c == 0) {
        AlignTrigger(SampleBuf, TrigChannel, TrigSlope, TrigLevel, TrigPos, ZoomIndex, ViewStart,
                     ps);
        return HW_STAT_COMPLETE;
    }
    if (dc[HW_DC_EtsOn] != 1) return HW_STAT_COMPLETE;
    EtsMerge(SampleBuf, ps, dc, TrigChannel, TrigSlope, TrigLevel, TrigPos, LastSample);
    if (ps[HW_PS_EtsPasses] > 0) {
        const bool armed = Arm(ps, dc, DepthIndex, TrigChannel, RateIndex, TrigPos);
        ps[HW_PS_EtsPos] = TrigPos / c + c;
        return armed ? HW_STAT_FILLING : HW_STAT_LINK_LOST;
    }
    ViewStart[0] = c;
    EtsFill(SampleBuf, dc, TrigPos, LastSample);
    Smooth(SampleBuf, LastSample, ps, dc);
    Smooth(SampleBuf, LastSample, ps, dc);
    return HW_STAT_COMPLETE;
}
