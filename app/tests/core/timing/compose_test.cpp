// SPDX-License-Identifier: GPL-3.0-or-later
// Screen composition on the timing view's pictures: exact pixels of graticule, traces, lanes,
// texts and the logic values at the bars.
#include "core/fixture.h"

// The font database of the GUI application keeps a few fontconfig blocks until exit; the leak
// checker of the sanitizer build is told to pass over the system library's own.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace vrx {
namespace {

using test::CountColor;
using test::CountColorInRow;

class ComposeTest : public test::ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        AppState &s = app();
        s.display.Persist = 0;
        s.channels.VdivText.fill(QString());
        s.colors.Colors[23] = Rgb(7, 8, 9);    // A1 line
        s.colors.Colors[24] = Rgb(10, 11, 12); // A2 line
        std::fill_n(s.records.SampleBuf.begin(), 4 * HW_SB_AREA_LEN, uint8_t{0});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, 2 * HW_SB_AREA_LEN, uint8_t{128});
    }
};

// The graticule: 9 dotted rows of 60 dots and the dotted columns x = 50 .. 550 of 49 dots each
// for a 600-pixel trace, 99 dots shared. Only with the grid switch on and a clearing composition.
TEST_F(ComposeTest, GridFollowsTheSwitchAndTheClearFlag) {
    AppState &s = app();
    s.channels.ChanOn[DispA1] = s.channels.ChanOn[DispA2] = 0;
    const int32_t grid = s.colors.Colors[22];

    ComposeScreen(1, 1);
    EXPECT_EQ(CountColor(scope(), grid), 9 * 60 + 11 * 49 - 99);
    for (const auto &pt : {QPoint(10, 28), QPoint(600, 228), QPoint(550, 248)})
        EXPECT_EQ(scope().pixel(pt), ToQRgb(grid)) << pt.x() << "," << pt.y();

    s.channels.ChanOn[DispGrid] = 0;
    ComposeScreen(1, 1);
    EXPECT_EQ(CountColor(scope(), grid), 0);

    // A composition that does not clear leaves the graticule to the earlier one.
    s.channels.ChanOn[DispGrid] = 1;
    ClearPicture(scope(), s.colors.Colors[0]);
    ComposeScreen(1, 0);
    EXPECT_EQ(CountColor(scope(), grid), 0);
}

// A ramp on A1 (sample n = 20 + n mod 200) at x1 from ScrollPos 300: column x shows sample
// 300 + x at row 20 + (300 + x) mod 200; the wrap from 219 to 20 is joined in the A1 line colour.
TEST_F(ComposeTest, KnownRecordLandsOnTheExpectedRows) {
    AppState &s = app();
    s.channels.ChanOn[DispA2] = 0;
    s.channels.ChanOn[DispGrid] = 0;
    for (int n = 0; n < HW_SB_AREA_LEN; ++n)
        s.records.SampleBuf[static_cast<size_t>(n)] = static_cast<uint8_t>(20 + n % 200);
    s.view.ScrollPos = 300;
    s.display.DotsConnect = 0;
    ComposeScreen(1, 1);
    for (int x : {0, 1, 99, 100, 101, 250, 599}) {
        const int row = 20 + (300 + x) % 200;
        EXPECT_EQ(scope().pixel(x, row), ToQRgb(s.colors.Colors[4])) << "column " << x;
    }
    // Without "Dots connect" the line colour appears only in the channel name at the left.
    EXPECT_EQ(CountColor(scope().copy(30, 0, 570, 256), s.colors.Colors[23]), 0);

    s.display.DotsConnect = 1;
    ComposeScreen(1, 1);
    // Column 100 shows sample 400 (row 20) after sample 399 (row 219): a vertical join.
    EXPECT_EQ((std::vector<QRgb>{scope().pixel(100, 20), scope().pixel(100, 120),
                                 scope().pixel(100, 200)}),
              (std::vector<QRgb>{ToQRgb(s.colors.Colors[4]), ToQRgb(s.colors.Colors[23]),
                                 ToQRgb(s.colors.Colors[23])}));

    // A2 comes from its own block, shifted by the display start correction.
    s.channels.ChanOn[DispA1] = 0;
    s.channels.ChanOn[DispA2] = 1;
    s.display.DotsConnect = 0;
    s.view.ScrollPos = 0;
    s.view.ViewStart[0] = 7;
    for (int n = 0; n < 1000; ++n)
        s.records.SampleBuf[HW_SB_A2 + static_cast<size_t>(n)] = static_cast<uint8_t>(n / 4);
    ComposeScreen(1, 1);
    EXPECT_EQ(scope().pixel(0, 1), ToQRgb(s.colors.Colors[5]));   // sample 7 -> row 1
    EXPECT_EQ(scope().pixel(93, 25), ToQRgb(s.colors.Colors[5])); // sample 100 -> row 25
    EXPECT_EQ(CountColor(scope(), s.colors.Colors[4]), 0);
}

