// SPDX-License-Identifier: GPL-3.0-or-later
// Autoset against the simulated instrument (USB 2.0): signals over the whole range it serves,
// on the simulator's real clock, judged by what the screen then shows and what the measure box
// reads; vrxctl's autoset and the settings file it saves; the ends when no record comes, the
// instrument goes away or no signal is there.
//
// The library chooses its clock once per process, on first use: the tests on the real clock run
// in a process of their own (the test program runs itself for them), so that the other tests of
// this program keep the virtual clock they ask for.
#include <cmath>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/acquisition/autoset.h"
#include "core/analysis/measure.h"
#include "core/base/format.h"
#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/output/export.h"

namespace vrx {
namespace {

// The converters' corrections put a clipped input at codes 3 and 252: a trace clear of those is
// whole on screen.
constexpr int32_t kTopRail = 3, kBottomRail = 252;

class AutosetTest : public ::testing::Test {
  protected:
    // The simulated instrument (USB 2.0) with these inputs and faults, on a fresh panel.
    static void Open(const QString &inputs, const char *fault = ";", bool configured = true) {
        test::StopAndPowerOff();
        SetLoopClock({});
        setenv("HWLINK_SIM_SIGNALS", inputs.toLatin1().constData(), 1);
        setenv("HWLINK_SIM_FAULT", fault, 1);
        test::ResetState();
        test::OpenSimulator("usb", configured);
    }
    // Runs the current test again in a process of its own on the real clock; true in that
    // process, which then runs the test's checks.
    static bool OnRealClock() {
        if (qEnvironmentVariableIsSet(test::kOwnProcess)) return true;
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        const test::ToolRun r = test::RunTool(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())},
            {QStringLiteral("HWLINK_SIM_CLOCK="), QString::fromLatin1(test::kOwnProcess) + "=1"});
        std::fputs(qPrintable(r.out + r.err), stdout);
        EXPECT_EQ(r.code, 0);
        return false;
    }
    // Steps the running loop as the program's timer does, sleeping while it has nothing to do,
    // until the next record has come; false when none comes within five seconds.
    static bool NextRecord() {
        const int32_t before = app().run.TrigCount;
        QElapsedTimer t;
        t.start();
        while (app().run.TrigCount == before) {
            if (!AcquisitionStep() || t.elapsed() > 5000) return false;
            LoopSleepMs(AcquisitionIdleMs());
        }
        return true;
    }
};

