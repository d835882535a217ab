// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/format.h"
#include "core/fixture.h"

using namespace vrx;

namespace {

// A readout of a value: what the formatter is given and the exact text it must give.
using Row = std::pair<double, const char *>; // a value and its text

// The rate index and its period as the rate list sets them, then each value through `fn`.
template <typename Fn, size_t N>
void ExpectRows(uint8_t rate, double period, Fn fn, const Row (&rows)[N]) {
    app().acquisition.RateIndex = rate;
    app().acquisition.SamplePeriod = period;
    for (const auto &[value, text] : rows)
        EXPECT_EQ(fn(value), QString(text)) << "rate " << int(rate) << ": " << value;
}

TEST(NumberPattern, WritesThePointNoLeadingZeroAndRoundsHalfAwayFromZero) {
    // A value that rounds away has no sign.
    const Row rows[] = {{100, "100."},  {0.5, ".5"},         {0, "."},      {-0.5, "-.5"},
                        {1.23, "1.23"}, {12.0625, "12.063"}, {0.0004, "."}, {-0.0004, "."}};
    for (const auto &[value, text] : rows)
        EXPECT_EQ(FormatHashes(value, 3), QString(text)) << value;
    EXPECT_EQ(FormatHashes(10.0005, 5), "10.0005");
    // The positions of the screen and the bars round halves to even.
    EXPECT_EQ((std::vector{RoundHalfEven(2.5), RoundHalfEven(3.5), RoundHalfEven(-2.5),
                           RoundHalfEven(2.51), RoundHalfEven(1e12)}),
              (std::vector{2, 4, -2, 3, INT32_MAX}));
}

TEST(Readouts, CalTimeUnitLaddersAndLimits) {
    // 100MSa/S: 1000 ns is past 999.999, so the next unit, then the blank; 1e12 ns is beyond
    // the ladder.
    ExpectRows(
        8, 10, CalTime,
        {{50, "500 ns"}, {123, "1.23us"}, {0, " ns"}, {-50, "-500 ns"}, {100, "1 us"}, {1e11, ""}});
    // 1Sa/S: "1." + " s", the point becomes a blank.
    ExpectRows(32, 1000, CalTime, {{3600, "3.6Ks"}, {1, "1  s"}});
    ExpectRows(15, 2, CalTime, // 500KSa/S, us group
               {{1, "2 us"}, {1000, "2 ms"}, {1000000, "2  s"}, {1000000000, "2 Ks"}});
    // Either side of the edge between the us and the ms group: 1KSa/S and 500Sa/S.
    ExpectRows(23, 1000, CalTime, {{1, "1 ms"}, {999, "999 ms"}, {1000, "1  s"}});
    ExpectRows(24, 2, CalTime, {{1, "2 ms"}, {500, "1  s"}, {-1, "-2 ms"}});
    ExpectRows(33, 10, CalTime, {{50, ""}}); // external clocks: no time base
    ExpectRows(34, 10, CalTime, {{50, ""}});
}

TEST(Readouts, CalFreqWithAndWithoutTheCounterOffset) {
    // No blank fix-up for frequencies; no period (or a negative span), no frequency.
    ExpectRows(8, 10, CalFreq,
               {{10, "10.MHz"}, {1000, "100.KHz"}, {1000000, "100. Hz"}, {0, ""}, {-10, ""}});
    ExpectRows(32, 1000, CalFreq, {{1, "1. Hz"}, {4, "250.mHz"}, {4000, "250.uHz"}});
    ExpectRows(23, 1000, CalFreq, {{1, "1.KHz"}, {3, "333.333 Hz"}});
    ExpectRows(24, 2, CalFreq, {{1, "500. Hz"}, {1000, "500.mHz"}});
    ExpectRows(33, 1000, CalFreq, {{4, ""}});
    // CountPpm 5 is no offset, each step 10 ppm; beyond 0..10 there is no reading.
    auto ppm = [](double sel) {
        app().display.CountPpm = int16_t(sel);
        return CalFreq1(10);
    };
    ExpectRows(8, 10, ppm,
               {{0, "10.0005MHz"}, {10, "9.9995MHz"}, {11, ""}, {-1, ""}, {5, "10.MHz"}});
}

TEST(Readouts, CalStrAndCalStrMV) {
    ExpectRows(8, 10, [](double v) { return CalStr(v); },
               {{0.5, "0.5mV"}, {-0.5, "-.5mV"}, {100, "100.mV"}, {0, "0.mV"}, {2e9, ""}});
    double kv = 0, v = 0;
    EXPECT_EQ((QStringList{CalStr(2500000, &kv), CalStr(1500, &v)}),
              (QStringList{"2.5KV", "1.5 V"}));
    EXPECT_EQ((std::vector{kv, v}), (std::vector{2.5, 1.5}));
    const Row mv[] = {{0.5, "0.5"},
                      {-12, "-12."},
                      {123456.75, "123456.75"},
                      {1e10, ""},
                      {999999999.999, "999999999.999"}};
    ExpectRows(8, 10, CalStrMV, mv);
}

} // namespace
