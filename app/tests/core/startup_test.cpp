// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/startup.h"
#include "core/ui.h"
#include "picture_fixture.h"

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
        savedHooks_ = screenHooks();
        screenHooks() = {};
        InitDefaults();
        app().AppDir = QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath();
    }
    void TearDown() override {
        AppState &s = app();
        if (s.DevConfig[HW_DC_Link] != HW_LINK_NONE)
            PowerOff(s.PortState.data(), s.DevConfig.data());
        s.DevConfig[HW_DC_Link] = HW_LINK_NONE;
        unsetenv("HWLINK_SIM");
        unsetenv("HWLINK_SIM_VARIANT");
        screenHooks() = savedHooks_;
    }
    static void Link(const char *sim) { setenv("HWLINK_SIM", sim, 1); }
    static QString SystemLine() { return DetectSystem().SystemLine; }

    ScriptedUi script;

  private:
    ScreenHooks savedHooks_;
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
    EXPECT_EQ(app().DevConfig[HW_DC_Link], HW_LINK_NONE);
    EXPECT_EQ(app().HwFound, 0);
    EXPECT_EQ(app().MainCaption, "VRX-73604");
}

TEST_F(Startup, RetrySearchesAgainUntilCancel) {
    ScopedUi scope(script);
    script.answers = {MsgResult::Retry, MsgResult::Retry, MsgResult::Cancel};
    DetectInterface();
    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[2].text, script.boxes[0].text);
    EXPECT_EQ(app().DevConfig[HW_DC_Link], HW_LINK_NONE);

    // An instrument plugged in before the retry is found by it.
    ScriptedUi plug;
    ScopedUi scope2(plug);
    plug.answers = {MsgResult::Retry};
    plug.onBox = [](const ScriptedUi::Box &) { Link("usb"); };
    DetectInterface();
    ASSERT_EQ(plug.boxes.size(), 2u);
    EXPECT_EQ(plug.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_TRUE(plug.boxes[1].text.endsWith("\r\n\nUsb2.0 Port be connected"));
    EXPECT_EQ(app().DevConfig[HW_DC_Link], HW_LINK_USB);
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
        EXPECT_EQ(app().MainCaption, c.model);
        EXPECT_EQ(app().HwFound, 1);
        EXPECT_EQ(app().DevConfig[HW_DC_Link], c.code);
        PowerOff(app().PortState.data(), app().DevConfig.data());
    }
}

TEST_F(Startup, MissingBitstreamIsAConfigErrorAndStaysMissing) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    app().AppDir = empty.path();
    app().ConfigBits.fill(0x55);
    ScopedUi scope(script);
    Link("usb");
    BringUp();
    ASSERT_EQ(script.boxes.size(), 2u);
    EXPECT_EQ((test::Texts{script.boxes[1].text, script.boxes[1].caption}),
              (test::Texts{"VRX-73604 Config Error", kAppTitle}));
    EXPECT_EQ(script.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(app().HwFound, 0);
    EXPECT_FALSE(QFile::exists(QDir(empty.path()).filePath(kBitstreamFile)));
    const auto &bits = app().ConfigBits; // nothing read, the tail preset
    EXPECT_EQ((test::Nums{bits[0], bits[12040], bits[12050]}), (test::Nums{0x55, 0xFF, 0xFF}));
}

TEST_F(Startup, BitstreamIsReadWhole) {
    QFile file(QStringLiteral(VRX_TEST_BITSTREAM));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.read(HW_CONFIGBITS_LEN);
    ASSERT_GT(bytes.size(), 16);
    LoadBitstream();
    for (int i = 0; i < bytes.size(); i += 97)
        ASSERT_EQ(app().ConfigBits[static_cast<size_t>(i)], static_cast<uint8_t>(bytes[i])) << i;
}

TEST_F(Startup, MainRunsHeadlessInDemoMode) {
    std::pair<int, int> lastCompose{-1, -1};
    screenHooks().ComposeScreen = [&](int16_t scopeOnly, int16_t clear) {
        lastCompose = {scopeOnly, clear};
    };
    QString loaded;
    startupHooks().Loadset = [&](const QString &name) { loaded = name; };
    app().SampleBuf[HW_SB_A2 + 5] = 3;
    ScopedUi scope(script);
    Main();
    startupHooks() = {};
    EXPECT_EQ((test::Texts{loaded, app().IniPath, app().AppDir, form1().cmbRate.text()}),
              (test::Texts{"Vrx73604v4.ini", "Vrx73604v4.ini", QDir::currentPath(), "100MSa/S"}));
    EXPECT_EQ(script.boxes.size(), 1u); // the detection message, answered Cancel
    EXPECT_EQ((test::Nums{app().SampleBuf[HW_SB_A2 + 5], app().SampleBuf[HW_SB_A1]}),
              (test::Nums{128, 128}));
    EXPECT_DOUBLE_EQ(app().SamplePeriod, 10.0);
    EXPECT_EQ(lastCompose, std::make_pair(1, 1)); // the first screen ends the start-up
}

// A re-initialisation that finds no instrument any more must not carry the last instrument's
// converter corrections into the demo record: its square wave keeps exactly two levels.
TEST_F(Startup, DemoAfterInstrumentDropsItsCorrections) {
    AppState &s = app();
    Link("usb");
    script.answers = {MsgResult::Ok};
    ScopedUi scope(script);
    BringUp();
    ASSERT_EQ(s.HwFound, 1);
    Capture(s.PortState.data(), s.DevConfig.data(), s.LastSample, s.DepthIndex, 0, s.RateIndex,
            s.TrigChannel, s.BarPos[2], s.TrigSlope.data(), s.TrigLevel.data(), s.TrigDac,
            s.Coupling.data(), s.VdivIndex.data(), s.ChanPos.data());
    ASSERT_NE(s.PortState[HW_PS_OffsetTrimA1], 0); // calibration found the converter errors
    unsetenv("HWLINK_SIM");
    script.answers = {MsgResult::Cancel};
    BringUp();
    ASSERT_EQ(s.DevConfig[HW_DC_Link], HW_LINK_NONE);
    for (int i = HW_PS_OffsetTrimA1; i <= HW_PS_ZeroA2; ++i)
        EXPECT_EQ(s.PortState[static_cast<size_t>(i)], 0) << i;
    ASSERT_EQ(GetTrigStat(s.SampleBuf.data(), s.LastSample, s.DepthIndex, s.VdivIndex.data(),
                          s.PortState.data(), s.DevConfig.data(), s.RateIndex, s.TrigChannel,
                          s.TrigSlope.data(), s.TrigLevel.data(), s.BarPos[2], s.ZoomIndex,
                          s.ViewStart.data()),
              HW_STAT_COMPLETE);
    std::set<uint8_t> levels(s.SampleBuf.begin() + 16, s.SampleBuf.begin() + s.LastSample - 16);
    EXPECT_EQ(levels.size(), 2u);
}

} // namespace
