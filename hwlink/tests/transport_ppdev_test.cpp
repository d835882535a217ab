// SPDX-License-Identifier: GPL-3.0-or-later
// The parallel-port link run against a fake kernel: the /proc mapping of base addresses, the
// claim, the ioctls and EPP cycles each port access becomes, and failed calls.
#include "src/port_sys.h"
#include "src/transport.h"
#include <cerrno>
#include <deque>
#include <gtest/gtest.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <map>
#include <sys/ioctl.h>

namespace hwlink::test {
namespace {

const std::string kProc = "/proc/sys/dev/parport/";

// The kernel as the link sees it: the ports /proc describes, their /dev nodes, and a log of
// every call made on a node, '|'-separated. Data reads give 0x40, 0x41, ...
struct FakeKernel {
    std::map<std::string, std::string> baseAddr; // port name -> contents of its base-addr
    std::map<std::string, int> nodes;            // port name -> errno of opening it (0 opens)
    bool busy = false;                           // another driver holds the port
    std::string failing{};                       // a call that fails with EIO
    std::deque<ssize_t> reads{}; // bytes the next read()s move (0: none, < 0: -errno)
    std::string log{}, opened{};
    uint8_t nextByte = 0x40, control = 0;
    std::map<int, std::string> procFiles{}; // descriptor -> what is left to read
    std::map<int, bool> nodeFds{};          // descriptor -> claimed
    int nextFd = 10;

    // Logs a call on a node; the errno it fails with, or 0.
    int call(int fd, const std::string &entry) {
        log += (log.empty() ? "" : "|") + entry;
        if (!nodeFds.count(fd)) return ENOTTY;
        if (!nodeFds[fd]) return EINVAL; // ppdev refuses everything before the claim
        return entry.rfind(failing, 0) == 0 && !failing.empty() ? EIO : 0;
    }
};
FakeKernel *k; // the kernel the fake calls reach

int fail(int e) {
    errno = e;
    return -1;
}

int fakeOpen(const char *path, int) {
    for (const auto &[name, text] : k->baseAddr)
        if (path == kProc + name + "/base-addr") {
            k->procFiles[k->nextFd] = text;
            return k->nextFd++;
        }
    for (const auto &[name, err] : k->nodes)
        if (path == "/dev/" + name) {
            if (err) return fail(err);
            k->opened += path;
            k->nodeFds[k->nextFd] = false;
            return k->nextFd++;
        }
    return fail(ENOENT);
}

int fakeClose(int fd) {
    return k->procFiles.erase(fd) + k->nodeFds.erase(fd) ? 0 : fail(EBADF);
}

std::vector<std::string> fakeListDir(const char *path) {
    if (path + std::string("/") != kProc) return {};
    std::vector<std::string> names = {"default"};
    for (const auto &[name, text] : k->baseAddr)
        names.push_back(name);
    return names;
}

int fakeIoctl(int fd, unsigned long request, void *arg) {
    static const std::map<unsigned long, const char *> names = {
        {PPCLAIM, "PPCLAIM"},       {PPRELEASE, "PPRELEASE"}, {PPWDATA, "PPWDATA"},
        {PPRDATA, "PPRDATA"},       {PPRSTATUS, "PPRSTATUS"}, {PPRCONTROL, "PPRCONTROL"},
        {PPWCONTROL, "PPWCONTROL"}, {PPDATADIR, "PPDATADIR"}, {PPSETMODE, "PPSETMODE"}};
    auto *byte = static_cast<unsigned char *>(arg);
    auto *word = static_cast<int *>(arg);
    std::string entry = names.at(request);
    if (request == PPWDATA || request == PPWCONTROL) entry += " " + std::to_string(*byte);
    if (request == PPDATADIR) entry += " " + std::to_string(*word);
    if (request == PPSETMODE)
        entry += *word == IEEE1284_MODE_EPP                     ? " epp"
                 : *word == (IEEE1284_MODE_EPP | IEEE1284_ADDR) ? " epp-addr"
                                                                : " " + std::to_string(*word);
    if (request == PPCLAIM && k->nodeFds.count(fd) && !k->busy) k->nodeFds[fd] = true;
    if (const int e = k->call(fd, entry)) return fail(e);
    if (request == PPRDATA || request == PPRSTATUS) *byte = k->nextByte++;
    if (request == PPWCONTROL) k->control = *byte;
    if (request == PPRCONTROL) *byte = k->control;
    return 0;
}

// One EPP cycle per byte, as many as k->reads lets through.
ssize_t eppCycles(int fd, size_t n, const std::string &entry) {
    if (const int e = k->call(fd, entry)) return fail(e);
    if (k->reads.empty()) return ssize_t(n);
    const ssize_t r = k->reads.front();
    k->reads.pop_front();
    return r < 0 ? fail(int(-r)) : std::min(ssize_t(n), r);
}

ssize_t fakeRead(int fd, void *buf, size_t n) {
    auto *p = static_cast<unsigned char *>(buf);
    if (auto f = k->procFiles.find(fd); f != k->procFiles.end()) {
        const size_t len = f->second.copy(reinterpret_cast<char *>(p), n);
        f->second.erase(0, len);
        return ssize_t(len);
    }
    const ssize_t r = eppCycles(fd, n, "read " + std::to_string(n));
    for (ssize_t i = 0; i < r; ++i)
        p[i] = k->nextByte++;
    return r;
}

ssize_t fakeWrite(int fd, const void *buf, size_t n) {
    std::string entry = "write";
    for (size_t i = 0; i < n; ++i)
        entry += " " + std::to_string(static_cast<const unsigned char *>(buf)[i]);
    return eppCycles(fd, n, entry);
}

const PortSys kFakeKernel = {fakeOpen, fakeClose, fakeIoctl, fakeRead, fakeWrite, fakeListDir};

class PpdevTest : public ::testing::Test {
  protected:
    void SetUp() override { k = &kernel; }
    void TearDown() override {
        EXPECT_TRUE(kernel.procFiles.empty() && kernel.nodeFds.empty()) << "descriptor left open";
        k = nullptr;
    }

