// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/logic/qualify.h"

#include <algorithm>

#include "core/base/state.h"
#include "core/logic/logic_panel.h"

namespace vrx {

namespace {

// The selected word in force: its cells, then the trigger bytes from them.
void ApplySelectedWord() {
    const AppState &s = app();
    logicPanel().Qualify2List(
        s.logic.TriggerWords[static_cast<size_t>(std::clamp<int>(s.logic.SelWord, 0, 3))]);
    logicPanel().List2TrigLevel();
}

} // namespace

QString TrimWord(const QString &text) {
    QString word;
    for (int p = 0; p < 16; ++p) {
        const QChar ch = p < text.size() ? text[p] : QChar('x');
        word += ch == u'0' || ch == u'1' ? ch : QChar('x');
    }
    return word;
}

Qualify &qualify() {
    static Qualify dialog;
    return dialog;
}

Qualify::Qualify() {
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<size_t>(i);
        optQualify[k].onClick = [this, i] { optQualify_Click(i); };
        TextQualify[k].setToolTip(QStringLiteral("Edit Trigger word%1").arg(i));
        TextQualify[k].setMaxLength(kWordLength);
        TextQualify[k].onValidate = [this, i] { TextQualify_Validate(i); };
    }
    lbQualify.setText(QStringLiteral("D15--D0"));
    cmdOk.onClick = [this] { cmdOk_Click(); };
}

void Qualify::TrimText(std::array<TextModel, 4> &box, int index) {
    if (index < 0 || index > 3) return;
    const auto k = static_cast<size_t>(index);
    const QString word = TrimWord(box[k].text());
    app().logic.TriggerWords[k] = word;
    box[k].setText(word);
}

void Qualify::LoadWords() {
    const AppState &s = app();
    for (size_t i = 0; i < 4; ++i) {
        optQualify[i].setChecked(false);
        TextQualify[i].setText(s.logic.TriggerWords[i]);
    }
    optQualify[static_cast<size_t>(std::clamp<int>(s.logic.SelWord, 0, 3))].click();
}

void Qualify::optQualify_Click(int i) {
    if (i < 0 || i > 3) return;
    app().logic.SelWord = static_cast<int16_t>(i);
    for (int k = 0; k < 4; ++k)
        optQualify[static_cast<size_t>(k)].setChecked(k == i);
    TrimText(TextQualify, i);
    ApplySelectedWord();
}

void Qualify::TextQualify_Validate(int i) {
    if (i < 0 || i > 3) return;
    TrimText(TextQualify, i);
    if (optQualify[static_cast<size_t>(i)].checked()) ApplySelectedWord();
}

void Qualify::cmdOk_Click() {
    for (int i = 0; i < 4; ++i)
        TrimText(TextQualify, i);
    ApplySelectedWord();
}

} // namespace vrx
