// SPDX-License-Identifier: GPL-3.0-or-later
// The timing view under real mouse, wheel and key events (grab bands and their precedence,
// drags to the record's ends, the overview's delay, the logic row move, the keyboard steps),
// probe calibration and the re-initialisation after a lost instrument.
#include <QWheelEvent>

#include "core/timing/frontpanel.h"
#include "gui_fixture.h"

namespace {

void Wheel(QWidget *w, int x, int angle, Qt::KeyboardModifiers mods) {
    QWheelEvent e(QPointF(x, 60), w->mapToGlobal(QPointF(x, 60)), {}, QPoint(0, angle),
                  Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

} // namespace

class GesturesTest : public QObject {
    Q_OBJECT
  private slots:
    // picScope: V1 before the trigger bar, the level before every bar (where the bands end is
    // the core's business), the pointer shape, screen drags stopping at the record's ends;
    // Picture2: the trigger marker dragged into the delay region, and its stop at 0 at the
    // equivalent-time rates.
    void traceAndOverviewDrags() {
        ProgramRun run(QStringLiteral("usb"));
        QWidget *scope = run.view()->picScope[0];
        AppState &s = app();
        TimingPanel &f = form1();
        f.Scrollscr.setValue(300);
        f.ScrollVbar[2].setValue(s.view.BarPos[0]); // trigger bar on V1, at pixel 150
        const int32_t v1 = s.view.BarPos[0];
        Pull(scope, 150, 60, 200, 60);
        QCOMPARE((QList<int>{s.view.BarPos[0], s.view.BarPos[2]}), (QList<int>{v1 + 50, v1}));

        // The A1 level (128) over V2: the level wins; the pointer sizes while dragging it.
        const double v2x = s.view.BarPos[1] - 300;
        const int32_t v2 = s.view.BarPos[1];
        Press(scope, v2x, 128);
        Drag(scope, v2x + 30, 100);
        QCOMPARE(scope->cursor().shape(), Qt::SizeVerCursor);
        Release(scope, v2x + 30, 100);
        QCOMPARE(scope->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE((QList<int>{s.trigger.TrigLevel[0], s.view.BarPos[1]}), (QList<int>{100, v2}));

        // The screen follows the pointer and stops at the record's ends.
        Press(scope, 400, 60);
        Drag(scope, 2400, 60);
        QCOMPARE(s.view.ScrollPos, 0);
        Drag(scope, -50, 60); // left of the picture counts as x = 0
        QCOMPARE(s.view.ScrollPos, s.screen.ScrollMax);
        Release(scope, -50, 60);

        // Overview: the trigger marker (BarPos 1024 of 2048 at x = 357) to x = 0 is the
        // longest delay; at an equivalent-time rate the same drag stops at 0.
        QWidget *overview = run.view()->Picture2;
        f.ScrollVbar[2].setValue(1024);
        Pull(overview, 357, 30, 0, 30);
        QCOMPARE(s.view.BarPos[2], -65533);
        Choose(run.view()->cmbRate, "5GSa/S");
        Pull(overview, 1, 30, 0, 30); // the marker of the longest delay
        QCOMPARE(s.view.BarPos[2], 0);
    }

    // Right button on a lane: the track marker follows, the row lands where it is released,
    // the others shift up; the left button moves the data.
    // Letter keys (the first press selects the list, the next ones step it),
    // keypad "+" over hidden tabs, the screen keys on the picture, "g", and the wheel.
    void rowMoveKeyboardAndWheel() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QWidget *scope = v->picScope[0];
        AppState &s = app();
        const int h = s.display.LogicHeight;
        Press(v->Picture1, 300, 5, Qt::RightButton);
        Drag(v->Picture1, 300, 3 * h + 5);
        QVERIFY(v->PicIndex->isVisible() && v->Frame1[0]->y() == v->Picture1->y() + 3 * h - 5);
        QVERIFY(Screenshot(v, "form1_row_move.png"));
        Release(v->Picture1, 300, 3 * h + 5, Qt::RightButton);
        QVERIFY(!v->PicIndex->isVisible());
        QCOMPARE((std::vector<int>(s.logic.Sequence.begin(), s.logic.Sequence.begin() + 5)),
                 (std::vector<int>{1, 2, 3, 0, 4}));
        QCOMPARE((QList<int>{v->Frame1[0]->y(), v->Frame1[1]->y()}),
                 (QList<int>{v->Picture1->y() + 3 * h, v->Picture1->y()}));

        const int32_t screen = s.view.ScrollPos;
        Pull(v->Picture1, 420, 5, 380, 5);
        QCOMPARE(s.view.ScrollPos, screen + 40);

        Choose(v->cmbRate, "External.Rise");
        QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(400, 60));
        QTest::keyClick(scope, Qt::Key_R);
        QCOMPARE(v->window()->focusWidget(), v->cmbRate);
        QCOMPARE(v->cmbRate->currentText(), QStringLiteral("External.Rise"));
        QTest::keyClicks(v->cmbRate, QStringLiteral("rR"));
        QCOMPARE(v->cmbRate->currentText(), QStringLiteral("External.Fall"));

        for (auto [on, selected] : {std::pair{0, ChA1}, {1, ChA2}}) {
            s.channels.ChanOn[ChA2] = int16_t(on);
            QTest::keyClick(v->cmbRate, Qt::Key_Plus, Qt::KeypadModifier);
            QCOMPARE(s.channels.SelChannel, selected);
        }

        Choose(v->cmbRate, "100MSa/S");
        QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(400, 60));
        QList<int> positions;
        for (Qt::Key k : {Qt::Key_End, Qt::Key_Left, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_Right}) {
            QTest::keyClick(scope, k);
            positions << s.view.ScrollPos;
        }
        const int end = s.screen.ScrollMax;
        QCOMPARE(positions, (QList<int>{end, end - 1, end - 51, 0, 1}));

        // Ctrl+wheel away zooms in around the pointer; the wheel towards the user scrolls on.
        form1().Scrollscr.setValue(300);
        Wheel(scope, 100, 120, Qt::ControlModifier);
        QCOMPARE(v->cmbZoom->currentText(), QStringLiteral("x2"));
        QCOMPARE(s.view.ScrollPos + 100 * s.view.TimeZoom[0], 400.0);
        Wheel(scope, 100, -120, {});
        QCOMPARE(s.view.ScrollPos, 375);

        QTest::keyClick(scope, Qt::Key_G);
        QVERIFY(run.waitRecords(1) && run.go()->isChecked());
        QTest::keyClick(scope, Qt::Key_G);
        QVERIFY(Idle() && !run.go()->isChecked());
    }

