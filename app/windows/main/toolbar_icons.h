// SPDX-License-Identifier: GPL-3.0-or-later
//
// The pictures of the main window's toolbar buttons, drawn rather than loaded so the program
// needs no image files.
#pragma once

#include <QIcon>
#include <QString>

namespace vrx {

// The icon of the button with this key ("Go", "V3bar", ...); a null icon for an unknown key.
QIcon ToolbarIcon(const QString &key);

} // namespace vrx
