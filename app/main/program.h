// SPDX-License-Identifier: GPL-3.0-or-later
//
// The program around the windows: command-line options, start-up, screenshots and the frame
// rate measurement.
//
//   vrx73604 [--sim usb|usb11|epp|bpp] [--depth 2K|8K|128K]
//            [--screenshots DIR] [--measure-fps SECONDS]
//
// --sim selects the simulated instrument on that link before the search (as HWLINK_SIM does)
// and starts acquisition once the windows are up; without it the program looks for a real
// instrument and offers demo mode when none answers.
// --screenshots starts acquisition, saves PNG pictures of both windows once the first records
// are drawn and quits; --measure-fps starts acquisition, counts the records drawn during that
// many seconds, prints frames per second and the CPU time of the process, and quits.
#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "main/main_window.h"

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

// Application-wide look: the same style and palette on every desktop.
void PrepareApplication();

// Start-up: both windows created, the core's `Main` (defaults, bring-up with its message
// boxes, the first screen), the windows shown with the focus on the trigger source list.
std::unique_ptr<MainWindow> StartProgram();

// Runs the event loop until `records` more records have been drawn or `timeoutMs` passed;
// true when the records came.
bool WaitForRecords(const MainWindow &w, int records, int timeoutMs);

// Saves "frmMain.png" and "form1.png" (the windows as they are drawn) into `dir`, which is
// created if needed. Returns the files written.
QStringList SaveScreenshots(MainWindow &w, const QString &dir);

// The whole program after the application object exists; returns the exit code.
int RunProgram(const ProgramOptions &opts);

} // namespace vrx
