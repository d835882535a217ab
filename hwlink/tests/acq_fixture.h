// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up for the acquisition and read-back tests: a configured simulated instrument,
// the program's default acquisition settings and the calls the acquisition loop makes.
#pragma once
#include "sim/acquisition_model.h"
#include "sim_fixture.h"
#include "src/readback.h"
#include <vector>

namespace hwlink::test {

// The acquisition settings as the program passes them (its defaults).
struct Settings {
    int32_t lastSample = 2047;
    uint8_t depth = 0;
    uint8_t rate = 8;
    int16_t trigChannel = 0;
    int32_t trigPos = 600;
    uint8_t slope[3] = {0, 0, 0};
    uint8_t level[6] = {128, 128, 0, 0xFF, 0, 0xFF};
    uint8_t trigDac = 98;
    uint8_t coupling[2] = {0, 0};
    uint8_t vdiv[2] = {4, 5};
    int16_t pos[2] = {178, 203};
    uint8_t zoom = 5;
};

class AcqTest : public SimTest {
  protected:
    void TearDown() override {
        model().setSignals(sim::defaultSignals());
        model().setErrors(sim::ConverterErrors{});
        SimTest::TearDown();
    }

    static sim::AcquisitionModel &model() { return sim::instrument().model(); }

    // FindPort and FindHardware on a simulated link, traces discarded.
    void bringUp(const char *link) {
        ASSERT_NE(connect(link), 0);
        std::vector<uint8_t> bits = loadConfigBits(VRX_TEST_BITSTREAM);
        dc[HW_DC_ModelCode] = 55;
        dc[HW_DC_Variant] = 1;
        ASSERT_EQ(FindHardware(0, ps, dc, bits.data()), 1);
        sim::takeTrace();
    }

    // bringUp, then a first Capture of `s` (it calibrates both channels), trace discarded.
    void arm(Settings &s, const char *link = "usb") {
        bringUp(link);
        capture(s);
        sim::takeTrace();
    }
    // The signals at A1 and A2.
    void setInputs(sim::AnalogSignal s1, sim::AnalogSignal s2) {
        sim::SignalConfig sig = model().signals();
        sig.analog[0] = s1;
        sig.analog[1] = s2;
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
    // Polls until the record is complete (or the polls run out); returns the last status.
    uint8_t pollUntilComplete(Settings &s, int maxPolls = 2000) {
        uint8_t st = 0;
        for (int i = 0; i < maxPolls; ++i)
            if ((st = poll(s)) == HW_STAT_COMPLETE) break;
        return st;
    }
    // Capture, then poll to completion with the trace switched off (records are long).
    uint8_t acquire(Settings &s) {
        capture(s);
        sim::captureTrace(false);
        const uint8_t st = pollUntilComplete(s);
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

} // namespace hwlink::test
