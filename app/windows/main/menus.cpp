// SPDX-License-Identifier: GPL-3.0-or-later
//
// The menu bar of the main window: File, View, Setup, Logic, Backup, Color, Window, Help. The
// display switches and groups, the software catch and the backup commands are bound to their
// models in `menuCommands()`; the window commands open the tool windows.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenuBar>
#include <QPointer>
#include <QUrl>

#include "core/analysis/function.h"
#include "core/analysis/xy.h"
#include "core/base/install_dirs.h"
#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/menus/menu_commands.h"
#include "core/startup/startup.h"
#include "windows/analysis/function_window.h"
#include "windows/analysis/xy_window.h"
#include "windows/common/tool_window.h"
#include "windows/common/widgets.h"
#include "windows/main/about_box.h"
#include "windows/main/main_window.h"

namespace vrx {

namespace {

QAction *Item(QMenu *menu, const QString &caption, const QString &name) {
    QAction *a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}

QAction *Bound(QMenu *menu, const QString &caption, const QString &name, CheckModel &m,
               bool checkable = true) {
    QAction *a = Item(menu, caption, name);
    BindMenuItem(a, m, checkable);
    return a;
}

// An entry whose window comes with its own code: shown disabled until that code enables it.
QAction *Pending(QMenu *menu, const QString &caption, const QString &name, bool checkable = false) {
    QAction *a = Item(menu, caption, name);
    a->setCheckable(checkable);
    a->setEnabled(false);
    return a;
}

// An item array of a submenu: item i is named `Indexed(name, i)`.
template <size_t N>
void BoundArray(QMenu *menu, const QStringList &captions, const char *name,
                std::array<CheckModel, N> &models, bool checkable = true) {
    for (size_t i = 0; i < N; ++i)
        Bound(menu, captions[static_cast<qsizetype>(i)], Indexed(name, static_cast<int>(i)),
              models[i], checkable);
}
void PendingArray(QMenu *menu, const QStringList &captions, const char *name,
                  bool checkable = false) {
    for (qsizetype i = 0; i < captions.size(); ++i)
        Pending(menu, captions[i], Indexed(name, static_cast<int>(i)), checkable);
}

} // namespace

QAction *MainWindow::TreeEntry(const QString &name) {
    QAction *a = findChild<QAction *>(name);
    if (!a) qFatal("the menu tree has no entry %s", qPrintable(name));
    a->setEnabled(true);
    return a;
}

void MainWindow::buildMenus() {
    buildFileMenu();
    buildViewMenu();
    buildSetupMenu();
    auto *logic = menuBar()->addMenu(QStringLiteral("&Logic"));
    mnuLaTrigger = Item(logic, QStringLiteral("&Trigger word"), QStringLiteral("mnuLaTrigger"));
    mnuLaTrigger->setCheckable(true);
    connect(mnuLaTrigger, &QAction::triggered, this, &MainWindow::OpenQualify);
    Pending(logic, QStringLiteral("&Search D15-D0 data"), QStringLiteral("mnuSearch"));
    Pending(logic, QStringLiteral("&Decoders"), QStringLiteral("mnuDecoders"), true);
    buildBackupMenu();
    QAction *color = menuBar()->addAction(QStringLiteral("&Color"));
    color->setObjectName(QStringLiteral("mnuColorSetup"));
    color->setEnabled(false);
    buildWindowMenu();

    auto *help = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelpContents = Item(help, QStringLiteral("&Contents"), QStringLiteral("mnuHelpContents"));
    connect(mnuHelpContents, &QAction::triggered, this, &MainWindow::mnuHelpContents_Click);
    mnuHelpAbout = Item(help, QStringLiteral("&About"), QStringLiteral("mnuHelpAbout"));
    connect(mnuHelpAbout, &QAction::triggered, this, &MainWindow::mnuHelpAbout_Click);

    // The entries of the File menu's settings and data commands, probe calibration and
    // "&Initialize(Hardware)" are enabled and connected by their own code.
    buildFileMenus();
    buildHardwareMenus();
    buildStateMenus();

    // The marks follow applied settings; the status bar and the trigger word follow theirs.
    MenuCommands &m = menuCommands();
    QPointer<MainWindow> self(this);
    const int id = m.mnuViewStatusBar.subscribe([self] {
        if (self && self->sbStatusBar) self->sbStatusBar->setVisible(app().display.StatusBarOn);
    });
    connect(this, &QObject::destroyed, [id] { menuCommands().mnuViewStatusBar.unsubscribe(id); });
    menuSettings_ = Subscribe(Event::SettingsApplied, [] { menuCommands().ApplyMenuSettings(); });
    // The toolbar's "Hbar" and the timing view switch flags of the View menu too.
    connect(mnuView, &QMenu::aboutToShow, this, [] { menuCommands().ApplyMenuSettings(); });
}

void MainWindow::buildFileMenu() {
    auto *file = menuBar()->addMenu(QStringLiteral("&File"));
    Pending(file, QStringLiteral("&Load Settings"), QStringLiteral("mnuLoadSetting"));
    Pending(file, QStringLiteral("&Load Data(Binary)"), QStringLiteral("mnuLoadDatas"));
    PendingArray(file->addMenu(QStringLiteral("Load Data &Option")),
                 {"Load Data(A&1)", "Load Data(A&2)", "Load Data(D&0-D15)"}, "mnuLoadData");
    file->addSeparator();
    Pending(file, QStringLiteral("Save &Settings"), QStringLiteral("mnuSaveSetting"));
    Pending(file, QStringLiteral("Save &Data(Binary)"), QStringLiteral("mnuFileSaveAs"));
    PendingArray(file->addMenu(QStringLiteral("Save Channel Data(Text)")), {"A&1", "A&2"},
                 "mnuSaveTxtCh");
    Pending(file, QStringLiteral("Transfer data to &Excel"), QStringLiteral("mnuExcel"));
    file->addSeparator();
    Pending(file, QStringLiteral("Load &Default Settings"), QStringLiteral("mnuLoadDefault"));
    Pending(file, QStringLiteral("&Auto Load Settings"), QStringLiteral("mnuAutoLoadSetting"),
            true);
    file->addSeparator();
    Pending(file, QStringLiteral("Page Set&up..."), QStringLiteral("mnuFilePageSetup"));
    PendingArray(file->addMenu(QStringLiteral("&Print...")),
                 {"Print &Screen", "&Timing View", "&FFt"}, "mnuPrintOut");
    Pending(file, QStringLiteral("Export..."), QStringLiteral("mnuExport"));
    Pending(file, QStringLiteral("Import CSV..."), QStringLiteral("mnuImportCsv"));
    file->addSeparator();
    mnuFileExit = Item(file, QStringLiteral("E&xit"), QStringLiteral("mnuFileExit"));
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::buildViewMenu() {
    MenuCommands &m = menuCommands();
    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    Bound(mnuView, QStringLiteral("Status &Bar"), QStringLiteral("mnuViewStatusBar"),
          m.mnuViewStatusBar);
    BoundArray(mnuView->addMenu(QStringLiteral("&Channel Display")),
               {"Display A&1", "Display A&2", "Display M1", "Display M2", "Display F1",
                "Display F2", "Display D&0-D15"},
               "mnuDispCh", m.mnuDispCh);
    BoundArray(mnuView->addMenu(QStringLiteral("Logic Ch Height")), {"20", "24", "28", "32"},
               "mnuChHigh", m.mnuChHigh);
    BoundArray(mnuView->addMenu(QStringLiteral("Time or &Samples")),
               {"Display Time", "Dispay Samples"}, "mnuDispunit", m.mnuDispunit);
    mnuView->addSeparator();
    Bound(mnuView, QStringLiteral("&Grid display"), QStringLiteral("mnuGrid"), m.mnuGrid);
    Bound(mnuView, QStringLiteral("&Hbar on/off"), QStringLiteral("mnuHbarOn"), m.mnuHbarOn);
    Bound(mnuView, QStringLiteral("&Dots connect"), QStringLiteral("mnuLine"), m.mnuLine);
    Bound(mnuView, QStringLiteral("&Zoom view"), QStringLiteral("mnuZoomview"), m.mnuZoomview);
    Bound(mnuView, QStringLiteral("&Persistance"), QStringLiteral("mnuPersist"), m.mnuPersist);
    Bound(mnuView, QStringLiteral("&Refresh screen"), QStringLiteral("mnuRefresh"), m.mnuRefresh,
          false);
    mnuView->addSeparator();
    BoundArray(mnuView->addMenu(QStringLiteral("&Zoom Align from...")),
               {"V&1 Bar", "V&2 Bar", "&Trigger Bar", "Screen(&Center)", "&Auto. align"},
               "mnuZoomby", m.mnuZoomby);
}

void MainWindow::buildSetupMenu() {
    MenuCommands &m = menuCommands();
    mnuSetup = menuBar()->addMenu(QStringLiteral("&Setup"));
    PendingArray(mnuSetup->addMenu(QStringLiteral("&Calibrate")),
                 {"Probe(A&1)", "Probe(A&2)", "Probe(A&3)", "Probe(A&4)"}, "mnuProbeCal");
    PendingArray(mnuSetup->addMenu(QStringLiteral("Frequency Counter")),
                 {"Channel A&1", "Channel A&2"}, "mnuCount", true);
    PendingArray(mnuSetup->addMenu(QStringLiteral("Counter resolution")),
                 {"&5 Digital resolution (128k)", "&6 Digital resolution (128k)",
                  "&7 Digital resolution (128k)"},
                 "mnuCountRes", true);
    PendingArray(mnuSetup->addMenu(QStringLiteral("Counter offset")),
                 {"+50ppm", "+40ppm", "+30ppm", "+20ppm", "+10ppm", "+0 ppm", "-10ppm", "-20ppm",
                  "-30ppm", "-40ppm", "-50ppm"},
                 "mnuCountppm", true);
    QMenu *catchMenu = mnuSetup->addMenu(QStringLiteral("Software Catch"));
    Bound(catchMenu, QStringLiteral("Enable Software catch"), QStringLiteral("mnuCatch50"),
          m.mnuCatch50);
    catchMenu->addSeparator();
    BoundArray(catchMenu, {"200 Sa/s max. for Fast PC", "100 Sa/s max.", "50 Sa/s max."},
               "mnuRate27", m.mnuRate27);
    mnuSetup->addSeparator();
    mnuFunction =
        Item(mnuSetup, QStringLiteral("&Function Channel"), QStringLiteral("mnuFunction"));
    connect(mnuFunction, &QAction::triggered, this, &MainWindow::mnuFunction_Click);
    mnuMeasureSetup =
        Item(mnuSetup, QStringLiteral("&Measurements"), QStringLiteral("mnuMeasureSetup"));
    connect(mnuMeasureSetup, &QAction::triggered, this, &MainWindow::mnuMeasureSetup_Click);
    mnuSetup->addSeparator();
    Pending(mnuSetup, QStringLiteral("&Initialize(Hardware)"), QStringLiteral("mnuInitial"));
}

void MainWindow::buildBackupMenu() {
    MenuCommands &m = menuCommands();
    auto *backup = menuBar()->addMenu(QStringLiteral("&Backup"));
    BoundArray(backup, {"Copy A1 to M1", "Copy A1 to M2", "Copy A2 to M1", "Copy A2 to M2"},
               "mnuBackup", m.mnuBackup, false);
    backup->addSeparator();
    BoundArray(backup,
               {"Clear A1 buffer", "Clear A2 buffer", "Clear LA buffer", "Clear buffer all"},
               "mnuClearBuf", m.mnuClearBuf, false);
}

void MainWindow::buildWindowMenu() {
    mnuWindow = menuBar()->addMenu(QStringLiteral("&Window"));
    mnuMeasure = Item(mnuWindow, QStringLiteral("&Measure Box"), QStringLiteral("mnuMeasure"));
    mnuMeasure->setCheckable(true);
    connect(mnuMeasure, &QAction::triggered, this, &MainWindow::ShowMeasureBox);
    // Applied settings open or close the box after `MeasureOn`.
    measureSettings_ =
        Subscribe(Event::SettingsApplied, [this] { ShowMeasureBox(app().display.MeasureOn != 0); });
    QMenu *fft = mnuWindow->addMenu(QStringLiteral("FFT"));
    for (int mode = 0; mode < 2; ++mode) {
        QAction *a =
            Item(fft, mode == 0 ? QStringLiteral("Normal") : QStringLiteral("Sweep(peak record)"),
                 Indexed("mnuFFTopt", mode));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, mode] { mnuFFTopt_Click(mode); });
        mnuFFTopt[static_cast<size_t>(mode)] = a;
    }
    mnuXYplot = Item(mnuWindow, QStringLiteral("&XY Plot"), QStringLiteral("mnuXYplot"));
    mnuXYplot->setCheckable(true);
    connect(mnuXYplot, &QAction::triggered, this, &MainWindow::mnuXYplot_Click);
    Pending(mnuWindow, QStringLiteral("&State display"), QStringLiteral("mnuState"), true);
    Pending(mnuWindow, QStringLiteral("&Annotations"), QStringLiteral("mnuAnnotations"), true);
}

