// SPDX-License-Identifier: GPL-3.0-or-later
// What a press grabs where a band is hidden, the screen drag at a magnified zoom, the letter
// keys on disabled lists, what the subsystems above the timing view do on its gestures and
// colours, and a probe calibration against an instrument that does not take it.
#include "core/acquisition/calibration.h"
#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/timing/gestures.h"
#include "core/timing/set_color.h"

namespace vrx::test {
namespace {

using Gestures = PanelTest;

// Hidden F1 and H bars and the level of a logic trigger source are no bands, and the bands end
// exactly; a press on the marker of a hidden A2 moves no channel at all, one on A1's moves A1.
TEST_F(Gestures, HiddenBandsAreNotGrabbed) {
    auto bands = [this] {
        return Nums{ScopeBand(5, s.channels.ChanPos[ChF1]), ScopeBand(300, s.view.HbarPos[0]),
                    ScopeBand(300, 60)};
    };
    s.trigger.TrigChannel = TrigLogic;
    s.trigger.TrigLevel[TrigLogic] = 60;
    EXPECT_EQ(bands(), (Nums{-1, -1, -1}));
    s.channels.ChanOn[ChF1] = 1;
    s.display.HbarOn = -1;
    s.trigger.TrigChannel = TrigA1;
    s.trigger.TrigLevel[TrigA1] = 60;
    EXPECT_EQ(bands(), (Nums{9, 11, 4}));
    // A band is its row and four either side; the markers are the columns left of x = 12.
    const int16_t a1 = s.channels.ChanPos[ChA1];
    EXPECT_EQ((Nums{ScopeBand(300, 55), ScopeBand(300, 56), ScopeBand(300, 64), ScopeBand(300, 65),
                    ScopeBand(11, a1), ScopeBand(12, a1)}),
              (Nums{-1, 4, 4, -1, 5, -1}));

    // A drag from the marker of a hidden A2, then from A1's at the markers' last column.
    s.channels.ChanOn[ChA2] = 0;
    const int16_t a2 = s.channels.ChanPos[ChA2];
    Nums positions;
    for (const int16_t y : {a2, a1}) {
        gestures().picScope_MouseDown(kLeftButton, 0, 11, y);
        gestures().picScope_MouseMove(kLeftButton, 0, 11, 150);
        gestures().picScope_MouseUp(kLeftButton, 0, 11, 150);
        positions.insert(positions.end(), {s.channels.ChanPos[ChA1], s.channels.ChanPos[ChA2]});
    }
    EXPECT_EQ(positions, (Nums{a1, a2, 150, a2}));
}

// At x50 a pixel is 1/50 sample: fifty one-pixel moves scroll one sample.
TEST_F(Gestures, SlowScreenDragAtMagnifiedZoom) {
    p.cmbZoom.setIndex(0);
    p.Scrollscr.setValue(500);
    TimingGestures &g = gestures();
    g.picScope_MouseDown(kLeftButton, 0, 400, 60);
    for (int x = 399; x >= 350; --x)
        g.picScope_MouseMove(kLeftButton, 0, x, 60);
    g.picScope_MouseUp(kLeftButton, 0, 350, 60);
    EXPECT_EQ(s.view.ScrollPos, 501);
}

// On a memory channel's tab the probe, volts/div and coupling lists show the scale it was
// copied with and are disabled: their letter keys change nothing, and the channel's readouts
// stay right. (On an enabled list the second press steps it: the next test's.)
TEST_F(Gestures, LetterKeysStepOnlyEnabledLists) {
    TimingGestures &g = gestures();
    s.channels.ChanOn[ChM1] = 1;
    auto settings = [this](int ch) {
        const auto c = static_cast<size_t>(ch);
        return Nums{s.channels.VdivIndex[c], s.channels.ProbeIndex[c], s.channels.Coupling[c]};
    };
    const Nums m1 = settings(ChM1), a1 = settings(ChA1);
    for (const int key : {'v', 'p', 'c'}) {
        p.lbTab_Click(ChA1);
        g.Form_KeyPress(key); // the list takes the key focus
        p.lbTab_Click(ChM1);
        g.Form_KeyPress(key);
        g.Form_KeyPress(key);
    }
    EXPECT_EQ((std::vector{settings(ChM1), settings(ChA1)}), (std::vector{m1, a1}));
}

// The timing view reaches the subsystems above it through events: a row picked with the right
// button shows its name box inverse (where the row lands is the window test's); the colour table
// paints the status texts.
TEST_F(Gestures, HigherSubsystemsFollow) {
    LogicPanel &lp = logicPanel();
    gestures().Picture1_MouseDown(kRightButton, 0, 300, 5);
    EXPECT_EQ((Nums{lp.txtName[0].backColor(), lp.txtName[0].foreColor()}),
              (Nums{s.colors[LogicColorEntry(0)], s.colors[ColBackground]}));
    gestures().Picture1_MouseUp(kRightButton, 0, 300, 5);

    s.colors.Colors[ColUpScreen] = Rgb(4, 4, 4);
    SetColor();
    for (const LabelModel &l : acquisitionControls().LabelStat)
        EXPECT_EQ((Nums{l.foreColor(), l.backColor()}),
                  (Nums{Rgb(4, 4, 4), s.colors[ColBackground]}));
}

// The second press of a letter steps its list: the short lists wrap from their last entry to
// the first, rate and volts/div stop at their last entry.
TEST_F(Gestures, LetterKeysWrapShortListsAndStopLongOnes) {
    TimingGestures &g = gestures();
    const int kLastRate = kRateCount - 1;
    const std::tuple<char, ListModel &, int, int> cases[] = {
        {'v', p.cmbVdiv, 7, 8},  {'v', p.cmbVdiv, 8, 8},   {'r', p.cmbRate, kLastRate, kLastRate},
        {'p', p.cmbProbe, 3, 0}, {'c', p.cmbCouple, 2, 0}, {'s', p.cmbSlope, 1, 0},
        {'d', p.cmbDepth, 2, 0}};
    for (const auto &[key, list, from, to] : cases) {
        list.setIndex(from);
        s.screen.KeyTarget = 20; // a click on a picture
        g.Form_KeyPress(key);
        g.Form_KeyPress(key);
        EXPECT_EQ(list.index(), to) << key << " from " << from;
    }
}

// Ctrl+wheel zooms in to x50 and no further, and out to the record's limit.
TEST_F(Gestures, CtrlWheelStopsAtBothEndsOfTheZoom) {
    Texts zooms;
    for (const auto &[depth, from, wheel] : {std::tuple{0, 2, 1}, {2, 10, -1}}) {
        p.cmbDepth.setIndex(depth);
        p.cmbZoom.setIndex(from);
        for (int n = 0; n < 3; ++n) {
            gestures().Wheel(wheel, kCtrlMask, 300);
            zooms << p.cmbZoom.text();
        }
    }
    EXPECT_EQ(zooms, (Texts{"x20", "x50", "x50", "/100", "/100", "/100"}));
}

// An instrument that does not take the calibration set-up: the calibration ends where it
// began.
TEST_F(Gestures, RefusedCalibrationRestores) {
    ScriptedUi ui;
    ScopedUi scoped(ui);
    const Nums before = SettingsOfChannel(1);
    s.run.HwFound = 1; // linked, but no device open
    mnuProbeCal_Click(1);
    EXPECT_EQ((Nums{AcquisitionActive(), s.records.DevConfig[HW_DC_CalMode]}), (Nums{0, 0}));
    EXPECT_EQ(SettingsOfChannel(1), before);
    EXPECT_TRUE(ui.boxes.size() == 1 && ui.boxes[0].caption == "A2 Probe Calibrate");
}

} // namespace
} // namespace vrx::test
