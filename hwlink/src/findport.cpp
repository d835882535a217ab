// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument search (FindPort), the link probe and the power-down (PowerOff).
#include "hwlink.h"
#include "sim/sim.h"
#include "src/bus.h"
#include "src/libstate.h"
#include "src/link.h"
#include "src/registers.h"
#include "src/transport.h"

namespace hwlink {

namespace {

// Register 29 echoes the value written to it with its low four bits inverted and puts the
// board code on bits 4-5: 21 comes back as 42, 26 or 58 on the three boards.
constexpr uint8_t kIdProbe = 21;

// Bridge status bit 3: the bus runs at full speed (USB 1.1).
constexpr uint8_t kBridgeFullSpeed = 0x08;

constexpr int32_t kNoEppBase = 0x3BC; // the oldest port adapters have no EPP mode

uint8_t variantFromId(uint8_t id) {
    switch (id & 0x3F) {
    case 42:
        return 1;
    case 26:
        return 2;
    case 58:
        return 3;
    default:
        return 0;
    }
}

// Writes one register with the host driving the BPP strobes.
void bppWrite(int32_t base, uint8_t value, uint8_t strobe) {
    PortOut(base, value);
    PortOut(base + 2, strobe);
    PortOut(base + 2, 1);
    PortOut(base + 2, 0);
}

bool eppTest(int32_t base) {
    PortOut(base + 2, 0);
    PortOut(base + 3, reg::kControl);
    PortOut(base + 4, 5);
    const bool pass1 = (PortIn(base + 4) & 0x0F) == 0x0A;
    PortOut(base + 4, 10);
    const bool pass2 = (PortIn(base + 4) & 0x0F) == 0x05;
    return pass1 && pass2;
}

bool bppTest(int32_t base) {
    PortOut(base + 2, 0);
    bppWrite(base, reg::kControl, 9);
    bppWrite(base, 5, 3);
    PortOut(base + 2, 0x22);
    const bool pass1 = (PortIn(base) & 0x0F) == 0x0A;
    bppWrite(base, 10, 3);
    PortOut(base + 2, 0x22);
    const bool pass2 = (PortIn(base) & 0x0F) == 0x05;
    return pass1 && pass2;
}

} // namespace

std::unique_ptr<UsbDevice> openUsbLink(uint16_t vendor, uint16_t product) {
    if (sim::selectedLink() != sim::SimLink::None) return sim::openUsb(vendor, product);
    return openRealUsb(vendor, product);
}

std::unique_ptr<PortIo> openPortLink(int32_t base) {
    if (sim::selectedLink() != sim::SimLink::None) return sim::openPort(base);
    return openRealPort(base);
}

uint8_t ProbeLink(int32_t *ps, uint8_t *dc, int32_t port) {
    dc[HW_DC_Link] = HW_LINK_NONE;
    if (port == 0) {
        uint8_t speed = 0;
        BridgeRead(kBridgeStatus, 0, &speed, 1);
        dc[HW_DC_UsbSpeed] = (speed & kBridgeFullSpeed) ? 1 : 2;
        const uint8_t one = 1, four = 4;
        BridgeWrite(kBridgeSetup, 15, &one, 1);
        BridgeWrite(kBridgeSetup, 16, &four, 1);
        UsbSetAddr(reg::kConfigPort);
        UsbSetAddr(reg::kControl);
        UsbSetData(kIdProbe);
        const uint8_t variant = variantFromId(UsbGetData());
        dc[HW_DC_Variant] = variant;
        if (variant != 0) {
            dc[HW_DC_Link] = HW_LINK_USB;
            ps[HW_PS_AddrSel] = 0;
            ps[HW_PS_DataSel] = 1;
        }
    } else {
        for (int i = 0; i < 5; ++i)
            ps[i] = port + i;
        // Address 28 by the BPP sequence, which every port mode can carry.
        bppWrite(port, reg::kConfigPort, 9);
        if (port != kNoEppBase && eppTest(port))
            dc[HW_DC_Link] = HW_LINK_EPP;
        else if (bppTest(port))
            dc[HW_DC_Link] = HW_LINK_BPP;
    }
    // Configuration lines low, reset, control register cleared: the FPGA waits for its
    // configuration. With no instrument found these strobes go nowhere.
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], reg::kConfigPort);
    WriteStrobe(ps, dc, ps[HW_PS_DataSel], 0);
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], reg::kReset);
    DelayMs(100);
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], reg::kControl);
    WriteStrobe(ps, dc, ps[HW_PS_DataSel], 0);
    return dc[HW_DC_Link];
}

} // namespace hwlink

using namespace hwlink;

extern "C" HWLINK_API uint8_t HWLINK_CALL FindPort(int32_t *PortState, uint8_t *DevConfig,
                                                   uint8_t FullSearch) {
    if (!PortState || !DevConfig) return 0;
    DevConfig[HW_DC_Link] = HW_LINK_NONE;
    LibState &st = lib();
    st.usb.reset();
    st.port.reset();
    st.busAddress = -1;
    st.busFloating = false;

    for (const UsbId &id : kUsbIds) {
        st.usb = openUsbLink(id.vendor, id.product);
        if (st.usb) break;
    }
    if (st.usb) {
        if (ProbeLink(PortState, DevConfig, 0) != HW_LINK_NONE) return HW_LINK_USB;
        st.usb.reset(); // a bridge without the instrument behind it
    }
    if (FullSearch != 1) return 0;

    for (int i = 0; i < 3; ++i) {
        // An absent or busy port is not searched: nothing could answer there.
        st.port = openPortLink(kLptBases[i]);
        if (!st.port) continue;
        if (ProbeLink(PortState, DevConfig, kLptBases[i]) != HW_LINK_NONE) return uint8_t(i + 1);
        st.port.reset();
    }
    return 0;
}

extern "C" HWLINK_API uint8_t HWLINK_CALL PowerOff(int32_t *PortState, uint8_t *DevConfig) {
    if (!PortState || !DevConfig) return 0;
    const uint8_t link = DevConfig[HW_DC_Link];
    // The block's port writes cannot fail: on a parallel link a read-back first tells whether
    // an instrument is there to take them.
    const bool listening =
        (link != HW_LINK_EPP && link != HW_LINK_BPP) || ParallelEcho(PortState, DevConfig, false);
    // Configuration port low, control register to its resting value, register 31 cleared:
    // the front end is switched off.
    static const uint8_t block[6] = {reg::kConfigPort,       0,           reg::kControl,
                                     reg::kControlPowerDown, reg::kPower, 0};
    const bool sent = WritePairs(PortState, DevConfig, block, int32_t(sizeof block));
    if (link == HW_LINK_USB) {
        const bool open = lib().usb != nullptr;
        lib().usb.reset();
        return open && sent ? 1 : 0;
    }
    return listening ? link : 0;
}