    // A fresh kernel with one free port at 378H, opened; the log starts after the claim.
    std::unique_ptr<PortIo> claimedPort() {
        kernel = FakeKernel{.baseAddr = {{"parport0", "888\t1912\n"}}, .nodes = {{"parport0", 0}}};
        auto port = openRealPort(0x378, kFakeKernel);
        EXPECT_EQ((std::pair{kernel.log, port ? port->base() : 0}),
                  (std::pair{std::string("PPCLAIM"), 0x378}));
        kernel.log.clear();
        return port;
    }

    FakeKernel kernel;
};

TEST_F(PpdevTest, BaseAddressesMapThroughProcAndAbsentOrBusyPortsAreNotFound) {
    // the node opened; the calls on it while opened and closed
    // clang-format off
    const struct { int32_t base; int openErr; bool busy; const char *opened, *log; } cases[] = {
        {0x378, 0, false, "/dev/parport1", "PPCLAIM|PPRELEASE"},
        {0x278, 0, false, "/dev/parport2", "PPCLAIM|PPRELEASE"},
        {0x3BC, 0, false, "/dev/parport0", "PPCLAIM|PPRELEASE"}, {0x2BC, 0, false, "", ""}, // none
        {0x378, ENOENT, false, "", ""}, {0x378, EACCES, false, "", ""}, // user not in group lp
        {0x378, 0, true, "/dev/parport1", "PPCLAIM"}};
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.base) + " " + std::to_string(c.openErr));
        // In no particular order, with a PCI card's port and unreadable entries among them.
        kernel = FakeKernel{};
        kernel.baseAddr = {{"parport0", "956\t0\n"},     {"parport1", "888\t1912\n"},
                           {"parport2", " 632\t1656\n"}, {"parport3", "53264\t53272\n"},
                           {"parport4", "junk\n"},       {"parport5", ""}};
        kernel.nodes = {{"parport0", 0}, {"parport1", c.openErr}, {"parport2", 0}};
        kernel.busy = c.busy;
        const bool found = openRealPort(c.base, kFakeKernel) != nullptr;
        EXPECT_EQ((std::tuple{found, kernel.opened, kernel.log}),
                  (std::tuple{std::string(c.log).find("PPRELEASE") != std::string::npos,
                              std::string(c.opened), std::string(c.log)}));
    }
}

