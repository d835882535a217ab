// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/events.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/base/reset.h"

namespace vrx {

struct Subscription::Listener {
    Event event;
    std::function<void()> fn;
    bool active = true;
};

namespace {

std::array<std::vector<std::shared_ptr<Subscription::Listener>>, kEventCount> &listeners() {
    static std::array<std::vector<std::shared_ptr<Subscription::Listener>>, kEventCount> l;
    return l;
}

auto &ListenersOf(Event e) {
    return listeners()[static_cast<size_t>(e)];
}

} // namespace

Subscription::Subscription(std::shared_ptr<Listener> l) : listener_(std::move(l)) {}

Subscription &Subscription::operator=(Subscription &&other) noexcept {
    if (this != &other) {
        reset();
        listener_ = std::move(other.listener_);
    }
    return *this;
}

Subscription::~Subscription() {
    reset();
}

void Subscription::reset() {
    if (!listener_) return;
    listener_->active = false;
    std::erase(ListenersOf(listener_->event), listener_);
    listener_.reset();
}

Subscription Subscribe(Event event, std::function<void()> fn) {
    auto l = std::make_shared<Subscription::Listener>(Subscription::Listener{event, std::move(fn)});
    ListenersOf(event).push_back(l);
    return Subscription(std::move(l));
}

void Publish(Event event) {
    // A copy: listeners may subscribe or unsubscribe while the event is delivered.
    const auto current = ListenersOf(event);
    for (const auto &l : current)
        if (l->active) l->fn();
}

size_t ListenerCount() {
    size_t n = 0;
    for (const auto &l : listeners())
        n += l.size();
    return n;
}

} // namespace vrx
