// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/output/print_fit.h"

#include <QPainter>

namespace vrx {

QPageLayout::Orientation PageOrientation(const QSize &picture) {
    return picture.height() >= picture.width() ? QPageLayout::Portrait : QPageLayout::Landscape;
}

QRectF FitToPage(const QSizeF &picture, const QSizeF &printable) {
    if (picture.isEmpty() || printable.isEmpty()) return {};
    const double aspect = picture.width() / picture.height();
    QSizeF size;
    if (aspect >= printable.width() / printable.height())
        size = QSizeF(printable.width(), printable.width() / aspect);
    else
        size = QSizeF(printable.height() * aspect, printable.height());
    return QRectF(QPointF((printable.width() - size.width()) / 2, 0), size);
}

bool PrintPictureToFitPage(QPagedPaintDevice &printer, const QImage &picture) {
    if (picture.isNull()) return false;
    printer.setPageOrientation(PageOrientation(picture.size()));
    QPainter p;
    if (!p.begin(&printer)) return false;
    // The painter's device units cover the printable area of the page.
    p.drawImage(FitToPage(picture.size(), QSizeF(printer.width(), printer.height())), picture);
    return p.end();
}

} // namespace vrx
