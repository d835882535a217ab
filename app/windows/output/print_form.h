// SPDX-License-Identifier: GPL-3.0-or-later
//
// The print form `frmPrint` ("Print"): what is printed is a captured picture, held in
// `Picture1` — the whole screen, the timing view's window, the FFT window or the timing view's
// client area — printed as large as the page allows (core/output/print_fit.h). The form keeps
// the printer with its page set-up for the run; a print goes to a printer or into a PDF file.
#pragma once

#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QWidget>

namespace vrx {

class PrintForm : public QWidget {
    Q_OBJECT
  public:
    explicit PrintForm(QWidget *parent = nullptr);

    // Capture choices of `PrintOption`.
    enum Choice { WholeScreen = 0, TimingWindow = 1, FftWindow = 2, TimingClient = 3 };

    QLabel *Picture1 = nullptr;
    QPrinter printer{QPrinter::HighResolution};

    const QImage &picture() const { return picture_; }
    // Captures as chosen into Picture1; `form1` is the timing view's window and `client` its
    // client area, `fft` the FFT window (null when it is not open: nothing is captured).
    void PrintOption(int choice, QWidget *form1, QWidget *client, QWidget *fft);
    // Prints Picture1 fitted to the page and ends the job; false when anything failed.
    bool CmdPrint_Click();

    static QImage CaptureScreen();
    static QImage CaptureForm(QWidget *form);
    static QImage CaptureClient(QWidget *form);
    static QImage CaptureActiveWindow();

    // The printer set-up dialog "Page Setup".
    void PageSetup();
    // Where the print goes: the print dialog (which offers a PDF file as well) when the system
    // knows a printer, otherwise a PDF file named in the file dialog. False when cancelled.
    bool ChoosePrinter();

  private:
    void setPicture(const QImage &img);
    QImage picture_;
};

} // namespace vrx
