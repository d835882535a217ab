// SPDX-License-Identifier: GPL-3.0-or-later
//
// Automatic measurements of A1 and A2: the measure box `frmMeasure` ("Measurements") and its
// chooser `frmTestItem` ("Measure Item").
//
// The library's engine `TestAd` measures a stretch of one channel's samples: extremes, mean,
// rectified mean about the zero level, and the timing of the first complete pulses and edges,
// all in codes or sample counts. `TestCh` runs it on A1 and then on A2 over the stretch the user
// chose (the screen or the whole record) and turns the chosen items into rows of text: volts
// with the channel's scale, times and frequencies at the current sample rate, and "- - - - -"
// where the signal gives no value. The box is one row per item, 240 twips apart, and exactly as
// high as its rows.
//
// The chooser's check boxes and option buttons are control models here; OK stores them in
// `app().measure`.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/base/controls.h"

namespace vrx {

constexpr int kMeasureItems = 12; // items a channel can show, "V_Max." .. "Freq."
// Layout of the box in twips: the rows, the name and value columns, the height without rows.
constexpr int kMeasureRowTwips = 240;
constexpr int kMeasureNameX = 45;
constexpr int kMeasureValueX = 700;
constexpr int kMeasureEmptyTwips = 380;
// What an item shows when the signal has no such value.
inline const QString kNotMeasured = QStringLiteral("- - - - -");

// One row of the box: the channel (0 A1, 1 A2), the item and the texts it prints.
struct MeasureRow {
    int16_t channel = 0;
    int16_t item = 0;
    QString name;
    QString value;
};

// First sample and number of samples tested: the screen or the whole record from the display
// start, kept inside the record.
struct TestStretch {
    int32_t start = 0;
    int32_t length = 1;
};
TestStretch MeasureStretch();
// The same for a test-length choice of its own (0 screen, 1 full memory).
TestStretch MeasureStretch(int16_t testLenMode);

// Rise and fall counts of `n` samples between the levels `span / divisor` in from the
// extremes (divisor 10: 10 % and 90 %, 5: 20 % and 80 %), found as the engine finds them: the
// first edge after the signal was beyond the far level, -1 for an edge not completed before the
// last sample. Both are -1 for a span of 10 codes or less.
void EdgeCounts(const uint8_t *data, int32_t n, int32_t level, int32_t divisor, int32_t &rise,
                int32_t &fall);

// The value text of `item` from a results record of the engine, for a channel whose zero level
// is code `offset` and whose codes are `mvPerCode` millivolts. An edge completed within one
// sample shows the bound it lies under ("<10 ns" at 100 MSa/s).
QString MeasureValueText(int item, const std::array<int32_t, 13> &results, int offset,
                         double mvPerCode);

// The measure box's logic: the rows of the last `TestCh`. Subscribers are called after each.
class MeasureBox : public ControlBase {
  public:
    // Measures A1 and A2 and rebuilds the rows from the chosen items.
    void TestCh();

    const std::vector<MeasureRow> &rows() const { return rows_; }
    // Height of the box in twips: every row and the frame.
    int32_t Height() const;
    // The rows as text, one line a row: channel, item name and value, separated by tabs.
    QStringList RowsText() const;

    // The box was opened or closed: the flag `MeasureOn` follows, and an opened box is
    // measured at once.
    void Form_Load();
    void Form_Unload();

  private:
    std::vector<MeasureRow> rows_;
};

// The chooser's logic: item captions, a check box per item and channel, the stretch and the
// edge levels as option pairs.
class MeasureItems {
  public:
    MeasureItems();

    std::array<LabelModel, kMeasureItems> TsItem;
    std::array<CheckModel, kMeasureItems> CheckA1, CheckA2;
    std::array<CheckModel, 2> OptLen;  // "Screen", "Full memory"
    std::array<CheckModel, 2> OptRise; // "10%-90%", "20%-80%"

    // The controls from the stored selection (when the dialog opens, and after the settings
    // were applied).
    void Form_Load();
    // OK: the selection stored; an open measure box shows it at once.
    void CmdOk_Click();

  private:
    static void Select(std::array<CheckModel, 2> &pair, int i);
};

MeasureBox &frmMeasure();
MeasureItems &frmTestItem();

} // namespace vrx