// Persistence keeps earlier records on the picture; without it each composition starts clean.
TEST_F(ComposeTest, PersistenceAccumulatesRecords) {
    AppState &s = app();
    s.channels.ChanOn[DispA2] = 0;
    s.channels.ChanOn[DispGrid] = 0;
    s.view.ScrollPos = 0;
    auto record = [&](uint8_t level) {
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, HW_SB_AREA_LEN, level);
        ComposeScreen(1, 1);
    };
    const int32_t dot = s.colors.Colors[4];

    s.display.Persist = -1;
    record(62);
    record(92);
    EXPECT_GE(CountColorInRow(scope(), 62, dot), 590);
    EXPECT_GE(CountColorInRow(scope(), 92, dot), 590);

    s.display.Persist = 0;
    record(112);
    EXPECT_EQ(CountColorInRow(scope(), 62, dot), 0);
    EXPECT_EQ(CountColorInRow(scope(), 92, dot), 0);
    EXPECT_GE(CountColorInRow(scope(), 112, dot), 590);
}

// Lanes follow the display order: row k shows channel Sequence(k), high at top + h/4 and low at
// top + 3h/4, in the channel's colour entry 6 + c.
TEST_F(ComposeTest, LogicLanesInDisplayOrder) {
    AppState &s = app();
    s.view.ScrollPos = 0;
    const int h = s.display.LogicHeight; // 20
    // D3 high, D12 high, every other input low.
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, HW_SB_AREA_LEN, uint8_t{0x08});
    std::fill_n(s.records.SampleBuf.begin() + HW_SB_D8_D15, HW_SB_AREA_LEN, uint8_t{0x10});
    for (int c = 0; c < 16; ++c)
        s.colors.Colors[static_cast<size_t>(6 + c)] = Rgb(100 + c, 0, 50);
    const QImage &lanes = pictures().Picture1;

    ComposeScreen(0, 1);
    EXPECT_EQ(lanes.pixel(300, 3 * h + h / 4), ToQRgb(s.colors.Colors[9]));        // D3 high
    EXPECT_EQ(lanes.pixel(300, 4 * h + 3 * (h / 4)), ToQRgb(s.colors.Colors[10])); // D4 low
    EXPECT_EQ(lanes.pixel(300, 12 * h + h / 4), ToQRgb(s.colors.Colors[18]));      // D12 high

    // Reversed order: row 0 shows D15 (low), row 12 shows D3 (high).
    for (int k = 0; k < 16; ++k)
        s.logic.Sequence[static_cast<size_t>(k)] = static_cast<uint8_t>(15 - k);
    ComposeScreen(0, 1);
    EXPECT_EQ(lanes.pixel(300, 0 * h + 3 * (h / 4)), ToQRgb(s.colors.Colors[21]));
    EXPECT_EQ(lanes.pixel(300, 12 * h + h / 4), ToQRgb(s.colors.Colors[9]));
    EXPECT_EQ(lanes.pixel(300, 3 * h + h / 4), ToQRgb(s.colors.Colors[18])); // row 3: D12 high

    // With the logic display off the picture is cleared and no lane drawn; ScopeOnly leaves it.
    s.channels.ChanOn[DispLogic] = 0;
    ComposeScreen(1, 1);
    EXPECT_NE(CountColor(lanes, s.colors.Colors[9]), 0);
    ComposeScreen(0, 1);
    EXPECT_EQ(CountColor(lanes, s.colors.Colors[0]), lanes.width() * lanes.height());
}