void MainWindow::mnuFunction_Click() {
    if (!function_) function_ = new FunctionWindow(this);
    frmFunction().Form_Load();
    ShowToolWindow(function_, this);
}

void MainWindow::mnuXYplot_Click(bool on) {
    mnuXYplot->setChecked(on);
    app().display.XYOn = on ? -1 : 0;
    if (!on) {
        if (xy_) xy_->close();
        return;
    }
    ToolWindowOnce(xy_, this, mnuXYplot, app().display.XYOn);
    frmXY().Form_Load();
    frmXY().XYplot();
    ShowToolWindow(xy_, this);
}

void MainWindow::mnuHelpContents_Click() {
    // Beside the program in the build folder, in the data folder when installed.
    const QStringList pages =
        ProgramDataFiles(QCoreApplication::applicationDirPath(), QStringLiteral("vrxhelp.htm"));
    const QString page = FirstExistingFile(pages);
    if (page.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        ui().MessageBox(QStringLiteral("The help page ") +
                            (page.isEmpty() ? pages.join(QStringLiteral(" or ")) : page) +
                            QStringLiteral(" could not be opened."),
                        kAppTitle, MsgButtons::Ok);
}

void MainWindow::mnuHelpAbout_Click() {
    if (!about_) about_ = new AboutBox(this);
    about_->show();
    about_->raise();
}

} // namespace vrx
