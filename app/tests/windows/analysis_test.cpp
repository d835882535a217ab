// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis windows as a user meets them, over live signals of the simulated instrument: the
// FFT window from the "&Window" menu (its peak read with V1, a list and a level bar through the
// real widgets, the message when its library is missing), the measurement chooser and the
// measure box measured at every poll with its rows and its height, the function and XY windows
// and the overview strip's traces; screenshots of each.
#include <QCheckBox>
#include <QScopeGuard>

#include "core/analysis/measure.h"
#include "core/analysis/xy.h"
#include "core/settings/apply.h"
#include "gui_fixture.h"
#include "windows/analysis/function_window.h"
#include "windows/analysis/measure_box.h"
#include "windows/analysis/measure_items.h"
#include "windows/analysis/xy_window.h"

namespace {

int Px(int twips) {
    return qRound(twips / double(MainWindow::kTwipsPerPixel));
}

} // namespace

class AnalysisTest : public QObject {
    Q_OBJECT
  private slots:
    void liveSpectrumFromTheMenu() {
        ProgramRun run(QStringLiteral("usb"), "A1=sine,1000000,0.3,0");
        Choose(run.view()->cmbDepth, "8K");
        run.w->mnuFFTopt[0]->trigger();
        FftWindow *fft = run.w->fftWindow();
        QVERIFY(fft && fft->isVisible() && run.w->mnuFFTopt[0]->isChecked());
        Choose(fft->cmbPoint, "8192");
        QVERIFY(run.start("Auto.", 3) && run.stop());

        // 1 MHz at 100MSa/S on 8192 points: bin 81.92, so the strongest is bin 82, position 164.
        const auto &buf = app().work.FftBuf;
        const auto peak = std::min_element(buf.begin(), buf.begin() + 8192) - buf.begin();
        QCOMPARE(peak, 164);
        fft->ScrollVbar[0]->setValue(164);
        QVERIFY(fft->lbVbar[0]->text() == "1.001MHz" && Screenshot(fft, "frmFFT.png"));

        // The power spectrum's controls come and go with it; H1 dragged on the picture.
        Choose(fft->cmbGain, "Magnitude");
        QVERIFY(fft->ScrollOffset->isHidden() && fft->lbDBm->isHidden());
        Choose(fft->cmbGain, "Powerspectrum");
        QVERIFY(!fft->ScrollOffset->isHidden() && !fft->cmbVdiv->isHidden());
        const int row = app().fft.FFtHpos[0];
        Pull(fft->Picture1, 300, row, 300, row + 40);
        QCOMPARE(fft->ScrollHbar[0]->value(), row + 40);

        fft->close();
        QVERIFY(!run.w->mnuFFTopt[0]->isChecked() && app().display.FftOn == 0);
    }

    // Without the library the window stays closed; the box names the file looked for, and the
    // main window carries on.
    void missingLibrary() {
        ProgramRun run(QStringLiteral("usb"));
        const QString missing = QStringLiteral("/nonexistent/libFFt.so");
        SetFFtLibraryFile(missing);
        const size_t before = run.ui.boxes.size();
        run.w->mnuFFTopt[1]->trigger();
        QVERIFY2(run.ui.boxes.size() == before + 1 && run.ui.boxes.back().text.contains(missing),
                 qPrintable(run.ui.boxes.back().text));
        QVERIFY(!run.w->mnuFFTopt[1]->isChecked() && app().display.FftOn == 0 &&
                (!run.w->fftWindow() || !run.w->fftWindow()->isVisible()) && run.start("Once"));
    }

