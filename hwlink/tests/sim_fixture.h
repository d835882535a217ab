// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up for the tests that run the library against the simulated instrument: the
// virtual clock, a freshly powered instrument, an in-memory trace and clean records; and the
// compact ways of writing the trace a test expects.
#pragma once
#include "hwlink.h"
#include "sim/instrument.h"
#include "sim/sim.h"
#include "src/clock.h"
#include "src/libstate.h"
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace hwlink::test {

using Trace = std::vector<std::string>;
// Values compared as one list: a failure prints the whole list.
using V = std::vector<int64_t>;

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        useVirtualClock(true);
        ::unsetenv("HWLINK_SIM_TRACE");
        ::unsetenv("HWLINK_SIM_VARIANT");
        ::unsetenv("HWLINK_SIM_FAULT");
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
        ::unsetenv("HWLINK_SIM_FAULT");
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

// ConfigBits as the program fills it: zeroed, the last eleven bytes preset to 0xFF, then the
// file read over the start (a missing file leaves just that).
inline std::vector<uint8_t> loadConfigBits(const std::string &path) {
    std::vector<uint8_t> bits(HW_CONFIGBITS_LEN, 0);
    std::fill(bits.begin() + 12040, bits.end(), 0xFF);
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        const size_t n = std::fread(bits.data(), 1, bits.size(), f);
        (void)n;
        std::fclose(f);
    }
    return bits;
}

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

// The lines of `t` that start (or do not start, with keep false) with one of the prefixes.
inline Trace filter(const Trace &t, std::initializer_list<const char *> prefixes,
                    bool keep = true) {
    Trace out;
    for (const auto &l : t) {
        bool match = false;
        for (const char *p : prefixes)
            match = match || l.rfind(p, 0) == 0;
        if (match == keep) out.push_back(l);
    }
    return out;
}
// The register-bus events of a trace (what the instrument saw), without the link events.
inline Trace busEvents(const Trace &t) {
    return filter(t, {"addr ", "wr ", "rd "});
}

// Trace lines written in one string, separated by '|'.
inline Trace lines(const std::string &s) {
    Trace out;
    std::stringstream in(s);
    for (std::string l; std::getline(in, l, '|');)
        out.push_back(l);
    return out;
}

inline Trace concat(std::initializer_list<Trace> parts) {
    Trace out;
    for (const auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The events of register strobes written "a28 w0 r42": an address strobe (28), a data write (0)
// and a data read (giving 42; a bare "r" leaves the value out). On the bus alone, or with the
// events each link adds: a USB single request, an EPP cycle, or the host-driven BPP strobes
// (control 9 for an address, 3 for data) and nibble read.
enum class Via { Bus, Usb, Epp, Bpp };
inline Trace ops(const std::string &s, Via via = Via::Bus) {
    Trace out;
    std::stringstream in(s);
    for (std::string op; in >> op;) {
        const char k = op[0];
        const std::string v = op.substr(1);
        auto add = [&](std::initializer_list<std::string> l) { out.insert(out.end(), l); };
        if (via == Via::Usb)
            add({k == 'a'   ? "usb-reg-write 131 0 1"
                 : k == 'w' ? "usb-reg-write 133 0 1"
                            : "usb-reg-read 132 0 1"});
        if (via == Via::Epp)
            add({(k == 'a' ? "port-out 891 " : k == 'w' ? "port-out 892 " : "port-in 892 ") + v});
        if (via == Via::Bpp && k == 'r') add({"port-out 890 34", "port-in 888 " + v});
        if (via == Via::Bpp && k != 'r')
            add({"port-out 888 " + v, k == 'a' ? "port-out 890 9" : "port-out 890 3"});
        add({(k == 'a' ? "addr" : k == 'w' ? "wr" : "rd") + (v.empty() ? "" : " " + v)});
        if (via == Via::Bpp && k != 'r') add({"port-out 890 1", "port-out 890 0"});
    }
    return out;
}

// A queued USB packet: one register request carrying the strobes, then the strobes.
inline Trace usbPacket(const std::string &s) {
    Trace t = ops(s);
    t.insert(t.begin(), "usb-reg-write 131 0 " + std::to_string(t.size()));
    return t;
}

} // namespace hwlink::test
