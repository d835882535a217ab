// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition set-up and arming (Capture and the direct register operations).
#include "src/acquisition.h"
#include "hwlink.h"
#include "src/bus.h"
#include "src/libstate.h"
#include "src/registers.h"
#include <algorithm>
#include <cstdlib>

namespace hwlink {

const RateEntry kRateTable[kRateCount] = {
    {0, 80, 16, 20}, {0, 40, 14, 20}, {0, 20, 12, 20}, {0, 8, 10, 20}, {0, 4, 9, 20},
    {0, 2, 8, 20},   {0, 0, 7, 20},   {1, 0, 6, 1},    {1, 0, 5, 2},   {2, 0, 4, 4},
    {6, 0, 4, 10},   {10, 0, 4, 20},  {3, 0, 4, 40},   {7, 0, 4, 1},   {11, 0, 4, 2},
    {19, 0, 4, 4},   {23, 0, 4, 10},  {27, 0, 4, 20},  {35, 0, 4, 40}, {39, 0, 4, 1},
    {43, 0, 4, 2},   {51, 0, 4, 4},   {55, 0, 4, 10},  {59, 0, 4, 20}, {67, 0, 4, 40},
    {71, 0, 4, 1},   {75, 0, 4, 2},   {83, 0, 4, 4},   {87, 0, 4, 10}, {91, 0, 4, 20},
    {99, 0, 4, 40},  {103, 0, 4, 1},  {107, 0, 4, 2},  {115, 0, 4, 1}, {243, 0, 4, 1},
};

namespace {
// Shift-register codes of the nine ranges, 5 mV/div to 2 V/div.
constexpr uint8_t kFrontEndCodes[9] = {0x45, 0x43, 0x42, 0x49, 0x48, 0x40, 0x29, 0x28, 0x20};

constexpr int kModelWithEts = 55;

// Settling time owed plus more, held in the record's 32 bits without overflowing.
int32_t addSettle(int32_t owed, int64_t more) {
    return int32_t(std::clamp<int64_t>(owed + more, 0, INT32_MAX));
}

int32_t &dacPos(int32_t *ps, int k) {
    return ps[k == 0 ? HW_PS_DacPosA1 : HW_PS_DacPosA2];
}
int32_t &offsetTrim(int32_t *ps, int k) {
    return ps[k == 0 ? HW_PS_OffsetTrimA1 : HW_PS_OffsetTrimA2];
}

bool QueueStrobes(int32_t *ps, uint8_t *dc, const StrobeSeq &q) {
    bool ok = true;
    for (int i = 0; i < q.n; ++i)
        ok = QueueStrobe(ps, dc, q.s[i].data ? ps[HW_PS_DataSel] : ps[HW_PS_AddrSel],
                         q.s[i].value) &&
             ok;
    return ok;
}

// With no link the bus primitives send nothing and report it; the steps of an acquisition still
// keep their settings (demo mode runs on them), so for them nothing has failed.
bool sent(const uint8_t *dc, bool ok) {
    return ok || dc[HW_DC_Link] == HW_LINK_NONE;
}

template <size_t N> bool sendPairs(int32_t *ps, uint8_t *dc, const std::array<uint8_t, N> &p) {
    return sent(dc, WritePairs(ps, dc, p.data(), int32_t(N)));
}
} // namespace

int32_t RecordLength(uint8_t depthIndex) {
    switch (depthIndex) {
    case 1:
        return 8192;
    case 2:
        return 131072;
    default:
        return 2048;
    }
}

uint8_t FrontEndCode(uint8_t vdivIndex, uint8_t coupling) {
    if (vdivIndex >= 9) return 0;
    uint8_t code = kFrontEndCodes[vdivIndex];
    if (coupling == 0) return code | reg::kFeDcCoupled;
    if (coupling == 2) return GroundedCode(code);
    return code;
}

uint8_t GroundedCode(uint8_t code) {
    return (code & reg::kFeGainBits) | reg::kFeGrounded;
}

std::array<uint8_t, kFrontEndChainLen> FrontEndChain(uint8_t code, uint8_t selBit, uint8_t clkBit) {
    std::array<uint8_t, kFrontEndChainLen> b{};
    int n = 0;
    b[n++] = selBit;
    uint8_t d = 0;
    for (int bit = 7; bit >= 0; --bit) {
        d = ((code >> bit) & 1) ? reg::kSerData : 0;
        b[n++] = d | selBit;
        b[n++] = d | selBit | clkBit;
    }
    b[n++] = d | selBit; // clock low with the last bit still set up
    b[n++] = 0;          // select dropped: the register takes the code
    return b;
}

std::array<uint16_t, 4> DacWords(uint8_t trigDac, int32_t dacPosA1, int32_t dacPosA2,
                                 int32_t trimA1, int32_t trimA2) {
    // Wide sums: the positions and trims come from the caller's record.
    return {uint16_t(2384), uint16_t(4080 - 16 * trigDac),
            uint16_t(int64_t(dacPosA2) * 4 + trimA2 + 750),
            uint16_t(int64_t(dacPosA1) * 4 + trimA1 + 750)};
}

std::array<uint8_t, kDacChainLen> DacChain(const std::array<uint16_t, 4> &words) {
    std::array<uint8_t, kDacChainLen> b{};
    int n = 0;
    uint8_t d = 0;
    for (uint16_t w : words) {
        for (int bit = 11; bit >= 0; --bit) {
            d = ((w >> bit) & 1) ? reg::kSerData : 0;
            b[n++] = d;
            b[n++] = d | reg::kSerDacClock;
        }
    }
    // Load pulse while the clock is still high, then everything low.
    b[n++] = d | reg::kSerDacClock | reg::kSerDacLoad;
    b[n++] = d | reg::kSerDacLoad;
    b[n++] = d;
    return b;
}

uint8_t TriggerControl(int16_t trigChannel, const uint8_t *trigSlope) {
    bool slope = trigChannel >= 0 && trigChannel <= 2 && trigSlope[trigChannel] != 0;
    return uint8_t(reg::kTrigEnable | (slope ? reg::kTrigSlope : 0) | trigChannel);
}

void TriggerLevelStrobes(StrobeSeq &q, const uint8_t *trigLevel, int16_t trigChannel) {
    if (trigChannel == 0 || trigChannel == 1) {
        q.addr(reg::kLevel);
        q.data(trigLevel[0]);
        q.data(trigLevel[1]);
    } else if (trigChannel == 2) {
        q.addr(reg::kLevel);
        q.data(trigLevel[2]);
        q.data(trigLevel[4]);
        q.addr(reg::kMask);
        q.data(trigLevel[3]);
        q.data(trigLevel[5]);
    }
}

void ArmStrobes(StrobeSeq &q, const ArmSettings &a) {
    const int32_t p = a.trigPos;
    const int32_t m = p < 0 ? 3 : p / 4 + 5;
    const uint8_t tc = a.trigCtl;
    const uint8_t dcode = a.depthCode;
    q.pair(reg::kConfigPort, reg::kRunAcquire);
    q.addr(reg::kPosition);
    q.data(uint8_t(m & 0xFF));
    q.data(uint8_t((m >> 8) & 0xFF));
    q.addr(reg::kTrigCtl); // the count above is the pre-trigger position
    q.data(tc | reg::kTrigLoad | reg::kTrigPosition);
    q.data(tc | reg::kTrigLoad);
    q.pair(reg::kTimebase, reg::kTimebaseArming);
    q.addr(reg::kMode); // reset pulsed twice: memory and trigger logic start over
    q.data(dcode);
    q.data(dcode | reg::kModeReset);
    q.data(dcode);
    q.data(dcode | reg::kModeReset);
    q.data(dcode);
    uint8_t flags = dcode;
    if (a.rateIndex >= 8) flags |= reg::kModeHalfRate;
    if (a.calMode != 1) flags |= reg::kModeProbes;
    if (p < 0) {
        // Trigger delay: the record starts after the trigger.
        flags |= reg::kModeDelay;
        const int64_t v = int64_t(p) - 1; // wide: the position may be INT32_MIN
        q.addr(reg::kPosition);
        q.data(uint8_t(v & 0xFF));
        q.data(uint8_t((v >> 8) & 0xFF));
        q.addr(reg::kTrigCtl);
        q.data(tc | reg::kTrigLoad);
        q.data(tc | reg::kTrigLoad | reg::kTrigDelay);
        q.data(tc | reg::kTrigLoad);
    }
    q.pair(reg::kTrigCtl, tc);
    q.pair(reg::kMode, flags);
    q.pair(reg::kTimebase, a.clockDiv);
    q.pair(reg::kTrigCtl, tc | reg::kTrigRun); // starts the acquisition
}

std::array<uint8_t, 8> CalSetupPairs(uint8_t depthCode, uint8_t trigCtl) {
    return {reg::kConfigPort, reg::kRunAcquire,
            reg::kMode,       uint8_t(depthCode | reg::kModeDirectReadout),
            reg::kTimebase,   reg::kTimebaseReadout,
            reg::kTrigCtl,    uint8_t(trigCtl | reg::kTrigPosition)};
}

std::array<uint8_t, 8> ForceTriggerPairs(uint8_t trigCtl) {
    // With no source on the comparator, each flip of the slope is an edge the trigger sees.
    const uint8_t a = trigCtl | reg::kTrigRun | reg::kTrigSourceBits;
    const uint8_t b = a ^ reg::kTrigSlope;
    return {reg::kTrigCtl, b, reg::kTrigCtl, a, reg::kTrigCtl, b, reg::kTrigCtl, a};
}

std::array<uint8_t, 12> DirectReadPairs() {
    return {reg::kConfigPort,  reg::kRunAcquire,
            reg::kMode,        reg::kModeDirectReadout,
            reg::kTimebase,    reg::kTimebaseReadout,
            reg::kTrigCtl,     reg::kTrigPosition,
            reg::kReadoutPrep, 0,
            reg::kReadout,     0};
}

std::array<uint8_t, 4> ReadoutStartPairs() {
    return {reg::kReadoutPrep, 0, reg::kReadout, 0};
}

std::array<uint8_t, 10> RecordReadPairs(uint8_t depthCode, uint8_t trigCtl) {
    return {reg::kConfigPort, reg::kRunReadout,
            reg::kMode,       uint8_t(depthCode | reg::kModeRecordReadout),
            reg::kTimebase,   reg::kTimebaseReadout,
            reg::kTrigCtl,    uint8_t(trigCtl | reg::kTrigPosition),
            reg::kReadout,    0};
}

int32_t CalTrimStep(int32_t iteration, int32_t oddSum) {
    int32_t h = oddSum / 256 - 128;
    if (iteration >= 6 && iteration <= 8)
        h *= 2;
    else if (iteration == 9)
        h *= 4;
    return h;
}

// ---- Steps ---------------------------------------------------------------------------------

bool SendStrobes(int32_t *ps, uint8_t *dc, const StrobeSeq &q) {
    const bool queued = QueueStrobes(ps, dc, q);
    return FlushQueue(ps, dc) && queued;
}

void SetTiming(int32_t *ps, uint8_t *dc, uint8_t depthIndex, uint8_t rateIndex, int16_t trigChannel,
               const uint8_t *trigSlope, int32_t trigPos) {
    if (rateIndex < kRateCount) {
        const RateEntry &r = kRateTable[rateIndex];
        dc[HW_DC_ClockDiv] = r.clockDiv;
        dc[HW_DC_EtsFactor] = r.etsFactor;
        dc[HW_DC_SmoothLimit] = r.smoothLimit;
        dc[HW_DC_DemoStep] = r.demoStep;
    }
    if (dc[HW_DC_ModelCode] != kModelWithEts) dc[HW_DC_EtsFactor] = 0;
    const uint8_t c = dc[HW_DC_EtsFactor];
    if (c == 0) {
        ps[HW_PS_EtsPasses] = 0;
        dc[HW_DC_EtsOn] = 0;
    } else if (c != dc[HW_DC_EtsFactorLast]) {
        ps[HW_PS_EtsPasses] = 0;
        dc[HW_DC_EtsFactorLast] = c;
    }
    if (ps[HW_PS_EtsPasses] == 0 && c != 0) {
        ps[HW_PS_EtsPasses] = c * 8 + 20;
        ps[HW_PS_EtsPos] = c + trigPos / c;
        dc[HW_DC_EtsOn] = 1;
        for (int i = 0; i < c && i < HW_DC_EtsSlots; ++i)
            dc[HW_DC_EtsSlotSeen + i] = 0;
    }
    dc[HW_DC_TrigCtl] = TriggerControl(trigChannel, trigSlope);
    switch (depthIndex) {
    case 0:
        dc[HW_DC_DepthCode] = reg::kDepth2K;
        break;
    case 1:
        dc[HW_DC_DepthCode] = reg::kDepth8K;
        break;
    case 2:
        dc[HW_DC_DepthCode] = reg::kDepth128K;
        break;
    default:
        break;
    }
}

bool ShiftFrontEnd(int32_t *ps, uint8_t *dc, int k, uint8_t code) {
    const auto chain = FrontEndChain(code, dc[HW_DC_GainSelBit + k], dc[HW_DC_GainClkBit + k]);
    const bool ok = WriteBlock(ps, dc, reg::kControl, chain.data(), kFrontEndChainLen);
    ps[HW_PS_SettleMs] = 100; // relays and input amplifier settle
    return sent(dc, ok);
}

bool SendDacs(int32_t *ps, uint8_t *dc, uint8_t trigDac) {
    const auto chain = DacChain(DacWords(trigDac, ps[HW_PS_DacPosA1], ps[HW_PS_DacPosA2],
                                         ps[HW_PS_OffsetTrimA1], ps[HW_PS_OffsetTrimA2]));
    const bool ok = WriteBlock(ps, dc, reg::kControl, chain.data(), kDacChainLen);
    DelayMs(addSettle(ps[HW_PS_SettleMs], 2));
    ps[HW_PS_SettleMs] = 0;
    return sent(dc, ok);
}

bool CalibrateChannel(int32_t *ps, uint8_t *dc, int k, uint8_t trigDac) {
    bool ok = ShiftFrontEnd(ps, dc, k, GroundedCode(dc[HW_DC_GainCode + k]));
    ok = sendPairs(ps, dc, CalSetupPairs(dc[HW_DC_DepthCode], dc[HW_DC_TrigCtl])) && ok;
    DelayMs(50);
    offsetTrim(ps, k) = 0;
    dacPos(ps, k) = 128;
    const int32_t savedTrig = ps[HW_PS_DacTrig];

    // Grounded input read through both converters: odd samples (group byte 2k) come from the
    // reference converter, even samples (byte 2k + 1) from the one corrected in software.
    std::array<uint8_t, kCalReadLen> raw{};
    int32_t odd = 0, even = 0;
    auto measure = [&] {
        ok = SendDacs(ps, dc, trigDac) && ok;
        ok = sendPairs(ps, dc, ReadoutStartPairs()) && ok;
        ok = sent(dc, ReadBlock(ps, dc, raw.data(), kCalReadLen)) && ok;
        odd = even = 0;
        for (int g = 8; g < kCalGroups; ++g) {
            odd += raw[g * 8 + 2 * k];
            even += raw[g * 8 + 2 * k + 1];
        }
    };
    for (int it = 1; it <= 9; ++it) {
        measure();
        offsetTrim(ps, k) -= CalTrimStep(it, odd);
    }
    ps[k == 0 ? HW_PS_ZeroA1 : HW_PS_ZeroA2] = (odd - even) / 256;

    // Gain ratio from two zero-line positions 200 codes apart.
    dacPos(ps, k) = 228;
    ps[HW_PS_SettleMs] = 10;
    measure();
    const int32_t odd1 = odd, even1 = even;
    dacPos(ps, k) = 28;
    ps[HW_PS_SettleMs] = 20;
    measure();
    const int32_t dOdd = odd1 - odd, dEven = even1 - even;
    ps[HW_PS_DacTrig] = savedTrig;
    lib().gainFactor[k] = (dOdd != 0 && dEven != 0) ? float(dOdd) / float(dEven) : 1.0f;
    return ok;
}

bool SetFrontEnd(int32_t *ps, uint8_t *dc, const uint8_t *vdivIndex, const uint8_t *coupling,
                 uint8_t trigDac) {
    bool ok = true;
    for (int k = 0; k < 2; ++k) {
        const uint8_t code = FrontEndCode(vdivIndex[k], coupling[k]);
        if (code == dc[HW_DC_GainCode + k]) continue;
        dc[HW_DC_GainCode + k] = code;
        // On a parallel port a failed access goes unanswered (a read gives 0xFF): the port's
        // count of failures tells a calibration from bytes that never came.
        const uint64_t failures = PortFailures();
        const bool done = CalibrateChannel(ps, dc, k, trigDac) && ShiftFrontEnd(ps, dc, k, code) &&
                          PortFailures() == failures;
        // A code that did not reach the front end is sent (and calibrated) again next time.
        if (!done) dc[HW_DC_GainCode + k] = 0;
        ok = ok && done;
    }
    return ok;
}

bool UpdateDacs(int32_t *ps, uint8_t *dc, const int16_t *chanPos, uint8_t trigDac) {
    const bool posA2 = chanPos[1] != ps[HW_PS_DacPosA2];
    const bool posA1 = chanPos[0] != ps[HW_PS_DacPosA1];
    const bool trig = trigDac != ps[HW_PS_DacTrig];
    int64_t step = 0;
    if (posA2)
        step = std::abs(chanPos[1] - int64_t(ps[HW_PS_DacPosA2]));
    else if (posA1)
        step = std::abs(chanPos[0] - int64_t(ps[HW_PS_DacPosA1]));
    if (trig) step = std::abs(trigDac - int64_t(ps[HW_PS_DacTrig]));
    if (!posA1 && !posA2 && !trig) return true;
    // The zero lines slew about two codes per millisecond.
    ps[HW_PS_SettleMs] = addSettle(ps[HW_PS_SettleMs], step / 2);
    ps[HW_PS_DacPosA1] = chanPos[0];
    ps[HW_PS_DacPosA2] = chanPos[1];
    ps[HW_PS_DacTrig] = trigDac;
    return SendDacs(ps, dc, trigDac);
}

bool SetTriggerLevel(int32_t *ps, uint8_t *dc, const uint8_t *trigLevel, int16_t trigChannel) {
    StrobeSeq q;
    TriggerLevelStrobes(q, trigLevel, trigChannel);
    const bool ok = QueueStrobes(ps, dc, q);
    if (trigChannel == 2) {
        ps[HW_PS_LogicMask] = trigLevel[5] * 256 + trigLevel[3];
        ps[HW_PS_LogicMatch] = (trigLevel[4] * 256 + trigLevel[2]) | ps[HW_PS_LogicMask];
    }
    return ok;
}

bool Arm(int32_t *ps, uint8_t *dc, uint8_t /*depthIndex*/, int16_t /*trigChannel*/,
         uint8_t rateIndex, int32_t trigPos) {
    StrobeSeq q;
    ArmStrobes(q, {dc[HW_DC_DepthCode], dc[HW_DC_TrigCtl], dc[HW_DC_ClockDiv], rateIndex,
                   dc[HW_DC_CalMode], trigPos});
    return SendStrobes(ps, dc, q);
}

uint8_t LinkResult(const uint8_t *dc, bool ok) {
    switch (dc[HW_DC_Link]) {
    case HW_LINK_NONE:
        return 1;
    case HW_LINK_EPP:
    case HW_LINK_BPP:
        return ok && !lib().busFloating ? 1 : 0;
    default:
        return ok ? 1 : 0;
    }
}

} // namespace hwlink

