// SPDX-License-Identifier: GPL-3.0-or-later
//
// Readout texts: sample counts as time and frequency, millivolts as voltage.
//
// The number pattern of every readout is "###.###": at most three decimals, no leading zero,
// the decimal point always written (100 -> "100.", 0.5 -> ".5", 0 -> "."). The unit group of the
// time and frequency texts follows the sample-rate group of `RateIndex` (ns for 0..14, us for
// 15..23, ms for 24..32); the external-clock rates give empty texts.
#pragma once

#include <cstdint>

#include <QString>

namespace vrx {

// Rounds to the nearest integer, halves to even (every position, count and scroll value).
int32_t RoundHalfEven(double v);

// The converter code of `volts` on a channel whose zero volts is code `zero`, at `mvPerCode`
// millivolts a code (a larger code is a lower voltage). Held to -1..256, one code past either
// end of the range, so that no voltage, however large, overflows.
int32_t VoltsCode(double volts, int32_t zero, double mvPerCode);

// `v` with the "#...#.###" pattern and `decimals` decimals.
QString FormatHashes(double v, int decimals);

// Time of `samples` samples at the current sample period ("500 ns", "1.23us", "3.6Ks").
QString CalTime(double samples);
// Frequency of a period of `samples` samples ("10.MHz"); empty for no period.
QString CalFreq(double samples);
// The frequency counter's timebase correction for a `CountPpm` choice: 1 + (5 - index) x 10 ppm
// for 0..10 ("+50ppm" .. "-50ppm"), 0 for any other index.
double CountPpmFactor(int index);
// As CalFreq with the counter's ppm correction (`CountPpm`) and five decimals.
QString CalFreq1(double samples);
// Voltage of `mv` millivolts ("0.5mV", "1.5 V", "100.mV"). When `scaled` is given it receives
// the value in the unit of the text.
QString CalStr(double mv, double *scaled = nullptr);
// A plain number with three decimals, "0" before a leading point.
QString CalStrMV(double x);

} // namespace vrx
