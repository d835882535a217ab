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
// A simulated device of the selected link is being opened: reads the environment (trace file,
// faults, board variant); false when the instrument is not there to open.
bool instrumentAttached();

// Faults the simulated devices inject, for tests. All off by default.
struct Faults {
    bool failRegisterRequests = false; // every bridge register request fails
    int failBulkAfter = -1;            // this many more bulk transfers succeed, then all fail
    bool disappeared = false;          // unplugged: nothing opens, every request and transfer fails
    bool neverReady = false;           // the FPGA never raises its ready bit
    bool neverDone = false;            // the FPGA never reports "done"
    // Armed faults: each strikes (sets the one above) once this many records have been read out
    // completely since the device was opened; -1 not armed.
    int goneAfterRecords = -1;
    int bulkFailAfterRecords = -1;
    int regFailAfterRecords = -1;
    int recordsRead = 0;
    // Single requests to the link (USB control and bulk transfers, parallel-port register
    // accesses), numbered from 1 since the device was opened: the one numbered `at` fails
    // (delayMs < 0) or is delayed by delayMs milliseconds. Each strikes once in a program run.
    struct RequestFault {
        int64_t at = 0;
        int delayMs = -1;
        bool operator==(const RequestFault &) const = default;
    };
    std::vector<RequestFault> requestFaults;
    int64_t requests = 0;
};
Faults &faults();
// A request goes out on the link: counts it and delays it when a slow fault is due; true when
// it is to fail.
bool requestFails();

// HWLINK_SIM_FAULT, the faults of a program run (which cannot reach faults()): items separated
// by ';', each KIND or KIND@N with N the complete record read-outs before it strikes (0 when
// left out: at once):
//   gone@N       the instrument disappears (every link: USB requests fail, port lines float)
//   bulkfail@N   USB bulk transfers fail        regfail@N   USB register requests fail
//   neverready   the FPGA never gets ready      neverdone   the FPGA never reports "done"
//   failonce@N   the N-th request since the device was opened fails (N from 1)
//   slow@N,MS    the N-th request takes MS milliseconds longer (0 .. 600000)
// A request fault that has struck stays spent when the variable is read again at the next
// opening, so a re-initialisation after it finds a working instrument.
// Applies the items of `text` to `f`; false if any item was skipped (and added to `rejected`).
bool parseFaults(const std::string &text, Faults &f, std::vector<std::string> *rejected = nullptr);
// Read when a simulated device is opened (every FindPort): when the variable is set, the
// faults start over from what it names, so an instrument that went away is found again and
// fails again after the same count. Unset or empty, the faults are left as they are.
void faultsFromEnv();
// A record has been read out completely: strikes the armed faults that are due.
void recordReadOut();

// The items of a HWLINK_SIM_* list: split at ';', spaces dropped (kept with keepSpaces),
// empty items left out.
std::vector<std::string> envItems(const std::string &text, bool keepSpaces = false);
// One line on stderr about an item of `variable` that is ignored, once per process and item.
void warnIgnored(const char *variable, const std::string &item);

// Power-cycles the simulated instrument (unconfigured, variant from the environment), clears
// the faults, the captured trace and the memory of environment items already named.
void resetSimulator();

// Trace lines are appended to the file named by HWLINK_SIM_TRACE (read when a simulated device
// is opened) and, while capture is on, kept in memory for tests. Each line goes to the file in
// one write of the whole line, so the lines of two processes tracing into one file, or of a
// process that is killed, are never torn. HWLINK_SIM_TRACE_ONLY (words separated by ';') keeps
// the file to the lines that start with one of them: a fault sweep reads a faulted session's
// "fault" line without the two million bus lines of a session over a parallel port.
void captureTrace(bool on);
std::vector<std::string> takeTrace();
// Whether trace lines go anywhere (a trace file or the capture).
bool tracing();
// One trace line; called by the simulated devices and the instrument.
void trace(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// Re-reads HWLINK_SIM_TRACE and HWLINK_SIM_TRACE_ONLY and opens (or closes) the trace file.
void openTraceFromEnv();

} // namespace hwlink::sim
