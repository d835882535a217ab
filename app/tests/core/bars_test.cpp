// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/pictures.h"
#include "core/state.h"
#include "timing/frontpanel_logic.h"

using namespace vrx;

// Readable QString values in failure messages.
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class Bars : public ::testing::Test {
  protected:
    void SetUp() override {
        savedHooks_ = screenHooks();
        screenHooks() = {};
        screenHooks().DrawTraces = [this] { ++traceDraws; };
        InitDefaults();
        app().Dispunit = 1; // readouts in samples
        app().DevConfig[HW_DC_Link] = HW_LINK_USB;
        p.hooks = {};
        p.ScaleWidth = 0;
        ResizePictures(app().ScreenSamples, app().LogicHeight, app().Colors[0]);
        p.InitPanel();
        ApplyTimingSettings();
        ClearAll();
        app().ParamChanged = 0;
        traceDraws = 0;
    }
    void TearDown() override {
        screenHooks() = savedHooks_;
        app().DevConfig[HW_DC_Link] = HW_LINK_NONE;
    }

    static void ClearAll() {
        for (auto &img : pictures().picScope)
            ClearPicture(img, app().Colors[0]);
        ClearPicture(pictures().Picture1, app().Colors[0]);
    }
    static QRgb Scope(int x, int y) { return pictures().picScope[0].pixel(x, y); }
    static QRgb Color(int entry) { return ToQRgb(app().Colors[static_cast<size_t>(entry)]); }
    // Rows of column x on the trace picture that hold colour entry `entry`.
    static std::vector<int> RowsOf(int x, int entry) {
        std::vector<int> rows;
        for (int y = 0; y < kScopeRows; ++y)
            if (Scope(x, y) == Color(entry)) rows.push_back(y);
        return rows;
    }

    TimingPanel &p = form1();
    int traceDraws = 0;

  private:
    ScreenHooks savedHooks_;
};

TEST_F(Bars, VlineIsDashedAndOnlyOnScreen) {
    // ScrollPos 300, one sample per pixel: V1 at 450 is column 150.
    app().Colors[1] = Rgb(1, 2, 3); // distinct from the trigger bar's white
    p.Vline(0, 1);
    const auto rows = RowsOf(150, 1);
    ASSERT_EQ(rows.size(), 96u); // 48 segments of 2 pixels (the end pixel is left out)
    EXPECT_EQ(rows.front(), 10);
    EXPECT_EQ(rows[1], 11);
    EXPECT_EQ(rows[2], 15);
    EXPECT_EQ(rows.back(), 246);
    EXPECT_EQ(Scope(149, 10), Color(0));
    p.Vline(0, 0);
    EXPECT_TRUE(RowsOf(150, 1).empty());

    // Left of the screen or beyond its right edge nothing is drawn.
    ClearAll();
    app().BarPos[0] = 299;
    app().BarPos[1] = 901;
    p.Vline(0, 1);
    p.Vline(1, 1);
    for (int x = 0; x < pictures().picScope[0].width(); ++x)
        ASSERT_EQ(Scope(x, 10), Color(0)) << x;
    app().BarPos[1] = 900; // the right edge itself is on screen
    p.Vline(1, 1);
    EXPECT_EQ(Scope(600, 10), Color(2));
}

TEST_F(Bars, VlineCrossesTheLogicLanesBetweenTheirLevels) {
    app().Colors[1] = Rgb(1, 2, 3);
    p.Vline(0, 1); // logic shown, real-time rate, lanes 20 pixels high: q = 5
    const QImage &logic = pictures().Picture1;
    for (int y = 0; y < 40; ++y) {
        const bool bar = (y % 20) < 5 || (y % 20) >= 15;
        EXPECT_EQ(logic.pixel(150, y) == Color(1), bar) << y;
    }
    ClearAll();
    app().ChanOn[DispLogic] = 0;
    p.Vline(0, 1);
    EXPECT_EQ(pictures().Picture1.pixel(150, 0), Color(0));
}

TEST_F(Bars, MovingABarRestoresAnotherAtTheSamePlace) {
    AppState &s = app();
    s.Colors[1] = Rgb(1, 2, 3);
    s.Colors[3] = Rgb(9, 8, 7);
    p.ScrollVbar[0].setValue(600); // V1 onto the trigger bar (column 300)
    p.Vline(2, 1);
    p.ScrollVbar[0].setValue(500); // V1 leaves: the trigger bar must survive the erase
    EXPECT_EQ(RowsOf(300, 3).size(), 96u);
    EXPECT_EQ(RowsOf(200, 1).size(), 96u);
    EXPECT_EQ(s.ParamChanged, 0); // only the trigger bar re-arms
    EXPECT_EQ(traceDraws, 2);
    EXPECT_EQ(pictures().UpVbarX[0], 500 * 512 / 2048 + 101);
    p.ScrollVbar[2].setValue(700);
    EXPECT_EQ(s.ParamChanged, 1);
}

