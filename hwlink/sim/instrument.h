// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument at the register bus: the identification and status register 29, the
// reset command, FPGA configuration through register 28 and, once the FPGA reports "done", the
// acquisition model behind every other register access.
#pragma once
#include "sim/acquisition_model.h"
#include <cstdint>
#include <vector>

namespace hwlink::sim {

class Instrument {
  public:
    Instrument();

    // Power-on state: FPGA unconfigured, no address selected.
    void powerOn(int variant);
    void setVariant(int variant);
    int variant() const { return variant_; }

    // Bus cycles as the link hardware decodes them. Each one appears in the trace.
    void selectAddress(uint8_t reg);
    void writeData(uint8_t value);
    uint8_t readData();
    // A read cycle whose trace line the caller writes (with traceRead) after its own link event.
    uint8_t readDataUntraced();
    static void traceRead(uint8_t value);
    // `len` read cycles at once (a bulk transfer), each traced as readData traces it.
    void readBlock(uint8_t *out, size_t len);

    uint8_t address() const { return addr_; }
    bool ready() const { return state_ == Config::Receiving || state_ == Config::Done; }
    bool configured() const { return state_ == Config::Done; }
    // The configured FPGA runs its own logic once the host has moved on from the
    // configuration port; from then on the acquisition model answers.
    bool userMode() const { return userMode_; }
    bool poweredDown() const { return poweredDown_; }
    // Configuration bits clocked in since the last configuration start.
    int64_t bitsClocked() const { return bitsClocked_; }

    // Milliseconds since power-on on the library's clock (virtual in tests).
    int64_t nowMs() const;

    AcquisitionModel &model() { return model_; }

  private:
    enum class Config { Unconfigured, ResetPending, Receiving, Done, Failed };
    enum class Frame { Hunt, Length, Body, Crc };

    uint8_t status() const;
    void configPortWrite(uint8_t value);
    void clockBit(int bit);
    void startConfiguration();
    void clearConfiguration(Config state);

    AcquisitionModel model_;
    int variant_ = 1;
    uint8_t addr_ = 0;
    uint8_t last29_ = 0;
    bool pendingPowerDown_ = false;
    bool poweredDown_ = false;
    int64_t powerOnMs_ = 0;

    Config state_ = Config::Unconfigured;
    bool userMode_ = false;
    uint8_t configLines_ = 0; // last value on register 28 (bit 1 clock, bit 0 data)
    Frame frame_ = Frame::Hunt;
    uint32_t shift_ = 0;
    int bitCount_ = 0;
    uint32_t bodyLen_ = 0;
    std::vector<uint8_t> body_;
    int64_t bitsClocked_ = 0;
};

} // namespace hwlink::sim
