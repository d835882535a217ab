// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window's entries for data output, printing and the colour setup: "&File" >
// "Transfer data to &Excel", "Page Set&up...", "&Print..." > "Print &Screen", "&Timing View",
// "&FFt"; and "&Color", taken from the menu tree and connected.
#include "core/base/ui.h"
#include "core/menus/menu_commands.h"
#include "core/startup/startup.h"
#include "core/timing/color_setup.h"
#include "core/timing/compose.h"
#include "windows/common/tool_window.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"
#include "windows/output/data_output_window.h"
#include "windows/output/print_form.h"
#include "windows/timing/color_window.h"

namespace vrx {

void MainWindow::buildOutputMenus() {
    connect(TreeEntry(QStringLiteral("mnuExcel")), &QAction::triggered, this, [this] {
        if (!dataOutputWindow) dataOutputWindow = new DataOutputWindow(this);
        ShowToolWindow(dataOutputWindow, this);
    });

    frmPrint = new PrintForm(this);
    frmPrint->setWindowFlag(Qt::Tool);
    frmPrint->hide();
    connect(TreeEntry(QStringLiteral("mnuFilePageSetup")), &QAction::triggered, frmPrint,
            &PrintForm::PageSetup);
    for (int i = 0; i < 3; ++i)
        connect(TreeEntry(Indexed("mnuPrintOut", i)), &QAction::triggered, this,
                [this, i] { mnuPrintOut_Click(i); });

    // "&Color" is a command of the menu bar itself.
    QAction *mnuColorSetup = TreeEntry(QStringLiteral("mnuColorSetup"));
    connect(mnuColorSetup, &QAction::triggered, this, [this] {
        if (!colorWindow) {
            colorWindow = new ColorWindow(this);
            // The trace and grid marks of the View menu follow the display switches.
            connect(colorWindow, &ColorWindow::applied, this,
                    [] { menuCommands().ApplyMenuSettings(); });
        }
        colorSetup().ColorInitial();
        menuCommands().ApplyMenuSettings();
        ShowToolWindow(colorWindow, this);
    });
}

void MainWindow::mnuPrintOut_Click(int i) {
    static constexpr int choices[3] = {PrintForm::WholeScreen, PrintForm::TimingWindow,
                                       PrintForm::FftWindow};
    frmPrint->PrintOption(choices[i], this, form1_,
                          frmFFT_ && frmFFT_->isVisible() ? frmFFT_ : nullptr);
    if (frmPrint->picture().isNull()) return;
    const QString text = i == 0 ? QStringLiteral("Ready to Print this Screen.")
                                : QStringLiteral("Ready to Print this Form.");
    if (ui().MessageBox(text, QStringLiteral("Print"), MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    if (!frmPrint->ChoosePrinter()) return;
    if (!frmPrint->CmdPrint_Click())
        ui().MessageBox(QStringLiteral("Printer error!"), kAppTitle, MsgButtons::Ok);
}

} // namespace vrx
