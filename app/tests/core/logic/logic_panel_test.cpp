// SPDX-License-Identifier: GPL-3.0-or-later
// The logic channel panel: trigger cells to the instrument's bytes and the
// word, rows in the display order, names and bar values; a word set in the
// cells triggers the simulated counter.
#include "core/fixture.h"
#include "core/logic/qualify.h"
#include "core/logic/state_listing.h"

using namespace vrx;

namespace {

using test::Nums;
using test::Texts;

class LogicPanelTest : public test::PanelTest {
  protected:
    void SetUp() override {
        test::PanelTest::SetUp();
        ApplyLogicSettings();
        app().run.ParamChanged = 0;
    }
    Nums bytes() const {
        const auto &l = app().trigger.TrigLevel;
        return {l[2], l[3], l[4], l[5]};
    }
    LogicPanel &lp = logicPanel();
};

// D0 "1", D1 "x", D8 "1": pattern, mask and the word; three clicks bring a cell
// back to "0". A word to the cells: an upper-case "X", other characters and
// missing positions are "x".
TEST_F(LogicPanelTest, CellsAndWords) {
    s.logic.SelWord = 1;
    lp.Qualify2List(QStringLiteral("0000000000000000"));
    for (const int c : {0, 1, 1, 8})
        lp.lbTrigger[static_cast<size_t>(c)].click();
    EXPECT_TRUE(bytes() == (Nums{1, 2, 1, 0}) && s.run.ParamChanged == 1);
    EXPECT_EQ((Texts{s.logic.TriggerWords[1], qualify().TextQualify[1].text()}),
              (Texts(2, "00000001000000x1")));
    for (int n = 0; n < 3; ++n)
        lp.lbTrigger[5].click();
    EXPECT_TRUE(s.logic.TriggerWords[1] == "00000001000000x1" && bytes() == (Nums{1, 2, 1, 0}));

    lp.Qualify2List(QStringLiteral("0X1?0"));
    lp.List2TrigLevel();
    EXPECT_EQ(s.logic.TriggerWords[1], "0x1x0xxxxxxxxxxx");
}

// Reversed order scrolled by 3: row i shows channel 15 - ((3 + i) and 15), so
// D12 heads the rows and D0 is row 12; names and indexes go with their
// channels, the lanes are redrawn.
TEST_F(LogicPanelTest, RowsInSequenceOrder) {
    const int h = s.display.LogicHeight;
    for (int k = 0; k < 16; ++k)
        s.logic.Sequence[static_cast<size_t>(k)] = static_cast<uint8_t>(15 - k);
    s.logic.LogicLaneName[12] = "clk";
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D8_D15, HW_SB_AREA_LEN, uint8_t{0x10});
    ApplyLogicSettings();
    lp.ScrollCh.setValue(3);
    EXPECT_EQ((Nums{lp.Frame1[12].top(), lp.Frame1[0].top(), lp.Frame1[13].top(),
                    lp.Frame1[13].height()}),
              (Nums{0, 12 * h, 15 * h, h}));
    EXPECT_EQ((Texts{lp.txtName[12].text(), lp.lbChnum[12].text(), lp.lbChnum[0].text()}),
              (Texts{"clk", "12", "0"}));
    // D12 is high: its colour at the high level of the first lane.
    EXPECT_EQ(pictures().Picture1.pixel(300, h / 4), ToQRgb(s.colors[LogicColorEntry(12)]));
}

// A name box takes no more than the settings file keeps of it: a longer text
// typed or pasted is cut to 32 characters (lane, bus and mnemonic names) or 16
// (mnemonic patterns).
TEST_F(LogicPanelTest, NameBoxesTakeWhatTheSettingsFileKeeps) {
    StateListing &st = frmState();
    const std::tuple<TextModel &, const QString &, int> boxes[] = {
        {lp.txtName[3], s.logic.LogicLaneName[3], 32},
        {st.txtBus[1], s.logic.BusGroupName[1], 32},
        {st.txtMnem[15], s.logic.MnemonicName[15], 32},
        {st.txtCode[0], s.logic.MnemonicPattern[0], 16}};
    for (const auto &[box, field, length] : boxes) {
        box.edit(QString(40, QLatin1Char('n')));
        EXPECT_EQ((Nums{box.text().size(), field.size()}), (Nums{length, length}));
    }
}

