// SPDX-License-Identifier: GPL-3.0-or-later
#include "src/clock.h"
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace hwlink {

namespace {

// -1: not decided yet (the environment is read on first use), 0: real, 1: virtual.
std::atomic<int> clockMode{-1};
std::atomic<int64_t> virtualNow{0};

bool isVirtual() {
    int mode = clockMode.load(std::memory_order_relaxed);
    if (mode < 0) {
        const char *env = std::getenv("HWLINK_SIM_CLOCK");
        mode = (env && std::strcmp(env, "virtual") == 0) ? 1 : 0;
        int expected = -1;
        clockMode.compare_exchange_strong(expected, mode);
        mode = clockMode.load(std::memory_order_relaxed);
    }
    return mode == 1;
}

int64_t realMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t realUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int64_t nowUs() {
    return isVirtual() ? virtualNow.load(std::memory_order_relaxed) * 1000 : realUs();
}

int64_t nowMs() {
    return isVirtual() ? virtualNow.load(std::memory_order_relaxed) : realMs();
}

void delayMs(int32_t ms) {
    if (ms <= 0) return;
    if (isVirtual()) {
        virtualNow.fetch_add(ms, std::memory_order_relaxed);
        return;
    }
    // Slept to a deadline on the steady clock: a wake-up before it (a signal) sleeps the rest,
    // and the kernel's timer slack adds tens of microseconds to a wait of whole milliseconds.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

void useVirtualClock(bool on) {
    clockMode.store(on ? 1 : 0, std::memory_order_relaxed);
}

bool virtualClock() {
    return isVirtual();
}

void advanceVirtualMs(int64_t ms) {
    if (ms > 0 && isVirtual()) virtualNow.fetch_add(ms, std::memory_order_relaxed);
}

} // namespace hwlink
