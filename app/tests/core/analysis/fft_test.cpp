// SPDX-License-Identifier: GPL-3.0-or-later
// The FFT window's logic driven through its models, with the real FFT library: readout texts,
// zoom limits and geometry, bars, gain types, a known record's peak and the sweep.
#include <cmath>
#include <numbers>

#include "core/analysis/fft.h"
#include "core/fixture.h"

using namespace vrx;
using vrx::test::Nums;
using vrx::test::Texts;

namespace {

class FftTest : public vrx::test::PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        ASSERT_TRUE(f.Open(0)); // with the build's library
    }
    void TearDown() override { f.Unload(); }
    // A1 holds a sine of `cycles` periods per 2048 samples and `amp` codes.
    static void A1Sine(double cycles, double amp) {
        for (int i = 0; i < HW_SB_AREA_LEN; ++i)
            app().records.SampleBuf[size_t(i)] = static_cast<uint8_t>(
                std::lround(128 + amp * std::sin(2 * std::numbers::pi * cycles * i / 2048)));
    }
    // The column where the curve reaches highest on the spectrum picture.
    int PeakColumn() const {
        const QRgb pen = ToQRgb(app().colors[ColA1]);
        for (int y = 0; y < f.Picture1.height(); ++y)
            for (int x = 0; x <= kFftCurveWidth; ++x)
                if (f.Picture1.pixel(x, y) == pen) return x;
        return -1;
    }
    FFtLogic &f = frmFFT();
};

TEST(FftTexts, DbmStrAndFreqStr) {
    EXPECT_EQ((Texts{DbmStr(12), DbmStr(0.5), DbmStr(-3.25), DbmStr(0), DbmStr(1000)}),
              (Texts{"12.dBmV", ".5dBmV", "-3.25dBmV", ".dBmV", ""}));
    Texts got;
    for (const int rate : {8, 20, 30, 33}) {
        app().acquisition.RateIndex = static_cast<uint8_t>(rate);
        got << FreqStr(2.5) << FreqStr(0.0125);
    }
    EXPECT_EQ(got, (Texts{"2.5MHz", "12.5KHz", "2.5KHz", "12.5 Hz", "2.5 Hz", "12.5mHz", "", ""}));
}

// 2K record: points and zoom are held to "2048" and "/10"; at "x1" the screen reaches
// 2048 - 450 - 1; a bar dragged past the end stops at the last position; 128K lifts the limits.
TEST_F(FftTest, ZoomLimitsAndBars) {
    f.cmbPoint.setIndex(8);
    f.cmbZoom.setIndex(5);
    EXPECT_EQ((Nums{f.cmbPoint.index(), app().fft.FFtPoint, f.cmbZoom.index(), app().fft.FFtZoom,
                    app().fft.ScreenMax}),
              (Nums{3, 3, 3, 3, 1}));
    f.cmbZoom.setIndex(0);
    EXPECT_EQ((Nums{app().fft.ScreenMax, f.Scrollscr.max(), f.ImgUpscrWidth}),
              (Nums{1597, 1597, 55}));
    f.Scrollscr.setValue(1000);
    EXPECT_EQ((Nums{f.ImgUpscrLeft, f.UpVbarX[1]}), (Nums{1000 * 250 / 2048, 300 * 250 / 2048}));
    EXPECT_EQ(f.lbScr.text(), "1000");

    f.ScrollVbar[0].setValue(1100); // x = 100
    f.Picture1_MouseDown(102, 150);
    f.Picture1_MouseMove(1200, 150);
    f.MouseUp();
    EXPECT_EQ((Nums{app().fft.FFtVpos[0], f.ScrollVbar[0].value()}), (Nums{2047, 2047}));
    f.Picture1_MouseDown(300, 150); // no bar near: the screen follows the pointer
    f.Picture1_MouseMove(250, 150);
    EXPECT_EQ(app().fft.ScreenPos, 1050);
    f.Picture1_MouseDown(300, app().fft.FFtHpos[1] + 3);
    f.Picture1_MouseMove(300, 400);
    EXPECT_EQ(app().fft.FFtHpos[1], 255);

    form1().cmbDepth.setIndex(2);
    f.OnDepthChanged();
    f.cmbZoom.setIndex(7);
    f.cmbPoint.setIndex(8);
    EXPECT_EQ((Nums{app().fft.FFtZoom, app().fft.FFtPoint, app().fft.ScreenMax}),
              (Nums{7, 8, 131072 - 200 * 450 - 1}));
}

