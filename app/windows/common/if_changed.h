// SPDX-License-Identifier: GPL-3.0-or-later
//
// Setters that touch a widget only when the value differs: an equal palette would still
// repolish the widget, an equal text would still lay the label out again. Each returns whether
// it set anything.
#pragma once

#include <QLabel>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace vrx {

inline bool SetPaletteIfChanged(QWidget *w, const QPalette &pal) {
    if (pal == w->palette()) return false;
    w->setPalette(pal);
    return true;
}

inline bool SetTextIfChanged(QLabel *w, const QString &text) {
    if (w->text() == text) return false;
    w->setText(text);
    return true;
}

} // namespace vrx
