// SPDX-License-Identifier: GPL-3.0-or-later
// The function channel (its dialog's models, `ApplyFunction`, its trace against its sources and
// its label, "Clear Backup") and the XY plot's axes, figure and sources.
#include "core/analysis/function.h"
#include "core/analysis/xy.h"
#include "core/fixture.h"

namespace vrx::test {
namespace {

class FunctionTest : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        s.colors.Colors[ColGrid] = Rgb(0, 0, 200);
        s.colors.Colors[ColA1] = Rgb(250, 250, 0);
        s.channels.Coupling = {0, 1};
        f.Form_Load();
    }
    // F1 of A1 and A2 at the positions given, all three at A1's scale, F1 at 200; dots in
    // colours of their own and no bar on the screen.
    void SameScaleSources(int16_t a1, int16_t a2) {
        s.colors.Colors[ColA1Dot] = Rgb(1, 1, 1);
        s.colors.Colors[ColA2Dot] = Rgb(2, 2, 2);
        s.colors.Colors[ColF1] = Rgb(3, 3, 3);
        s.channels.VdivIndex[ChA2] = s.channels.VdivIndex[ChA1];
        p.RefreshChannel(ChA2);
        s.channels.ChanPos[ChA1] = a1;
        s.channels.ChanPos[ChA2] = a2;
        s.channels.ChanPos[ChF1] = 200;
        s.display.FuSource = {ChA1, ChA2};
        s.view.BarPos.fill(-1);
    }
    Nums F1() const {
        const auto &c = s.channels;
        return {c.ProbeIndex[ChF1], c.Coupling[ChF1], c.VdivIndex[ChF1]};
    }

    FunctionLogic &f = frmFunction();
};

TEST_F(FunctionTest, F1TakesTheCoarserSourceAndSwitchesItsSourcesOn) {
    s.channels.ChanOn[DispA2] = 0;
    s.display.FuSource = {ChA1, ChA2};
    f.CheckFu.click();
    // A1 10:1 at index 4 ranks 14, A2 10:1 at index 5 ranks 15.
    EXPECT_EQ(F1(), (Nums{1, 1, 5}));
    EXPECT_EQ((Nums{s.channels.ChanOn[DispA2], s.channels.ChanOn[DispF1]}), (Nums{1, 1}));
    EXPECT_TRUE(menuCommands().mnuDispCh[DispA2].checked() && p.lbTab[ChF1].enabled());
    // The selected channel's lists stay its own.
    EXPECT_EQ((Nums{s.channels.SelChannel, p.cmbVdiv.index(), s.channels.VdivIndex[ChA1]}),
              (Nums{ChA1, 4, 4}));

    // A2 at 1:1 and 2V (rank 8) loses to A1 (rank 14); on a tie source 1 wins.
    s.channels.ProbeIndex[ChA2] = 0;
    s.channels.VdivIndex[ChA2] = 8;
    ApplyFunction();
    EXPECT_EQ(F1(), (Nums{1, 0, 4}));
    s.channels.ProbeIndex[ChA2] = 1;
    s.channels.VdivIndex[ChA2] = 4;
    f.cmbSource[0].setIndex(ChA2);
    f.cmbSource[1].setIndex(ChA1);
    EXPECT_EQ(F1(), (Nums{1, 1, 4}));

    // A product is in volts squared per division, a quotient without a unit.
    f.cmbOperate.setIndex(2);
    EXPECT_EQ(s.channels.VdivText[ChF1], QStringLiteral("1VV"));
}

// F1 is computed from what its sources show in each column: at x1, and at x10 and x50 with a
// sub-sample phase, A1 - A2 lies in every column at F1's position plus A1's row less A2's row,
// each counted from its own position (sources and F1 at one scale).
TEST_F(FunctionTest, F1LinesUpWithItsSourcesAtEveryZoom) {
    SameScaleSources(50, 120);
    s.display.FuOp = 1;
    s.display.DotsConnect = 0;
    f.CheckFu.click();
    for (int n = 0; n < HW_SB_AREA_LEN; ++n) { // A1 rows 30..70, A2 110..130, F1 170..230
        s.records.SampleBuf[static_cast<size_t>(HW_SB_A1 + n)] =
            static_cast<uint8_t>(30 + n * 7 % 41);
        s.records.SampleBuf[static_cast<size_t>(HW_SB_A2 + n)] =
            static_cast<uint8_t>(110 + n * 3 % 21);
    }
    for (const auto &[zoom, phase] : {std::pair{5, 0}, {2, 3}, {0, 17}}) {
        s.acquisition.ZoomIndex = static_cast<uint8_t>(zoom);
        s.view.ViewStart[3] = phase;
        ComposeScreen(1, 1);
        for (int x = 20; x < 600; ++x) {
            const Nums a = RowsOf(scope(), x, ColA1Dot), b = RowsOf(scope(), x, ColA2Dot);
            Nums f1 = RowsOf(scope(), x, ColF1);
            std::erase_if(f1, [](int64_t y) { return y < 100; }); // F1's scale text
            ASSERT_EQ((Nums{std::ssize(a), std::ssize(b)}), (Nums{1, 1})) << x;
            ASSERT_EQ(f1, Nums{200 + (a[0] - 50) - (b[0] - 120)}) << "zoom " << zoom << " x " << x;
        }
    }
}

