// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/startup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/apply.h"
#include "core/settings/settings_file.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/set_color.h"

namespace vrx {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Moves a refused settings file out of the way of the settings written at the end, so nothing
// of it is lost. Only a file of its own is moved: a folder or a device of that name stays.
void KeepRefusedFile(const QString &name) {
    if (!QFileInfo(name).isFile()) return;
    const QString kept = name + QStringLiteral(".bad");
    if (std::rename(QFile::encodeName(name).constData(), QFile::encodeName(kept).constData()) == 0)
        std::fprintf(stderr, "the settings file %s was refused; it is kept as %s\n",
                     qPrintable(name), qPrintable(kept));
    else
        std::fprintf(stderr, "the settings file %s was refused and cannot be kept as %s: %s\n",
                     qPrintable(name), qPrintable(kept), std::strerror(errno));
}

} // namespace

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
    s.startup.FullSearch = sys.FullSearch;
    QString interfaceLine = sys.InterfaceLine;

    for (;;) {
        // A retry starts from a closed device.
        if (s.records.DevConfig[HW_DC_Link] != 0)
            PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
        const uint8_t port =
            FindPort(s.records.PortState.data(), s.records.DevConfig.data(), s.startup.FullSearch);
        static const char *const portTexts[5] = {"No ", "378H ", "278H ", "3BCH ", "Usb"};
        s.startup.SysText = port < 5 ? QString::fromLatin1(portTexts[port]) : QString();
        QString model = QStringLiteral("VRX-73604");

        switch (s.records.DevConfig[HW_DC_Link]) {
        case HW_LINK_NONE:
            s.startup.LinkText = QStringLiteral(" Port be connected") + kCrLf +
                                 QStringLiteral("\n") +
                                 QStringLiteral("Press 'Cancel button' for Demo mode");
            break;
        case HW_LINK_EPP:
            s.startup.LinkText = QStringLiteral("Epp Port be connected");
            break;
        case HW_LINK_BPP:
            s.startup.LinkText = QStringLiteral("Bpp Port be connected");
            break;
        case HW_LINK_USB:
            interfaceLine = QStringLiteral("Interface: Usb2.0 support");
            s.startup.LinkText = s.records.DevConfig[HW_DC_UsbSpeed] == 1
                                     ? QStringLiteral("1.1 Port be connected")
                                     : QStringLiteral("2.0 Port be connected");
            if (s.records.DevConfig[HW_DC_Variant] == 2) model = QStringLiteral("VRX-73604A");
            break;
        default:
            s.startup.LinkText.clear();
            break;
        }
        s.startup.MainCaption = model;
        s.startup.SysText += s.startup.LinkText;
        const QString message =
            DetectionMessage(sys.SystemLine, interfaceLine, model, s.startup.SysText);

        if (s.records.DevConfig[HW_DC_Link] != HW_LINK_NONE) {
            ui().MessageBox(message, QStringLiteral("Reset Hardware"), MsgButtons::Ok);
            return;
        }
        if (ui().MessageBox(message, QStringLiteral("Reset Hardware"), MsgButtons::RetryCancel) !=
            MsgResult::Retry)
            return; // demo mode
    }
}

void LoadBitstream(const QString &file) {
    AppState &s = app();
    // A fresh buffer for every load: a missing or shorter file must not configure from what an
    // earlier load left in it.
    std::fill(s.records.ConfigBits.begin(), s.records.ConfigBits.end(), uint8_t{0});
    std::fill(s.records.ConfigBits.begin() + 12040, s.records.ConfigBits.end(), uint8_t{0xFF});
    const QString &dir =
        s.startup.BitstreamDir.isEmpty() ? s.startup.AppDir : s.startup.BitstreamDir;
    s.startup.SysText = file.isEmpty() ? QDir(dir).filePath(kBitstreamFile) : file;
    // Only a regular file is read, opened without blocking: a pipe or a device of that name
    // would stall the start-up. A missing or unreadable file leaves the buffer empty (the
    // configuration then fails and says so).
    const QByteArray path = QFile::encodeName(s.startup.SysText);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        size_t done = 0;
        while (done < s.records.ConfigBits.size()) {
            const ssize_t n =
                ::read(fd, s.records.ConfigBits.data() + done, s.records.ConfigBits.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
    }
    ::close(fd);
}

void BringUp(const QString &bitstreamFile) {
    AppState &s = app();
    DetectInterface();
    LoadBitstream(bitstreamFile);
    s.run.HwFound = 0;
    if (s.records.DevConfig[HW_DC_Link] == HW_LINK_NONE) {
        // Demo mode. Without a link the library sends nothing and only resets its correction
        // fields and gain factors, so a re-initialisation that falls back to demo mode does not
        // apply the last instrument's converter corrections to the demo record.
        FindHardware(0, s.records.PortState.data(), s.records.DevConfig.data(),
                     s.records.ConfigBits.data());
        return;
    }
    s.run.HwFound = FindHardware(0, s.records.PortState.data(), s.records.DevConfig.data(),
                                 s.records.ConfigBits.data());
    if (s.run.HwFound == 0) {
        ui().MessageBox(QStringLiteral("VRX-73604 Config Error"), kAppTitle, MsgButtons::Ok);
        PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    }
}

void InitProgramState(DefaultSettingsFile file) {
    AppState &s = app();
    TimingPanel &f = form1();
    InitDefaults();
    f.InitPanel();
    s.startup.AppDir = QDir::currentPath();
    s.startup.IniPath = DefaultSettingsName();
    // The default file, when it asks to be loaded at start-up.
    if (file == DefaultSettingsFile::Load && Loadset(s.startup.IniPath, 0) == LoadResult::Refused)
        KeepRefusedFile(s.startup.IniPath);
    SetColor();
    ApplySettings();
    // Both analog areas start at mid-scale (0 V).
    std::fill(s.records.SampleBuf.begin(), s.records.SampleBuf.begin() + HW_SB_D0_D7, uint8_t{128});
}

void Main() {
    InitProgramState(DefaultSettingsFile::Load);
    BringUp();
    ComposeScreen(1, 1);
}

} // namespace vrx
