// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/logic/logic_panel.h"

#include <algorithm>

#include "core/base/state.h"
#include "core/logic/qualify.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

constexpr int16_t kFirstNameTab = 21; // above 20: typing a name is not a front-panel key

size_t Sel() {
    return static_cast<size_t>(std::clamp<int>(app().logic.SelWord, 0, 3));
}

} // namespace

LogicPanel &logicPanel() {
    static LogicPanel panel;
    return panel;
}

LogicPanel::LogicPanel() {
    for (int i = 0; i < 16; ++i) {
        const auto c = static_cast<size_t>(i);
        txtName[c].setText(QStringLiteral("Channel 00"));
        txtName[c].setToolTip(QStringLiteral("Edit Ch name"));
        txtName[c].setMaxLength(kNameLength);
        txtName[c].setTabIndex(static_cast<int16_t>(kFirstNameTab + i));
        txtName[c].onChange = [this, i] { txtName_Change(i); };
        lbChnum[c].setText(QString::number(i));
        lbChnum[c].setToolTip(QStringLiteral("Ch Index, inverted color mean output"));
        lbV0[c].setToolTip(QStringLiteral("V1 data"));
        lbV1[c].setToolTip(QStringLiteral("V2 data"));
        lbV2[c].setToolTip(QStringLiteral("Trigger data"));
        lbTrigger[c].setText(QStringLiteral("0"));
        lbTrigger[c].setToolTip(QStringLiteral("Click to set Trigger word"));
        lbTrigger[c].onClick = [this, i] {
            lbTrigger_MouseDown(i);
            lbTrigger_MouseUp(i);
        };
    }
    ScrollCh.setRange(0, 15);
    ScrollCh.setLargeChange(4);
    ScrollCh.onChange = [this] { ScrollCh_Change(); };
    barValues_ = Subscribe(Event::BarValuesChanged, [this] { ShowBarLabels(); });
    colors_ = Subscribe(Event::ColorsChanged, [this] { PaintRows(); });
    ShowBarLabels();
}

void LogicPanel::PaintRows() {
    const AppState &s = app();
    const int32_t bg = s.colors[ColBackground];
    for (int i = 0; i < 16; ++i) {
        const auto c = static_cast<size_t>(i);
        const int32_t lane = s.colors[LogicColorEntry(i)];
        txtName[c].setForeColor(lane);
        txtName[c].setBackColor(bg);
        lbChnum[c].setForeColor(lane);
        lbChnum[c].setBackColor(bg);
        lbV0[c].setForeColor(s.colors[ColV1]);
        lbV1[c].setForeColor(s.colors[ColV2]);
        lbV2[c].setForeColor(s.colors[ColTrigger]);
        for (LabelModel *l : {&lbV0[c], &lbV1[c], &lbV2[c]})
            l->setBackColor(bg);
        Frame1[c].setBackColor(s.colors[ColGrid]);
    }
    for (int k = 0; k < 3; ++k) {
        lbBarWord[static_cast<size_t>(k)].setForeColor(s.colors[ColV1 + k]);
        lbBarWord[static_cast<size_t>(k)].setBackColor(bg);
    }
}

void LogicPanel::Setpicture1() {
    const AppState &s = app();
    const int h = s.display.LogicHeight;
    for (int i = 0; i < 16; ++i) {
        const int r = (s.logic.ScrollChValue + i) & 15;
        const auto c = static_cast<size_t>(s.logic.Sequence[static_cast<size_t>(r)] & 15);
        Frame1[c].place(h * i, h);
        // Name and index belong to the channel and move with its row.
        txtName[c].setText(s.logic.LogicLaneName[c]);
        lbChnum[c].setText(QString::number(c));
    }
    PaintRows();
}

