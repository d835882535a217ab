// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel-exact drawing on small surfaces. Pictures, row by row from the top and separated by '|':
// 'o' sample dots (colour argument), '+' pen lines, '.' background. Every canvas sits inside
// guard pixels that must stay untouched.
#include "hwlink.h"
#include "src/surface.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kDot = 0x0000FF, kPen = 0xFF0000;         // red and blue, 0x00BBGGRR
constexpr uint32_t kDotPx = 0xFFFF0000, kPenPx = 0xFF0000FF; // as the picture stores them
constexpr uint32_t kBgPx = 0xFF000000, kGuardPx = 0x12345678;

struct Canvas {
    int w, h, stride;
    std::vector<uint32_t> mem; // one guard row above and below, three guard columns per row
    hw_surface s{};
    Canvas(int w_, int h_)
        : w(w_), h(h_), stride(w_ + 3), mem(size_t(h_ + 2) * (w_ + 3), kGuardPx) {
        for (int y = 0; y < h; ++y)
            std::fill_n(&mem[size_t(y + 1) * stride], w, kBgPx);
        s = {&mem[size_t(stride)], w, h, stride, kPen, 0, 0};
    }
    Canvas(const Canvas &) = delete; // the surface points into this canvas's own memory
    uint32_t at(int x, int y) const { return mem[size_t(y + 1) * stride + x]; }
    std::string picture() const {
        const uint32_t known[] = {kDotPx, kPenPx, kBgPx};
        std::string p;
        for (int y = 0; y < h; ++y, p += y < h ? "|" : "")
            for (int x = 0; x < w; ++x)
                p += "o+.?"[std::find(known, known + 3, at(x, y)) - known];
        return p;
    }
    // The rows of column x whose pixel is `px` (with `is` false: is not).
    std::vector<int> rows(int x, uint32_t px, bool is = true) const {
        std::vector<int> r;
        for (int y = 0; y < h; ++y)
            if ((at(x, y) == px) == is) r.push_back(y);
        return r;
    }
    int columnsDrawn() const {
        int n = 0;
        for (int x = 0; x < w; ++x)
            n += !rows(x, kBgPx, false).empty();
        return n;
    }
    // Drawn pixels are opaque, so no picture pixel can take the guard's value.
    bool guardsIntact() const {
        return std::count(mem.begin(), mem.end(), kGuardPx) == long(mem.size()) - long(w) * h;
    }
};

constexpr int32_t kArea = HW_SB_AREA_LEN;

} // namespace

TEST(Surface, PixelsAndLinesFollowDeviceContextRulesAndClip) {
    Canvas c(6, 5);
    hwlink::setPixel(&c.s, 1, 1, 0x00332211);
    EXPECT_EQ(c.at(1, 1), 0xFF112233u); // 0x00BBGGRR arrives, 0xFFRRGGBB is stored
    for (int xy : {-1, 5, 6, 100000})
        hwlink::setPixel(&c.s, xy, xy, kDot);
    hwlink::moveTo(&c.s, 0, 4);
    hwlink::lineTo(&c.s, 3, 4); // end pixel left out
    hwlink::lineTo(&c.s, 3, 1); // continues from the new current position
    hwlink::lineTo(&c.s, 5, 3);
    EXPECT_EQ(c.picture(), "......|.?.+..|...++.|...+..|++++..");
    Canvas d(5, 5); // a line from far outside to far outside crosses on the diagonal only
    hwlink::moveTo(&d.s, -2000000000, -2000000000);
    hwlink::lineTo(&d.s, 2000000000, 2000000000);
    EXPECT_EQ(d.picture(), "+....|.+...|..+..|...+.|....+");
    EXPECT_TRUE(c.guardsIntact() && d.guardsIntact());
}

