// SPDX-License-Identifier: GPL-3.0-or-later
//
// The core's dialogs answered by the user: modal message boxes and file dialogs.
#pragma once

#include <functional>

#include "core/base/ui.h"

namespace vrx {

class DialogUi : public Ui {
  public:
    // True once the program is ending (a quit signal came): from then on every box takes its
    // safe answer and every file dialog is cancelled without being shown, so that no box of
    // the start-up waits for an answer nobody will give.
    std::function<bool()> ending;

    MsgResult MessageBox(const QString &text, const QString &caption, MsgButtons buttons) override;
    QString OpenFileName(const QString &caption, const QString &filter,
                         const QString &dir) override;
    QString SaveFileName(const QString &caption, const QString &filter,
                         const QString &dir) override;
};

} // namespace vrx
