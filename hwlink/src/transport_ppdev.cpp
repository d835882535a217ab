// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel-port link over Linux ppdev. A base address is found among the kernel's ports by
// /proc/sys/dev/parport/*/base-addr. Plain register accesses map to the data/status/control
// ioctls; EPP address and data cycles are one-byte reads and writes in EPP mode. The kernel
// keeps only control bits 0x0F, so the data-direction bit 0x20 goes through PPDATADIR.
#include "src/transport.h"
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace hwlink {

namespace {

constexpr uint8_t kDirectionIn = 0x20;

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// "/dev/parportN" for the port at `base`, or "" when the kernel has none there.
std::string deviceForBase(int32_t base) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it("/proc/sys/dev/parport", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("parport", 0) != 0) continue;
        std::FILE *f = std::fopen((it->path() / "base-addr").c_str(), "r");
        if (!f) continue;
        long addr = -1;
        const int n = std::fscanf(f, "%ld", &addr);
        std::fclose(f);
        if (n == 1 && addr == base) return "/dev/" + name;
    }
    return {};
}

class PpdevPort final : public PortIo {
  public:
    PpdevPort(std::unique_ptr<Fd> fd, int32_t base) : fd_(std::move(fd)), base_(base) {}
    ~PpdevPort() override { ::ioctl(fd_->get(), PPRELEASE); }
    PpdevPort(const PpdevPort &) = delete;
    PpdevPort &operator=(const PpdevPort &) = delete;

    int32_t base() const override { return base_; }

    void out(int32_t port, uint8_t value) override {
        unsigned char v = value;
        switch (port - base_) {
        case 0:
            ::ioctl(fd(), PPWDATA, &v);
            break;
        case 2: {
            const int dirIn = (value & kDirectionIn) ? 1 : 0;
            if (dirIn != dirIn_) {
                ::ioctl(fd(), PPDATADIR, &dirIn);
                dirIn_ = dirIn;
            }
            unsigned char ctl = value & 0x0F;
            ::ioctl(fd(), PPWCONTROL, &ctl);
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

    uint8_t in(int32_t port) override {
        unsigned char v = 0xFF;
        switch (port - base_) {
        case 0:
            ::ioctl(fd(), PPRDATA, &v);
            break;
        case 1:
            ::ioctl(fd(), PPRSTATUS, &v);
            break;
        case 2:
            ::ioctl(fd(), PPRCONTROL, &v);
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
        unsigned char b[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        if (port - base_ == 4) {
            if (setMode(IEEE1284_MODE_EPP)) readAll(b, 4);
        } else {
            for (unsigned char &x : b)
                x = in(port);
        }
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }

  private:
    int fd() const { return fd_->get(); }

    bool setMode(int mode) {
        if (mode == mode_) return true;
        if (::ioctl(fd(), PPSETMODE, &mode) != 0) return false;
        mode_ = mode;
        return true;
    }

    bool writeAll(const unsigned char *p, size_t n) {
        while (n > 0) {
            const ssize_t r = ::write(fd(), p, n);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            p += r;
            n -= size_t(r);
        }
        return true;
    }

    bool readAll(unsigned char *p, size_t n) {
        while (n > 0) {
            const ssize_t r = ::read(fd(), p, n);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            p += r;
            n -= size_t(r);
        }
        return true;
    }

    std::unique_ptr<Fd> fd_;
    int32_t base_;
    int mode_ = -1;
    int dirIn_ = 0;
};

} // namespace

std::unique_ptr<PortIo> openRealPort(int32_t base) {
    const std::string dev = deviceForBase(base);
    if (dev.empty()) return nullptr;
    auto fd = std::make_unique<Fd>(::open(dev.c_str(), O_RDWR | O_CLOEXEC));
    if (fd->get() < 0) return nullptr;
    // Another driver (a printer spooler, lp) holding the port makes it busy: not found.
    if (::ioctl(fd->get(), PPCLAIM) != 0) return nullptr;
    return std::make_unique<PpdevPort>(std::move(fd), base);
}

} // namespace hwlink
