// SPDX-License-Identifier: GPL-3.0-or-later
//
// Runs the acquisition loop from the Qt event loop: while acquisition is active a timer calls
// the loop's step function, and the window's input events are handled between two steps, so a
// front-panel change re-arms the instrument and a second "Go" stops at once.
#pragma once

#include <cstdint>

#include <QObject>
#include <QTimer>

#include "core/base/events.h"

namespace vrx {

class AcquisitionDriver : public QObject {
    Q_OBJECT
  public:
    explicit AcquisitionDriver(QObject *parent = nullptr);
    ~AcquisitionDriver() override;

    // Ends any acquisition or catch at once: the loop finishes its current pass and stops.
    void stopNow();
    // Ends acquisition and no longer follows it (the window is closing).
    void detach();
    bool stepping() const { return timer_.isActive(); }
    // Complete records read since the driver was made (each is drawn by the next step).
    int64_t records() const { return records_; }

  signals:
    // After every step that may have drawn something.
    void stepped();

  private:
    void follow();
    void step();

    QTimer timer_;
    Subscription started_, stopped_;
    int64_t records_ = 0;
};

} // namespace vrx
