// SPDX-License-Identifier: GPL-3.0-or-later
//
// The File menu's entries for files that other tools open: "Export..." writes the record as
// CSV, VCD or sigrok session after the file type chosen, "Import CSV..." loads a CSV of the
// program into the memory channels M1 and M2.
#include "core/output/export.h"
#include "windows/main/main_window.h"

namespace vrx {

void MainWindow::buildExportMenus() {
    mnuExport = TreeEntry(QStringLiteral("mnuExport"));
    connect(mnuExport, &QAction::triggered, this, [] { mnuExport_Click(); });
    mnuImportCsv = TreeEntry(QStringLiteral("mnuImportCsv"));
    connect(mnuImportCsv, &QAction::triggered, this, [] { mnuImportCsv_Click(); });
}

} // namespace vrx
