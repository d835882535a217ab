// SPDX-License-Identifier: GPL-3.0-or-later
//
// The windows repaint at most once a frame of the screen. The instrument delivers more records
// a second than a screen shows (a 2K record every 0.5 ms at the fast rates): every record is
// still composed into the pictures, labels and lists, but a window copies what changed to the
// screen once a frame, not a thousand times a second. A window's update request that comes
// within a frame of its last paint waits (its changed regions gather meanwhile) and is sent
// again when the frame is over, so the last change always shows.
#pragma once

#include <cstdint>

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>

namespace vrx {

class FramePacer : public QObject {
  public:
    // Paces every window of the application while it lives; `frameMs` 0: the primary screen's
    // refresh period (24 to 240 frames a second).
    explicit FramePacer(QObject *parent, int frameMs = 0);
    // A request still waiting is sent at once: the window asks for no other until it comes.
    ~FramePacer() override;

  protected:
    bool eventFilter(QObject *o, QEvent *e) override;

  private:
    int64_t frameMs_ = 16;
    QElapsedTimer clock_;
    QHash<const QObject *, int64_t> lastPaint_;         // by window: when it last painted
    QHash<const QObject *, QPointer<QObject>> waiting_; // windows whose request waits
};

} // namespace vrx
