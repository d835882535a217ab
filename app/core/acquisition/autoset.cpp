// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/acquisition/autoset.h"

#include <algorithm>

#include "core/acquisition/loop.h"
#include "core/analysis/measure.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/apply.h"
#include "core/timing/frontpanel.h"

namespace vrx {

namespace {

// Results of `TestAd` that the trials read.
constexpr size_t kPeakToPeak = 3, kPeriod = 10, kMid = 12;

// Starting values.
constexpr uint8_t kFirstVdiv = 8, kLastVdiv = 2; // 2v .. 20mv at 1:1
constexpr uint8_t kStartRate = 18;               // 50KSa/S
constexpr uint8_t kFirstRate = 6, kLastRate = 20; // 250MSa/S .. 10KSa/S
constexpr uint8_t kUnitZoom = 5;                 // x1

// Bounds of one trial's wait for its record, beyond the time the record takes to fill (twice).
constexpr int64_t kTrialMarginMs = 2000;
constexpr int32_t kMaxPolls = 20000; // also ends the wait when no clock moves

// The settings Autoset may change, to put back after a failure.
struct Saved {
    ChannelSettings channels;
    AcquisitionSettings acquisition;
    TriggerSettings trigger;
    ViewSettings view;
    int32_t TestStart, TestLen;
};

Saved Save() {
    const AppState &s = app();
    return {s.channels, s.acquisition, s.trigger, s.view, s.run.TestStart, s.run.TestLen};
}

void Restore(const Saved &v) {
    AppState &s = app();
    s.channels = v.channels;
    s.acquisition = v.acquisition;
    s.trigger = v.trigger;
    s.view = v.view;
    s.run.TestStart = v.TestStart;
    s.run.TestLen = v.TestLen;
}

void SetRate(uint8_t r) {
    AcquisitionSettings &a = app().acquisition;
    a.RateIndex = r;
    a.SamplePeriod = kRates[r].period;
    a.SampleRate = kRates[r].rate;
}

// Milliseconds a record of the current length takes to fill at the current rate.
int64_t RecordMs() {
    const AcquisitionSettings &a = app().acquisition;
    static constexpr double kToMs[3] = {1e-6, 1e-3, 1.0};
    const int group = RateGroup(a.RateIndex);
    return group < 0 ? 0 : static_cast<int64_t>(a.RecordLen * a.SamplePeriod * kToMs[group]) + 1;
}

// One trial: a forced acquisition with the current settings, measured on the trigger channel.
AutosetOutcome AutosetMeasure(AutosetResult &r) {
    AppState &s = app();
    ++r.trials;
    if (!ArmInstrument()) return AutosetOutcome::InstrumentLost;
    const int64_t deadline = LoopNowMs() + 2 * RecordMs() + kTrialMarginMs;
    for (int32_t polls = 0;; ++polls) {
        if (LinkFailed(ForceTrigger(s.records.PortState.data(), s.records.DevConfig.data())))
            return AutosetOutcome::InstrumentLost;
        s.run.TrigStat = ReadTrigStat();
        if (s.run.TrigStat == HW_STAT_COMPLETE) break;
        if (LinkFailed(s.run.TrigStat)) return AutosetOutcome::InstrumentLost;
        if (polls >= kMaxPolls || LoopNowMs() > deadline) return AutosetOutcome::NoRecord;
    }
    const TestStretch t = MeasureStretch();
    s.run.TestStart = t.start;
    s.run.TestLen = t.length;
    const int16_t ch = s.trigger.TrigChannel;
    if (ch == TrigA1 || ch == TrigA2) {
        const auto c = static_cast<size_t>(ch);
        TestAd(s.records.SampleBuf.data() + (ch == TrigA1 ? HW_SB_A1 : HW_SB_A2), t.start,
               s.channels.ChanPos[c], s.trigger.TrigLevel[c], s.run.MeasOut.data(), t.length);
    }
    return AutosetOutcome::Done;
}

// Moves the trace so that its middle lands on the screen centre; the level goes to the middle.
void Centre(size_t ch) {
    AppState &s = app();
    const int32_t mid = s.run.MeasOut[kMid];
    s.channels.ChanPos[ch] =
        static_cast<int16_t>(std::clamp<int32_t>(s.channels.ChanPos[ch] + 128 - mid, 0, 255));
    s.trigger.TrigLevel[ch] = static_cast<uint8_t>(std::clamp<int32_t>(mid, 0, 255));
}

// The starting values of the channel and the timebase.
void Start(size_t ch) {
    AppState &s = app();
    s.channels.ProbeIndex[ch] = 1;
    s.channels.Coupling[ch] = 0;
    s.channels.VdivIndex[ch] = kFirstVdiv;
    s.channels.ChanPos[ch] = 128;
    s.acquisition.CaptureMode = 2;
    SetRate(kStartRate);
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
    const auto &out = s.run.MeasOut;
    AutosetOutcome o = AutosetOutcome::Done;
    for (int v = kFirstVdiv; v >= kLastVdiv; --v) {
        s.channels.VdivIndex[ch] = static_cast<uint8_t>(v);
        if ((o = AutosetMeasure(r)) != AutosetOutcome::Done) return o;
        Centre(ch);
        const int32_t mid = out[kMid], pp = out[kPeakToPeak];
        if (mid < 5 || mid >= 251) break;  // at a rail
        if (50 < pp && pp < 175) break;    // fills a fifth to two thirds of the range
    }
    if ((o = AutosetMeasure(r)) != AutosetOutcome::Done) return o;
    Centre(ch);
    for (int rate = kFirstRate; rate <= kLastRate; ++rate) {
        SetRate(static_cast<uint8_t>(rate));
        if ((o = AutosetMeasure(r)) != AutosetOutcome::Done) return o;
        if (out[kPeakToPeak] > 50 && 1 < out[kPeriod] && out[kPeriod] < 250) break;
    }
    return o;
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
        r.message =
            r.outcome == AutosetOutcome::NoRecord ? kAutosetNoRecordText : kAutosetLostText;
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
