// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/startup/options.h"
#include "core/startup/startup.h"

using namespace vrx;

namespace {

const QString kSuggestion = QStringLiteral("\r\n\nSuggestion:\r\n  Memory:  At least 128MB\r\n"
                                           "  Screen:  1024*768 \r\n  Font:  Small Fonts \r\n"
                                           "  Colors:  At least 16bit\r\n\n");

// The simulated instrument on the library's virtual clock, one link per test.
class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("HWLINK_SIM_CLOCK", "virtual", 1);
        unsetenv("HWLINK_SIM");
        unsetenv("HWLINK_SIM_VARIANT");
        test::ResetState();
        app().startup.AppDir = QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath();
        app().startup.BitstreamDir.clear();
    }
    void TearDown() override {
        AppState &s = app();
        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
        s.records.DevConfig[HW_DC_Link] = HW_LINK_NONE;
        unsetenv("HWLINK_SIM");
        unsetenv("HWLINK_SIM_VARIANT");
        app().startup.BitstreamDir.clear();
    }
    static void Link(const char *sim) { setenv("HWLINK_SIM", sim, 1); }
    static QString SystemLine() { return DetectSystem().SystemLine; }

    ScriptedUi script;
};

TEST(KernelVersion, MajorAndMinorOnly) {
    EXPECT_EQ(
        (test::Texts{KernelMajorMinor("6.1.0-18-amd64"), KernelMajorMinor("5.15.0-91-generic"),
                     KernelMajorMinor("6.10"), KernelMajorMinor("6"), KernelMajorMinor("x.y"),
                     KernelMajorMinor(nullptr)}),
        (test::Texts{"6.1", "5.15", "6.10", "", "", ""}));
    const SystemInfo sys = DetectSystem();
    EXPECT_TRUE(sys.SystemLine.startsWith("Linux, ver. ")) << sys.SystemLine.toStdString();
    EXPECT_EQ(sys.FullSearch, 1);
    EXPECT_EQ(sys.InterfaceLine, "Interface: BPP/EPP/Usb2.0 support");
}

TEST_F(Startup, DemoModeMessageAndCancel) {
    ScopedUi scope(script);
    script.answers = {MsgResult::Cancel};
    BringUp();
    ASSERT_EQ(script.boxes.size(), 1u);
    const auto &box = script.boxes[0];
    EXPECT_EQ(box.caption, "Reset Hardware");
    EXPECT_EQ(box.buttons, MsgButtons::RetryCancel);
    const QString expected =
        SystemLine() + "\r\nModel : VRX-73604\r\nInterface: BPP/EPP/Usb2.0 support" + kSuggestion +
        "No  Port be connected\r\n\nPress 'Cancel button' for Demo mode";
    EXPECT_EQ(box.text, expected);
    EXPECT_EQ(app().records.DevConfig[HW_DC_Link], HW_LINK_NONE);
    EXPECT_EQ(app().run.HwFound, 0);
    EXPECT_EQ(app().startup.MainCaption, "VRX-73604");
}

TEST_F(Startup, RetrySearchesAgainUntilCancel) {
    ScopedUi scope(script);
    script.answers = {MsgResult::Retry, MsgResult::Retry, MsgResult::Cancel};
    DetectInterface();
    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[2].text, script.boxes[0].text);
    EXPECT_EQ(app().records.DevConfig[HW_DC_Link], HW_LINK_NONE);

    // An instrument plugged in before the retry is found by it.
    ScriptedUi plug;
    ScopedUi scope2(plug);
    plug.answers = {MsgResult::Retry};
    plug.onBox = [](const ScriptedUi::Box &) { Link("usb"); };
    DetectInterface();
    ASSERT_EQ(plug.boxes.size(), 2u);
    EXPECT_EQ(plug.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_TRUE(plug.boxes[1].text.endsWith("\r\n\nUsb2.0 Port be connected"));
    EXPECT_EQ(app().records.DevConfig[HW_DC_Link], HW_LINK_USB);
}

