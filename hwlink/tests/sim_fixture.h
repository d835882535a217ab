// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up for the tests that run the library against the simulated instrument: the
// virtual clock, a freshly powered instrument, an in-memory trace and clean records.
#pragma once
#include "hwlink.h"
#include "sim/instrument.h"
#include "sim/sim.h"
#include "src/clock.h"
#include "src/libstate.h"
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hwlink::test {

using Trace = std::vector<std::string>;

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        useVirtualClock(true);
        ::unsetenv("HWLINK_SIM_TRACE");
        ::unsetenv("HWLINK_SIM_VARIANT");
        selectSim("");
        sim::resetSimulator();
        sim::captureTrace(true);
    }
    void TearDown() override {
        lib().usb.reset();
        lib().port.reset();
        sim::captureTrace(false);
        sim::resetSimulator();
        ::unsetenv("HWLINK_SIM");
        ::unsetenv("HWLINK_SIM_VARIANT");
    }

    static void selectSim(const char *link) { ::setenv("HWLINK_SIM", link, 1); }

    // FindPort on the named simulated link, with the trace of the search thrown away.
    // Returns the Link found.
    uint8_t connect(const char *link) {
        selectSim(link);
        FindPort(ps, dc, 1);
        sim::takeTrace();
        return dc[HW_DC_Link];
    }

    int32_t ps[HW_PORTSTATE_LEN] = {};
    uint8_t dc[HW_DEVCONFIG_LEN] = {};
};

// Lines of `t` from `from` (inclusive), `n` of them.
inline Trace slice(const Trace &t, size_t from, size_t n) {
    if (from >= t.size()) return {};
    return Trace(t.begin() + std::ptrdiff_t(from),
                 t.begin() + std::ptrdiff_t(std::min(t.size(), from + n)));
}

inline size_t countPrefix(const Trace &t, const std::string &prefix) {
    size_t n = 0;
    for (const auto &l : t)
        n += l.rfind(prefix, 0) == 0;
    return n;
}

} // namespace hwlink::test
