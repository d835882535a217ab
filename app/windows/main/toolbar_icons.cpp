// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/main/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vrx {

namespace {

constexpr int kSize = 24;

// A dashed vertical bar as the timing view draws it.
void Bar(QPainter &p, int x, const QColor &c) {
    p.setPen(QPen(c, 2));
    for (int y = 2; y < kSize - 2; y += 5)
        p.drawLine(x, y, x, y + 2);
}

void Trace(QPainter &p) {
    p.setPen(QPen(QColor(255, 255, 0), 1.5));
    QPainterPath path(QPointF(1, 16));
    path.cubicTo(6, 4, 10, 4, 12, 12);
    path.cubicTo(14, 20, 18, 20, 23, 8);
    p.drawPath(path);
}

} // namespace

QIcon ToolbarIcon(const QString &key) {
    QPixmap pm(kSize, kSize);
    pm.fill(QColor(24, 24, 24));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor v1(128, 255, 255), v2(128, 255, 128), trig(255, 255, 255);
    if (key == QLatin1String("Go")) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(64, 220, 64));
        p.drawPolygon(QPolygon({{7, 4}, {20, 12}, {7, 20}}));
    } else if (key == QLatin1String("V3bar")) {
        Trace(p);
        Bar(p, 5, v1);
        Bar(p, 12, trig);
        Bar(p, 19, v2);
    } else if (key == QLatin1String("V1bar")) {
        Trace(p);
        Bar(p, 12, v1);
    } else if (key == QLatin1String("Tbar")) {
        Trace(p);
        Bar(p, 12, trig);
    } else if (key == QLatin1String("V2bar")) {
        Trace(p);
        Bar(p, 12, v2);
    } else if (key == QLatin1String("Hbar")) {
        Trace(p);
        p.setPen(QPen(v1, 1.5, Qt::DashLine));
        p.drawLine(1, 6, 23, 6);
        p.setPen(QPen(v2, 1.5, Qt::DashLine));
        p.drawLine(1, 18, 23, 18);
    } else if (key == QLatin1String("Autoset")) {
        Trace(p);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(13);
        p.setFont(f);
        p.setPen(QColor(255, 128, 255));
        p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("A"));
    } else {
        return {};
    }
    p.end();
    return QIcon(pm);
}

} // namespace vrx
