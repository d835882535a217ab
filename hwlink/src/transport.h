// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the physical links: the real transports (libusb, ppdev) and the choice between them
// and the simulated instrument (HWLINK_SIM).
#pragma once
#include "src/device.h"
#include <cstdint>
#include <memory>

namespace hwlink {

struct UsbApi;  // src/usb_api.h
struct PortSys; // src/port_sys.h
extern const UsbApi kLibusbApi;
extern const PortSys kPpdevSys;

// Why a USB device could not be opened; tells a missing instrument from a permission problem.
enum class UsbOpenResult { Opened, NotFound, NoAccess };

// The real links. nullptr when the device or port is absent, busy or inaccessible. The system
// calls below them are libusb and the kernel's unless a test passes fakes; the fakes must
// outlive the opened link.
std::unique_ptr<UsbDevice> openRealUsb(uint16_t vendor, uint16_t product,
                                       UsbOpenResult *why = nullptr,
                                       const UsbApi &api = kLibusbApi);
std::unique_ptr<PortIo> openRealPort(int32_t base, const PortSys &sys = kPpdevSys);

// The links FindPort searches: the simulated ones when HWLINK_SIM selects a link, else the real.
std::unique_ptr<UsbDevice> openUsbLink(uint16_t vendor, uint16_t product);
std::unique_ptr<PortIo> openPortLink(int32_t base);

} // namespace hwlink
