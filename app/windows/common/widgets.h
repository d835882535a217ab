// SPDX-License-Identifier: GPL-3.0-or-later
//
// The shared factories of the windows: each makes a widget, names it after its control (tests
// and style sheets find it by that name) and binds it to its model of the core.
#pragma once

#include <memory>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>

#include "core/base/controls.h"
#include "core/timing/fixed_text.h"
#include "windows/common/bind_widgets.h"

namespace vrx {

// "name(i)", the name of element i of a control array.
QString Indexed(const char *name, int i);

QComboBox *MakeList(QWidget *parent, const QString &name, ListModel &m);
QScrollBar *MakeScroll(QWidget *parent, const QString &name, Qt::Orientation o, ScrollModel &m);
// A plain-text label; `ClickLabel` for the labels that report clicks.
template <typename L = QLabel> L *MakeLabel(QWidget *parent, const QString &name, LabelModel &m) {
    auto *w = new L(parent);
    w->setObjectName(name);
    w->setTextFormat(Qt::PlainText);
    BindLabel(w, m);
    return w;
}
// A value label whose text changes with the records keeps one size: as wide as the widest of
// `texts` (or its fixed width, when it has one) and as high as one line of its font and frame.
// A new text then only repaints it; a label of changing size would lay its window out again.
void KeepLabelSize(QLabel *l, const QStringList &texts);
// A label in a fixed-pitch font whose text changes with the records (the logic panel's values
// and bar words): its characters are placed without a text layout (`FixedText`). A disabled
// label, a proportional font or a text of several lines is drawn as any label.
class ValueLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    std::unique_ptr<FixedText> text_; // of the current font, made at the first paint
};
// A check box or an option button (`B`: QCheckBox, QRadioButton) with its caption.
template <typename B>
B *MakeCheck(QWidget *parent, const QString &name, const QString &text, CheckModel &m) {
    auto *w = new B(text, parent);
    w->setObjectName(name);
    BindCheck(w, m);
    return w;
}
// A command button: only its click counts, it runs the model's handler.
QPushButton *MakeCommand(QWidget *parent, const QString &name, const QString &text, CheckModel &m);
// A caption of a window's layout: no model behind it, it never changes.
QLabel *MakeCaption(QWidget *parent, const QString &text);
// A text box.
QLineEdit *MakeText(QWidget *parent, const QString &name, TextModel &m);
// The fixed-pitch font of the logic words, so that the characters of D15..D0 stand in columns.
QFont FixedFont();
// A text box of a logic word (16 characters "0", "1", "x"), in the fixed-pitch font and wide
// enough to show the whole word.
QLineEdit *MakeWordText(QWidget *parent, const QString &name, TextModel &m);
// A toolbar button named after its key.
QAction *MakeToolButton(QToolBar *bar, ToolButtonModel &m, const QIcon &icon);

} // namespace vrx
