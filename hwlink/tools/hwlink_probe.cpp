// SPDX-License-Identifier: GPL-3.0-or-later
// hwlink-probe: looks for a VRX-73604 on USB and the parallel ports, configures its FPGA from a
// bitstream file and says what it found. Exit status 0 only when the instrument is configured.
#include "hwlink.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct UsbId {
    unsigned vendor, product;
};
constexpr UsbId kIds[] = {{0x05E3, 0x2500}, {0x05E3, 0x0182}, {0x05E3, 0x0185}, {0x3195, 0x0020}};

struct DirCloser {
    void operator()(DIR *d) const { closedir(d); }
};
struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

long readNumber(const std::string &path, int base) {
    File f(std::fopen(path.c_str(), "r"));
    char buf[32] = {};
    if (!f || !std::fgets(buf, sizeof buf, f.get())) return -1;
    return std::strtol(buf, nullptr, base);
}

// Device nodes of attached instruments that this user cannot open: the USB device is there but
// the udev rules are not in effect.
std::vector<std::string> inaccessibleInstruments() {
    std::vector<std::string> nodes;
    const std::string root = "/sys/bus/usb/devices/";
    std::unique_ptr<DIR, DirCloser> dir(opendir(root.c_str()));
    if (!dir) return nodes;
    while (const dirent *e = readdir(dir.get())) {
        if (e->d_name[0] == '.') continue;
        const std::string dev = root + e->d_name + "/";
        const long vendor = readNumber(dev + "idVendor", 16);
        const long product = readNumber(dev + "idProduct", 16);
        bool ours = false;
        for (const UsbId &id : kIds)
            ours = ours || (vendor == long(id.vendor) && product == long(id.product));
        if (!ours) continue;
        char node[64];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03ld/%03ld", readNumber(dev + "busnum", 10),
                      readNumber(dev + "devnum", 10));
        if (access(node, R_OK | W_OK) != 0) nodes.emplace_back(node);
    }
    return nodes;
}

// ConfigBits as the program loads it: zeroed, the last eleven bytes preset to 0xFF, then the
// file read over the start. Only a regular file is read: the open does not wait (a FIFO of that
// name would block it until a writer came), and anything but a regular file is refused.
// Returns what went wrong, or nullptr.
const char *loadBitstream(const char *path, std::vector<uint8_t> &bits) {
    bits.assign(HW_CONFIGBITS_LEN, 0);
    std::fill(bits.begin() + 12040, bits.end(), 0xFF);
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    File f(fdopen(fd, "rb"));
    if (!f) {
        close(fd);
        return "cannot be opened";
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return "not a regular file";
    return std::fread(bits.data(), 1, bits.size(), f.get()) > 0 ? nullptr : "empty";
}

// The bitstream the programs would read: 73604.bit in the working directory, else in the user's
// data folder ($XDG_DATA_HOME/vrx73604, by default ~/.local/share/vrx73604), else beside this
// program (the build folder), else in the installed data folder; none there: the working
// directory's name, which then fails to read and says so.
std::string defaultBitstream() {
    const std::string name = "73604.bit";
    std::vector<std::string> dirs{"."};
    const char *xdg = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    if (xdg && xdg[0])
        dirs.push_back(std::string(xdg) + "/vrx73604");
    else if (home && home[0])
        dirs.push_back(std::string(home) + "/.local/share/vrx73604");
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        std::string exeDir(exe, size_t(n));
        exeDir.erase(exeDir.find_last_of('/'));
        dirs.push_back(exeDir);
        dirs.push_back(exeDir + "/" VRX_BIN_TO_PKGDATA);
    }
    for (const std::string &dir : dirs) {
        const std::string path = dir == "." ? name : dir + "/" + name;
        if (access(path.c_str(), F_OK) != 0) continue;
        // Said without the "bin/.." of the installed data folder.
        std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                         &std::free);
        return dir == "." || !real ? path : std::string(real.get());
    }
    return name;
}

std::string linkText(uint8_t found, const uint8_t *dc, const int32_t *ps) {
    char text[64];
    switch (dc[HW_DC_Link]) {
    case HW_LINK_USB:
        return dc[HW_DC_UsbSpeed] == 1 ? "USB 1.1" : "USB 2.0";
    case HW_LINK_EPP:
    case HW_LINK_BPP:
        std::snprintf(text, sizeof text, "%s parallel port at %XH (port %u)",
                      dc[HW_DC_Link] == HW_LINK_EPP ? "EPP" : "BPP", unsigned(ps[HW_PS_LptData]),
                      unsigned(found));
        return text;
    default:
        return "none";
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 2 ||
        (argc == 2 && (!std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")))) {
        std::printf("usage: %s [BITSTREAM]\n"
                    "Finds a VRX-73604 on USB or a parallel port, configures its FPGA from\n"
                    "BITSTREAM and reports the result. Exit status 0 only when the instrument is\n"
                    "configured. Default BITSTREAM: 73604.bit in the working directory, else in\n"
                    "~/.local/share/vrx73604 ($XDG_DATA_HOME/vrx73604), else the one beside the\n"
                    "program or installed with it (share/vrx73604).\n",
                    argv[0]);
        return argc > 2 ? 2 : 0;
    }
    const std::string bitFile = argc == 2 ? argv[1] : defaultBitstream();
    const char *bitPath = bitFile.c_str();

    int32_t ps[HW_PORTSTATE_LEN] = {};
    uint8_t dc[HW_DEVCONFIG_LEN] = {};
    const uint8_t found = FindPort(ps, dc, 1);
    std::printf("Link:          %s\n", linkText(found, dc, ps).c_str());
    if (found == 0) {
        const std::vector<std::string> denied = inaccessibleInstruments();
        for (const std::string &node : denied)
            std::printf("Hint: an instrument is attached at %s but this user may not open it.\n"
                        "      Install the udev rules (70-vrx73604.rules in lib/udev/rules.d),\n"
                        "      then unplug and replug the instrument or log in again.\n",
                        node.c_str());
        if (denied.empty())
            std::printf("Hint: check the cable and the instrument's power; parallel ports need\n"
                        "      read/write access to /dev/parport* (group lp).\n");
        return 1;
    }
    if (dc[HW_DC_Link] == HW_LINK_USB)
        std::printf("Board variant: %u\n", unsigned(dc[HW_DC_Variant]));
    else
        std::printf("Board variant: not identified on a parallel port\n");

    std::vector<uint8_t> bits;
    if (const char *why = loadBitstream(bitPath, bits))
        std::printf("Bitstream:     %s cannot be read (%s)\n", bitPath, why);
    else
        std::printf("Bitstream:     %s\n", bitPath);
    const uint8_t configured = FindHardware(0, ps, dc, bits.data());
    std::printf("FPGA:          %s\n",
                configured ? "configured, \"done\" reported" : "not configured, no \"done\"");
    PowerOff(ps, dc);
    return configured ? 0 : 1;
}
