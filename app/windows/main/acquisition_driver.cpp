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
    if (!AcquisitionActive()) return;
    app().run.Running = 0;
    acquisitionControls().Button(1).setPressed(false);
    // A pending forced-trigger wait ends now rather than after its 100 ms.
    if (acquisitionControls().Timer1.Enabled) Timer1_Timer();
    // The pass in progress needs at most a few steps to see Running = 0.
    for (int i = 0; i < 8 && AcquisitionActive(); ++i)
        AcquisitionStep();
    timer_.stop();
}

} // namespace vrx
