// SPDX-License-Identifier: GPL-3.0-or-later
//
// The logic channel panel of the timing view: one row per logic input D0..D15 beside the logic
// lanes, with the channel's name, its index, its values at the V1 bar, the V2 bar and the trigger
// bar, and its cell of the logic trigger word.
//
// The controls of index c belong to channel c; each channel's row (`Frame1(c)`) stands beside
// the lane that shows that channel, so the rows follow the display order `Sequence` scrolled by
// `ScrollCh`. The sixteen trigger cells are the trigger word in force: they give the pattern and
// don't-care bytes `TrigLevel[2..5]` that arm the instrument and the selected entry of
// `TriggerWords`, which the trigger word dialog edits.
//
// A trigger word is 16 characters "0", "1" or "x", D15 first.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "core/base/controls.h"
#include "core/base/events.h"

namespace vrx {

class LogicPanel {
  public:
    LogicPanel();
    LogicPanel(const LogicPanel &) = delete;
    LogicPanel &operator=(const LogicPanel &) = delete;

    // ---- Row controls, index = channel ------------------------------------------------------
    std::array<FrameModel, 16> Frame1;
    std::array<TextModel, 16> txtName;    // "Edit Ch name"
    std::array<LabelModel, 16> lbChnum;   // "Ch Index, inverted color mean output"
    std::array<LabelModel, 16> lbV0;      // "V1 data"
    std::array<LabelModel, 16> lbV1;      // "V2 data"
    std::array<LabelModel, 16> lbV2;      // "Trigger data"
    std::array<LabelModel, 16> lbTrigger; // "Click to set Trigger word"
    // The 16-bit words at V1, V2 and the trigger bar in hexadecimal, above the rows.
    std::array<LabelModel, 3> lbBarWord;
    ScrollModel ScrollCh; // first row shown, 0..15

    // ---- Procedures ---------------------------------------------------------------------------
    // Places every row beside its lane and colours the name and index of each channel.
    void Setpicture1();
    // Cells to `TrigLevel[2..5]` and to the selected trigger word; re-arms.
    void List2TrigLevel();
    // A trigger word to the cells (a missing or unknown character is "x").
    void Qualify2List(const QString &word);
    // The value labels from the logic values the screen composition read at the bars.
    void ShowBarLabels();
    // Colours of the rows from the colour table.
    void PaintRows();

    // ---- Handlers -------------------------------------------------------------------------------
    void lbTrigger_MouseDown(int i);
    void lbTrigger_MouseUp(int i);
    void txtName_Change(int i);
    void ScrollCh_Change();

  private:
    Subscription barValues_, colors_;
};

// The logic panel of the timing view.
LogicPanel &logicPanel();

// Brings the panel into line with the state: name boxes from `LogicLaneName`, the rows placed,
// the trigger word dialog filled and its selected word put in force.
void ApplyLogicSettings();

} // namespace vrx
