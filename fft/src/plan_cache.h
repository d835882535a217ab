// SPDX-License-Identifier: GPL-3.0-or-later
//
// What one transform size needs, made once and kept for the life of the process: the FFTW plan,
// its aligned buffers, the bins' display rows and the window last used at that size.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include <fftw3.h>

namespace fft {

struct SizeSlot {
    explicit SizeSlot(int64_t points);
    ~SizeSlot();
    SizeSlot(const SizeSlot &) = delete;
    SizeSlot &operator=(const SizeSlot &) = delete;
    bool usable() const { return plan != nullptr; }

    std::mutex busy; // calls of this size take turns over the buffers
    const int64_t N;
    double *in = nullptr;        // N windowed samples
    fftw_complex *out = nullptr; // N/2 + 1 bins
    fftw_plan plan = nullptr;
    std::vector<float> window; // N values of `windowType`, in single precision: half the reads
    int windowType = -1;
    double windowSum = 0;
    std::vector<float> rows; // display row of each bin
};

// The slot of `points` points (a power of two from 256 to 65536), made at its first use under
// the planner's lock; null when FFTW could not allocate or plan it.
SizeSlot *Slot(int64_t points);

} // namespace fft
