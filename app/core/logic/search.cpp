// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/logic/search.h"

#include "core/base/state.h"
#include "core/logic/logic_panel.h"
#include "core/logic/qualify.h"
#include "core/timing/bars.h"
#include "hwlink.h"

namespace vrx {

SearchLogic &frmSearch() {
    static SearchLogic dialog;
    return dialog;
}

SearchLogic::SearchLogic() {
    TextSearch.setToolTip(QStringLiteral("Edit Trigger word0"));
    TextSearch.setMaxLength(kWordLength);
    TextSearch.onValidate = [this] { TextSearch_Validate(); };
    optVbar[0].setChecked(true);
    for (size_t b = 0; b < 2; ++b)
        optVbar[b].onClick = [this, b] {
            optVbar[b].setChecked(true);
            optVbar[1 - b].setChecked(false);
        };
    for (int dir = 0; dir < 2; ++dir)
        cmdSearch[static_cast<size_t>(dir)].onClick = [this, dir] { cmdSearch_Click(dir); };
    lbQualify[1].setText(QStringLiteral("Search by"));
    lbQualify[2].setText(QStringLiteral("D15--D0"));
    for (size_t i = 0; i < OptData.size(); ++i)
        OptData[i].onClick = [this, i] {
            for (size_t k = 0; k < OptData.size(); ++k)
                OptData[k].setChecked(k == i);
        };
    cmdTrans.onClick = [this] { cmdTrans_Click(); };
}

QString SearchLogic::OptDataCaption(int i) {
    if (i >= 0 && i < 4) return app().logic.TriggerWords[static_cast<size_t>(i)];
    if (i == 4) return QStringLiteral("V1bar data");
    if (i == 5) return QStringLiteral("V2bar data");
    if (i == 6) return QStringLiteral("Trigger bar data");
    return {};
}

void SearchLogic::Open() {
    Text2Searchdata();
}

void SearchLogic::Text2Searchdata() {
    const QString word = TrimWord(TextSearch.text());
    TextSearch.setText(word);
    std::array<int32_t, 2> record{};
    for (int k = 0; k < 16; ++k) {
        const int32_t bit = 1 << (15 - k);
        if (word[k] == u'1') record[0] += bit;
        if (word[k] == u'x') record[1] += bit;
    }
    app().logic.SearchWord = record;
}

void SearchLogic::cmdTrans_Click() {
    QString text;
    LogicPanel &panel = logicPanel();
    // The value labels of the logic panel at V1, V2 and the trigger bar, D15 first.
    const std::array<std::array<LabelModel, 16> *, 3> values{&panel.lbV0, &panel.lbV1, &panel.lbV2};
    for (int i = 0; i < static_cast<int>(OptData.size()); ++i) {
        if (!OptData[static_cast<size_t>(i)].checked()) continue;
        if (i < 4)
            text = OptDataCaption(i);
        else
            for (int b = 15; b >= 0; --b)
                text += (*values[static_cast<size_t>(i - 4)])[static_cast<size_t>(b)].text();
        break;
    }
    TextSearch.setText(text);
    Text2Searchdata();
}

void SearchLogic::cmdSearch_Click(int dir) {
    AppState &s = app();
    const int bar = optVbar[0].checked() ? 0 : 1;
    uint8_t *buf = s.records.SampleBuf.data();
    SearchVdata(buf + HW_SB_D0_D7, buf + HW_SB_D8_D15, s.logic.SearchWord.data(),
                static_cast<uint8_t>(bar), dir == 0 ? 0 : 1, s.view.ViewStart.data(),
                s.view.BarPos.data(), s.acquisition.LastSample);
    // The bar's scroller moves it: the line is erased where it stood and drawn where it lands.
    bars().ScrollVbar[static_cast<size_t>(bar)].setValue(s.view.BarPos[3]);
    bars().Valign(bar);
}

void SearchLogic::TextSearch_Validate() {
    Text2Searchdata();
}

} // namespace vrx
