// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition loop and the software catch, stepped on a virtual millisecond clock against
// the simulated instrument (USB 2.0, library on its virtual clock) and in demo mode.
#include <vector>

#include "core/acquisition/loop.h"
#include "core/base/events.h"
#include "core/base/rates.h"
#include "core/fixture.h"
#include "core/timing/frontpanel.h"

namespace vrx {
namespace {

using test::CountColor;

// The simulated A1 input is a square wave of 5 divisions around its position (178): a level of
// 10 is never crossed, so the instrument waits for a trigger as with no signal at all.
constexpr uint8_t kLevelNeverCrossed = 10;

class LoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::ResetState();
        bars().Scrollscr.setRange(0, 131071); // any record position, as before any zoom
        bars().Scrollscr.setValue(s.view.ScrollPos);
        SetLoopClock([this] { return now_; });
    }
    // One pass; the program's events would be handled after it. Every pass costs `cost` ms.
    bool Step(int64_t cost = 1) {
        const bool more = AcquisitionStep();
        now_ += cost;
        return more;
    }
    int StepUntilStopped(int limit) {
        int n = 0;
        for (; AcquisitionActive() && n < limit; ++n)
            Step();
        return n;
    }
    // The simulator acquiring in `mode` ("Normal", "Auto.") on a level the signal never crosses.
    void StartWaiting(uint8_t mode) {
        test::OpenSimulator();
        s.acquisition.CaptureMode = mode;
        s.trigger.TrigLevel[0] = kLevelNeverCrossed;
        ClickGo();
    }
    // The catch at rate `rate` with "Enable Software catch", started.
    void StartCatch(uint8_t rate) {
        s.display.CatchEnabled = -1;
        s.acquisition.RateIndex = rate;
        s.acquisition.SamplePeriod = kRates[rate].period;
        ClickGo();
    }
    static void ClickGo() { tbToolBar_ButtonClick(1); }
    static QString Stat(int i) { return acquisitionControls().LabelStat[size_t(i)].text(); }
    static bool GoPressed() { return acquisitionControls().Button(1).pressed(); }
    // The loop has ended: not running, "Go" released.
    void ExpectStopped() {
        EXPECT_EQ((test::Nums{AcquisitionActive(), s.run.Running, GoPressed()}),
                  (test::Nums{0, 0, 0}));
    }

    AppState &s = app();
    int64_t now_ = 1000;
};

// "Once": the loop ends on the first complete record, drawn, with "Triggered" left visible.
TEST_F(LoopTest, OnceStopsOnFirstRecord) {
    for (const bool demo : {true, false}) {
        SCOPED_TRACE(demo ? "demo" : "simulator");
        if (!demo) test::OpenSimulator();
        s.acquisition.CaptureMode = 0;
        ClearPicture(pictures().picScope[0], s.colors.Colors[0]);
        ClickGo();
        EXPECT_TRUE(GoPressed() && s.run.Running == 1);
        StepUntilStopped(2000);
        ExpectStopped();
        EXPECT_EQ((test::Texts{Stat(0), Stat(1)}), (test::Texts{"Triggered", "1"}));
        EXPECT_EQ(s.run.TrigCount, 1);
        // The record was composed: A1 dots on the picture.
        EXPECT_GE(CountColor(pictures().picScope[0].copy(0, 0, 600, 256), s.colors.Colors[4]), 600);
    }
}

// "Normal" waits without a trigger and never times out; a changed setting reaches the
// instrument at the next pass (a level the signal crosses starts the records coming); a stop
// click while the instrument waits ends the loop at the next pass: count back to 0, empty
// status, counter state cleared.
TEST_F(LoopTest, NormalWaitsRearmsOnAChangeAndStops) {
    StartWaiting(1);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(Step());
    EXPECT_EQ((test::Texts{Stat(0), Stat(1)}), (test::Texts{"Wait Trigger", "0"}));
    s.trigger.TrigLevel[0] = 178;
    s.run.ParamChanged = 1;
    for (int i = 0; i < 50; ++i)
        Step();
    EXPECT_EQ(s.run.ParamChanged, 0);
    EXPECT_GE(s.run.TrigCount, 5);
    EXPECT_EQ(Stat(1), QString::number(s.run.TrigCount));

    s.trigger.TrigLevel[0] = kLevelNeverCrossed;
    s.run.ParamChanged = 1;
    for (int i = 0; i < 50; ++i)
        Step();
    ASSERT_EQ(Stat(0), "Wait Trigger");
    s.run.CounterState = {1, 2, 3, 4};
    ClickGo();
    EXPECT_EQ((test::Nums{GoPressed(), s.run.Running, s.run.CounterState[1], s.run.CounterState[2],
                          s.run.CounterState[3]}),
              (test::Nums{0, 0, 2, 0, 0}));
    EXPECT_FALSE(Step());
    ExpectStopped();
    EXPECT_EQ((test::Nums{s.run.TrigCount, Stat(0).isEmpty()}), (test::Nums{0, 1}));
}

