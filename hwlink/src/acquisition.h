// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition set-up and arming: the rate table, the front-end and control-DAC serial chains,
// the queued trigger/arming packet, and the steps of Capture that send them.
//
// What each step sends is computed by the pure builders below (no I/O, no state change); the
// steps then hand the bytes to the register bus. That keeps every sequence testable without an
// instrument and lets the transport decide how the bytes travel (one USB packet, or strobes).
#pragma once
#include <array>
#include <cstdint>

namespace hwlink {

// ---- Tables -------------------------------------------------------------------------------

struct RateEntry {
    uint8_t clockDiv;    // timebase divider code for register 56
    uint8_t etsFactor;   // equivalent-time interleave factor (0 = real time)
    uint8_t smoothLimit; // largest step the noise smoothing still flattens
    uint8_t demoStep;    // step of the demo triangle per sample
};
constexpr int kRateCount = 35;
extern const RateEntry kRateTable[kRateCount];

// Records of 2K, 8K and 128K samples.
int32_t RecordLength(uint8_t depthIndex);
// Front-end shift-register code for a volts/div index and coupling (0 DC, 1 AC, 2 GND);
// 0 for an unknown volts/div index (no front end programmed).
uint8_t FrontEndCode(uint8_t vdivIndex, uint8_t coupling);
// The code of the same range with the input relay to ground (calibration).
uint8_t GroundedCode(uint8_t code);

// ---- Pure builders ------------------------------------------------------------------------

// A register-bus write in a queued sequence: an address selection or a data byte.
struct BusStrobe {
    bool data;
    uint8_t value;
    bool operator==(const BusStrobe &) const = default;
};

// A short sequence of strobes built up front and queued in one go (fits the USB packet).
struct StrobeSeq {
    std::array<BusStrobe, 48> s{};
    int n = 0;
    void addr(uint8_t a) { push({false, a}); }
    void data(uint8_t d) { push({true, d}); }
    void pair(uint8_t a, uint8_t d) { addr(a), data(d); }

  private:
    void push(BusStrobe b) {
        if (n < int(s.size())) s[n++] = b;
    }
};

constexpr int kFrontEndChainLen = 19;
constexpr int kDacChainLen = 99;
constexpr int kCalGroups = 264; // groups of one calibration read
constexpr int kCalReadLen = kCalGroups * 8;

// The 19 bytes for register 29 that clock `code` into one channel's front-end shift register:
// select raised, eight bits MSB first each set up with the clock low then clocked, select dropped.
std::array<uint8_t, kFrontEndChainLen> FrontEndChain(uint8_t code, uint8_t selBit, uint8_t clkBit);

// The control DAC's four 12-bit words: constant reference, logic threshold, A2 zero line, A1
// zero line (16-bit arithmetic as the DAC interface takes them).
std::array<uint16_t, 4> DacWords(uint8_t trigDac, int32_t dacPosA1, int32_t dacPosA2,
                                 int32_t trimA1, int32_t trimA2);
// The 99 bytes for register 29 that shift the 48-bit DAC chain in and load it.
std::array<uint8_t, kDacChainLen> DacChain(const std::array<uint16_t, 4> &words);

// Trigger control byte: bit 7 set, slope of the source in bit 2, source (0 A1, 1 A2, 2 logic).
uint8_t TriggerControl(int16_t trigChannel, const uint8_t *trigSlope);

// The level (analog) or pattern and don't-care mask (logic) strobes of the trigger source.
void TriggerLevelStrobes(StrobeSeq &q, const uint8_t *trigLevel, int16_t trigChannel);

struct ArmSettings {
    uint8_t depthCode;
    uint8_t trigCtl;
    uint8_t clockDiv;
    uint8_t rateIndex;
    uint8_t calMode;
    int32_t trigPos;
};
// The arming sequence: pre-trigger count, trigger delay for negative positions, mode flags,
// timebase and finally the run strobe that starts the acquisition.
void ArmStrobes(StrobeSeq &q, const ArmSettings &a);

// Fixed (address, data) pair blocks.
std::array<uint8_t, 8> CalSetupPairs(uint8_t depthCode, uint8_t trigCtl);
std::array<uint8_t, 8> ForceTriggerPairs(uint8_t trigCtl);
std::array<uint8_t, 12> DirectReadPairs();
std::array<uint8_t, 4> ReadoutStartPairs();
std::array<uint8_t, 10> RecordReadPairs(uint8_t depthCode, uint8_t trigCtl);

// Offset-trim step of one calibration iteration (1..9) from the sum of 256 grounded samples
// of the reference converter.
int32_t CalTrimStep(int32_t iteration, int32_t oddSum);

// ---- Steps (I/O through the register bus; ps = PortState, dc = DevConfig) ------------------
// Each is false when a request or transfer failed on the way (never with no link: demo mode
// keeps the settings and sends nothing).

// Queues a sequence (USB: one packet) and flushes it.
bool SendStrobes(int32_t *ps, uint8_t *dc, const StrobeSeq &q);

void SetTiming(int32_t *ps, uint8_t *dc, uint8_t depthIndex, uint8_t rateIndex, int16_t trigChannel,
               const uint8_t *trigSlope, int32_t trigPos);
bool SetFrontEnd(int32_t *ps, uint8_t *dc, const uint8_t *vdivIndex, const uint8_t *coupling,
                 uint8_t trigDac);
bool ShiftFrontEnd(int32_t *ps, uint8_t *dc, int k, uint8_t code);
bool CalibrateChannel(int32_t *ps, uint8_t *dc, int k, uint8_t trigDac);
bool UpdateDacs(int32_t *ps, uint8_t *dc, const int16_t *chanPos, uint8_t trigDac);
bool SendDacs(int32_t *ps, uint8_t *dc, uint8_t trigDac);
bool SetTriggerLevel(int32_t *ps, uint8_t *dc, const uint8_t *trigLevel, int16_t trigChannel);
bool Arm(int32_t *ps, uint8_t *dc, uint8_t depthIndex, int16_t trigChannel, uint8_t rateIndex,
         int32_t trigPos);

// The result of a device export from whether its traffic got through: 1 with no link (nothing
// was sent, nothing failed); on a parallel link, where a write cannot fail, 0 also while the
// last read-back found the bus floating.
uint8_t LinkResult(const uint8_t *dc, bool ok);

} // namespace hwlink
