// SPDX-License-Identifier: GPL-3.0-or-later
// The FFT window as a user meets it: opened from the "&Window" menu over a live 1 MHz sine of
// the simulated instrument, its peak read with V1, a list and a level bar through the real
// widgets, closing, and the message when the FFT library is missing.
#include <algorithm>

#include <QMenu>

#include "core/analysis/fft.h"
#include "core/analysis/fft_library.h"
#include "gui_fixture.h"
#include "windows/analysis/fft_window.h"

using namespace vrx;
using namespace vrx::test;

class FftWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void liveSpectrumFromTheMenu() {
        ProgramRun run(QStringLiteral("usb"), "A1=sine,1000000,0.3,0");
        MainWindow *w = run.w.get();
        Choose(run.view()->cmbDepth, QStringLiteral("8K"));
        w->mnuFFTopt[0]->trigger();
        FftWindow *fft = w->fftWindow();
        QVERIFY(fft && fft->isVisible() && w->mnuFFTopt[0]->isChecked());
        Choose(fft->cmbPoint, QStringLiteral("8192"));
        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        QVERIFY(run.stop());

        // 1 MHz at 100MSa/S on 8192 points: bin 81.92, so the strongest is bin 82, position 164.
        const auto &buf = app().work.FftBuf;
        const auto peak = std::min_element(buf.begin(), buf.begin() + 8192) - buf.begin();
        QCOMPARE(peak, 164);
        fft->ScrollVbar[0]->setValue(164);
        QCOMPARE(fft->lbVbar[0]->text(), QStringLiteral("1.001MHz"));
        QVERIFY(Screenshot(fft, "frmFFT.png"));

        // The power spectrum's controls come and go with it; H1 dragged on the picture.
        Choose(fft->cmbGain, QStringLiteral("Magnitude"));
        QVERIFY(fft->ScrollOffset->isHidden() && fft->lbDBm->isHidden());
        Choose(fft->cmbGain, QStringLiteral("Powerspectrum"));
        QVERIFY(!fft->ScrollOffset->isHidden() && !fft->cmbVdiv->isHidden());
        const int row = app().fft.FFtHpos[0];
        QTest::mousePress(fft->Picture1, Qt::LeftButton, {}, QPoint(300, row));
        QMouseEvent move(QEvent::MouseMove, QPointF(300, row + 40), QPointF(), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(fft->Picture1, &move);
        QTest::mouseRelease(fft->Picture1, Qt::LeftButton, {}, QPoint(300, row + 40));
        QCOMPARE(fft->ScrollHbar[0]->value(), row + 40);

        fft->close();
        QVERIFY(!w->mnuFFTopt[0]->isChecked() && app().display.FftOn == 0);
    }

    // Without the library the window stays closed; the box names the file looked for, and the
    // main window carries on.
    void missingLibrary() {
        ProgramRun run(QStringLiteral("usb"));
        const QString missing = QStringLiteral("/nonexistent/libFFt.so");
        SetFFtLibraryFile(missing);
        const size_t before = run.ui.boxes.size();
        run.w->mnuFFTopt[1]->trigger();
        QCOMPARE(run.ui.boxes.size(), before + 1);
        QVERIFY2(run.ui.boxes.back().text.contains(missing), qPrintable(run.ui.boxes.back().text));
        QVERIFY(!run.w->fftWindow() || !run.w->fftWindow()->isVisible());
        QVERIFY(!run.w->mnuFFTopt[1]->isChecked());
        QVERIFY(run.start(QStringLiteral("Once")));
    }
};

VRX_WINDOW_TEST_MAIN(FftWindowTest)
#include "fftwindow_test.moc"