// F1 agrees with its scale label: A1 two divisions and A2 one division above their positions
// (2 V and 1 V at "1V" a division) give 3, 1, 2 and 2 divisions above F1's position for the
// sum, the difference, the product and the quotient.
TEST_F(FunctionTest, F1AgreesWithItsScaleLabel) {
    SameScaleSources(100, 150);
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, HW_SB_AREA_LEN, uint8_t{50});
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_A2, HW_SB_AREA_LEN, uint8_t{125});
    f.CheckFu.click();
    const std::pair<int, const char *> ops[] = {{3, "1V"}, {1, "1V"}, {2, "1VV"}, {2, "1V/V"}};
    for (int op = 0; op < 4; ++op) {
        f.cmbOperate.setIndex(op);
        ComposeScreen(1, 1);
        const auto [divisions, label] = ops[op];
        EXPECT_EQ((Texts{s.channels.VdivText[ChF1]}), (Texts{label})) << op;
        EXPECT_EQ(RowsOf(scope(), 310, ColF1), Nums{200 - 25 * divisions}) << op;
    }
}

TEST_F(FunctionTest, ClearBackupResetsOnlyTheChosenMemoryChannel) {
    s.work.M1Buf.fill(7);
    s.work.M2Buf.fill(9);
    s.channels.ProbeIndex[ChM1] = 3;
    s.channels.VdivIndex[ChM1] = 8;
    s.channels.ChanPos[ChM1] = 40;
    s.view.ViewStart[1] = 55;
    f.cmbM2.setIndex(-1);
    f.cmdClear_Click();
    EXPECT_EQ(s.work.M1Buf[0], 7);

    s.channels.ChanOn[DispM1] = 1;
    f.cmbM2.setIndex(0);
    f.cmdClear_Click();
    EXPECT_EQ((Nums{std::count(s.work.M1Buf.begin(), s.work.M1Buf.end(), 128),
                    std::count(s.work.M2Buf.begin(), s.work.M2Buf.end(), 9)}),
              Nums(2, std::ssize(s.work.M1Buf)));
    const auto &c = s.channels;
    EXPECT_EQ((Nums{c.ProbeIndex[ChM1], c.Coupling[ChM1], c.VdivIndex[ChM1], c.ChanPos[ChM1],
                    s.view.ViewStart[1], c.SelChannel}),
              (Nums{1, 0, 4, 128, 0, ChM1}));
    EXPECT_TRUE(c.VdivText[ChM1] == "1V" && RowsOf(scope(), 310, ColM1) == Nums{128});
}

// Axes through (128, 128) with a tick of 10 pixels every 25, the last pixel of each line left
// out; the figure of one channel against itself lies on the diagonal x + y = 256.
TEST_F(FunctionTest, XYAxesAndTheFigureOfOneChannelAgainstItself) {
    XYLogic &xy = frmXY();
    s.channels.ChanOn = {1, 0, 0, 0, 0, 0, 0, 0};
    for (int n = 0; n < HW_SB_AREA_LEN; ++n)
        s.records.SampleBuf[static_cast<size_t>(n)] = static_cast<uint8_t>(60 + n % 150);
    ComposeScreen(0, 1);
    s.display.XYSource = {ChA1, ChA1};
    xy.XYplot();
    const QImage &img = xy.PicXY;
    const QRgb grid = Pixel(ColGrid);
    // On the axes and the ticks, then just past their ends.
    EXPECT_EQ((Nums{img.pixel(0, 128), img.pixel(254, 128), img.pixel(128, 0), img.pixel(28, 123),
                    img.pixel(28, 132), img.pixel(123, 228), img.pixel(255, 128) == grid,
                    img.pixel(28, 133) == grid, img.pixel(29, 123) == grid}),
              (Nums{grid, grid, grid, grid, grid, grid, 0, 0, 0}));
    int points = 0;
    for (int y = 0; y < kXYSize; ++y)
        for (int x = 0; x < kXYSize; ++x)
            if (img.pixel(x, y) == Pixel(ColA1)) {
                ++points;
                ASSERT_EQ(x + y, 256) << x << "," << y;
            }
    EXPECT_GT(points, 100);
}

} // namespace
} // namespace vrx::test
