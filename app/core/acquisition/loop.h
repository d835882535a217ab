// SPDX-License-Identifier: GPL-3.0-or-later
//
// The acquisition loop of the main window, as a step function.
//
// The instrument is armed with `Capture` and then polled with `GetTrigStat` until a record is
// complete; each complete record is drawn and the instrument re-armed. At the slow rates the loop
// may instead run a software catch that reads the instantaneous input values one sample period
// apart and builds the record on screen as it grows.
//
// Starting and ending publish `Event::AcquisitionStarted` and `Event::AcquisitionStopped` (the
// program runs its step timer between them). There is no thread and the loop never waits (only
// the toolbar's "Autoset", which runs to its end, sleeps on the loop clock while its records
// fill). The toolbar's "Go" starts or stops acquisition (`tbToolBar_ButtonClick`); the program
// then calls `AcquisitionStep()` from its event loop (a Qt timer) for as long as
// `AcquisitionActive()` holds. Between two steps the program handles its input events, and any
// handler may change `Running`, `ParamChanged`, the rate or the settings: each step re-reads
// them. A second click on "Go" while acquiring sets `Running` to 0, and the next step ends the
// loop. Waits are due times on the injectable millisecond clock that
// later steps compare against: the 100 ms of "Auto." (the one-shot `Timer1`) and the sample
// schedule of the catch.
//
// Typical driving code:
//     tbToolBar_ButtonClick(QStringLiteral("Go"));
//     while (AcquisitionActive()) {            // in the program: one step per timer tick
//         AcquisitionStep();
//         ... handle input events ...
//     }
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QString>

#include "core/base/catch.h"
#include "core/base/controls.h"

namespace vrx {

// Milliseconds of a monotonic clock; only differences matter.
using MsClock = std::function<int64_t()>;
// Lets the given number of milliseconds pass on that clock.
using MsSleep = std::function<void(int64_t)>;

// Replaces the loop's clock (tests pass a virtual one, with the wait that moves it on, or none
// when reading it moves it on); an empty clock restores the system's steady clock, on which a
// wait sleeps the thread.
void SetLoopClock(MsClock clock, MsSleep sleep = {});
int64_t LoopNowMs();
// Waits `ms` milliseconds on the loop clock without using the processor (on a virtual clock:
// at once).
void LoopSleepMs(int64_t ms);

// The main window's one-shot timer of "Auto." mode. Enabled with an interval, it fires once
// the interval has passed on the loop clock (checked by every step); firing runs
// `Timer1_Timer`, which sets the interval to 0 and disables it.
struct OneShotTimer {
    bool Enabled = false;
    int32_t Interval = 0;
    int64_t Due = 0;
};

// Toolbar buttons by 1-based index: 1 "Go", 3 "V3bar", 4 "V1bar", 5 "Tbar", 6 "V2bar",
// 7 "Hbar", 9 "Autoset"; 2 and 8 are separators without a key.
constexpr int kToolbarButtons = 9;

// The main window's controls that acquisition drives, bound by the window.
struct AcquisitionControls {
    AcquisitionControls();
    std::array<ToolButtonModel, kToolbarButtons> tbToolBar; // [i] is button i + 1
    std::array<LabelModel, 2> LabelStat;                    // state text, count
    OneShotTimer Timer1;

    ToolButtonModel &Button(int index) { return tbToolBar[static_cast<size_t>(index - 1)]; }
};
AcquisitionControls &acquisitionControls();

// Status shown instead of polling when the instrument was found but its configuration failed.
inline const QString kNotConfiguredText = QStringLiteral("Hardware not configured");
// Status when the instrument stopped answering (a failed or short transfer, a failed register
// request, floating parallel-port lines): acquisition has stopped and `Event::InstrumentLost`
// is published. Restarting the program or initialising the hardware finds it again.
inline const QString kInstrumentLostText = QStringLiteral("Instrument lost");

// The toolbar's click handler, by 1-based button index or by key. An unknown key does nothing.
void tbToolBar_ButtonClick(int Button);
void tbToolBar_ButtonClickKey(const QString &Key);

// A request the instrument did not take (result 0 on a link): the instrument is lost. In demo
// mode nothing can fail.
bool LinkFailed(uint8_t result);
// Arms the instrument with the current settings (`Capture`); false when it did not take them.
bool ArmInstrument();
// One `GetTrigStat` with the current settings, shown nowhere: the status byte.
uint8_t ReadTrigStat();

// Polls the trigger status once and shows it: "Wait Trigger", "Filling Buffer" or "Triggered"
// in LabelStat(0), the number of records since the start in LabelStat(1); then publishes
// `Event::StatusPolled` (the measure box follows every poll).
void Getstat();

// Arms `Timer1` for `ms` when no wait is in progress and the last poll still waited for a
// trigger; the trigger is forced when the timer has fired (see `AcquisitionStep`).
void WaitForceTrigger(int16_t ms);
void Timer1_Timer();

// Ends acquisition or a catch at once: "Go" released, the pass in progress finished, the loop
// stopped (`Event::AcquisitionStopped`). Nothing when nothing runs.
void StopAcquisitionNow();
// Runs the acquisition loop on the current settings with "Go" shown pressed, whatever a catch
// would do: arms and lets the steps poll (a command that acquires on a set-up of its own).
void RunAcquisitionLoop();

// One pass of the running loop or catch; returns whether further steps are wanted.
bool AcquisitionStep();
// Back to how the program starts: nothing acquired or caught (no event published), the toolbar's
// buttons released, the status texts empty, `Timer1` off, the catch's scratch cleared and the
// loop on the system's clock. For a run that begins afresh in the same process.
void ResetAcquisition();
bool AcquisitionActive();
bool CatchActive();
// How long the program may wait before the next step changes anything (0: step again as soon
// as events are handled). Only a hint for the step timer.
int32_t AcquisitionIdleMs();

} // namespace vrx
