// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the instrument on its link.
#pragma once
#include <cstdint>

namespace hwlink {

// The (vendor, product) pairs of the USB bridge, in the order they are searched.
struct UsbId {
    uint16_t vendor, product;
};
inline constexpr UsbId kUsbIds[4] = {
    {0x05E3, 0x2500}, {0x05E3, 0x0182}, {0x05E3, 0x0185}, {0x3195, 0x0020}};

// Parallel-port base addresses, in the order they are searched (FindPort results 1, 2, 3).
inline constexpr int32_t kLptBases[3] = {0x378, 0x278, 0x3BC};

// Identifies the instrument on the opened USB device (port 0) or on the claimed parallel port
// at `port`, sets Link and leaves the instrument reset. Returns Link.
uint8_t ProbeLink(int32_t *ps, uint8_t *dc, int32_t port);

} // namespace hwlink
