// SPDX-License-Identifier: GPL-3.0-or-later
// The state listing and the logic data search on a counter on the logic inputs, as the
// simulated instrument sends it: row texts in every format and arrangement, the mnemonic
// table, scrolling with the timing view; the search's runs, wrap-around and patterns.
#include "core/fixture.h"
#include "core/logic/search.h"
#include "core/logic/state_listing.h"
#include "core/timing/bars.h"

using namespace vrx;

namespace {

using test::Nums;
using test::Texts;

// A 128K record whose logic word counts up by one every `step` samples.
class CounterRecord : public test::PanelTest {
  protected:
    void Fill(int step, uint8_t depth) {
        p.cmbDepth.setIndex(depth);
        for (int k = 0; k < HW_SB_AREA_LEN; ++k) {
            const int word = (k / step) & 0xFFFF;
            s.records.SampleBuf[static_cast<size_t>(HW_SB_D0_D7 + k)] = word & 0xFF;
            s.records.SampleBuf[static_cast<size_t>(HW_SB_D8_D15 + k)] = word >> 8;
        }
        s.view.ViewStart = {};
        f.StartState();
    }
    QStringList Row(int32_t position) {
        StateRowText row;
        if (!f.RowText(position, row)) return {};
        return {row.number, row.bus[0], row.bus[1], row.bus[2], row.mnemonic};
    }
    // Every bus in format `format`, arrangement `a`.
    void Show(int a, int format) {
        f.cmbArrange.setIndex(a);
        for (auto &list : f.cmbState)
            list.setIndex(format);
    }
    StateListing &f = frmState();
    Subscription follow_ = Subscribe(Event::TracesDrawn, [] { frmState().OnTracesDrawn(); });
};

// Sample 0x4142 holds "A" on D15-D8 and "B" on D7-D0; 0x2E80 a "." and a byte past ASCII;
// 0x7F20 DEL and a blank; 0x7E1F the last printable character and the last control code. (Which
// buses arrangement 0 shows is the window test's.)
TEST_F(CounterRecord, RowsInEveryFormatAndArrangement) {
    Fill(1, 2);
    const QString dot(kNotPrintable);
    // The arrangement, the format of every bus, the word, and the row's buses and mnemonic; a row
    // is numbered by its position, here the word. In arrangement 3 D11-D4 is a byte of its own (a
    // control code) and a 4-bit bus shows the character of the byte that holds it.
    const std::tuple<int, int, int, Texts> rows[] = {
        {0, FormatBinary, 0x4142, {"01000001", "01000010", "", ""}},
        {0, FormatHexAsc, 0x4142, {"41   A", "42   B", "", ""}},
        {0, FormatHexAsc, 0x2E80, {"2E   .", "80   " + dot, "", ""}},
        {0, FormatHexAsc, 0x7F20, {"7F   " + dot, "20    ", "", ""}},
        {0, FormatHexAsc, 0x7E1F, {"7E   ~", "1F   " + dot, "", ""}},
        {0, FormatDecAsc, 0x0A09, {"10   " + dot, "9   " + dot, "", ""}},
        {3, FormatBinary, 0x4142, {"0100", "00010100", "0010", ""}},
        {3, FormatHexAsc, 0x4142, {"4   A", "14   " + dot, "2   B", ""}},
        {3, FormatDecAsc, 0x4FF1, {"4   O", "255   " + dot, "1   " + dot, ""}},
        {1, FormatHexAsc, 0x4172, {"41   A", "7   r", "2   r", ""}},
        {2, FormatHexAsc, 0x4172, {"4   A", "1   A", "72   r", ""}}};
    for (const auto &[arrange, format, word, texts] : rows) {
        Show(arrange, format);
        EXPECT_EQ(Row(word), Texts{QString::number(word)} + texts) << arrange << " " << word;
    }
    Show(3, FormatBinary);
    EXPECT_EQ((Texts{f.txtBus[0].text(), f.txtBus[1].text(), f.txtBus[2].text()}),
              (Texts{"D15-D12", "D11-D4", "D3-D0"}));
    EXPECT_TRUE(f.txtBus[2].visible());

    // Opening the window keeps names the user typed.
    f.txtBus[0].edit(QStringLiteral("Addr"));
    f.StartState();
    EXPECT_EQ((Texts{f.txtBus[0].text(), s.logic.BusGroupName[0]}), (Texts{"Addr", "Addr"}));

    // Past the record's last sample there is no row.
    p.cmbDepth.setIndex(0);
    EXPECT_EQ((Nums{Row(2047).size(), Row(2048).size()}), (Nums{5, 0}));
}

// The first enabled entry that matches names the row; sixteen "x" match every row; a disabled
// entry or an invalid pattern never matches.
TEST_F(CounterRecord, MnemonicTable) {
    Fill(1, 2);
    f.txtCode[3].edit(QStringLiteral("xxxxxxxxxxxxxxxx"));
    f.txtMnem[3].edit(QStringLiteral("Any"));
    f.txtCode[5].edit(QStringLiteral("0001xxxxxxxx0100"));
    f.txtMnem[5].edit(QStringLiteral("Write4"));
    for (int i : {1, 3, 5})
        f.chkCode[static_cast<size_t>(i)].click();
    const auto mnemonics = [this] {
        return Texts{Row(0x0123)[4], Row(0x1235)[4], Row(0x1204)[4], Row(0xFFFF)[4]};
    };
    EXPECT_EQ(mnemonics(), (Texts{"Any", "Write", "Write", "Any"}));
    f.chkCode[1].click();
    EXPECT_EQ(mnemonics() << QString::number(s.logic.MnemonicOn[1]),
              (Texts{"Any", "Any", "Any", "Any", "0"}));
    f.chkCode[3].click();
    f.chkCode[0].click();
    EXPECT_EQ(mnemonics(), (Texts{"Read", "", "Write4", ""}));

    // Sixteen "0", "1" or "x" of either case, or the entry names no row and its box is marked;
    // an empty entry that is off is merely unused.
    const std::pair<const char *, const char *> patterns[] = {
        {"0000XXXXXXXXXXXX", "Read"}, {"0000xxxxxxxxxxx", ""}, {"0000xxxxxxxx-x-x", ""}, {"", ""}};
    for (const auto &[pattern, mnemonic] : patterns) {
        f.txtCode[0].edit(QString::fromLatin1(pattern));
        EXPECT_EQ(Row(0x0123)[4], QString::fromLatin1(mnemonic)) << pattern;
        EXPECT_EQ(f.txtCode[0].backColor() == kSysButtonFace, *mnemonic != 0) << pattern;
    }
    EXPECT_EQ(f.txtCode[9].backColor(), kSysButtonFace);
}

// Keys and drags move the screen position within 0 .. ScrollMax through the timing view's
// scroller; the listing follows and marks the V1 bar's row across the position column.
TEST_F(CounterRecord, ScrollingWithTheTimingView) {
    Fill(100, 2);
    const int32_t last = s.screen.ScrollMax;
    ASSERT_EQ(last, 131071 - 600);
    f.Open();
    const auto at = [this] { return Nums{s.view.ScrollPos, bars().Scrollscr.value()}; };
    Nums keyed;
    for (const auto &keys : {std::vector{Qt::Key_End, Qt::Key_Up, Qt::Key_PageDown},
                             {Qt::Key_Home, Qt::Key_PageUp},
                             {Qt::Key_PageDown, Qt::Key_Down}}) {
        for (const Qt::Key key : keys)
            f.Picture1_KeyDown(key);
        keyed.insert(keyed.end(), {s.view.ScrollPos, bars().Scrollscr.value()});
    }
    EXPECT_EQ(keyed, (Nums{last, last, 0, 0, 11, 11}));

    // Down 45 pixels: three rows earlier; 7 pixels is less than half a row.
    f.Picture1_MouseDown(100);
    f.Picture1_MouseMove(145);
    f.Picture1_MouseMove(152);
    EXPECT_EQ(at(), (Nums{8, 8}));
    f.Picture1_MouseMove(115); // 30 pixels up from 145: two rows later
    EXPECT_EQ(at(), (Nums{10, 10}));

    // A composition redraws the listing: V1 at 450 marks row 5 of a screen from 445.
    s.view.BarPos[0] = 450;
    bars().Scrollscr.setValue(445);
    EXPECT_EQ(test::ColumnsOf(f.Shown(), 5 * 15 + 12, ColV1).size(),
              static_cast<size_t>(StateListing::kPositionWidth));
    // Another word under the listing (row 0 shows sample 445) is drawn.
    const QImage shown = f.Picture1.copy();
    s.records.SampleBuf[HW_SB_D0_D7 + 445] ^= 0xFF;
    f.OnTracesDrawn();
    EXPECT_NE(f.Shown(), shown);
    f.Unload();
}

// The search leaves the run of matching samples its bar stands on and wraps at both ends of
// the record; without any match elsewhere the bar stays.
TEST_F(CounterRecord, SearchRunsAndWrapAround) {
    Fill(100, 0); // words 0 .. 20 over 2048 samples, each word 100 samples long
    SearchLogic &d = frmSearch();
    d.TextSearch.edit(QStringLiteral("xxxxxxxxxxxxxxX1"));
    d.TextSearch.validate();
    EXPECT_EQ(d.TextSearch.text(), "xxxxxxxxxxxxxxx1");
    EXPECT_EQ((Nums{s.logic.SearchWord[0], s.logic.SearchWord[1]}), (Nums{1, 0xFFFE}));
    bars().ScrollVbar[0].setValue(150);
    d.cmdSearch[0].click(); // odd words: 100..199, 300..399 ...
    EXPECT_EQ((Nums{s.view.BarPos[0], bars().ScrollVbar[0].value()}), (Nums{300, 300}));
    bars().ScrollVbar[0].setValue(1950);
    d.cmdSearch[0].click(); // past 2047 to 0
    EXPECT_EQ(s.view.BarPos[0], 100);
    d.cmdSearch[1].click(); // back past 0 to 2047, on to word 19
    EXPECT_EQ((Nums{s.view.BarPos[0], s.view.ScrollPos}), (Nums{1999, 2047 - 600}));

    // V2 moves when chosen; a single run is found again from its other end; a pattern that
    // nothing matches leaves the bar in place.
    d.optVbar[1].click();
    bars().ScrollVbar[1].setValue(720);
    d.TextSearch.edit(QStringLiteral("0000000000000111"));
    d.TextSearch.validate();
    d.cmdSearch[0].click(); // around the record back to the start of its own run
    EXPECT_EQ((Nums{s.view.BarPos[0], s.view.BarPos[1]}), (Nums{1999, 700}));
    d.TextSearch.edit(QStringLiteral("1"));
    d.TextSearch.validate();
    d.cmdSearch[1].click();
    EXPECT_EQ(s.view.BarPos[1], 700);
    d.optVbar[0].click();
}

// "=>" takes a trigger word, the values at a bar, or with no source chosen an empty pattern:
// sixteen "x", which matches every sample, so the bar does not move.
TEST_F(CounterRecord, TakingOverAPattern) {
    Fill(100, 0);
    SearchLogic &d = frmSearch();
    logicPanel();
    bars().ScrollVbar[1].setValue(1234); // word 12
    d.OptData[5].click();
    d.cmdTrans.click();
    EXPECT_EQ(d.TextSearch.text(), "0000000000001100");
    d.OptData[2].click();
    d.cmdTrans.click();
    EXPECT_EQ((Texts{d.TextSearch.text()}), (Texts{s.logic.TriggerWords[2]}));
    EXPECT_EQ((Nums{s.logic.SearchWord[0], s.logic.SearchWord[1]}), (Nums{0x0F0F, 0xF000}));

    for (auto &o : d.OptData)
        o.setChecked(false);
    d.TextSearch.setText(QStringLiteral("1111"));
    d.cmdTrans.click();
    EXPECT_EQ(d.TextSearch.text(), QString(16, u'x'));
    bars().ScrollVbar[0].setValue(777);
    d.cmdSearch[0].click();
    EXPECT_EQ(s.view.BarPos[0], 777);
}

} // namespace
