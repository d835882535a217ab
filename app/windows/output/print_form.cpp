// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/output/print_form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QScreen>
#include <QVBoxLayout>

#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/output/print_fit.h"

namespace vrx {

namespace {

// The form stands a little larger than the window it shows (200 x 400 twips).
constexpr QSize kFormMargin(200 / 15, 400 / 15);

} // namespace

PrintForm::PrintForm(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print"));
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(Picture1);
}

void PrintForm::setPicture(const QImage &img) {
    picture_ = img;
    Picture1->setPixmap(QPixmap::fromImage(img));
}

QImage PrintForm::CaptureScreen() {
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

QImage PrintForm::CaptureForm(QWidget *form) {
    return form ? form->window()->grab().toImage() : QImage();
}

QImage PrintForm::CaptureClient(QWidget *form) {
    return form ? form->grab().toImage() : QImage();
}

QImage PrintForm::CaptureActiveWindow() {
    return CaptureForm(QApplication::activeWindow());
}

void PrintForm::PrintOption(int choice, QWidget *form1, QWidget *client, QWidget *fft) {
    switch (choice) {
    case WholeScreen:
        setPicture(CaptureScreen());
        break;
    case TimingWindow:
    case FftWindow: {
        QWidget *form = choice == TimingWindow ? form1 : fft;
        if (!form) {
            setPicture({});
            return;
        }
        resize(form->window()->size() + kFormMargin);
        setPicture(CaptureForm(form));
        break;
    }
    case TimingClient:
        setPicture(CaptureClient(client));
        break;
    default:
        break;
    }
}

bool PrintForm::CmdPrint_Click() {
    return PrintPictureToFitPage(printer, picture_) && printer.printerState() != QPrinter::Error;
}

void PrintForm::PageSetup() {
    QPageSetupDialog dialog(&printer, parentWidget());
    dialog.setWindowTitle(QStringLiteral("Page Setup"));
    dialog.exec();
}

bool PrintForm::ChoosePrinter() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        QPrintDialog dialog(&printer, parentWidget());
        return dialog.exec() == QDialog::Accepted;
    }
    const QString file = ui().SaveFileName(
        QStringLiteral("Print"), QStringLiteral("PDF file (*.pdf)"), app().startup.AppDir);
    if (file.isEmpty()) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return true;
}

} // namespace vrx
