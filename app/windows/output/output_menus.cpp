// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window's entries for data output, printing and the colour setup: "&File" >
// "Transfer data to &Excel", "Page Set&up...", "&Print..." > "Print &Screen", "&Timing View",
// "&FFt"; and "&Color". An entry already in the menu tree under its control name is taken as it
// is (enabled and connected); a missing one is made in its menu.
#include <QMenuBar>

#include "core/base/ui.h"
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

namespace {

// The menu of the menu bar with this title; made at the end when there is none.
QMenu *TopMenu(QMenuBar *bar, const QString &title) {
    for (QAction *a : bar->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return bar->addMenu(title);
}

// The entry `name`: found anywhere in the window, or made in `menu` before `before` (at the
// end when null). Either way enabled.
QAction *Entry(QMainWindow *w, const QString &name, QMenu *menu, const QString &caption,
               QAction *before = nullptr) {
    QAction *a = w->findChild<QAction *>(name);
    if (!a) {
        a = new QAction(caption, menu);
        a->setObjectName(name);
        menu->insertAction(before, a);
    }
    a->setEnabled(true);
    return a;
}

} // namespace

void MainWindow::buildOutputMenus() {
    QMenu *file = TopMenu(menuBar(), QStringLiteral("&File"));
    // Before "E&xit" and the separator above it, when they are there.
    QAction *exit = findChild<QAction *>(QStringLiteral("mnuFileExit"));
    if (exit && !file->actions().contains(exit)) exit = nullptr;

    QAction *mnuExcel = Entry(this, QStringLiteral("mnuExcel"), file,
                              QStringLiteral("Transfer data to &Excel"), exit);
    connect(mnuExcel, &QAction::triggered, this, [this] {
        if (!dataOutputWindow) dataOutputWindow = new DataOutputWindow(this);
        ShowToolWindow(dataOutputWindow, this);
    });

    frmPrint = new PrintForm(this);
    frmPrint->setWindowFlag(Qt::Tool);
    frmPrint->hide();
    QAction *mnuFilePageSetup = Entry(this, QStringLiteral("mnuFilePageSetup"), file,
                                      QStringLiteral("Page Set&up..."), exit);
    connect(mnuFilePageSetup, &QAction::triggered, frmPrint, &PrintForm::PageSetup);

    QMenu *print = nullptr;
    static const char *const printCaptions[3] = {"Print &Screen", "&Timing View", "&FFt"};
    for (int i = 0; i < 3; ++i) {
        const QString name = Indexed("mnuPrintOut", i);
        QAction *a = findChild<QAction *>(name);
        if (!a) {
            if (!print) {
                print = new QMenu(QStringLiteral("&Print..."), file);
                file->insertMenu(exit, print);
            }
            a = Entry(this, name, print, QString::fromLatin1(printCaptions[i]));
        }
        a->setEnabled(true);
        // The submenu that holds it is enabled with it.
        for (QObject *o : a->associatedObjects())
            if (auto *m = qobject_cast<QMenu *>(o)) m->menuAction()->setEnabled(true);
        connect(a, &QAction::triggered, this, [this, i] { mnuPrintOut_Click(i); });
    }

    // "&Color" is a command of the menu bar itself, before "&Window".
    QAction *mnuColorSetup = findChild<QAction *>(QStringLiteral("mnuColorSetup"));
    if (!mnuColorSetup) {
        mnuColorSetup = new QAction(QStringLiteral("&Color"), menuBar());
        mnuColorSetup->setObjectName(QStringLiteral("mnuColorSetup"));
        QAction *window = mnuWindow ? mnuWindow->menuAction() : nullptr;
        menuBar()->insertAction(window, mnuColorSetup);
    }
    mnuColorSetup->setEnabled(true);
    connect(mnuColorSetup, &QAction::triggered, this, [this] {
        if (!colorWindow) {
            colorWindow = new ColorWindow(this);
            connect(colorWindow, &ColorWindow::applied, this, &MainWindow::ShowDisplayMarks);
        }
        colorSetup().ColorInitial();
        ShowDisplayMarks();
        ShowToolWindow(colorWindow, this);
    });
}

void MainWindow::ShowDisplayMarks() {
    const auto &on = app().channels.ChanOn;
    for (int i = 0; i < 7; ++i)
        if (QAction *a = findChild<QAction *>(Indexed("mnuDispCh", i)))
            a->setChecked(on[static_cast<size_t>(i)] == 1);
    if (QAction *a = findChild<QAction *>(QStringLiteral("mnuGrid")))
        a->setChecked(on[DispGrid] == 1);
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
