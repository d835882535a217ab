// SPDX-License-Identifier: GPL-3.0-or-later
//
// Start-up and hardware bring-up: the operating system line, the search for the instrument with
// the detection message (Retry searches again, Cancel continues in demo mode), the bitstream
// file and the configuration of the FPGA.
//
// After `BringUp` the program is in one of three states: configured (`Link` nonzero, `HwFound`
// 1); found but not configured (`HwFound` 0, the device powered down and closed, `Link` still
// nonzero); demo mode (`Link` 0).
#pragma once

#include <cstdint>

#include <QString>

namespace vrx {

// The bitstream file, read from `StartupInfo::BitstreamDir` (empty: the program directory, the
// working directory).
inline const QString kBitstreamFile = QStringLiteral("73604.bit");
// Caption of the program's own message boxes.
inline const QString kAppTitle = QStringLiteral("VRX-73604");

// What the start-up needs of the operating system: whether the full search (USB, then the
// parallel ports) is allowed (`FullSearch` 1; 0 when the system is unknown) and the two lines of
// the detection message.
struct SystemInfo {
    uint8_t FullSearch = 0;
    QString SystemLine;    // "Linux, ver. 6.1"
    QString InterfaceLine; // "Interface: BPP/EPP/Usb2.0 support"
};
SystemInfo DetectSystem();
// "major.minor" of a kernel release string ("6.1.0-18-amd64" -> "6.1"); empty if unreadable.
QString KernelMajorMinor(const char *release);

// The detection message for the current records (built by `DetectInterface`).
QString DetectionMessage(const QString &systemLine, const QString &interfaceLine,
                         const QString &model, const QString &linkLine);

void DetectInterface();
// Reads `file`, or when empty the bitstream file of `BitstreamDir`, into ConfigBits.
void LoadBitstream(const QString &file = {});
void BringUp(const QString &bitstreamFile = {});
// Whether the start-up reads the default settings file: the program does (when the file asks
// for it); vrxctl reads no settings file it was not given.
enum class DefaultSettingsFile { Load, Ignore };
// Defaults, colours and settings applied, both analog areas at mid-scale: the state before
// the instrument is searched for. A default file the load refuses is kept under its name with
// ".bad" appended, and the standard error says so: the end of the program writes a new one.
void InitProgramState(DefaultSettingsFile file);
// What runs at start-up without a window: the state, bring-up, first screen.
void Main();

} // namespace vrx
