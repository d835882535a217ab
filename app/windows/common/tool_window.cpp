// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/tool_window.h"

#include <algorithm>

#include <QScreen>

namespace vrx {

void ShowToolWindow(QWidget *tool, QWidget *main) {
    if (tool->parentWidget() != main) tool->setParent(main);
    tool->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    tool->adjustSize();
    const QRect frame = main->frameGeometry();
    QRect r(QPoint(frame.right() + 8, frame.top()), tool->frameGeometry().size());
    if (const QScreen *screen = main->screen()) {
        const QRect avail = screen->availableGeometry();
        if (r.right() > avail.right()) r.moveRight(std::max(frame.left() - 8, r.width()) - 1);
        r.moveLeft(std::clamp(r.left(), avail.left(),
                              std::max(avail.left(), avail.right() - r.width() + 1)));
        r.moveTop(std::clamp(r.top(), avail.top(),
                             std::max(avail.top(), avail.bottom() - r.height() + 1)));
    }
    tool->move(r.topLeft());
    tool->show();
    tool->raise();
}

} // namespace vrx