TEST(Grid, DotsRowsOnDivisionsAndColumnsInsideTheWidth) {
    Canvas c(520, 260);
    Grid(&c.s, kDot, 500);
    for (int y = 0; y < 260; ++y)
        for (int x = 0; x < 520; ++x) {
            const bool row =
                (y - 28) % 25 == 0 && y >= 28 && y <= 228 && x % 10 == 0 && x >= 10 && x <= 500;
            const bool col = x % 50 == 0 && x >= 50 && x <= 450 && y >= 8 && y <= 248 && y % 5 == 3;
            ASSERT_EQ(c.at(x, y), row || col ? kDotPx : kBgPx) << x << "," << y;
        }
    Canvas small(40, 30); // the same graticule clipped to a small picture
    Grid(&small.s, kDot, 500);
    EXPECT_TRUE(small.at(10, 28) == kDotPx && small.guardsIntact());
}

struct Trace {
    std::vector<uint8_t> src = std::vector<uint8_t>(HW_SAMPLEBUF_LEN, 0);
    std::vector<uint8_t> work = std::vector<uint8_t>(HW_WORKAREA_LEN + 64, 0xAB); // + guard tail
    int32_t view[4] = {0, 0, 0, 0};
    void draw(Canvas &c, int kind, int zoom, int lines, int width, int scroll = 0) {
        Drawzoom(kind, &c.s, src.data(), work.data(), uint8_t(zoom), view, scroll, kDot, lines,
                 width, 0);
    }
    // The picture drawn on a fresh w x h canvas.
    std::string picture(int w, int h, int kind, int zoom, int lines, int width, int scroll = 0) {
        Canvas c(w, h);
        draw(c, kind, zoom, lines, width, scroll);
        return c.picture();
    }
    Trace(int at, const std::vector<uint8_t> &samples) {
        std::copy(samples.begin(), samples.end(), src.begin() + at);
    }
    std::vector<uint8_t> slot(int kind, int n) const {
        return {work.begin() + kind * 2400, work.begin() + kind * 2400 + n};
    }
    bool untouched(int from, int to) const {
        return std::all_of(work.begin() + from, work.begin() + to,
                           [](uint8_t b) { return b == 0xAB; });
    }
};

TEST(Drawzoom, OneToOneDotsAndVerticalJoinsFromTheViewStart) {
    Trace t(5, {2, 5, 5, 1, 3});
    t.view[0] = 3; // with scroll 2 the trace starts at sample 5
    EXPECT_EQ(t.picture(6, 7, 0, 5, 0, 4, 2), "......|...o..|o.....|......|......|.oo...|......");
    EXPECT_EQ(t.picture(6, 7, 0, 5, 1, 4, 2), "......|...o+.|o+.++.|.+.+..|.+.+..|.oo+..|......");
    EXPECT_EQ(t.slot(0, 5), (std::vector<uint8_t>{2, 5, 5, 1, 3}));
    t.view[1] = 4; // the memory channel M1 (kind 2) keeps its own start
    t.picture(6, 7, 2, 5, 0, 4, 2);
    EXPECT_EQ(t.slot(2, 5), (std::vector<uint8_t>{5, 5, 1, 3, 0}));
}

TEST(Drawzoom, ExpandingInterpolatesTowardsZeroAndShiftsBySubSamplePhase) {
    Trace t(0, {4, 1, 6, 6, 2});
    // x2: two columns per sample. The slot keeps the rows drawn, the one after the last column
    // included.
    EXPECT_EQ(t.picture(7, 8, 1, 4, 1, 5),
              ".......|o+.....|.+.....|.o+....|..+....|..+..+.|..ooo+.|.......");
    EXPECT_EQ(t.slot(1, 6), (std::vector<uint8_t>{1, 3, 6, 6, 6, 4}));
    t.view[3] = 1;
    // One column later in the samples: 4 + (1 - 4) / 2 truncates to 3, not 2.
    EXPECT_EQ(t.picture(7, 8, 1, 4, 1, 5),
              ".......|.o+....|.++....|o+o+...|...+...|...+...|...oo..|.......");
    EXPECT_EQ(t.slot(1, 6), (std::vector<uint8_t>{3, 1, 3, 6, 6, 6}));
}

