// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window `frmMain`: the menu bar, the toolbar `tbToolBar` that starts and stops
// acquisition and aligns the screen to the bars, a strip with the trigger status
// `LabelStat(0..1)` and the bar readouts `lbv1v2`, `lbT_V(0..1)`, the timing view as the central
// area, and the status bar `sbStatusBar` with the link.
//
// The main window owns the timing view and the timer that runs the acquisition loop. Tool
// windows open beside it as tool windows. Closing it ends the program: acquisition stops, the
// instrument is powered off and the placement is stored.
#pragma once

#include <array>
#include <memory>

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/base/events.h"
#include "core/decode/runner.h"
#include "windows/analysis/fft_window.h"
#include "windows/logic/qualify_dialog.h"
#include "windows/main/acquisition_driver.h"
#include "windows/timing/timing_view.h"

namespace vrx {

class AboutBox;
class FunctionWindow;
class MeasureBoxWindow;
class MeasureItemsWindow;
class XYWindow;
class DataOutputWindow;
class PrintForm;
class ColorWindow;
class StateWindow;
class SearchWindow;
class DecodersWindow;
class AnnotationTableWindow;
class AnnotationRows;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    TimingView *timingView() const { return form1_; }
    AcquisitionDriver *driver() const { return driver_; }

    // Twips per pixel of the placement values in the settings store.
    static constexpr int kTwipsPerPixel = 15;
    // Reads and applies the window placement of the settings store; writes it back.
    void LoadPlacement();
    void SavePlacement() const;
    // Caption from the detection (the model name), and the link in the status bar.
    void ShowDetection();

    QToolBar *tbToolBar = nullptr;
    std::array<QAction *, 9> tbButtons{}; // [i] is button i + 1; separators stay null
    std::array<QLabel *, 2> LabelStat{};
    QLabel *lbv1v2 = nullptr;
    std::array<QLabel *, 2> lbT_V{};
    QStatusBar *sbStatusBar = nullptr;
    QLabel *sbLink = nullptr;
    // The menu bar (built in menus.cpp). Every entry is named after its control (an item array
    // `Indexed`: "mnuDispCh(0)"); the entries of windows still to come are disabled until their
    // window's menu method takes them with `TreeEntry(name)` and connects them.
    QAction *mnuFileExit = nullptr;
    // The "&Window" menu: the tool windows add their entries here.
    QMenu *mnuWindow = nullptr;
    QMenu *mnuView = nullptr;
    QMenu *mnuSetup = nullptr;
    QAction *mnuMeasureSetup = nullptr; // "&Setup" > "&Measurements": the chooser
    QAction *mnuMeasure = nullptr;      // "&Window" > "&Measure Box", checked while it shows

    // Opens (placed beside this window and measured at once) or closes the measure box; the
    // check mark follows.
    void ShowMeasureBox(bool on);
    void mnuMeasureSetup_Click();
    MeasureBoxWindow *measureBox() const { return measureBox_; }
    MeasureItemsWindow *measureItems() const { return measureItems_; }
    // "&Logic" > "&Trigger word": the trigger word dialog, checked while it is open.
    QAction *mnuLaTrigger = nullptr;
    // Opens the trigger word dialog (created on first use) with the stored words.
    void OpenQualify();
    QualifyDialog *qualifyDialog() const { return qualify_; }
    // FFT > "Normal", "Sweep(peak record)": checked while the FFT window is open in that mode.
    std::array<QAction *, 2> mnuFFTopt{};
    FftWindow *fftWindow() const { return frmFFT_; }
    // Opens the FFT window in mode 0 (Normal) or 1 (Sweep); without the FFT library only its
    // message comes.
    void mnuFFTopt_Click(int mode);
    // "&Setup" > "&Function Channel": the function dialog with the stored settings.
    QAction *mnuFunction = nullptr;
    void mnuFunction_Click();
    FunctionWindow *functionWindow() const { return function_; }
    // "&Window" > "&XY Plot": checked while the XY plot is open.
    QAction *mnuXYplot = nullptr;
    void mnuXYplot_Click(bool on);
    XYWindow *xyWindow() const { return xy_; }
    // "&Help": the help page beside the program in the desktop's browser; the About box.
    QAction *mnuHelpContents = nullptr, *mnuHelpAbout = nullptr;
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();
    AboutBox *aboutBox() const { return about_; }

