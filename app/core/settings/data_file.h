// SPDX-License-Identifier: GPL-3.0-or-later
//
// Waveform data files. A ".Vrx" file holds a captured record as four raw blocks of `RecordLen`
// bytes each, back to back and without a header: A1, A2, D0-D7, D8-D15 (bit k of a logic byte is
// input k of its eight). What is needed to read them (record length, rate, scales, positions,
// trigger, colours) travels in a companion settings file of the same stem with the extension
// ".ini". The channel text export writes one voltage a line for the samples of one analog
// channel.
//
// Every failure is reported in a message box; a load that fails leaves the sample memory and
// the settings as they were, and a save that fails leaves the previous file whole.
#pragma once

#include <cstdint>

#include <QByteArray>
#include <QString>

namespace vrx {

// Record length of a memory depth index (0 2K, 1 8K, 2 128K); 0 for another index.
int32_t DepthRecordLen(int depthIndex);

// The companion settings file of a data file: its extension replaced by "ini" ("run.Vrx" ->
// "run.ini"); a name without an extension gets ".ini" appended. Empty when no companion can be
// told apart from the data file: a name that is a folder or that ends in ".ini" itself.
QString CompanionName(const QString &dataFile);

// Companion settings, then the four blocks of the current record.
bool SaveDataFile(const QString &FileName);
// Companion settings (when present), then the blocks with the record length they give. Only
// the blocks checked under "Load Data &Option" (`LoadDataOpt`) are taken into the sample memory;
// the file must still hold all four. The settings are applied and the screen composed.
bool LoadDataFile(const QString &FileName);

// The text export of analog channel `Ch` (0 A1, 1 A2): the voltage of each sample of the record
// from the first sample on screen, one a line, each line ending in CR LF.
QByteArray ChannelText(int16_t Ch);
bool SaveChannelText(const QString &FileName, int16_t Ch);

} // namespace vrx
