// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "core/acquisition/loop.h"
#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/settings/file_commands.h"
#include "core/startup/options.h"
#include "core/startup/startup.h"

namespace vrx::test {
namespace {

// The simulated instrument on the library's virtual clock, one link per test; the bitstream of
// the build.
class Startup : public ::testing::Test {
  protected:
    void SetUp() override {
        s.startup.AppDir = QFileInfo(QStringLiteral(VRX_TEST_BITSTREAM)).absolutePath();
    }
    static void Link(const char *sim) { setenv("HWLINK_SIM", sim, 1); }

    AppState &s = app();
    ScriptedUi script; // answers the message boxes of every test
    ScopedUi scope{script};
};

TEST(KernelVersion, MajorAndMinorOnly) {
    EXPECT_EQ((Texts{KernelMajorMinor("6.1.0-18-amd64"), KernelMajorMinor("5.15.0-91-generic"),
                     KernelMajorMinor("6.10"), KernelMajorMinor("6"), KernelMajorMinor("x.y"),
                     KernelMajorMinor(nullptr)}),
              (Texts{"6.1", "5.15", "6.10", "", "", ""}));
}

// The detection message names the system, the model, the interfaces and the link found; with
// no instrument it offers a new search or demo mode (Cancel).
TEST_F(Startup, EachLinkAndVariantIsAnnounced) {
    // The simulated link and variant, the model, the interfaces and the link named, its code.
    using Case =
        std::tuple<const char *, const char *, const char *, const char *, const char *, uint8_t>;
    const char *usb = "Usb2.0 support", *all = "BPP/EPP/Usb2.0 support";
    const Case cases[] = {
        {"", "1", "VRX-73604", all,
         "No  Port be connected\r\n\nPress 'Cancel button' for Demo mode", HW_LINK_NONE},
        {"usb", "1", "VRX-73604", usb, "Usb2.0 Port be connected", HW_LINK_USB},
        {"usb11", "1", "VRX-73604", usb, "Usb1.1 Port be connected", HW_LINK_USB},
        {"usb", "2", "VRX-73604A", usb, "Usb2.0 Port be connected", HW_LINK_USB},
        {"usb", "3", "VRX-73604", usb, "Usb2.0 Port be connected", HW_LINK_USB},
        {"epp", "1", "VRX-73604", all, "378H Epp Port be connected", HW_LINK_EPP},
        {"bpp", "1", "VRX-73604", all, "378H Bpp Port be connected", HW_LINK_BPP},
    };
    for (const auto &[sim, variant, model, interface, link, code] : cases) {
        SCOPED_TRACE(std::string(sim) + " variant " + variant);
        script.boxes.clear();
        Link(sim);
        setenv("HWLINK_SIM_VARIANT", variant, 1);
        BringUp();
        ASSERT_EQ(script.boxes.size(), 1u);
        const bool found = code != HW_LINK_NONE;
        const auto &box = script.boxes[0];
        EXPECT_EQ(box.buttons, found ? MsgButtons::Ok : MsgButtons::RetryCancel);
        const QString head =
            DetectSystem().SystemLine + "\r\nModel : " + model + "\r\nInterface: " + interface;
        EXPECT_TRUE(box.text.startsWith(head) && box.text.endsWith(link)) << qPrintable(box.text);
        EXPECT_EQ(s.startup.MainCaption, model);
        EXPECT_EQ((Nums{s.run.HwFound, s.records.DevConfig[HW_DC_Link]}), (Nums{found, code}));
        if (found) PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    }
}

// Each Retry searches again, and finds an instrument plugged in meanwhile.
TEST_F(Startup, RetrySearchesAgain) {
    script.answers = {MsgResult::Retry, MsgResult::Retry};
    script.onBox = [this](const ScriptedUi::Box &) {
        if (script.boxes.size() == 2) Link("usb");
    };
    DetectInterface();
    ASSERT_EQ(script.boxes.size(), 3u);
    EXPECT_EQ(script.boxes[1].text, script.boxes[0].text);
    EXPECT_EQ(s.records.DevConfig[HW_DC_Link], HW_LINK_USB);
}

// Without a bitstream the buffer is empty but for its tail preset (nothing an earlier load left
// can configure the instrument), and the instrument is not configured; a pipe of that name is
// passed over at once instead of stalling the start-up, and a missing file is not created.
TEST_F(Startup, MissingBitstreamOrAPipeIsAConfigError) {
    for (const bool pipe : {false, true}) {
        SCOPED_TRACE(pipe ? "pipe" : "missing");
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(kBitstreamFile);
        ASSERT_TRUE(!pipe || mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        s.startup.BitstreamDir = dir.path();
        s.records.ConfigBits.fill(0x55);
        script.boxes.clear();
        Link("usb");
        BringUp();
        ASSERT_EQ(script.boxes.size(), 2u);
        const auto &box = script.boxes[1];
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
        EXPECT_EQ((Texts{box.text, box.caption}), (Texts{"VRX-73604 Config Error", kAppTitle}));
        const auto &bits = s.records.ConfigBits;
        EXPECT_EQ((Nums{s.run.HwFound, bits[0], bits[12039], bits[12040], bits[12050]}),
                  (Nums{0, 0, 0, 0xFF, 0xFF}));
        EXPECT_EQ(QFileInfo(path).exists(), pipe);
    }
}

// Demo mode after the detection message (answered Cancel): the settings are applied once, both
// analog areas start at mid-scale, and the first screen ends the start-up.
TEST_F(Startup, MainRunsHeadlessInDemoMode) {
    QString order; // S settings applied, C screen composed
    const Subscription c = Subscribe(Event::ScreenComposed, [&] { order += 'C'; });
    const Subscription a = Subscribe(Event::SettingsApplied, [&] { order += 'S'; });
    s.records.SampleBuf[HW_SB_A2 + 5] = 3;
    Main();
    EXPECT_EQ((Texts{s.startup.IniPath, s.startup.AppDir, form1().cmbRate.text(), order.right(2)}),
              (Texts{"Vrx73604v4.ini", QDir::currentPath(), "100MSa/S", "SC"}));
    EXPECT_EQ((Nums{std::ssize(script.boxes), s.records.SampleBuf[HW_SB_A2 + 5],
                    s.records.SampleBuf[HW_SB_A1], order.count('S')}),
              (Nums{1, 128, 128, 1}));
}

// A default settings file the start-up refuses (a malformed record, another model) is kept as
// ".bad", and the standard error says so; the settings written at the end leave it alone.
TEST_F(Startup, RefusedDefaultFileIsKept) {
    const QString home = QDir::currentPath();
    for (const char *head : {"\"Model\",\"Vrx73604v4\"\r\n\"AutoLoadsetting\",#TRUE#\r\n\r\n"
                             "\"Tab0\",9\r\n",
                             "\"Model\",\"Vrx73604v3\"\r\n"}) {
        QTemporaryDir dir;
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
        WriteAll(QStringLiteral("Vrx73604v4.ini"), head);
        script.boxes.clear();
        testing::internal::CaptureStderr();
        InitProgramState(DefaultSettingsFile::Load);
        const std::string said = testing::internal::GetCapturedStderr();
        const bool saved = EndProgram();
        const QByteArray keptText = ReadAll(QStringLiteral("Vrx73604v4.ini.bad"));
        QDir::setCurrent(home);
        EXPECT_EQ(said, "the settings file Vrx73604v4.ini was refused; it is kept as "
                        "Vrx73604v4.ini.bad\n");
        EXPECT_EQ((Nums{std::ssize(script.boxes), saved}), (Nums{1, 1}));
        EXPECT_EQ(keptText, QByteArray(head));
    }
}

TEST(Options, CommandLine) {
    ProgramOptions o;
    QString error;
    ASSERT_TRUE(
        ParseOptions({"--sim", "epp", "--depth", "128k", "--screenshots", "shots", "--measure-fps",
                      "2.5", "--windows", "XY,fft,xy", "--windows", "state"},
                     o, error));
    EXPECT_EQ((Texts{o.sim, QString::number(o.depth), o.screenshotDir,
                     QString::number(o.measureSeconds), o.windows.join(',')}),
              (Texts{"epp", "2", "shots", "2.5", "xy,fft,state"}));
    ASSERT_TRUE(ParseOptions({"--windows", "fft,all"}, o, error));
    EXPECT_EQ(o.windows, ToolWindowNames());
    // clang-format off
    for (const QStringList &bad : std::vector<QStringList>{{"--sim", "usb3"}, {"--sim"},
             {"--depth", "4K"}, {"--measure-fps", "0"}, {"--measure-fps", "nan"},
             {"--measure-fps", "inf"}, {"--measure-fps", "86401"}, {"--screenshots", ""},
             {"--windows", "fft,scope"}, {"--windows"}, {"-x"}}) {
        // clang-format on
        ProgramOptions p;
        error.clear();
        EXPECT_TRUE(!ParseOptions(bad, p, error) && !error.isEmpty())
            << bad.join(' ').toStdString();
    }
}

// The bitstream comes from the first folder that holds it: the working directory, the user's
// data folder ($XDG_DATA_HOME/vrx73604), the program's folder, the installed data folder below
// the program's prefix; when none holds it, from the working directory.
TEST(Options, BitstreamLookup) {
    QTemporaryDir root;
    const QString r = root.path();
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(r + "/xdg"));
    const QStringList dirs = BitstreamFolders(r + "/work", r + "/prefix/bin");
    savedXdg.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedXdg);
    ASSERT_EQ(dirs.size(), 4);
    EXPECT_EQ(dirs.mid(0, 3), (QStringList{r + "/work", r + "/xdg/vrx73604", r + "/prefix/bin"}));
    EXPECT_TRUE(dirs[3].startsWith(r + "/prefix/") && dirs[3].endsWith("/vrx73604") &&
                !dirs[3].startsWith(r + "/prefix/bin"))
        << dirs[3].toStdString();

