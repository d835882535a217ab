// SPDX-License-Identifier: GPL-3.0-or-later
//
// Screen composition of the timing view: graticule, bars, the analog, memory and function
// traces, the logic lanes and the logic values at the bars, drawn from the global state into the
// pictures of core/pictures.h. The library's drawing exports paint the traces through a raster
// surface over each picture; names and scale texts are printed with QPainter.
//
// Every routine is safe to call at any time, also in demo mode and before the pictures exist
// (a null picture draws nothing). A whole composition publishes `Event::ScreenComposed`, every
// drawing of the traces `Event::TracesDrawn`: the windows that follow the display (FFT, XY,
// state listing) subscribe to them.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

namespace vrx {

// Redraws the timing view. `Clear` nonzero clears the trace picture first (unless persistence
// is on) and lets the graticule be drawn; `ScopeOnly` nonzero leaves the logic picture alone.
void ComposeScreen(int16_t ScopeOnly, int16_t Clear);

// The analog, memory and function traces and the overview strip, into picScope(DrawPic).
void DrawTraces();

// The logic lanes D0..D15 in the logic panel's display order, into Picture1.
void DrawLogic();

// Channel name at row `y` and the volts/div text of channel `ch` (0 A1 .. 4 F1); `show` 0
// prints them in the background colour, which erases what an earlier call printed.
void DrawChanMarker(int16_t ch, int16_t y, int16_t show);
void DrawScaleText(int16_t ch, int16_t show);

// The single pieces of the two above, shared with the quick refresh of the software catch so
// that both draw the same picture for the same settings: one analog trace (0 A1, 1 A2) with its
// marker into picScope(DrawPic), one logic row (0..15) into Picture1, and the overview strip.
void DrawAnalogTrace(int16_t ch);
void DrawLogicRow(int16_t row);
void DrawOverviewStrip();

// Reads the logic word under the trigger bar, V1 and V2 into `barValues()` and publishes
// `Event::BarValuesChanged`.
void ShowBarValues();

// Logic values at the three vertical bars, as the logic panel shows them in its value labels.
// Index 0 V1, 1 V2, 2 trigger bar. A bar whose sample lies outside the capture memory (a
// trigger delayed beyond the record) has no value: `Valid` false and the texts empty.
struct BarLogicValues {
    std::array<std::array<uint8_t, 16>, 3> Bits{}; // [bar][channel D0..D15], 0 or 1
    std::array<std::array<uint8_t, 2>, 3> Pair{};  // [bar] D0-D7 byte, D8-D15 byte
    std::array<bool, 3> Valid{};
};
BarLogicValues &barValues();

// The text of channel `channel`'s value at bar `bar`: "0", "1" or "" without a value.
QString BarValueText(int bar, int channel);

} // namespace vrx
