// SPDX-License-Identifier: GPL-3.0-or-later
// Every export at the edges of its arguments: null pointers, indexes and lengths past the sample
// areas, widths past the work area, extreme trigger positions and levels. The buffers are
// exactly as long as the header documents, so a read or write past them is caught by the
// sanitizer build; the results show what the exports make of such arguments.
#include "acq_fixture.h"
#include "src/acquisition.h"
#include <climits>

namespace hwlink::test {
namespace {

constexpr int32_t kArea = HW_SB_AREA_LEN;

// Each device export with one of its pointers null at a time (-1: none) on a live link.
class NullPointerTest : public AcqTest {};

TEST_F(NullPointerTest, DeviceExportsRefuseEachNullPointer) {
    Settings s;
    arm(s);
    uint8_t buf[8] = {};
    auto p = [](int null, int k, auto *ptr) { return null == k ? nullptr : ptr; };
    auto capture = [&](int n) {
        return Capture(p(n, 0, ps), p(n, 1, dc), s.lastSample, s.depth, 0, s.rate, s.trigChannel,
                       s.trigPos, p(n, 2, s.slope), p(n, 3, s.level), s.trigDac,
                       p(n, 4, s.coupling), p(n, 5, s.vdiv), p(n, 6, s.pos));
    };
    auto getTrigStat = [&](int n) {
        return GetTrigStat(p(n, 0, sb.data()), s.lastSample, s.depth, p(n, 1, s.vdiv), p(n, 2, ps),
                           p(n, 3, dc), s.rate, s.trigChannel, p(n, 4, s.slope), p(n, 5, s.level),
                           s.trigPos, s.zoom, p(n, 6, viewStart));
    };
    auto force = [&](int n) { return ForceTrigger(p(n, 0, ps), p(n, 1, dc)); };
    auto direct = [&](int n) { return OutAdBuck12(p(n, 0, ps), p(n, 1, dc), nullptr, 0); };
    auto read = [&](int n) { return inDaBuck8(p(n, 0, ps), p(n, 1, dc), p(n, 2, buf), 8); };
    auto findHardware = [&](int n) {
        std::vector<uint8_t> bits = loadConfigBits(VRX_TEST_BITSTREAM);
        return FindHardware(0, p(n, 0, ps), p(n, 1, dc), p(n, 2, bits.data()));
    };
    const struct {
        const char *name;
        std::function<uint8_t(int)> call;
        int pointers;
    } exports[] = {{"Capture", capture, 7},    {"GetTrigStat", getTrigStat, 7},
                   {"ForceTrigger", force, 2}, {"OutAdBuck12", direct, 2},
                   {"inDaBuck8", read, 3},     {"FindHardware", findHardware, 3}};
    for (const auto &e : exports) {
        for (int n = 0; n < e.pointers; ++n)
            EXPECT_EQ(e.call(n), 0) << e.name << ": pointer " << n << " null";
        EXPECT_NE(e.call(-1), 0) << e.name << " with every pointer";
    }
    EXPECT_EQ((V{FindPort(nullptr, dc, 1), FindPort(ps, nullptr, 1), PowerOff(nullptr, dc),
                 PowerOff(ps, nullptr)}),
              (V{0, 0, 0, 0}));
}

// Extreme trigger positions arm with the delay bytes of the wide position - 1 and read back
// without leaving the areas, in real and in equivalent time.
TEST_F(NullPointerTest, ExtremeTriggerPositionsArmAndReadBack) {
    StrobeSeq q;
    ArmStrobes(q, {0x30, 0x80, 1, 8, 0, INT32_MIN});
    EXPECT_EQ((V{q.s[17].value, q.s[18].value}), (V{0xFF, 0xFF})) << "INT32_MIN - 1, low bytes";
    for (const uint8_t rate : {uint8_t(0), uint8_t(8)}) {
        for (const int32_t pos : {INT32_MIN, INT32_MAX}) {
            SCOPED_TRACE(testing::Message() << "rate " << int(rate) << " position " << pos);
            sim::resetSimulator();
            Settings s;
            s.rate = rate;
            s.trigPos = pos;
            arm(s);
            ForceTrigger(ps, dc);
            const uint8_t st = pollUntilComplete(s, 50);
            EXPECT_TRUE(st == HW_STAT_COMPLETE || st == HW_STAT_FILLING) << int(st);
        }
    }
}

// A canvas wide enough for every column; counts the columns anything was drawn in.
struct Picture {
    std::vector<uint32_t> px;
    hw_surface s{};
    Picture(int w, int h) : px(size_t(w) * h, 0) { s = {px.data(), w, h, w, 0xFF, 0, 0}; }
    int columnsDrawn() const {
        int n = 0;
        for (int x = 0; x < s.width; ++x)
            for (int y = 0; y < s.height; ++y)
                if (px[size_t(y) * s.width + x] != 0) {
                    ++n;
                    break;
                }
        return n;
    }
};

// Traces near the end of their sample area: the columns whose samples lie past it are left out.
TEST(AreaBounds, DrawzoomAndDrawupzoomStopAtTheEndOfTheArea) {
    std::vector<uint8_t> area(kArea, 100), work(HW_WORKAREA_LEN);
    const struct {
        uint8_t zoom;
        int32_t start, columns;
    } cases[] = {{5, kArea - 10, 9},  {4, kArea - 10, 15},   {0, kArea - 2, 0},
                 {12, kArea - 10, 1}, {12, kArea - 1000, 5}, {5, kArea, 0},
                 {9, INT32_MAX, 0},   {7, INT32_MIN, 600}};
    for (const auto &c : cases) {
        Picture pic(600, 256);
        int32_t view[4] = {c.start, 0, 0, 0};
        Drawzoom(0, &pic.s, area.data(), work.data(), c.zoom, view, 0, 0xFF, 1, 600, 0);
        EXPECT_EQ(pic.columnsDrawn(), c.columns) << int(c.zoom) << " from " << c.start;
    }
    const int32_t overview[][2] = {{kArea - 1000, 4}, {kArea, 0}, {0, 507}};
    for (const auto &o : overview) {
        Picture pic(620, 64);
        int32_t view[4] = {o[0], 0, 0, 0};
        Drawupzoom(&pic.s, area.data(), 0xFF, 2, view);
        EXPECT_EQ(pic.columnsDrawn(), o[1]) << o[0];
    }
}

// A lane wider than the work area or a record length past the area: the work bytes and the
// samples used stay inside.
TEST(AreaBounds, DrawLaKeepsToTheWorkAreaAndTheRecord) {
    std::vector<uint8_t> area(kArea, 0x01), work(HW_WORKAREA_LEN);
    const struct {
        uint8_t zoom;
        int32_t first, len, width;
    } cases[] = {{5, 0, kArea, HW_WORKAREA_LEN + 5000},
                 {0, kArea - 3, INT32_MAX, HW_WORKAREA_LEN + 1},
                 {15, kArea - 3000, INT32_MAX, 600}};
    for (const auto &c : cases) {
        Picture pic(600, 16);
        DrawLa(&pic.s, 0, area.data(), work.data(), c.first, 0, c.zoom, c.len, 16, 0xFF, c.width);
        EXPECT_EQ(pic.columnsDrawn(), 600) << int(c.zoom);
    }
}

// The data helpers and the measurement engine on indexes and stretches past the areas.
TEST(AreaBounds, HelpersAndMeasurementsKeepToTheArea) {
    std::vector<uint8_t> lo(kArea, 0), hi(kArea, 0);
    lo[kArea - 1] = 0xA6;
    hi[kArea - 1] = 0x3D;
    uint8_t bits[16], pair[2];
    for (const int32_t index : {kArea - 1, kArea, -1, INT32_MIN}) {
        GetVbarData(lo.data(), hi.data(), index, bits, pair);
        EXPECT_EQ(pair[0] | pair[1] << 8, index == kArea - 1 ? 0x3DA6 : 0) << index;
    }
    // The word under the bar is split into its sixteen bits, D0 first.
    GetVbarData(lo.data(), hi.data(), kArea - 1, bits, pair);
    EXPECT_EQ(V(bits, bits + 16), (V{0, 1, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1, 1, 1, 0, 0}));

    int32_t word[2] = {0x3DA6, 0};
    const int32_t views[][2] = {{kArea - 5, 4}, {kArea, 1}, {-1, 1}};
    for (const auto &v : views) {
        int32_t view[4] = {v[0], 0, 0, 0}, barPos[4] = {1, 0, 0, 0};
        SearchVdata(lo.data(), hi.data(), word, 0, 0, view, barPos, INT32_MAX);
        EXPECT_EQ(barPos[3], v[1]) << v[0]; // found at the last sample, or the bar stays
    }

    std::vector<uint8_t> wave(kArea);
    for (int32_t i = 0; i < kArea; ++i)
        wave[size_t(i)] = i % 20 < 10 ? 50 : 200;
    const int32_t freq[][4] = {{kArea - 100, 128, 1000, 4},
                               {kArea, 128, 10, -1},
                               {0, INT32_MAX, kArea, -1},
                               {0, INT32_MIN, kArea, -1}};
    for (const auto &f : freq) {
        int32_t res[HW_MEAS_RECORD_LEN] = {};
        TestFreq(wave.data(), f[0], f[1], res, f[2]);
        EXPECT_EQ(res[HW_MEAS_PERIODS], f[3]) << f[0] << " level " << f[1];
    }

    const int32_t ad[][3] = {{kArea - 15, 1000, 10}, {kArea, 10, 0x5A}, {-1, 10, 0x5A}};
    for (const auto &a : ad) {
        std::vector<int32_t> r(HW_MEAS_RECORD_LEN, 0x5A);
        TestAd(wave.data(), a[0], 128, 128, r.data(), a[1]);
        // +Width: the one complete high run of the 15 samples left, or untouched.
        EXPECT_EQ(r[8], a[2]) << a[0];
    }
}

} // namespace
} // namespace hwlink::test