    void boxAndChooser() {
        ProgramRun run(QStringLiteral("usb"));

        // The chooser: every item ticked through its boxes, the whole record, 20 % - 80 %; OK
        // stores the choice and closes it.
        run.w->mnuMeasureSetup->trigger();
        MeasureItemsWindow *items = run.w->measureItems();
        QVERIFY(items->isVisible() && items->CheckA1[3]->isChecked()); // the stored choice
        auto tickAll = [items](bool on) {
            for (auto *boxes : {&items->CheckA1, &items->CheckA2})
                for (QCheckBox *b : *boxes)
                    if (b->isChecked() != on) QTest::mouseClick(b, Qt::LeftButton);
        };
        tickAll(true);
        QTest::mouseClick(items->OptLen[1], Qt::LeftButton);
        QTest::mouseClick(items->OptRise[1], Qt::LeftButton);
        QTest::mouseClick(items->OptRise[1], Qt::LeftButton); // stays chosen
        // Nothing stored before OK.
        QVERIFY(!items->OptLen[0]->isChecked() && items->OptRise[1]->isChecked() &&
                app().measure.TestA1[0] == 0 && Screenshot(items, "frmTestItem.png"));
        QTest::mouseClick(items->CmdOk, Qt::LeftButton);
        QCOMPARE((QList<int>{items->isVisible(), app().measure.TestA2[11],
                             app().measure.TestLenMode, app().measure.TestRise}),
                 (QList<int>{0, 1, 1, 1}));

        // The box from the menu, measured at every poll while it shows; A1 rows in entry 23,
        // then A2 rows in entry 24; as high as its 24 rows.
        run.w->mnuMeasure->trigger();
        MeasureBoxWindow *box = run.w->measureBox();
        QVERIFY(box->isVisible() && run.w->mnuMeasure->isChecked() &&
                app().display.MeasureOn == -1);
        int polls = 0, refreshed = 0;
        Subscription polled = Subscribe(Event::StatusPolled, [&polls] { ++polls; });
        const int id = frmMeasure().subscribe([&refreshed] { ++refreshed; });
        const auto unsubscribe = qScopeGuard([id] { frmMeasure().unsubscribe(id); });
        QVERIFY(run.start("Auto.", 3) && run.stop() && polls > 3 && refreshed == polls);
        QCOMPARE(box->frameGeometry().height(), Px(24 * 240 + 380));
        QTest::qWait(20); // painted
        const std::set<int> a1 = RowsWithColor(box->grab().toImage(), app().colors[ColA1]);
        const std::set<int> a2 = RowsWithColor(box->grab().toImage(), app().colors[ColA2]);
        QVERIFY(!a1.empty() && !a2.empty() && *a1.rbegin() < Px(12 * 240));
        QVERIFY(*a2.begin() >= Px(12 * 240) && *a2.rbegin() < Px(24 * 240) &&
                Screenshot(box, "frmMeasure.png"));

        // Nothing ticked: 380 twips. Closing clears the flag and the mark; applied settings
        // open the box again after the flag.
        run.w->mnuMeasureSetup->trigger();
        tickAll(false);
        QTest::mouseClick(items->CmdOk, Qt::LeftButton);
        QCOMPARE(box->frameGeometry().height(), Px(380));
        box->close();
        QVERIFY(!run.w->mnuMeasure->isChecked() && app().display.MeasureOn == 0);
        refreshed = 0;
        app().display.MeasureOn = -1;
        ApplySettings();
        QVERIFY(box->isVisible() && run.w->mnuMeasure->isChecked() && refreshed == 1);
    }

    // Two sines an octave apart: a figure of eight on the XY plot.
    void functionAndXYOverLiveSignals() {
        ProgramRun run(QStringLiteral("usb"), "A1=sine,1000000,0.2,0;A2=sine,2000000,0.2,0");
        const AppState &s = app();
        run.w->mnuFunction->trigger();
        FunctionWindow *fu = run.w->functionWindow();
        QVERIFY(fu && fu->isVisible());
        Choose({{fu->cmbSource[1], "A2"}, {fu->cmbOperate, "-"}});
        QTest::mouseClick(fu->CheckFu, Qt::LeftButton);
        QCOMPARE(s.channels.ChanOn[DispF1], int16_t{1});

        run.w->mnuXYplot->trigger();
        XYWindow *xy = run.w->xyWindow();
        QVERIFY(xy && xy->isVisible() && run.w->mnuXYplot->isChecked());
        Choose({{xy->cmbXYsrc[0], "A1"}, {xy->cmbXYsrc[1], "A2"}});
        Action(run.w, "mnuZoomview")->trigger();

        // Every record is plotted while the window shows.
        int plots = 0;
        const QImage &plot = frmXY().PicXY;
        Subscription counted = Subscribe(Event::ScreenComposed, [&] {
            plots += RowsWithColor(plot, s.colors[ColA1]).size() > 50;
        });
        QVERIFY(run.start("Auto.", 3) && run.stop() && plots >= 3);
        QVERIFY(RowsWithColor(pictures().picScope[0], s.colors[ColF1]).size() > 20 &&
                RowsWithColor(pictures().Picture2, s.colors[ColA1], kOverviewLeft).size() > 5);
        QVERIFY(Screenshot(fu, "frmFunction.png") && Screenshot(xy, "frmXY.png") &&
                Screenshot(run.w, "frmMain_overview.png"));

        // M2 on the Y axis switches M2 on; closing the plot clears its mark.
        Choose(xy->cmbXYsrc[1], "M2");
        QVERIFY(s.channels.ChanOn[DispM2] == 1 && Action(run.w, "mnuDispCh(3)")->isChecked());
        xy->close();
        QVERIFY(!run.w->mnuXYplot->isChecked() && s.display.XYOn == 0);
        QTest::mouseClick(fu->Ok, Qt::LeftButton);
        QVERIFY(!fu->isVisible());
    }
};

VRX_WINDOW_TEST_MAIN(AnalysisTest)
#include "analysis_test.moc"
