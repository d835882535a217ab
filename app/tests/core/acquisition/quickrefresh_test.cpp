// SPDX-License-Identifier: GPL-3.0-or-later
// Quick refresh of the software catch: eight phases into the hidden picture, swapped every
// eighth sample.
#include "core/acquisition/quick_refresh.h"
#include "core/fixture.h"

namespace vrx::test {
namespace {

// The picture drawn into and what it holds (G grid, 1 A1 dots, 2 A2 dots), then the lanes drawn
// high.
class QuickRefreshTest : public ScreenTest {
  protected:
    QImage &hidden() { return scope(static_cast<size_t>(s.run.DrawPic)); }
    QString Held() {
        return QString(hidden().pixel(10, 28) == Pixel(ColGrid) ? "G" : "") +
               (hidden().pixel(300, 70) == Pixel(ColA1Dot) ? "1" : "") +
               (hidden().pixel(300, 90) == Pixel(ColA2Dot) ? "2" : "") + ' ' +
               QString::number(Lanes(true), 16);
    }
};

// Three rounds of eight samples from phase 0: phase 0 shows the finished frame and clears the
// other picture with the grid, 1 draws A1, 2 draws A2, 3 clears the lanes and 3 to 6 draw four
// each; each only when its display item is on and, for the grid and the lanes, the caller asks.
// The shown picture is never drawn into.
TEST_F(QuickRefreshTest, EachPhaseDrawsItsPartIntoTheHiddenPicture) {
    // The display items on, and whether the lanes and the grid are asked for.
    using On = std::array<int16_t, kDisplayItems>;
    const std::tuple<On, int16_t, int16_t> rounds[] = {{On{1, 1, 0, 0, 0, 0, 1, 1}, 1, 1},
                                                       {On{1, 0, 0, 0, 0, 0, 0, 0}, 1, 1},
                                                       {On{1, 1, 0, 0, 0, 0, 1, 1}, 0, 0}};
    pictures().Picture1.fill(Pixel(LogicColorEntry(15))); // lanes 7 and 15 white
    s.run.CatchCount = 7;
    Texts held;
    Nums drawPics;
    QImage finished = scope(0).copy();
    for (const auto &[on, drawLogic, drawGrid] : rounds) {
        s.channels.ChanOn = on;
        for (int phase = 0; phase < 8; ++phase) {
            ++s.run.CatchCount; // the sample caught
            Softfresh0(drawLogic, drawGrid);
            if (phase == 0) drawPics.push_back(s.run.DrawPic);
            EXPECT_TRUE(pictures().picScopeVisible[size_t(s.run.DrawPic ^ 1)] &&
                        !pictures().picScopeVisible[size_t(s.run.DrawPic)] &&
                        scope(size_t(s.run.DrawPic ^ 1)) == finished)
                << "phase " << phase;
            held << Held();
        }
        finished = hidden().copy();
    }
    EXPECT_EQ(held, (Texts{"G 8080",   "G1 8080",  "G12 8080", "G12 f",   "G12 ff",  "G12 fff",
                           "G12 ffff", "G12 ffff", " ffff",    "1 ffff",  "1 ffff",  "1 ffff",
                           "1 ffff",   "1 ffff",   "1 ffff",   "1 ffff",  " ffff",   "1 ffff",
                           "12 ffff",  "12 ffff",  "12 ffff",  "12 ffff", "12 ffff", "12 ffff"}));
    EXPECT_TRUE(drawPics == (Nums{1, 0, 1}) && !pictures().Picture1AutoRedraw);
}

} // namespace
} // namespace vrx::test
