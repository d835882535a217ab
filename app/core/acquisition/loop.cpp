// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/acquisition/loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/acquisition/autoset.h"
#include "core/acquisition/quick_refresh.h"
#include "core/analysis/counter.h"
#include "core/base/events.h"
#include "core/base/rates.h"
#include "core/base/state.h"
#include "core/timing/bars.h"
#include "core/timing/compose.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

enum class Mode { Stopped, Acquiring, Catching };

// Where the running loop stands between two steps. A pass of the acquisition loop is split at
// its event-processing point (the end of the poll): the step that polls stops there, and the
// next step first finishes that pass (re-arm, draw, force) and then checks `Running`, exactly
// where the events of the program would have been handled inside the pass.
struct LoopState {
    Mode mode = Mode::Stopped;
    bool polled = false;       // this pass has polled; the rest of it is still to run
    bool forcePending = false; // inside WaitForceTrigger: the trigger is forced when Timer1 fired
    bool catchPassDone = false;
    int64_t nextTick = 0; // catch: when the next sample is due (on the loop clock)
};

LoopState &loop() {
    static LoopState l;
    return l;
}

MsClock &clockFn() {
    static MsClock c;
    return c;
}

MsSleep &sleepFn() {
    static MsSleep w;
    return w;
}

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Rounded to the nearest integer, halves to even (the current rounding mode of the FPU).
int64_t RoundEven(double v) {
    return static_cast<int64_t>(std::nearbyint(v));
}

void SetStatus(int i, const QString &text) {
    acquisitionControls().LabelStat[static_cast<size_t>(i)].setText(text);
}

void SetGoPressed(bool on) {
    acquisitionControls().Button(1).setPressed(on);
}

bool Failed(uint8_t result) {
    return LinkFailed(result);
}

bool Arm() {
    return ArmInstrument();
}

void SetMode(Mode m) {
    LoopState &l = loop();
    const bool wasActive = l.mode != Mode::Stopped;
    l.mode = m;
    l.polled = false;
    l.forcePending = false;
    l.catchPassDone = false;
    if (wasActive != (m != Mode::Stopped))
        Publish(m != Mode::Stopped ? Event::AcquisitionStarted : Event::AcquisitionStopped);
}

// The instrument stopped answering: acquisition ends at once, the status says so, and the
// pictures and the count keep the last good record. "Go" tries again. False: the loop ended.
bool LoseInstrument() {
    AppState &s = app();
    SetGoPressed(false);
    s.run.Running = 0;
    s.run.TrigStat = HW_STAT_LINK_LOST;
    SetStatus(0, kInstrumentLostText);
    SetMode(Mode::Stopped);
    Publish(Event::InstrumentLost);
    return false;
}

// The common tail of a start: count from zero, arm, and let the steps poll.
void BeginLoop() {
    app().run.TrigCount = 0;
    if (Arm())
        SetMode(Mode::Acquiring);
    else
        LoseInstrument();
}

void SetScrollPos(int32_t pos) {
    app().view.ScrollPos = pos;
    bars().Scrollscr.setValue(pos);
}

// Catch scratch: the four instantaneous input bytes (A1, A2, D0-D7, D8-D15) of one read-out. The
// bitstream buffer that the read-out was once pointed at stays intact.
std::array<uint8_t, 32> &CatchBytes() {
    static std::array<uint8_t, 32> b{};
    return b;
}

void StartCatch() {
    AppState &s = app();
    TimingPictures &p = pictures();
    const auto len =
        static_cast<size_t>(std::clamp<int32_t>(s.acquisition.RecordLen, 0, HW_SB_AREA_LEN));
    // An empty record: zero volts on the analog channels, all logic inputs low.
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, len, uint8_t{0x80});
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_A2, len, uint8_t{0x80});
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, len, uint8_t{0});
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D8_D15, len, uint8_t{0});

    // Arms, and prepares the direct read-out of the current input values.
    if (!Arm() || Failed(OutAdBuck12(s.records.PortState.data(), s.records.DevConfig.data(),
                                     s.records.ConfigBits.data(), 12))) {
        LoseInstrument();
        return;
    }
    s.view.ViewStart[0] = 2;
    SetScrollPos(0);
    s.run.CatchCount = 0;
    SetStatus(0, QStringLiteral("Catch count"));
    SetStatus(1, QStringLiteral("0"));
    s.run.TrigStat = HW_STAT_COMPLETE;
    s.run.DrawPic = 0;
    // The first read-out after the set-up is not a sample.
    if (Failed(inDaBuck8(s.records.PortState.data(), s.records.DevConfig.data(),
                         CatchBytes().data(), 32))) {
        LoseInstrument();
        return;
    }

    SetMode(Mode::Catching);
    loop().nextTick = LoopNowMs() + RoundEven(s.acquisition.SamplePeriod);
    s.run.NextTick = static_cast<int32_t>(loop().nextTick);

    p.picScopeVisible = {true, false};
    p.picScopeAutoRedraw = {true, true};
    ClearPicture(p.Picture1, s.colors[ColBackground]);
    p.Picture1AutoRedraw = true;
    PicturesChanged();
}

