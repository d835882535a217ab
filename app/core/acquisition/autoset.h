// SPDX-License-Identifier: GPL-3.0-or-later
//
// Autoset: usable settings for the analog trigger channel found from the signal itself.
//
// The channel (A1 when the logic trigger is selected) starts centred and DC-coupled at the
// volts/div in use (within 2 V/div .. 20 mV/div at 1:1), with the probe the user chose; the
// timebase at 2K, x1, "Auto.". Then:
//
// 1. Frequency: records at 250 MSa/s, 5 MSa/s, 50 KSa/s and 20 KSa/s, fastest first, until one
//    holds at least two whole periods (counted over the whole record). Each rate is only asked
//    about frequencies the faster record before it could not show three periods of, which it
//    samples five or more times a period: no record that is read is aliased, and together they
//    hold a whole period of anything from about 30 Hz up, so their extremes are the signal's.
// 2. Volts/div and position from the extremes seen: the most sensitive entry (down to 20 mV/div
//    at 1:1) at which the signal spans at most 7.6 divisions and lies whole on screen,
//    centred. A signal that touched a rail is measured again at the largest entry, centred.
// 3. Rate from the frequency: the fastest real-time rate that shows at least two periods across
//    the screen (so two to five; the fastest, 250 MSa/s, when even that shows more).
// 4. A record at those settings checks them; anything it finds different is set and checked
//    again, a few times at most. The trigger level goes to the middle of the last record,
//    rising slope.
//
// Each trial is a complete forced acquisition, measured by `TestAd` and the crossing counter
// `TestFreq` over the whole record. Each waits for its record on the loop clock, sleeping
// while the record fills and then polling once a millisecond, for the time the record takes to
// fill, twice, and two seconds more. An instrument that completes no record in that time, or
// that stops answering, ends Autoset at once; so does a trigger channel on which no repeating
// signal is found. Then the settings are put back as they were before and a message box says
// why. Autoset changes settings only; the toolbar's "Autoset" then brings the controls into
// line and restarts acquisition (`AutosetClick`).
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
    InstrumentLost, // the instrument stopped answering: settings put back
    NoSignal        // no repeating signal on the trigger channel: settings put back
};

struct AutosetResult {
    AutosetOutcome outcome = AutosetOutcome::NotConfigured;
    int16_t channel = 0;   // the channel set (0 A1, 1 A2)
    int32_t trials = 0;    // forced acquisitions made
    double hertz = 0;      // the frequency found
    uint8_t VdivIndex = 0; // the settings the channel ended with (the old ones after a failure)
    uint8_t RateIndex = 0;
    int16_t ChanPos = 0;
    uint8_t TrigLevel = 0;
    QString message; // why Autoset stopped; empty when it was done or did not run
};

// Caption and texts of the box that ends a failed Autoset.
inline const QString kAutosetCaption = QStringLiteral("Autoset");
inline const QString kAutosetNoRecordText =
    QStringLiteral("Autoset stopped: the instrument completed no record. The previous settings "
                   "are kept.");
inline const QString kAutosetLostText =
    QStringLiteral("Autoset stopped: the instrument does not answer. The previous settings are "
                   "kept.");
inline const QString kAutosetNoSignalText =
    QStringLiteral("Autoset stopped: no repeating signal was found on the trigger channel. The "
                   "previous settings are kept.");

// Runs Autoset on the current settings. Only with a configured instrument (`HwFound`); a failed
// trial puts every setting back and shows its message through `ui()`.
AutosetResult Autoset0();

// The toolbar's "Autoset": `Autoset0`, the controls brought into line with the settings, and
// acquisition restarted with them. Ignored without a configured instrument (with an instrument
// found but not configured, the status says so, as for "Go").
AutosetResult AutosetClick();

} // namespace vrx
