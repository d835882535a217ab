// SPDX-License-Identifier: GPL-3.0-or-later
//
// How a tool window (FFT, measure box, XY, state listing, ...) opens: as a `Qt::Tool` window
// that stays on top of the main window, placed beside it on the same screen.
#pragma once

#include <QWidget>

namespace vrx {

// Makes `tool` a tool window of `main`, places it right of `main` (left of it when there is no
// room, and within the available screen area in any case) and shows it.
void ShowToolWindow(QWidget *tool, QWidget *main);

} // namespace vrx