void EndCatch() {
    AppState &s = app();
    TimingPictures &p = pictures();
    SetGoPressed(false);
    s.run.Running = 0;
    p.picScopeVisible = {true, false};
    s.run.DrawPic = 0;
    SetMode(Mode::Stopped);
    // The last picture is complete, logic lanes included, wherever the catch stopped within a
    // frame of the quick refresh.
    ComposeScreen(0, 1);
    s.run.TrigCount = 0;
}

// One sample of the catch, when it is due; false when the instrument did not answer.
bool CatchSample() {
    AppState &s = app();
    LoopState &l = loop();
    if (LoopNowMs() <= l.nextTick) return true;
    uint8_t *in = CatchBytes().data();
    if (Failed(inDaBuck8(s.records.PortState.data(), s.records.DevConfig.data(), in, 4)))
        return false;
    if (s.run.CatchCount >= 0 && s.run.CatchCount < HW_SB_AREA_LEN) {
        for (size_t c = 0; c < 4; ++c)
            s.records.SampleBuf[c * HW_SB_AREA_LEN + static_cast<size_t>(s.run.CatchCount)] = in[c];
    }
    ++s.run.CatchCount;
    SetStatus(1, QString::number(s.run.CatchCount));
    // The schedule advances from the previous due time, so a late sample does not shift the
    // later ones.
    l.nextTick += RoundEven(s.acquisition.SamplePeriod);
    s.run.NextTick = static_cast<int32_t>(l.nextTick);
    // Keep the newest sample at the right edge.
    if (s.run.CatchCount > s.screen.ScreenSamples)
        SetScrollPos(s.run.CatchCount - s.screen.ScreenSamples);
    if (s.acquisition.RateIndex >= kFirstFullRefreshCatchRate)
        ComposeScreen(0, 1);
    else
        Softfresh0(1, 1);
    return true;
}

bool CatchStep() {
    AppState &s = app();
    LoopState &l = loop();
    if (l.catchPassDone && (s.run.CatchCount >= s.acquisition.LastSample || s.run.Running == 0)) {
        EndCatch();
        return false;
    }
    if (!CatchRateApplies(s.acquisition.RateIndex)) s.run.Running = 0;
    if (!CatchSample()) {
        // The caught samples stay on screen, completed as the end of a catch draws them.
        ComposeScreen(0, 1);
        return LoseInstrument();
    }
    l.catchPassDone = true;
    return true;
}

// The loop's end: the status text is emptied and the count starts again.
void FinishLoop() {
    app().run.TrigCount = 0;
    SetStatus(0, QString());
    SetMode(Mode::Stopped);
}

bool AcquireStep() {
    AppState &s = app();
    LoopState &l = loop();
    AcquisitionControls &ac = acquisitionControls();

    if (l.forcePending) {
        if (ac.Timer1.Interval != 0) return true; // still within the wait
        l.forcePending = false;
        if (Failed(ForceTrigger(s.records.PortState.data(), s.records.DevConfig.data()))) {
            return LoseInstrument();
        }
    } else if (l.polled) {
        // The rest of the pass that polled in the previous step.
        l.polled = false;
        if (s.run.ParamChanged == 1) {
            s.run.ParamChanged = 0;
            if (!Arm()) return LoseInstrument();
        }
        if (s.run.TrigStat == HW_STAT_COMPLETE) {
            if (!Arm()) {
                // The record is whole: it is shown, but nothing more comes.
                ComposeScreen(0, 1);
                return LoseInstrument();
            }
            // A new record: the logic lanes are redrawn with the traces, and counted.
            ComposeScreen(0, 1);
            ChFrequency();
            if (s.acquisition.CaptureMode == 0) {
                // "Once": stop on this record; the status texts stay as they are.
                SetGoPressed(false);
                s.run.Running = 0;
                SetMode(Mode::Stopped);
                return false;
            }
        }
        if (s.acquisition.CaptureMode == 2) {
            WaitForceTrigger(100);
            if (l.forcePending) return true;
        }
    }
    if (s.run.Running != 1) {
        FinishLoop();
        return false;
    }
    Getstat();
    if (s.run.TrigStat == HW_STAT_LINK_LOST && s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE) {
        return LoseInstrument();
    }
    l.polled = true;
    return true;
}

