// SPDX-License-Identifier: GPL-3.0-or-later
//
// The seven window shapes of FFT0 (formulas in include/FFt.h), in their periodic form.
#pragma once

#include <cstdint>

namespace fft {

// w(n) of window `type` (0 Triangular .. 6 Parzen) over N points; 0 for an unknown type.
double WindowValue(int type, int64_t n, int64_t N);

// Fills w[0 .. N-1]; returns the sum of the values (the window's coherent gain times N).
double FillWindow(int type, int64_t N, double *w);

} // namespace fft