// A measure box value ("2.016 V", "999.8 Hz", "1.000MHz") in volts or hertz.
double ValueOf(const QString &text) {
    static const QRegularExpression re(QStringLiteral(R"(^\s*(-?[\d.]+)\s*(K|M|m|u|)(V|Hz)$)"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return std::nan("");
    const QString p = m.captured(2);
    const double scale = p == "K" ? 1e3 : p == "M" ? 1e6 : p == "m" ? 1e-3 : p == "u" ? 1e-6 : 1;
    return m.captured(1).toDouble() * scale;
}

// Autoset on signals from 50 Hz to 10 MHz and 0.2 to 8 V peak-to-peak (the simulator's
// amplitude is the peak), squares, sines and a triangle, at 1:1 and 10:1, on A1 (also with the
// logic trigger selected, which Autoset moves to A1) and on A2. Afterwards the probe is the
// user's, and the records the loop draws in "Auto." show the trace whole (clear of both rails,
// 2 to 8 divisions), the level inside it, every record triggered at the trigger bar on a rising
// crossing of the level, and 2 to 10 periods across the screen (more only at the fastest rate,
// 250 MSa/s); the measure box reads the frequency within 1 % and the peak-to-peak within 5 %
// (times the probe).
TEST_F(AutosetTest, FindsSignalsOverTheRangeOnTheRealClock) {
    if (!OnRealClock()) return;
    // The trigger source before Autoset (it works on A1 for the logic); shape, frequency and peak
    // volts; the probe (0 1:1, 1 10:1). Two cases share a run, on A1 and A2.
    const std::tuple<int16_t, const char *, uint8_t> cases[] = {
        {TrigA1, "square,100,1", 1},     {TrigA2, "sine,50,0.1", 0},
        {TrigLogic, "square,1000,1", 0}, {TrigA2, "sine,1000,4", 1},
        {TrigA1, "square,50000,0.5", 1}, {TrigA2, "triangle,20000,0.25", 0},
        {TrigA1, "square,1e5,0.5", 1},   {TrigA2, "sine,3e5,2", 0},
        {TrigA1, "square,1e6,0.5", 0},   {TrigA2, "sine,2e6,0.15", 1},
        {TrigA1, "square,5e6,0.1", 0},   {TrigA2, "sine,1e7,4", 1},
        {TrigA1, "square,1e7,1.5", 0},   {TrigA2, "sine,7000,3", 0},
    };
    AppState &s = app();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto &[trigger, signal, probe] = cases[i];
        const QStringList fields = QString::fromLatin1(signal).split(QLatin1Char(','));
        const double hertz = fields[1].toDouble(), peak = fields[2].toDouble();
        const int ch = trigger == TrigA2 ? 1 : 0;
        const QString input = QStringLiteral("A%1=%2,0").arg(ch + 1).arg(signal);
        SCOPED_TRACE(input.toStdString() + " probe " + std::to_string(probe));
        // As in the program, which acquires from the start, Autoset is pressed while the
        // instrument acquires.
        if (i % 2 == 0) {
            Open(input + QStringLiteral(";A2=%1,0").arg(std::get<1>(cases[i + 1])));
            tbToolBar_ButtonClick(1);
            ASSERT_TRUE(NextRecord());
        }
        const auto k = static_cast<size_t>(ch);
        s.trigger.TrigChannel = trigger;
        s.channels.ProbeIndex[k] = probe;
        const AutosetResult r = AutosetClick();
        ASSERT_EQ(r.outcome, AutosetOutcome::Done);
        EXPECT_EQ((test::Nums{r.channel, s.trigger.TrigChannel, s.channels.ProbeIndex[k]}),
                  (test::Nums{ch, ch, probe}));

        std::array<std::vector<uint8_t>, 2> screens;
        for (std::vector<uint8_t> &screen : screens) {
            ASSERT_TRUE(NextRecord());
            const TestStretch t = MeasureStretch(0);
            const uint8_t *data = s.records.SampleBuf.data() + HW_SB_AREA_LEN * k + t.start;
            screen.assign(data, data + t.length);
            const auto [lo, hi] = std::minmax_element(screen.begin(), screen.end());
            EXPECT_TRUE(kTopRail < *lo && *hi < kBottomRail) << int(*lo) << " " << int(*hi);
            EXPECT_TRUE(50 <= *hi - *lo && *hi - *lo <= 200) << *hi - *lo;
            const int32_t level = s.trigger.TrigLevel[k];
            EXPECT_TRUE(*lo < level && level < *hi) << level;
            // Rising: the codes fall through the level at the trigger bar (the comparator sees
            // every other sample).
            const auto bar = static_cast<size_t>(s.view.BarPos[2]);
            EXPECT_TRUE(screen[bar - 4] > level && screen[bar + 4] < level)
                << int(screen[bar - 4]) << " " << int(screen[bar + 4]) << " level " << level;
        }
        const double periods =
            hertz * SamplePeriodSeconds(s.acquisition.RateIndex) * s.screen.ScreenSamples;
        EXPECT_TRUE(periods >= 2 && (periods <= 10 || s.acquisition.RateIndex == 6)) << periods;

        s.measure.TestLenMode = 1;
        frmMeasure().TestCh(); // "V_p-p." and "Freq." of A1 and A2
        for (const MeasureRow &row : frmMeasure().rows()) {
            if (row.channel != ch) continue;
            EXPECT_NEAR(ValueOf(row.value) / (row.item == 3 ? 2 * peak * (probe ? 10 : 1) : hertz),
                        1, row.item == 3 ? 0.05 : 0.01)
                << row.value.toStdString();
        }
    }
}

// vrxctl, as a user runs it on the real clock: Autoset of a noise-free 1 kHz square of 2 V
// peak-to-peak with the probe at 1:1 keeps that probe, and the settings file it saves measures the
// same signal again: 2 V and 1 kHz.
TEST_F(AutosetTest, VrxctlSavesWhatAutosetAndTheCommandLineApplied) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("autoset.ini"));
    auto run = [](const QStringList &args) {
        const test::ToolRun r =
            test::RunTool(QStringLiteral(VRX_CTL), QStringList{"--sim", "usb"} + args,
                          {"HWLINK_SIM_CLOCK=", "HWLINK_SIM_SIGNALS=A1=square,1000,1,0;NOISE=0"});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        return r.out;
    };
    const QString chosen = run({"--probe", "A1=1", "autoset", "--save-settings", file});
    EXPECT_TRUE(chosen.contains(QStringLiteral("vdiv\t500mV\n"))) << chosen.toStdString();
    EXPECT_TRUE(test::ReadAll(file).contains("\"P_attn\",0,"));

    const QString rows = run({"--settings", file, "measure"});
    static const QRegularExpression item(QStringLiteral(R"(^A1\t(V_p-p\.|Freq\.)\t(.*)$)"),
                                         QRegularExpression::MultilineOption);
    int found = 0;
    for (auto it = item.globalMatch(rows); it.hasNext(); ++found) {
        const auto m = it.next();
        const bool volts = m.captured(1) == QStringLiteral("V_p-p.");
        EXPECT_NEAR(ValueOf(m.captured(2)) / (volts ? 2.0 : 1000.0), 1, volts ? 0.05 : 0.01)
            << m.captured(0).toStdString();
    }
    EXPECT_EQ(found, 2) << rows.toStdString();
}