// Start request of "Go".
void StartAcquisition() {
    AppState &s = app();
    // A device that was found but refused its configuration has been powered down: polling it
    // would show nothing but "Wait Trigger" forever.
    if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE && s.run.HwFound == 0) {
        SetStatus(0, kNotConfiguredText);
        return;
    }
    SetGoPressed(true);
    s.run.Running = 1;
    if (CatchApplies()) {
        StartCatch();
        return;
    }
    BeginLoop();
}

void GoClick() {
    AppState &s = app();
    if (s.run.Running == 1) {
        // Stop request: the active loop sees Running = 0 at its next step and finishes.
        SetGoPressed(false);
        s.run.Running = 0;
        s.run.CounterState[2] = 0;
        s.run.CounterState[3] = 0;
        s.run.TrigCount = 0;
        return;
    }
    if (s.run.Running == 0) {
        StartAcquisition();
        return;
    }
    // Any other run state: arm once and end at the first check.
    BeginLoop();
}

void HbarClick() {
    AppState &s = app();
    if (s.display.HbarOn == 0) {
        acquisitionControls().Button(7).setPressed(true);
        s.display.HbarOn = -1;
    } else if (s.display.HbarOn == -1) {
        acquisitionControls().Button(7).setPressed(false);
        s.display.HbarOn = 0;
    }
    ComposeScreen(1, 1);
}

// What the loop follows of the timing view, for the program's whole run: the "g" key acts as
// the toolbar's "Go", and the state texts of the status area take the readout colour on the
// background when the colour table is applied.
const Subscription goKey = Subscribe(Event::GoKeyPressed, [] { tbToolBar_ButtonClick(1); });
const Subscription statusColors = Subscribe(Event::ColorsChanged, [] {
    const AppState &s = app();
    for (auto &l : acquisitionControls().LabelStat) {
        l.setForeColor(s.colors[ColUpScreen]);
        l.setBackColor(s.colors[ColBackground]);
    }
});

} // namespace

AcquisitionControls::AcquisitionControls()
    : tbToolBar{{{QStringLiteral("Go"), QStringLiteral("Start/Stop")},
                 {},
                 {QStringLiteral("V3bar"), QStringLiteral("Move All Vbars to Screen")},
                 {QStringLiteral("V1bar"), QStringLiteral("Move Screen around V1bar")},
                 {QStringLiteral("Tbar"), QStringLiteral("Move Screen around Trigger bar")},
                 {QStringLiteral("V2bar"), QStringLiteral("Move Screen around V2bar")},
                 {QStringLiteral("Hbar"), QStringLiteral("Turn on/off Hbar")},
                 {},
                 {QStringLiteral("Autoset"),
                  QStringLiteral("Auto. Set Ch Para. depend on Trigger Ch.")}}} {
    for (int i = 0; i < kToolbarButtons; ++i) {
        const int index = i + 1;
        tbToolBar[static_cast<size_t>(i)].onClick = [index] { tbToolBar_ButtonClick(index); };
    }
}

AcquisitionControls &acquisitionControls() {
    static AcquisitionControls c;
    return c;
}

void SetLoopClock(MsClock clock, MsSleep sleep) {
    clockFn() = std::move(clock);
    sleepFn() = std::move(sleep);
}

int64_t LoopNowMs() {
    return clockFn() ? clockFn()() : SteadyMs();
}

