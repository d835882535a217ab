// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/acquisition_driver.h"

#include "core/state.h"
#include "main/acquisition_loop_logic.h"

namespace vrx {

AcquisitionDriver::AcquisitionDriver(QObject *parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &AcquisitionDriver::step);
    activityId_ = acquisitionControls().activity.subscribe([this] { follow(); });
    follow();
}

AcquisitionDriver::~AcquisitionDriver() {
    detach();
}

void AcquisitionDriver::detach() {
    stopNow();
    acquisitionControls().activity.unsubscribe(activityId_);
    activityId_ = 0;
}

void AcquisitionDriver::follow() {
    if (AcquisitionActive()) {
        if (!timer_.isActive()) timer_.start(0);
    } else {
        timer_.stop();
    }
}

void AcquisitionDriver::step() {
    const int32_t before = app().TrigCount;
    AcquisitionStep();
    if (app().TrigCount > before) ++records_;
    emit stepped();
    // The loop says how long nothing can change (the wait of "Auto.", the next catch sample);
    // otherwise the next poll follows as soon as the pending events are handled.
    if (AcquisitionActive()) timer_.start(AcquisitionIdleMs());
}

void AcquisitionDriver::stopNow() {
    timer_.stop();
    if (!AcquisitionActive()) return;
    app().Running = 0;
    acquisitionControls().Button(1).setPressed(false);
    // A pending forced-trigger wait ends now rather than after its 100 ms.
    if (acquisitionControls().Timer1.Enabled) Timer1_Timer();
    // The pass in progress needs at most a few steps to see Running = 0.
    for (int i = 0; i < 8 && AcquisitionActive(); ++i)
        AcquisitionStep();
    timer_.stop();
}

} // namespace vrx
