// SPDX-License-Identifier: GPL-3.0-or-later
// The little the library keeps between calls: the open device, what it last saw of a parallel
// register bus, and the converter gain factors.
#pragma once
#include "src/device.h"
#include <memory>

namespace hwlink {

struct LibState {
    std::unique_ptr<UsbDevice> usb; // DeviceHandle: opened by FindPort, closed by PowerOff
    std::unique_ptr<PortIo> port;   // the claimed parallel port, when the link is EPP or BPP
    // Parallel links only (a port write cannot fail, so what was last read stands for the link):
    int32_t busAddress = -1;            // the register last selected, -1 before the first
    bool busFloating = false;           // the last read-back found nothing driving the data lines
    float gainFactor[2] = {1.0f, 1.0f}; // A1, A2: odd/even converter gain ratio from calibration
};

LibState &lib();

} // namespace hwlink
