// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers and fixtures shared by the core tests: a fresh program for every test, readable texts,
// the pictures of the timing view, the front panel on its defaults and the screen composition
// on a 600-pixel trace.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include "core/acquisition/loop.h"
#include "core/analysis/counter.h"
#include "core/analysis/fft_library.h"
#include "core/base/events.h"
#include "core/base/reset.h"
#include "core/base/state.h"
#include "core/logic/logic_panel.h"
#include "core/menus/menu_commands.h"
#include "core/startup/startup.h"
#include "core/timing/color_setup.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

namespace vrx::test {

// Values and texts compared as one list: a failure prints the whole list.
using Nums = std::vector<int64_t>;
using Texts = QStringList;

// A device that fails every write with "No space left on device". Made inside the test's own
// folder where this user may make devices, so a writer that wrongly replaced it by a file
// replaces the test's copy and never the system's /dev/full; a user who may not make devices
// cannot replace /dev/full either, and gets that one. Empty: no safe device to be had.
inline QString FullDevice(const QDir &dir) {
    const QString path = dir.filePath(QStringLiteral("full"));
    if (QFileInfo::exists(path) ||
        ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0)
        return path;
    return geteuid() == 0 ? QString() : QStringLiteral("/dev/full");
}

inline void EnsureGuiApp() {
    EnsureHeadlessGui("vrxcore_tests");
}

// Set in the process that runs one test of its own on the library's real clock.
constexpr const char *kOwnProcess = "VRX_TEST_OWN_PROCESS";

// Every test starts from a fresh program in demo mode, whatever ran before it in this process:
// the instrument left open powered off and the simulator's variables unset (the library on its
// virtual clock, but in a process that runs a test on the real clock), nothing acquired, the
// state, the pictures and the controls as the start-up leaves them, the build's FFT library and
// the run's working directory. A test that ends with more listeners of the core's events than it
// began with left a subscription behind, and fails.
class FreshProgram : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override {
        AppState &s = app();
        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
        ResetAcquisition();
        for (const char *name :
             {"HWLINK_SIM", "HWLINK_SIM_SIGNALS", "HWLINK_SIM_VARIANT", "HWLINK_SIM_TRACE"})
            unsetenv(name);
        setenv("HWLINK_SIM_FAULT", ";", 1); // no fault, nor one kept from an earlier search
        if (!qEnvironmentVariableIsSet(kOwnProcess)) setenv("HWLINK_SIM_CLOCK", "virtual", 1);
        QDir::setCurrent(home_);
        SetFFtLibraryFile(QStringLiteral(VRX_TEST_FFT_LIBRARY));
        ResetAppState();
        pictures() = {};
        form1().ScaleWidth = form1().Picture2Left = 0;
        // The windows' models that follow events, built before the count.
        colorSetup(), logicPanel(), frmCounter(), menuCommands();
        EnsureGuiApp();
        InitProgramState(DefaultSettingsFile::Ignore);
        listeners_ = ListenerCount();
    }
    void OnTestEnd(const ::testing::TestInfo &) override {
        EXPECT_EQ(ListenerCount(), listeners_) << "a subscription outlived its test";
    }
    const QString home_ = QDir::currentPath();
    size_t listeners_ = 0;
};
inline const bool kFreshProgram = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshProgram);
    return true;
}();

// The pixel of a colour-table entry (0x00BBGGRR) in a picture.
inline QRgb Pixel(int entry) {
    return ToQRgb(app().colors[entry]);
}

// Pixels of a picture in a colour of the table (0x00BBGGRR).
inline int CountColor(const QImage &img, int32_t color) {
    const QRgb c = ToQRgb(color);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == c;
    return n;
}

// The rows of column x, or the columns of row y, that hold colour-table entry `entry`.
inline Nums RowsOf(const QImage &img, int x, int entry) {
    Nums rows;
    for (int y = 0; y < img.height(); ++y)
        if (img.pixel(x, y) == Pixel(entry)) rows.push_back(y);
    return rows;
}
inline Nums ColumnsOf(const QImage &img, int y, int entry) {
    Nums columns;
    for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) == Pixel(entry)) columns.push_back(x);
    return columns;
}

// Bit k: lane row k of the logic picture shows its channel high (a quarter down the lane) or
// low (three quarters down) in the channel's colour at column x.
inline int64_t LaneBits(int x, bool high) {
    const AppState &s = app();
    const int h = s.display.LogicHeight;
    int64_t bits = 0;
    for (int k = 0; k < kLanes; ++k)
        if (pictures().Picture1.pixel(x, k * h + (high ? 1 : 3) * (h / 4)) ==
            Pixel(LogicColorEntry(s.logic.Sequence[static_cast<size_t>(k)])))
            bits |= int64_t{1} << k;
    return bits;
}

// Every setting at its default and the pictures of a 600-pixel trace: what each test of the
// core starts from.
inline void ResetState() {
    EnsureGuiApp();
    InitDefaults();
    AppState &s = app();
    s.run = {};
    s.screen = {};
    ResizePictures(s.screen.ScreenSamples, s.display.LogicHeight, s.colors[ColBackground]);
}

