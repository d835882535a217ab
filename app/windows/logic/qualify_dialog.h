// SPDX-License-Identifier: GPL-3.0-or-later
//
// The trigger word dialog `Qualify` ("ChD15-D0 Qualify"): in the frame "Digital Trigger" the
// options "Qualify0" .. "Qualify3", each beside its word's text box under the heading
// "D15--D0", and OK. Every control is bound to its model in `qualify()`
// (core/logic/qualify.h); the dialog opens as a tool window beside the main window.
#pragma once

#include <array>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace vrx {

class QualifyDialog : public QWidget {
    Q_OBJECT
  public:
    explicit QualifyDialog(QWidget *parent = nullptr);

    std::array<QRadioButton *, 4> optQualify{};
    std::array<QLineEdit *, 4> TextQualify{};
    QLabel *lbQualify = nullptr;
    QPushButton *cmdOk = nullptr;

  signals:
    // The dialog was closed (OK or the window's close button).
    void closed();

  protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace vrx
