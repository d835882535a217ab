// SPDX-License-Identifier: GPL-3.0-or-later
//
// The program's command line and where it finds its bitstream.
//
//   vrx73604 [--sim usb|usb11|epp|bpp] [--depth 2K|8K|128K]
//            [--screenshots DIR] [--measure-fps SECONDS]
#pragma once

#include <QString>
#include <QStringList>

namespace vrx {

struct ProgramOptions {
    QString sim;           // link of the simulated instrument; empty: real hardware
    QString screenshotDir; // save screenshots there and quit
    double measureSeconds = 0;
    int depth = -1; // memory depth index, -1 keeps the settings
    bool help = false;
};

// Parses the arguments after the program name. On an error returns false with a message.
bool ParseOptions(const QStringList &args, ProgramOptions &opts, QString &error);
QString UsageText();

// The folder the bitstream is read from: the working directory when the file is there, else
// the folder of the executable when it is there, else the working directory (the configuration
// then fails and says so).
QString BitstreamDirectory(const QString &workDir, const QString &exeDir);

} // namespace vrx
