// SPDX-License-Identifier: GPL-3.0-or-later
// The View, Software Catch and Backup menu commands driven through their models: marks, flags,
// and what the timing view then draws.
#include "core/acquisition/loop.h"
#include "core/fixture.h"
#include "core/menus/menu_commands.h"

namespace vrx::test {
namespace {

class MenuTest : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        m.ApplyMenuSettings();
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, HW_SB_AREA_LEN, uint8_t{70});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A2, HW_SB_AREA_LEN, uint8_t{90});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, 2 * HW_SB_AREA_LEN, uint8_t{0xFF});
    }
    // The lanes at column 310 (the trigger bar crosses column 300).
    static int64_t Lanes(bool high) { return LaneBits(310, high); }

    MenuCommands &m = menuCommands();
};

TEST_F(MenuTest, RefreshClearsAccumulatedRecordsOnceAndKeepsPersistence) {
    m.mnuPersist.click();
    scope().setPixel(405, 5, Pixel(ColM2)); // left by an earlier record
    ComposeScreen(0, 1);
    EXPECT_EQ(scope().pixel(405, 5), Pixel(ColM2));
    m.mnuRefresh.click();
    EXPECT_TRUE(scope().pixel(405, 5) != Pixel(ColM2) &&
                RowsOf(scope(), 310, ColA1Dot) == Nums{70});
    EXPECT_EQ((Nums{s.display.Persist, m.mnuPersist.checked()}), (Nums{-1, 1}));
}

// A2 copied to M1 keeps A2's scale of that moment; A1, the selected channel, keeps its own.
TEST_F(MenuTest, BackupCopyKeepsTheScaleOfTheMomentItWasTaken) {
    s.channels.VdivIndex[ChA2] = 6;
    s.channels.ChanPos[ChA2] = 150;
    m.mnuBackup[2].click(); // "Copy A2 to M1"
    EXPECT_TRUE(
        std::all_of(s.work.M1Buf.begin(), s.work.M1Buf.end(), [](uint8_t v) { return v == 90; }));
    const auto &c = s.channels;
    EXPECT_EQ((Nums{c.ProbeIndex[ChM1], c.VdivIndex[ChM1], c.ChanPos[ChM1]}), (Nums{1, 6, 150}));
    EXPECT_EQ((Nums{c.SelChannel, c.VdivIndex[ChA1], p.cmbVdiv.index()}), (Nums{ChA1, 4, 4}));

    p.lbTab_Click(ChA2);
    p.cmbVdiv.setIndex(2);
    EXPECT_EQ((Nums{c.VdivIndex[ChA2], c.VdivIndex[ChM1], c.ChanPos[ChM1]}), (Nums{2, 6, 150}));
    EXPECT_EQ(c.VdivText[ChM1], QStringLiteral("5V"));
    EXPECT_DOUBLE_EQ(c.ChanScale[ChM1], 5000.0 / 25); // 5V/div, 25 codes a division
}

// The lanes redrawn at the height chosen, then cleared with the logic buffer alone; A1 cleared
// alone, then all.
TEST_F(MenuTest, LogicHeightAndClearingBuffers) {
    m.mnuChHigh[2].click(); // "28"
    EXPECT_EQ((Nums{s.display.LogicHeight, Lanes(true), Lanes(false)}), (Nums{28, 0xFFFF, 0}));
    m.mnuClearBuf[2].click(); // "Clear LA buffer"
    EXPECT_EQ((Nums{Lanes(true), Lanes(false), s.records.SampleBuf[HW_SB_A2 + 5]}),
              (Nums{0, 0xFFFF, 90}));
    EXPECT_EQ(RowsOf(scope(), 310, ColA1Dot), Nums{70});
    m.mnuClearBuf[0].click(); // "Clear A1 buffer"
    EXPECT_EQ(RowsOf(scope(), 310, ColA1Dot), Nums{128});
    EXPECT_EQ(s.records.SampleBuf[HW_SB_A2 + HW_SB_AREA_LEN - 1], 90);
    m.mnuClearBuf[3].click(); // "Clear buffer all"
    EXPECT_EQ(s.records.SampleBuf[HW_SB_A2 + HW_SB_AREA_LEN - 1], 0x80);
}

TEST_F(MenuTest, SwitchesAndGroupsStoreTheirFlags) {
    m.mnuZoomby[4].click(); // "&Auto. align": from the centre until a bar moves
    EXPECT_EQ((Nums{s.view.ActiveBar[0], s.view.ActiveBar[1]}), (Nums{3, 4}));

    // "200 Sa/s max." limits the catch to rate 25 ("200Sa/S"), "Enable Software catch" switches
    // it on (the rates a catch runs at are LoopTest.CatchRanges's).
    m.mnuRate27[0].click();
    m.mnuCatch50.click();
    EXPECT_EQ((Nums{s.display.CatchRateLimit, s.display.CatchEnabled}), (Nums{25, -1}));

    // The toolbar's "Hbar" and the menu item switch one flag, and draw or erase the bars at once.
    tbToolBar_ButtonClickKey(QStringLiteral("Hbar"));
    EXPECT_EQ((Nums{s.display.HbarOn, acquisitionControls().Button(7).pressed(),
                    scope().pixel(3, s.view.HbarPos[0]) == Pixel(ColV1)}),
              (Nums{-1, 1, 1}));
    m.mnuHbarOn.click();
    EXPECT_EQ((Nums{s.display.HbarOn, acquisitionControls().Button(7).pressed(),
                    scope().pixel(3, s.view.HbarPos[0]) == Pixel(ColBackground)}),
              (Nums{0, 0, 1}));

    // M1 shown: its tab is enabled and the switch reaches the colour dialog's box.
    m.mnuDispCh[2].click();
    EXPECT_EQ((Nums{s.channels.ChanOn[DispM1], s.display.DisplayCheck[DispM1]}), (Nums{1, 1}));
    EXPECT_TRUE(p.lbTab[ChM1].enabled());

    // The overview strip shows both traces with "&Zoom view" and nothing without it.
    ClearPicture(pictures().Picture2, s.colors[ColBackground]);
    m.mnuZoomview.click();
    EXPECT_TRUE(CountColor(pictures().Picture2, s.colors[ColA1]) > 0 &&
                CountColor(pictures().Picture2, s.colors[ColA2]) > 0);
    m.mnuZoomview.click();
    EXPECT_EQ(CountColor(pictures().Picture2, s.colors[ColA1]), 0);
}

} // namespace
} // namespace vrx::test