void LogicPanel::List2TrigLevel() {
    AppState &s = app();
    auto &level = s.trigger.TrigLevel;
    level[2] = level[3] = level[4] = level[5] = 0;
    for (int i = 0; i < 8; ++i) {
        const auto bit = static_cast<uint8_t>(1u << i);
        const QString &lo = lbTrigger[static_cast<size_t>(i)].text();
        const QString &hi = lbTrigger[static_cast<size_t>(i + 8)].text();
        if (lo == QLatin1String("1")) level[2] |= bit;
        if (lo.compare(QLatin1String("x"), Qt::CaseInsensitive) == 0) level[3] |= bit;
        if (hi == QLatin1String("1")) level[4] |= bit;
        if (hi.compare(QLatin1String("x"), Qt::CaseInsensitive) == 0) level[5] |= bit;
    }
    QString word;
    for (int i = 15; i >= 0; --i)
        word += lbTrigger[static_cast<size_t>(i)].text();
    s.logic.TriggerWords[Sel()] = word;
    // An open trigger word dialog shows the word in force as the cells make it.
    qualify().TextQualify[Sel()].setText(word);
    s.run.ParamChanged = 1;
}

void LogicPanel::Qualify2List(const QString &word) {
    for (int p = 0; p < 16; ++p) {
        const QChar ch = p < word.size() ? word[p] : QChar('x');
        lbTrigger[static_cast<size_t>(15 - p)].setText(ch == u'0'   ? QStringLiteral("0")
                                                       : ch == u'1' ? QStringLiteral("1")
                                                                    : QStringLiteral("x"));
    }
}

void LogicPanel::ShowBarLabels() {
    const BarLogicValues &v = barValues();
    static const char *const names[3] = {"V1", "V2", "T"};
    for (int c = 0; c < 16; ++c) {
        const auto i = static_cast<size_t>(c);
        lbV0[i].setText(BarValueText(0, c));
        lbV1[i].setText(BarValueText(1, c));
        lbV2[i].setText(BarValueText(2, c));
    }
    for (size_t k = 0; k < 3; ++k) {
        const int word = v.Pair[k][0] | (v.Pair[k][1] << 8);
        lbBarWord[k].setText(QStringLiteral("%1 %2").arg(
            QLatin1String(names[k]),
            v.Valid[k] ? QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper()
                       : QStringLiteral("----")));
    }
}

void LogicPanel::lbTrigger_MouseDown(int i) {
    if (i < 0 || i > 15) return;
    lbTrigger[static_cast<size_t>(i)].setEffect(EffectSunken);
}

void LogicPanel::lbTrigger_MouseUp(int i) {
    if (i < 0 || i > 15) return;
    LabelModel &cell = lbTrigger[static_cast<size_t>(i)];
    cell.setEffect(EffectFlat);
    const QString &t = cell.text();
    cell.setText(t == QLatin1String("0")   ? QStringLiteral("1")
                 : t == QLatin1String("1") ? QStringLiteral("x")
                                           : QStringLiteral("0"));
    List2TrigLevel();
}

void LogicPanel::txtName_Change(int i) {
    if (i < 0 || i > 15) return;
    AppState &s = app();
    const auto c = static_cast<size_t>(i);
    s.screen.KeyTarget = txtName[c].tabIndex();
    s.logic.LogicLaneName[c] = txtName[c].text();
}

void LogicPanel::ScrollCh_Change() {
    app().logic.ScrollChValue = static_cast<int16_t>(ScrollCh.value());
    Setpicture1();
    DrawLogic();
    for (int k = 0; k < 3; ++k)
        bars().Vline(k, 1);
    PicturesChanged();
}

void ApplyLogicSettings() {
    const AppState &s = app();
    LogicPanel &p = logicPanel();
    for (size_t i = 0; i < 16; ++i)
        p.txtName[i].setText(s.logic.LogicLaneName[i]);
    p.ScrollCh.setValue(s.logic.ScrollChValue);
    p.Setpicture1();
    qualify().LoadWords();
}

} // namespace vrx
