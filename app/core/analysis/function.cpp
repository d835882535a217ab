// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/function.h"

#include <algorithm>

#include "core/base/catch.h"
#include "core/base/display_items.h"
#include "core/base/state.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"

namespace vrx {

namespace {

int Rank(const ChannelSettings &c, size_t ch) {
    return c.ProbeIndex[ch] * 10 + c.VdivIndex[ch];
}

} // namespace

FunctionLogic &frmFunction() {
    static FunctionLogic f;
    return f;
}

FunctionLogic::FunctionLogic() {
    for (int i = 0; i < 2; ++i) {
        ListModel &m = cmbSource[static_cast<size_t>(i)];
        m.setItems({"A1", "A2", "M1", "M2"});
        m.onChange = [this, i] { cmbSource_Click(i); };
    }
    cmbOperate.setItems({"+", "-", "x", "/"});
    cmbOperate.onChange = [this] { cmbOperate_Click(); };
    CheckFu.onClick = [this] { CheckFu_Click(); };
    cmbM2.setItems({"M1", "M2"});
}

void FunctionLogic::Form_Load() {
    const AppState &s = app();
    loading_ = true;
    for (size_t i = 0; i < 2; ++i)
        cmbSource[i].setIndex(std::min<int>(s.display.FuSource[i], 3));
    cmbOperate.setIndex(std::min<int>(s.display.FuOp, 3));
    CheckFu.setChecked(s.channels.ChanOn[DispF1] == 1);
    loading_ = false;
}

void FunctionLogic::CheckFu_Click() {
    CheckFu.setChecked(!CheckFu.checked());
    SetDisplayItem(DispF1, CheckFu.checked());
    ApplyFunction();
}

void FunctionLogic::cmbOperate_Click() {
    if (loading_ || cmbOperate.index() < 0) return;
    app().display.FuOp = static_cast<uint8_t>(cmbOperate.index());
    ApplyFunction();
}

void FunctionLogic::cmbSource_Click(int Index) {
    if (loading_ || Index < 0 || Index > 1) return;
    const int source = cmbSource[static_cast<size_t>(Index)].index();
    if (source < 0) return;
    app().display.FuSource[static_cast<size_t>(Index)] = static_cast<uint8_t>(source);
    ApplyFunction();
}

void FunctionLogic::cmdClear_Click() {
    AppState &s = app();
    int ch;
    if (cmbM2.text() == QLatin1String("M1"))
        ch = ChM1;
    else if (cmbM2.text() == QLatin1String("M2"))
        ch = ChM2;
    else
        return;
    auto &buf = ch == ChM1 ? s.work.M1Buf : s.work.M2Buf;
    buf.fill(128); // the zero line
    ResetMemChannel(ch);
    if (!CatchWithData()) ComposeScreen(0, 1);
}

void FunctionLogic::Ok_Click() {
    ApplyFunction();
}

void FunctionLogic::ResetMemChannel(int ch) {
    if (ch != ChM1 && ch != ChM2) return;
    AppState &s = app();
    const auto c = static_cast<size_t>(ch);
    s.channels.ProbeIndex[c] = 1; // 10:1
    s.channels.Coupling[c] = 0;
    s.channels.VdivIndex[c] = 4; // 100mV at 10:1
    s.channels.ChanPos[c] = 128;
    TimingPanel &f = form1();
    f.RefreshChannel(ch);
    f.lbTab_Click(ch);
    s.view.ViewStart[c - 1] = 0;
}

void ApplyFunction() {
    AppState &s = app();
    ChannelSettings &c = s.channels;
    const auto f1Row = static_cast<int16_t>(c.ChanPos[ChF1] - 5);
    if (c.ChanOn[DispF1] == 0) {
        DrawChanMarker(ChF1, f1Row, 0);
    } else {
        DrawChanMarker(ChF1, f1Row, 1);
        for (const uint8_t src : s.display.FuSource) {
            const auto k = static_cast<size_t>(std::min<uint8_t>(src, ChM2));
            SetDisplayItem(static_cast<int>(k), true);
            DrawChanMarker(static_cast<int16_t>(k), static_cast<int16_t>(c.ChanPos[k] - 5), 1);
        }
        const auto first = static_cast<size_t>(std::min<uint8_t>(s.display.FuSource[0], ChM2));
        const auto second = static_cast<size_t>(std::min<uint8_t>(s.display.FuSource[1], ChM2));
        const size_t from = Rank(c, first) < Rank(c, second) ? second : first;
        c.ProbeIndex[ChF1] = c.ProbeIndex[from];
        c.Coupling[ChF1] = c.Coupling[from];
        c.VdivIndex[ChF1] = c.VdivIndex[from];
        form1().RefreshChannel(ChF1);
    }
    // The tabs of F1 and of its sources follow their switches.
    if (c.SelChannel != ChF1 || c.ChanOn[DispF1] == 0) form1().lbTab_Click(c.SelChannel);
    if (!CatchWithData()) ComposeScreen(0, 1);
}

} // namespace vrx
