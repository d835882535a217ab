// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/main/acquisition_driver.h"

#include "core/acquisition/loop.h"
#include "core/base/state.h"

namespace vrx {

AcquisitionDriver::AcquisitionDriver(QObject *parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &AcquisitionDriver::step);
    started_ = Subscribe(Event::AcquisitionStarted, [this] { follow(); });
    stopped_ = Subscribe(Event::AcquisitionStopped, [this] { follow(); });
    follow();
}

AcquisitionDriver::~AcquisitionDriver() {
    detach();
}

void AcquisitionDriver::detach() {
    stopNow();
    started_.reset();
    stopped_.reset();
}

void AcquisitionDriver::follow() {
    if (AcquisitionActive()) {
        if (!timer_.isActive()) timer_.start(0);
    } else {
        timer_.stop();
    }
}

void AcquisitionDriver::step() {
    const int32_t before = app().run.TrigCount;
    AcquisitionStep();
    if (app().run.TrigCount > before) ++records_;
    emit stepped();
    // The loop says how long nothing can change (the wait of "Auto.", the next catch sample);
    // otherwise the next poll follows as soon as the pending events are handled.
    if (AcquisitionActive()) timer_.start(AcquisitionIdleMs());
}

void AcquisitionDriver::stopNow() {
    timer_.stop();
    StopAcquisitionNow();
    timer_.stop();
}

} // namespace vrx
