// SPDX-License-Identifier: GPL-3.0-or-later
//
// The data output dialog `frmExcel` ("Data Output Option"): a range of the captured record, the
// channels and formats to export, and the export itself into a workbook that then opens in the
// desktop's spreadsheet application.
//
// OK corrects the range and writes the corrected "to" back into its box, takes a copy of the
// record with its scales and rate text, asks for the file, sets the export-running flag and
// writes row by row from the copy; the window's events are serviced after every row, so
// "Abort" (which clears the flag) stops the export before the next row, and acquisition goes
// on without changing the record being exported.
#pragma once

#include <array>
#include <functional>

#include <QString>

#include "core/base/controls.h"
#include "core/output/workbook.h"

namespace vrx {

class DataOutput {
  public:
    DataOutput();
    DataOutput(const DataOutput &) = delete;
    DataOutput &operator=(const DataOutput &) = delete;

    std::array<TextModel, 2> TxtAdds; // frame "Buffer": "From", "to"
    std::array<CheckModel, 3> ChkCh;  // "A1", "A2", "D15-D0"
    // "Decimal", "HexDecimal", "Ascii", "Unit(v)", "Inverse data"
    std::array<CheckModel, 5> ChkA1, ChkA2;
    std::array<CheckModel, 4> ChkLA; // "Decimal", "HexDecimal", "Ascii", "Binary"
    CheckModel cmdOk;                // a command button: only its click counts
    CheckModel cmdAbort;             // "Abort"
    ScrollModel ProgressBar1;        // rows written of the range

    // Opens a finished workbook; by default in the desktop's spreadsheet application.
    std::function<void(const QString &path)> openWorkbook;
    // How the last export ended.
    WriteResult lastResult = WriteResult::Done;

    // The choices, the range and the opener back to those of a fresh start.
    void Reset();
    ExportFormats Formats() const;
    void cmdOk_Click();
    void cmdAbort_Click();
};

// The data output dialog of the program.
DataOutput &frmExcel();

} // namespace vrx
