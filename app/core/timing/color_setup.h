// SPDX-License-Identifier: GPL-3.0-or-later
//
// The colour setup dialog `Color` ("Color Setup"): one option per entry of the colour table,
// whose caption looks as its item looks on screen (entry 0 as the background with its
// complement as text, every other entry as its colour on the background); a palette of 56
// swatches (48 fixed, 8 user colours); the display check boxes; "User Color", "Inverse" and OK.
//
// A swatch click gives the selected entry that colour in the dialog only; the table changes on
// OK (or at once on "Inverse", which complements it for black-and-white printing). With "User
// Color" ticked a swatch click opens the colour chooser instead and the swatch takes the chosen
// colour. The display boxes switch their trace at once and always show the switches in force.
//
// The dialog follows the program while it is open: a table applied from elsewhere (a settings
// file, the defaults) replaces the captions' colours, settings applied reload the whole dialog,
// and a display switch changed from the View menu shows in its box, so OK never puts an old
// table or switch back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QString>

#include "core/base/controls.h"
#include "core/base/events.h"
#include "core/base/state.h"

namespace vrx {

constexpr int kSwatches = 56;      // CommandColor(0..55)
constexpr int kFixedSwatches = 48; // 48..55 are the user colours

// The fixed colour of swatch i (0..47).
int32_t SwatchColor(int i);
// Caption of table entry i ("Background", "V1 or H1 Bar" ...) and of display switch i.
QString ColorEntryCaption(int i);
QString DisplayCaption(int i);

class ColorSetup {
  public:
    ColorSetup();
    ColorSetup(const ColorSetup &) = delete;
    ColorSetup &operator=(const ColorSetup &) = delete;

    std::array<CheckModel, kColors> ColorSys;       // options, one per table entry
    std::array<CheckModel, kSwatches> CommandColor; // swatches: the back colour is the colour
    std::array<CheckModel, kDisplayItems> Check;    // "Display A1" .. "Display Grid"
    CheckModel CheckUser;                           // "User Color"
    CheckModel cmdInv;                              // "Inverse"
    CheckModel ColorOk;                             // "OK"

    // The colour chooser, opened with a swatch's colour; nothing when cancelled. Unset: every
    // choice is cancelled.
    std::function<std::optional<int32_t>(int32_t initial)> chooseColor;

    // The entry a swatch click colours.
    int selected() const { return selected_; }

    void ColorInitial();
    void ColorSys_Click(int i);
    void CommandColor_Click(int i);
    void Check_Click(int i);
    void cmdInv_Click();
    void ColorOk_Click();

  private:
    // The captions coloured from the table.
    void ShowTable();
    // The display boxes from the switches.
    void ShowSwitches();
    int selected_ = 0;
    Subscription colorsChanged_, settingsApplied_, screenComposed_;
};

// The colour setup dialog of the program.
ColorSetup &colorSetup();

} // namespace vrx
