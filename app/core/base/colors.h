// SPDX-License-Identifier: GPL-3.0-or-later
//
// The colour table's entries by name. Every drawing takes its colours from one table of 30
// entries (0x00BBGGRR, red in the low byte); the colour dialog edits it, the settings file keeps
// it, and the drawing code refers to the entries by these names.
#pragma once

#include <cstdint>

namespace vrx {

enum ColorEntry : int {
    ColBackground = 0, // pictures and readout labels; also the colour that erases a bar
    ColV1 = 1,         // V1 and H1 bars
    ColV2 = 2,         // V2 and H2 bars
    ColTrigger = 3,    // trigger bar and trigger-level bar
    ColA1Dot = 4,
    ColA2Dot = 5,
    ColD0 = 6, // D0 .. D15 are 6 .. 21; D0 also colours a logic trigger source
    ColGrid = 22,
    ColA1 = 23, // channel colours: A1 line, A2 line, M1, M2, F1 (channel t is 23 + t)
    ColA2 = 24,
    ColM1 = 25,
    ColM2 = 26,
    ColF1 = 27,
    ColF2 = 28,
    ColUpScreen = 29, // overview strip marks and readout texts
};

constexpr int LogicColorEntry(int channel) {
    return ColD0 + channel;
}
// The colour of channel t (0 A1 .. 4 F1).
constexpr int ChannelColorIndex(int t) {
    return ColA1 + t;
}

constexpr int32_t Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
constexpr int32_t Complement(int32_t c) {
    return 0xFFFFFF - c;
}

} // namespace vrx
