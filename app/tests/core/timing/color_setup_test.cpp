// SPDX-License-Identifier: GPL-3.0-or-later
// The colour setup dialog: swatches edit the dialog's captions only until OK, "Inverse"
// complements the table at once, the chooser defines user colours, the display boxes switch
// traces and tabs; the open dialog follows tables and switches applied elsewhere.
#include "core/fixture.h"
#include "core/settings/file_commands.h"
#include "core/timing/set_color.h"

using namespace vrx;
using namespace vrx::test;

namespace {

class ColorSetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        c.chooseColor = {};
        c.CheckUser.setChecked(false);
        c.ColorInitial();
        c.ColorSys_Click(0);
    }
    AppState &s = app();
    ColorSetup &c = colorSetup();
    int colorEvents = 0;
    Subscription sub = Subscribe(Event::ColorsChanged, [this] { ++colorEvents; });
};

} // namespace

// A swatch with "Background" selected recolours every caption's background (entry 0 as its
// complement on it) while the table keeps its colours until OK; a swatch with an entry selected
// gives only that caption the colour; OK writes both into the table and applies it.
TEST_F(ColorSetupTest, SwatchesReachTheTableOnOk) {
    const auto before = s.colors.Colors;
    c.CommandColor_Click(22); // (0, 0, 255)
    c.ColorSys_Click(ColGrid);
    c.CommandColor_Click(17); // (255, 0, 0)
    EXPECT_TRUE(c.ColorSys[ColGrid].checked() && !c.ColorSys[0].checked());
    EXPECT_EQ(s.colors.Colors, before);
    const int32_t blue = Rgb(0, 0, 255);
    EXPECT_EQ(
        (Nums{c.ColorSys[0].backColor(), c.ColorSys[0].foreColor(), c.ColorSys[ColA1].backColor(),
              c.ColorSys[ColA1].foreColor(), c.ColorSys[ColGrid].foreColor()}),
        (Nums{blue, Rgb(255, 255, 0), blue, before[ColA1], Rgb(255, 0, 0)}));

    c.ColorOk.click();
    // One change of the colours (the pictures in the new colours are the window test's).
    EXPECT_EQ((Nums{s.colors[ColBackground], s.colors[ColGrid], s.colors[ColA1], colorEvents}),
              (Nums{blue, Rgb(255, 0, 0), before[ColA1], 1}));
}

// "Inverse" writes the complemented table at once and shows it; twice restores it exactly.
TEST_F(ColorSetupTest, InverseTwiceRestoresTheTable) {
    s.colors.Colors[7] = Rgb(1, 2, 3);
    const auto before = s.colors.Colors;
    c.cmdInv.click();
    EXPECT_EQ(
        (Nums{s.colors[0], s.colors[7], c.ColorSys[7].foreColor(), c.ColorSys[0].backColor()}),
        (Nums{0xFFFFFF - before[0], Rgb(254, 253, 252), Rgb(254, 253, 252), 0xFFFFFF - before[0]}));
    c.cmdInv.click();
    EXPECT_TRUE(s.colors.Colors == before && colorEvents == 2) << colorEvents;
}

// With "User Color" a swatch opens the chooser at its colour: cancelled it keeps its colour,
// chosen it takes the new one, which OK stores as a user colour.
TEST_F(ColorSetupTest, ChooserDefinesUserColours) {
    std::vector<int32_t> asked;
    std::optional<int32_t> answer;
    c.chooseColor = [&](int32_t initial) {
        asked.push_back(initial);
        return answer;
    };
    c.CheckUser.click();
    const int32_t was = c.CommandColor[49].backColor();
    c.CommandColor_Click(49);
    EXPECT_EQ(c.CommandColor[49].backColor(), was);
    answer = Rgb(10, 20, 30);
    c.CommandColor_Click(49);
    EXPECT_EQ(asked, (std::vector<int32_t>{was, was}));
    EXPECT_EQ(c.ColorSys[0].backColor(), s.colors[ColBackground]); // no entry coloured
    c.ColorOk.click();
    EXPECT_EQ(s.colors.Colors2[1], Rgb(10, 20, 30));
}

// Unticking "Display A2" switches A2 off at once and greys its tab; OK keeps it off.
TEST_F(ColorSetupTest, DisplayBoxesSwitchTraces) {
    c.Check_Click(DispA2);
    EXPECT_TRUE(s.channels.ChanOn[DispA2] == 0 && !form1().lbTab[1].enabled());
    c.ColorOk.click();
    EXPECT_EQ((Nums{s.channels.ChanOn[DispA1], s.channels.ChanOn[DispA2]}), (Nums{1, 0}));
    EXPECT_FALSE(form1().lbTab[1].enabled());
}

// Opened on a table of the user's, the dialog follows "Load &Default Settings" and a View
// switch made while it is open: OK keeps the defaults and the switch instead of putting the
// old ones back.
TEST_F(ColorSetupTest, FollowsWhatIsAppliedWhileOpen) {
    const auto defaults = s.colors.Colors;
    s.colors.Colors[ColGrid] = Rgb(1, 2, 3);
    s.colors.Colors2[4] = Rgb(4, 5, 6);
    c.ColorInitial();
    mnuLoadDefault_Click();
    menuCommands().ApplyMenuSettings(); // as the main window does after settings are applied
    EXPECT_EQ(
        (Nums{c.ColorSys[ColGrid].foreColor(), c.CommandColor[kFixedSwatches + 4].backColor()}),
        (Nums{defaults[ColGrid], s.colors.Colors2[4]}));
    menuCommands().mnuDispCh_Click(DispA2);
    EXPECT_FALSE(c.Check[DispA2].checked());
    c.ColorOk.click();
    EXPECT_TRUE(s.colors.Colors == defaults && s.channels.ChanOn[DispA1] == 1 &&
                s.channels.ChanOn[DispA2] == 0);
}
