// SPDX-License-Identifier: GPL-3.0-or-later
//
// The measure box `frmMeasure` ("Measurements"): the rows of `frmMeasure()` printed on the
// display background, A1 rows in the A1 colour of the table (entry 23), then A2 rows in entry
// 24, one row every 240 twips, the window exactly as high as its rows. While it is shown it is
// measured again at every poll of the acquisition loop.
#pragma once

#include <QFont>
#include <QWidget>

#include "core/base/events.h"

namespace vrx {

class MeasureBoxWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MeasureBoxWindow(QWidget *parent = nullptr);
    ~MeasureBoxWindow() override;

    // Width of the box in twips.
    static constexpr int kWidthTwips = 1800;

  signals:
    // The box was closed (by the user or by the menu).
    void closed();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    // The height follows the rows; the title bar and borders count in it as far as they go.
    void fit();
    // Left edge of the values: 700 twips, or past the widest name.
    int valueX() const;

    QFont font_;
    int rowsListener_ = 0;
    Subscription statusPolled_, colorsChanged_;
};

} // namespace vrx
