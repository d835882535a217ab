// SPDX-License-Identifier: GPL-3.0-or-later
//
// A picture of the timing view on screen. The image belongs to the core (core/pictures.h); the
// widget only shows it, at its own size, over the display background.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include <QImage>
#include <QWidget>

namespace vrx {

class PictureBox : public QWidget {
    Q_OBJECT
  public:
    // `image` returns the picture to show each time the widget paints (the core may replace
    // the image when the pictures are reallocated).
    PictureBox(std::function<const QImage &()> image, QWidget *parent = nullptr);

    const QImage &image() const { return image_(); }
    // Follows the size of the picture.
    void fitToImage();
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    std::function<const QImage &()> image_;
};

// A mark drawn over the overview strip: the screen window `ImgUpscr` (an open box) or a bar
// mark `UpVbar(k)` (a vertical line).
class OverviewMark : public QWidget {
    Q_OBJECT
  public:
    enum Kind { Window, Line };
    OverviewMark(Kind kind, QWidget *parent);
    void setColor(int32_t bgr);

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    Kind kind_;
    int32_t color_ = 0xFFFFFF;
};

// Places the marks of an overview strip `rows` high: the screen window from `left`, `width`
// wide (at least 3), in the screen mark's colour, and bar k's line at barX[k] in bar k's colour.
void PlaceOverviewMarks(OverviewMark *window, int32_t left, int32_t width, int rows,
                        std::span<OverviewMark *const> bars, std::span<const int32_t> barX);

} // namespace vrx
