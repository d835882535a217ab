// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window's entries of the state listing and the logic data search: "&Window" >
// "&State display" (`mnuState`, checked while the listing shows) and "&Logic" > "&Search D15-D0
// data" (`mnuSearch`). An entry that the menu tree already holds under that name is taken over
// and enabled; otherwise it is added to the menu of that title.
#include <QMenuBar>

#include "core/base/state.h"
#include "core/logic/search.h"
#include "core/logic/state_listing.h"
#include "windows/common/tool_window.h"
#include "windows/logic/search_window.h"
#include "windows/logic/state_window.h"
#include "windows/main/main_window.h"

namespace vrx {

namespace {

// The entry `name` of the main window, or a new one with `caption` at the end of the menu
// titled `menuTitle` (a new menu at the end of the bar when there is none).
QAction *MenuEntry(QMainWindow *w, const char *name, const char *menuTitle, const char *caption) {
    const QString objectName = QString::fromLatin1(name);
    if (auto *a = w->findChild<QAction *>(objectName)) {
        a->setEnabled(true);
        return a;
    }
    QMenu *menu = nullptr;
    for (QAction *top : w->menuBar()->actions())
        if (top->menu() && top->text() == QString::fromLatin1(menuTitle)) menu = top->menu();
    if (!menu) menu = w->menuBar()->addMenu(QString::fromLatin1(menuTitle));
    QAction *a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(objectName);
    return a;
}

} // namespace

void MainWindow::buildStateMenus() {
    mnuState = MenuEntry(this, "mnuState", "&Window", "&State display");
    mnuState->setCheckable(true);
    connect(mnuState, &QAction::triggered, this, &MainWindow::ShowStateListing);
    mnuSearch = MenuEntry(this, "mnuSearch", "&Logic", "&Search D15-D0 data");
    connect(mnuSearch, &QAction::triggered, this, &MainWindow::OpenSearch);
    // Applied settings open or close the listing after `StateOn`.
    stateSettings_ =
        Subscribe(Event::SettingsApplied, [this] { ShowStateListing(app().display.StateOn != 0); });
}

void MainWindow::ShowStateListing(bool on) {
    mnuState->setChecked(on);
    if (!on) {
        if (frmState_) frmState_->close();
        app().display.StateOn = 0;
        return;
    }
    if (!frmState_) {
        frmState_ = new StateWindow(this);
        connect(frmState_, &StateWindow::closed, mnuState, [this] { mnuState->setChecked(false); });
    }
    frmState().Open();
    ShowToolWindow(frmState_, this);
}

void MainWindow::OpenSearch() {
    if (!frmSearch_) frmSearch_ = new SearchWindow(this);
    frmSearch().Open();
    frmSearch_->ShowSources();
    ShowToolWindow(frmSearch_, this);
}

} // namespace vrx