    // Which of the four folders hold a file -> the folder read.
    // One character per folder, '1': the file is there.
    const std::pair<const char *, int> cases[] = {{"0000", 0}, {"0001", 3}, {"0011", 2},
                                                  {"0111", 1}, {"1111", 0}, {"0100", 1},
                                                  {"1001", 0}, {"0101", 1}};
    for (const auto &[holders, chosen] : cases) {
        QTemporaryDir tree;
        QStringList under;
        for (int i = 0; i < 4; ++i) {
            under << tree.path() + dirs[i];
            QDir().mkpath(under[i]);
            if (holders[i] == '1')
                QFile(QDir(under[i]).filePath(kBitstreamFile)).open(QIODevice::WriteOnly);
        }
        EXPECT_EQ(BitstreamDirectory(under), under[chosen]) << holders;
    }
}

// A re-initialisation that finds no instrument any more must not carry the last instrument's
// converter corrections into the demo record: the bring-up has the library reset them.
TEST_F(Startup, DemoAfterInstrumentDropsItsCorrections) {
    Link("usb");
    BringUp();
    ASSERT_EQ(s.run.HwFound, 1);
    ASSERT_TRUE(ArmInstrument());
    ASSERT_NE(s.records.PortState[HW_PS_OffsetTrimA1], 0); // calibration found the converter errors
    unsetenv("HWLINK_SIM");
    BringUp();
    ASSERT_EQ(s.records.DevConfig[HW_DC_Link], HW_LINK_NONE);
    const auto corrections = s.records.PortState.begin() + HW_PS_OffsetTrimA1;
    EXPECT_EQ(Nums(corrections, corrections + (HW_PS_ZeroA2 - HW_PS_OffsetTrimA1 + 1)),
              Nums(HW_PS_ZeroA2 - HW_PS_OffsetTrimA1 + 1, 0));
}

} // namespace
} // namespace vrx::test
