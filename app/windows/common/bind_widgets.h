// SPDX-License-Identifier: GPL-3.0-or-later
//
// Qt widgets bound to the control models of core/controls.h.
//
// A bound widget shows its model and nothing else: every change of the model (items, index,
// value, range, caption, colours, enabled, visible, tool tip) is copied into the widget with its
// signals blocked, and every user input goes back to the model's setter, which runs the
// control's handler. The binding ends with the widget; the models live on.
#pragma once

#include <cstdint>

#include <QAbstractButton>
#include <QAction>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>

#include "core/base/controls.h"

namespace vrx {

// A label that reports clicks (channel tabs, the trigger step label).
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// Colour-table value (0x00BBGGRR) as a QColor; system colours are not mapped here.
QColor TableColor(int32_t bgr);

// Sets the fore and back colours of a widget from model colours; a system colour keeps the
// style's own colour for that role.
void ApplyColors(QWidget *w, int32_t fore, int32_t back);

void BindList(QComboBox *w, ListModel &m);
void BindScroll(QScrollBar *w, ScrollModel &m);
void BindLabel(QLabel *w, LabelModel &m);
// `onTrigger` runs instead of the model's own click when given (the toolbar dispatches by
// button index).
void BindToolButton(QAction *a, ToolButtonModel &m, std::function<void()> onTrigger = {});
// A text box: typing edits the model, leaving the box (or Return) validates it.
void BindText(QLineEdit *w, TextModel &m);
// A check box or an option button. A click runs the model's handler, which sets the marks (an
// option group is kept exclusive by its handler, not by the widgets); the widget then shows
// the model's mark even where the handler left it as it was.
void BindCheck(QAbstractButton *w, CheckModel &m);
// A progress bar showing a scroll model's range and value (display only).
void BindProgress(QProgressBar *w, ScrollModel &m);
// A menu item: its mark, enabled and visible state follow the model; choosing it runs the
// model's handler, which sets the marks (a check mark is inverted, a radio group kept
// exclusive by its handler). `checkable` false: a command without a mark.
void BindMenuItem(QAction *a, CheckModel &m, bool checkable = true);

} // namespace vrx
