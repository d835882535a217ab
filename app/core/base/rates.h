// SPDX-License-Identifier: GPL-3.0-or-later
//
// The instrument's 35 sample rates and the boundaries between their groups.
//
// Index 0..5 are equivalent-time rates (a repetitive signal sampled over many passes, no logic
// record), 6..32 real-time rates from 250 MSa/s down to 1 Sa/s, 33 and 34 the external clock
// (rising or falling edge). Periods and rates are in ns / MSa/s for 0..14, us / KSa/s for
// 15..23 and ms / Sa/s for 24..32; the external clock has neither.
#pragma once

#include <array>
#include <cstdint>

namespace vrx {

struct RateEntry {
    const char *text;
    double period;
    double rate;
};

constexpr int kRateCount = 35;
constexpr int kFirstRealTimeRate = 6; // "250MSa/S"
constexpr int kFirstMicroRate = 15;   // "500KSa/S": periods in us
constexpr int kFirstMilliRate = 24;   // "500Sa/S": periods in ms
constexpr int kLastTimedRate = 32;    // "1Sa/S"; 33 and 34 are the external clock
constexpr int kDefaultRate = 8;       // "100MSa/S"
// From "20Sa/S" on, a caught sample is rare enough to recompose the whole screen after each.
constexpr int kFirstFullRefreshCatchRate = 28;

constexpr std::array<RateEntry, kRateCount> kRates = {{
    {"20GSa/S", 0.05, 20000}, {"10GSa/S", 0.1, 10000}, {"5GSa/S", 0.2, 5000},
    {"2GSa/S", 0.5, 2000},    {"1GSa/S", 1, 1000},     {"500MSa/S", 2, 500},
    {"250MSa/S", 4, 250},     {"200MSa/S", 5, 200},    {"100MSa/S", 10, 100},
    {"50MSa/S", 20, 50},      {"20MSa/S", 50, 20},     {"10MSa/S", 100, 10},
    {"5MSa/S", 200, 5},       {"2MSa/S", 500, 2},      {"1MSa/S", 1000, 1},
    {"500KSa/S", 2, 500},     {"200KSa/S", 5, 200},    {"100KSa/S", 10, 100},
    {"50KSa/S", 20, 50},      {"20KSa/S", 50, 20},     {"10KSa/S", 100, 10},
    {"5KSa/S", 200, 5},       {"2KSa/S", 500, 2},      {"1KSa/S", 1000, 1},
    {"500Sa/S", 2, 500},      {"200Sa/S", 5, 200},     {"100Sa/S", 10, 100},
    {"50Sa/S", 20, 50},       {"20Sa/S", 50, 20},      {"10Sa/S", 100, 10},
    {"5Sa/S", 200, 5},        {"2Sa/S", 500, 2},       {"1Sa/S", 1000, 1},
    {"External.Rise", 0, 0},  {"External.Fall", 0, 0},
}};

constexpr bool IsEquivalentTime(int rate) {
    return rate >= 0 && rate < kFirstRealTimeRate;
}
constexpr bool IsTimedRate(int rate) {
    return rate >= 0 && rate <= kLastTimedRate;
}
// 0 ns, 1 us, 2 ms; -1 for the external clock.
constexpr int RateGroup(int rate) {
    if (!IsTimedRate(rate)) return -1;
    return rate < kFirstMicroRate ? 0 : rate < kFirstMilliRate ? 1 : 2;
}
// Seconds of one sample at a rate index; 0 for the external clock.
constexpr double SamplePeriodSeconds(int rate) {
    constexpr double kUnit[3] = {1e-9, 1e-6, 1e-3};
    const int group = RateGroup(rate);
    if (group < 0) return 0;
    return kRates[static_cast<size_t>(rate)].period * kUnit[group];
}

} // namespace vrx
