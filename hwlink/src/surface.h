// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing primitives on the raster surface that stands where the program hands over a device
// context. They behave like the three device-context calls the drawing routines are written
// against: a pixel in a given colour, a move of the current position, and a line with the
// current pen from the current position to a point, leaving out that end point and making it
// the new current position (so consecutive lines never paint a shared vertex twice).
//
// Colours arrive as 0x00BBGGRR and are stored as the picture's 0xFFRRGGBB words. Everything
// outside the surface is clipped: no call ever writes outside width x height.
#pragma once
#include "hwlink.h"
#include <cstdint>

namespace hwlink {

constexpr uint32_t surfaceColor(uint32_t bgr) {
    return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

// A surface that can be drawn on: pixels present, a positive size and rows at least as long
// as the width. Drawing on anything else does nothing.
inline bool surfaceUsable(const hw_surface *s) {
    return s != nullptr && s->pixels != nullptr && s->width > 0 && s->height > 0 &&
           s->stride >= s->width;
}

// SetPixel / SetPixelV. The caller has checked surfaceUsable.
inline void setPixel(hw_surface *s, int32_t x, int32_t y, uint32_t bgr) {
    if (x < 0 || y < 0 || x >= s->width || y >= s->height) return;
    s->pixels[static_cast<int64_t>(y) * s->stride + x] = surfaceColor(bgr);
}

// MoveToEx.
inline void moveTo(hw_surface *s, int32_t x, int32_t y) {
    s->x = x;
    s->y = y;
}

// LineTo with the surface's pen; the end point is left out and becomes the current position.
void lineTo(hw_surface *s, int32_t x, int32_t y);

// Rows y0..y1 (inclusive, either order) of column x in a stored 0xFFRRGGBB colour, clipped.
// The drawing routines use it for a column of sample dots.
void fillColumn(hw_surface *s, int32_t x, int32_t y0, int32_t y1, uint32_t stored);

} // namespace hwlink
