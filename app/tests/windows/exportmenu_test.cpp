// SPDX-License-Identifier: GPL-3.0-or-later
// File > "Export..." and "Import CSV..." as a user meets them: the file named gives the format
// (the formats themselves are the core's tests' business), a failed export says why in a box,
// the exported CSV comes back as M1 and M2 on the timing view (screenshot).
#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

class ExportMenuTest : public QObject {
    Q_OBJECT
  private slots:
    void exportAndImport() {
        ProgramRun run(QString{});
        QVERIFY(run.start(QStringLiteral("Auto.")));
        QVERIFY(run.stop());
        MainWindow *w = run.w.get();
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("r.csv"));
        run.ui.fileNames = {csv, dir.filePath(QStringLiteral("gone/r.sr")), csv};
        w->mnuExport->trigger();
        w->mnuExport->trigger();
        QVERIFY(ReadAll(csv).startsWith("time_s,A1_V,A2_V,D0,"));
        QCOMPARE(run.ui.boxes.size(), size_t{2}); // the detection box, then the failed export
        QVERIFY(run.ui.boxes.back().text.startsWith(QStringLiteral("cannot write")));

        // The record back as reference traces.
        AppState &s = app();
        s.channels.ChanOn[DispM1] = s.channels.ChanOn[DispM2] = 0;
        w->mnuImportCsv->trigger();
        QVERIFY(s.channels.ChanOn[DispM1] == 1 && s.channels.ChanOn[DispM2] == 1);
        QVERIFY(s.work.M1Buf != decltype(s.work.M1Buf){});
        QVERIFY(Screenshot(w, "import_m1m2.png"));
    }
};

VRX_WINDOW_TEST_MAIN(ExportMenuTest)
#include "exportmenu_test.moc"
