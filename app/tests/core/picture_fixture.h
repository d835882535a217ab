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

#include "core/compose.h"
#include "core/pictures.h"
#include "core/state.h"
#include "timing/frontpanel_logic.h"

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

// The timing panel on its defaults, an instrument linked, readouts in samples, the pictures
// cleared; the traces are counted instead of drawn.
class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedHooks_ = screenHooks();
        screenHooks() = {};
        screenHooks().DrawTraces = [this] { ++traceDraws; };
        InitDefaults();
        app().Dispunit = 1;
        app().DevConfig[HW_DC_Link] = HW_LINK_USB;
        p.hooks = {};
        p.ScaleWidth = 0;
        ResizePictures(app().ScreenSamples, app().LogicHeight, app().Colors[0]);
        p.InitPanel();
        ApplyTimingSettings();
        ClearAll();
        app().ParamChanged = 0;
        traceDraws = 0;
    }
    void TearDown() override {
        screenHooks() = savedHooks_;
        app().DevConfig[HW_DC_Link] = HW_LINK_NONE;
    }
    static void ClearAll() {
        for (auto &img : pictures().picScope)
            ClearPicture(img, app().Colors[0]);
        ClearPicture(pictures().Picture1, app().Colors[0]);
    }

    TimingPanel &p = form1();
    int traceDraws = 0;

  private:
    ScreenHooks savedHooks_;
};

// The screen composition installed on a 600-pixel trace, one sample a pixel, drawing into
// picture 0; A1 and A2 dots in colours of their own, so that a pixel tells
// which routine drew it.
class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureGuiApp();
        InitDefaults();
        InstallScreenComposition();
        AppState &s = app();
        s.ScreenSamples = 600;
        s.ScreenWidth = {600, 600};
        s.TimeZoom = {1.0, 1.0};
        s.ViewStart.fill(0);
        s.DrawPic = 0;
        s.Colors[4] = Rgb(1, 2, 3); // A1 dot
        s.Colors[5] = Rgb(4, 5, 6); // A2 dot
        ResizePictures(s.ScreenSamples, s.LogicHeight, s.Colors[0]);
    }
    static QImage &scope(size_t k = 0) { return pictures().picScope[k]; }
};

} // namespace vrx::test
