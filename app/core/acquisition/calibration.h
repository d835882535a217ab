// SPDX-License-Identifier: GPL-3.0-or-later
//
// Probe calibration and the re-initialisation of the instrument ("&Setup" menu).
//
// A probe calibration helps the user trim the compensation capacitor of a 10:1 probe on A1 or
// A2: acquisition stops, the channel and the timebase are switched to a fixed set-up (10:1,
// DC, 50mV/div at 1:1, position 203, "Normal", 200KSa/s, 2K, x1, triggered by the channel on a
// rising edge at mid-scale), "Go" shows pressed, a message tells the user what to do, and the
// trace runs until the user presses "Go" again. Whenever the loop ends (that "Go", a lost
// instrument, another command stopping acquisition) every value the set-up replaced is put
// back, the bars and the screen position included, and the controls show them again.
//
// `DevConfig[HW_DC_CalMode]` is 1 while a calibration runs: the instrument then leaves its
// calibration output on.
#pragma once

#include <QString>

#include "core/base/events.h"

namespace vrx {

// Channels with a probe calibration: A1 and A2 (the instrument has two analog inputs).
constexpr int kCalibratedChannels = 2;

// Caption of the calibration message of channel c (0 A1, 1 A2) and its text.
QString ProbeCalCaption(int c);
QString ProbeCalText();

// "Probe(A&1)", "Probe(A&2)": the calibration of channel `Index` (0 A1, 1 A2); other indexes do
// nothing. A found but unconfigured instrument is not calibrated (its status says so).
void mnuProbeCal_Click(int Index);

// "&Initialize(Hardware)": acquisition stopped, then the bring-up again (search with the
// detection message, bitstream, configuration), also after the instrument was lost.
void mnuInitial_Click();

} // namespace vrx
