// SPDX-License-Identifier: GPL-3.0-or-later
//
// A captured picture printed as large as the page allows. The page is turned to landscape for a
// picture wider than tall and to portrait otherwise; the picture keeps its proportions and fills
// either the printable width (leaving room below) or the printable height, standing at the top
// of the page, centred across it.
#pragma once

#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QRectF>
#include <QSizeF>

namespace vrx {

// Portrait when the picture is at least as tall as it is wide.
QPageLayout::Orientation PageOrientation(const QSize &picture);

// Where a picture of `picture` size lands in a printable area of `printable` size (same
// units as the area, origin at its top left corner).
QRectF FitToPage(const QSizeF &picture, const QSizeF &printable);

// Turns the page for the picture, paints it fitted and ends the page. False when the device
// cannot be painted on (no printer, an output file that cannot be written) or reports an error
// at the end.
bool PrintPictureToFitPage(QPagedPaintDevice &printer, const QImage &picture);

} // namespace vrx
