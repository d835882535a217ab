// SPDX-License-Identifier: GPL-3.0-or-later
// The system calls the parallel-port link makes: the file-descriptor calls on /dev/parportN and
// on the kernel's /proc description of its ports, and the listing of that description. Gathered
// in one table so that the link can run against fake ports in tests; kPpdevSys is the kernel.
#pragma once
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hwlink {

struct PortSys {
    int (*open)(const char *path, int flags);
    int (*close)(int fd);
    int (*ioctl)(int fd, unsigned long request, void *arg);
    ssize_t (*read)(int fd, void *buf, size_t n);
    ssize_t (*write)(int fd, const void *buf, size_t n);
    // The entry names of a directory; empty when it cannot be read.
    std::vector<std::string> (*listDir)(const char *path);
};

extern const PortSys kPpdevSys;

} // namespace hwlink
