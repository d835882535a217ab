// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fixture.h"

namespace vrx::test {
namespace {

using Bars = PanelTest;

// Dashes of `length` pixels every `period` from `first` up to `last`, end pixels left out.
Nums Dashes(int first, int last, int period, int length) {
    Nums at;
    for (int i = first; i < last; i += period)
        for (int k = 0; k < length; ++k)
            at.push_back(i + k);
    return at;
}

// A vertical bar: 48 dashes of 2 pixels every 5 rows from row 10 on the trace picture and, on
// the logic lanes (20 pixels high), the rows outside their levels, 5 from each edge; only on
// screen, and on the lanes only while they are shown at a real-time rate.
TEST_F(Bars, VlineIsDashedOnScreenAndCrossesTheLanesBetweenTheirLevels) {
    // ScrollPos 300, one sample per pixel: V1 at 450 is column 150.
    const QImage &lanes = pictures().Picture1;
    Nums between;
    for (int y = 0; y < 16 * 20; ++y)
        if (y % 20 < 5 || y % 20 >= 15) between.push_back(y);
    p.Vline(0, 1);
    EXPECT_EQ(RowsOf(scope(), 150, ColV1), Dashes(10, 250, 5, 2));
    EXPECT_EQ(RowsOf(lanes, 150, ColV1), between);
    p.Vline(0, 0);
    EXPECT_TRUE(RowsOf(scope(), 150, ColV1).empty() && RowsOf(lanes, 150, ColV1).empty());
    for (const uint8_t rate : {8, 3}) { // the lanes off, then an equivalent-time rate
        s.channels.ChanOn[DispLogic] = rate == 3;
        s.acquisition.RateIndex = rate;
        p.Vline(0, 1);
        EXPECT_EQ(RowsOf(lanes, 150, ColV1), Nums{}) << int(rate);
        p.Vline(0, 0);
    }
    // Left of the screen or beyond its right edge nothing is drawn; the edge itself is on screen.
    s.view.BarPos = {299, 901, 900, 0};
    p.Vline(0, 1);
    p.Vline(1, 1);
    EXPECT_EQ(CountColor(scope(), s.colors[ColBackground]), scope().width() * kScopeRows);
    p.Vline(2, 1);
    EXPECT_EQ(RowsOf(scope(), 600, ColTrigger), Dashes(10, 250, 5, 2));
}

TEST_F(Bars, MovingABarRestoresAnotherAtTheSamePlace) {
    p.ScrollVbar[0].setValue(600); // V1 onto the trigger bar (column 300)
    p.Vline(2, 1);
    p.ScrollVbar[0].setValue(500); // V1 leaves: the trigger bar must survive the erase
    EXPECT_EQ((std::vector{RowsOf(scope(), 300, ColTrigger), RowsOf(scope(), 200, ColV1)}),
              std::vector(2, Dashes(10, 250, 5, 2)));
    // Only the trigger bar re-arms; each move redraws the traces and places the overview mark.
    EXPECT_EQ((Nums{s.run.ParamChanged, traceDraws, pictures().UpVbarX[0]}),
              (Nums{0, 2, 500 * 512 / 2048 + 101}));
    p.ScrollVbar[2].setValue(700);
    EXPECT_EQ(s.run.ParamChanged, 1);
}

TEST_F(Bars, HorizontalBarsAreDashedAcrossTheScreen) {
    s.trigger.TrigLevel[0] = 100;
    p.DrawTbar(0, 1);
    // 5 pixels every 10 from 3; the last dash is j = 600 / 10 - 2 = 58: 583..587.
    EXPECT_EQ(ColumnsOf(scope(), 100, ColTrigger), Dashes(3, 588, 10, 5));
    p.DrawTbar(2, 1); // a logic trigger has no level bar
    p.DrawTbar(0, 0);
    EXPECT_EQ(CountColor(scope(), s.colors[ColTrigger]), 0);

    p.ScrollHbar[1].setValue(203); // between the dashes of the V2 bar
    p.DrawHbar(1, 1);
    EXPECT_EQ(ColumnsOf(scope(), 203, ColV2), Dashes(3, 588, 10, 5));
}

TEST_F(Bars, PreTriggerDisplayAndStep) {
    p.ScrollVbar[2].setValue(-3); // a delay of 3 blocks of 512 samples
    EXPECT_EQ((Nums{s.trigger.TrigShown, p.lbPretrig.visible(), p.lbx10.visible(),
                    pictures().UpVbarX[2]}),
              (Nums{-1536, true, true, 101})); // -3 * 100 / 65354 truncates to 0
    EXPECT_EQ((Texts{p.lbVbar[2].text(), p.lbT_V[0].text()}), (Texts{"-1536", "T-v1= -1986"}));
    // The step label cycles x1, x10, x50, x100 with the bar's small change; without a delay the
    // step is back to x1.
    Texts steps;
    auto step = [&] {
        steps << p.lbx10.text() + ' ' + QString::number(p.ScrollVbar[2].smallChange());
    };
    for (int i = 0; i < 5; ++i) {
        p.lbx10.click();
        step();
    }
    p.ScrollVbar[2].setValue(0);
    step();
    EXPECT_EQ(steps, (Texts{"x10 10", "x50 50", "x100 100", "x1 1", "x10 10", "x1 1"}));
    EXPECT_EQ((Nums{p.lbPretrig.visible(), p.lbx10.visible(), s.trigger.TrigStep,
                    OverviewBarX(-65354, 2048), OverviewBarX(0, 2048), OverviewBarX(2047, 2048)}),
              (Nums{false, false, 0, 1, 101, 612}));
}

TEST_F(Bars, ReadoutsInTimeAndSamples) {
    auto texts = [&] {
        p.LabelTimes();
        return Texts{p.lbVbar[0].text(), p.lbv1v2.text(), p.lbT_V[0].text(), p.lbT_V[1].text(),
                     p.lbScr.text()};
    };
    EXPECT_EQ(texts(), (Texts{"450", "v1-v2=-300", "T-v1= 150", "T-v2= -150", "300"}));
    s.display.Dispunit = 0; // at 100MSa/S
    EXPECT_EQ(texts(),
              (Texts{"4.5us", "v1-v2=-3 us (333.333KHz)", "T-v1=1.5us", "T-v2=-1.5us", "3 us"}));
    s.view.BarPos[1] = s.view.BarPos[0];
    p.LabelTimes();
    EXPECT_EQ(p.lbv1v2.text(), "v1-v2= ns (----)");
    p.Scrollscr.setValue(1234);
    EXPECT_EQ((Texts{p.lbScr.text(), QString::number(pictures().ImgUpscrLeft)}),
              (Texts{"12.34us", QString::number(1234 * 512 / 2048 + 100)}));
}

TEST_F(Bars, HbarReadoutsUseTheSelectedChannelScale) {
    // A1: 10:1 probe, 1V per division: 40 mV per code, position 178.
    p.ShowHbarValue(0);
    const Texts a1{p.lbHbar[0].text(), p.lbH1H2.text()};
    p.lbTab_Click(ChA2); // 2V per division: 80 mV per code, position 203
    // (178 - 28) and (28 - 228) codes at 40 mV; (203 - 228) at 80 mV, refreshed by the tab.
    EXPECT_EQ(a1 + Texts{p.lbHbar[1].text()}, (Texts{"6. V", "-8. V", "-2. V"}));
}

// Aligning a bar brings it to pixel 300 within the record, and the zoom follows it; V3align
// brings the bars to the screen: V1 at 150, V2 at 450, the trigger (re-armed) at 300.
TEST_F(Bars, AlignmentMovesTheScreenOrTheBars) {
    p.cmbDepth.setIndex(1);
    s.view.BarPos = {1000, 8000, 600, 0};
    Nums screens;
    for (int k : {0, 1, 1}) { // the second time with the screen already at the end
        p.Valign(k);
        screens.insert(screens.end(), {s.view.ScrollPos, p.Scrollscr.value(), s.view.ActiveBar[0]});
    }
    s.view.BarPos[1] = 10;
    p.Valign(1);
    screens.push_back(s.view.ScrollPos);
    EXPECT_EQ(screens,
              (Nums{700, 700, 0, 8191 - 600, 8191 - 600, 1, 8191 - 600, 8191 - 600, 1, 0}));

    p.Scrollscr.setValue(100);
    s.run.ParamChanged = 0;
    p.V3align();
    EXPECT_EQ((Nums{s.view.BarPos[0], s.view.BarPos[1], s.view.BarPos[2], s.view.ActiveBar[0],
                    s.run.ParamChanged}),
              (Nums{250, 550, 400, 2, 1}));
}

} // namespace
} // namespace vrx::test
