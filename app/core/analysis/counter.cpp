// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/counter.h"

#include <algorithm>

#include "core/base/format.h"
#include "core/base/rates.h"
#include "core/base/state.h"
#include "hwlink.h"

namespace vrx {

namespace {

// Counter words of `MeasOut`: the latest record's (or the completed average's) periods and
// samples, then the running sums of A1 and of A2.
constexpr size_t kPeriods = HW_MEAS_PERIODS, kSpan = HW_MEAS_SPAN;
constexpr std::array<size_t, 2> kSumPeriods{15, 17}, kSumSpan{16, 18};

std::array<CounterValue, 2> &lastValues() {
    static std::array<CounterValue, 2> v;
    return v;
}

// The rate the running sums of each channel were taken at: samples of another rate are another
// length of time, so a change of rate starts the average again.
std::array<int, 2> &sumRates() {
    static std::array<int, 2> r{-1, -1};
    return r;
}

// Seconds of one sample at the current rate; 0 for the external clock.
double SecondsPerSample() {
    const AppState &s = app();
    static constexpr double kUnit[3] = {1e-9, 1e-6, 1e-3};
    const int group = RateGroup(s.acquisition.RateIndex);
    return group < 0 ? 0.0 : s.acquisition.SamplePeriod * kUnit[group];
}

void Count(int16_t ch) {
    AppState &s = app();
    const auto c = static_cast<size_t>(ch);
    auto &out = s.run.MeasOut;
    int16_t &counted = s.run.CounterState[2 + c];
    // A new average (after a stop, or at another rate) starts from empty sums.
    if (counted <= 0 || sumRates()[c] != s.acquisition.RateIndex) {
        counted = 0;
        out[kSumPeriods[c]] = 0;
        out[kSumSpan[c]] = 0;
        sumRates()[c] = s.acquisition.RateIndex;
    }
    TestFreq(s.records.SampleBuf.data() + (ch == ChA1 ? HW_SB_A1 : HW_SB_A2), s.view.ViewStart[0],
             s.trigger.TrigLevel[c], out.data(), s.acquisition.LastSample);
    ++counted;
    // The crossing counter gives the samples between the first and the last crossing less one:
    // the periods span one sample more. A record without a whole period (-1 or 0 periods) adds
    // nothing.
    if (out[kPeriods] > 0) {
        out[kSumPeriods[c]] += out[kPeriods];
        out[kSumSpan[c]] += out[kSpan] + 1;
    }
    if (counted >= s.run.CounterState[1]) {
        out[kPeriods] = out[kSumPeriods[c]];
        out[kSpan] = out[kSumSpan[c]];
        counted = 0;
        out[kSumPeriods[c]] = 0;
        out[kSumSpan[c]] = 0;
        PrintFreq1(ch);
    }
}

} // namespace

FrequencyCounter::FrequencyCounter() {
    lbCount[0].setText(QStringLiteral("A1 counter"));
    lbCount[1].setText(QStringLiteral("A2 counter"));
    for (int i = 0; i < 2; ++i)
        mnuCount[static_cast<size_t>(i)].onClick = [this, i] { mnuCount_Click(i); };
    for (int i = 0; i < kCounterResolutions; ++i)
        mnuCountRes[static_cast<size_t>(i)].onClick = [this, i] { mnuCountRes_Click(i); };
    for (int i = 0; i < kCounterOffsets; ++i)
        mnuCountppm[static_cast<size_t>(i)].onClick = [this, i] { mnuCountppm_Click(i); };
    settingsApplied_ = Subscribe(Event::SettingsApplied, [this] { LoadMenus(); });
    LoadMenus();
}

void FrequencyCounter::mnuCount_Click(int Index) {
    if (Index < 0 || Index > 1) return;
    const auto i = static_cast<size_t>(Index);
    mnuCount[i].setChecked(!mnuCount[i].checked());
    app().display.CountOn[i] = mnuCount[i].checked() ? -1 : 0;
    lbCount[1].setVisible(app().display.CountOn[1] != 0);
    ChFrequency();
}

void FrequencyCounter::mnuCountRes_Click(int Index) {
    if (Index < 0 || Index >= kCounterResolutions) return;
    for (int i = 0; i < kCounterResolutions; ++i)
        mnuCountRes[static_cast<size_t>(i)].setChecked(i == Index);
    app().run.CounterState[0] = static_cast<int16_t>(Index);
}

void FrequencyCounter::mnuCountppm_Click(int Index) {
    if (Index < 0 || Index >= kCounterOffsets) return;
    for (int i = 0; i < kCounterOffsets; ++i)
        mnuCountppm[static_cast<size_t>(i)].setChecked(i == Index);
    app().display.CountPpm = static_cast<int16_t>(Index);
}

void FrequencyCounter::LoadMenus() {
    const AppState &s = app();
    for (size_t i = 0; i < 2; ++i)
        mnuCount[i].setChecked(s.display.CountOn[i] != 0);
    lbCount[1].setVisible(s.display.CountOn[1] != 0);
    for (int i = 0; i < kCounterResolutions; ++i)
        mnuCountRes[static_cast<size_t>(i)].setChecked(i == s.run.CounterState[0]);
    for (int i = 0; i < kCounterOffsets; ++i)
        mnuCountppm[static_cast<size_t>(i)].setChecked(i == s.display.CountPpm);
}

FrequencyCounter &frmCounter() {
    static FrequencyCounter c;
    return c;
}

void ChFrequency() {
    AppState &s = app();
    const int16_t res = s.run.CounterState[0];
    s.run.CounterState[1] =
        kCounterRecords[static_cast<size_t>(std::clamp<int16_t>(res, 0, kCounterResolutions - 1))];
    for (int16_t ch = ChA1; ch <= ChA2; ++ch)
        if (s.display.CountOn[static_cast<size_t>(ch)] != 0) Count(ch);
}

void PrintFreq1(int16_t Ch) {
    if (Ch < 0 || Ch > 1) return;
    const AppState &s = app();
    CounterValue v;
    v.periods = s.run.MeasOut[kPeriods];
    v.samples = s.run.MeasOut[kSpan];
    v.valid = v.samples >= 1 && v.periods > 0;
    if (v.valid) {
        const double perPeriod = static_cast<double>(v.samples) / v.periods;
        v.text = CalFreq1(perPeriod);
        const double secs = SecondsPerSample();
        if (secs > 0)
            v.hertz = CountPpmFactor(s.display.CountPpm) / (perPeriod * secs);
    } else {
        v.text = kNoFrequency;
    }
    lastValues()[static_cast<size_t>(Ch)] = v;
    frmCounter().lbCount[static_cast<size_t>(Ch)].setText(v.text);
}

CounterValue CounterResult(int ch) {
    return ch < 0 || ch > 1 ? CounterValue{} : lastValues()[static_cast<size_t>(ch)];
}

} // namespace vrx