TEST_F(Startup, EachLinkAndVariantIsAnnounced) {
    struct Case {
        const char *sim, *variant, *model, *interface, *link;
        uint8_t code;
    };
    const char *usb = "Usb2.0 support", *all = "BPP/EPP/Usb2.0 support";
    const Case cases[] = {
        {"usb", "1", "VRX-73604", usb, "Usb2.0 Port be connected", HW_LINK_USB},
        {"usb11", "1", "VRX-73604", usb, "Usb1.1 Port be connected", HW_LINK_USB},
        {"usb", "2", "VRX-73604A", usb, "Usb2.0 Port be connected", HW_LINK_USB},
        {"usb", "3", "VRX-73604", usb, "Usb2.0 Port be connected", HW_LINK_USB},
        {"epp", "1", "VRX-73604", all, "378H Epp Port be connected", HW_LINK_EPP},
        {"bpp", "1", "VRX-73604", all, "378H Bpp Port be connected", HW_LINK_BPP},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.sim) + " variant " + c.variant);
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        Link(c.sim);
        setenv("HWLINK_SIM_VARIANT", c.variant, 1);
        BringUp();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(boxes.boxes[0].text, SystemLine() + "\r\nModel : " + c.model +
                                           "\r\nInterface: " + c.interface + kSuggestion + c.link);
        EXPECT_EQ(app().startup.MainCaption, c.model);
        EXPECT_EQ(app().run.HwFound, 1);
        EXPECT_EQ(app().records.DevConfig[HW_DC_Link], c.code);
        PowerOff(app().records.PortState.data(), app().records.DevConfig.data());
    }
}

TEST_F(Startup, MissingBitstreamIsAConfigErrorAndStaysMissing) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    app().startup.AppDir = empty.path();
    app().records.ConfigBits.fill(0x55);
    ScopedUi scope(script);
    Link("usb");
    BringUp();
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ((test::Texts{script.boxes[1].text, script.boxes[1].caption}),
              (test::Texts{"VRX-73604 Config Error", kAppTitle}));
    EXPECT_EQ(script.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(app().run.HwFound, 0);
    EXPECT_FALSE(QFile::exists(QDir(empty.path()).filePath(kBitstreamFile)));
    const auto &bits = app().records.ConfigBits; // nothing read, the tail preset
    EXPECT_EQ((test::Nums{bits[0], bits[12040], bits[12050]}), (test::Nums{0x55, 0xFF, 0xFF}));
}

TEST_F(Startup, BitstreamIsReadWhole) {
    QFile file(QStringLiteral(VRX_TEST_BITSTREAM));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.read(HW_CONFIGBITS_LEN);
    ASSERT_GT(bytes.size(), 16);
    LoadBitstream();
    for (int i = 0; i < bytes.size(); i += 97)
        ASSERT_EQ(app().records.ConfigBits[static_cast<size_t>(i)], static_cast<uint8_t>(bytes[i]))
            << i;
}

TEST_F(Startup, MainRunsHeadlessInDemoMode) {
    QString order; // S settings applied, C screen composed
    const Subscription c = Subscribe(Event::ScreenComposed, [&] { order += 'C'; });
    const Subscription a = Subscribe(Event::SettingsApplied, [&] { order += 'S'; });
    app().records.SampleBuf[HW_SB_A2 + 5] = 3;
    ScopedUi scope(script);
    Main();
    EXPECT_EQ((test::Texts{app().startup.IniPath, app().startup.AppDir, form1().cmbRate.text()}),
              (test::Texts{"Vrx73604v4.ini", QDir::currentPath(), "100MSa/S"}));
    EXPECT_EQ(script.boxes.size(), 1u); // the detection message, answered Cancel
    EXPECT_EQ(
        (test::Nums{app().records.SampleBuf[HW_SB_A2 + 5], app().records.SampleBuf[HW_SB_A1]}),
        (test::Nums{128, 128}));
    // The settings are applied once; the first screen ends the start-up.
    EXPECT_EQ(order.count('S'), 1);
    EXPECT_TRUE(order.endsWith("SC")) << order.toStdString();
}

