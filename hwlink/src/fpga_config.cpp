// SPDX-License-Identifier: GPL-3.0-or-later
#include "src/fpga_config.h"
#include "hwlink.h"
#include "src/bitstream_format.h"
#include "src/bus.h"
#include "src/libstate.h"
#include "src/registers.h"

namespace hwlink {

int32_t findSyncIndex(const uint8_t *configBits) {
    for (int32_t i = 0; i < kSyncSearchLen; ++i)
        if (configBits[i] == 0xFF) return i;
    return kSyncSearchLen - 1;
}

std::vector<uint8_t> buildConfigStream(const uint8_t *configBits) {
    const int32_t first = findSyncIndex(configBits);
    const int32_t n = first < kPayloadEnd ? kPayloadEnd - first : 0;
    std::vector<uint8_t> stream;
    stream.reserve(size_t(4 + 16 * n + 1));
    // Two clock pulses with data 0 before the payload.
    stream.insert(stream.end(), {0, reg::kConfigClock, 0, reg::kConfigClock});
    for (int32_t i = first; i < first + n; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const uint8_t b = (configBits[i] >> bit) & 1;
            stream.push_back(b);
            stream.push_back(b | reg::kConfigClock);
        }
    }
    stream.push_back(0);
    return stream;
}

bool configureFpga(int32_t *ps, uint8_t *dc, const uint8_t *configBits) {
    const int32_t addrSel = ps[HW_PS_AddrSel];
    const int32_t dataSel = ps[HW_PS_DataSel];

    WriteStrobe(ps, dc, addrSel, reg::kConfigPort); // configuration lines low
    WriteStrobe(ps, dc, dataSel, 0);
    WriteStrobe(ps, dc, addrSel, reg::kReset); // selecting it is the reset command
    DelayMs(1);
    WriteStrobe(ps, dc, addrSel, reg::kControl);
    DelayMs(10);
    WriteStrobe(ps, dc, dataSel, 0); // starts the configuration

    // A failed request is not a ready device, even though it reads as 0xFF.
    bool ready = false;
    for (int32_t k = 0; k < kReadyPolls && !ready; ++k) {
        uint8_t status = 0;
        const bool ok = ReadStatusChecked(ps, dc, &status);
        DelayMs(1);
        ready = ok && (status & reg::kStatusReady);
    }
    if (!ready) return false;

    const std::vector<uint8_t> stream = buildConfigStream(configBits);
    if (!WriteBlock(ps, dc, reg::kConfigPort, stream.data(), int32_t(stream.size()))) return false;

    WriteStrobe(ps, dc, addrSel, reg::kControl);
    uint8_t status = 0;
    // Likewise a failed status read must not pass for "done".
    return ReadStatusChecked(ps, dc, &status) && (status & reg::kStatusDone);
}

} // namespace hwlink

using namespace hwlink;

extern "C" HWLINK_API uint8_t HWLINK_CALL FindHardware(uint8_t /*Unused*/, int32_t *PortState,
                                                       uint8_t *DevConfig, uint8_t *ConfigBits) {
    if (!PortState || !DevConfig) return 0;
    // Fields the acquisition code owns start from nothing programmed.
    DevConfig[141] = 0;
    DevConfig[HW_DC_EtsOn] = 0;
    DevConfig[HW_DC_GainCode] = 0;
    DevConfig[HW_DC_GainCode + 1] = 0;
    for (int k = 0; k < 2; ++k) {
        DevConfig[HW_DC_GainSelBit + k] = reg::kSerFeSelect[k];
        DevConfig[HW_DC_GainClkBit + k] = reg::kSerFeClock[k];
    }
    PortState[HW_PS_SettleMs] = 0;
    PortState[HW_PS_EtsPasses] = 0;
    for (int i = HW_PS_DacPosA1; i <= HW_PS_ZeroA2; ++i)
        PortState[i] = 0;
    PortState[HW_PS_PktLastKind] = 1;
    PortState[HW_PS_PktLen] = 0;
    lib().gainFactor[0] = lib().gainFactor[1] = 1.0f;

    DevConfig[HW_DC_Configured] = 0;
    if (DevConfig[HW_DC_Link] == HW_LINK_NONE || !ConfigBits) return 0;
    // A bitstream that is not whole is never sent: the FPGA would take what it gets.
    if (!bitstreamComplete(ConfigBits)) return 0;
    if (configureFpga(PortState, DevConfig, ConfigBits)) DevConfig[HW_DC_Configured] = 1;
    return DevConfig[HW_DC_Configured];
}
