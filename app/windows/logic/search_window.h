// SPDX-License-Identifier: GPL-3.0-or-later
//
// The logic data search `frmSearch` ("Search data"): in the frame "Search data" the pattern
// `TextSearch` under "Search by" / "D15--D0", the bar options "V1bar" / "V2bar" and the buttons
// "Forward" / "Backward"; beside it the sources `OptData(0..6)` (the four trigger words, "V1bar
// data", "V2bar data", "Trigger bar data") and "=>", which copies the chosen one into the
// pattern. Every control is bound to its model in `frmSearch()` (core/logic/search.h).
#pragma once

#include <array>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace vrx {

class SearchWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SearchWindow(QWidget *parent = nullptr);

    // The trigger words as the captions of the first four sources.
    void ShowSources();

    QLineEdit *TextSearch = nullptr;
    std::array<QRadioButton *, 2> optVbar{};
    std::array<QPushButton *, 2> cmdSearch{};
    std::array<QRadioButton *, 7> OptData{};
    QPushButton *cmdTrans = nullptr;
};

} // namespace vrx
