// SPDX-License-Identifier: GPL-3.0-or-later
//
// The main window's entries of the state listing and the logic data search: "&Window" >
// "&State display" (`mnuState`, checked while the listing shows) and "&Logic" > "&Search D15-D0
// data" (`mnuSearch`), taken from the menu tree.

#include "core/base/state.h"
#include "core/logic/search.h"
#include "core/logic/state_listing.h"
#include "windows/common/tool_window.h"
#include "windows/logic/search_window.h"
#include "windows/logic/state_window.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildStateMenus() {
    mnuState = TreeEntry(QStringLiteral("mnuState"));
    mnuState->setCheckable(true);
    connect(mnuState, &QAction::triggered, this, &MainWindow::ShowStateListing);
    mnuSearch = TreeEntry(QStringLiteral("mnuSearch"));
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
