// SPDX-License-Identifier: GPL-3.0-or-later
// Trigger status and sample read-back: the steps of GetTrigStat, the equivalent-time merge and
// the demo synthesis. Every step works in place on SampleBuf and never leaves a channel area
// (131072 bytes), whatever the record length, trigger position or record end it is given.
#pragma once
#include "hwlink.h"
#include <cstdint>

namespace hwlink {

// The areas of SampleBuf, as the public header lays them out.
constexpr int32_t kAreaLen = HW_SB_AREA_LEN;
constexpr int32_t kAreaA1 = HW_SB_A1;
constexpr int32_t kAreaA2 = HW_SB_A2;
constexpr int32_t kAreaD0 = HW_SB_D0_D7;
constexpr int32_t kAreaD8 = HW_SB_D8_D15;
constexpr int32_t kAreaRaw = HW_SB_RAW;

// Status register 61 (low three bits) as GetTrigStat reports it: 3 waiting, 8 filling,
// 6 complete, 2 otherwise.
uint8_t MapStatus(uint8_t status);

// Logic samples arrive this many places ahead of the analog samples of the same group.
int LogicLag(uint8_t rateIndex);

// Per-channel table of the read-back correction: even samples get the converter zero and gain
// correction, every sample is clamped to 3..252.
struct AnalogLut {
    uint8_t even[256];
    uint8_t odd[256];
    float gain;       // the even-sample correction in closed form, for the vector path:
    int32_t addAfter; // even = clamp(trunc(s * gain) + addAfter, 3, 252)
};
void BuildAnalogLut(AnalogLut &lut, float gainFactor, int32_t zero);

// Splits raw 8-byte groups into the channel areas, applying the analog tables. The logic
// areas may be null (equivalent time stores no logic); logic samples beyond the area are
// dropped.
void DistributeGroups(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                      uint8_t *d8, int lag, const AnalogLut &lutA1, const AnalogLut &lutA2);
// The same, one group at a time (reference for the vector path, and its tails).
void DistributeGroupsScalar(const uint8_t *raw, int32_t firstGroup, int32_t groups, uint8_t *a1,
                            uint8_t *a2, uint8_t *d0, uint8_t *d8, int lag, const AnalogLut &lutA1,
                            const AnalogLut &lutA2);
void ApplyAnalogLut(uint8_t *area, int32_t n, const AnalogLut &lut);

// Noise smoothing of both channels over samples 1..count (limited to the areas).
void SmoothPair(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit);

// DistributeGroups and SmoothPair take the widest vector path the processor runs (checked once);
// each path on its own, for comparing them with the references. The AVX2 ones only where
// HaveAvx2() says so.
bool HaveAvx2();
void DistributeGroupsSse2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                          uint8_t *d8, int lag, const AnalogLut &lutA1, const AnalogLut &lutA2);
void DistributeGroupsAvx2(const uint8_t *raw, int32_t groups, uint8_t *a1, uint8_t *a2, uint8_t *d0,
                          uint8_t *d8, int lag, const AnalogLut &lutA1, const AnalogLut &lutA2);
void SmoothPairSse2(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit);
void SmoothPairAvx2(uint8_t *a1, uint8_t *a2, int32_t count, uint8_t limit);
// The same over samples first..last, one sample at a time (reference and tails).
void SmoothPairScalar(uint8_t *a1, uint8_t *a2, int32_t first, int32_t last, uint8_t limit);

// Demo synthesis of one record (square on A1, triangle on A2, counter on the logic inputs
// `lag` places on). Logic areas may be null.
struct DemoParams {
    int32_t n;
    int32_t dacPosA1, dacPosA2;
    int32_t divA1, divA2;
    int32_t step;
    int lag;
};
void DemoSynth(uint8_t *a1, uint8_t *a2, uint8_t *d0, uint8_t *d8, const DemoParams &p);
int32_t DemoDivisor(uint8_t vdivIndex);

// Steps of GetTrigStat (sb = SampleBuf, ps = PortState, dc = DevConfig).
// ReadRecord is false when the link was lost on the way (a failed request or transfer, or
// floating parallel lines): the channel areas are then left as they were; only the raw area
// may hold part of what was read.
bool ReadRecord(uint8_t *sb, uint8_t depthIndex, uint8_t rateIndex, const uint8_t *vdivIndex,
                int32_t *ps, uint8_t *dc);
void Smooth(uint8_t *sb, int32_t count, const int32_t *ps, const uint8_t *dc);
void AlignTrigger(const uint8_t *sb, int16_t trigChannel, const uint8_t *trigSlope,
                  const uint8_t *trigLevel, int32_t trigPos, uint8_t zoomIndex, int32_t *viewStart,
                  const int32_t *ps);
void EtsMerge(uint8_t *sb, int32_t *ps, uint8_t *dc, int16_t trigChannel, const uint8_t *trigSlope,
              const uint8_t *trigLevel, int32_t trigPos, int32_t lastSample);
void EtsFill(uint8_t *sb, const uint8_t *dc, int32_t trigPos, int32_t lastSample);

} // namespace hwlink