// The simulated instrument on a link ("usb": USB 2.0), configured with the build's bitstream
// unless a fault of HWLINK_SIM_FAULT keeps the configuration from completing.
inline void OpenSimulator(const char *link = "usb", bool expectConfigured = true) {
    setenv("HWLINK_SIM", link, 1);
    AppState &s = app();
    ASSERT_NE(FindPort(s.records.PortState.data(), s.records.DevConfig.data(), 1), 0);
    std::ifstream f(VRX_TEST_BITSTREAM, std::ios::binary);
    ASSERT_TRUE(f.good());
    f.read(reinterpret_cast<char *>(s.records.ConfigBits.data()), HW_CONFIGBITS_LEN);
    s.run.HwFound = FindHardware(0, s.records.PortState.data(), s.records.DevConfig.data(),
                                 s.records.ConfigBits.data());
    ASSERT_EQ(s.run.HwFound, expectConfigured ? 1 : 0);
}

// The timing panel on its defaults, an instrument linked, readouts in samples, the pictures
// cleared; the drawings of the traces are counted.
class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetState();
        // The bars in colours of their own: V1 and H1, V2 and H2, the trigger.
        s.colors.Colors[ColV1] = Rgb(1, 2, 3);
        s.colors.Colors[ColV2] = Rgb(5, 5, 5);
        s.colors.Colors[ColTrigger] = Rgb(9, 8, 7);
        // Both traces at mid-scale, as at start-up: between the dashes of a vertical bar.
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, 2 * HW_SB_AREA_LEN, uint8_t{128});
        s.records.DevConfig[HW_DC_Link] = HW_LINK_USB;
        p.InitPanel();
        ApplyTimingSettings();
        for (QImage *img : {&pictures().picScope[0], &pictures().picScope[1], &pictures().Picture1})
            ClearPicture(*img, s.colors[ColBackground]);
        s.run.ParamChanged = 0;
        traceDraws = 0;
    }
    static QImage &scope() { return pictures().picScope[0]; }

    AppState &s = app();
    TimingPanel &p = form1();
    int traceDraws = 0;
    Subscription tracesDrawn_ = Subscribe(Event::TracesDrawn, [this] { ++traceDraws; });
};

// The screen composition on a 600-pixel trace from the record's start, one sample a pixel,
// drawing into picture 0 while it is shown: A1 at 70, A2 at 90, every logic input high; the dots
// and lines of A1 and A2 in colours of their own, so that a pixel tells which routine drew it.
class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetState();
        s.view.ScrollPos = 0;
        pictures().picScopeVisible = {true, false};
        s.colors.Colors[ColA1Dot] = Rgb(1, 2, 3);
        s.colors.Colors[ColA2Dot] = Rgb(4, 5, 6);
        s.colors.Colors[ColA1] = Rgb(7, 8, 9);
        s.colors.Colors[ColA2] = Rgb(10, 11, 12);
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A1, HW_SB_AREA_LEN, uint8_t{70});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_A2, HW_SB_AREA_LEN, uint8_t{90});
        std::fill_n(s.records.SampleBuf.begin() + HW_SB_D0_D7, 2 * HW_SB_AREA_LEN, uint8_t{0xFF});
    }
    static QImage &scope(size_t k = 0) { return pictures().picScope[k]; }
    static int64_t Lanes(bool high) { return LaneBits(300, high); }

    AppState &s = app();
};

// What Autoset and a probe calibration of channel `ch` change, and put back when they fail.
inline Nums SettingsOfChannel(size_t ch) {
    const AppState &s = app();
    return {s.channels.ProbeIndex[ch], s.channels.VdivIndex[ch], s.channels.ChanPos[ch],
            s.trigger.TrigLevel[ch],   s.acquisition.RateIndex,  s.trigger.TrigChannel,
            s.view.BarPos[2]};
}

// The acquisition loop stopped and the instrument powered off, as the program ends.
inline void StopAndPowerOff() {
    app().run.Running = 0;
    while (AcquisitionStep()) {
    }
    PowerOff(app().records.PortState.data(), app().records.DevConfig.data());
}

// A run of a tool: its exit code (-1 when it crashed) and its output.
struct ToolRun {
    int code = -1;
    QString out, err;
};

// This process's environment with the simulator's virtual clock and `env` (NAME=value;
// "HWLINK_SIM_CLOCK=" for the real clock) added.
inline QProcessEnvironment ToolEnvironment(const QStringList &env) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("HWLINK_SIM_CLOCK"), QStringLiteral("virtual"));
    for (const QString &kv : env)
        e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    return e;
}

// Runs `program` in `workDir` in that environment.
inline ToolRun RunTool(const QString &program, const QStringList &args, const QStringList &env = {},
                       const QString &workDir = {}) {
    QProcess p;
    p.setProcessEnvironment(ToolEnvironment(env));
    p.setWorkingDirectory(workDir);
    p.start(program, args);
    p.waitForFinished(600000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

// The bytes of a file, empty when it cannot be read.
inline QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file holding `data`, made or replaced; its path.
inline QString WriteAll(const QString &path, const QByteArray &data) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size())
        << path.toStdString();
    return path;
}

} // namespace vrx::test
