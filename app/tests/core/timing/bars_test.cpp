// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fixture.h"

using namespace vrx;

namespace {

using test::Nums;
using test::Texts;

class Bars : public test::PanelTest {
  protected:
    static QRgb Scope(int x, int y) { return pictures().picScope[0].pixel(x, y); }
    static QRgb Color(int entry) { return ToQRgb(app().colors.Colors[static_cast<size_t>(entry)]); }
    // Rows of column x on the trace picture that hold colour entry `entry`.
    static std::vector<int> RowsOf(int x, int entry) {
        std::vector<int> rows;
        for (int y = 0; y < kScopeRows; ++y)
            if (Scope(x, y) == Color(entry)) rows.push_back(y);
        return rows;
    }
};

TEST_F(Bars, VlineIsDashedAndOnlyOnScreen) {
    // ScrollPos 300, one sample per pixel: V1 at 450 is column 150.
    app().colors.Colors[1] = Rgb(1, 2, 3); // distinct from the trigger bar's white
    p.Vline(0, 1);
    const auto rows = RowsOf(150, 1);
    // 48 segments of 2 pixels every 5 rows from 10 (the end pixel is left out).
    std::vector<int> dashes;
    for (int y = 10; y < 250; y += 5)
        dashes.insert(dashes.end(), {y, y + 1});
    EXPECT_EQ(rows, dashes);
    EXPECT_EQ(Scope(149, 10), Color(0));
    p.Vline(0, 0);
    EXPECT_TRUE(RowsOf(150, 1).empty());

    // Left of the screen or beyond its right edge nothing is drawn.
    ClearAll();
    app().view.BarPos[0] = 299;
    app().view.BarPos[1] = 901;
    p.Vline(0, 1);
    p.Vline(1, 1);
    for (int x = 0; x < pictures().picScope[0].width(); ++x)
        ASSERT_EQ(Scope(x, 10), Color(0)) << x;
    app().view.BarPos[1] = 900; // the right edge itself is on screen
    p.Vline(1, 1);
    EXPECT_EQ(Scope(600, 10), Color(2));
}

TEST_F(Bars, VlineCrossesTheLogicLanesBetweenTheirLevels) {
    app().colors.Colors[1] = Rgb(1, 2, 3);
    p.Vline(0, 1); // logic shown, real-time rate, lanes 20 pixels high: q = 5
    const QImage &logic = pictures().Picture1;
    for (int y = 0; y < 40; ++y) {
        const bool bar = (y % 20) < 5 || (y % 20) >= 15;
        EXPECT_EQ(logic.pixel(150, y) == Color(1), bar) << y;
    }
    ClearAll();
    app().channels.ChanOn[DispLogic] = 0;
    p.Vline(0, 1);
    EXPECT_EQ(pictures().Picture1.pixel(150, 0), Color(0));
}

TEST_F(Bars, MovingABarRestoresAnotherAtTheSamePlace) {
    AppState &s = app();
    s.colors.Colors[1] = Rgb(1, 2, 3);
    s.colors.Colors[3] = Rgb(9, 8, 7);
    p.ScrollVbar[0].setValue(600); // V1 onto the trigger bar (column 300)
    p.Vline(2, 1);
    p.ScrollVbar[0].setValue(500); // V1 leaves: the trigger bar must survive the erase
    EXPECT_EQ(RowsOf(300, 3).size(), 96u);
    EXPECT_EQ(RowsOf(200, 1).size(), 96u);
    EXPECT_EQ(s.run.ParamChanged, 0); // only the trigger bar re-arms
    EXPECT_EQ(traceDraws, 2);
    EXPECT_EQ(pictures().UpVbarX[0], 500 * 512 / 2048 + 101);
    p.ScrollVbar[2].setValue(700);
    EXPECT_EQ(s.run.ParamChanged, 1);
}

TEST_F(Bars, HorizontalBarsAreDashedAcrossTheScreen) {
    AppState &s = app();
    s.trigger.TrigLevel[0] = 100;
    s.colors.Colors[3] = Rgb(9, 8, 7);
    p.DrawTbar(0, 1);
    const QImage &img = pictures().picScope[0];
    EXPECT_EQ(img.pixel(2, 100), Color(0));
    for (int x = 3; x <= 7; ++x)
        EXPECT_EQ(img.pixel(x, 100), Color(3)) << x;
    EXPECT_EQ(img.pixel(8, 100), Color(0));
    EXPECT_EQ(img.pixel(587, 100), Color(3)); // j = 600 / 10 - 2 = 58: 583..587
    EXPECT_EQ(img.pixel(593, 100), Color(0));
    p.DrawTbar(2, 1); // a logic trigger has no level bar
    p.DrawTbar(0, 0);
    for (int x = 0; x < img.width(); ++x)
        ASSERT_EQ(img.pixel(x, 100), Color(0)) << x;

    s.colors.Colors[2] = Rgb(5, 5, 5);
    p.ScrollHbar[1].setValue(200);
    EXPECT_EQ(s.view.HbarPos[1], 200);
    p.DrawHbar(1, 1);
    EXPECT_EQ(img.pixel(13, 200), Color(2));
}

TEST_F(Bars, PreTriggerDisplayAndStep) {
    AppState &s = app();
    p.ScrollVbar[2].setValue(-3);
    EXPECT_EQ(s.view.BarPos[2], -3);
    EXPECT_EQ(s.trigger.TrigShown, -1536);
    EXPECT_TRUE(p.lbPretrig.visible());
    EXPECT_TRUE(p.lbx10.visible());
    EXPECT_EQ((Texts{p.lbPretrig.text(), p.lbVbar[2].text(), p.lbT_V[0].text()}),
              (Texts{"PreTrigger", "-1536", "T-v1= -1986"}));
    EXPECT_EQ(pictures().UpVbarX[2], 101); // -3 * 100 / 65354 truncates to 0

    // The step label cycles x1, x10, x50, x100 with the bar's small change.
    Texts steps;
    Nums changes;
    for (int i = 0; i < 4; ++i) {
        p.lbx10.click();
        steps << p.lbx10.text();
        changes.push_back(p.ScrollVbar[2].smallChange());
    }
    EXPECT_EQ(steps, (Texts{"x10", "x50", "x100", "x1"}));
    EXPECT_EQ(changes, (Nums{10, 50, 100, 1}));
    p.lbx10.click();

    p.ScrollVbar[2].setValue(0);
    EXPECT_FALSE(p.lbPretrig.visible());
    EXPECT_FALSE(p.lbx10.visible());
    EXPECT_EQ(p.lbx10.text(), "x1");
    EXPECT_EQ((Nums{s.trigger.TrigStep, p.ScrollVbar[2].smallChange()}), (Nums{0, 1}));

    EXPECT_EQ((Nums{OverviewBarX(-65354, 2048), OverviewBarX(0, 2048), OverviewBarX(2047, 2048)}),
              (Nums{1, 101, 612}));
}

TEST_F(Bars, ReadoutsInTimeAndSamples) {
    AppState &s = app();
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
    EXPECT_EQ(p.lbScr.text(), "12.34us");
    EXPECT_EQ(pictures().ImgUpscrLeft, 1234 * 512 / 2048 + 100);
}

TEST_F(Bars, HbarReadoutsUseTheSelectedChannelScale) {
    // A1: 10:1 probe, 1V per division: 40 mV per code, position 178.
    p.ShowHbarValue(0);
    EXPECT_EQ(p.lbHbar[0].text(), "6. V");  // (178 - 28) * 40 mV
    EXPECT_EQ(p.lbH1H2.text(), "-8. V");    // (28 - 228) * 40 mV
    p.lbTab_Click(ChA2);                    // 2V per division: 80 mV per code, position 203
    EXPECT_EQ(p.lbHbar[1].text(), "-2. V"); // refreshed by the tab's position handler
}

TEST_F(Bars, AlignmentMovesTheScreenOrTheBars) {
    AppState &s = app();
    p.cmbDepth.setIndex(1);
    s.view.BarPos[0] = 1000;
    p.Valign(0); // V1 ends at pixel 300
    // Automatic zoom align follows the bar.
    EXPECT_EQ((Nums{s.view.ScrollPos, p.Scrollscr.value(), s.view.ActiveBar[0]}),
              (Nums{700, 700, 0}));
    s.view.BarPos[1] = 8000;
    p.Valign(1); // clamped at the end of the record
    EXPECT_EQ(s.view.ScrollPos, s.screen.ScrollMax);
    s.view.BarPos[1] = 10;
    p.Valign(1);
    EXPECT_EQ(s.view.ScrollPos, 0);

    p.Scrollscr.setValue(100);
    s.run.ParamChanged = 0;
    p.V3align();
    EXPECT_EQ((Nums{s.view.BarPos[0], s.view.BarPos[1], s.view.BarPos[2], s.view.ActiveBar[0],
                    s.run.ParamChanged}),
              (Nums{250, 550, 400, 2, 1}));
}

} // namespace
