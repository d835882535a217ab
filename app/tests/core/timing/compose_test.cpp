// SPDX-License-Identifier: GPL-3.0-or-later
// Screen composition on the timing view's pictures: exact pixels of graticule, traces, lanes,
// texts and the logic values at the bars.
#include "core/fixture.h"
#include "core/timing/fixed_text.h"

// The font database of the GUI application keeps a few fontconfig blocks until exit; the leak
// checker of the sanitizer build is told to pass over the system library's own.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace vrx::test {
namespace {

using ComposeTest = ScreenTest;

// The graticule: 9 dotted rows of 60 dots and the dotted columns x = 50 .. 550 of 49 dots each
// for a 600-pixel trace, 99 dots shared. Only with the grid switch on and a clearing composition.
TEST_F(ComposeTest, GridFollowsTheSwitchAndTheClearFlag) {
    s.channels.ChanOn = {0, 0, 0, 0, 0, 0, 0, 1}; // the grid only
    ComposeScreen(1, 1);
    EXPECT_EQ(CountColor(scope(), s.colors[ColGrid]), 9 * 60 + 11 * 49 - 99);
    for (const auto &pt : {QPoint(10, 28), QPoint(600, 228), QPoint(550, 248)})
        EXPECT_EQ(scope().pixel(pt), Pixel(ColGrid)) << pt.x() << "," << pt.y();

    // Off; then on, but a composition that does not clear leaves the graticule to the earlier one.
    for (const auto &[grid, clear] : {std::pair{0, 1}, {1, 0}}) {
        s.channels.ChanOn[DispGrid] = static_cast<int16_t>(grid);
        ComposeScreen(1, static_cast<int16_t>(clear));
        EXPECT_EQ(CountColor(scope(), s.colors[ColGrid]), 0) << grid;
    }
}

// A ramp on A1 (sample n = 20 + n mod 200) at x1 from ScrollPos 300: column x shows sample
// 300 + x at row 20 + (300 + x) mod 200; the wrap from 219 to 20 is joined in the A1 line colour.
TEST_F(ComposeTest, KnownRecordLandsOnTheExpectedRows) {
    s.channels.ChanOn = {1, 0, 0, 0, 0, 0, 0, 0};
    s.view.ScrollPos = 300;
    for (int n = 0; n < HW_SB_AREA_LEN; ++n)
        s.records.SampleBuf[static_cast<size_t>(n)] = static_cast<uint8_t>(20 + n % 200);
    s.display.DotsConnect = 0;
    s.view.BarPos.fill(0); // the bars off screen
    ComposeScreen(1, 1);
    for (int x = 0; x < 600; ++x)
        ASSERT_EQ(RowsOf(scope(), x, ColA1Dot), Nums{20 + (300 + x) % 200}) << x;
    // Without "Dots connect" the line colour appears only in the channel name at the left.
    EXPECT_EQ(CountColor(scope().copy(30, 0, 570, 256), s.colors[ColA1]), 0);
    s.display.DotsConnect = 1;
    ComposeScreen(1, 1);
    // Column 100 shows sample 400 (row 20) after sample 399 (row 219): a vertical join.
    EXPECT_EQ(
        (std::vector{scope().pixel(100, 20), scope().pixel(100, 120), scope().pixel(100, 200)}),
        (std::vector{Pixel(ColA1Dot), Pixel(ColA1), Pixel(ColA1)}));

    // A2 comes from its own block, shifted by the display start correction: sample 7 at row 1,
    // sample 100 at row 25.
    s.channels.ChanOn = {0, 1, 0, 0, 0, 0, 0, 0};
    s.display.DotsConnect = 0;
    s.view.ScrollPos = 0;
    s.view.ViewStart[0] = 7;
    for (int n = 0; n < 1000; ++n)
        s.records.SampleBuf[HW_SB_A2 + static_cast<size_t>(n)] = static_cast<uint8_t>(n / 4);
    ComposeScreen(1, 1);
    EXPECT_EQ(
        (Nums{scope().pixel(0, 1), scope().pixel(93, 25), CountColor(scope(), s.colors[ColA1Dot])}),
        (Nums{Pixel(ColA2Dot), Pixel(ColA2Dot), 0}));
}

// Persistence keeps earlier records on the picture; without it each composition starts clean.
TEST_F(ComposeTest, PersistenceAccumulatesRecords) {
    s.channels.ChanOn = {1, 0, 0, 0, 0, 0, 0, 0};
    const std::pair<int, int> records[] = {{-1, 62}, {-1, 92}, {0, 112}}; // persist, level
    Nums dots; // A1 dots in rows 62, 92 and 112 after each record
    for (const auto &[persist, level] : records) {
        s.display.Persist = static_cast<int16_t>(persist);
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, HW_SB_AREA_LEN, uint8_t(level));
        ComposeScreen(1, 1);
        for (int row : {62, 92, 112})
            dots.push_back(std::ssize(ColumnsOf(scope(), row, ColA1Dot)));
    }
    EXPECT_EQ(dots, (Nums{600, 0, 0, 600, 600, 0, 0, 0, 600}));
}

