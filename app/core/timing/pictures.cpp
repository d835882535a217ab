// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/timing/pictures.h"

#include <algorithm>
#include <cstdlib>

#include <QGuiApplication>

#include "core/base/events.h"

namespace vrx {

TimingPictures &pictures() {
    static TimingPictures p;
    return p;
}

void PicturesChanged() {
    Publish(Event::PicturesChanged);
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
    PicturesChanged();
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

} // namespace vrx
