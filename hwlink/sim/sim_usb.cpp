// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated USB bridge: its registers, the (address, data) pair lists and the bulk
// protocol, in front of the simulated instrument's register bus.
#include "sim/instrument.h"
#include "sim/sim.h"
#include "src/bus.h"
#include <map>

namespace hwlink::sim {

namespace {

// Bridge status bit 3: the bus came up at full speed (USB 1.1) rather than high speed.
constexpr uint8_t kStatusFullSpeed = 0x08;

class SimUsbDevice final : public UsbDevice {
  public:
    explicit SimUsbDevice(bool fullSpeed) : fullSpeed_(fullSpeed) {}

    bool controlWrite(uint16_t reg, uint16_t index, const uint8_t *data, uint16_t len) override {
        if (requestFails() || !requestsWork()) return false;
        trace("usb-reg-write %u %u %u", unsigned(reg), unsigned(index), unsigned(len));
        Instrument &inst = instrument();
        bool ok = true;
        switch (reg) {
        case kBridgeAddr:
            // One byte selects an address; more bytes are a list of (address, data) pairs.
            for (uint16_t i = 0; i < len; i += 2) {
                inst.selectAddress(data[i]);
                if (i + 1 < len) inst.writeData(data[i + 1]);
            }
            break;
        case kBridgeDataWrite:
            for (uint16_t i = 0; i < len; ++i)
                inst.writeData(data[i]);
            break;
        case kBridgeBulkHeader:
            ok = len == 8;
            if (ok) {
                header_.valid = true;
                header_.toInstrument = data[0] == 1;
                header_.length = uint32_t(data[4]) | uint32_t(data[5]) << 8 |
                                 uint32_t(data[6]) << 16 | uint32_t(data[7]) << 24;
            }
            break;
        default:
            if (len >= 1) setup_[{reg, index}] = data[0];
            break;
        }
        return ok;
    }

    bool controlRead(uint16_t reg, uint16_t index, uint8_t *data, uint16_t len) override {
        if (requestFails() || !requestsWork()) return false;
        trace("usb-reg-read %u %u %u", unsigned(reg), unsigned(index), unsigned(len));
        for (uint16_t i = 0; i < len; ++i) {
            switch (reg) {
            case kBridgeDataRead:
                data[i] = instrument().readData();
                break;
            case kBridgeStatus:
                data[i] = fullSpeed_ ? kStatusFullSpeed : 0;
                break;
            default: {
                auto it = setup_.find({reg, uint16_t(index + i)});
                data[i] = it == setup_.end() ? 0 : it->second;
                break;
            }
            }
        }
        return true;
    }

    bool bulkWrite(const uint8_t *data, int32_t len) override {
        if (!bulkWorks(true, len)) return false;
        trace("usb-bulk-out %d", int(len));
        Instrument &inst = instrument();
        for (int32_t i = 0; i < len; ++i)
            inst.writeData(data[i]);
        return true;
    }

    bool bulkRead(uint8_t *data, int32_t len) override {
        if (!bulkWorks(false, len)) return false;
        trace("usb-bulk-in %d", int(len));
        instrument().readBlock(data, size_t(len));
        return true;
    }

  private:
    struct BulkHeader {
        bool valid = false;
        bool toInstrument = false;
        uint32_t length = 0;
    };

    static bool requestsWork() { return !faults().disappeared && !faults().failRegisterRequests; }

    // The bridge moves exactly what the last header announced, in the announced direction.
    bool bulkWorks(bool toInstrument, int32_t len) {
        const BulkHeader h = header_;
        header_ = BulkHeader{};
        Faults &f = faults();
        if (requestFails() || f.disappeared) return false;
        if (f.failBulkAfter == 0) return false;
        if (f.failBulkAfter > 0) --f.failBulkAfter;
        return h.valid && h.toInstrument == toInstrument && len >= 0 && h.length == uint32_t(len);
    }

    bool fullSpeed_;
    BulkHeader header_;
    std::map<std::pair<uint16_t, uint16_t>, uint8_t> setup_;
};

} // namespace

std::unique_ptr<UsbDevice> openUsb(uint16_t vendor, uint16_t product) {
    const SimLink link = selectedLink();
    if ((link != SimLink::Usb20 && link != SimLink::Usb11) || vendor != kSimUsbVendor ||
        product != kSimUsbProduct || !instrumentAttached())
        return nullptr;
    return std::make_unique<SimUsbDevice>(link == SimLink::Usb11);
}

} // namespace hwlink::sim