// Lanes follow the display order: row k shows channel Sequence(k), high at top + h/4 and low at
// top + 3h/4, in the channel's colour entry.
TEST_F(ComposeTest, LogicLanesInDisplayOrder) {
    // D0, D3 and D13 high, every other input low.
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, HW_SB_AREA_LEN, uint8_t{0x09});
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D8_D15, HW_SB_AREA_LEN, uint8_t{0x20});
    for (int c = 0; c < 16; ++c)
        s.colors.Colors[static_cast<size_t>(LogicColorEntry(c))] = Rgb(100 + c, 0, 50);
    ComposeScreen(0, 1);
    const Nums inOrder{Lanes(true), Lanes(false)};
    // Reversed: row 2 shows D13, row 12 D3, row 15 D0.
    for (int k = 0; k < 16; ++k)
        s.logic.Sequence[static_cast<size_t>(k)] = static_cast<uint8_t>(15 - k);
    ComposeScreen(0, 1);
    EXPECT_EQ((Nums{inOrder[0], inOrder[1], Lanes(true), Lanes(false)}),
              (Nums{0x2009, 0xDFF6, 0x9004, 0x6FFB}));

    // With the logic display off the picture is cleared and no lane drawn; ScopeOnly leaves it.
    const QImage &lanes = pictures().Picture1;
    s.channels.ChanOn[DispLogic] = 0;
    ComposeScreen(1, 1);
    const int64_t kept = Lanes(true);
    ComposeScreen(0, 1);
    EXPECT_EQ((Nums{kept, CountColor(lanes, s.colors[ColBackground])}),
              (Nums{0x9004, lanes.width() * lanes.height()}));
}

// The logic values at the bars are read only at the real-time rates; a trigger delayed beyond
// the record has no value rather than another channel's bytes.
TEST_F(ComposeTest, BarValuesOnlyAtRealTimeRates) {
    s.view.BarPos = {450, 750, 600, 0};
    s.view.ViewStart[0] = 10;
    s.records.SampleBuf[HW_SB_D0_D7 + 460] = 0xA5;
    s.records.SampleBuf[HW_SB_D8_D15 + 460] = 0x3C;
    s.records.SampleBuf[HW_SB_D0_D7 + 610] = 0x01;
    int notified = 0;
    const Subscription sub = Subscribe(Event::BarValuesChanged, [&] { ++notified; });
    BarLogicValues &v = barValues();
    v.Valid.fill(false);
    s.acquisition.RateIndex = 5; // 500MSa/S, the last equivalent-time rate
    ComposeScreen(1, 1);
    EXPECT_EQ((Nums{notified, v.Valid[0]}), (Nums{0, false}));

    s.acquisition.RateIndex = 6; // 250MSa/S, the first real-time rate
    ComposeScreen(1, 1);
    // D0 .. D15 of 0x3CA5 at V1, of 0x0001 at the trigger bar.
    EXPECT_EQ(Nums(v.Bits[0].begin(), v.Bits[0].end()),
              (Nums{1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ((Nums{notified, v.Pair[0][0], v.Pair[0][1]}), (Nums{1, 0xA5, 0x3C}));
    EXPECT_EQ((Texts{BarValueText(2, 0), BarValueText(2, 1)}), (Texts{"1", "0"}));

    s.view.BarPos[2] = -3; // delayed by 1536 samples
    ComposeScreen(1, 1);
    EXPECT_EQ((Nums{v.Valid[2], v.Valid[0], BarValueText(2, 0).isEmpty()}),
              (Nums{false, true, true}));
}

// Names and scale texts print in the channel colour and erase exactly with show 0; the scale
// text alone sits at x = 50 * ch + 60 on the top rows.
TEST_F(ComposeTest, MarkerTextErasesWithShowZero) {
    s.channels.VdivText[ChA2] = "200mV";
    const QImage blank = scope().copy();
    DrawChanMarker(ChA2, 100, 1);
    const bool drawn = CountColor(scope(), s.colors[ColA2]) > 0;
    DrawChanMarker(ChA2, 100, 0);
    EXPECT_TRUE(drawn && scope() == blank);
    DrawScaleText(ChA2, 1);
    auto a2 = [&](int x, int y, int w, int h) {
        return CountColor(scope().copy(x, y, w, h), s.colors[ColA2]) > 0;
    };
    EXPECT_EQ((Nums{a2(0, 0, 110, 256), a2(110, 0, 10, 20), a2(0, 20, 601, 236)}),
              (Nums{false, true, false}));
}

// Texts placed glyph by glyph draw exactly the pixels of the painter's own text drawing; a text
// with a character outside Latin-1, and every text of a proportional font, is the painter's.
TEST(FixedTextTest, DrawsThePixelsOfThePaintersText) {
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPointSize(9);
    const QFont proportional(QStringLiteral("Sans"), 9);
    QImage blank(240, 34, QImage::Format_RGB32);
    blank.fill(Qt::black);
    QImage painters = blank, placed = blank;
    for (const auto &[font, first, second] : {std::tuple{fixed, u"0123 ABC ~x", u"F0 h 7"},
                                              {fixed, u"Gr\u00fc\u00dfe 0xFF", u" lead"},
                                              {fixed, u"\u03a9mega", u"tail "},
                                              {proportional, u"Wide", u"Iil"}}) {
        painters = placed = blank;
        QPainter p(&painters);
        p.setFont(QFont(font, &painters));
        p.setPen(Qt::white);
        p.drawText(QPointF(3, 12), QString::fromUtf16(first));
        p.drawText(QPointF(120, 28), QString::fromUtf16(second));
        p.end();
        FixedText text(font, &placed);
        EXPECT_EQ(text.fixedPitch(), font == fixed);
        p.begin(&placed);
        p.setFont(text.font());
        p.setPen(Qt::white);
        text.add(p, QPointF(3, 12), first);
        text.add(p, QPointF(120, 28), second);
        text.draw(p);
        p.end();
        EXPECT_TRUE(placed == painters && placed != blank)
            << QString::fromUtf16(first).toStdString();
    }
}

} // namespace
} // namespace vrx::test
