// SPDX-License-Identifier: GPL-3.0-or-later
//
// The colour setup dialog `Color` ("Color Setup"): the options `ColorSys(0..29)` in two
// columns, the palette `CommandColor(0..55)` in the frame "Color choice" (six rows of fixed
// colours, one row of user colours), the display check boxes `Check(0..7)`, "User Color",
// "Inverse" and OK. Every control is bound to its model in `colorSetup()`
// (core/timing/color_setup.h); the colour chooser is the desktop's colour dialog.
#pragma once

#include <array>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "core/base/state.h"
#include "core/timing/color_setup.h"

namespace vrx {

class ColorWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ColorWindow(QWidget *parent = nullptr);

    std::array<QRadioButton *, kColors> ColorSys{};
    std::array<QPushButton *, kSwatches> CommandColor{};
    std::array<QCheckBox *, kDisplayItems> Check{};
    QCheckBox *CheckUser = nullptr;
    QPushButton *cmdInv = nullptr;
    QPushButton *ColorOk = nullptr;

  signals:
    // OK applied the table and the display switches.
    void applied();
};

} // namespace vrx
