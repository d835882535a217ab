// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/acquisition/autoset.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/acquisition/loop.h"
#include "core/analysis/measure.h"
#include "core/base/format.h"
#include "core/base/rates.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/apply.h"
#include "core/timing/frontpanel.h"

namespace vrx {

namespace {

// Volts/div entries searched: 2 V/div down to 20 mV/div at 1:1.
constexpr int kCoarsestVdiv = 8, kFinestVdiv = 2;
// Real-time rates searched: 250 MSa/s down to 5 KSa/s.
constexpr int kFastestRate = kFirstRealTimeRate, kSlowestRate = 21;
// The rates that find the frequency, fastest first (250 MSa/s, 5 MSa/s, 50 KSa/s, 20 KSa/s).
constexpr std::array<uint8_t, 4> kSurveyRates = {6, 12, 18, 19};
constexpr uint8_t kUnitZoom = 5; // x1

// The most codes a signal is set to span: 7.6 divisions, which noise and the converters'
// mismatch (a few codes) keep below eight. The 1-2-5 steps of the volts/div then make it at
// least 76 (three divisions); the larger the span, the closer the measured peak-to-peak.
constexpr int32_t kMostSpan = 190;
// Codes kept free between the signal and each rail.
constexpr int32_t kRailMargin = 8;
// A span of fewer codes has no edges to count: noise and the converters' residue.
constexpr int32_t kLeastSpan = 12;
// Fewest samples a period that counts.
constexpr int32_t kLeastPeriod = 4;
// A position this close to the one aimed at is kept (no slew of the zero line for nothing).
constexpr int32_t kPositionSlack = 3;
// Trials with the settings aimed at, before Autoset takes what it has.
constexpr int kMostSteps = 8;

// Bounds of one trial's wait for its record, beyond the time the record takes to fill (twice).
constexpr int64_t kTrialMarginMs = 2000;
// Status polls once the record should be full: about the pace of a request over the bus.
constexpr int64_t kPollMs = 1;

// The settings Autoset may change, to put back after a failure.
struct Saved {
    ChannelSettings channels;
    AcquisitionSettings acquisition;
    TriggerSettings trigger;
    ViewSettings view;
};

Saved Save() {
    const AppState &s = app();
    return {s.channels, s.acquisition, s.trigger, s.view};
}

void Restore(const Saved &v) {
    AppState &s = app();
    s.channels = v.channels;
    s.acquisition = v.acquisition;
    s.trigger = v.trigger;
    s.view = v.view;
}

void SetRate(int r) {
    AcquisitionSettings &a = app().acquisition;
    a.RateIndex = static_cast<uint8_t>(r);
    a.SamplePeriod = kRates[static_cast<size_t>(r)].period;
    a.SampleRate = kRates[static_cast<size_t>(r)].rate;
}

// What one or more records showed of the trigger channel: the extremes (codes, 0 the top) and
// the frequency from whole periods (0: fewer than two periods).
struct Seen {
    int32_t lo = 255, hi = 0;
    double hertz = 0;
    int32_t span() const { return hi - lo; }
    int32_t mid() const { return (lo + hi) / 2; }
    // Within the margin of a rail: the converters' corrections leave a clipped signal a few
    // codes short of 0 and 255, so what lies there may go on beyond.
    bool railed() const { return lo < kRailMargin || hi > 255 - kRailMargin; }
};

// One trial: a forced acquisition with the current settings, measured over the whole record of
// the trigger channel `ch`.
AutosetOutcome AutosetMeasure(size_t ch, AutosetResult &r, Seen &seen) {
    AppState &s = app();
    ++r.trials;
    if (!ArmInstrument()) return AutosetOutcome::InstrumentLost;
    const double periodS = SamplePeriodSeconds(s.acquisition.RateIndex);
    const auto fillMs = static_cast<int64_t>(s.acquisition.RecordLen * periodS * 1000.0);
    const int64_t deadline = LoopNowMs() + 2 * fillMs + 1 + kTrialMarginMs;
    for (bool first = true;; first = false) {
        if (LinkFailed(ForceTrigger(s.records.PortState.data(), s.records.DevConfig.data())))
            return AutosetOutcome::InstrumentLost;
        s.run.TrigStat = ReadTrigStat();
        if (s.run.TrigStat == HW_STAT_COMPLETE) break;
        if (LinkFailed(s.run.TrigStat)) return AutosetOutcome::InstrumentLost;
        if (LoopNowMs() > deadline) return AutosetOutcome::NoRecord;
        // Nothing to ask before the record can be full.
        LoopSleepMs(first ? fillMs : kPollMs);
    }
    const TestStretch t = MeasureStretch(1);
    uint8_t *data = s.records.SampleBuf.data() + (ch == ChA1 ? HW_SB_A1 : HW_SB_A2);
    std::array<int32_t, HW_MEAS_RECORD_LEN> m{};
    TestAd(data, t.start, s.channels.ChanPos[ch], s.trigger.TrigLevel[ch], m.data(), t.length);
    seen = {};
    seen.lo = 255 - m[0]; // the engine's maximum and minimum voltage
    seen.hi = 255 - m[1];
    // Two whole periods or more, of four samples or more: faster crossings are the converters'
    // comb on a clipped input, or a signal too fast for the rate.
    if (seen.span() >= kLeastSpan && TestFreq(data, t.start, seen.mid(), m.data(), t.length) >= 0 &&
        m[HW_MEAS_PERIODS] >= 2 && m[HW_MEAS_SPAN] + 1 >= kLeastPeriod * m[HW_MEAS_PERIODS])
        seen.hertz = m[HW_MEAS_PERIODS] / ((m[HW_MEAS_SPAN] + 1) * periodS);
    return AutosetOutcome::Done;
}

// Records at the survey rates, fastest first, until one counts two periods; the extremes of
// all of them.
AutosetOutcome Survey(size_t ch, AutosetResult &r, Seen &seen) {
    seen = {};
    for (const uint8_t rate : kSurveyRates) {
        SetRate(rate);
        Seen one;
        const AutosetOutcome o = AutosetMeasure(ch, r, one);
        if (o != AutosetOutcome::Done) return o;
        seen.lo = std::min(seen.lo, one.lo);
        seen.hi = std::max(seen.hi, one.hi);
        if (one.hertz > 0) {
            seen.hertz = one.hertz;
            break;
        }
    }
    return AutosetOutcome::Done;
}

// The fastest real-time rate that shows at least two periods of `hertz` across the screen.
int RateFor(double hertz) {
    const AppState &s = app();
    const double screen = s.screen.ScreenSamples * s.view.TimeZoom[0];
    for (int rate = kFastestRate; rate < kSlowestRate; ++rate)
        if (hertz * SamplePeriodSeconds(rate) * screen >= 2) return rate;
    return kSlowestRate;
}

// Volts/div and position, and the code the signal's middle will be at.
struct Aim {
    int vdiv;
    int16_t pos;
    int32_t mid;
};

// The position that puts code `mid`, seen at volts/div `v` and position `pos`, at the screen's
// centre at volts/div `w` (the zero line is where the position puts it; the codes about it
// scale with the volts/div).
int16_t CentreAt(int32_t mid, int v, int16_t pos, int w) {
    const double k = VdivCodeMv(v) / VdivCodeMv(w);
    return static_cast<int16_t>(std::clamp(RoundHalfEven(128 - (mid - pos) * k), 0, 255));
}

// The aim of volts/div `w` for the signal seen at `v` and `pos`.
Aim AimOf(const Seen &seen, int v, int16_t pos, int w) {
    const double k = VdivCodeMv(v) / VdivCodeMv(w);
    const int16_t p = CentreAt(seen.mid(), v, pos, w);
    return {w, p, std::clamp(RoundHalfEven(p + (seen.mid() - pos) * k), 0, 255)};
}

// Where the signal seen at volts/div `v` and position `pos` lies whole and centred: the most
// sensitive entry at which it spans at most `kMostSpan` codes and stays clear of both rails.
// What lies beyond a rail is unknown: such a signal is measured again at the largest entry,
// centred (at the largest entry already, only centred).
Aim AimAt(const Seen &seen, int v, int16_t pos) {
    if (seen.railed()) return AimOf(seen, v, pos, kCoarsestVdiv);
    for (int w = kFinestVdiv; w < kCoarsestVdiv; ++w) {
        const double k = VdivCodeMv(v) / VdivCodeMv(w);
        const Aim a = AimOf(seen, v, pos, w);
        if (seen.span() * k <= kMostSpan && a.pos + (seen.lo - pos) * k >= kRailMargin &&
            a.pos + (seen.hi - pos) * k <= 255 - kRailMargin)
            return a;
    }
    return AimOf(seen, v, pos, kCoarsestVdiv);
}

// The starting values of the channel and the timebase.
void Start(size_t ch) {
    AppState &s = app();
    s.channels.Coupling[ch] = 0;
    // Each new volts/div costs a calibration of the input (some 370 ms): the search starts from
    // the one in use, which the signal often already suits, and goes to the largest only when
    // the signal touches a rail there.
    s.channels.VdivIndex[ch] =
        static_cast<uint8_t>(std::clamp<int>(s.channels.VdivIndex[ch], kFinestVdiv, kCoarsestVdiv));
    s.channels.ChanPos[ch] = 128;
    s.acquisition.CaptureMode = 2;
    s.acquisition.DepthIndex = 0;
    s.acquisition.RecordLen = 2048;
    s.acquisition.LastSample = 2047;
    s.acquisition.ZoomIndex = kUnitZoom;
    s.view.TimeZoom[0] = ZoomFactor(kUnitZoom);
    s.channels.SelChannel = static_cast<int16_t>(ch);
    s.trigger.TrigSlope[ch] = 0;
    s.trigger.TrigLevel[ch] = 128;
    s.view.BarPos[0] = 150;
    s.view.BarPos[1] = 450;
    s.view.BarPos[2] = 300;
    s.view.ScrollPos = 0;
}

AutosetOutcome Search(size_t ch, AutosetResult &r) {
    AppState &s = app();
    uint8_t &vdiv = s.channels.VdivIndex[ch];
    int16_t &pos = s.channels.ChanPos[ch];
    double hertz = 0;
    for (int step = 0; step < kMostSteps; ++step) {
        // At the rate for the frequency once it is known; the survey before, or when the record
        // at that rate no longer counts two periods.
        const bool surveyed = hertz == 0;
        Seen seen;
        if (!surveyed) SetRate(RateFor(hertz));
        const AutosetOutcome o = surveyed ? Survey(ch, r, seen) : AutosetMeasure(ch, r, seen);
        if (o != AutosetOutcome::Done) return o;
        hertz = seen.hertz;
        r.hertz = hertz;
        const Aim aim = AimAt(seen, vdiv, pos);
        const bool placed = aim.vdiv == vdiv && std::abs(aim.pos - pos) <= kPositionSlack;
        // Nothing more to try: a flat line, or nothing that repeats fast enough.
        if (placed && (seen.span() < kLeastSpan || (surveyed && hertz == 0)))
            return AutosetOutcome::NoSignal;
        if (placed) {
            s.trigger.TrigLevel[ch] = static_cast<uint8_t>(seen.mid());
            if (!surveyed && RateFor(hertz) == s.acquisition.RateIndex) return AutosetOutcome::Done;
        } else {
            vdiv = static_cast<uint8_t>(aim.vdiv);
            pos = aim.pos;
            s.trigger.TrigLevel[ch] = static_cast<uint8_t>(aim.mid);
        }
    }
    // Still moving after every step: the last settings, if a frequency was found.
    if (hertz == 0) return AutosetOutcome::NoSignal;
    SetRate(RateFor(hertz));
    return AutosetOutcome::Done;
}

} // namespace

AutosetResult Autoset0() {
    AppState &s = app();
    AutosetResult r;
    if (s.run.HwFound == 0) return r;
    const Saved before = Save();
    if (s.trigger.TrigChannel < TrigA1 || s.trigger.TrigChannel > TrigA2)
        s.trigger.TrigChannel = TrigA1;
    const auto ch = static_cast<size_t>(s.trigger.TrigChannel);
    Start(ch);
    r.outcome = Search(ch, r);
    if (r.outcome != AutosetOutcome::Done) {
        Restore(before);
        r.message = r.outcome == AutosetOutcome::NoRecord   ? kAutosetNoRecordText
                    : r.outcome == AutosetOutcome::NoSignal ? kAutosetNoSignalText
                                                            : kAutosetLostText;
    }
    r.channel = static_cast<int16_t>(ch);
    r.VdivIndex = s.channels.VdivIndex[ch];
    r.RateIndex = s.acquisition.RateIndex;
    r.ChanPos = s.channels.ChanPos[ch];
    r.TrigLevel = s.trigger.TrigLevel[ch];
    if (!r.message.isEmpty()) ui().MessageBox(r.message, kAutosetCaption, MsgButtons::Ok);
    return r;
}

AutosetResult AutosetClick() {
    AppState &s = app();
    AcquisitionControls &ac = acquisitionControls();
    if (s.run.HwFound == 0) {
        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            ac.LabelStat[0].setText(kNotConfiguredText);
        return {};
    }
    const AutosetResult r = Autoset0();
    ApplySettings();
    ac.Button(9).setPressed(false);
    // The first "Go" stops what runs, the second starts afresh with the new settings.
    s.run.Running = 1;
    tbToolBar_ButtonClick(1);
    tbToolBar_ButtonClick(1);
    return r;
}

} // namespace vrx
