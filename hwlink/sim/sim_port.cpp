// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated parallel port and the instrument's port interface behind it. In EPP mode the
// port hardware runs address and data cycles at base + 3 and base + 4; in BPP mode the host
// drives the strobes itself through the control register.
#include "sim/instrument.h"
#include "sim/sim.h"

namespace hwlink::sim {

namespace {

constexpr uint8_t kCtlAddrStrobe = 9;
constexpr uint8_t kCtlDataStrobe = 3;
constexpr uint8_t kCtlInput = 0x20;    // data lines turned around
constexpr uint8_t kCtlReadLine = 0x02; // with kCtlInput: the instrument drives the data lines

class SimPort final : public PortIo {
  public:
    SimPort(int32_t base, bool epp) : base_(base), epp_(epp) {}

    int32_t base() const override { return base_; }

    // A failed access never reaches the instrument: a write is lost, a read sees the lines
    // float high, and the port counts it. An instrument that is gone leaves the port working:
    // its lines just float.
    void out(int32_t port, uint8_t value) override {
        if (failed() || faults().disappeared) return;
        trace("port-out %d %u", int(port), unsigned(value));
        Instrument &inst = instrument();
        const int32_t reg = port - base_;
        if (reg == 0) {
            latch_ = value;
        } else if (reg == 2) {
            // A strobe is decoded when the control lines enter the strobe state.
            if (value == kCtlAddrStrobe && control_ != kCtlAddrStrobe)
                inst.selectAddress(latch_);
            else if (value == kCtlDataStrobe && control_ != kCtlDataStrobe)
                inst.writeData(latch_);
            control_ = value;
        } else if (epp_ && reg == 3) {
            inst.selectAddress(value);
        } else if (epp_ && reg == 4) {
            inst.writeData(value);
        }
        // Writes to a port without these registers go nowhere.
    }

    uint8_t in(int32_t port) override {
        if (failed() || faults().disappeared) return 0xFF;
        const int32_t reg = port - base_;
        Instrument &inst = instrument();
        bool busRead = false;
        uint8_t v = 0xFF;
        if (reg == 0) {
            if ((control_ & kCtlInput) && (control_ & kCtlReadLine)) {
                v = inst.readDataUntraced();
                busRead = true;
            } else if (!(control_ & kCtlInput)) {
                v = latch_;
            }
        } else if (reg == 1) {
            v = 0x78; // status lines idle: not busy, no error
        } else if (reg == 2) {
            v = control_;
        } else if (epp_ && reg == 3) {
            v = inst.address();
        } else if (epp_ && reg == 4) {
            v = inst.readDataUntraced();
            busRead = true;
        }
        trace("port-in %d %u", int(port), unsigned(v));
        if (busRead) Instrument::traceRead(v);
        return v;
    }

    uint32_t in32(int32_t port) override {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(in(port)) << (8 * i);
        return v;
    }

  private:
    bool failed() {
        if (!requestFails()) return false;
        ++failures_;
        return true;
    }
    int32_t base_;
    bool epp_;
    uint8_t latch_ = 0;
    uint8_t control_ = 0;
};

} // namespace

std::unique_ptr<PortIo> openPort(int32_t base) {
    const SimLink link = selectedLink();
    if ((link != SimLink::Epp && link != SimLink::Bpp) || base != kSimPortBase ||
        !instrumentAttached())
        return nullptr;
    return makePort(base, link == SimLink::Epp);
}

std::unique_ptr<PortIo> makePort(int32_t base, bool epp) {
    return std::make_unique<SimPort>(base, epp);
}

} // namespace hwlink::sim
