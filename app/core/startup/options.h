// SPDX-License-Identifier: GPL-3.0-or-later
//
// The program's command line and where it finds its bitstream.
//
//   vrx73604 [--sim usb|usb11|epp|bpp] [--depth 2K|8K|128K]
//            [--screenshots DIR] [--measure-fps SECONDS] [--windows LIST]
#pragma once

#include <QString>
#include <QStringList>

namespace vrx {

struct ProgramOptions {
    QString sim;           // link of the simulated instrument; empty: real hardware
    QString screenshotDir; // save screenshots there and quit
    double measureSeconds = 0;
    int depth = -1;      // memory depth index, -1 keeps the settings
    QStringList windows; // tool windows to open at the start, from `ToolWindowNames()`
    bool help = false;
};

// Parses the arguments after the program name. On an error returns false with a message.
bool ParseOptions(const QStringList &args, ProgramOptions &opts, QString &error);
QString UsageText();
// The tool windows `--windows` opens, in the order they open: "measure", "fft" (mode
// "Normal"), "xy", "state", "decoders", "annotations"; "all" stands for every one.
const QStringList &ToolWindowNames();

// The folders the bitstream is looked for in, in this order: the working directory (a user's
// own file comes first), the user's data folder (where a real instrument's bitstream is kept),
// the program's folder (the build folder's synthetic one) and the installed data folder (the
// synthetic one an installation ships for the simulated instrument).
QStringList BitstreamFolders(const QString &workDir, const QString &exeDir);
// The first of `dirs` that holds the bitstream file, else the first of them (the configuration
// then fails and names the file it looked for).
QString BitstreamDirectory(const QStringList &dirs);

} // namespace vrx
