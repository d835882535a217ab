// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/message_boxes.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace vrx {

namespace {

QMessageBox::StandardButtons Buttons(MsgButtons b) {
    switch (b) {
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MsgResult Result(int button, MsgButtons offered) {
    switch (button) {
    case QMessageBox::Ok:
        return MsgResult::Ok;
    case QMessageBox::Retry:
        return MsgResult::Retry;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        // Closed by the window manager or Escape without a cancel button.
        return SafeAnswer(offered);
    }
}

} // namespace

MsgResult DialogUi::MessageBox(const QString &text, const QString &caption, MsgButtons buttons) {
    if (ending && ending()) return SafeAnswer(buttons);
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    // The texts break lines the instrument's way, CR LF; a lone LF is a blank line.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    box.setStandardButtons(Buttons(buttons));
    if (buttons == MsgButtons::RetryCancel) box.setDefaultButton(QMessageBox::Retry);
    return Result(box.exec(), buttons);
}

QString DialogUi::OpenFileName(const QString &caption, const QString &filter, const QString &dir) {
    if (ending && ending()) return {};
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, dir, filter);
}

QString DialogUi::SaveFileName(const QString &caption, const QString &filter, const QString &dir) {
    if (ending && ending()) return {};
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, dir, filter);
}

} // namespace vrx
