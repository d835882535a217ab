// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows.h"

#include <cmath>
#include <numbers>

namespace fft {

double WindowValue(int type, int64_t n, int64_t N) {
    const double a = 2 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(N);
    const double u = static_cast<double>(n - N / 2) / static_cast<double>(N / 2);
    const double au = std::fabs(u);
    switch (type) {
    case 0:
        return 1 - au;
    case 1:
        return 0.5 - 0.5 * std::cos(a);
    case 2:
        return 0.54 - 0.46 * std::cos(a);
    case 3:
        return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
    case 4:
        return 1;
    case 5:
        return 1 - u * u;
    case 6:
        return au <= 0.5 ? 1 - 6 * u * u + 6 * au * au * au : 2 * std::pow(1 - au, 3);
    default:
        return 0;
    }
}

double FillWindow(int type, int64_t N, double *w) {
    double sum = 0;
    for (int64_t n = 0; n < N; ++n) {
        w[n] = WindowValue(type, n, N);
        sum += w[n];
    }
    return sum;
}

} // namespace fft
