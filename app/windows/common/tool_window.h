// SPDX-License-Identifier: GPL-3.0-or-later
//
// How a tool window (FFT, measure box, XY, state listing, ...) opens: as a `Qt::Tool` window
// that stays on top of the main window, placed beside it on the same screen.
#pragma once

#include <cstdint>

#include <QAction>
#include <QWidget>

namespace vrx {

// Makes `tool` a tool window of `main`, places it right of `main` (left of it when there is no
// room, and within the available screen area in any case) and shows it.
void ShowToolWindow(QWidget *tool, QWidget *main);

// Creates tool window `window` (a `W` with a `closed` signal) of `main` on first use; closing it
// clears its open flag (a state flag that lives as long as the program) and its menu mark.
template <typename W>
W *ToolWindowOnce(W *&window, QWidget *main, QAction *mark, int16_t &openFlag) {
    if (!window) {
        window = new W(main);
        QObject::connect(window, &W::closed, main, [mark, &openFlag] {
            openFlag = 0;
            mark->setChecked(false);
        });
    }
    return window;
}

} // namespace vrx
