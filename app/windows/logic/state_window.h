// SPDX-License-Identifier: GPL-3.0-or-later
//
// The state listing `frmState` ("State display"): at the top the arrangement `cmbArrange`, the
// button "Mnemonic" and the key help; over each bus column its format `cmbState(b)` and its name
// `txtBus(b)`, whose left edges are the columns' edges; "Position" over the sample numbers and
// "State code" over the mnemonics; the listing `Picture1`; beside it the frame "Mnemonic setup"
// with the sixteen entries (enable, pattern, text) while it is shown.
//
// Every control is bound to its model in `frmState()` (core/logic/state_listing.h), the picture
// shows its image, and keys and left-button drags on the listing go to its procedures.
#pragma once

#include <array>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "core/base/events.h"
#include "windows/common/picture_box.h"

namespace vrx {

class StateWindow : public QWidget {
    Q_OBJECT
  public:
    explicit StateWindow(QWidget *parent = nullptr);
    ~StateWindow() override;

    QComboBox *cmbArrange = nullptr;
    std::array<QComboBox *, 3> cmbState{};
    std::array<QLineEdit *, 3> txtBus{};
    QLabel *lbPosition = nullptr, *Label1 = nullptr;
    QPushButton *cmdMnemonic = nullptr;
    PictureBox *Picture1 = nullptr;
    QGroupBox *fmMnemonic = nullptr;
    std::array<QCheckBox *, 16> chkCode{};
    std::array<QLineEdit *, 16> txtCode{}, txtMnem{};

  signals:
    // The user closed the window (the menu clears its check mark).
    void closed();

  protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    QWidget *buildColumns();
    QGroupBox *buildMnemonics();

    int frameFollow_ = 0; // subscription to the frame's visibility
    Subscription tracesDrawn_, picturesChanged_;
};

} // namespace vrx