// The logic values at the bars are read only at the real-time rates; a trigger delayed beyond
// the record has no value rather than another channel's bytes.
TEST_F(ComposeTest, BarValuesOnlyAtRealTimeRates) {
    AppState &s = app();
    s.view.BarPos = {450, 750, 600, 0};
    s.view.ViewStart[0] = 10;
    s.records.SampleBuf[HW_SB_D0_D7 + 460] = 0xA5;
    s.records.SampleBuf[HW_SB_D8_D15 + 460] = 0x3C;
    s.records.SampleBuf[HW_SB_D0_D7 + 610] = 0x01;
    int notified = 0;
    const Subscription sub = Subscribe(Event::BarValuesChanged, [&] { ++notified; });
    barValues().Valid.fill(false);

    s.acquisition.RateIndex = 3; // 2GSa/S, equivalent time
    ComposeScreen(1, 1);
    EXPECT_EQ(notified, 0);
    EXPECT_FALSE(barValues().Valid[0]);

    s.acquisition.RateIndex = 8;
    ComposeScreen(1, 1);
    EXPECT_EQ(notified, 1);
    // D0 .. D15 of 0x3CA5 at V1, of 0x0001 at the trigger bar.
    const auto &bits = barValues().Bits[0];
    EXPECT_EQ(std::vector<int>(bits.begin(), bits.end()),
              (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ((std::vector<int>{barValues().Pair[0][0], barValues().Pair[0][1]}),
              (std::vector<int>{0xA5, 0x3C}));
    EXPECT_EQ((QStringList{BarValueText(2, 0), BarValueText(2, 1)}), (QStringList{"1", "0"}));

    s.view.BarPos[2] = -3; // delayed by 1536 samples
    ComposeScreen(1, 1);
    EXPECT_FALSE(barValues().Valid[2]);
    EXPECT_EQ(BarValueText(2, 0), "");
    EXPECT_TRUE(barValues().Valid[0]);
}

// Names and scale texts print in the channel colour and erase exactly with show 0.
TEST_F(ComposeTest, MarkerTextErasesWithShowZero) {
    AppState &s = app();
    s.channels.VdivText[ChA2] = "200mV";
    ClearPicture(scope(), s.colors.Colors[0]);
    const QImage blank = scope().copy();

    DrawChanMarker(ChA2, 100, 1);
    const int named = CountColor(scope(), s.colors.Colors[24]);
    EXPECT_GT(named, 0);
    // The scale text alone sits at x = 50 * ch + 60 on the top rows.
    ClearPicture(scope(), s.colors.Colors[0]);
    DrawScaleText(ChA2, 1);
    int left = scope().width(), bottom = 0;
    for (int y = 0; y < scope().height(); ++y)
        for (int x = 0; x < scope().width(); ++x)
            if (scope().pixel(x, y) == ToQRgb(s.colors.Colors[24])) {
                left = std::min(left, x);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(left, 110);
    EXPECT_LT(left, 120);
    EXPECT_LT(bottom, 20);

    DrawChanMarker(ChA2, 100, 1);
    DrawChanMarker(ChA2, 100, 0);
    EXPECT_EQ(scope(), blank);
}

} // namespace
} // namespace vrx
