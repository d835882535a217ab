// SPDX-License-Identifier: GPL-3.0-or-later
// Data output, export, printing and colour setup as a user meets them: a workbook exported and an
// export aborted from the dialog, File > "Export..." and "Import CSV..." (the file named gives
// the format, a failed export says why in a box, the exported CSV comes back as M1 and M2), a
// print into a PDF file with its confirmation and its error, the colour dialog applied to every
// open window; screenshots of the three dialogs and the imported traces.
#include <QPrinterInfo>

#include "gui_fixture.h"
#include "windows/output/data_output_window.h"
#include "windows/output/print_form.h"
#include "windows/timing/color_window.h"

class OutputTest : public QObject {
    Q_OBJECT
  private slots:
    // OK exports the range into the named workbook and opens it; "Abort" stops a 65534-row
    // export between two rows, and no workbook appears.
    void dataOutputAndColourSetup() {
        ProgramRun run(QStringLiteral("usb"));
        QTemporaryDir dir;
        QString opened;
        frmExcel().openWorkbook = [&opened](const QString &p) { opened = p; };
        Action(run.w, "mnuExcel")->trigger();
        DataOutputWindow *d = run.w->dataOutputWindow;
        QVERIFY(d && d->isVisible());
        QTest::mouseClick(d->ChkA1[1], Qt::LeftButton);
        QVERIFY(d->ChkA1[1]->isChecked() && frmExcel().ChkA1[1].checked());
        d->TxtAdds[1]->clear();
        QTest::keyClicks(d->TxtAdds[1], QStringLiteral("5000"));
        run.ui.fileNames.push_back(dir.filePath(QStringLiteral("range.xlsx")));
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QCOMPARE((QStringList{d->TxtAdds[1]->text(), opened}),
                 (QStringList{"2046", dir.filePath(QStringLiteral("range.xlsx"))}));
        QVERIFY(QFile::exists(opened) && Screenshot(d, "frmExcel.png"));

        Choose(run.view()->cmbDepth, "128K");
        frmExcel().TxtAdds[0].setText(QStringLiteral("0"));
        frmExcel().TxtAdds[1].setText(QStringLiteral("99999"));
        opened.clear();
        const QString aborted = dir.filePath(QStringLiteral("aborted.xlsx"));
        run.ui.fileNames.push_back(aborted);
        int seen = -1;
        QTimer::singleShot(20, d, [d, &seen] {
            QVERIFY(d->cmdAbort->isEnabled() && !d->cmdOk->isEnabled());
            QTest::mouseClick(d->cmdAbort, Qt::LeftButton);
            seen = d->ProgressBar1->value();
        });
        QTest::mouseClick(d->cmdOk, Qt::LeftButton);
        QCOMPARE((QList<int>{d->TxtAdds[1]->text().toInt(), d->ProgressBar1->maximum()}),
                 (QList<int>{65533, 65534}));
        QVERIFY2(seen > 0 && d->ProgressBar1->value() == seen, qPrintable(QString::number(seen)));
        QVERIFY(!QFile::exists(aborted) && opened.isEmpty() && d->cmdOk->isEnabled() &&
                !d->cmdAbort->isEnabled());

        // Then a swatch chosen for the background and OK recolour the timing view and the open
        // FFT window alike.
        run.w->mnuFFTopt[0]->trigger();
        QVERIFY(run.w->fftWindow() && run.w->fftWindow()->isVisible());
        Action(run.w, "mnuColorSetup")->trigger();
        ColorWindow *c = run.w->colorWindow;
        QVERIFY(c && c->isVisible() && Screenshot(c, "Color.png"));

        QTest::mouseClick(c->ColorSys[0], Qt::LeftButton);
        QTest::mouseClick(c->CommandColor[38], Qt::LeftButton); // (0, 0, 128)
        QCOMPARE(c->ColorSys[5]->palette().color(QPalette::Window), QColor(0, 0, 128));
        QTest::mouseClick(c->ColorOk, Qt::LeftButton);
        QVERIFY(!c->isVisible());
        for (QWidget *pic : std::initializer_list<QWidget *>{run.view()->picScope[0],
                                                             run.w->fftWindow()->Picture1}) {
            const QImage img = pic->grab().toImage();
            QVERIFY(RowsWithColor(img, Rgb(0, 0, 128)).size() > size_t(img.height() * 9 / 10));
        }
    }

    // "&Timing View" asks "Ready to Print this Form." and prints the window into the PDF file
    // named (the page itself is checked in the core's tests); Cancel prints nothing; a file that
    // cannot be written gives "Printer error!".
    void printToPdf() {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed: the print dialog would open");
        ProgramRun run(QStringLiteral("usb"));
        run.w->resize(900, 600);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("form.pdf"));
        const size_t before = run.ui.boxes.size();
        run.ui.answers = {MsgResult::Ok, MsgResult::Cancel, MsgResult::Ok};
        run.ui.fileNames = {pdf, dir.filePath(QStringLiteral("missing/form.pdf"))};
        Action(run.w, "mnuPrintOut(1)")->trigger();
        QVERIFY(run.w->frmPrint->picture().size() == run.w->size() &&
                ReadAll(pdf).startsWith("%PDF-"));
        Action(run.w, "mnuPrintOut(1)")->trigger();
        QCOMPARE(run.ui.fileCaptions.size(), size_t{1});
        Action(run.w, "mnuPrintOut(1)")->trigger();
        QStringList texts;
        for (size_t i = before; i < run.ui.boxes.size(); ++i)
            texts << run.ui.boxes[i].text;
        QCOMPARE(texts, (QStringList{"Ready to Print this Form.", "Ready to Print this Form.",
                                     "Ready to Print this Form.", "Printer error!"}));
        QVERIFY(Screenshot(run.w->frmPrint, "frmPrint.png"));
    }

    // The file named gives the format (the formats themselves are the core's tests' business);
    // a failed export says why in a box; the exported CSV comes back as M1 and M2.
    void exportAndImport() {
        ProgramRun run(QString{});
        QVERIFY(run.start("Auto.") && run.stop());
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("r.csv"));
        run.ui.fileNames = {csv, dir.filePath(QStringLiteral("gone/r.sr")), csv};
        run.w->mnuExport->trigger();
        run.w->mnuExport->trigger();
        QVERIFY(ReadAll(csv).startsWith("time_s,A1_V,A2_V,D0,"));
        // The detection box, then the failed export.
        QVERIFY(run.ui.boxes.size() == 2 && run.ui.boxes.back().text.startsWith("cannot write"));

        // The record back as reference traces.
        AppState &s = app();
        s.channels.ChanOn[DispM1] = s.channels.ChanOn[DispM2] = 0;
        run.w->mnuImportCsv->trigger();
        QVERIFY(s.channels.ChanOn[DispM1] == 1 && s.channels.ChanOn[DispM2] == 1 &&
                s.work.M1Buf != decltype(s.work.M1Buf){} && Screenshot(run.w, "import_m1m2.png"));
    }
};

VRX_WINDOW_TEST_MAIN(OutputTest)
#include "output_test.moc"
