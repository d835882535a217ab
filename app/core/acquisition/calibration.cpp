// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/acquisition/calibration.h"

#include "core/acquisition/loop.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/apply.h"
#include "core/startup/startup.h"
#include "core/timing/bars.h"

namespace vrx {

namespace {

// The calibration set-up of a channel.
constexpr uint8_t kCalProbe = 1;      // 10:1
constexpr uint8_t kCalCoupling = 0;   // DC
constexpr uint8_t kCalVdiv = 3;       // 500mV/div with the 10:1 probe
constexpr int16_t kCalPosition = 203; // the square wave's top half on the screen
constexpr uint8_t kCalCapture = 1;    // "Normal"
constexpr uint8_t kCalRate = 16;      // 200KSa/s
constexpr uint8_t kCalDepth = 0;      // 2K
constexpr uint8_t kCalZoom = 5;       // x1
constexpr uint8_t kCalSlope = 0;      // rising
constexpr uint8_t kCalLevel = 128;

void Restore();

// Puts the settings back whenever the loop of a calibration ends.
const Subscription calibrationEnds = Subscribe(Event::AcquisitionStopped, [] { Restore(); });

void Restore() {
    AppState &s = app();
    ProbeCalState &saved = s.probeCal;
    if (saved.Channel < 0) return;
    const auto c = static_cast<size_t>(saved.Channel);
    saved.Channel = -1;
    s.channels.ProbeIndex[c] = saved.ProbeIndex;
    s.channels.Coupling[c] = saved.Coupling;
    s.channels.VdivIndex[c] = saved.VdivIndex;
    s.channels.ChanPos[c] = saved.ChanPos;
    s.channels.ChanOn[c] = saved.ChanOn;
    s.trigger.TrigSlope[c] = saved.TrigSlope;
    s.trigger.TrigLevel[c] = saved.TrigLevel;
    s.channels.SelChannel = saved.SelChannel;
    s.acquisition.CaptureMode = saved.CaptureMode;
    s.acquisition.RateIndex = saved.RateIndex;
    s.acquisition.DepthIndex = saved.DepthIndex;
    s.acquisition.ZoomIndex = saved.ZoomIndex;
    s.trigger.TrigChannel = saved.TrigChannel;
    // The 2K record of the calibration had pulled the bars and the screen into it.
    for (size_t k = 0; k < 3; ++k)
        s.view.BarPos[k] = saved.BarPos[k];
    s.view.ScrollPos = saved.ScrollPos;
    s.records.DevConfig[HW_DC_CalMode] = 0;
    ApplySettings();
    bars().Scrollscr.setValue(saved.ScrollPos);
}

} // namespace

QString ProbeCalCaption(int c) {
    return c == 0 ? QStringLiteral("A1 Probe Calibrate") : QStringLiteral("A2 Probe Calibrate");
}

QString ProbeCalText() {
    return QStringLiteral("Put Probe(10:1) Tip on Calibrate out") + QLatin1Char('\n') +
           QStringLiteral("Adjust variable capacitor to get square wave.") +
           QStringLiteral("\n\n") + QStringLiteral("Toggle Toolbar [GO] to stop Calibrate");
}

void mnuProbeCal_Click(int Index) {
    if (Index < 0 || Index >= kCalibratedChannels) return;
    AppState &s = app();
    // Whatever runs stops first (a calibration in progress puts its settings back).
    StopAcquisitionNow();
    if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE && s.run.HwFound == 0) {
        acquisitionControls().LabelStat[0].setText(kNotConfiguredText);
        return;
    }
    const auto c = static_cast<size_t>(Index);
    ProbeCalState &saved = s.probeCal;
    saved.ProbeIndex = s.channels.ProbeIndex[c];
    saved.Coupling = s.channels.Coupling[c];
    saved.VdivIndex = s.channels.VdivIndex[c];
    saved.ChanPos = s.channels.ChanPos[c];
    saved.ChanOn = s.channels.ChanOn[c];
    saved.TrigSlope = s.trigger.TrigSlope[c];
    saved.TrigLevel = s.trigger.TrigLevel[c];
    saved.SelChannel = s.channels.SelChannel;
    saved.CaptureMode = s.acquisition.CaptureMode;
    saved.RateIndex = s.acquisition.RateIndex;
    saved.DepthIndex = s.acquisition.DepthIndex;
    saved.ZoomIndex = s.acquisition.ZoomIndex;
    saved.TrigChannel = s.trigger.TrigChannel;
    for (size_t k = 0; k < 3; ++k)
        saved.BarPos[k] = s.view.BarPos[k];
    saved.ScrollPos = s.view.ScrollPos;
    saved.Channel = static_cast<int16_t>(Index);

    s.records.DevConfig[HW_DC_CalMode] = 1;
    s.channels.SelChannel = static_cast<int16_t>(Index);
    s.channels.ProbeIndex[c] = kCalProbe;
    s.channels.Coupling[c] = kCalCoupling;
    s.channels.VdivIndex[c] = kCalVdiv;
    s.channels.ChanPos[c] = kCalPosition;
    s.channels.ChanOn[c] = 1; // a hidden channel would show no square wave to trim
    s.acquisition.CaptureMode = kCalCapture;
    s.acquisition.RateIndex = kCalRate;
    s.acquisition.DepthIndex = kCalDepth;
    s.acquisition.ZoomIndex = kCalZoom;
    s.trigger.TrigChannel = static_cast<int16_t>(Index);
    s.trigger.TrigSlope[c] = kCalSlope;
    s.trigger.TrigLevel[c] = kCalLevel;

    // "Go" shows pressed while the user reads what to do; nothing is captured before.
    s.run.TrigStat = 0;
    s.run.Running = 1;
    acquisitionControls().Button(1).setPressed(true);
    ui().MessageBox(ProbeCalText(), ProbeCalCaption(Index), MsgButtons::Ok);
    ApplySettings();
    RunAcquisitionLoop();
    // An instrument that did not take the set-up ends the calibration at once.
    if (!AcquisitionActive()) Restore();
}

void mnuInitial_Click() {
    AppState &s = app();
    StopAcquisitionNow();
    BringUp();
    s.run.TrigStat = 0;
    s.run.ParamChanged = 1;
    const bool unconfigured = s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE && s.run.HwFound == 0;
    acquisitionControls().LabelStat[0].setText(unconfigured ? kNotConfiguredText : QString());
}

} // namespace vrx
