// SPDX-License-Identifier: GPL-3.0-or-later
//
// The logic data search `frmSearch` ("Search data"): finds the next or the previous sample whose
// logic word D15..D0 matches a pattern of sixteen "0", "1" or "x" (D15 first) and moves the V1
// or the V2 bar of the timing view there, then aligns the screen on it. The pattern is typed, or
// taken over ("=>") from one of the four trigger words or from the logic values at the V1, V2 or
// trigger bar.
//
// The search itself is the instrument library's `SearchVdata`: it first leaves the run of
// matching samples the bar stands on, then stops at the next match, wrapping around the ends of
// the record; when nothing else matches the bar keeps its place. The pattern as a match word and
// a don't-care mask is `app().logic.SearchWord`.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "core/base/controls.h"

namespace vrx {

class SearchLogic {
  public:
    SearchLogic();
    SearchLogic(const SearchLogic &) = delete;
    SearchLogic &operator=(const SearchLogic &) = delete;

    // ---- Controls ----------------------------------------------------------------------------
    TextModel TextSearch;                // the pattern, "Edit Trigger word0"
    std::array<CheckModel, 2> optVbar;   // "V1bar", "V2bar": the bar that moves
    std::array<CheckModel, 2> cmdSearch; // "Forward", "Backward" (buttons)
    std::array<LabelModel, 3> lbQualify; // [1] "Search by", [2] "D15--D0"
    std::array<CheckModel, 7> OptData;   // the sources of "=>"
    CheckModel cmdTrans;                 // "=>"

    // The caption of source i: the trigger words 0..3, "V1bar data", "V2bar data",
    // "Trigger bar data".
    static QString OptDataCaption(int i);

    // ---- Procedures ---------------------------------------------------------------------------
    // What opening the dialog does: the pattern in the box normalised and made the search record.
    void Open();
    // Normalises the pattern as a typed trigger word is, writes it back and computes the record.
    void Text2Searchdata();
    void cmdTrans_Click();
    // dir 0 "Forward", 1 "Backward".
    void cmdSearch_Click(int dir);
    void TextSearch_Validate();
};

// The search dialog's logic.
SearchLogic &frmSearch();

} // namespace vrx