// While the instrument waits for a trigger the loop polls once a millisecond, and at the slow
// rates once a sample period up to 20 ms, never 0 (a spinning core). Catch is off: every rate
// acquires.
TEST_F(LoopTest, IdleWhileWaitingFollowsTheSamplePeriod) {
    struct Case {
        uint8_t rate;
        int32_t idleMs;
    };
    const Case cases[] = {{kDefaultRate, 1}, {23, 1}, {24, 2}, {25, 5}, {27, 20}, {32, 20}};
    test::OpenSimulator();
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << int(c.rate));
        s.display.CatchEnabled = 0;
        s.acquisition.CaptureMode = 1;
        s.acquisition.RateIndex = c.rate;
        s.trigger.TrigLevel[0] = kLevelNeverCrossed;
        ClickGo();
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(Step());
        EXPECT_EQ(Stat(0), "Wait Trigger");
        EXPECT_EQ(AcquisitionIdleMs(), c.idleMs);
        ClickGo();
        StepUntilStopped(10);
    }
}

// "Auto." with no trigger forces one exactly 100 ms after a poll that still waited, not a tick
// later: a record about every 100 ms plus a poll or two. Between the forced records the status
// reads "Wait Trigger".
TEST_F(LoopTest, AutoForcesATriggerEvery100Ms) {
    StartWaiting(2);
    OneShotTimer &t = acquisitionControls().Timer1;
    for (int i = 0; i < 10 && !t.Enabled; ++i)
        Step(0);
    ASSERT_TRUE(t.Enabled);
    const int64_t armed = now_;
    now_ = armed + 99;
    Step(0);
    EXPECT_TRUE(t.Enabled);
    now_ = armed + 100;
    Step(0);
    EXPECT_FALSE(t.Enabled);
    for (int i = 0; i < 5 && s.run.TrigCount == 0; ++i)
        Step(0);
    EXPECT_EQ(s.run.TrigCount, 1);

    std::vector<int64_t> records;
    for (int32_t last = 1; now_ < armed + 1100;) {
        ASSERT_TRUE(Step());
        if (s.run.TrigCount != last) records.push_back(now_);
        last = s.run.TrigCount;
    }
    ASSERT_GE(records.size(), 8u);
    ASSERT_LE(records.size(), 10u);
    for (size_t i = 1; i < records.size(); ++i) {
        EXPECT_GE(records[i] - records[i - 1], 100) << i;
        EXPECT_LE(records[i] - records[i - 1], 106) << i;
    }
    // Halfway between two forced records the instrument is waiting and the timer armed.
    for (int i = 0; i < 50; ++i)
        Step();
    EXPECT_EQ(Stat(0), "Wait Trigger");
    EXPECT_TRUE(t.Enabled);
}

// Which rates run a software catch under which limit; without "Enable Software catch" even
// 1 Sa/s acquires normally.
TEST_F(LoopTest, CatchRanges) {
    struct Case {
        int16_t enabled, limit;
        uint8_t rate;
        bool catches;
    };
    const Case cases[] = {{-1, 27, 27, true},  {-1, 27, 26, false}, {-1, 26, 26, true},
                          {-1, 25, 26, true},  {-1, 27, 31, true},  {-1, 27, 32, true},
                          {-1, 25, 33, false}, {-1, 25, 34, false}, {-1, 25, 24, false},
                          {-1, 25, 25, true},  {0, 25, 32, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << c.limit << " rate " << int(c.rate));
        s.display.CatchEnabled = c.enabled;
        s.display.CatchRateLimit = c.limit;
        s.acquisition.RateIndex = c.rate;
        s.acquisition.SamplePeriod = c.rate > 32 ? 5.0 : RateTable(c.rate).period;
        EXPECT_EQ(CatchApplies(), c.catches);
        acquisitionControls().LabelStat[0].setText({});
        ClickGo();
        EXPECT_EQ((test::Nums{CatchActive(), Stat(0) == "Catch count"}),
                  (test::Nums{c.catches, c.catches}));
        ClickGo();
        StepUntilStopped(10);
        EXPECT_FALSE(AcquisitionActive());
    }
}

