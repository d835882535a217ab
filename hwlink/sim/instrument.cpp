// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/instrument.h"
#include "sim/sim.h"
#include "src/bitstream_format.h"
#include "src/clock.h"
#include "src/registers.h"

namespace hwlink::sim {

namespace {

// Far more than any device of this family takes; a longer length field is a framing error.
constexpr uint32_t kMaxBodyLen = 1u << 20;

// Board code on bits 4-5 of register 29.
uint8_t boardBits(int variant) {
    switch (variant) {
    case 2:
        return 0x10;
    case 3:
        return 0x30;
    default:
        return 0x20;
    }
}

} // namespace

Instrument::Instrument() {
    powerOn(1);
}

void Instrument::powerOn(int variant) {
    setVariant(variant);
    model_.reset();
    addr_ = 0;
    last29_ = 0;
    pendingPowerDown_ = false;
    poweredDown_ = false;
    powerOnMs_ = hwlink::nowMs();
    userMode_ = false;
    configLines_ = 0;
    clearConfiguration(Config::Unconfigured);
}

void Instrument::setVariant(int variant) {
    variant_ = (variant >= 1 && variant <= 3) ? variant : 1;
}

int64_t Instrument::nowMs() const {
    return hwlink::nowMs() - powerOnMs_;
}

void Instrument::selectAddress(uint8_t reg) {
    trace("addr %u", unsigned(reg));
    addr_ = reg;
    if (state_ == Config::Done && !userMode_) {
        // The rest of the configuration block (padding, trailer) has been clocked out; the
        // FPGA's start-up sequence is over and its logic takes over the bus.
        userMode_ = true;
        model_.reset();
    }
    if (reg == reg::kReset) {
        userMode_ = false;
        // The reset command pulls the FPGA's program line: its configuration is gone and it
        // waits for the control register to start a new one.
        state_ = Config::ResetPending;
        poweredDown_ = false;
        pendingPowerDown_ = false;
    }
}

void Instrument::writeData(uint8_t value) {
    trace("wr %u", unsigned(value));
    if (addr_ == reg::kControl) {
        last29_ = value;
        pendingPowerDown_ = value == reg::kControlPowerDown;
    } else if (addr_ == reg::kPower) {
        if (pendingPowerDown_ && value == 0) poweredDown_ = true;
        pendingPowerDown_ = false;
    }
    if (userMode_) {
        model_.write(addr_, value);
        return;
    }
    if (addr_ == reg::kConfigPort)
        configPortWrite(value);
    else if (addr_ == reg::kControl && value == 0 && state_ == Config::ResetPending &&
             !faults().neverReady)
        startConfiguration();
}

uint8_t Instrument::readDataUntraced() {
    if (addr_ == reg::kControl) return status();
    if (userMode_) return model_.read(addr_);
    return 0xFF; // an unconfigured FPGA leaves the data lines to their pull-ups
}

uint8_t Instrument::readData() {
    const uint8_t v = readDataUntraced();
    traceRead(v);
    return v;
}

void Instrument::readBlock(uint8_t *out, size_t len) {
    // Untraced, the configured FPGA's answer moves as one block: the sample memory is copied
    // rather than read a byte at a time.
    if (userMode_ && addr_ != reg::kControl && !tracing()) {
        model_.readBlock(addr_, out, len);
        return;
    }
    for (size_t i = 0; i < len; ++i)
        out[i] = readData();
}

void Instrument::traceRead(uint8_t value) {
    trace("rd %u", unsigned(value));
}

// Bits 4-5 name the board; the low four bits echo the last control value inverted, which is
// how the host tells a live register bus from floating lines.
uint8_t Instrument::status() const {
    uint8_t s = boardBits(variant_) | (~last29_ & reg::kEchoBits);
    if (ready()) s |= reg::kStatusReady;
    if (configured()) s |= reg::kStatusDone;
    return s;
}

// Forgets any configuration data received so far; the FPGA hunts for the sync word again.
void Instrument::clearConfiguration(Config state) {
    state_ = state;
    frame_ = Frame::Hunt;
    shift_ = 0;
    bitCount_ = 0;
    bodyLen_ = 0;
    body_.clear();
    bitsClocked_ = 0;
}

void Instrument::startConfiguration() {
    clearConfiguration(Config::Receiving);
    poweredDown_ = false;
}

void Instrument::configPortWrite(uint8_t value) {
    const bool rising = (value & reg::kConfigClock) && !(configLines_ & reg::kConfigClock);
    configLines_ = value;
    if (rising && state_ == Config::Receiving) clockBit(value & reg::kConfigData);
}

// The FPGA hunts for the synchronisation word at any bit position, then takes a 32-bit
// length, the body and its CRC-32, all most significant bit first.
void Instrument::clockBit(int bit) {
    ++bitsClocked_;
    shift_ = (shift_ << 1) | uint32_t(bit);
    switch (frame_) {
    case Frame::Hunt:
        if (shift_ == kBitSyncWord) {
            frame_ = Frame::Length;
            bitCount_ = 0;
        }
        return;
    case Frame::Length:
        if (++bitCount_ < 32) return;
        bodyLen_ = shift_;
        bitCount_ = 0;
        // No device of this family has an empty configuration: a length of 0 is the zero
        // padding of a file that ended after its sync word.
        if (bodyLen_ == 0 || bodyLen_ > kMaxBodyLen) {
            state_ = Config::Failed;
            return;
        }
        body_.clear();
        body_.reserve(bodyLen_);
        frame_ = Frame::Body;
        return;
    case Frame::Body:
        if (++bitCount_ < 8) return;
        bitCount_ = 0;
        body_.push_back(uint8_t(shift_));
        if (body_.size() == bodyLen_) frame_ = Frame::Crc;
        return;
    case Frame::Crc:
        if (++bitCount_ < 32) return;
        if (shift_ == crc32(body_.data(), body_.size()) && !faults().neverDone) {
            state_ = Config::Done;
        } else {
            state_ = Config::Failed; // a CRC error drops the ready line as well
        }
        body_.clear();
        body_.shrink_to_fit();
        return;
    }
}

} // namespace hwlink::sim
