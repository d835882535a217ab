// SPDX-License-Identifier: GPL-3.0-or-later
// Waveform data files: four raw blocks (A1, A2, D0-D7, D8-D15) of one record length each, back
// to back with no header. In memory the blocks lie a stride apart (the channel areas of the
// capture memory).
#include "hwlink.h"
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr int kBlocks = 4;

// The close decides: buffered data that cannot be flushed is a failed save.
bool closeOk(File &f) {
    return std::fclose(f.release()) == 0;
}

bool writeBlocks(const uint8_t *buffer, int64_t stride, size_t len, const char *name) {
    File f(std::fopen(name, "wb"));
    if (!f) return false;
    for (int k = 0; k < kBlocks; ++k)
        if (std::fwrite(buffer + k * stride, 1, len, f.get()) != len) return false;
    return closeOk(f);
}

// The whole file is read into scratch memory first, so a short or unreadable file leaves the
// caller's record exactly as it was.
bool readBlocks(uint8_t *buffer, int64_t stride, size_t len, const char *name) {
    File f(std::fopen(name, "rb"));
    if (!f) return false;
    std::vector<uint8_t> scratch(len * kBlocks);
    for (int k = 0; k < kBlocks; ++k) {
        if (std::fseek(f.get(), long(k * len), SEEK_SET) != 0) return false;
        if (std::fread(scratch.data() + k * len, 1, len, f.get()) != len) return false;
    }
    if (!closeOk(f)) return false;
    for (int k = 0; k < kBlocks; ++k)
        std::copy_n(scratch.data() + k * len, len, buffer + k * stride);
    return true;
}

} // namespace

extern "C" {

HWLINK_API int32_t HWLINK_CALL freadwrite(uint8_t Mode, uint8_t *Buffer, int32_t Stride,
                                          int32_t Length, const char *FileName) {
    if (Buffer == nullptr || FileName == nullptr || Stride < 0 || Length < 0) return 0;
    try {
        if (Mode == 0) return writeBlocks(Buffer, Stride, size_t(Length), FileName) ? 1 : 0;
        if (Mode == 1) return readBlocks(Buffer, Stride, size_t(Length), FileName) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        // No room for the scratch copy: report the failure, the record is untouched.
    }
    return 0;
}

} // extern "C"
