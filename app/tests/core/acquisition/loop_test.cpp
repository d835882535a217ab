// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition loop and the software catch, stepped on a virtual millisecond clock against
// the simulated instrument (USB 2.0, library on its virtual clock) and in demo mode.
#include "core/fixture.h"

namespace vrx::test {
namespace {

// The simulated A1 input is a square wave of 5 divisions around its position (178): a level of
// 10 is never crossed, so the instrument waits for a trigger as with no signal at all.
constexpr uint8_t kLevelNeverCrossed = 10;

class LoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
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
    // `n` passes; true when the loop went on after every one.
    bool Steps(int n, int64_t cost = 1) {
        bool more = true;
        while (n-- > 0)
            more = Step(cost) && more;
        return more;
    }
    // Passes while `go` holds, at most `limit`; how many.
    int StepWhile(const std::function<bool()> &go, int limit, int64_t cost = 1) {
        int n = 0;
        for (; go() && n < limit; ++n)
            Step(cost);
        return n;
    }
    int StepUntilStopped(int limit) { return StepWhile(AcquisitionActive, limit); }
    // Acquiring in `mode` ("Normal", "Auto.") on a level the signal never crosses.
    void StartWaiting(uint8_t mode) {
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
    // The loop has ended: not running, "Go" released; the status texts begin with `stats`.
    void ExpectStopped(const Texts &stats = {}) {
        EXPECT_EQ((Nums{AcquisitionActive(), s.run.Running, GoPressed()}), (Nums{0, 0, 0}));
        EXPECT_EQ((Texts{Stat(0), Stat(1)}).mid(0, stats.size()), stats);
    }

    AppState &s = app();
    int64_t now_ = 1000;
};

// "Once": the loop ends on the first complete record, drawn, with "Triggered" left visible.
TEST_F(LoopTest, OnceStopsOnFirstRecord) {
    for (const bool demo : {true, false}) {
        SCOPED_TRACE(demo ? "demo" : "simulator");
        if (!demo) OpenSimulator();
        s.acquisition.CaptureMode = 0;
        ClearPicture(pictures().picScope[0], s.colors.Colors[0]);
        ClickGo();
        EXPECT_TRUE(GoPressed() && s.run.Running == 1);
        StepUntilStopped(2000);
        ExpectStopped({"Triggered", "1"});
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
    OpenSimulator();
    StartWaiting(1);
    ASSERT_TRUE(Steps(100));
    EXPECT_EQ((Texts{Stat(0), Stat(1)}), (Texts{"Wait Trigger", "0"}));
    s.trigger.TrigLevel[0] = 178;
    s.run.ParamChanged = 1;
    Steps(50);
    EXPECT_EQ(s.run.ParamChanged, 0);
    EXPECT_GE(s.run.TrigCount, 5);
    EXPECT_EQ(Stat(1), QString::number(s.run.TrigCount));

    s.trigger.TrigLevel[0] = kLevelNeverCrossed;
    s.run.ParamChanged = 1;
    Steps(50);
    ASSERT_EQ(Stat(0), "Wait Trigger");
    s.run.CounterState = {1, 2, 3, 4};
    ClickGo();
    EXPECT_EQ((Nums{GoPressed(), s.run.Running, s.run.CounterState[1], s.run.CounterState[2],
                    s.run.CounterState[3]}),
              (Nums{0, 0, 2, 0, 0}));
    EXPECT_FALSE(Step());
    ExpectStopped({""});
    EXPECT_EQ(s.run.TrigCount, 0);
}

// While the instrument waits for a trigger the loop polls once a millisecond, and at the slow
// rates once a sample period up to 20 ms, never 0 (a spinning core). Catch is off: every rate
// acquires.
TEST_F(LoopTest, IdleWhileWaitingFollowsTheSamplePeriod) {
    OpenSimulator();
    s.display.CatchEnabled = 0;
    const std::pair<uint8_t, int32_t> cases[] = {{kDefaultRate, 1}, {23, 1},  {24, 2},
                                                 {25, 5},           {27, 20}, {32, 20}};
    for (const auto &[rate, idleMs] : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << int(rate));
        s.acquisition.RateIndex = rate;
        StartWaiting(1);
        ASSERT_TRUE(Steps(5));
        EXPECT_EQ(Stat(0), "Wait Trigger");
        EXPECT_EQ(AcquisitionIdleMs(), idleMs);
        ClickGo();
        StepUntilStopped(10);
    }
}

// "Auto." with no trigger forces one exactly 100 ms after a poll that still waited, not a tick
// later: a record about every 100 ms plus a poll or two. Between the forced records the status
// reads "Wait Trigger".
TEST_F(LoopTest, AutoForcesATriggerEvery100Ms) {
    OpenSimulator();
    StartWaiting(2);
    OneShotTimer &t = acquisitionControls().Timer1;
    StepWhile([&] { return !t.Enabled; }, 10, 0);
    ASSERT_TRUE(t.Enabled);
    const int64_t armed = now_;
    Nums enabled;
    for (const int ms : {99, 100}) {
        now_ = armed + ms;
        Step(0);
        enabled.push_back(t.Enabled);
    }
    EXPECT_EQ(enabled, (Nums{1, 0}));
    StepWhile([&] { return s.run.TrigCount == 0; }, 5, 0);
    EXPECT_EQ(s.run.TrigCount, 1);

    std::vector<int64_t> records;
    for (int32_t last = 1; now_ < armed + 1100;) {
        ASSERT_TRUE(Step());
        if (s.run.TrigCount != last) records.push_back(now_);
        last = s.run.TrigCount;
    }
    ASSERT_TRUE(records.size() >= 8 && records.size() <= 10) << records.size();
    for (size_t i = 1; i < records.size(); ++i)
        EXPECT_TRUE(records[i] - records[i - 1] >= 100 && records[i] - records[i - 1] <= 106)
            << i << ": " << records[i] - records[i - 1] << " ms";
    // Halfway between two forced records the instrument is waiting and the timer armed.
    Steps(50);
    EXPECT_TRUE(Stat(0) == "Wait Trigger" && t.Enabled) << Stat(0).toStdString();
}

// Which rates run a software catch under which limit; without "Enable Software catch" even
// 1 Sa/s acquires normally.
TEST_F(LoopTest, CatchRanges) {
    // The switch, the limit, the rate and whether it catches.
    const std::tuple<int16_t, int16_t, uint8_t, bool> cases[] = {
        {-1, 27, 27, true},  {-1, 27, 26, false}, {-1, 26, 26, true},  {-1, 25, 26, true},
        {-1, 27, 31, true},  {-1, 27, 32, true},  {-1, 25, 33, false}, {-1, 25, 34, false},
        {-1, 25, 24, false}, {-1, 25, 25, true},  {0, 25, 32, false}};
    for (const auto &[enabled, limit, rate, catches] : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << limit << " rate " << int(rate));
        s.display.CatchEnabled = enabled;
        s.display.CatchRateLimit = limit;
        s.acquisition.RateIndex = rate;
        s.acquisition.SamplePeriod = rate > 32 ? 5.0 : RateTable(rate).period;
        const bool applies = CatchApplies();
        acquisitionControls().LabelStat[0].setText({});
        ClickGo();
        EXPECT_EQ((Nums{applies, CatchActive(), Stat(0) == "Catch count"}), Nums(3, catches));
        ClickGo();
        StepUntilStopped(10);
        EXPECT_FALSE(AcquisitionActive());
    }
}

// A 2K catch at 200 Sa/s takes 2047 samples on a schedule that advances from the previous due
// time, and ends with a full composition into picture 0.
TEST_F(LoopTest, CatchOf2KStopsAfter2047Samples) {
    OpenSimulator();
    s.display.CatchRateLimit = 25; // "200 Sa/s max. for Fast PC"
    StartCatch(25);                // 200Sa/S: one sample every 5 ms
    ASSERT_TRUE(CatchActive());
    EXPECT_EQ((Nums{s.run.TrigStat, s.view.ViewStart[0]}), (Nums{HW_STAT_COMPLETE, 2}));
    const int64_t start = now_;
    Steps(100);
    // Due at start + 5, 10, ...; a sample is taken once the clock has passed its due time.
    EXPECT_EQ(s.run.CatchCount, 19);
    // A stalled program: 21 ms pass in one step; the next passes catch up one sample each,
    // without shifting the schedule.
    Step(21);
    Steps(12, 0);
    EXPECT_EQ(s.run.CatchCount, (now_ - start - 1) / 5);
    EXPECT_EQ(Stat(1), QString::number(s.run.CatchCount));

    StepUntilStopped(20000);
    ExpectStopped({"Catch count", "2047"});
    // The newest sample stays at the right edge; the sample after the last stays preset.
    EXPECT_EQ((Nums{s.run.CatchCount, s.run.DrawPic, pictures().picScopeVisible[0],
                    pictures().picScopeVisible[1], s.view.ScrollPos, s.records.SampleBuf[2047]}),
              (Nums{2047, 0, true, false, 2047 - s.screen.ScreenSamples, 0x80}));
    // Caught samples replace the mid-scale preset.
    EXPECT_GT(2047 - std::count(s.records.SampleBuf.begin(), s.records.SampleBuf.begin() + 2047,
                                uint8_t{0x80}),
              1900);
}

// Zoom and window width are display settings: changing them while a 128K record fills does not
// re-arm the instrument, and the record completes. An 800-pixel trace at /5 (a picture one pixel
// wider) scrolls to the record's last sample less 800 * 5.
TEST_F(LoopTest, ZoomAndResizeWhileFillingDoNotRearm) {
    OpenSimulator();
    TimingPanel &f = form1();
    ApplyTimingSettings();
    f.cmbCapture.setIndex(1);
    f.cmbDepth.setIndex(2);
    f.cmbRate.setIndex(12); // 5MSa/S: 26 ms of post-trigger memory, a poll a millisecond
    ClickGo();
    StepWhile([] { return Stat(0) != "Filling Buffer"; }, 20000);
    ASSERT_EQ(Stat(0), "Filling Buffer");
    s.run.ParamChanged = 0;
    f.scrlZoom.setValue(-1);
    f.cmbZoom.setIndex(f.cmbZoom.index() + 1);
    f.Picture2Left = 248;
    f.ScaleWidth = 248 + 802; // a wider window: 800-pixel traces
    f.ZoomPara();
    ApplyDepth();
    EXPECT_EQ((Nums{s.run.ParamChanged, s.screen.ScreenSamples, s.screen.ScreenWidth[1],
                    s.screen.ScrollMax, pictures().picScope[1].width()}),
              (Nums{0, 800, 800, 131071 - 800 * 5, 801}));
    StepWhile([this] { return s.run.TrigCount == 0; }, 20000, 10);
    EXPECT_EQ(s.run.TrigCount, 1);
}

// The last picture of a software catch is complete, logic lanes included and without the
// stripes of moving bars: the same as a fresh composition of the caught record, whether the
// catch recomposes after every sample (20Sa/S) or spreads its frames over eight samples (50Sa/S)
// and is stopped in the middle of one, by "Go" or by a rate out of the catch range, which ends
// it at the next pass.
TEST_F(LoopTest, CatchEndsWithTheWholePicture) {
    OpenSimulator();
    for (const uint8_t rate : {28, 27}) {
        SCOPED_TRACE(testing::Message() << "rate " << int(rate));
        StartCatch(rate);
        ASSERT_TRUE(CatchActive());
        // Past the screen width, mid-frame.
        StepWhile([this] { return s.run.CatchCount < 700 + 4; }, 1000000);
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
        OpenSimulator(link);
        setenv("HWLINK_SIM_FAULT", ";", 1); // the next search finds the instrument whole
        s.acquisition.CaptureMode = 1;
        int lost = 0;
        const Subscription sub = Subscribe(Event::InstrumentLost, [&] { ++lost; });
        ClickGo();
        StepWhile([this] { return s.run.TrigCount < 5; }, 5000);
        ASSERT_EQ(s.run.TrigCount, 5);
        const std::vector<uint8_t> record(s.records.SampleBuf.begin(),
                                          s.records.SampleBuf.begin() + HW_SB_RAW);
        EXPECT_LE(StepUntilStopped(10), 3);
        ExpectStopped({kInstrumentLostText, "5"});
        EXPECT_EQ((Nums{s.run.TrigCount, lost}), (Nums{5, 1}));
        EXPECT_TRUE(std::equal(record.begin(), record.end(), s.records.SampleBuf.begin()));
        const QImage shown = pictures().picScope[0].copy();
        ComposeScreen(0, 1);
        EXPECT_TRUE(shown == pictures().picScope[0]) << "the pictures show the last record";

        ClickGo();
        StepUntilStopped(10);
        ExpectStopped({kInstrumentLostText});
        PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    }
}

// The bar buttons of the toolbar. ("Hbar" is the menu test's.) "Tbar" with a delayed trigger
// does nothing; otherwise the trigger bar ends at pixel 300; a separator and an unknown key do
// nothing.
TEST_F(LoopTest, ToolbarBarsAndAutoset) {
    ApplyDepth();
    s.view.BarPos = {450, 750, -3, 0};
    s.view.ScrollPos = 0;
    Nums scrolls;
    for (const auto &[key, index] :
         {std::pair{"Tbar", 0}, {"", 5}, {"V1bar", 0}, {"", 2}, {"Nothing", 0}}) {
        const QString k = QString::fromLatin1(key);
        k.isEmpty() ? tbToolBar_ButtonClick(index) : tbToolBar_ButtonClickKey(k);
        scrolls.push_back(s.view.ScrollPos);
        s.view.BarPos[2] = 1000;
    }
    EXPECT_EQ(scrolls, (Nums{0, 700, 150, 150, 150}));

    // "Autoset" is ignored in demo mode: nothing changes, nothing starts.
    const uint8_t vdiv = s.channels.VdivIndex[0];
    tbToolBar_ButtonClickKey("Autoset");
    EXPECT_TRUE(s.channels.VdivIndex[0] == vdiv && !AcquisitionActive());
}

} // namespace
} // namespace vrx::test