// The values at the bars reach the labels after a bar move: V1 moved to 460
// reads 0x8001.
TEST_F(LogicPanelTest, BarValuesFollowTheBars) {
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, 2 * HW_SB_AREA_LEN, uint8_t{0});
    s.records.SampleBuf[HW_SB_D0_D7 + 460] = 0x01;
    s.records.SampleBuf[HW_SB_D8_D15 + 460] = 0x80;
    p.ScrollVbar[0].setValue(460);
    EXPECT_EQ((Texts{lp.lbV0[0].text(), lp.lbV0[1].text(), lp.lbV0[15].text(), lp.lbV2[0].text(),
                     lp.lbBarWord[0].text(), lp.lbBarWord[2].text()}),
              (Texts{"1", "0", "1", "0", "V1 8001", "T 0000"}));
}

// A word set in the cells arms the simulated instrument: a record of the 1 MHz counter triggers
// on it, aligned with the event right after the trigger bar: the bar holds the last sample
// outside the word, the next sample is the first inside it ("True": entering it). (Pattern or
// mask bytes off by a bit, or swapped, trigger on another word.)
TEST_F(LogicPanelTest, WordTriggersTheSimulatedCounter) {
    setenv("HWLINK_SIM_SIGNALS", "D=count,1000000", 1);
    test::OpenSimulator();
    int64_t now = 0;
    SetLoopClock([&now] { return now; });
    p.cmbTrigCh.setIndex(TrigLogic);
    p.cmbCapture.setIndex(0); // "Once"
    qualify().TextQualify[0].edit(QStringLiteral("xxxxxxxx0010x101"));
    qualify().TextQualify[0].validate();
    tbToolBar_ButtonClick(1);
    for (int n = 0; n < 5000 && AcquisitionActive(); ++n, ++now)
        AcquisitionStep();
    SetLoopClock({});
    PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    EXPECT_EQ(s.run.TrigCount, 1);
    const auto at = static_cast<size_t>(s.view.BarPos[2] + s.view.ViewStart[0]);
    const auto masked = [&buf = s.records.SampleBuf](size_t k) {
        return (buf[HW_SB_D8_D15 + k] << 8 | buf[HW_SB_D0_D7 + k]) | 0xFF08;
    };
    EXPECT_EQ((Nums{masked(at) != 0xFF2D, masked(at + 1)}), (Nums{1, 0xFF2D}));
}

// A typed text made a word: "0", "1" and "x" only, sixteen of them.
TEST(TrimWord, KeepsOnlyZeroAndOne) {
    EXPECT_EQ(
        (Texts{TrimWord("10x1"), TrimWord("0000XXXX11111111"), TrimWord("1 0a2-1"),
               TrimWord("11111111000000001111")}),
        (Texts{"10x1xxxxxxxxxxxx", "0000xxxx11111111", "1x0xxx1xxxxxxxxx", "1111111100000000"}));
}

// The trigger word dialog: the settings put the selected word in force; an edit
// of another word changes the table only, until its option is clicked; OK
// re-applies the selected word.
TEST_F(LogicPanelTest, SelectedWordReachesThePanel) {
    Qualify &q = qualify();
    // Word 0, "xxxxxxxx11111111".
    EXPECT_EQ(bytes(), (Nums{0xFF, 0x00, 0x00, 0xFF}));
    q.TextQualify[2].edit(QStringLiteral("0000XXXX1"));
    q.TextQualify[2].validate();
    EXPECT_EQ(s.logic.TriggerWords[2], "0000xxxx1xxxxxxx");
    EXPECT_EQ(bytes(), (Nums{0xFF, 0x00, 0x00, 0xFF}));

    q.optQualify[2].click();
    EXPECT_EQ((Nums{s.logic.SelWord, q.optQualify[0].checked()}), (Nums{2, 0}));
    EXPECT_EQ(bytes(), (Nums{0x80, 0x7F, 0x00, 0x0F}));

    // A cell changed on the panel shows in the box; OK with no edits keeps that
    // word in force.
    logicPanel().lbTrigger[15].click(); // D15 "0" -> "1"
    EXPECT_EQ(q.TextQualify[2].text(), "1000xxxx1xxxxxxx");
    s.run.ParamChanged = 0;
    q.cmdOk.click();
    EXPECT_TRUE(bytes() == (Nums{0x80, 0x7F, 0x80, 0x0F}) && s.run.ParamChanged == 1);
}

} // namespace
