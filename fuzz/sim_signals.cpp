// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's HWLINK_SIM_SIGNALS and HWLINK_SIM_FAULT texts: any bytes are parsed without a
// crash, a parse fails exactly when it names a refused item, and a refused signal item is named
// as written (fault items are named without their blanks).
#include "sim/acquisition_model.h"
#include "sim/sim.h"
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> rejected;
    hwlink::sim::SignalConfig cfg = hwlink::sim::defaultSignals();
    if (hwlink::sim::parseSignals(text, cfg, &rejected) != rejected.empty()) std::abort();
    for (const std::string &item : rejected)
        if (text.find(item) == std::string::npos) std::abort();
    rejected.clear();
    hwlink::sim::Faults f;
    if (hwlink::sim::parseFaults(text, f, &rejected) != rejected.empty()) std::abort();
    return 0;
}
