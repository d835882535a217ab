// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up for the tests that run the library against the simulated instrument: the
// virtual clock, a freshly powered instrument with its default inputs, the library's own state
// reset, an in-memory trace; the program's default acquisition settings and the calls its
// acquisition loop makes; and the compact ways of writing the trace a test expects.
#pragma once
#include "hwlink.h"
#include "sim/acquisition_model.h"
#include "sim/instrument.h"
#include "sim/sim.h"
#include "src/clock.h"
#include "src/libstate.h"
#include "src/readback.h"
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace hwlink::test {

using Trace = std::vector<std::string>;
// Values compared as one list: a failure prints the whole list.
using V = std::vector<int64_t>;

// Every test starts from the same library and simulator, whatever ran before it in the same
// process: no open device, no remembered bus state or gain, the default inputs and converter
// errors, no faults, no environment items.
class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        useVirtualClock(true);
        reset();
        sim::captureTrace(true);
    }
    void TearDown() override {
        sim::captureTrace(false);
        reset();
    }
    static void reset() {
        for (const char *v : {"HWLINK_SIM", "HWLINK_SIM_TRACE", "HWLINK_SIM_VARIANT",
                              "HWLINK_SIM_FAULT", "HWLINK_SIM_SIGNALS"})
            ::unsetenv(v);
        sim::openTraceFromEnv(); // closes a trace file left open
        lib() = LibState{};      // and a device
        model().setSignals(sim::defaultSignals());
        model().setErrors(sim::ConverterErrors{});
        sim::resetSimulator();
    }

    static void selectSim(const char *link) { ::setenv("HWLINK_SIM", link, 1); }
    static sim::AcquisitionModel &model() { return sim::instrument().model(); }

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
    std::ifstream(path, std::ios::binary)
        .read(reinterpret_cast<char *>(bits.data()), std::streamsize(bits.size()));
    return bits;
}

inline std::vector<uint8_t> fileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The acquisition settings as the program passes them (its defaults).
struct Settings {
    int32_t lastSample = 2047, trigPos = 600;
    uint8_t depth = 0, rate = 8, trigDac = 98, zoom = 5;
    int16_t trigChannel = 0, pos[2] = {178, 203};
    uint8_t slope[3] = {0, 0, 0}, level[6] = {128, 128, 0, 0xFF, 0, 0xFF};
    uint8_t coupling[2] = {0, 0}, vdiv[2] = {4, 5};
};

class AcqTest : public SimTest {
  protected:
    // FindPort and FindHardware on a simulated link, traces discarded.
    void bringUp(const char *link) {
        ASSERT_NE(connect(link), 0);
        std::vector<uint8_t> bits = loadConfigBits(VRX_TEST_BITSTREAM);
        dc[HW_DC_ModelCode] = 55;
        dc[HW_DC_Variant] = 1;
        ASSERT_EQ(FindHardware(0, ps, dc, bits.data()), 1);
        sim::takeTrace();
    }

    // bringUp, then a first Capture of `s` (it calibrates both channels), trace discarded;
    // returns `s`.
    Settings arm(const char *link = "usb", Settings s = {}) {
        bringUp(link);
        capture(s);
        sim::takeTrace();
        return s;
    }
    // The signals at A1 and A2; with a `word`, noise-free inputs and the logic inputs holding it.
    void setInputs(sim::AnalogSignal s1, sim::AnalogSignal s2, int word = -1) {
        sim::SignalConfig sig = model().signals();
        sig.analog[0] = s1, sig.analog[1] = s2;
        if (word >= 0) sig.logicCounter = false, sig.logicWord = uint16_t(word), sig.noise = 0;
        model().setSignals(sig);
    }

    uint8_t capture(Settings &s) {
        return Capture(ps, dc, s.lastSample, s.depth, 0, s.rate, s.trigChannel, s.trigPos, s.slope,
                       s.level, s.trigDac, s.coupling, s.vdiv, s.pos);
    }
    uint8_t poll(Settings &s) {
        return GetTrigStat(sb.data(), s.lastSample, s.depth, s.vdiv, ps, dc, s.rate, s.trigChannel,
                           s.slope, s.level, s.trigPos, s.zoom, viewStart);
    }
    // Polls while the record is waiting for its trigger or filling (or until the polls run
    // out); returns the last status.
    uint8_t pollUntilSettled(Settings &s, int maxPolls = 2000) {
        uint8_t st = HW_STAT_WAIT_TRIGGER;
        for (int i = 0; i < maxPolls && (st == HW_STAT_WAIT_TRIGGER || st == HW_STAT_FILLING); ++i)
            st = poll(s);
        return st;
    }
    // Capture, then poll to completion with the trace switched off (records are long).
    uint8_t acquire(Settings &s) {
        capture(s);
        sim::captureTrace(false);
        const uint8_t st = pollUntilSettled(s);
        sim::captureTrace(true);
        return st;
    }

    uint8_t *a1() { return sb.data() + HW_SB_A1; }
    uint8_t *a2() { return sb.data() + HW_SB_A2; }
    uint8_t *d0() { return sb.data() + HW_SB_D0_D7; }
    uint8_t *d8() { return sb.data() + HW_SB_D8_D15; }

    std::vector<uint8_t> sb = std::vector<uint8_t>(HW_SAMPLEBUF_LEN, 128);
    int32_t viewStart[4] = {};
};

// Lines of `t` from `from` (inclusive), `n` of them.
inline Trace slice(const Trace &t, size_t from, size_t n) {
    if (from >= t.size()) return {};
    return Trace(t.begin() + std::ptrdiff_t(from),
                 t.begin() + std::ptrdiff_t(std::min(t.size(), from + n)));
}

// The lines of `t` that start (or do not start, with keep false) with one of the prefixes.
inline Trace filter(const Trace &t, std::initializer_list<const char *> prefixes,
                    bool keep = true) {
    Trace out;
    std::copy_if(t.begin(), t.end(), std::back_inserter(out), [&](const std::string &l) {
        return keep == std::any_of(prefixes.begin(), prefixes.end(),
                                   [&](const char *p) { return l.rfind(p, 0) == 0; });
    });
    return out;
}
inline int64_t countPrefix(const Trace &t, const char *prefix) {
    return int64_t(filter(t, {prefix}).size());
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