using namespace hwlink;

extern "C" {

HWLINK_API uint8_t HWLINK_CALL Capture(int32_t *PortState, uint8_t *DevConfig, int32_t,
                                       uint8_t DepthIndex, uint8_t, uint8_t RateIndex,
                                       int16_t TrigChannel, int32_t TrigPos, uint8_t *TrigSlope,
                                       uint8_t *TrigLevel, uint8_t TrigDac, uint8_t *Coupling,
                                       uint8_t *VdivIndex, int16_t *ChanPos) {
    if (!PortState || !DevConfig || !TrigSlope || !TrigLevel || !Coupling || !VdivIndex || !ChanPos)
        return 0;
    int32_t *ps = PortState;
    uint8_t *dc = DevConfig;
    // Every step runs even after one has failed: the settings are kept as on a live link, and
    // a lost instrument costs nothing more than failing requests.
    ClearQueue(ps);
    const uint64_t failures = PortFailures();
    SetTiming(ps, dc, DepthIndex, RateIndex, TrigChannel, TrigSlope, TrigPos);
    bool ok = SetFrontEnd(ps, dc, VdivIndex, Coupling, TrigDac);
    ok = UpdateDacs(ps, dc, ChanPos, TrigDac) && ok;
    DelayMs(ps[HW_PS_SettleMs]);
    ps[HW_PS_SettleMs] = 0;
    ok = SetTriggerLevel(ps, dc, TrigLevel, TrigChannel) && ok;
    ok = Arm(ps, dc, DepthIndex, TrigChannel, RateIndex, TrigPos) && ok;
    // A write lost on a parallel port leaves the instrument set up otherwise than asked.
    return LinkResult(dc, ok && PortFailures() == failures);
}

HWLINK_API uint8_t HWLINK_CALL ForceTrigger(int32_t *PortState, uint8_t *DevConfig) {
    if (!PortState || !DevConfig) return 0;
    return LinkResult(DevConfig,
                      sendPairs(PortState, DevConfig, ForceTriggerPairs(DevConfig[HW_DC_TrigCtl])));
}

HWLINK_API uint8_t HWLINK_CALL OutAdBuck12(int32_t *PortState, uint8_t *DevConfig, void *,
                                           int32_t) {
    if (!PortState || !DevConfig) return 0;
    ClearQueue(PortState);
    return LinkResult(DevConfig, sendPairs(PortState, DevConfig, DirectReadPairs()));
}

HWLINK_API uint8_t HWLINK_CALL inDaBuck8(int32_t *PortState, uint8_t *DevConfig, uint8_t *Buffer,
                                         int32_t Count) {
    if (!PortState || !DevConfig || !Buffer || Count <= 0) return 0;
    return LinkResult(DevConfig, ReadBlock(PortState, DevConfig, Buffer, Count));
}

} // extern "C"
