// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window `frmMain`: the toolbar `tbToolBar` that starts and stops acquisition and
// aligns the screen to the bars, the status labels `LabelStat(0..1)`, the bar readouts
// `lbv1v2` and `lbT_V(0..1)`, the status bar `sbStatusBar` and the "&File" menu.
//
// The main window owns the timing view (a window of its own beside it) and the timer that runs
// the acquisition loop. Closing either window ends the program: acquisition stops, the
// instrument is powered off.
#pragma once

#include <array>
#include <memory>

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>

#include "main/acquisition_driver.h"
#include "timing/timing_view.h"

namespace vrx {

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    TimingView *timingView() const { return form1_.get(); }
    AcquisitionDriver *driver() const { return driver_; }

    // Twips per pixel of the placement values in the settings store.
    static constexpr int kTwipsPerPixel = 15;
    // Reads and applies the window placement of the settings store; writes it back.
    void LoadPlacement();
    void SavePlacement() const;
    // Caption from the detection (the model name), and the link in the status bar.
    void ShowDetection();
    // Places the timing view beside the main window, within the screen.
    void PlaceTimingView();

    QToolBar *tbToolBar = nullptr;
    std::array<QAction *, 9> tbButtons{}; // [i] is button i + 1; separators stay null
    std::array<QLabel *, 2> LabelStat{};
    QLabel *lbv1v2 = nullptr;
    std::array<QLabel *, 2> lbT_V{};
    QStatusBar *sbStatusBar = nullptr;
    QLabel *sbLink = nullptr;
    QAction *mnuFileExit = nullptr;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    // Leaving the program: acquisition stopped, the instrument powered off.
    void TheEnd();

    std::unique_ptr<TimingView> form1_;
    AcquisitionDriver *driver_ = nullptr;
    bool ending_ = false;
    int picturesId_ = 0;
};

} // namespace vrx