// Only control bits 0x0F reach PPWCONTROL (not the interrupt enable 0x10); bit 5 turns the data
// lines round by PPDATADIR, once per change (a failed turn is tried again). EPP cycles set their
// mode only when it changes. A failed call reads as floating lines.
TEST_F(PpdevTest, AccessesBecomeIoctlsAndEppCyclesFailedCallsReadAsFloatingLines) {
    auto port = claimedPort();
    // op: 'o' out, 'i' in, 'w' in32; failing: a call that fails; reads: the bytes the next
    // read()s move (< 0: -errno); fresh: on a newly claimed port
    // clang-format off
    const struct Step { char op; int offset, value; const char *log; uint32_t result = 0;
                        const char *failing = ""; std::deque<ssize_t> reads = {};
                        bool fresh = false; } steps[] = {
        {'o', 0, 0x55, "PPWDATA 85"}, {'i', 0, 0, "PPRDATA", 0x40}, {'i', 1, 0, "PPRSTATUS", 0x41},
        {'o', 2, 9, "PPWCONTROL 9"}, {'o', 2, 0x22, "PPDATADIR 1|PPWCONTROL 2"},
        {'i', 2, 0, "PPRCONTROL", 2}, {'o', 2, 0x20, "PPWCONTROL 0"},
        {'o', 2, 0x0F, "PPDATADIR 0|PPWCONTROL 15"}, {'o', 2, 0x1F, "PPWCONTROL 15"},
        {'o', 3, 29, "PPSETMODE epp-addr|write 29"}, {'o', 4, 5, "PPSETMODE epp|write 5"},
        {'o', 4, 6, "write 6"}, {'i', 4, 0, "read 1", 0x42},
        {'w', 4, 0, "read 4", 0x46454443}, // first byte lowest
        {'i', 3, 0, "PPSETMODE epp-addr|read 1", 0x47},
        {'w', 1, 0, "PPRSTATUS|PPRSTATUS|PPRSTATUS|PPRSTATUS", 0x4B4A4948},
        {'o', 5, 1, ""}, {'i', 5, 0, "", 0xFF},
        {'o', 2, 0x22, "PPDATADIR 1|PPWCONTROL 2", 0, "PPDATADIR"},
        {'o', 2, 0x20, "PPDATADIR 1|PPWCONTROL 0"},
        {'i', 0, 0, "PPRDATA", 0xFF, "PPRDATA", {}, true},
        {'i', 1, 0, "PPRSTATUS", 0xFF, "PPRSTATUS", {}, true},
        {'i', 4, 0, "PPSETMODE epp", 0xFF, "PPSETMODE", {}, true},
        {'i', 4, 0, "PPSETMODE epp|read 1", 0xFF, "", {0}, true}, // an EPP cycle nobody answered
        {'i', 4, 0, "PPSETMODE epp|read 1|read 1", 0x40, "", {-EINTR, 1}, true},
        {'w', 4, 0, "PPSETMODE epp|read 4|read 1", 0x43424140, "", {3, 1}, true},
        {'w', 4, 0, "PPSETMODE epp|read 4|read 2", 0xFFFFFFFF, "", {2, 0}, true},
        {'w', 4, 0, "PPSETMODE epp|read 4", 0xFFFFFFFF, "", {-EIO}, true},
        {'w', 4, 0, "PPSETMODE epp", 0xFFFFFFFF, "PPSETMODE", {}, true}};
    // clang-format on
    for (const Step &s : steps) {
        SCOPED_TRACE(std::string(1, s.op) + " base+" + std::to_string(s.offset) + " " + s.log);
        if (s.fresh) port.reset(), port = claimedPort(); // closed before the kernel is renewed
        kernel.log.clear();
        kernel.failing = s.failing;
        kernel.reads = s.reads;
        uint32_t r = 0;
        if (s.op == 'o') port->out(0x378 + s.offset, uint8_t(s.value));
        if (s.op == 'i') r = port->in(0x378 + s.offset);
        if (s.op == 'w') r = port->in32(0x378 + s.offset);
        EXPECT_EQ((std::pair{kernel.log, r}), (std::pair{std::string(s.log), s.result}));
    }
}

} // namespace
} // namespace hwlink::test
