// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup.h"

#include <algorithm>
#include <cstring>

#include <sys/utsname.h>

#include <QDir>
#include <QFile>

#include "core/pictures.h"
#include "core/state.h"
#include "core/ui.h"
#include "timing/frontpanel_logic.h"

namespace vrx {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

StartupHooks &startupHooks() {
    static StartupHooks h;
    return h;
}

QString KernelMajorMinor(const char *release) {
    if (release == nullptr) return {};
    // The release starts "major.minor"; anything after the second number is the build's own.
    const QString text = QString::fromLatin1(release);
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() < 2) return {};
    bool okMajor = false;
    bool okMinor = false;
    QString minor;
    for (QChar ch : parts[1]) {
        if (!ch.isDigit()) break;
        minor += ch;
    }
    const int maj = parts[0].toInt(&okMajor);
    const int min = minor.toInt(&okMinor);
    if (!okMajor || !okMinor) return {};
    return QString::number(maj) + QLatin1Char('.') + QString::number(min);
}

SystemInfo DetectSystem() {
    SystemInfo info;
    utsname u{};
    const QString version = uname(&u) == 0 ? KernelMajorMinor(u.release) : QString();
    if (version.isEmpty()) {
        info.SystemLine = QStringLiteral("Unidentified");
        return info;
    }
    // Every link can be searched here: USB first, then the parallel ports.
    info.FullSearch = 1;
    info.SystemLine = QStringLiteral("Linux, ver. ") + version;
    info.InterfaceLine = QStringLiteral("Interface: BPP/EPP/Usb2.0 support");
    return info;
}

QString DetectionMessage(const QString &systemLine, const QString &interfaceLine,
                         const QString &model, const QString &linkLine) {
    return systemLine + kCrLf + QStringLiteral("Model : ") + model + kCrLf + interfaceLine + kCrLf +
           QStringLiteral("\n") + QStringLiteral("Suggestion:") + kCrLf +
           QStringLiteral("  Memory:  At least 128MB") + kCrLf +
           QStringLiteral("  Screen:  1024*768 ") + kCrLf +
           QStringLiteral("  Font:  Small Fonts ") + kCrLf +
           QStringLiteral("  Colors:  At least 16bit") + kCrLf + QStringLiteral("\n") + linkLine;
}

void DetectInterface() {
    AppState &s = app();
    const SystemInfo sys = DetectSystem();
    s.FullSearch = sys.FullSearch;
    QString interfaceLine = sys.InterfaceLine;

    for (;;) {
        // A retry starts from a closed device.
        if (s.DevConfig[HW_DC_Link] != 0) PowerOff(s.PortState.data(), s.DevConfig.data());
        const uint8_t port = FindPort(s.PortState.data(), s.DevConfig.data(), s.FullSearch);
        static const char *const portTexts[5] = {"No ", "378H ", "278H ", "3BCH ", "Usb"};
        s.SysText = port < 5 ? QString::fromLatin1(portTexts[port]) : QString();
        QString model = QStringLiteral("VRX-73604");

        switch (s.DevConfig[HW_DC_Link]) {
        case HW_LINK_NONE:
            s.LinkText = QStringLiteral(" Port be connected") + kCrLf + QStringLiteral("\n") +
                         QStringLiteral("Press 'Cancel button' for Demo mode");
            break;
        case HW_LINK_EPP:
            s.LinkText = QStringLiteral("Epp Port be connected");
            break;
        case HW_LINK_BPP:
            s.LinkText = QStringLiteral("Bpp Port be connected");
            break;
        case HW_LINK_USB:
            interfaceLine = QStringLiteral("Interface: Usb2.0 support");
            s.LinkText = s.DevConfig[HW_DC_UsbSpeed] == 1 ? QStringLiteral("1.1 Port be connected")
                                                          : QStringLiteral("2.0 Port be connected");
            if (s.DevConfig[HW_DC_Variant] == 2) model = QStringLiteral("VRX-73604A");
            break;
        default:
            s.LinkText.clear();
            break;
        }
        s.MainCaption = model;
        s.SysText += s.LinkText;
        const QString message = DetectionMessage(sys.SystemLine, interfaceLine, model, s.SysText);

        if (s.DevConfig[HW_DC_Link] != HW_LINK_NONE) {
            ui().MessageBox(message, QStringLiteral("Reset Hardware"), MsgButtons::Ok);
            return;
        }
        if (ui().MessageBox(message, QStringLiteral("Reset Hardware"), MsgButtons::RetryCancel) !=
            MsgResult::Retry)
            return; // demo mode
    }
}

void LoadBitstream() {
    AppState &s = app();
    std::fill(s.ConfigBits.begin() + 12040, s.ConfigBits.end(), uint8_t{0xFF});
    const StartupHooks &h = startupHooks();
    s.SysText = QDir(h.BitstreamDir ? h.BitstreamDir() : s.AppDir).filePath(kBitstreamFile);
    // Read-only: a missing file stays missing and leaves the buffer as it is (the configuration
    // then fails and says so).
    QFile file(s.SysText);
    if (!file.open(QIODevice::ReadOnly)) return;
    file.read(reinterpret_cast<char *>(s.ConfigBits.data()),
              static_cast<qint64>(s.ConfigBits.size()));
}

void BringUp() {
    AppState &s = app();
    DetectInterface();
    LoadBitstream();
    s.HwFound = 0;
    if (s.DevConfig[HW_DC_Link] == HW_LINK_NONE) {
        // Demo mode. Without a link the library sends nothing and only resets its correction
        // fields and gain factors, so a re-initialisation that falls back to demo mode does not
        // apply the last instrument's converter corrections to the demo record.
        FindHardware(0, s.PortState.data(), s.DevConfig.data(), s.ConfigBits.data());
        return;
    }
    s.HwFound = FindHardware(0, s.PortState.data(), s.DevConfig.data(), s.ConfigBits.data());
    if (s.HwFound == 0) {
        ui().MessageBox(QStringLiteral("VRX-73604 Config Error"), kAppTitle, MsgButtons::Ok);
        PowerOff(s.PortState.data(), s.DevConfig.data());
    }
}

void Main() {
    AppState &s = app();
    TimingPanel &f = form1();
    InitDefaults();
    f.InitPanel();
    s.AppDir = QDir::currentPath();
    s.IniPath = s.Model + QStringLiteral(".ini");
    const StartupHooks &h = startupHooks();
    if (h.Loadset) h.Loadset(s.IniPath);
    if (h.ColorInitial) h.ColorInitial();
    if (h.SetColor) h.SetColor();
    if (h.ApplySettings)
        h.ApplySettings();
    else
        ApplyTimingSettings();
    // Both analog areas start at mid-scale (0 V).
    std::fill(s.SampleBuf.begin(), s.SampleBuf.begin() + HW_SB_D0_D7, uint8_t{128});
    BringUp();
    CallComposeScreen(1, 1);
}

} // namespace vrx
