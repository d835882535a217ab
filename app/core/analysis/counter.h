// SPDX-License-Identifier: GPL-3.0-or-later
//
// The frequency counter of the main window: the frequency of A1 and of A2 in the tool strip
// (`lbCount(0..1)`), found by counting whole periods over the full record with the library's
// crossing counter `TestFreq` and summing periods and samples over 1, 8 or 24 records, so that
// more records give more significant digits. A timebase correction of -50 .. +50 ppm in steps of
// 10 ppm is applied to the frequency shown (`CountPpm`).
//
// `ChFrequency` runs once per new record (the acquisition loop calls it after each complete
// record is drawn) and when a channel is switched on; the running sums restart when acquisition
// stops. Everything here runs without a window: a program without one reads the counter with
// `CounterResult`.
//
// Menu models, in the "&Setup" menu: "Frequency Counter" > "Channel A&1", "Channel A&2"
// (`mnuCount`, each checked on its own), "Counter resolution" (`mnuCountRes`, one of three) and
// "Counter offset" (`mnuCountppm`, one of eleven).
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "core/base/controls.h"
#include "core/base/events.h"

namespace vrx {

constexpr int kCounterResolutions = 3;
constexpr int kCounterOffsets = 11; // "+50ppm" .. "-50ppm"
// Records summed for each resolution choice.
constexpr std::array<int16_t, kCounterResolutions> kCounterRecords{1, 8, 24};

// The text of a counter without a whole period in its records.
inline const QString kNoFrequency = QStringLiteral("- - - - -");

// The last completed reading of a channel's counter.
struct CounterValue {
    bool valid = false;    // a whole period was counted
    int32_t periods = 0;   // whole periods in the summed records
    int32_t samples = 0;   // samples those periods span
    double hertz = 0;      // frequency with the offset applied; 0 without a timed rate
    QString text;          // as the tool strip shows it
};

class FrequencyCounter {
  public:
    FrequencyCounter();

    std::array<LabelModel, 2> lbCount; // "A1 counter", "A2 counter"; A2 shows while it counts
    std::array<CheckModel, 2> mnuCount;
    std::array<CheckModel, kCounterResolutions> mnuCountRes;
    std::array<CheckModel, kCounterOffsets> mnuCountppm;

    // Menu handlers: a channel switched on or off (and counted at once), a resolution or an
    // offset chosen.
    void mnuCount_Click(int Index);
    void mnuCountRes_Click(int Index);
    void mnuCountppm_Click(int Index);
    // Menu marks and the A2 label from the stored settings (also after settings are applied).
    void LoadMenus();

  private:
    Subscription settingsApplied_;
};

FrequencyCounter &frmCounter();

// Counts the periods of the record in SampleBuf for each channel that is on; shows a channel's
// frequency when its average is complete.
void ChFrequency();
// Shows the frequency of channel `Ch` (0 A1, 1 A2) from the counter words of `MeasOut`.
void PrintFreq1(int16_t Ch);
// The last completed reading of channel `ch` (0 A1, 1 A2) since the program started.
CounterValue CounterResult(int ch);

} // namespace vrx