    // A calibration on A2 during acquisition: acquisition stops first, the box comes with "Go"
    // pressed and before any capture, and stopping it restores every setting it changed (A1's
    // are untouched). Then the instrument goes away while acquiring and comes back with
    // "&Initialize(Hardware)".
    void probeCalibrationAndReinit() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        AppState &s = app();
        QVERIFY(!run.w->mnuProbeCal[2]->isEnabled() && !run.w->mnuProbeCal[3]->isEnabled());
        Choose({{v->cmbDepth, "8K"}, {v->cmbRate, "20MSa/S"}});
        Choose({{v->cmbZoom, "/5"}, {v->cmbTrigCh, ".A1"}});
        QTest::mouseClick(v->lbTab[1], Qt::LeftButton);
        Choose({{v->cmbProbe, "1:1"}, {v->cmbCouple, "AC"}, {v->cmbVdiv, "1V"}});
        QTest::mouseClick(v->lbTab[0], Qt::LeftButton);
        form1().ScrollVbar[1].setValue(7000);
        const auto settings = [&s] {
            return QList<int64_t>{
                s.channels.ProbeIndex[1],  s.channels.Coupling[1],   s.channels.VdivIndex[1],
                s.channels.ChanPos[1],     s.trigger.TrigSlope[1],   s.trigger.TrigLevel[1],
                s.acquisition.RateIndex,   s.acquisition.DepthIndex, s.acquisition.ZoomIndex,
                s.acquisition.CaptureMode, s.trigger.TrigChannel,    s.channels.SelChannel,
                s.view.BarPos[1],          s.view.ScrollPos,         s.channels.VdivIndex[0],
                s.channels.ChanPos[0]};
        };
        QVERIFY(run.start("Auto.", 1));
        const QList<int64_t> before = settings();

        QStringList box;
        run.ui.onBox = [&](const ScriptedUi::Box &b) {
            box << b.caption << QString::number(run.go()->isChecked())
                << QString::number(AcquisitionActive());
        };
        run.w->mnuProbeCal[1]->trigger();
        QCOMPARE(box, (QStringList{"A2 Probe Calibrate", "1", "0"}));
        QVERIFY(run.waitRecords(2));
        QCOMPARE((QStringList{v->cmbRate->currentText(), v->cmbVdiv->currentText(),
                              QString::number(s.records.DevConfig[HW_DC_CalMode])}),
                 (QStringList{"200KSa/S", "500mV", "1"}));
        QVERIFY(Screenshot(run.w, "probe_calibration.png") && run.stop());
        QCOMPARE(settings(), before);
        QCOMPARE((QList<int>{s.records.DevConfig[HW_DC_CalMode], v->cmbDepth->currentIndex()}),
                 (QList<int>{0, 1}));

        // Gone after two records: acquisition stops and says so; with the fault cleared the
        // bring-up finds the instrument again and records come.
        qputenv("HWLINK_SIM_FAULT", "gone@2");
        run.w->mnuInitial->trigger();
        QVERIFY(run.start("Normal", 1) && Idle() && !run.go()->isChecked());
        QCOMPARE((QStringList{run.w->LabelStat[0]->text(), run.w->sbLink->text()}),
                 QStringList(2, kInstrumentLostText));
        qputenv("HWLINK_SIM_FAULT", ";");
        run.w->mnuInitial->trigger();
        QCOMPARE((QStringList{run.w->LabelStat[0]->text(), run.w->sbLink->text()}),
                 (QStringList{QString(), QStringLiteral("Usb2.0 Port be connected")}));
        QVERIFY(run.start("Normal", 3) && run.stop());
    }
};

VRX_WINDOW_TEST_MAIN(GesturesTest)
#include "gestures_test.moc"
