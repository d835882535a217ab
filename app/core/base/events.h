// SPDX-License-Identifier: GPL-3.0-or-later
//
// What the core tells the windows. The core publishes what happened; a window subscribes when
// it is built and keeps the `Subscription`, which ends the subscription when the window goes.
// The core never names a window: a window that follows the display (FFT, XY, state listing,
// measure box) subscribes to the event it follows and checks its own switch.
//
// Events carry no data: subscribers read the state (core/base/state.h). Listeners run in the
// order they subscribed, on the thread that publishes (the program has only one). A listener may
// subscribe, unsubscribe or publish; one that is unsubscribed while an event is being delivered
// is not called any more.
#pragma once

#include <functional>
#include <memory>

namespace vrx {

enum class Event {
    ScreenComposed,     // a whole screen was composed (a new record, a zoom, a scroll)
    TracesDrawn,        // the traces were drawn again, also over a bar that moved
    PicturesChanged,    // a picture or an overview mark changed: repaint
    BarValuesChanged,   // the logic values at the bars were read again
    TimebaseChanged,    // zoom, trace width or screen position changed the time scale
    DepthChanged,       // the record-length rule ran (a depth or zoom change)
    ColorsChanged,      // the colour table was applied to the controls
    DisplaySwitched,    // a display item was switched on or off (`SetDisplayItem`)
    GoKeyPressed,       // the "g" key on the timing view asked to start or stop acquisition
    LogicRowPicked,     // the right button picked a logic row on the logic picture
    LogicRowDragged,    // ... moved the picked row's track marker
    LogicRowDropped,    // ... dropped it: the lane order changed
    SettingsApplied,    // every control was brought into line with the state
    AcquisitionStarted, // the loop or a software catch started
    AcquisitionStopped, // ... and ended
    StatusPolled,       // the loop polled the trigger status once
    InstrumentLost,     // the instrument stopped answering; acquisition has stopped
    DecodesReady,       // the protocol decoders finished a record (or their set-up changed)
};
constexpr int kEventCount = static_cast<int>(Event::DecodesReady) + 1;

class Subscription {
  public:
    struct Listener;
    Subscription() = default;
    explicit Subscription(std::shared_ptr<Listener> l);
    Subscription(Subscription &&) noexcept = default;
    Subscription &operator=(Subscription &&other) noexcept;
    Subscription(const Subscription &) = delete;
    Subscription &operator=(const Subscription &) = delete;
    ~Subscription();
    // Ends the subscription now.
    void reset();

  private:
    std::shared_ptr<Listener> listener_;
};

[[nodiscard]] Subscription Subscribe(Event event, std::function<void()> fn);
void Publish(Event event);

} // namespace vrx
