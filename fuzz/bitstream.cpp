// SPDX-License-Identifier: GPL-3.0-or-later
// The bitstream loader: any file, placed in the configuration buffer as the program loads it
// (zeros after a short file, the padding past the payload), is checked before anything is sent;
// a bitstream the check passes is one the simulated FPGA, hunting for the synchronisation word
// at any bit, takes and reports done, and its serial stream never exceeds the longest one.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz/fuzz.h"
#include "hwlink.h"
#include "sim/instrument.h"
#include "src/bitstream_format.h"
#include "src/fpga_config.h"
#include "src/registers.h"

using namespace hwlink;
using vrx::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<uint8_t> bits(HW_CONFIGBITS_LEN, 0);
    std::fill(bits.begin() + 12040, bits.end(), uint8_t{0xFF});
    std::memcpy(bits.data(), data, std::min(size, bits.size()));
    if (!bitstreamComplete(bits.data())) return 0;
    const std::vector<uint8_t> stream = buildConfigStream(bits.data());
    Require(stream.size() <= size_t(kMaxStreamLen), "the stream fits the longest one");
    Require(stream.size() == size_t(4 + 16 * (kPayloadEnd - findSyncIndex(bits.data())) + 1),
            "the stream holds every payload bit from the sync byte on");
    // The FPGA as the configuration sequence drives it: reset, start, the stream.
    static sim::Instrument fpga;
    fpga.powerOn(1);
    fpga.selectAddress(reg::kConfigPort);
    fpga.writeData(0);
    fpga.selectAddress(reg::kReset);
    fpga.selectAddress(reg::kControl);
    fpga.writeData(0);
    Require(fpga.ready(), "the FPGA is ready for its configuration");
    fpga.selectAddress(reg::kConfigPort);
    for (uint8_t b : stream)
        fpga.writeData(b);
    Require(fpga.configured(), "a bitstream the check passes configures the FPGA");
    return 0;
}
