// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the tests that draw into the timing view's pictures.
#pragma once
#include <cstdint>
#include <cstdlib>

#include <QGuiApplication>
#include <QImage>

#include "core/pictures.h"

namespace vrx::test {

// Texts need the font database of a GUI application (offscreen: no display needed).
inline void EnsureGuiApp() {
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "vrxcore_tests";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *guiApp = new QGuiApplication(argc, argv);
    (void)guiApp;
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

} // namespace vrx::test
