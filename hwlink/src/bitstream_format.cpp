// SPDX-License-Identifier: GPL-3.0-or-later
#include "src/bitstream_format.h"
#include "src/fpga_config.h"
#include <algorithm>
#include <cstring>

namespace hwlink {

uint32_t crc32(const uint8_t *data, size_t len) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < len; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {
void putBe32(std::vector<uint8_t> &v, size_t at, uint32_t x) {
    v[at] = uint8_t(x >> 24);
    v[at + 1] = uint8_t(x >> 16);
    v[at + 2] = uint8_t(x >> 8);
    v[at + 3] = uint8_t(x);
}
uint32_t getBe32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
} // namespace

bool bitstreamComplete(const uint8_t *configBits) {
    constexpr int64_t kEnd = kPayloadEnd;
    int64_t at = findSyncIndex(configBits);
    if (configBits[at] != 0xFF) return false;
    while (at < kEnd && configBits[at] == 0xFF)
        ++at;
    if (at + 8 > kEnd || getBe32(configBits + at) != kBitSyncWord) return false;
    const int64_t length = getBe32(configBits + at + 4);
    const int64_t body = at + 8;
    if (length == 0 || body + length + 4 > kEnd) return false;
    return getBe32(configBits + body + length) == crc32(configBits + body, size_t(length));
}

std::vector<uint8_t> makeSyntheticBitstream() {
    std::vector<uint8_t> f(kSyntheticFileLen, 0xFF);
    // Header in the style of a vendor bit file: field tags and texts, never an 0xFF byte.
    static const char header[] = "\x00\x09VRX73604\x00\x01"
                                 "a"
                                 "73604.ncd;synthetic\x00"
                                 "b"
                                 "simulated\x00"
                                 "c"
                                 "2026/12/06\x00"
                                 "e";
    std::memset(f.data(), 0, kSyntheticHeaderLen);
    std::memcpy(f.data(), header, std::min(sizeof header - 1, size_t(kSyntheticHeaderLen)));
    size_t at = kSyntheticHeaderLen;
    at += 4; // 0xFF dummy bytes; the first is the sync byte
    putBe32(f, at, kBitSyncWord);
    at += 4;
    putBe32(f, at, kSyntheticBodyLen);
    at += 4;
    uint32_t x = 0x73604u; // body: a fixed pseudo-random pattern
    for (int i = 0; i < kSyntheticBodyLen; ++i) {
        x = x * 1664525u + 1013904223u;
        f[at + i] = uint8_t(x >> 24);
    }
    putBe32(f, at + kSyntheticBodyLen, crc32(&f[at], kSyntheticBodyLen));
    return f;
}

} // namespace hwlink
