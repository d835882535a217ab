// SPDX-License-Identifier: GPL-3.0-or-later
//
// The data output workbook: a range of captured samples written to an .xlsx file, one row per
// sample, with the columns chosen for A1, A2 and the logic word D15-D0.
//
// Sheet layout: cell A1 holds the sample rate with the time of one sample in parentheses, A2
// "Buffer( )"; each exported channel has a block of columns from "B" on (A1 formats, A2
// formats, logic formats, each in the order of its check boxes), with the channel's name in row
// 1 of the block's first column and each format's heading in row 2. Sample k of the range is in
// row (k - first) + 3 with its index in column A.
//
// The writer needs no window and no state: the caller hands it the sample areas and scales
// (`RecordSource()` takes them from the program's state). Rows stream out as they are made, so
// a 128K record needs no more memory than one row and the compressed workbook; the file is
// written as every file of the program (core/settings/file_write.h), only once complete.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

namespace vrx {

// At most this many samples go into one workbook (the sheet's rows of the old format, less the
// two heading rows).
constexpr int32_t kMaxExportRows = 65534;

struct ExportRange {
    int32_t first = 0;
    int32_t last = 0;
};

// The range rule: at most kMaxExportRows samples, the last one before the record's last sample
// (`lastSample` = LastSample); the first one is kept within the record as well.
ExportRange CorrectRange(ExportRange r, int32_t lastSample);

// Analog formats, in the order of their check boxes.
enum AnalogFormat { FmtDecimal = 0, FmtHex = 1, FmtAscii = 2, FmtUnit = 3, FmtInverse = 4 };
// Logic word formats.
enum LogicFormat { LaDecimal = 0, LaHex = 1, LaAscii = 2, LaBinary = 3 };

struct ExportFormats {
    std::array<bool, 3> channel{}; // A1, A2, D15-D0 exported
    std::array<bool, 5> a1{};      // AnalogFormat
    std::array<bool, 5> a2{};      // AnalogFormat
    std::array<bool, 4> logic{};   // LogicFormat
};

// What is exported: the sample areas (A1, A2, D0-D7, D8-D15, `length` bytes each), the
// position of code 0 V of each analog channel (its offset code) and its millivolts per code,
// and the text of cell A1.
struct ExportSource {
    std::array<const uint8_t *, 4> area{};
    int32_t length = 0;
    std::array<int32_t, 2> offset{128, 128};
    std::array<double, 2> mvPerCode{1.0, 1.0};
    QString rateText;
};

// The capture memory and the channels' scales of the program's state.
ExportSource RecordSource();

// One column of the sheet: its heading (row 2), the channel name over it when it opens a
// channel's block (row 1), and what it shows.
struct ExportColumn {
    QString name;
    QString heading;
    int channel = 0; // 0 A1, 1 A2, 2 logic word
    int format = 0;  // AnalogFormat or LogicFormat
};
// The columns from "B" on, in sheet order.
std::vector<ExportColumn> ExportColumns(const ExportFormats &f);

// The cell texts of one analog byte and of one logic word (hi = D15..D8, lo = D7..D0).
// Decimal values are numbers in the sheet; these are their texts. The logic word's "Ascii" is
// the characters of its printable bytes, D15..D8 first (0x0041 gives "A", 0x4241 "BA").
QString AnalogCell(uint8_t b, int format, int32_t offset, double mvPerCode);
QString LogicCell(uint8_t hi, uint8_t lo, int format);

enum class WriteResult { Done, Aborted, Failed };

// Called after each row: rows written so far and rows in all.
using ExportProgress = std::function<void(int32_t done, int32_t total)>;

// Writes the workbook. `running` is looked at after each row (after `progress` has run, which
// may clear it): once it is 0 the export stops. An aborted or failed export leaves nothing
// under `path` (a file that was there before stays as it was); a failure's cause goes to
// `error` when one is given.
WriteResult WriteWorkbook(const QString &path, const ExportSource &src, ExportRange range,
                          const ExportFormats &formats, const ExportProgress &progress,
                          const volatile int16_t &running, QString *error = nullptr);

} // namespace vrx