TEST(Drawzoom, CompressingDrawsMinMaxBarsAndClosesTheEnvelope) {
    Trace t(0, {3, 5, 4, 4, 9, 8, 1, 2, 2, 2, 7, 0});
    // /2: L + n = 6 columns of two samples
    EXPECT_EQ(t.picture(5, 11, 0, 6, 0, 4),
              ".....|...o.|...o.|o....|oo...|o....|.....|.....|..o..|..o..|.....");
    EXPECT_EQ(t.picture(5, 11, 0, 6, 1, 4),
              ".....|...o.|...o.|o.+..|oo+..|o++..|.++..|.++..|..o..|..o..|.....");
    EXPECT_EQ(t.slot(0, 6), (std::vector<uint8_t>{3, 4, 8, 1, 2, 0})); // minima
    EXPECT_EQ(t.slot(1, 6), (std::vector<uint8_t>{5, 4, 9, 2, 2, 7})); // maxima, next slot
    // /500 is beyond the analog zooms: nothing at all
    EXPECT_EQ(t.picture(5, 11, 3, 13, 1, 4), Canvas(5, 11).picture());
    EXPECT_TRUE(t.untouched(3 * 2400, 5 * 2400));
}

TEST(Drawzoom, WideWindowsAreCutToTheCopyAndNothingLeavesItsArea) {
    Trace t(0, {});
    for (size_t i = 0; i < t.src.size(); ++i)
        t.src[i] = uint8_t(i * 7 % 251);
    Canvas wide(2600, 256);
    t.draw(wide, 1, 5, 1, 5000); // one-to-one: n + 1 samples must fit 2400 bytes
    EXPECT_TRUE(t.untouched(0, 2400) && t.untouched(4800, HW_WORKAREA_LEN + 64));
    EXPECT_EQ(wide.at(2398, t.src[2398]), kDotPx);
    for (int x = 2400; x < 2600; ++x)
        ASSERT_TRUE(wide.rows(x, kBgPx, false).empty()) << x;
    t.draw(wide, 2, 0, 1, 5000);  // x50: L + n + 1 bytes
    t.draw(wide, 3, 12, 1, 5000); // /200: L + n columns, maxima into slot 4
    t.draw(wide, 5, 12, 1, 5000); // the FFT display: its maxima have no slot to go to
    EXPECT_TRUE(t.untouched(HW_WORKAREA_LEN, HW_WORKAREA_LEN + 64));
    Canvas tiny(8, 8); // a surface much smaller than the 256 rows drawn
    t.draw(tiny, 0, 5, 1, 600);
    EXPECT_TRUE(tiny.guardsIntact() && wide.guardsIntact());
}

TEST(Drawupzoom, FiveHundredSevenColumnsOfQuarterCodes) {
    std::vector<uint8_t> s(HW_SAMPLEBUF_LEN, 0);
    const uint8_t even[4] = {40, 44, 47, 41}, odd[4] = {200, 203, 201, 202};
    for (int g = 0; g < 600; ++g) // groups of 4 (2K record): even 10..11, odd 50
        std::copy_n(g % 2 ? odd : even, 4, s.begin() + 4 * g);
    for (int32_t start : {0, 4}) {
        int32_t view[4] = {start, 0, 0, 0};
        Canvas c(620, 64);
        Drawupzoom(&c.s, s.data(), kDot, 0, view);
        for (int x = 0; x < 620; ++x)
            for (int y = 0; y < 64; ++y) {
                const bool even = (x - 101 + start / 4) % 2 == 0, last = x == 607;
                const int top = even ? 10 : (last ? 50 : 12), bottom = even ? (last ? 11 : 49) : 50;
                const bool on = x >= 101 && x <= 607 && y >= top && y <= bottom;
                ASSERT_EQ(c.at(x, y), on ? kDotPx : kBgPx) << start << ":" << x << "," << y;
            }
    }
}