// Only the power spectrum shows its dB controls; its H readouts are dBmV from the offset row.
TEST_F(FftTest, GainTypesAndLevelReadouts) {
    // The dB controls shown (offset, volts/div and label as digits) and the H readouts.
    auto shown = [this] {
        const int on =
            f.ScrollOffset.visible() * 100 + f.cmbVdiv.visible() * 10 + f.lbDBm.visible();
        return Texts{QString::number(on), f.lbHbar[0].text(), f.lbHbar[1].text(),
                     f.lbHbar[2].text()};
    };
    f.cmbGain.setIndex(0);
    // A1 at 1V/div (10:1, 100mv): 40 mV a code; H1 row 78, H2 row 178.
    EXPECT_EQ(shown(), (Texts{"0", "6. V", "2. V", "4. V"}));
    f.cmbGain.setIndex(2);
    f.cmbVdiv.setIndex(2);        // 20 dB a division
    f.ScrollOffset.setValue(100); // 0 dBmV on row 128
    EXPECT_EQ(shown(), (Texts{"111", "40.dBmV", "-40.dBmV", "80.dBmV"}));
    EXPECT_EQ(f.lbDBmTop, 121);
    f.cmbGain.setIndex(1);
    EXPECT_EQ(f.lbHbar[0].text(), "632.456mV"); // 10^(175/50) / 200 codes

    // The "0 dBmV" label is coloured like the other texts of the spectrum: the readout colour
    // on the display background.
    app().colors.Colors[ColBackground] = Rgb(1, 2, 3);
    app().colors.Colors[ColUpScreen] = Rgb(4, 5, 6);
    f.OnColorsChanged();
    EXPECT_EQ((Nums{f.lbDBm.foreColor(), f.lbDBm.backColor(), f.lbTdiv[0].foreColor()}),
              (Nums{Rgb(4, 5, 6), Rgb(1, 2, 3), Rgb(4, 5, 6)}));
}

// A sine on bin 41 of 2048 points at 100MSa/S (2.002 MHz): its peak is at position 82, pixel
// 82 at "x1", pixel 41 at "/2"; V1 there reads its frequency. With an external clock the
// frequency texts are empty.
TEST_F(FftTest, KnownRecordPeaksAtItsPixel) {
    A1Sine(41, 90);
    f.FFtRefresh0();
    EXPECT_EQ(PeakColumn(), 82);
    f.cmbZoom.setIndex(1);
    EXPECT_EQ(PeakColumn(), 41);
    f.ScrollVbar[0].setValue(82);
    EXPECT_EQ((Texts{f.lbVbar[0].text(), f.lbTdiv[0].text()}), (Texts{"2.002MHz", "2.441MHz"}));
    app().acquisition.RateIndex = 33;
    f.DrawFFT();
    EXPECT_EQ((Texts{f.lbVbar[0].text(), f.lbTdiv[0].text()}), (Texts{"", ""}));
}

// Sweep: peaks only grow over records; zoom keeps them, any other setting or a new depth
// starts over; ClearBufFFt empties them.
TEST_F(FftTest, SweepPeaksGrowUntilASettingChanges) {
    ASSERT_TRUE(f.Open(1));
    const auto &buf = app().work.FftBuf;
    A1Sine(100, 90);
    f.OnScreenComposed();
    A1Sine(300, 90);
    f.OnScreenComposed();
    const uint8_t both[2] = {buf[200], buf[600]};
    EXPECT_TRUE(both[0] < 100 && both[1] < 100) << int(both[0]) << " " << int(both[1]);
    EXPECT_EQ(buf[FFT_PEAK_OFFSET + 200], both[0]);
    f.cmbZoom.setIndex(2);
    EXPECT_EQ(buf[200], both[0]);
    f.cmbWindow.setIndex(3);
    EXPECT_GT(buf[200], 150); // only the 300-period record counts now
    f.ClearBufFFt();
    EXPECT_EQ(std::count(buf.begin() + FFT_PEAK_OFFSET, buf.end(), 255), FFT_BUF_LEN / 2);
    f.OnScreenComposed();
    A1Sine(100, 90);
    form1().cmbDepth.setIndex(1);
    f.OnDepthChanged();
    EXPECT_GT(buf[600 * 4], 150);
}

} // namespace