    // File > "Export..." and "Import CSV..." (windows/main/export_menus.cpp).
    QAction *mnuExport = nullptr;
    QAction *mnuImportCsv = nullptr;
    void buildExportMenus();
    // The File menu's settings and data entries (file_menus.cpp); their check marks follow
    // `AutoLoad` and `LoadDataOpt`.
    void buildFileMenus();
    void syncFileMarks();
    QAction *mnuAutoLoadSetting = nullptr;
    std::array<QAction *, 3> mnuLoadData{};
    // "&Setup" > "&Calibrate" > "Probe(A&1)" .. "Probe(A&4)" and "&Initialize(Hardware)".
    std::array<QAction *, 4> mnuProbeCal{};
    QAction *mnuInitial = nullptr;
    void buildHardwareMenus();
    // Data output, printing and the colour setup (windows/output/output_menus.cpp); the menu
    // entries are found by their control names (mnuExcel, mnuFilePageSetup, mnuPrintOut(0..2),
    // mnuColorSetup).
    DataOutputWindow *dataOutputWindow = nullptr;
    PrintForm *frmPrint = nullptr;
    ColorWindow *colorWindow = nullptr;
    void buildOutputMenus();
    // Captures as chosen, asks, prints; "Printer error!" when the print fails.
    void mnuPrintOut_Click(int i);
    // The frequency counter: its "&Setup" entries and the labels `lbCount(0..1)` in the status
    // strip (windows/main/counter_menus.cpp).
    void buildCounterMenus();
    std::array<QLabel *, 2> lbCount{};
    Subscription counterColors_;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    QWidget *buildStatusStrip();
    // The whole menu bar (menus.cpp).
    void buildMenus();
    // The entry `name` of the menu tree (a control name such as "mnuState" or "mnuPrintOut(1)"),
    // enabled: the code of a feature takes its entries with this and connects them.
    QAction *TreeEntry(const QString &name);
    void buildFileMenu();
    void buildViewMenu();
    void buildSetupMenu();
    void buildBackupMenu();
    void buildWindowMenu();
    // Leaving the program: acquisition stopped, the instrument powered off, the settings saved
    // to the default file.
    void TheEnd();

    TimingView *form1_ = nullptr;
    QWidget *statusStrip_ = nullptr;
    AcquisitionDriver *driver_ = nullptr;
    QualifyDialog *qualify_ = nullptr;
    FftWindow *frmFFT_ = nullptr;
    bool ending_ = false;
    MeasureBoxWindow *measureBox_ = nullptr;
    MeasureItemsWindow *measureItems_ = nullptr;
    FunctionWindow *function_ = nullptr;
    XYWindow *xy_ = nullptr;
    AboutBox *about_ = nullptr;
    Subscription picturesChanged_, instrumentLost_;
    Subscription measureSettings_, menuSettings_;
    Subscription fileMarks_;

    // ---- The state listing and the logic data search (windows/logic/state_menus.cpp) --------
  public:
    QAction *mnuState = nullptr;  // "&Window" > "&State display", checked while it shows
    QAction *mnuSearch = nullptr; // "&Logic" > "&Search D15-D0 data"
    // Opens (beside this window, filled from the settings) or closes the state listing.
    void ShowStateListing(bool on);
    // Opens the search dialog, created on first use.
    void OpenSearch();
    StateWindow *stateWindow() const { return frmState_; }
    SearchWindow *searchWindow() const { return frmSearch_; }

  private:
    void buildStateMenus();
    StateWindow *frmState_ = nullptr;
    SearchWindow *frmSearch_ = nullptr;
    Subscription stateSettings_;

    // ---- Protocol decoding (windows/decode/decode_menus.cpp) -----------------------------------
  public:
    QAction *mnuDecoders = nullptr;    // "&Logic" > "&Decoders", checked while it shows
    QAction *mnuAnnotations = nullptr; // "&Window" > "&Annotations", checked while it shows
    void ShowDecoders(bool on);
    void ShowAnnotations(bool on);
    decode::Runner &decodeRunner() const { return *runner_; }
    DecodersWindow *decodersWindow() const { return frmDecoders_; }
    AnnotationTableWindow *annotationTable() const { return frmAnnotations_; }
    AnnotationRows *annotationRows() const { return annotationRows_; }

  private:
    // The runner, the annotation rows under the timing view (in `central`) and the menu entries.
    void buildDecodeMenus(QVBoxLayout *central);
    std::unique_ptr<decode::Runner> runner_;
    AnnotationRows *annotationRows_ = nullptr;
    DecodersWindow *frmDecoders_ = nullptr;
    AnnotationTableWindow *frmAnnotations_ = nullptr;
};

// A placement read from the settings store, in pixels, made to fit: values that are not
// numbers or not finite give the defaults, the size is at least `minimum` and at most the
// available area, and the window lies on the available area (`available` empty: no screen
// known, only the size rules apply). Values in twips, as stored.
QRect FitPlacement(const std::array<double, 4> &twips, const QSize &minimum,
                   const QRect &available);

} // namespace vrx
