// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/picture_box.h"

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

void PictureBox::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(ToQRgb(app().colors[ColBackground])));
    if (!image().isNull()) p.drawImage(0, 0, image());
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

} // namespace vrx