// Only a regular file is read as the bitstream: a pipe of that name is passed over at once.
TEST_F(Startup, BitstreamPipeDoesNotBlock) {
    QTemporaryDir dir;
    const QString fifo = QDir(dir.path()).filePath(kBitstreamFile);
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    app().startup.BitstreamDir = dir.path();
    app().records.ConfigBits.fill(0x55);
    LoadBitstream();
    EXPECT_EQ((test::Nums{app().records.ConfigBits[0], app().records.ConfigBits[12045]}),
              (test::Nums{0x55, 0xFF}));
}

TEST(Options, CommandLine) {
    ProgramOptions o;
    QString error;
    ASSERT_TRUE(ParseOptions(
        {"--sim", "epp", "--depth", "128k", "--screenshots", "shots", "--measure-fps", "2.5"}, o,
        error));
    EXPECT_EQ((test::Texts{o.sim, QString::number(o.depth), o.screenshotDir,
                           QString::number(o.measureSeconds)}),
              (test::Texts{"epp", "2", "shots", "2.5"}));
    for (const QStringList &bad :
         {QStringList{"--sim", "usb3"}, QStringList{"--sim"}, QStringList{"--depth", "4K"},
          QStringList{"--measure-fps", "0"}, QStringList{"--measure-fps", "nan"},
          QStringList{"--measure-fps", "inf"}, QStringList{"--screenshots", ""},
          QStringList{"-x"}}) {
        ProgramOptions p;
        error.clear();
        EXPECT_FALSE(ParseOptions(bad, p, error)) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

// The bitstream comes from the working directory, else from the program's folder.
TEST(Options, BitstreamLookup) {
    QTemporaryDir work, exe;
    const QString w = work.path(), e = exe.path();
    const QString first = BitstreamDirectory(w, e);
    QFile(QDir(e).filePath(kBitstreamFile)).open(QIODevice::WriteOnly);
    const QString second = BitstreamDirectory(w, e);
    QFile(QDir(w).filePath(kBitstreamFile)).open(QIODevice::WriteOnly);
    EXPECT_EQ((test::Texts{first, second, BitstreamDirectory(w, e)}), (test::Texts{w, e, w}));
}

// A re-initialisation that finds no instrument any more must not carry the last instrument's
// converter corrections into the demo record: its square wave keeps exactly two levels.
TEST_F(Startup, DemoAfterInstrumentDropsItsCorrections) {
    AppState &s = app();
    Link("usb");
    script.answers = {MsgResult::Ok};
    ScopedUi scope(script);
    BringUp();
    ASSERT_EQ(s.run.HwFound, 1);
    Capture(s.records.PortState.data(), s.records.DevConfig.data(), s.acquisition.LastSample,
            s.acquisition.DepthIndex, 0, s.acquisition.RateIndex, s.trigger.TrigChannel,
            s.view.BarPos[2], s.trigger.TrigSlope.data(), s.trigger.TrigLevel.data(),
            s.trigger.TrigDac, s.channels.Coupling.data(), s.channels.VdivIndex.data(),
            s.channels.ChanPos.data());
    ASSERT_NE(s.records.PortState[HW_PS_OffsetTrimA1], 0); // calibration found the converter errors
    unsetenv("HWLINK_SIM");
    script.answers = {MsgResult::Cancel};
    BringUp();
    ASSERT_EQ(s.records.DevConfig[HW_DC_Link], HW_LINK_NONE);
    for (int i = HW_PS_OffsetTrimA1; i <= HW_PS_ZeroA2; ++i)
        EXPECT_EQ(s.records.PortState[static_cast<size_t>(i)], 0) << i;
    ASSERT_EQ(GetTrigStat(s.records.SampleBuf.data(), s.acquisition.LastSample,
                          s.acquisition.DepthIndex, s.channels.VdivIndex.data(),
                          s.records.PortState.data(), s.records.DevConfig.data(),
                          s.acquisition.RateIndex, s.trigger.TrigChannel,
                          s.trigger.TrigSlope.data(), s.trigger.TrigLevel.data(), s.view.BarPos[2],
                          s.acquisition.ZoomIndex, s.view.ViewStart.data()),
              HW_STAT_COMPLETE);
    std::set<uint8_t> levels(s.records.SampleBuf.begin() + 16,
                             s.records.SampleBuf.begin() + s.acquisition.LastSample - 16);
    EXPECT_EQ(levels.size(), 2u);
}

} // namespace
