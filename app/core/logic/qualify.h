// SPDX-License-Identifier: GPL-3.0-or-later
//
// The trigger word dialog `Qualify` ("ChD15-D0 Qualify"): the four trigger words of the logic
// trigger, each in its own text box, and the option that chooses the word in force. The chosen
// word goes to the cells of the logic panel (core/logic/logic_panel.h), which turn it into the
// instrument's pattern and don't-care bytes.
//
// An edit takes effect when its option is clicked, when the focus leaves its box or on OK; an
// edit of a word that is not selected changes the table only.
#pragma once

#include <array>

#include <QString>

#include "core/base/controls.h"

namespace vrx {

// A typed text as a trigger word: positions 1..16 keep "0" and "1", every other character and
// every position past the end of the text become "x".
QString TrimWord(const QString &text);

class Qualify {
  public:
    Qualify();
    Qualify(const Qualify &) = delete;
    Qualify &operator=(const Qualify &) = delete;

    std::array<CheckModel, 4> optQualify; // "Qualify0" .. "Qualify3" in "Digital Trigger"
    std::array<TextModel, 4> TextQualify; // "Edit Trigger word0" .. "Edit Trigger word3"
    LabelModel lbQualify;                 // "D15--D0"
    CheckModel cmdOk;                     // a command button: only its click counts

    // Normalises the text of box `index` into a trigger word, stores it as that word of the
    // table and writes it back into the box.
    void TrimText(std::array<TextModel, 4> &box, int index);
    // What opening the dialog does: options cleared, every box filled from the table, the
    // selected word's option clicked (which puts that word in force).
    void LoadWords();

    void optQualify_Click(int i);
    void TextQualify_Validate(int i);
    void cmdOk_Click();
};

// The trigger word dialog of the program.
Qualify &qualify();

} // namespace vrx
