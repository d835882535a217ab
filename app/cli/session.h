// SPDX-License-Identifier: GPL-3.0-or-later
//
// What `vrxctl` does with the options: brings the instrument (or demo data) up without a
// window, applies the settings through the front panel's own controls and runs the command
// over records from the acquisition loop.
#pragma once

#include "cli/options.h"

namespace vrx::cli {

// Exit codes.
constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;

// Runs the command; messages go to stderr, results to stdout. Returns the exit code.
int Run(const CliOptions &opts);

// The file of record `index` (from 1) of `count`: with more than one record, a four-digit
// record number before the extension ("run.csv" -> "run0001.csv").
QString RecordPath(const QString &path, int index, int count);

// SIGINT, SIGTERM or SIGHUP asks the run to end after the current record; a second one ends
// the program at once (after a file being written is whole or removed).
void InstallInterruptHandler();
bool Interrupted();

} // namespace vrx::cli
