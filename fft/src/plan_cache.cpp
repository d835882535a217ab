// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan_cache.h"

#include <array>
#include <bit>
#include <memory>

namespace fft {

namespace {

// FFTW's planner is not thread-safe: every plan is made, and every slot found, under this lock.
std::mutex plannerLock;
// One slot per size, 256 << 0 .. 256 << 8.
std::array<std::unique_ptr<SizeSlot>, 9> slots;

} // namespace

SizeSlot::SizeSlot(int64_t points)
    : N(points), window(static_cast<size_t>(points)), rows(static_cast<size_t>(points / 2 + 1)) {
    in = fftw_alloc_real(static_cast<size_t>(N));
    out = fftw_alloc_complex(static_cast<size_t>(N / 2 + 1));
    // Estimated plans: the first use of a size costs no measuring runs.
    if (in && out) plan = fftw_plan_dft_r2c_1d(static_cast<int>(N), in, out, FFTW_ESTIMATE);
}

SizeSlot::~SizeSlot() {
    if (plan) fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}

SizeSlot *Slot(int64_t points) {
    if (points < 256 || points > 65536 || !std::has_single_bit(static_cast<uint64_t>(points)))
        return nullptr;
    const auto index = static_cast<size_t>(std::countr_zero(static_cast<uint64_t>(points)) - 8);
    std::lock_guard lock(plannerLock);
    auto &slot = slots[index];
    if (!slot) slot = std::make_unique<SizeSlot>(points);
    return slot->usable() ? slot.get() : nullptr;
}

} // namespace fft
