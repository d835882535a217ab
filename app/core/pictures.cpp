// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pictures.h"

#include <algorithm>
#include <cstdlib>

#include <QGuiApplication>

namespace vrx {

TimingPictures &pictures() {
    static TimingPictures p;
    return p;
}

ScreenHooks &screenHooks() {
    static ScreenHooks h;
    return h;
}

void EnsureHeadlessGui(const char *name) {
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(name), nullptr};
    static QGuiApplication *guiApp = new QGuiApplication(argc, argv);
    (void)guiApp;
}

void ClearPicture(QImage &img, int32_t color) {
    if (!img.isNull()) img.fill(ToQRgb(color));
}

void ResizePictures(int screenSamples, int logicHeight, int32_t background) {
    TimingPictures &p = pictures();
    // Column `screenSamples` is still drawn (the last grid column, a bar at the right edge).
    const int width = std::max(screenSamples, 1) + 1;
    for (auto &img : p.picScope)
        img = QImage(width, kScopeRows, QImage::Format_RGB32);
    p.Picture1 = QImage(width, std::max(logicHeight, 1) * 16, QImage::Format_RGB32);
    p.Picture2 = QImage(std::max(width, kOverviewLeft + kOverviewWidth + 1), kOverviewRows,
                        QImage::Format_RGB32);
    for (auto &img : p.picScope)
        ClearPicture(img, background);
    ClearPicture(p.Picture1, background);
    ClearPicture(p.Picture2, background);
    p.changed.notify();
}

hw_surface Surface(QImage &img) {
    hw_surface s{};
    if (img.isNull()) return s;
    // bits() detaches a shared copy, so the surface writes only into this picture.
    s.pixels = reinterpret_cast<uint32_t *>(img.bits());
    s.width = img.width();
    s.height = img.height();
    s.stride = static_cast<int32_t>(img.bytesPerLine() / 4);
    return s;
}

void CallComposeScreen(int16_t scopeOnly, int16_t clear) {
    if (screenHooks().ComposeScreen) screenHooks().ComposeScreen(scopeOnly, clear);
}

void CallDrawChanMarker(int16_t ch, int16_t y, int16_t show) {
    if (screenHooks().DrawChanMarker) screenHooks().DrawChanMarker(ch, y, show);
}

void CallDrawScaleText(int16_t ch, int16_t show) {
    if (screenHooks().DrawScaleText) screenHooks().DrawScaleText(ch, show);
}

void CallShowBarValues() {
    if (screenHooks().ShowBarValues) screenHooks().ShowBarValues();
}

void CallDrawTraces() {
    if (screenHooks().DrawTraces)
        screenHooks().DrawTraces();
    else
        CallComposeScreen(1, 0);
}

} // namespace vrx
