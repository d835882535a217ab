// SPDX-License-Identifier: GPL-3.0-or-later
// Waveform data files: four raw blocks (A1, A2, D0-D7, D8-D15) of one record length each, back
// to back with no header. In memory the blocks lie a stride apart (the channel areas of the
// capture memory).
#include "hwlink.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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

// The temporary file of a save, beside its target: removed again unless renamed over it.
class TempFile {
  public:
    explicit TempFile(const char *target) : path_(std::string(target) + ".XXXXXX") {
        const int fd = mkostemp(path_.data(), O_CLOEXEC);
        if (fd < 0) return;
        file_.reset(fdopen(fd, "wb"));
        if (!file_) {
            close(fd);
            unlink(path_.c_str());
        }
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile() {
        if (!file_) return;
        file_.reset();
        unlink(path_.c_str());
    }
    std::FILE *get() const { return file_.get(); }
    // Puts the file, flushed to the disk, in the target's place.
    bool renameOver(const char *target) {
        const bool ok = std::fflush(file_.get()) == 0 && fsync(fileno(file_.get())) == 0 &&
                        closeOk(file_) && rename(path_.c_str(), target) == 0;
        if (!ok) unlink(path_.c_str());
        return ok;
    }

  private:
    std::string path_;
    File file_;
};

// The new file is written beside the target under a temporary name and renamed over it only
// once it is complete and on the disk, so a save that fails (disk full, I/O error) leaves the
// previous file whole. The file gets the previous file's permissions, or those a newly
// created file would get.
bool writeBlocks(const uint8_t *buffer, int64_t stride, size_t len, const char *name) {
    // An existing file is replaced where it really lies (through a symbolic link), and only a
    // regular file: a device or a pipe of that name is not the place for a record.
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(name, nullptr), &std::free);
    const char *target = real ? real.get() : name;
    struct stat old {};
    mode_t mode = 0;
    if (stat(target, &old) == 0) {
        if (!S_ISREG(old.st_mode)) return false;
        mode = old.st_mode & 07777;
    } else {
        mode = umask(0);
        umask(mode);
        mode = 0666 & ~mode;
    }
    TempFile tmp(target);
    if (!tmp.get()) return false;
    for (int k = 0; k < kBlocks; ++k)
        if (std::fwrite(buffer + k * stride, 1, len, tmp.get()) != len) return false;
    return fchmod(fileno(tmp.get()), mode) == 0 && tmp.renameOver(target);
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
    // The four blocks lie inside a buffer of SampleBuf's size.
    if (Buffer == nullptr || FileName == nullptr || Stride < 0 || Length < 0 ||
        int64_t(Stride) * (kBlocks - 1) + Length > HW_SAMPLEBUF_LEN)
        return 0;
    try {
        if (Mode == 0) return writeBlocks(Buffer, Stride, size_t(Length), FileName) ? 1 : 0;
        if (Mode == 1) return readBlocks(Buffer, Stride, size_t(Length), FileName) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        // No room for the scratch copy: report the failure, the record is untouched.
    }
    return 0;
}

} // extern "C"
