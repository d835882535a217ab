// SPDX-License-Identifier: GPL-3.0-or-later
//
// A run of the program that begins afresh in the same process (each test of the core): the
// state rebuilt as the program is built with it, and the count that tells whether every
// subscription to the core's events ended with its owner.
#pragma once

#include <cstddef>

namespace vrx {

// Every part of the state as the program is built with it, before any start-up: the settings
// at their defaults, no instrument and no record, nothing running, the work areas cleared.
void ResetAppState();

// Listeners subscribed now, to all events: a subscription left behind shows as one more.
size_t ListenerCount();

} // namespace vrx