// An instrument that goes away after three records, one slower than the bound (the loop clock
// runs ten seconds a reading) and an open input: Autoset ends with its message and every
// setting as it was. One whose configuration never completes is not autoset.
TEST_F(AutosetTest, FailureEndsWithMessageAndOldSettings) {
    using enum AutosetOutcome;
    for (const auto &[inputs, fault, slowClock, outcome, text] :
         {std::tuple{"A1=square,1000,0.5,0", "gone@3", false, InstrumentLost, kAutosetLostText},
          {"A1=square,1000,0.5,0", ";", true, NoRecord, kAutosetNoRecordText},
          {"A1=none", ";", false, NoSignal, kAutosetNoSignalText}}) {
        SCOPED_TRACE(fault);
        Open(inputs, fault);
        int64_t now = 0;
        if (slowClock) SetLoopClock([&] { return now += 10000; });
        app().channels.ProbeIndex[0] = 0;
        app().trigger.TrigLevel[0] = 140;
        app().view.BarPos[2] = 1000;
        const test::Nums before = test::SettingsOfChannel(0);
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        EXPECT_TRUE(Autoset0().outcome == outcome && test::SettingsOfChannel(0) == before);
        EXPECT_TRUE(boxes.boxes.size() == 1 && boxes.boxes[0].text == text);
    }
    // Autoset says why ("Go" saying so and staying released is the main window test's).
    Open("A1=square,1000,0.5,0", "neverdone", false);
    const test::Nums before = test::SettingsOfChannel(0);
    EXPECT_EQ(AutosetClick().outcome, AutosetOutcome::NotConfigured);
    EXPECT_EQ(test::SettingsOfChannel(0), before);
    EXPECT_EQ(acquisitionControls().LabelStat[0].text(), kNotConfiguredText);
}

// Autoset aims exactly, on noise-free 1 MHz squares on A1 (every record at 250MSa/S), from the
// default 100 mV/div (4 mV a code at 1:1) and position 128. From the codes a record at those
// settings shows (lo the top, hi the bottom, the middle (lo + hi) / 2) it takes the most
// sensitive volts/div w from 20 mV/div at which the span, scaled by k = 4 / (mV a code at w), is
// at most 190 codes (7.6 divisions, which also keeps a centred trace 8 codes clear of each
// rail), and the position that puts the middle at the screen's centre: 128 - (middle - 128) * k,
// rounded half to even; a position within 3 codes of 128 at 100 mV/div is kept. The squares fit
// finer, the same and coarser volts/div, and span 190 and 191 codes at 100 mV/div.
TEST_F(AutosetTest, AimsVoltsPerDivisionAndPositionExactly) {
    // The peak and offset volts, the span in codes at 100 mV/div (0: any), and the volts/div and
    // position Autoset takes: 80 codes from 78 fit 50 mV/div, where k = 2 brings their middle 118
    // to 148; 101 codes from 27 fit 100 mV/div (middle 77: 179); 202 codes from 17 take 200 mV/div
    // (k = 0.5, middle 118: 133); 191 codes from 32 too (middle 127: 128.5, rounded to 128).
    const std::tuple<const char *, int, int, int> cases[] = {{"0.16,0.04", 0, 3, 148},
                                                             {"0.2,0.2", 0, 4, 179},
                                                             {"0.4,0.04", 0, 5, 133},
                                                             {"0.378,0", 190, 4, 128},
                                                             {"0.38,0.002", 191, 5, 128}};
    for (const auto &[input, span, vdiv, pos] : cases) {
        SCOPED_TRACE(input);
        Open(QStringLiteral("A1=square,1e6,%1;NOISE=0").arg(QLatin1String(input)));
        AppState &s = app();
        s.channels.ChanPos[0] = 128;
        form1().cmbRate.setIndex(6);
        ASSERT_TRUE(ArmInstrument());
        for (int i = 0; i < 100000 && ReadTrigStat() != HW_STAT_COMPLETE; ++i)
            ForceTrigger(s.records.PortState.data(), s.records.DevConfig.data());
        const TestStretch t = MeasureStretch(1);
        const auto first = s.records.SampleBuf.begin() + HW_SB_A1 + t.start;
        const auto [top, bottom] = std::minmax_element(first, first + t.length);
        EXPECT_TRUE(span == 0 || *bottom - *top == span) << int(*top) << " " << int(*bottom);
        const AutosetResult r = Autoset0();
        EXPECT_EQ((test::Nums{int(r.outcome), r.VdivIndex, r.ChanPos}),
                  (test::Nums{int(AutosetOutcome::Done), vdiv, pos}));
    }
}

} // namespace
} // namespace vrx
