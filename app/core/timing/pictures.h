// SPDX-License-Identifier: GPL-3.0-or-later
//
// The pictures of the timing view and the drawing entry points of the screen composition.
//
// The timing view's pictures are QImages (Format_RGB32) owned here, not by a widget: the
// library draws traces into them through an `hw_surface` (see `Surface`), the core draws texts
// with QPainter, and the window only shows them. Geometry: one pixel row per sample code (row 0
// = code 0, 256 rows), one column per `TimeZoom[0]` samples; the overview strip maps the record
// onto 512 pixels starting at x = 100.
// A change of a picture or of a marker is published as `Event::PicturesChanged`; the window
// repaints on it.
#pragma once

#include <array>
#include <cstdint>

#include <QImage>

#include "hwlink.h"

namespace vrx {

constexpr int kScopeRows = 256;     // trace picture height: one row per sample code
constexpr int kOverviewLeft = 100;  // overview strip: first pixel of the record map
constexpr int kOverviewWidth = 512; // pixels the whole record maps onto
constexpr int kOverviewRows = 64;   // the strip shows sample / 4

struct TimingPictures {
    std::array<QImage, 2> picScope; // trace pictures; `DrawPic` picks the one drawn into
    std::array<bool, 2> picScopeVisible{true, false};
    std::array<bool, 2> picScopeAutoRedraw{true, true}; // persistent drawing switch
    QImage Picture1;                                    // logic lanes
    bool Picture1AutoRedraw = true;
    QImage Picture2; // overview (zoom) strip
    // Markers on the overview strip: the screen window `ImgUpscr` and the bars `UpVbar(0..2)`.
    int32_t ImgUpscrLeft = kOverviewLeft;
    int32_t ImgUpscrWidth = 3;
    std::array<int32_t, 3> UpVbarX{};
};

TimingPictures &pictures();
// Tells the window that a picture or a marker changed.
void PicturesChanged();

// (Re)allocates the pictures for a trace width of `screenSamples` pixels and a logic row height
// of `logicHeight` pixels, cleared to `background` (0x00BBGGRR). Existing contents are dropped.
void ResizePictures(int screenSamples, int logicHeight, int32_t background);

// Clears a picture to a colour of the colour table.
void ClearPicture(QImage &img, int32_t color);

// A raster surface over a picture's pixels, for the library's drawing exports. The surface
// borrows the image's memory: keep the image alive and unresized while the surface is in use.
hw_surface Surface(QImage &img);

// Texts on the pictures need the font database of a GUI application. Without a window system
// (tests, benchmarks, a command-line run) this creates one on the offscreen platform, once.
void EnsureHeadlessGui(const char *name);

// Colour conversions between the colour table (0x00BBGGRR) and Qt's 0xAARRGGBB.
constexpr uint32_t ToQRgb(int32_t bgr) {
    const auto c = static_cast<uint32_t>(bgr);
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr int32_t FromQRgb(uint32_t argb) {
    return static_cast<int32_t>(((argb & 0xFFu) << 16) | (argb & 0xFF00u) | ((argb >> 16) & 0xFFu));
}

} // namespace vrx