// A 2K catch at 200 Sa/s takes 2047 samples on a schedule that advances from the previous due
// time, and ends with a full composition into picture 0.
TEST_F(LoopTest, CatchOf2KStopsAfter2047Samples) {
    test::OpenSimulator();
    s.display.CatchRateLimit = 25; // "200 Sa/s max. for Fast PC"
    StartCatch(25);                // 200Sa/S: one sample every 5 ms
    ASSERT_TRUE(CatchActive());
    EXPECT_EQ((test::Nums{s.run.TrigStat, s.view.ViewStart[0]}), (test::Nums{HW_STAT_COMPLETE, 2}));
    const int64_t start = now_;
    for (int i = 0; i < 100; ++i)
        Step();
    // Due at start + 5, 10, ...; a sample is taken once the clock has passed its due time.
    EXPECT_EQ(s.run.CatchCount, 19);
    // A stalled program: 21 ms pass in one step; the next passes catch up one sample each,
    // without shifting the schedule.
    Step(21);
    for (int i = 0; i < 12; ++i)
        Step(0);
    EXPECT_EQ(s.run.CatchCount, (now_ - start - 1) / 5);
    EXPECT_EQ(Stat(1), QString::number(s.run.CatchCount));

    StepUntilStopped(20000);
    ExpectStopped();
    EXPECT_EQ((test::Texts{Stat(0), Stat(1)}), (test::Texts{"Catch count", "2047"}));
    EXPECT_EQ((test::Nums{s.run.CatchCount, s.run.DrawPic, pictures().picScopeVisible[0],
                          pictures().picScopeVisible[1]}),
              (test::Nums{2047, 0, true, false}));
    // The newest sample stays at the right edge.
    EXPECT_EQ(s.view.ScrollPos, 2047 - s.screen.ScreenSamples);
    // Caught samples replace the mid-scale preset; the sample after the last stays preset.
    EXPECT_GT(2047 - std::count(s.records.SampleBuf.begin(), s.records.SampleBuf.begin() + 2047,
                                uint8_t{0x80}),
              1900);
    EXPECT_EQ(s.records.SampleBuf[2047], 0x80);
}

// Zoom and window width are display settings: changing them while a 128K record fills does not
// re-arm the instrument, and the record completes.
TEST_F(LoopTest, ZoomAndResizeWhileFillingDoNotRearm) {
    test::OpenSimulator();
    TimingPanel &f = form1();
    ApplyTimingSettings();
    f.cmbCapture.setIndex(1);
    f.cmbDepth.setIndex(2);
    f.cmbRate.setIndex(12); // 5MSa/S: 26 ms of post-trigger memory, a poll a millisecond
    ClickGo();
    for (int i = 0; i < 20000 && Stat(0) != "Filling Buffer"; ++i)
        Step();
    ASSERT_EQ(Stat(0), "Filling Buffer");
    s.run.ParamChanged = 0;
    f.scrlZoom.setValue(-1);
    f.cmbZoom.setIndex(f.cmbZoom.index() + 1);
    f.Picture2Left = 248;
    f.ScaleWidth = 248 + 802; // a wider window: 800-pixel traces
    f.ZoomPara();
    ApplyDepth();
    EXPECT_EQ((test::Nums{s.run.ParamChanged, s.screen.ScreenSamples}), (test::Nums{0, 800}));
    for (int i = 0; i < 20000 && s.run.TrigCount == 0; ++i)
        Step(10);
    EXPECT_EQ(s.run.TrigCount, 1);
}

