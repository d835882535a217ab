// SPDX-License-Identifier: GPL-3.0-or-later
//
// The timing view `form1`: the trace pictures, the logic picture and the overview strip on the
// right, the front panel on the left, the bar spinners and readouts between the overview strip
// and the traces. It is the central area of the main window.
//
// Every control is bound to its model in `form1()` (core/timing/frontpanel.h); the
// pictures show the images of `pictures()`. The window keeps nothing of its own beyond its
// widgets: its resize handler hands the new inner width to the front-panel logic, which runs
// the record-length rule and `ZoomPara` and reallocates the pictures.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QWidget>

#include "core/base/events.h"
#include "windows/common/bind_widgets.h"
#include "windows/common/picture_box.h"

namespace vrx {

class TimingView : public QWidget {
    Q_OBJECT
  public:
    explicit TimingView(QWidget *parent = nullptr);

    // Width of the front panel: the left edge of the pictures (`Picture2.Left`).
    static constexpr int kPanelWidth = 248;
    // Size that shows the whole view with the default trace width of 600 pixels; the view is
    // never smaller.
    static QSize DefaultSize();

    // The resize handler: the new inner width goes to the front-panel logic, which runs the
    // record-length rule and `ZoomPara` (the pictures follow the trace width).
    void Form_Resize();

    // ---- Pictures ----------------------------------------------------------------------------
    std::array<PictureBox *, 2> picScope{};
    PictureBox *Picture1 = nullptr;
    PictureBox *Picture2 = nullptr;
    OverviewMark *ImgUpscr = nullptr;
    std::array<OverviewMark *, 3> UpVbar{};

    // ---- Front panel ---------------------------------------------------------------------------
    QComboBox *cmbRate, *cmbDepth, *cmbZoom, *cmbCapture, *cmbTrigCh, *cmbSlope;
    QComboBox *cmbProbe, *cmbVdiv, *cmbCouple;
    QScrollBar *ScrollLevel, *ScrollOffset, *scrlRate, *ScrlVdiv, *scrlZoom;
    std::array<ClickLabel *, 5> lbTab{};
    QLabel *lbRate, *lbLevel, *LabelOffset, *lbProbe;
    std::array<QLabel *, 2> lbHdiv{};

    // ---- Bars --------------------------------------------------------------------------------
    std::array<QScrollBar *, 3> ScrollVbar{};
    std::array<QScrollBar *, 2> ScrollHbar{};
    QScrollBar *Scrollscr;
    std::array<QLabel *, 3> lbVbar{};
    std::array<QLabel *, 2> lbHbar{};
    QLabel *lbScr, *lbH1H2, *lbPretrig;
    ClickLabel *lbx10;

    // ---- Logic channel panel beside the lanes (index = channel) -----------------------------
    QScrollBar *ScrollCh;
    std::array<QFrame *, 16> Frame1{};
    std::array<QLineEdit *, 16> txtName{};
    std::array<QLabel *, 16> lbChnum{}, lbV0{}, lbV1{}, lbV2{}, lbTrigger{};
    std::array<QLabel *, 3> lbBarWord{};
    // The trigger label over the trigger cells: opens the trigger word dialog.
    ClickLabel *lbTrigWord = nullptr;

    // The track marker beside the logic lanes while a row is moved with the right button.
    QFrame *PicIndex = nullptr;

  signals:
    void triggerWordRequested();

  protected:
    void resizeEvent(QResizeEvent *event) override;
    // The pictures' mouse, wheel and key events and the window's keys (seen before the control
    // with the focus) go to the core's gestures.
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QWidget *buildPanel();
    QWidget *buildBarStrip();
    QWidget *buildLogicHeader();
    void buildLogicRow(int c);
    // Places the pictures and the widgets tied to them for the current picture sizes.
    void placePictures();
    void showPictures();
    // Mouse, wheel and keys (timing_input.cpp).
    void buildInput();
    bool pictureEvent(QWidget *picture, QEvent *event);
    bool keyPreview(QWidget *receiver, QKeyEvent *event);
    QWidget *widgetOf(const ControlBase &control) const;

    QWidget *panel_ = nullptr;
    QWidget *barStrip_ = nullptr;
    QWidget *logicHeader_ = nullptr;
    Subscription picturesChanged_;
    // Controls a gesture or a key may give the focus to, with their models.
    std::vector<std::pair<const ControlBase *, QWidget *>> focusable_;
    int wheelAngle_ = 0; // wheel turn not yet a whole notch
};

} // namespace vrx
