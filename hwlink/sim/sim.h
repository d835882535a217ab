// SPDX-License-Identifier: GPL-3.0-or-later
// The register-level instrument simulator as the rest of the library and the tests see it:
// which link it presents (HWLINK_SIM), the simulated devices for the transports, the event
// trace (HWLINK_SIM_TRACE) and fault injection.
#pragma once
#include "src/device.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hwlink::sim {

class Instrument;

enum class SimLink { None, Usb20, Usb11, Epp, Bpp };

// The link selected by HWLINK_SIM (usb, usb11, epp, bpp); None when unset, empty or unknown.
SimLink selectedLink();
// The board variant selected by HWLINK_SIM_VARIANT (1, 2 or 3; anything else gives 1).
int selectedVariant();

// The simulated parallel port answers at this base address only.
constexpr int32_t kSimPortBase = 0x378;
// The (vendor, product) pair the simulated USB bridge presents.
constexpr uint16_t kSimUsbVendor = 0x05E3;
constexpr uint16_t kSimUsbProduct = 0x2500;

// The simulated devices, as the transports' open functions return them; nullptr when the
// selected link has no such device (or the device has disappeared).
std::unique_ptr<UsbDevice> openUsb(uint16_t vendor, uint16_t product);
std::unique_ptr<PortIo> openPort(int32_t base);
// A simulated port at any base address, EPP-capable or not, for tests of the port search.
std::unique_ptr<PortIo> makePort(int32_t base, bool epp);

// The one simulated instrument, shared by every simulated link.
Instrument &instrument();

// Faults the simulated devices inject, for tests. All off by default.
struct Faults {
    bool failRegisterRequests = false; // every bridge register request fails
    int failBulkAfter = -1;            // this many more bulk transfers succeed, then all fail
    bool disappeared = false;          // unplugged: nothing opens, every request and transfer fails
    bool neverReady = false;           // the FPGA never raises its ready bit
    bool neverDone = false;            // the FPGA never reports "done"
};
Faults &faults();

// Power-cycles the simulated instrument (unconfigured, variant from the environment), clears
// the faults and the captured trace.
void resetSimulator();

// Trace lines are appended to the file named by HWLINK_SIM_TRACE (read when a simulated device
// is opened) and, while capture is on, kept in memory for tests.
void captureTrace(bool on);
std::vector<std::string> takeTrace();
// One trace line; called by the simulated devices and the instrument.
void trace(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// Re-reads HWLINK_SIM_TRACE and opens (or closes) the trace file.
void openTraceFromEnv();
// Writes buffered trace lines to the file.
void flushTrace();

} // namespace hwlink::sim
