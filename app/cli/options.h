// SPDX-License-Identifier: GPL-3.0-or-later
//
// The command line of `vrxctl`:
//
//   vrxctl [instrument] [settings] COMMAND [command options]
//
// Instrument options choose the link (a simulated one, demo data or the real instrument) and
// the bitstream; settings options set the front panel as its lists show it; the command says
// what to do with the records. `ParseCli` only reads the line: every value is checked against
// its list here, so a bad value is a usage error before the instrument is touched.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace vrx::cli {

enum class Command { None, Info, Capture, Measure, Count, Autoset, Decode };

// A per-channel setting: channel 0 A1, 1 A2, and the value as given.
struct ChannelValue {
    int channel = 0;
    QString value;
};

struct CliOptions {
    // Instrument.
    QString sim; // link of the simulated instrument
    bool demo = false;
    QString bitstream;
    // Settings, applied in this order.
    QString settingsFile;
    QString rate;
    int depth = -1;
    std::vector<ChannelValue> probe, coupling, vdiv;
    int trigger = -1; // 0 A1, 1 A2, 2 logic
    int slope = -1;   // 0 rise, 1 fall
    std::optional<double> level;
    QString word;
    // Command.
    Command command = Command::None;
    QString output;
    int records = 1;
    double duration = 0; // seconds; 0: count records
    QString format;
    QString saveSettings;
    QStringList decoders;    // -P: one decoder stack each
    QStringList annotations; // -A: decoders and their rows or classes to print
    QString input;           // -i: decode the record in this file instead of captured ones
    bool help = false;
};

// Reads the arguments after the program name; false with a one-line message on a usage error.
bool ParseCli(const QStringList &args, CliOptions &opts, QString &error);
QString CliUsage();

} // namespace vrx::cli
