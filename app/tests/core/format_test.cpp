// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/format.h"
#include "core/state.h"

using namespace vrx;

// Readable QString values in failure messages.
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

class FormatTest : public ::testing::Test {
  protected:
    void SetUp() override { InitDefaults(); }
    // Rate index and its period, as the rate list sets them.
    static void Rate(uint8_t index, double period) {
        app().RateIndex = index;
        app().SamplePeriod = period;
    }
};

TEST(NumberPattern, WritesThePointAndNoLeadingZero) {
    EXPECT_EQ(FormatHashes(100, 3), "100.");
    EXPECT_EQ(FormatHashes(0.5, 3), ".5");
    EXPECT_EQ(FormatHashes(0, 3), ".");
    EXPECT_EQ(FormatHashes(-0.5, 3), "-.5");
    EXPECT_EQ(FormatHashes(1.23, 3), "1.23");
    EXPECT_EQ(FormatHashes(12.0625, 3), "12.063"); // shown digits round half away from zero
    EXPECT_EQ(FormatHashes(0.0004, 3), ".");       // a value that rounds away has no sign
    EXPECT_EQ(FormatHashes(-0.0004, 3), ".");
    EXPECT_EQ(FormatHashes(10.0005, 5), "10.0005");
}

TEST(NumberPattern, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(1e12), INT32_MAX);
}

TEST_F(FormatTest, CalTimeExamples) {
    Rate(8, 10); // 100MSa/S
    EXPECT_EQ(CalTime(50), "500 ns");
    EXPECT_EQ(CalTime(123), "1.23us");
    EXPECT_EQ(CalTime(0), " ns");
    EXPECT_EQ(CalTime(-50), "-500 ns");
    EXPECT_EQ(CalTime(100), "1 us"); // 1000 ns is past 999.999: next unit, then the blank
    Rate(32, 1000);                  // 1Sa/S
    EXPECT_EQ(CalTime(3600), "3.6Ks");
    EXPECT_EQ(CalTime(1), "1  s"); // "1." + " s": the point becomes a blank
}

TEST_F(FormatTest, CalTimeUnitLaddersAndLimits) {
    Rate(15, 2); // 500KSa/S, us group
    EXPECT_EQ(CalTime(1), "2 us");
    EXPECT_EQ(CalTime(1000), "2 ms");
    EXPECT_EQ(CalTime(1000000), "2  s");
    EXPECT_EQ(CalTime(1000000000), "2 Ks");
    Rate(8, 10);
    EXPECT_EQ(CalTime(1e11), ""); // 1e12 ns is beyond the ladder
    Rate(33, 10);                 // external clock: no time base
    EXPECT_EQ(CalTime(50), "");
    Rate(34, 10);
    EXPECT_EQ(CalTime(50), "");
}

TEST_F(FormatTest, CalFreqExamples) {
    Rate(8, 10);
    EXPECT_EQ(CalFreq(10), "10.MHz"); // no blank fix-up for frequencies
    EXPECT_EQ(CalFreq(1000), "100.KHz");
    EXPECT_EQ(CalFreq(1000000), "100. Hz");
    EXPECT_EQ(CalFreq(0), "");   // no period, no frequency
    EXPECT_EQ(CalFreq(-10), ""); // negative spans have none either
    Rate(32, 1000);
    EXPECT_EQ(CalFreq(1), "1. Hz");
    EXPECT_EQ(CalFreq(4), "250.mHz");
    EXPECT_EQ(CalFreq(4000), "250.uHz");
    Rate(33, 1000);
    EXPECT_EQ(CalFreq(4), "");
}

TEST_F(FormatTest, CalFreq1AppliesTheCounterOffset) {
    Rate(8, 10);
    app().CountPpm = 5;
    EXPECT_EQ(CalFreq1(10), "10.MHz");
    app().CountPpm = 0; // +50 ppm
    EXPECT_EQ(CalFreq1(10), "10.0005MHz");
    app().CountPpm = 10; // -50 ppm
    EXPECT_EQ(CalFreq1(10), "9.9995MHz");
    app().CountPpm = 11;
    EXPECT_EQ(CalFreq1(10), "");
    app().CountPpm = -1;
    EXPECT_EQ(CalFreq1(10), "");
}

TEST_F(FormatTest, CalStrExamplesAndScaledValue) {
    EXPECT_EQ(CalStr(0.5), "0.5mV");
    EXPECT_EQ(CalStr(-0.5), "-.5mV");
    EXPECT_EQ(CalStr(1500), "1.5 V");
    EXPECT_EQ(CalStr(100), "100.mV");
    EXPECT_EQ(CalStr(0), "0.mV");
    double scaled = 0;
    EXPECT_EQ(CalStr(2500000, &scaled), "2.5KV");
    EXPECT_DOUBLE_EQ(scaled, 2.5);
    EXPECT_EQ(CalStr(1500, &scaled), "1.5 V");
    EXPECT_DOUBLE_EQ(scaled, 1.5);
    EXPECT_EQ(CalStr(2e9), "");
}

TEST_F(FormatTest, CalStrMV) {
    EXPECT_EQ(CalStrMV(0.5), "0.5");
    EXPECT_EQ(CalStrMV(123456.75), "123456.75");
    EXPECT_EQ(CalStrMV(-12), "-12.");
    EXPECT_EQ(CalStrMV(999999999.999), "999999999.999");
    EXPECT_EQ(CalStrMV(1e10), "");
}

} // namespace