TEST(DrawFu, FourOperationsZeroDivisorAndSixteenBitOperands) {
    std::vector<uint8_t> work(HW_WORKAREA_LEN, 0);
    const uint8_t a[] = {110, 90, 100, 101, 99}, b[] = {105, 100, 80, 100, 100};
    for (int i = 0; i < 5; ++i)
        work[i] = a[i], work[2400 + i] = b[i];
    uint8_t kinds[2] = {0, 1};
    int16_t pos[9] = {100, 100, 0, 0, 50};
    auto rows = [&](int op, double s0, double s4) {
        double scale[9] = {s0, s0, 1, 1, s4};
        Canvas c(5, 256);
        DrawFu(kinds, op, &c.s, work.data(), pos, scale, kDot, 0, 4);
        std::vector<int> r;
        for (int x = 0; x < 5; ++x)
            for (int y : c.rows(x, kDotPx))
                r.push_back(y);
        return r;
    };
    // u = a - 100 = 10, -10, 0, 1; v = b - 100 = 5, 0, -20, 0; the trace sits at row 50.
    EXPECT_EQ(rows(0, 1, 1), (std::vector<int>{65, 40, 30, 51}));
    EXPECT_EQ(rows(1, 1, 1), (std::vector<int>{55, 40, 70, 51}));
    EXPECT_EQ(rows(2, 20, 1), (std::vector<int>{30, 50, 50, 50}));    // 200 * 100 * -0.001
    EXPECT_EQ(rows(3, 20, 1000), (std::vector<int>{48, 0, 50, 255})); // l / 0: top or bottom
    // Operands beyond 16 bits saturate (50000 mV reads 32767) instead of changing sign.
    EXPECT_EQ(rows(0, 5000, 5000), (std::vector<int>{61, 43, 43, 51}));
    double scale[9] = {1, 1, 1, 1, 1};
    Canvas c(8, 256), j(8, 256);
    DrawFu(kinds, 0, &j.s, work.data(), pos, scale, kDot, 1, 4); // results 65, 40, 30, 51, 49
    EXPECT_EQ(j.rows(1, kPenPx).size(), 25u);                    // 65 up to, not including, 40
    EXPECT_EQ(j.rows(4, kPenPx), (std::vector<int>{50, 51}));    // past the last dot: 51 towards 49
    DrawFu(kinds, 4, &c.s, work.data(), pos, scale, kDot, 1, 4); // no such operation
    kinds[1] = 6;
    DrawFu(kinds, 0, &c.s, work.data(), pos, scale, kDot, 1, 4); // no such trace
    EXPECT_EQ(c.picture(), Canvas(8, 256).picture());
}

TEST(DrawXY, ChannelAgainstItselfIsTheAntiDiagonal) {
    std::vector<uint8_t> work(HW_WORKAREA_LEN, 0);
    for (int i = 0; i < 512; ++i)
        work[i] = uint8_t(i / 2);
    uint8_t kinds[2] = {0, 0};
    int16_t pos[9] = {128};
    Canvas c(300, 300);
    DrawXY(&c.s, kinds, work.data(), pos, kDot);
    for (int x = 0; x < 300; ++x) // y = 256 - x, rows 0..255
        ASSERT_EQ(c.rows(x, kBgPx, false),
                  x >= 1 && x <= 256 ? std::vector{256 - x} : std::vector<int>{})
            << x;
}

