// SPDX-License-Identifier: GPL-3.0-or-later
//
// The File menu's settings and data entries, taken from the menu tree and connected to their
// handlers in core/settings/file_commands.h.
#include "core/base/state.h"
#include "core/settings/file_commands.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildFileMenus() {
    auto command = [this](const char *name, void (*fn)()) {
        QAction *a = TreeEntry(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, fn] {
            fn();
            syncFileMarks();
        });
        return a;
    };
    command("mnuLoadSetting", mnuLoadSetting_Click);
    command("mnuLoadDatas", mnuLoadDatas_Click);
    for (int i = 0; i < 3; ++i) {
        QAction *a = TreeEntry(Indexed("mnuLoadData", i));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, i] {
            mnuLoadData_Click(i);
            syncFileMarks();
        });
        mnuLoadData[static_cast<size_t>(i)] = a;
    }
    command("mnuSaveSetting", mnuSaveSetting_Click);
    command("mnuFileSaveAs", mnuFileSaveAs_Click);
    for (int i = 0; i < 2; ++i)
        connect(TreeEntry(Indexed("mnuSaveTxtCh", i)), &QAction::triggered, this,
                [i] { mnuSaveTxtCh_Click(i); });
    command("mnuLoadDefault", mnuLoadDefault_Click);
    mnuAutoLoadSetting = command("mnuAutoLoadSetting", mnuAutoLoadSetting_Click);
    mnuAutoLoadSetting->setCheckable(true);
    fileMarks_ = Subscribe(Event::SettingsApplied, [this] { syncFileMarks(); });
    syncFileMarks();
}

void MainWindow::syncFileMarks() {
    const DisplaySettings &d = app().display;
    mnuAutoLoadSetting->setChecked(d.AutoLoad != 0);
    for (size_t i = 0; i < 3; ++i)
        mnuLoadData[i]->setChecked(d.LoadDataOpt[i] != 0);
}

} // namespace vrx
