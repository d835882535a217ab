// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel-port link over Linux ppdev. A base address is found among the kernel's ports by
// /proc/sys/dev/parport/*/base-addr. Plain register accesses map to the data/status/control
// ioctls; EPP address and data cycles are one-byte reads and writes in EPP mode. The kernel
// keeps only control bits 0x0F, so the data-direction bit 0x20 goes through PPDATADIR. Every
// system call goes through a PortSys table.
#include "src/port_sys.h"
#include "src/transport.h"
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hwlink {

namespace {

int sysOpen(const char *path, int flags) {
    return ::open(path, flags);
}

int sysIoctl(int fd, unsigned long request, void *arg) {
    return ::ioctl(fd, request, arg);
}

std::vector<std::string> sysListDir(const char *path) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

} // namespace

const PortSys kPpdevSys = {sysOpen, ::close, sysIoctl, ::read, ::write, sysListDir};

namespace {

constexpr uint8_t kDirectionIn = 0x20;
constexpr uint8_t kControlBits = 0x0F;
constexpr const char *kProcPorts = "/proc/sys/dev/parport";

class Fd {
  public:
    Fd(const PortSys &sys, int fd) : sys_(sys), fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) sys_.close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }

  private:
    const PortSys &sys_;
    int fd_;
};

// Calls `io` (a read or write) until all `n` bytes have moved; false on an error or a cycle
// that moved nothing (an EPP cycle the instrument did not answer).
template <typename Io, typename Byte> bool transferAll(Io io, int fd, Byte *p, size_t n) {
    while (n > 0) {
        const ssize_t r = io(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

// The base address the kernel gives a port: the first decimal number of its base-addr file.
long readBaseAddr(const PortSys &sys, const std::string &path) {
    const Fd fd(sys, sys.open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return -1;
    char text[64];
    const ssize_t n = sys.read(fd.get(), text, sizeof text);
    if (n <= 0) return -1;
    const char *p = text, *end = text + n;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    long addr = -1;
    const auto [stop, ec] = std::from_chars(p, end, addr);
    return ec == std::errc() && stop != p ? addr : -1;
}

// "/dev/parportN" for the port at `base`, or "" when the kernel has none there.
std::string deviceForBase(const PortSys &sys, int32_t base) {
    for (const std::string &name : sys.listDir(kProcPorts)) {
        if (name.rfind("parport", 0) != 0) continue;
        if (readBaseAddr(sys, std::string(kProcPorts) + "/" + name + "/base-addr") == base)
            return "/dev/" + name;
    }
    return {};
}

class PpdevPort final : public PortIo {
  public:
    PpdevPort(const PortSys &sys, std::unique_ptr<Fd> fd, int32_t base)
        : sys_(sys), fd_(std::move(fd)), base_(base) {}
    ~PpdevPort() override { ioctl(PPRELEASE, nullptr); }
    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    int32_t base() const override { return base_; }

    void out(int32_t port, uint8_t value) override {
        unsigned char v = value;
        switch (port - base_) {
        case 0:
            ioctl(PPWDATA, &v);
            break;
        case 2: {
            int dirIn = (value & kDirectionIn) ? 1 : 0;
            // Remembered only once the port has taken it, so that a failed turn-around is
            // tried again with the next control write.
            if (dirIn != dirIn_ && ioctl(PPDATADIR, &dirIn)) dirIn_ = dirIn;
            unsigned char ctl = value & kControlBits;
            ioctl(PPWCONTROL, &ctl);
            break;
        }
        case 3:
            if (setMode(IEEE1284_MODE_EPP | IEEE1284_ADDR)) writeAll(&v, 1);
            break;
        case 4:
            if (setMode(IEEE1284_MODE_EPP)) writeAll(&v, 1);
            break;
        default:
            break;
        }
    }

    // A read that fails gives 0xFF, as floating data lines do.
    uint8_t in(int32_t port) override {
        unsigned char v = 0xFF;
        switch (port - base_) {
        case 0:
            ioctl(PPRDATA, &v);
            break;
        case 1:
            ioctl(PPRSTATUS, &v);
            break;
        case 2:
            ioctl(PPRCONTROL, &v);
            break;
        case 3:
            if (setMode(IEEE1284_MODE_EPP | IEEE1284_ADDR)) readAll(&v, 1);
            break;
        case 4:
            if (setMode(IEEE1284_MODE_EPP)) readAll(&v, 1);
            break;
        default:
            break;
        }
        return v;
    }

    uint32_t in32(int32_t port) override {
        if (port - base_ != 4) {
            uint32_t w = 0;
            for (int i = 0; i < 4; ++i)
                w |= uint32_t(in(port)) << (8 * i);
            return w;
        }
        unsigned char b[4];
        // A short read is no data at all: no mix of fresh bytes and stale ones.
        if (!setMode(IEEE1284_MODE_EPP) || !readAll(b, 4)) return 0xFFFFFFFFu;
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }

  private:
    bool ioctl(unsigned long request, void *arg) {
        return counted(sys_.ioctl(fd_->get(), request, arg) == 0);
    }
    bool counted(bool ok) {
        if (!ok) ++failures_;
        return ok;
    }

    bool setMode(int mode) {
        if (mode == mode_) return true;
        if (!ioctl(PPSETMODE, &mode)) return false;
        mode_ = mode;
        return true;
    }

    bool writeAll(const unsigned char *p, size_t n) {
        return counted(transferAll(sys_.write, fd_->get(), p, n));
    }
    bool readAll(unsigned char *p, size_t n) {
        return counted(transferAll(sys_.read, fd_->get(), p, n));
    }

    const PortSys &sys_;
    std::unique_ptr<Fd> fd_;
    int32_t base_;
    int mode_ = -1;
    int dirIn_ = 0;
};

} // namespace

std::unique_ptr<PortIo> openRealPort(int32_t base, const PortSys &sys) {
    const std::string dev = deviceForBase(sys, base);
    if (dev.empty()) return nullptr;
    auto fd = std::make_unique<Fd>(sys, sys.open(dev.c_str(), O_RDWR | O_CLOEXEC));
    if (fd->get() < 0) return nullptr;
    // Another driver (a printer spooler, lp) holding the port makes it busy: not found.
    if (sys.ioctl(fd->get(), PPCLAIM, nullptr) != 0) return nullptr;
    return std::make_unique<PpdevPort>(sys, std::move(fd), base);
}

} // namespace hwlink
