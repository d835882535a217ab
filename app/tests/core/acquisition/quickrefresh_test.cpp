// SPDX-License-Identifier: GPL-3.0-or-later
// Quick refresh of the software catch: eight phases into the hidden picture, swapped every
// eighth sample.
#include "core/acquisition/quick_refresh.h"
#include "core/fixture.h"

namespace vrx {
namespace {

using test::CountColor;

class QuickRefreshTest : public test::ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        AppState &s = app();
        s.view.ScrollPos = 0;
        pictures().picScopeVisible = {true, false};
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, HW_SB_AREA_LEN, uint8_t{70});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A2, HW_SB_AREA_LEN, uint8_t{90});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, 2 * HW_SB_AREA_LEN, uint8_t{0xFF});
    }
    // One caught sample: the count already includes it.
    void Sample(int16_t drawLogic = 1, int16_t drawGrid = 1) {
        ++app().run.CatchCount;
        Softfresh0(drawLogic, drawGrid);
    }
};

// Only A1 shown: phases 2 to 6 leave the hidden picture alone, the visible one is never drawn
// into, and the pictures swap on every eighth sample.
TEST_F(QuickRefreshTest, DrawsIntoTheHiddenPictureAndSwapsEveryEighthSample) {
    AppState &s = app();
    TimingPictures &p = pictures();
    s.channels.ChanOn = {1, 0, 0, 0, 0, 0, 0, 0};
    // The catch starts drawing into the visible picture 0; the first swap hides picture 1.
    s.run.CatchCount = 7;
    Sample();
    EXPECT_EQ(s.run.DrawPic, 1);
    for (int round = 0; round < 2; ++round) {
        Sample(); // phase 1
        const auto hidden = static_cast<size_t>(s.run.DrawPic);
        const auto shown = hidden ^ 1;
        ASSERT_TRUE(p.picScopeVisible[shown]);
        ASSERT_FALSE(p.picScopeVisible[hidden]);
        EXPECT_EQ(p.picScope[hidden].pixel(300, 70), ToQRgb(s.colors.Colors[4]));
        const QImage afterA1 = p.picScope[hidden].copy();
        const QImage visible = p.picScope[shown].copy();
        for (int phase = 2; phase <= 7; ++phase) {
            Sample();
            EXPECT_EQ(p.picScope[hidden], afterA1) << "phase " << phase;
            EXPECT_EQ(p.picScope[shown], visible) << "phase " << phase;
        }
        Sample(); // phase 0: the finished frame is shown, drawing moves to the other picture
        EXPECT_EQ(s.run.DrawPic, static_cast<int16_t>(shown));
        EXPECT_TRUE(p.picScopeVisible[hidden]);
        EXPECT_FALSE(p.picScopeVisible[shown]);
        EXPECT_EQ(p.picScope[hidden], afterA1);
        EXPECT_EQ(CountColor(p.picScope[shown], s.colors.Colors[4]), 0)
            << "the new hidden is cleared";
    }
    EXPECT_EQ(s.run.CatchCount, 24);
}

// The grid goes into the freshly cleared picture only when both the View switch and the
// caller's DrawGrid ask for it.
TEST_F(QuickRefreshTest, GridOnlyWithDrawGrid) {
    AppState &s = app();
    s.channels.ChanOn = {0, 0, 0, 0, 0, 0, 0, 1};
    s.run.CatchCount = 7;
    Sample(1, 0); // phase 0
    EXPECT_EQ(CountColor(scope(size_t(s.run.DrawPic)), s.colors.Colors[22]), 0);
    s.run.CatchCount = 15;
    Sample(1, 1);
    EXPECT_GT(CountColor(scope(size_t(s.run.DrawPic)), s.colors.Colors[22]), 900);
}

// Phase 3 clears the logic picture and draws rows 0..3; phases 4..6 add four rows each; A2 is
// phase 2. DrawLogic 0 leaves the logic picture alone.
TEST_F(QuickRefreshTest, LogicRowsFourPerPhase) {
    AppState &s = app();
    const QImage &lanes = pictures().Picture1;
    const int h = s.display.LogicHeight;
    auto laneDrawn = [&](int row) {
        const int c = s.logic.Sequence[static_cast<size_t>(row)];
        return lanes.pixel(300, row * h + h / 4) ==
               ToQRgb(s.colors.Colors[static_cast<size_t>(6 + c)]);
    };
    s.channels.ChanOn = {0, 1, 0, 0, 0, 0, 1, 0};
    s.run.CatchCount = 1;
    Sample(); // phase 2
    EXPECT_EQ(scope(size_t(s.run.DrawPic)).pixel(300, 90), ToQRgb(s.colors.Colors[5]));
    Sample(); // phase 3
    EXPECT_FALSE(pictures().Picture1AutoRedraw);
    for (int row = 0; row < 16; ++row)
        EXPECT_EQ(laneDrawn(row), row < 4) << "row " << row;
    Sample();
    Sample();
    Sample(); // phase 6
    for (int row = 0; row < 16; ++row)
        EXPECT_TRUE(laneDrawn(row)) << "row " << row;

    // Without DrawLogic the next round's phase 3 keeps the old lanes.
    s.run.CatchCount = 10;
    Sample(0, 1); // phase 3
    EXPECT_TRUE(laneDrawn(15));
}

} // namespace
} // namespace vrx
