// SPDX-License-Identifier: GPL-3.0-or-later
// What a press grabs where a band is hidden, the screen drag at a magnified zoom, the letter
// keys on disabled lists, what the subsystems above the timing view do on its gestures and
// colours, and a probe calibration against an instrument that does not take it.
#include "core/acquisition/calibration.h"
#include "core/acquisition/loop.h"
#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/logic/logic_panel.h"
#include "core/timing/gestures.h"
#include "core/timing/set_color.h"

namespace vrx::test {
namespace {

using Gestures = PanelTest;

// Hidden F1 and H bars and the level of a logic trigger source are no bands; a press on the
// marker of a hidden A2 moves no channel at all.
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

    s.channels.ChanOn[ChA2] = 0;
    const Nums before{s.channels.ChanPos[ChA1], s.channels.ChanPos[ChA2]};
    TimingGestures &g = gestures();
    g.picScope_MouseDown(kLeftButton, 0, 5, s.channels.ChanPos[ChA2]);
    g.picScope_MouseMove(kLeftButton, 0, 5, 150);
    g.picScope_MouseUp(kLeftButton, 0, 5, 150);
    EXPECT_EQ((Nums{s.channels.ChanPos[ChA1], s.channels.ChanPos[ChA2]}), before);
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
// stay right. On A1's tab the second press steps the list.
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
    EXPECT_EQ(settings(ChM1), m1);
    EXPECT_EQ(settings(ChA1), a1);
    p.lbTab_Click(ChA1);
    s.screen.KeyTarget = 20; // a click on a picture
    g.Form_KeyPress('C');
    g.Form_KeyPress('c');
    EXPECT_EQ(settings(ChA1), (Nums{a1[0], a1[1], a1[2] + 1}));
}

// The timing view reaches the subsystems above it through events: "g" starts and stops
// acquisition as "Go" does; a row picked with the right button shows its name box inverse, its
// frame follows the track marker and, dropped three rows lower, stands beside its new lane; the
// colour table paints the status texts.
TEST_F(Gestures, HigherSubsystemsFollow) {
    s.records.DevConfig[HW_DC_Link] = HW_LINK_NONE;
    TimingGestures &g = gestures();
    g.Form_KeyPress('g');
    EXPECT_TRUE(AcquisitionActive() && acquisitionControls().Button(1).pressed());
    g.Form_KeyPress('G');
    while (AcquisitionStep()) {
    }
    EXPECT_FALSE(AcquisitionActive() || acquisitionControls().Button(1).pressed());

    LogicPanel &lp = logicPanel();
    const int h = s.display.LogicHeight;
    g.Picture1_MouseDown(kRightButton, 0, 300, 5);
    EXPECT_EQ((Nums{lp.txtName[0].backColor(), lp.txtName[0].foreColor()}),
              (Nums{s.colors[LogicColorEntry(0)], s.colors[ColBackground]}));
    g.Picture1_MouseMove(kRightButton, 0, 300, 3 * h + 5);
    EXPECT_EQ((Nums{lp.Frame1[0].top(), lp.Frame1[0].height()}), (Nums{3 * h + 5 - h / 2, h}));
    g.Picture1_MouseUp(kRightButton, 0, 300, 3 * h + 5);
    EXPECT_EQ((Nums{s.logic.Sequence[3], lp.Frame1[0].top(), lp.Frame1[1].top()}),
              (Nums{0, 3 * h, 0}));

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
    const std::tuple<char, ListModel &, int, int> cases[] = {
        {'v', p.cmbVdiv, 7, 8},
        {'v', p.cmbVdiv, 8, 8},
        {'r', p.cmbRate, kRateCount - 1, kRateCount - 1},
        {'p', p.cmbProbe, 3, 0},
        {'c', p.cmbCouple, 2, 0},
        {'s', p.cmbSlope, 1, 0},
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
    auto settings = [this] {
        return Nums{s.channels.ProbeIndex[1], s.channels.VdivIndex[1], s.channels.ChanPos[1],
                    s.trigger.TrigLevel[1],   s.acquisition.RateIndex, s.trigger.TrigChannel};
    };
    const Nums before = settings();
    s.run.HwFound = 1; // linked, but no device open
    mnuProbeCal_Click(1);
    EXPECT_EQ((Nums{AcquisitionActive(), s.records.DevConfig[HW_DC_CalMode]}), (Nums{0, 0}));
    EXPECT_EQ(settings(), before);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].caption, QStringLiteral("A2 Probe Calibrate"));
}

} // namespace
} // namespace vrx::test
