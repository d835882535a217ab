// SPDX-License-Identifier: GPL-3.0-or-later
//
// The chooser `frmTestItem` ("Measure Item"): a check box per item for A1 and for A2, the
// stretch tested ("Screen" / "Full memory") and the levels of rise and fall ("10%-90%" /
// "20%-80%"). OK stores the choice; closing the window otherwise leaves it as it was.
#pragma once

#include <array>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "core/analysis/measure.h"
#include "core/base/events.h"

namespace vrx {

class MeasureItemsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit MeasureItemsWindow(QWidget *parent = nullptr);

    std::array<QLabel *, kMeasureItems> TsItem{};
    std::array<QCheckBox *, kMeasureItems> CheckA1{}, CheckA2{};
    std::array<QRadioButton *, 2> OptLen{}, OptRise{};
    QPushButton *CmdOk = nullptr;

  private:
    Subscription settingsApplied_;
};

} // namespace vrx
