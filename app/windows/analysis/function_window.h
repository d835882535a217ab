// SPDX-License-Identifier: GPL-3.0-or-later
//
// The function dialog `frmFunction` ("Functions"): frame "Function" with the two sources, the
// operator and "Display Function1", frame "Clear Backup" with the memory channel to clear and
// "Clear", and "OK". Every control is bound to `frmFunction()` (core/analysis/function.h).
#pragma once

#include <array>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QWidget>

#include "core/base/events.h"

namespace vrx {

class FunctionWindow : public QWidget {
    Q_OBJECT
  public:
    explicit FunctionWindow(QWidget *parent = nullptr);

    std::array<QComboBox *, 2> cmbSource{};
    QComboBox *cmbOperate = nullptr, *cmbM2 = nullptr;
    QCheckBox *CheckFu = nullptr;
    QPushButton *cmdClear = nullptr, *Ok = nullptr;

  private:
    Subscription settingsApplied_;
};

} // namespace vrx
