// SPDX-License-Identifier: GPL-3.0-or-later
//
// The settings file: the whole user configuration of the instrument and its windows as 182
// positional text records, one a line, each ending in CR LF. A record is its key in double
// quotes followed by its values, separated by commas: strings in double quotes, integers in
// decimal, flags as #TRUE# or #FALSE#; a blank record is an empty line. The reader goes by
// position (the keys are not compared), so the order, the number of values of each record and
// the blank lines are the format; any change of it needs a new model string.
//
// The default file is the model string followed by ".ini" in the working directory. It is
// written at every end of the program and loaded at start-up only when its own "AutoLoadsetting"
// record says #TRUE#.
//
// A file is read whole into a copy of the settings and applied only when every record is sound:
// a file of another model, a malformed record or a short file changes nothing and is reported
// with the line at fault.
#pragma once

#include <cstdint>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/base/state.h"

namespace vrx {

inline const QString kModelMismatchText = QStringLiteral("Model or Version not match!!");

// The parts of the state the settings file covers.
struct SettingsSnapshot {
    QString Model;
    ChannelSettings channels;
    AcquisitionSettings acquisition;
    TriggerSettings trigger;
    ViewSettings view;
    LogicTables logic;
    ColorTable colors;
    DisplaySettings display;
    MeasureSettings measure;
    FftSettings fft;
    DecodeSettings decode; // from the companion file
    int16_t CountRes = 0;  // CounterState(0): counter resolution choice

    static SettingsSnapshot FromApp();
    // Copies everything the file holds into the program's state.
    void ApplyToApp() const;
};

// The whole file for these settings.
QByteArray SettingsText(const SettingsSnapshot &s);

struct ParseResult {
    bool ok = false;
    int line = 0;    // the line at fault (1-based) when not ok
    QString error;   // what is wrong with it
    int records = 0; // records read
};
// Reads `text` into `s`, record by record: the first `upto` records (0: all).
ParseResult ParseSettings(const QByteArray &text, SettingsSnapshot &s, int upto = 0);

// The default settings file name: the model string followed by ".ini".
QString DefaultSettingsName();

// The protocol decoders' set-up lives in a companion file beside the settings file, the settings
// file's name followed by ".decoders" ("Vrx73604v4.ini.decoders"), one decoder stack a line in
// the command line's grammar; the positional records of the settings file stay as they are. A
// settings file without a companion has no decoders.
QString DecodersFileName(const QString &settingsFile);
QByteArray DecodersText(const QStringList &stacks);
// The stacks of a companion file; none when it is missing or unreadable.
QStringList ReadDecodersFile(const QString &path);

// Writes the settings file `FileName` (creating or replacing it). A failure leaves the previous
// file whole and, when `report` is set, says so in a message box. Returns whether it was written.
bool Saveset(const QString &FileName, bool report = true);

enum class LoadResult { Missing, Loaded, Skipped, Refused };
// Loads the settings file `FileName` into the state: `Explicit` 1 for a file the user chose, 0
// for the start-up load, which loads only the default file and only when it asks for it. A
// missing file is ignored; a file of another model or a malformed one is refused with a message
// and changes nothing. The caller applies the settings to the controls (`ApplySettings`).
LoadResult Loadset(const QString &FileName, int16_t Explicit);

// Reads a settings file into `s` without touching the state: Loaded, Missing, or Refused with
// the message already shown.
LoadResult ReadSettingsFile(const QString &FileName, SettingsSnapshot &s);

} // namespace vrx