TEST_F(Bars, HorizontalBarsAreDashedAcrossTheScreen) {
    AppState &s = app();
    s.TrigLevel[0] = 100;
    s.Colors[3] = Rgb(9, 8, 7);
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

    s.Colors[2] = Rgb(5, 5, 5);
    p.ScrollHbar[1].setValue(200);
    EXPECT_EQ(s.HbarPos[1], 200);
    p.DrawHbar(1, 1);
    EXPECT_EQ(img.pixel(13, 200), Color(2));
}

TEST_F(Bars, PreTriggerDisplayAndStep) {
    AppState &s = app();
    p.ScrollVbar[2].setValue(-3);
    EXPECT_EQ(s.BarPos[2], -3);
    EXPECT_EQ(s.TrigShown, -1536);
    EXPECT_TRUE(p.lbPretrig.visible());
    EXPECT_EQ(p.lbPretrig.text(), "PreTrigger");
    EXPECT_TRUE(p.lbx10.visible());
    EXPECT_EQ(p.lbVbar[2].text(), "-1536");
    EXPECT_EQ(p.lbT_V[0].text(), "T-v1= -1986");
    EXPECT_EQ(pictures().UpVbarX[2], 101); // -3 * 100 / 65354 truncates to 0

    p.lbx10.click();
    EXPECT_EQ(p.lbx10.text(), "x10");
    EXPECT_EQ(p.ScrollVbar[2].smallChange(), 10);
    p.lbx10.click();
    p.lbx10.click();
    EXPECT_EQ(p.lbx10.text(), "x100");
    p.lbx10.click();
    EXPECT_EQ(p.lbx10.text(), "x1");
    p.lbx10.click();

    p.ScrollVbar[2].setValue(0);
    EXPECT_FALSE(p.lbPretrig.visible());
    EXPECT_FALSE(p.lbx10.visible());
    EXPECT_EQ(s.TrigStep, 0);
    EXPECT_EQ(p.lbx10.text(), "x1");
    EXPECT_EQ(p.ScrollVbar[2].smallChange(), 1);

    EXPECT_EQ(OverviewBarX(-65354, 2048), 1);
    EXPECT_EQ(OverviewBarX(0, 2048), 101);
    EXPECT_EQ(OverviewBarX(2047, 2048), 612);
}

TEST_F(Bars, ReadoutsInTimeAndSamples) {
    AppState &s = app();
    p.LabelTimes();
    EXPECT_EQ(p.lbVbar[0].text(), "450");
    EXPECT_EQ(p.lbv1v2.text(), "v1-v2=-300");
    EXPECT_EQ(p.lbT_V[1].text(), "T-v2= -150");
    EXPECT_EQ(p.lbScr.text(), "300");

    s.Dispunit = 0; // at 100MSa/S
    p.LabelTimes();
    EXPECT_EQ(p.lbVbar[0].text(), "4.5us");
    EXPECT_EQ(p.lbv1v2.text(), "v1-v2=-3 us (333.333KHz)");
    EXPECT_EQ(p.lbT_V[0].text(), "T-v1=1.5us");
    s.BarPos[1] = s.BarPos[0];
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
    s.BarPos[0] = 1000;
    p.Valign(0); // V1 ends at pixel 300
    EXPECT_EQ(s.ScrollPos, 700);
    EXPECT_EQ(p.Scrollscr.value(), 700);
    EXPECT_EQ(s.ActiveBar[0], 0); // automatic zoom align follows the bar
    s.BarPos[1] = 8000;
    p.Valign(1); // clamped at the end of the record
    EXPECT_EQ(s.ScrollPos, s.ScrollMax);
    s.BarPos[1] = 10;
    p.Valign(1);
    EXPECT_EQ(s.ScrollPos, 0);

    p.Scrollscr.setValue(100);
    s.ParamChanged = 0;
    p.V3align();
    EXPECT_EQ(s.BarPos[0], 250);
    EXPECT_EQ(s.BarPos[1], 550);
    EXPECT_EQ(s.BarPos[2], 400);
    EXPECT_EQ(s.ActiveBar[0], 2);
    EXPECT_EQ(s.ParamChanged, 1);
}

} // namespace
