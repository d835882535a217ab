// SPDX-License-Identifier: GPL-3.0-or-later
//
// Autoset: usable settings for the analog trigger channel found from the signal itself.
//
// The channel (A1 when the logic trigger is selected) and the timebase are reset to fixed
// starting values (10:1 probe, DC, the largest volts/div, "Auto.", 50 KSa/s, 2K, x1); then the
// volts/div is stepped down until the peak-to-peak amplitude fills a fifth to two thirds of the
// 256 codes, the trace is centred and the trigger level put at the signal's middle, and finally
// the rate is stepped down from 250 MSa/s until a whole period of fewer than 250 samples is seen
// (10 KSa/s when none is). Each trial is a complete forced acquisition measured by `TestAd`.
//
// Each trial waits a bounded time for its record: the time the record takes to fill, twice, and
// two seconds more. An instrument that completes no record in that time, or that stops
// answering, ends Autoset at once: the settings are put back as they were before it and a
// message box says why. Autoset changes settings only; the toolbar's "Autoset" then brings the
// controls into line and restarts acquisition (`AutosetClick`).
//
// `Autoset0` needs no window: a program without one runs it and reads the result.
#pragma once

#include <cstdint>

#include <QString>

namespace vrx {

enum class AutosetOutcome {
    Done,          // the settings were found and kept
    NotConfigured, // no configured instrument (demo mode, or the configuration failed): nothing ran
    NoRecord,      // a trial's record did not complete in time: settings put back
    InstrumentLost // the instrument stopped answering: settings put back
};

struct AutosetResult {
    AutosetOutcome outcome = AutosetOutcome::NotConfigured;
    int16_t channel = 0;    // the channel set (0 A1, 1 A2)
    int32_t trials = 0;     // forced acquisitions made
    uint8_t VdivIndex = 0;  // the settings the channel ended with (the old ones after a failure)
    uint8_t RateIndex = 0;
    int16_t ChanPos = 0;
    uint8_t TrigLevel = 0;
    QString message;        // why Autoset stopped; empty when it was done or did not run
};

// Caption and texts of the box that ends a failed Autoset.
inline const QString kAutosetCaption = QStringLiteral("Autoset");
inline const QString kAutosetNoRecordText =
    QStringLiteral("Autoset stopped: the instrument completed no record. The previous settings "
                   "are kept.");
inline const QString kAutosetLostText =
    QStringLiteral("Autoset stopped: the instrument does not answer. The previous settings are "
                   "kept.");

// Runs Autoset on the current settings. Only with a configured instrument (`HwFound`); a failed
// trial puts every setting back and shows its message through `ui()`.
AutosetResult Autoset0();

// The toolbar's "Autoset": `Autoset0`, the controls brought into line with the settings, and
// acquisition restarted with them. Ignored without a configured instrument (with an instrument
// found but not configured, the status says so, as for "Go").
AutosetResult AutosetClick();

} // namespace vrx
