// SPDX-License-Identifier: GPL-3.0-or-later
// Framing of the FPGA bitstream as the configuration port sees it, and the synthetic bitstream
// the build generates for the simulated instrument.
//
// A bitstream file starts with a header (no 0xFF byte), then the payload: 0xFF dummy bytes, the
// 32-bit synchronisation word, the 32-bit length of the body (big-endian), the body, its CRC-32
// (big-endian) and 0xFF padding up to byte 12041. The FPGA hunts for the synchronisation word in
// the serial bit stream at any bit offset, takes the length, clocks in the body and reports
// "done" only when the CRC of what it received matches.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hwlink {

constexpr uint32_t kBitSyncWord = 0xAA995566u;
constexpr int kBitLastByte = 12041;      // the payload ends at this index of ConfigBits
constexpr int kSyntheticHeaderLen = 60;  // the synthetic file's sync byte sits at index 60
constexpr int kSyntheticBodyLen = 11950; // fills the payload up to 16 bytes of padding
constexpr int kSyntheticFileLen = kBitLastByte + 1;

uint32_t crc32(const uint8_t *data, size_t len);

// Whether ConfigBits holds a whole bitstream, checked before anything is sent: after the sync
// byte and the 0xFF dummy bytes that follow it, the synchronisation word, a length of at least
// one byte, and the body with its CRC-32 inside the payload and matching it. A file that ends
// early (the rest of ConfigBits keeps the loader's zeros) fails: cut after the sync word it has
// a length of 0, cut later a CRC that does not match what is there.
bool bitstreamComplete(const uint8_t *configBits);

// The synthetic bitstream file's bytes (kSyntheticFileLen of them), deterministic.
std::vector<uint8_t> makeSyntheticBitstream();

} // namespace hwlink
