// SPDX-License-Identifier: GPL-3.0-or-later
//
// The File menu's entries for files that other tools open: "Export..." writes the record as
// CSV, VCD or sigrok session after the file type chosen, "Import CSV..." loads a CSV of the
// program into the memory channels M1 and M2.
#include <QMenuBar>

#include "core/output/export.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildExportMenus() {
    // The File menu by its title; a rebuilt menu tree may already hold the entries.
    QMenu *file = nullptr;
    for (QAction *a : menuBar()->actions())
        if (a->menu() && a->text() == QLatin1String("&File")) file = a->menu();
    if (!file) file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction *exit = findChild<QAction *>(QStringLiteral("mnuFileExit"));
    auto entry = [&](const char *name, const QString &caption, void (*handler)()) {
        QAction *a = findChild<QAction *>(QLatin1String(name));
        if (!a) {
            a = new QAction(caption, this);
            a->setObjectName(QLatin1String(name));
            file->insertAction(file->actions().contains(exit) ? exit : nullptr, a);
        }
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, [handler] { handler(); });
        return a;
    };
    mnuExport = entry("mnuExport", QStringLiteral("Export..."), &mnuExport_Click);
    mnuImportCsv = entry("mnuImportCsv", QStringLiteral("Import CSV..."), &mnuImportCsv_Click);
}

} // namespace vrx
