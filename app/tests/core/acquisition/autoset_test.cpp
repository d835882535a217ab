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
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/acquisition/autoset.h"
#include "core/acquisition/loop.h"
#include "core/analysis/measure.h"
#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/output/export.h"

namespace vrx {
namespace {

// The converters' corrections put a clipped input at codes 3 and 252: a trace clear of those is
// whole on screen.
constexpr int32_t kTopRail = 3, kBottomRail = 252;

// Set in the process that runs a test on its own.
constexpr const char *kOwnProcess = "VRX_TEST_OWN_PROCESS";

class AutosetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet(kOwnProcess)) setenv("HWLINK_SIM_CLOCK", "virtual", 1);
    }
    void TearDown() override {
        StopLoop();
        PowerOff(app().records.PortState.data(), app().records.DevConfig.data());
        setenv("HWLINK_SIM_FAULT", ";", 1); // no fault for the next opening
        SetLoopClock({});
    }
    static void StopLoop() {
        app().run.Running = 0;
        while (AcquisitionStep()) {
        }
    }
    void Open(const char *inputs, const char *fault = ";", bool configured = true) {
        TearDown();
        setenv("HWLINK_SIM_SIGNALS", inputs, 1);
        setenv("HWLINK_SIM_FAULT", fault, 1);
        test::ResetState();
        form1().InitPanel();
        test::OpenSimulator("usb", configured);
    }
    static test::Nums Settings() {
        const AppState &s = app();
        return {s.channels.ProbeIndex[0], s.channels.VdivIndex[0], s.channels.ChanPos[0],
                s.trigger.TrigLevel[0],   s.acquisition.RateIndex, s.view.BarPos[2]};
    }
    // Runs `program` with the library on its real clock and `env` (NAME=value) added; a failed
    // run fails the test. Its output, or with `forward` its output passed on.
    static QString RunOnRealClock(const QString &program, const QStringList &args,
                                  const QStringList &env, bool forward = false) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove(QStringLiteral("HWLINK_SIM_CLOCK"));
        for (const QString &kv : env)
            e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        QProcess p;
        p.setProcessEnvironment(e);
        p.setProcessChannelMode(forward ? QProcess::ForwardedChannels
                                        : QProcess::ForwardedErrorChannel);
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(600000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString();
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    // Runs the current test again in a process of its own on the real clock; true in that
    // process, which then runs the test's checks.
    static bool OnRealClock() {
        if (qEnvironmentVariableIsSet(kOwnProcess)) return true;
        test::EnsureGuiApp();
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        RunOnRealClock(QCoreApplication::applicationFilePath(),
                       {QStringLiteral("--gtest_filter=%1.%2")
                            .arg(QString::fromLatin1(info->test_suite_name()),
                                 QString::fromLatin1(info->name()))},
                       {QString::fromLatin1(kOwnProcess) + QStringLiteral("=1")}, true);
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
// (times the probe). The time each Autoset took, pressed while acquiring, is printed.
TEST_F(AutosetTest, FindsSignalsOverTheRangeOnTheRealClock) {
    if (!OnRealClock()) return;
    struct Case {
        int16_t trigger; // the trigger source before Autoset; it works on A1 for the logic
        const char *shape;
        double hertz, peak;
        uint8_t probe; // 0 1:1, 1 10:1
    };
    const std::vector<Case> cases = {
        {TrigA1, "square", 100, 1.0, 1},    {TrigA2, "sine", 50, 0.1, 0},
        {TrigLogic, "square", 1e3, 1.0, 0}, {TrigA2, "sine", 1e3, 4.0, 1},
        {TrigA1, "square", 50e3, 0.5, 1},   {TrigA2, "triangle", 20e3, 0.25, 0},
        {TrigA1, "square", 100e3, 0.5, 1},  {TrigA2, "sine", 300e3, 2.0, 0},
        {TrigA1, "square", 1e6, 0.5, 0},    {TrigA2, "sine", 2e6, 0.15, 1},
        {TrigA1, "square", 5e6, 0.1, 0},    {TrigA2, "sine", 10e6, 4.0, 1},
        {TrigA1, "square", 10e6, 1.5, 0},   {TrigA2, "sine", 7e3, 3.0, 0},
    };
    auto input = [](const Case &c) {
        return QStringLiteral("A%1=%2,%3,%4,0")
            .arg(c.trigger == TrigA2 ? 2 : 1)
            .arg(QString::fromLatin1(c.shape))
            .arg(c.hertz, 0, 'f', 0)
            .arg(c.peak);
    };
    AppState &s = app();
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        const int ch = c.trigger == TrigA2 ? 1 : 0;
        SCOPED_TRACE(input(c).toStdString() + " probe " + std::to_string(c.probe));
        // A1 and A2 of a pair at once; as in the program, which acquires from the start,
        // Autoset is pressed while the instrument acquires.
        if (i % 2 == 0) {
            Open((input(c) + QLatin1Char(';') + input(cases[i + 1])).toLatin1().constData());
            tbToolBar_ButtonClick(1);
            ASSERT_TRUE(NextRecord());
        }
        const auto k = static_cast<size_t>(ch);
        s.trigger.TrigChannel = c.trigger;
        s.channels.ProbeIndex[k] = c.probe;
        QElapsedTimer took;
        took.start();
        const AutosetResult r = AutosetClick();
        const qint64 ms = took.elapsed();
        std::printf("autoset %-26s probe %s: %4lld ms, %2d trials\n", qPrintable(input(c)),
                    c.probe ? "10:1" : " 1:1", static_cast<long long>(ms), r.trials);
        ASSERT_EQ(r.outcome, AutosetOutcome::Done);
        EXPECT_EQ((test::Nums{r.channel, s.trigger.TrigChannel, s.channels.ProbeIndex[k]}),
                  (test::Nums{ch, ch, c.probe}));

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
            c.hertz * SamplePeriodSeconds(s.acquisition.RateIndex) * s.screen.ScreenSamples;
        EXPECT_TRUE(periods >= 2 && (periods <= 10 || s.acquisition.RateIndex == 6)) << periods;

        MeasureSettings &m = s.measure;
        m.TestLenMode = 1;
        m.TestA1.fill(1);
        m.TestA2.fill(1);
        frmMeasure().TestCh();
        const double probe = c.probe ? 10 : 1;
        for (const MeasureRow &row : frmMeasure().rows()) {
            if (row.channel != ch) continue;
            if (row.item == 3) {
                EXPECT_NEAR(ValueOf(row.value) / (2 * c.peak * probe), 1, 0.05)
                    << row.value.toStdString();
            } else if (row.item == 11) {
                EXPECT_NEAR(ValueOf(row.value) / c.hertz, 1, 0.01) << row.value.toStdString();
            }
        }
    }
}

// vrxctl, as a user runs it on the real clock: Autoset of a 1 kHz square of 2 V peak-to-peak
// with the probe at 1:1 keeps that probe, and the settings file it saves measures the same
// signal again: 2 V and 1 kHz.
TEST_F(AutosetTest, VrxctlSavesWhatAutosetAndTheCommandLineApplied) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("autoset.ini"));
    auto run = [](const QStringList &args) {
        return RunOnRealClock(QStringLiteral(VRX_CTL), QStringList{"--sim", "usb"} + args,
                              {"HWLINK_SIM_SIGNALS=A1=square,1000,1,0", "HWLINK_SIM_FAULT="});
    };
    const QString chosen = run({"--probe", "A1=1", "autoset", "--save-settings", file});
    EXPECT_TRUE(chosen.contains(QStringLiteral("vdiv\t500mV\n"))) << chosen.toStdString();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("\"P_attn\",0,"));

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
    struct Case {
        const char *inputs, *fault;
        bool slowClock;
        AutosetOutcome outcome;
        QString text;
    };
    for (const Case &c :
         {Case{"A1=square,1000,0.5,0", "gone@3", false, AutosetOutcome::InstrumentLost,
               kAutosetLostText},
          Case{"A1=square,1000,0.5,0", ";", true, AutosetOutcome::NoRecord, kAutosetNoRecordText},
          Case{"A1=none", ";", false, AutosetOutcome::NoSignal, kAutosetNoSignalText}}) {
        SCOPED_TRACE(c.fault);
        Open(c.inputs, c.fault);
        int64_t now = 0;
        if (c.slowClock) SetLoopClock([&] { return now += 10000; });
        app().channels.ProbeIndex[0] = 0;
        app().trigger.TrigLevel[0] = 140;
        app().view.BarPos[2] = 1000;
        const test::Nums before = Settings();
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        const AutosetResult r = Autoset0();
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(Settings(), before);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.text);
    }
    Open("A1=square,1000,0.5,0", "neverdone", false);
    const test::Nums before = Settings();
    EXPECT_EQ(AutosetClick().outcome, AutosetOutcome::NotConfigured);
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(acquisitionControls().LabelStat[0].text(), kNotConfiguredText);
}

} // namespace
} // namespace vrx
