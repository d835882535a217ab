// SPDX-License-Identifier: GPL-3.0-or-later
//
// The FFT window `frmFFT`: the lists (source, dB/div, gain type, window, points, zoom) over the
// spectrum picture `Picture1` with the dB offset bar `ScrollOffset` and its "0 dBmV" mark on
// the left, the frequency scale and the screen scroller `Scrollscr` below it, and at the
// bottom the overview strip `Picture2` with the bar spinners and readouts.
//
// Every control is bound to its model in `frmFFT()` (core/analysis/fft.h), the pictures show
// its images, and the mouse on both pictures goes to its procedures. The window follows the
// core's events while it lives; the core decides whether the window is open.
#pragma once

#include <array>

#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QWidget>

#include "core/base/events.h"
#include "windows/common/picture_box.h"

namespace vrx {

class FftWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FftWindow(QWidget *parent = nullptr);

    QComboBox *cmbSource, *cmbVdiv, *cmbGain, *cmbWindow, *cmbPoint, *cmbZoom;
    QScrollBar *ScrollOffset, *Scrollscr;
    std::array<QScrollBar *, 2> ScrollVbar{}, ScrollHbar{};
    PictureBox *Picture1, *Picture2;
    OverviewMark *ImgUpscr;
    std::array<OverviewMark *, 2> UpVbar{};
    QLabel *lbDBm, *lbScr;
    std::array<QLabel *, 2> lbVbar{};
    std::array<QLabel *, 3> lbHbar{}, lbTdiv{};

  signals:
    // The user closed the window (the menu clears its check marks).
    void closed();

  protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QWidget *buildLists();
    QWidget *buildDisplay();
    QWidget *buildBars();
    void showPictures();

    Subscription screenComposed_, depthChanged_, timebaseChanged_, colorsChanged_, settingsApplied_,
        picturesChanged_;
};

} // namespace vrx
