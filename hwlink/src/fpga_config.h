// SPDX-License-Identifier: GPL-3.0-or-later
// FPGA configuration through register 28: the serial stream built from ConfigBits (pure) and
// the bus sequence that sends it.
#pragma once
#include <cstdint>
#include <vector>

namespace hwlink {

constexpr int32_t kConfigBitsLen = 12051;
constexpr int32_t kPayloadEnd = 12042; // one past the last payload byte
constexpr int32_t kSyncSearchLen = 500;
constexpr int32_t kReadyPolls = 500;
// Lead-in, two bytes per payload bit, trailer, for a payload starting at index 0.
constexpr int32_t kMaxStreamLen = 4 + 16 * kPayloadEnd + 1;

// Index of the synchronisation byte: the first 0xFF among the first 500 bytes, else 499.
int32_t findSyncIndex(const uint8_t *configBits);

// The serial stream for register 28: lead-in 0, 2, 0, 2; each payload bit b, most significant
// first, as b then b | 2 (data set up with the clock low, then the clock raised); trailer 0.
std::vector<uint8_t> buildConfigStream(const uint8_t *configBits);

// Resets the FPGA, waits for it to be ready, sends the stream and reads the done bit.
bool configureFpga(int32_t *ps, uint8_t *dc, const uint8_t *configBits);

} // namespace hwlink
