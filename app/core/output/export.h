// SPDX-License-Identifier: GPL-3.0-or-later
//
// Files that other tools open: the record in the sample memory written as CSV, as a VCD
// (IEEE 1364 value change dump) and as a sigrok session (.sr), and the program's own CSV read
// back into a memory channel (M1, M2) as a reference trace.
//
// Every export covers the record as it lies in the sample memory, from its first sample to its
// last (`RecordLen` samples of the A1, A2, D0-D7 and D8-D15 areas). Volts are what the measure
// box shows: the channel's zero level minus the byte, times the channel's millivolts per code
// (probe included). Each file is made whole in memory, then written as every file of the
// program is (core/settings/file_write.h): a failed export (an unwritable folder, a full disk)
// leaves no partial file and an older file of that name whole; a pipe or a device is written
// into.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <QByteArray>
#include <QString>

#include "core/base/rates.h"

class QIODevice;

namespace vrx {

enum class ExportFormat { Unknown, Csv, Vcd, Sigrok };

// The format of a file name's extension (".csv", ".vcd", ".sr", any case).
ExportFormat FormatOfPath(const QString &path);
// A format by name ("csv", "vcd", "sr"); Unknown for another.
ExportFormat FormatOfName(const QString &name);

// One record of the sample memory and what its bytes mean.
struct RecordData {
    const uint8_t *a1 = nullptr, *a2 = nullptr; // analog bytes
    const uint8_t *lo = nullptr, *hi = nullptr; // D0-D7, D8-D15
    int32_t length = 0;
    double periodSeconds = 0;          // 0: the external clock, no time base
    std::array<int16_t, 2> zero{};     // zero-level code of A1, A2
    std::array<double, 2> mvPerCode{}; // millivolts per code of A1, A2

    double Volts(int ch, uint8_t byte) const {
        return (zero[static_cast<size_t>(ch)] - byte) * mvPerCode[static_cast<size_t>(ch)] / 1000.0;
    }
    uint16_t Word(int32_t i) const { return static_cast<uint16_t>(lo[i] | (hi[i] << 8)); }
};

// The record in the program's sample memory with the current channel scales.
RecordData CurrentRecord();

// The writers, into an open device; false when a write failed.
bool WriteCsv(const RecordData &r, QIODevice &out);
bool WriteVcd(const RecordData &r, QIODevice &out);
// The sigrok session is a zip archive, made in memory: `out` receives its bytes.
bool WriteSigrok(const RecordData &r, QByteArray &out, QString &error);

// Writes `r` to `path` in `format`; on failure returns false with a one-line message and
// leaves no file behind.
bool ExportRecord(const RecordData &r, const QString &path, ExportFormat format, QString &error);

// Reads a CSV written by `WriteCsv` (or one of its shape: a header naming the columns, A1_V
// and A2_V in volts) into the memory channels: A1_V into M1, A2_V into M2, at each memory
// channel's scale and zero level, and shows them. On failure returns false with a message and
// leaves the memory channels as they were.
bool ImportCsv(const QString &path, QString &error);

// The File menu's "Export..." (the format by the file type chosen) and "Import CSV...": the
// file dialog, then the export or import; a failure is reported in a message box.
void mnuExport_Click();
void mnuImportCsv_Click();

// Formatting helpers shared by the writers: the shortest text of a double that reads back
// exactly, appended to `out`.
void AppendNumber(std::string &out, double v);

} // namespace vrx
