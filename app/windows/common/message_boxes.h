// SPDX-License-Identifier: GPL-3.0-or-later
//
// The core's dialogs answered by the user: modal message boxes and file dialogs.
#pragma once

#include "core/base/ui.h"

namespace vrx {

class DialogUi : public Ui {
  public:
    MsgResult MessageBox(const QString &text, const QString &caption, MsgButtons buttons) override;
    QString OpenFileName(const QString &caption, const QString &filter,
                         const QString &dir) override;
    QString SaveFileName(const QString &caption, const QString &filter,
                         const QString &dir) override;
};

} // namespace vrx
