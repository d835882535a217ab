// SPDX-License-Identifier: GPL-3.0-or-later
// The library's millisecond tick. On the real clock it follows std::chrono::steady_clock and
// delays are busy-waits, as the instrument's timing expects. Tests (and the simulator's users)
// can switch to a virtual clock that a delay advances at once, so a second of settling costs
// nothing and every run sees the same times.
#pragma once
#include <cstdint>

namespace hwlink {

// Milliseconds on the current clock (real or virtual).
int64_t nowMs();
// Microseconds on the same clock: what the simulated instrument times its acquisitions by, so
// a record of a few microseconds is complete within a millisecond as on the instrument.
int64_t nowUs();
// Waits until the tick has advanced by at least `ms` (virtual clock: advances it at once).
void delayMs(int32_t ms);

// Virtual clock control. Also selected by the environment variable HWLINK_SIM_CLOCK=virtual.
void useVirtualClock(bool on);
bool virtualClock();
// Moves the virtual clock forward (no effect on the real clock).
void advanceVirtualMs(int64_t ms);

} // namespace hwlink
