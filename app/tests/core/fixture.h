// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers and fixtures shared by the core tests: readable texts, the pictures of the timing
// view, the front panel on its defaults and the screen composition on a 600-pixel trace.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

#include "core/base/events.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace vrx::test {

// Values and texts compared as one list: a failure prints the whole list.
using Nums = std::vector<int64_t>;
using Texts = QStringList;

inline void EnsureGuiApp() {
    EnsureHeadlessGui("vrxcore_tests");
}

// Pixels of a picture (or of one row) in a colour of the table (0x00BBGGRR).
inline int CountColor(const QImage &img, int32_t color) {
    const QRgb c = ToQRgb(color);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == c;
    return n;
}

inline int CountColorInRow(const QImage &img, int y, int32_t color) {
    const QRgb c = ToQRgb(color);
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        n += img.pixel(x, y) == c;
    return n;
}

// Every setting at its default and the pictures of a 600-pixel trace: what each test of the
// core starts from.
inline void ResetState() {
    EnsureGuiApp();
    InitDefaults();
    AppState &s = app();
    s.run = {};
    s.screen = {};
    ResizePictures(s.screen.ScreenSamples, s.display.LogicHeight, s.colors[ColBackground]);
}

// The timing panel on its defaults, an instrument linked, readouts in samples, the pictures
// cleared; the drawings of the traces are counted.
class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetState();
        app().records.DevConfig[HW_DC_Link] = HW_LINK_USB;
        p.ScaleWidth = 0;
        p.InitPanel();
        ApplyTimingSettings();
        ClearAll();
        app().run.ParamChanged = 0;
        traceDraws = 0;
    }
    void TearDown() override { app().records.DevConfig[HW_DC_Link] = HW_LINK_NONE; }
    static void ClearAll() {
        for (auto &img : pictures().picScope)
            ClearPicture(img, app().colors.Colors[0]);
        ClearPicture(pictures().Picture1, app().colors.Colors[0]);
    }

    TimingPanel &p = form1();
    int traceDraws = 0;
    Subscription tracesDrawn_ = Subscribe(Event::TracesDrawn, [this] { ++traceDraws; });
};

// The screen composition installed on a 600-pixel trace, one sample a pixel, drawing into
// picture 0; A1 and A2 dots in colours of their own, so that a pixel tells
// which routine drew it.
class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetState();
        AppState &s = app();
        s.colors.Colors[ColA1Dot] = Rgb(1, 2, 3);
        s.colors.Colors[ColA2Dot] = Rgb(4, 5, 6);
    }
    static QImage &scope(size_t k = 0) { return pictures().picScope[k]; }
};

} // namespace vrx::test
