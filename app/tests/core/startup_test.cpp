// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/pictures.h"
#include "core/startup.h"
#include "core/state.h"
#include "core/ui.h"
#include "timing/frontpanel_logic.h"

using namespace vrx;

// Readable QString values in failure messages.
[[maybe_unused]] static void PrintTo(const QString &s, std::ostream *os) {
    *os << '"' << s.toStdString() << '"';
}

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
    EXPECT_EQ(KernelMajorMinor("6.1.0-18-amd64"), "6.1");
    EXPECT_EQ(KernelMajorMinor("5.15.0-91-generic"), "5.15");
    EXPECT_EQ(KernelMajorMinor("6.10"), "6.10");
    EXPECT_EQ(KernelMajorMinor("6"), "");
    EXPECT_EQ(KernelMajorMinor("x.y"), "");
    EXPECT_EQ(KernelMajorMinor(nullptr), "");
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

TEST_F(Startup, UsbLinksAndVariant) {
    struct Case {
        const char *sim, *variant, *model, *link;
    };
    const Case cases[] = {
        {"usb", "1", "VRX-73604", "Usb2.0 Port be connected"},
        {"usb11", "1", "VRX-73604", "Usb1.1 Port be connected"},
        {"usb", "2", "VRX-73604A", "Usb2.0 Port be connected"},
        {"usb", "3", "VRX-73604", "Usb2.0 Port be connected"},
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
                                           "\r\nInterface: Usb2.0 support" + kSuggestion + c.link);
        EXPECT_EQ(app().MainCaption, c.model);
        EXPECT_EQ(app().HwFound, 1);
        EXPECT_EQ(app().DevConfig[HW_DC_Link], HW_LINK_USB);
    }
}

TEST_F(Startup, ParallelLinks) {
    const std::pair<const char *, const char *> cases[] = {{"epp", "378H Epp Port be connected"},
                                                           {"bpp", "378H Bpp Port be connected"}};
    for (const auto &[sim, link] : cases) {
        SCOPED_TRACE(sim);
        ScriptedUi boxes;
        ScopedUi scope(boxes);
        Link(sim);
        BringUp();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, SystemLine() +
                                           "\r\nModel : VRX-73604\r\nInterface: BPP/EPP/Usb2.0 "
                                           "support" +
                                           kSuggestion + link);
        EXPECT_EQ(app().HwFound, 1);
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
    EXPECT_EQ(script.boxes[1].text, "VRX-73604 Config Error");
    EXPECT_EQ(script.boxes[1].caption, kAppTitle);
    EXPECT_EQ(script.boxes[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(app().HwFound, 0);
    EXPECT_FALSE(QFile::exists(QDir(empty.path()).filePath(kBitstreamFile)));
    EXPECT_EQ(app().ConfigBits[0], 0x55); // nothing read
    EXPECT_EQ(app().ConfigBits[12040], 0xFF);
    EXPECT_EQ(app().ConfigBits[12050], 0xFF);
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
    EXPECT_EQ(loaded, "Vrx73604v4.ini");
    EXPECT_EQ(app().IniPath, "Vrx73604v4.ini");
    EXPECT_EQ(app().AppDir, QDir::currentPath());
    EXPECT_EQ(script.boxes.size(), 1u); // the detection message, answered Cancel
    EXPECT_EQ(app().SampleBuf[HW_SB_A2 + 5], 128);
    EXPECT_EQ(app().SampleBuf[HW_SB_A1], 128);
    EXPECT_EQ(form1().cmbRate.text(), "100MSa/S");
    EXPECT_DOUBLE_EQ(app().SamplePeriod, 10.0);
    EXPECT_EQ(lastCompose, std::make_pair(1, 1)); // the first screen ends the start-up
}

} // namespace
