// SPDX-License-Identifier: GPL-3.0-or-later
//
// The program around the windows: command-line options, start-up, screenshots and the frame
// rate measurement.
//
//   vrx73604 [--sim usb|usb11|epp|bpp] [--depth 2K|8K|128K]
//            [--screenshots DIR] [--measure-fps SECONDS] [--windows LIST]
//
// --sim selects the simulated instrument on that link before the search (as HWLINK_SIM does)
// and starts acquisition once the windows are up; without it the program looks for a real
// instrument and offers demo mode when none answers.
// --screenshots starts acquisition, saves a PNG picture of the main window once the first
// records are drawn and quits; --measure-fps starts acquisition, counts the records drawn during
// that many seconds, prints frames per second and the CPU time of the process, and quits.
#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "core/startup/options.h"
#include "windows/main/main_window.h"

namespace vrx {

// Application-wide look: the same style and palette on every desktop.
void PrepareApplication();

// Start-up: the main window created, the core's `Main` (defaults, bring-up with its message
// boxes, the first screen), the window shown with the focus on the trigger source list.
std::unique_ptr<MainWindow> StartProgram();

// Runs the event loop until `records` more records have been drawn or `timeoutMs` passed;
// true when the records came.
bool WaitForRecords(const MainWindow &w, int records, int timeoutMs);

// Saves "frmMain.png" (the main window as it is drawn) into `dir`, which is created if needed.
// Returns the file written; on a failure an empty string and the reason in `error`.
QString SaveScreenshot(MainWindow &w, const QString &dir, QString &error);

// The whole program after the application object exists; returns the exit code.
int RunProgram(const ProgramOptions &opts);

} // namespace vrx