TEST(DrawLa, LevelsTransitionsSamplesPastTheRecordAndEveryZoom) {
    const int bit3[12] = {1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1};
    std::vector<uint8_t> work(64, 0);
    auto run = [&](int zoom, int first, int len, int width) {
        // Exactly the record: nothing past it may be read.
        std::vector<uint8_t> data(static_cast<size_t>(len));
        for (int i = 0; i < len; ++i)
            data[i] = uint8_t((bit3[i] << 3) | ((i * 37) & 0xF7));
        Canvas c(width + 1, 8);
        DrawLa(&c.s, 0, data.data(), work.data(), first, 3, uint8_t(zoom), len, 8, kDot, width);
        return c.picture();
    };
    // Lane height 8: high at row 2, low at row 6, transitions from row 2 to row 6.
    // /2: a column sees its two samples and the next column's first (the edge 7 -> 8).
    EXPECT_EQ(run(6, 0, 11, 5), "......|......|oo++o.|..++..|..++..|..++..|..++..|......");
    EXPECT_EQ(run(6, 0, 8, 5), "......|......|oo+...|..+...|..+...|..+...|..+oo.|......");
    EXPECT_EQ(run(4, 3, 12, 8),
              ".........|.........|+++++....|....+....|....+....|....+....|....++++.|.........");
    EXPECT_EQ(std::vector<uint8_t>(work.begin(), work.begin() + 8),
              (std::vector<uint8_t>{2, 2, 2, 2, 6, 6, 6, 6}));
    EXPECT_EQ(run(5, 7, 10, 5), "......|......|.+++..|.+.+..|.+.+..|.+.+..|++.++.|......");

    // One rising edge at every zoom.
    const int factor[16] = {50, 20, 10, 5, 2, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000};
    const int edge = 12345, width = 40;
    std::vector<uint8_t> data(HW_SB_AREA_LEN, 0), lane(width); // exactly the lane's work bytes
    std::fill(data.begin() + edge, data.end(), 0x10);
    for (int z = 0; z < 16; ++z) {
        const int L = factor[z], first = z < 6 ? edge - 7 : edge - 9 * L - 1;
        Canvas c(width + 1, 8);
        DrawLa(&c.s, 0, data.data(), lane.data(), first, 4, uint8_t(z), HW_SB_AREA_LEN, 8, kDot,
               width);
        for (int x = 0; x < width; ++x) {
            // Compressing: column x covers samples a .. a + L; the edge's column is a bar.
            const long a = first + long(x) * L;
            const bool high = z > 5 ? a >= edge : x >= 7 * L;
            const bool bar = z > 5 ? !high && a + L >= edge : x == 7 * L;
            const std::vector<int> on =
                bar ? std::vector<int>{2, 3, 4, 5, 6} : std::vector{high ? 2 : 6};
            ASSERT_EQ(c.rows(x, kBgPx, false), on) << "zoom " << z << " at " << x;
        }
    }
}

// Traces near the end of their sample area: the columns whose samples lie past it are left out.
TEST(AreaBounds, TracesAndLanesStopAtTheEndOfTheArea) {
    std::vector<uint8_t> area(kArea, 100), work(HW_WORKAREA_LEN);
    // clang-format off
    const struct { uint8_t zoom; int32_t start, columns; } cases[] = {
        {5, kArea - 10, 9},  {4, kArea - 10, 15},   {0, kArea - 2, 0},
        {12, kArea - 10, 1}, {12, kArea - 1000, 5}, {5, kArea, 0},
        {9, INT32_MAX, 0},   {7, INT32_MIN, 600}};
    // clang-format on
    for (const auto &c : cases) {
        Canvas pic(600, 256);
        int32_t view[4] = {c.start, 0, 0, 0};
        Drawzoom(0, &pic.s, area.data(), work.data(), c.zoom, view, 0, kDot, 1, 600, 0);
        EXPECT_EQ(pic.columnsDrawn(), c.columns) << int(c.zoom) << " from " << c.start;
    }
    for (const auto &[start, columns] : {std::pair{kArea - 1000, 4}, {kArea, 0}, {0, 507}}) {
        Canvas pic(620, 64);
        int32_t view[4] = {start, 0, 0, 0};
        Drawupzoom(&pic.s, area.data(), kDot, 2, view);
        EXPECT_EQ(pic.columnsDrawn(), columns) << start;
    }
    // A lane wider than the work area or a record length past the area: the work bytes and the
    // samples used stay inside.
    std::fill(area.begin(), area.end(), 0x01);
    // clang-format off
    const struct { uint8_t zoom; int32_t first, len, width; } lanes[] = {
        {5, 0, kArea, HW_WORKAREA_LEN + 5000},
        {0, kArea - 3, INT32_MAX, HW_WORKAREA_LEN + 1},
        {15, kArea - 3000, INT32_MAX, 600}};
    // clang-format on
    for (const auto &c : lanes) {
        Canvas pic(600, 16);
        DrawLa(&pic.s, 0, area.data(), work.data(), c.first, 0, c.zoom, c.len, 16, kDot, c.width);
        EXPECT_TRUE(pic.columnsDrawn() == 600 && pic.guardsIntact()) << int(c.zoom);
    }
}
