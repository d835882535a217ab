// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/ui.h"

namespace vrx {

namespace {

class UnattendedUi : public Ui {
  public:
    MsgResult MessageBox(const QString &, const QString &, MsgButtons buttons) override {
        return SafeAnswer(buttons);
    }
    QString OpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString SaveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

UnattendedUi unattended;
Ui *installed = nullptr;

} // namespace

MsgResult SafeAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
    case MsgButtons::RetryCancel:
    case MsgButtons::YesNoCancel:
        return MsgResult::Cancel;
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::Ok:
        break;
    }
    return MsgResult::Ok;
}

Ui &ui() {
    return installed ? *installed : unattended;
}

void SetUi(Ui *impl) {
    installed = impl;
}

MsgResult ScriptedUi::MessageBox(const QString &text, const QString &caption, MsgButtons buttons) {
    boxes.push_back({text, caption, buttons});
    if (onBox) onBox(boxes.back());
    if (answers.empty()) return SafeAnswer(buttons);
    const MsgResult r = answers.front();
    answers.pop_front();
    return r;
}

QString ScriptedUi::OpenFileName(const QString &caption, const QString &, const QString &) {
    fileCaptions.push_back(caption);
    if (fileNames.empty()) return {};
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedUi::SaveFileName(const QString &caption, const QString &filter,
                                 const QString &dir) {
    return OpenFileName(caption, filter, dir);
}

ScopedUi::ScopedUi(Ui &impl) : previous_(installed) {
    installed = &impl;
}

ScopedUi::~ScopedUi() {
    installed = previous_;
}

} // namespace vrx