// The last picture of a software catch is complete, logic lanes included and without the
// stripes of moving bars: the same as a fresh composition of the caught record, whether the
// catch recomposes after every sample (20Sa/S) or spreads its frames over eight samples (50Sa/S)
// and is stopped in the middle of one, by "Go" or by a rate out of the catch range, which ends
// it at the next pass.
TEST_F(LoopTest, CatchEndsWithTheWholePicture) {
    test::OpenSimulator();
    for (const uint8_t rate : {28, 27}) {
        SCOPED_TRACE(testing::Message() << "rate " << int(rate));
        StartCatch(rate);
        ASSERT_TRUE(CatchActive());
        while (s.run.CatchCount < 700 + 4) // past the screen width, mid-frame
            Step();
        if (rate == 28)
            ClickGo();
        else
            s.acquisition.RateIndex = 26;
        EXPECT_EQ(StepUntilStopped(100), rate == 28 ? 1 : 2);
        ExpectStopped();
        EXPECT_LE(s.run.CatchCount, 705);
        const QImage lanes = pictures().Picture1.copy();
        const QImage scope = pictures().picScope[0].copy();
        ComposeScreen(0, 1);
        EXPECT_TRUE(lanes == pictures().Picture1 && scope == pictures().picScope[0]);
        const int h = s.display.LogicHeight;
        for (int lane = 0; lane < 16; ++lane)
            EXPECT_GT(CountColor(lanes.copy(0, lane * h, lanes.width(), h),
                                 s.colors[LogicColorEntry(lane)]),
                      100)
                << "lane " << lane;
    }
}

// An instrument that goes away, or whose transfers or requests start failing, after five records:
// the loop stops within a poll and says so; the count, the record and its pictures stay those of
// the last good record, and "Go" again does not bring up stale data.
TEST_F(LoopTest, LostInstrumentStopsTheLoop) {
    const std::pair<const char *, const char *> cases[] = {
        {"usb", "gone@5"},   {"usb", "bulkfail@5"}, {"usb", "regfail@5"},
        {"usb11", "gone@5"}, {"epp", "gone@5"},     {"bpp", "gone@5"}};
    for (const auto &[link, fault] : cases) {
        SCOPED_TRACE(std::string(link) + " " + fault);
        setenv("HWLINK_SIM_FAULT", fault, 1);
        test::OpenSimulator(link);
        setenv("HWLINK_SIM_FAULT", ";", 1); // the next search finds the instrument whole
        s.acquisition.CaptureMode = 1;
        int lost = 0;
        const Subscription sub = Subscribe(Event::InstrumentLost, [&] { ++lost; });
        ClickGo();
        for (int i = 0; i < 5000 && s.run.TrigCount < 5; ++i)
            Step();
        ASSERT_EQ(s.run.TrigCount, 5);
        const std::vector<uint8_t> record(s.records.SampleBuf.begin(),
                                          s.records.SampleBuf.begin() + HW_SB_RAW);
        EXPECT_LE(StepUntilStopped(10), 3);
        ExpectStopped();
        EXPECT_EQ((test::Texts{Stat(0), Stat(1)}), (test::Texts{kInstrumentLostText, "5"}));
        EXPECT_EQ((test::Nums{s.run.TrigCount, lost}), (test::Nums{5, 1}));
        EXPECT_TRUE(std::equal(record.begin(), record.end(), s.records.SampleBuf.begin()));
        const QImage shown = pictures().picScope[0].copy();
        ComposeScreen(0, 1);
        EXPECT_TRUE(shown == pictures().picScope[0]) << "the pictures show the last record";

        ClickGo();
        StepUntilStopped(10);
        ExpectStopped();
        EXPECT_EQ(Stat(0), kInstrumentLostText);
        PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    }
}

// The bar buttons of the toolbar. ("Hbar" is the menu test's.)
TEST_F(LoopTest, ToolbarBarsAndAutoset) {
    ApplyDepth();
    s.view.BarPos = {450, 750, 600, 0};
    s.view.ScrollPos = 0;
    // "Tbar" with a delayed trigger does nothing; otherwise the trigger bar ends at pixel 300.
    s.view.BarPos[2] = -3;
    tbToolBar_ButtonClickKey("Tbar");
    EXPECT_EQ(s.view.ScrollPos, 0);
    s.view.BarPos[2] = 1000;
    tbToolBar_ButtonClick(5);
    EXPECT_EQ(s.view.ScrollPos, 700);
    tbToolBar_ButtonClickKey("V1bar");
    EXPECT_EQ(s.view.ScrollPos, 150);
    tbToolBar_ButtonClick(2); // a separator
    tbToolBar_ButtonClickKey("Nothing");
    EXPECT_EQ(s.view.ScrollPos, 150);

    // "Autoset" is ignored in demo mode: nothing changes, nothing starts.
    const uint8_t vdiv = s.channels.VdivIndex[0];
    tbToolBar_ButtonClickKey("Autoset");
    EXPECT_EQ(s.channels.VdivIndex[0], vdiv);
    EXPECT_FALSE(AcquisitionActive());
}

} // namespace
} // namespace vrx
