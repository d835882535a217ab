// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/picture_box.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

#include "core/base/state.h"
#include "core/timing/pictures.h"

namespace vrx {

PictureBox::PictureBox(std::function<const QImage &()> image, QWidget *parent)
    : QWidget(parent), image_(std::move(image)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::fitToImage() {
    const QSize s = image().isNull() ? QSize(1, 1) : image().size();
    if (size() != s) resize(s);
}

QSize PictureBox::sizeHint() const {
    return image().isNull() ? QSize(1, 1) : image().size();
}

void PictureBox::paintEvent(QPaintEvent *event) {
    // Only what needs painting: the picture where it covers the region, the display background
    // beside and below it.
    QPainter p(this);
    const QImage &img = image();
    const QRegion dirty = event->region();
    const QRegion covered = dirty.intersected(img.rect());
    const QRegion beside = dirty.subtracted(img.rect());
    if (!beside.isEmpty()) {
        const QColor background = QColor::fromRgb(ToQRgb(app().colors[ColBackground]));
        for (const QRect &r : beside)
            p.fillRect(r, background);
    }
    for (const QRect &r : covered)
        p.drawImage(r.topLeft(), img, r);
}

OverviewMark::OverviewMark(Kind kind, QWidget *parent) : QWidget(parent), kind_(kind) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OverviewMark::setColor(int32_t bgr) {
    if (color_ == bgr) return;
    color_ = bgr;
    update();
}

void OverviewMark::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setPen(QColor::fromRgb(ToQRgb(color_)));
    if (kind_ == Line)
        p.drawLine(0, 0, 0, height() - 1);
    else
        p.drawRect(0, 0, width() - 1, height() - 1);
}

void PlaceOverviewMarks(OverviewMark *window, int32_t left, int32_t width, int rows,
                        std::span<OverviewMark *const> bars, std::span<const int32_t> barX) {
    const AppState &s = app();
    window->setGeometry(left, 1, std::max(width, 3), rows - 2);
    window->setColor(s.colors[ColUpScreen]);
    for (size_t k = 0; k < bars.size() && k < barX.size(); ++k) {
        bars[k]->setGeometry(barX[k], 0, 1, rows);
        bars[k]->setColor(s.colors[ColV1 + static_cast<int>(k)]);
    }
}

} // namespace vrx
