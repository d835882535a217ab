// SPDX-License-Identifier: GPL-3.0-or-later
//
// The "Decoders" tool window ("&Logic" > "&Decoders"): the installed protocol decoders with
// their descriptions ("Add" starts a stack on the logic lines, "Stack on" puts the chosen
// decoder on the selected stack), the stacks of the set-up with each stack's error, and for the
// selected decoder its options (a list where the decoder allows only some values, a text box
// otherwise) and, for a stack's first decoder, its channels on D0..D15. "Remove" takes the
// selected decoder and those stacked on it away. Every change goes to the runner, which decodes
// the last record again.
#pragma once

#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "core/base/events.h"

namespace vrx {

namespace decode {
class Runner;
}

class DecodersWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DecodersWindow(decode::Runner &runner, QWidget *parent = nullptr);

    QListWidget *lstInstalled = nullptr;
    QLabel *lbDesc = nullptr;
    QPushButton *cmdAdd = nullptr, *cmdStack = nullptr, *cmdRemove = nullptr;
    QTreeWidget *tvStacks = nullptr; // one item a stack, its decoders below it
    QWidget *fmOptions = nullptr;    // the selected decoder's options and channels
    QLabel *lbMessage = nullptr;     // why the last edit was not taken

    // Selects decoder `layer` of stack `stack` in the tree (its options show).
    void Select(int stack, int layer);

  signals:
    void closed();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void fillStacks();
    void showStatus();
    void showOptions();
    void apply(const QStringList &stacks, bool ok, const QString &error);
    std::pair<int, int> selected() const; // stack, layer; -1 none

    decode::Runner &runner_;
    QFormLayout *form_ = nullptr;
    QStringList shown_; // the set-up the tree shows
    Subscription ready_, applied_;
};

} // namespace vrx
