// SPDX-License-Identifier: GPL-3.0-or-later
//
// The data output dialog `frmExcel` ("Data Output Option"): the range in the frame "Buffer"
// ("From", "to"), a column of formats under each channel's box ("A1", "A2", "D15-D0"), the
// progress of a running export, OK and "Abort". Every control is bound to its model in
// `frmExcel()` (core/output/data_output.h).
#pragma once

#include <array>

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace vrx {

class DataOutputWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DataOutputWindow(QWidget *parent = nullptr);

    std::array<QLineEdit *, 2> TxtAdds{};
    std::array<QCheckBox *, 3> ChkCh{};
    std::array<QCheckBox *, 5> ChkA1{}, ChkA2{};
    std::array<QCheckBox *, 4> ChkLA{};
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdAbort = nullptr;
};

} // namespace vrx
