// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: a failed property ends the run with its description (libFuzzer
// keeps the input as the reproducer), and inputs that carry several texts are split at NULs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vrx::fuzz {

inline void Require(bool ok, const char *property) {
    if (ok) return;
    std::fprintf(stderr, "property failed: %s\n", property);
    std::abort();
}

// The pieces of `data` between NUL bytes (an input without one is a single piece).
inline std::vector<std::string> SplitAtNul(const uint8_t *data, size_t size) {
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            pieces.emplace_back();
        else
            pieces.back() += static_cast<char>(data[i]);
    }
    return pieces;
}

} // namespace vrx::fuzz
