// SPDX-License-Identifier: GPL-3.0-or-later
//
// The File menu's settings and data entries. Each entry is taken from the menu tree when it is
// already there under its control name, otherwise created in the File menu before "E&xit"; either
// way it is enabled and connected to its handler in core/settings/file_commands.h.
#include <vector>

#include <QMenuBar>

#include "core/base/state.h"
#include "core/settings/file_commands.h"
#include "windows/common/widgets.h"
#include "windows/main/main_window.h"

namespace vrx {

namespace {

QMenu *FileMenu(QMenuBar *bar) {
    for (QAction *a : bar->actions())
        if (a->menu() && a->text() == QLatin1String("&File")) return a->menu();
    return bar->addMenu(QStringLiteral("&File"));
}

// The entry `name`, found in the tree or created in `menu` before `before`.
QAction *Entry(QWidget *owner, QMenu *menu, QAction *before, const QString &name,
               const QString &caption) {
    QAction *a = owner->findChild<QAction *>(name);
    if (!a) {
        a = new QAction(caption, menu);
        a->setObjectName(name);
        menu->insertAction(before, a);
    }
    a->setEnabled(true);
    return a;
}

// A submenu of entries `name`(0..), found by its first entry or created before `before`.
std::vector<QAction *> Entries(QWidget *owner, QMenu *menu, QAction *before, const char *name,
                               const QString &title, const QStringList &captions) {
    QMenu *sub = nullptr;
    if (!owner->findChild<QAction *>(Indexed(name, 0))) {
        sub = new QMenu(title, menu);
        menu->insertMenu(before, sub);
    }
    std::vector<QAction *> items;
    for (int i = 0; i < captions.size(); ++i)
        items.push_back(Entry(owner, sub, nullptr, Indexed(name, i), captions[i]));
    return items;
}

} // namespace

void MainWindow::buildFileMenus() {
    QMenu *file = FileMenu(menuBar());
    QAction *exit = mnuFileExit;
    auto command = [this, file, exit](const char *name, const char *caption, void (*fn)()) {
        QAction *a =
            Entry(this, file, exit, QString::fromLatin1(name), QString::fromLatin1(caption));
        connect(a, &QAction::triggered, this, [this, fn] {
            fn();
            syncFileMarks();
        });
        return a;
    };
    command("mnuLoadSetting", "&Load Settings", mnuLoadSetting_Click);
    command("mnuLoadDatas", "&Load Data(Binary)", mnuLoadDatas_Click);
    const auto options =
        Entries(this, file, exit, "mnuLoadData", QStringLiteral("Load Data &Option"),
                {QStringLiteral("Load Data(A&1)"), QStringLiteral("Load Data(A&2)"),
                 QStringLiteral("Load Data(D&0-D15)")});
    for (int i = 0; i < 3; ++i) {
        QAction *a = options[static_cast<size_t>(i)];
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, i] {
            mnuLoadData_Click(i);
            syncFileMarks();
        });
        mnuLoadData[static_cast<size_t>(i)] = a;
    }
    command("mnuSaveSetting", "Save &Settings", mnuSaveSetting_Click);
    command("mnuFileSaveAs", "Save &Data(Binary)", mnuFileSaveAs_Click);
    const auto text =
        Entries(this, file, exit, "mnuSaveTxtCh", QStringLiteral("Save Channel Data(Text)"),
                {QStringLiteral("A&1"), QStringLiteral("A&2")});
    for (int i = 0; i < 2; ++i)
        connect(text[static_cast<size_t>(i)], &QAction::triggered, this,
                [i] { mnuSaveTxtCh_Click(i); });
    command("mnuLoadDefault", "Load &Default Settings", mnuLoadDefault_Click);
    mnuAutoLoadSetting =
        command("mnuAutoLoadSetting", "&Auto Load Settings", mnuAutoLoadSetting_Click);
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
