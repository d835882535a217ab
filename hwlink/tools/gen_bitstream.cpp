// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the synthetic bitstream that the simulated instrument's FPGA accepts.
#include "src/bitstream_format.h"
#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bit\n", argv[0]);
        return 2;
    }
    const auto bits = hwlink::makeSyntheticBitstream();
    std::FILE *f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(bits.data(), 1, bits.size(), f) == bits.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
