// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/color_setup.h"

#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/set_color.h"

namespace vrx {

namespace {

// The palette, (R, G, B) eight to a row: light tints, pastels, full colours, two darker rows
// and the darkest.
constexpr std::array<int32_t, kFixedSwatches> kSwatchColors = {
    Rgb(255, 255, 255), Rgb(255, 192, 192), Rgb(255, 224, 192), Rgb(255, 255, 192),
    Rgb(192, 255, 192), Rgb(192, 255, 255), Rgb(192, 192, 255), Rgb(255, 192, 255),
    Rgb(224, 224, 224), Rgb(255, 128, 128), Rgb(255, 192, 128), Rgb(255, 255, 128),
    Rgb(128, 255, 128), Rgb(128, 255, 255), Rgb(128, 128, 255), Rgb(255, 128, 255),
    Rgb(192, 192, 192), Rgb(255, 0, 0),     Rgb(255, 128, 0),   Rgb(255, 255, 0),
    Rgb(0, 255, 0),     Rgb(0, 255, 255),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
    Rgb(128, 128, 128), Rgb(192, 0, 0),     Rgb(192, 64, 0),    Rgb(192, 192, 0),
    Rgb(0, 192, 0),     Rgb(0, 192, 192),   Rgb(0, 0, 192),     Rgb(192, 0, 192),
    Rgb(64, 64, 64),    Rgb(128, 0, 0),     Rgb(128, 64, 0),    Rgb(128, 128, 0),
    Rgb(0, 128, 0),     Rgb(0, 128, 128),   Rgb(0, 0, 128),     Rgb(128, 0, 128),
    Rgb(0, 0, 0),       Rgb(64, 0, 0),      Rgb(128, 64, 64),   Rgb(64, 64, 0),
    Rgb(0, 64, 0),      Rgb(0, 64, 64),     Rgb(0, 0, 64),      Rgb(64, 0, 64)};

constexpr const char *kDisplayCaptions[kDisplayItems] = {
    "Display A1", "Display A2", "Display M1",     "Display M2",
    "Display F1", "Display F2", "Display D0-D15", "Display Grid"};

} // namespace

int32_t SwatchColor(int i) {
    return i >= 0 && i < kFixedSwatches ? kSwatchColors[static_cast<size_t>(i)] : 0;
}

QString ColorEntryCaption(int i) {
    static const char *const named[] = {"Background",  "V1 or H1 Bar", "V2 or H2 Bar",
                                        "Trigger Bar", "A1 Dot",       "A2 Dot"};
    static const char *const upper[] = {"Grid",      "A1 Line",     "A2 Line",     "Backup M1",
                                        "Backup M2", "Function F1", "Function F2", "Up Screen"};
    if (i >= 0 && i < ColD0) return QString::fromLatin1(named[i]);
    if (i >= ColD0 && i < ColGrid) return QStringLiteral("Channel D%1").arg(i - ColD0);
    if (i >= ColGrid && i < kColors) return QString::fromLatin1(upper[i - ColGrid]);
    return {};
}

QString DisplayCaption(int i) {
    return i >= 0 && i < kDisplayItems ? QString::fromLatin1(kDisplayCaptions[i]) : QString();
}

ColorSetup::ColorSetup() {
    for (int i = 0; i < kColors; ++i)
        ColorSys[static_cast<size_t>(i)].onClick = [this, i] { ColorSys_Click(i); };
    for (int i = 0; i < kSwatches; ++i) {
        auto &sw = CommandColor[static_cast<size_t>(i)];
        if (i < kFixedSwatches) sw.setBackColor(SwatchColor(i));
        sw.onClick = [this, i] { CommandColor_Click(i); };
    }
    for (int i = 0; i < kDisplayItems; ++i)
        Check[static_cast<size_t>(i)].onClick = [this, i] { Check_Click(i); };
    CheckUser.onClick = [this] { CheckUser.setChecked(!CheckUser.checked()); };
    cmdInv.setToolTip(QStringLiteral("Major for B/W printer"));
    cmdInv.onClick = [this] { cmdInv_Click(); };
    ColorOk.onClick = [this] { ColorOk_Click(); };
    ColorSys[0].setChecked(true);
    colorsChanged_ = Subscribe(Event::ColorsChanged, [this] { ShowTable(); });
    settingsApplied_ = Subscribe(Event::SettingsApplied, [this] { ColorInitial(); });
    // Every display switch ends in a composition of the screen.
    screenComposed_ = Subscribe(Event::ScreenComposed, [this] { ShowSwitches(); });
}

void ColorSetup::ShowTable() {
    const ColorTable &c = app().colors;
    ColorSys[0].setBackColor(c[ColBackground]);
    ColorSys[0].setForeColor(Complement(c[ColBackground]));
    for (size_t i = 1; i < kColors; ++i) {
        ColorSys[i].setBackColor(c[ColBackground]);
        ColorSys[i].setForeColor(c[static_cast<int>(i)]);
    }
}

void ColorSetup::ShowSwitches() {
    const AppState &s = app();
    for (size_t i = 0; i < kDisplayItems; ++i)
        Check[i].setChecked(s.channels.ChanOn[i] != 0);
}

void ColorSetup::ColorInitial() {
    const AppState &s = app();
    ShowTable();
    for (size_t i = 0; i < kUserColors; ++i)
        CommandColor[kFixedSwatches + i].setBackColor(s.colors.Colors2[i]);
    ShowSwitches();
}

void ColorSetup::ColorSys_Click(int i) {
    if (i < 0 || i >= kColors) return;
    selected_ = i;
    for (int j = 0; j < kColors; ++j)
        ColorSys[static_cast<size_t>(j)].setChecked(j == i);
}

void ColorSetup::CommandColor_Click(int i) {
    if (i < 0 || i >= kSwatches) return;
    CheckModel &swatch = CommandColor[static_cast<size_t>(i)];
    if (CheckUser.checked()) {
        // Defining a colour: a cancelled chooser leaves the swatch as it was.
        if (!chooseColor) return;
        if (const auto chosen = chooseColor(swatch.backColor())) swatch.setBackColor(*chosen);
        return;
    }
    const int32_t c = swatch.backColor();
    if (selected_ == 0) {
        ColorSys[0].setBackColor(c);
        ColorSys[0].setForeColor(Complement(c));
    }
    const int32_t bg = ColorSys[0].backColor();
    for (size_t j = 1; j < kColors; ++j) {
        ColorSys[j].setBackColor(bg);
        if (static_cast<int>(j) == selected_) ColorSys[j].setForeColor(c);
    }
}

void ColorSetup::Check_Click(int i) {
    if (i < 0 || i >= kDisplayItems) return;
    AppState &s = app();
    const auto k = static_cast<size_t>(i);
    // The box switches the trace in force, whatever it showed.
    s.channels.ChanOn[k] = s.channels.ChanOn[k] == 0 ? 1 : 0;
    s.display.DisplayCheck[k] = s.channels.ChanOn[k];
    Check[k].setChecked(s.channels.ChanOn[k] != 0);
    form1().lbTab_Click(s.channels.SelChannel);
}

void ColorSetup::cmdInv_Click() {
    InvertColors();
    ShowTable();
    SetColor();
}

void ColorSetup::ColorOk_Click() {
    AppState &s = app();
    // The display boxes have switched their traces already: OK draws or erases the markers.
    for (size_t i = 0; i < kUserColors; ++i) {
        s.colors.Colors2[i] = CommandColor[kFixedSwatches + i].backColor();
        if (i < 5)
            DrawChanMarker(static_cast<int16_t>(i), static_cast<int16_t>(s.channels.ChanPos[i] - 5),
                           s.channels.ChanOn[i] == 1 ? 1 : 0);
    }
    s.colors.Colors[0] = ColorSys[0].backColor();
    for (size_t i = 1; i < kColors; ++i)
        s.colors.Colors[i] = ColorSys[i].foreColor();
    SetColor();
    ComposeScreen(1, 1);
}

ColorSetup &colorSetup() {
    static ColorSetup dialog;
    return dialog;
}

} // namespace vrx
