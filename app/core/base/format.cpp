// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "core/base/state.h"

namespace vrx {

namespace {

// Unit group of the current rate: 0 ns, 1 us, 2 ms, -1 external clock.
int CurrentRateGroup() {
    return RateGroup(app().acquisition.RateIndex);
}

// The blank fix-up of the time texts: "100.ns" -> "100 ns".
QString BlankBeforeUnit(QString text) {
    if (text.size() >= 3 && text[text.size() - 3] == QLatin1Char('.'))
        text[text.size() - 3] = QLatin1Char(' ');
    return text;
}

QString ZeroBeforePoint(QString text) {
    if (text.startsWith(QLatin1Char('.'))) text.prepend(QLatin1Char('0'));
    return text;
}

// Frequency text of f in the base unit of the group, within the given range limits.
QString FreqText(double f, int decimals, double top, double mid, double low) {
    static const std::array<std::array<const char *, 3>, 3> units = {{
        {"MHz", "KHz", " Hz"}, // ns group: larger, base, smaller
        {"KHz", " Hz", "mHz"}, // us group
        {" Hz", "mHz", "uHz"}, // ms group
    }};
    const int g = CurrentRateGroup();
    if (g < 0 || !std::isfinite(f)) return {};
    const auto &u = units[static_cast<size_t>(g)];
    if (f >= 1000 && f <= top) return FormatHashes(f / 1000, decimals) + QLatin1String(u[0]);
    if (f >= 1 && f <= mid) return FormatHashes(f, decimals) + QLatin1String(u[1]);
    if (f >= 0.001 && f <= low) return FormatHashes(f * 1000, decimals) + QLatin1String(u[2]);
    return {};
}

} // namespace

int32_t RoundHalfEven(double v) {
    // nearbyint rounds in the default mode, to nearest with halves to even.
    const double r = std::nearbyint(v);
    if (!(r > -2147483648.0)) return INT32_MIN;
    if (r > 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(r);
}

int32_t VoltsCode(double volts, int32_t zero, double mvPerCode) {
    const double steps = volts * 1000.0 / mvPerCode;
    if (std::isnan(steps)) return zero;
    return zero - RoundHalfEven(std::clamp(steps, zero - 256.0, zero + 1.0));
}

QString FormatHashes(double v, int decimals) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    // Shown digits are rounded half away from zero, as the readouts always did.
    const long long n = std::llround(std::fabs(v) * static_cast<double>(scale));
    const long long whole = n / scale;
    long long frac = n % scale;
    QString text;
    if (v < 0 && n != 0) text += QLatin1Char('-');
    if (whole != 0) text += QString::number(whole);
    text += QLatin1Char('.');
    if (frac != 0) {
        QString digits = QString::number(frac).rightJustified(decimals, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += digits;
    }
    return text;
}

QString CalTime(double samples) {
    static const std::array<std::array<const char *, 4>, 3> units = {{
        {"ns", "us", "ms", " s"},
        {"us", "ms", " s", "Ks"},
        {"ms", " s", "Ks", "Ms"},
    }};
    const int g = CurrentRateGroup();
    if (g < 0) return {};
    const double t = app().acquisition.SamplePeriod * samples;
    const double a = std::fabs(t);
    const auto &u = units[static_cast<size_t>(g)];
    double value;
    const char *unit;
    if (a <= 999.999) {
        value = t;
        unit = u[0];
    } else if (a <= 999999.999) {
        value = t / 1e3;
        unit = u[1];
    } else if (a <= 999999999.999) {
        value = t / 1e6;
        unit = u[2];
    } else if (a <= 999999999999.999) {
        value = t / 1e9;
        unit = u[3];
    } else {
        return {};
    }
    return BlankBeforeUnit(FormatHashes(value, 3) + QLatin1String(unit));
}

QString CalFreq(double samples) {
    if (samples == 0 || app().acquisition.SamplePeriod == 0) return {};
    const double f = 1000000.0 / samples / app().acquisition.SamplePeriod;
    return FreqText(f, 3, 999999.999, 999.999, 0.999999);
}

double CountPpmFactor(int index) {
    static const std::array<double, 11> ppm = {1.00005, 1.00004, 1.00003, 1.00002, 1.00001, 1.0,
                                               0.99999, 0.99998, 0.99997, 0.99996, 0.99995};
    return index < 0 || index > 10 ? 0.0 : ppm[static_cast<size_t>(index)];
}

QString CalFreq1(double samples) {
    const double factor = CountPpmFactor(app().display.CountPpm);
    if (samples == 0 || app().acquisition.SamplePeriod == 0 || factor == 0) return {};
    const double f = 1000000.0 / samples / app().acquisition.SamplePeriod * factor;
    return FreqText(f, 5, 999999.99999, 999.99999, 0.99999999);
}

QString CalStr(double mv, double *scaled) {
    const double a = std::fabs(mv);
    double value;
    const char *unit;
    if (a <= 999.999) {
        value = mv;
        unit = "mV";
    } else if (a <= 999999.999) {
        value = mv / 1e3;
        unit = " V";
    } else if (a <= 999999999.999) {
        value = mv / 1e6;
        unit = "KV";
    } else {
        if (scaled) *scaled = mv;
        return {};
    }
    if (scaled) *scaled = value;
    return ZeroBeforePoint(FormatHashes(value, 3) + QLatin1String(unit));
}

QString CalStrMV(double x) {
    if (!(std::fabs(x) <= 999999999.999)) return {};
    return ZeroBeforePoint(FormatHashes(x, 3));
}

} // namespace vrx
