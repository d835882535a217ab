// SPDX-License-Identifier: GPL-3.0-or-later
// The two kinds of physical link below the register bus. Each has a real implementation
// (libusb, Linux ppdev) and a simulated one (hwlink/sim); everything above these interfaces,
// from the bridge register requests to the strobe sequences, is shared by both.
#pragma once
#include <cstdint>
#include <memory>

namespace hwlink {

// An opened USB device behind the bridge chip (the library's DeviceHandle).
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;
    // Bridge register requests: vendor control transfers with wValue = reg, wIndex = index.
    virtual bool controlWrite(uint16_t reg, uint16_t index, const uint8_t *data, uint16_t len) = 0;
    virtual bool controlRead(uint16_t reg, uint16_t index, uint8_t *data, uint16_t len) = 0;
    // Bulk data on the interface's bulk OUT / IN endpoints (one chunk, at most 65535 bytes).
    virtual bool bulkWrite(const uint8_t *data, int32_t len) = 0;
    virtual bool bulkRead(uint8_t *data, int32_t len) = 0;
};

// A claimed parallel port, addressed by absolute I/O port numbers (base .. base + 4).
// base + 3 and base + 4 are the EPP address and data ports.
class PortIo {
  public:
    virtual ~PortIo() = default;
    virtual int32_t base() const = 0;
    virtual void out(int32_t port, uint8_t value) = 0;
    virtual uint8_t in(int32_t port) = 0;
    // Four EPP data read cycles in one call, first byte in the low bits.
    virtual uint32_t in32(int32_t port) = 0;
    // Accesses that failed since the port was claimed (an EPP cycle that timed out, a refused
    // system call). A failed read gives 0xFF, which the instrument may also send: only this
    // count tells the two apart.
    uint64_t failures() const { return failures_; }

  protected:
    uint64_t failures_ = 0;
};

} // namespace hwlink