void LoopSleepMs(int64_t ms) {
    if (ms <= 0) return;
    if (sleepFn())
        sleepFn()(ms);
    else if (!clockFn())
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void tbToolBar_ButtonClick(int Button) {
    if (Button < 1 || Button > kToolbarButtons) return;
    tbToolBar_ButtonClickKey(acquisitionControls().Button(Button).key());
}

void tbToolBar_ButtonClickKey(const QString &Key) {
    AppState &s = app();
    if (Key == QLatin1String("Go"))
        GoClick();
    else if (Key == QLatin1String("V3bar"))
        bars().V3align();
    else if (Key == QLatin1String("V1bar"))
        bars().Valign(0);
    else if (Key == QLatin1String("V2bar"))
        bars().Valign(1);
    else if (Key == QLatin1String("Tbar")) {
        if (s.view.BarPos[2] >= 0) bars().Valign(2);
    } else if (Key == QLatin1String("Hbar"))
        HbarClick();
    else if (Key == QLatin1String("Autoset"))
        AutosetClick();
}

bool LinkFailed(uint8_t result) {
    return result == 0 && app().records.DevConfig[HW_DC_Link] != HW_LINK_NONE;
}

bool ArmInstrument() {
    AppState &s = app();
    return !LinkFailed(Capture(
        s.records.PortState.data(), s.records.DevConfig.data(), s.acquisition.LastSample,
        s.acquisition.DepthIndex, 0, s.acquisition.RateIndex, s.trigger.TrigChannel,
        s.view.BarPos[2], s.trigger.TrigSlope.data(), s.trigger.TrigLevel.data(), s.trigger.TrigDac,
        s.channels.Coupling.data(), s.channels.VdivIndex.data(), s.channels.ChanPos.data()));
}

uint8_t ReadTrigStat() {
    AppState &s = app();
    return GetTrigStat(s.records.SampleBuf.data(), s.acquisition.LastSample,
                       s.acquisition.DepthIndex, s.channels.VdivIndex.data(),
                       s.records.PortState.data(), s.records.DevConfig.data(),
                       s.acquisition.RateIndex, s.trigger.TrigChannel, s.trigger.TrigSlope.data(),
                       s.trigger.TrigLevel.data(), s.view.BarPos[2], s.acquisition.ZoomIndex,
                       s.view.ViewStart.data());
}

void Getstat() {
    AppState &s = app();
    s.run.TrigStat = ReadTrigStat();
    switch (s.run.TrigStat) {
    case HW_STAT_WAIT_TRIGGER:
        SetStatus(0, QStringLiteral("Wait Trigger"));
        break;
    case HW_STAT_FILLING:
        SetStatus(0, QStringLiteral("Filling Buffer"));
        break;
    case HW_STAT_COMPLETE:
        SetStatus(0, QStringLiteral("Triggered"));
        ++s.run.TrigCount;
        break;
    default:
        break;
    }
    SetStatus(1, QString::number(s.run.TrigCount));
    Publish(Event::StatusPolled);
}

void WaitForceTrigger(int16_t ms) {
    OneShotTimer &t = acquisitionControls().Timer1;
    // Only the outermost wait arms the timer, and only while the instrument still waits.
    if (t.Enabled || app().run.TrigStat != HW_STAT_WAIT_TRIGGER) return;
    t.Interval = ms;
    t.Enabled = true;
    t.Due = LoopNowMs() + ms;
    if (loop().mode == Mode::Acquiring) loop().forcePending = true;
}

void Timer1_Timer() {
    OneShotTimer &t = acquisitionControls().Timer1;
    t.Interval = 0;
    t.Enabled = false;
}

bool AcquisitionStep() {
    OneShotTimer &t = acquisitionControls().Timer1;
    if (t.Enabled && LoopNowMs() >= t.Due) Timer1_Timer();
    switch (loop().mode) {
    case Mode::Acquiring:
        return AcquireStep();
    case Mode::Catching:
        return CatchStep();
    case Mode::Stopped:
        break;
    }
    return false;
}

void StopAcquisitionNow() {
    if (!AcquisitionActive()) return;
    app().run.Running = 0;
    SetGoPressed(false);
    // A pending forced-trigger wait ends now rather than after its 100 ms.
    if (acquisitionControls().Timer1.Enabled) Timer1_Timer();
    // The pass in progress needs at most a few steps to see Running = 0.
    for (int i = 0; i < 8 && AcquisitionActive(); ++i)
        AcquisitionStep();
}

void RunAcquisitionLoop() {
    SetGoPressed(true);
    app().run.Running = 1;
    BeginLoop();
}

void ResetAcquisition() {
    loop() = {};
    CatchBytes().fill(0);
    AcquisitionControls &c = acquisitionControls();
    for (ToolButtonModel &b : c.tbToolBar)
        b.setPressed(false);
    for (LabelModel &l : c.LabelStat)
        l.setText({});
    c.Timer1 = {};
    SetLoopClock({});
}

bool AcquisitionActive() {
    return loop().mode != Mode::Stopped;
}

bool CatchActive() {
    return loop().mode == Mode::Catching;
}

int32_t AcquisitionIdleMs() {
    const LoopState &l = loop();
    const int64_t now = LoopNowMs();
    int64_t wait = 0;
    if (l.mode == Mode::Acquiring && l.forcePending)
        wait = acquisitionControls().Timer1.Due - now;
    else if (l.mode == Mode::Catching && l.catchPassDone)
        wait = l.nextTick + 1 - now;
    else if (l.mode == Mode::Acquiring && (app().run.TrigStat == HW_STAT_WAIT_TRIGGER ||
                                           app().run.TrigStat == HW_STAT_FILLING)) {
        // Nothing has triggered yet, or the buffer is still filling: poll once a millisecond
        // (about the pace of a status request over the bus) instead of spinning a core, and at
        // the slow rates once a sample period, up to 20 ms: no sooner can the status change.
        const double periodMs = 1000 * SamplePeriodSeconds(app().acquisition.RateIndex);
        wait = std::clamp<int64_t>(static_cast<int64_t>(periodMs), 1, 20);
    }
    return static_cast<int32_t>(std::clamp<int64_t>(wait, 0, 1000));
}

} // namespace vrx
