// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/frame_pacer.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace vrx {

FramePacer::FramePacer(QObject *parent, int frameMs) : QObject(parent) {
    if (frameMs > 0) {
        frameMs_ = frameMs;
    } else {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const qreal hz = screen ? std::clamp(screen->refreshRate(), 24.0, 240.0) : 60.0;
        frameMs_ = static_cast<int64_t>(1000.0 / hz);
    }
    clock_.start();
    QCoreApplication::instance()->installEventFilter(this);
}

namespace {

void SendUpdateRequest(QObject *window) {
    if (window)
        QCoreApplication::postEvent(window, new QEvent(QEvent::UpdateRequest),
                                    Qt::LowEventPriority);
}

} // namespace

FramePacer::~FramePacer() {
    for (const QPointer<QObject> &window : std::as_const(waiting_))
        SendUpdateRequest(window);
}

bool FramePacer::eventFilter(QObject *o, QEvent *e) {
    if (e->type() != QEvent::UpdateRequest || !o->isWidgetType()) return false;
    const int64_t now = clock_.elapsed();
    const auto last = lastPaint_.constFind(o);
    if (last == lastPaint_.cend() || now - *last >= frameMs_) {
        // A paint more than a frame old holds nothing back: such entries (of windows long
        // closed among them) go, so the table stays as small as the windows painting now.
        if (lastPaint_.size() >= 32)
            lastPaint_.removeIf([&](const auto &it) { return now - it.value() >= frameMs_; });
        lastPaint_.insert(o, now);
        return false;
    }
    if (!waiting_.contains(o)) {
        waiting_.insert(o, QPointer<QObject>(o));
        QTimer::singleShot(static_cast<int>(frameMs_ - (now - *last)), this,
                           [this, o] { SendUpdateRequest(waiting_.take(o)); });
    }
    return true;
}

} // namespace vrx
