// SPDX-License-Identifier: GPL-3.0-or-later
//
// The dialogs the core asks for. The program installs an implementation with real message boxes
// and file dialogs (`SetUi`); tests install a `ScriptedUi` that answers from a script and records
// what was asked. Without an installed implementation the core runs unattended: message boxes
// take their safe answer (Cancel where offered, else OK) and file dialogs are cancelled.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QString>

namespace vrx {

// Caption of the program's own message boxes.
inline const QString kAppTitle = QStringLiteral("VRX-73604");

enum class MsgButtons { Ok, OkCancel, RetryCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Retry, Yes, No };

class Ui {
  public:
    virtual ~Ui() = default;
    // A modal message box with the given buttons; returns the button chosen.
    virtual MsgResult MessageBox(const QString &text, const QString &caption,
                                 MsgButtons buttons) = 0;
    // File dialogs; an empty result means the dialog was cancelled. `filter` is in the
    // "Description (*.ext)" form, several joined by ";;".
    virtual QString OpenFileName(const QString &caption, const QString &filter,
                                 const QString &dir) = 0;
    virtual QString SaveFileName(const QString &caption, const QString &filter,
                                 const QString &dir) = 0;
};

// The answer an unattended run gives to a box with these buttons.
MsgResult SafeAnswer(MsgButtons buttons);

// The installed implementation (or the unattended one). `SetUi(nullptr)` uninstalls.
Ui &ui();
void SetUi(Ui *impl);

// Answers from a script, in order; records every request. A box asked for beyond the script
// gets the safe answer, a file dialog beyond it is cancelled.
class ScriptedUi : public Ui {
  public:
    struct Box {
        QString text, caption;
        MsgButtons buttons;
    };

    std::deque<MsgResult> answers;
    std::deque<QString> fileNames;
    std::vector<Box> boxes;
    std::vector<QString> fileCaptions;
    // Called with each box before it is answered (a test may change the world in between).
    std::function<void(const Box &)> onBox;

    MsgResult MessageBox(const QString &text, const QString &caption, MsgButtons buttons) override;
    QString OpenFileName(const QString &caption, const QString &filter,
                         const QString &dir) override;
    QString SaveFileName(const QString &caption, const QString &filter,
                         const QString &dir) override;
};

// Installs a ui for the lifetime of a scope (tests), restoring the previous one after it.
class ScopedUi {
  public:
    explicit ScopedUi(Ui &impl);
    ~ScopedUi();
    ScopedUi(const ScopedUi &) = delete;
    ScopedUi &operator=(const ScopedUi &) = delete;

  private:
    Ui *previous_;
};

} // namespace vrx
