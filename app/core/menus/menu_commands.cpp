// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/menus/menu_commands.h"

#include <algorithm>

#include "core/acquisition/loop.h"
#include "core/base/display_items.h"
#include "core/base/events.h"
#include "core/base/state.h"
#include "core/logic/logic_panel.h"
#include "core/timing/compose.h"
#include "core/timing/frontpanel.h"
#include "core/timing/pictures.h"

namespace vrx {

namespace {

constexpr int16_t Flag(bool on) {
    return on ? -1 : 0;
}

// Inverts a check-mark item and returns its new mark.
bool Toggle(CheckModel &item) {
    item.setChecked(!item.checked());
    return item.checked();
}

// Checks item `index` of a radio group and clears the others.
template <size_t N> void Select(std::array<CheckModel, N> &group, int index) {
    for (size_t i = 0; i < N; ++i)
        group[i].setChecked(static_cast<int>(i) == index);
}

template <size_t N, typename F> void Wire(std::array<CheckModel, N> &group, F handler) {
    for (size_t i = 0; i < N; ++i)
        group[i].onClick = [handler, i] { handler(static_cast<int>(i)); };
}

// The logic picture holds sixteen lanes of the current height; the channel rows beside the
// lanes follow.
void FitLogicPicture() {
    const AppState &s = app();
    const QImage &lanes = pictures().Picture1;
    if (lanes.isNull() || lanes.height() == kLanes * s.display.LogicHeight) return;
    ResizePictures(s.screen.ScreenSamples, s.display.LogicHeight, s.colors[ColBackground]);
    logicPanel().Setpicture1();
}

void Compose() {
    ComposeScreen(0, 1);
}

uint8_t *MemoryBuffer(int target) {
    WorkAreas &w = app().work;
    return target == ChM1 ? w.M1Buf.data() : w.M2Buf.data();
}

// Every "&Channel Display" mark follows its switch when an item is switched from code (the menu
// itself, the function channel, the XY plot).
void ShowDisplayMarks(MenuCommands &m) {
    for (size_t i = 0; i < m.mnuDispCh.size(); ++i)
        m.mnuDispCh[i].setChecked(app().channels.ChanOn[i] == 1);
}

const Subscription displaySwitched =
    Subscribe(Event::DisplaySwitched, [] { ShowDisplayMarks(menuCommands()); });

} // namespace

MenuCommands &menuCommands() {
    static MenuCommands m;
    return m;
}

MenuCommands::MenuCommands() {
    mnuViewStatusBar.onClick = [this] { mnuViewStatusBar_Click(); };
    Wire(mnuDispCh, [this](int i) { mnuDispCh_Click(i); });
    Wire(mnuChHigh, [this](int i) { mnuChHigh_Click(i); });
    Wire(mnuDispunit, [this](int i) { mnuDispunit_Click(i); });
    mnuGrid.onClick = [this] { mnuGrid_Click(); };
    mnuHbarOn.onClick = [this] { mnuHbarOn_Click(); };
    mnuLine.onClick = [this] { mnuLine_Click(); };
    mnuZoomview.onClick = [this] { mnuZoomview_Click(); };
    mnuPersist.onClick = [this] { mnuPersist_Click(); };
    mnuRefresh.onClick = [this] { mnuRefresh_Click(); };
    Wire(mnuZoomby, [this](int i) { mnuZoomby_Click(i); });
    mnuCatch50.onClick = [this] { mnuCatch50_Click(); };
    Wire(mnuRate27, [this](int i) { mnuRate27_Click(i); });
    Wire(mnuBackup, [this](int i) { mnuBackup_Click(i); });
    Wire(mnuClearBuf, [this](int i) { mnuClearBuf_Click(i); });
}

void MenuCommands::mnuViewStatusBar_Click() {
    // The flag first: the window shows or hides the status bar when the mark changes.
    const bool on = !mnuViewStatusBar.checked();
    app().display.StatusBarOn = Flag(on);
    mnuViewStatusBar.setChecked(on);
}

void MenuCommands::mnuDispCh_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuDispCh.size())) return;
    AppState &s = app();
    SetDisplayItem(Index, !mnuDispCh[static_cast<size_t>(Index)].checked());
    if (Index <= ChF1) {
        // The channel's tab and scale text follow its switch.
        TimingPanel &f = form1();
        f.RefreshChannel(Index);
        if (Index != s.channels.SelChannel) f.lbTab_Click(s.channels.SelChannel);
    }
    Compose();
}

void MenuCommands::mnuChHigh_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuChHigh.size())) return;
    AppState &s = app();
    Select(mnuChHigh, Index);
    s.display.LogicHeightIndex = static_cast<int16_t>(Index);
    s.display.LogicHeight = static_cast<uint8_t>(20 + 4 * Index);
    FitLogicPicture();
    Compose();
}

void MenuCommands::mnuDispunit_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuDispunit.size())) return;
    Select(mnuDispunit, Index);
    app().display.Dispunit = static_cast<int16_t>(Index);
    bars().LabelTimes();
}

void MenuCommands::mnuGrid_Click() {
    AppState &s = app();
    const int16_t on = Toggle(mnuGrid) ? 1 : 0;
    s.channels.ChanOn[DispGrid] = on;
    s.display.DisplayCheck[DispGrid] = on;
    Compose();
}

void MenuCommands::mnuHbarOn_Click() {
    // The toolbar's "Hbar" switches the same flag: the mark and the button follow the flag.
    AppState &s = app();
    s.display.HbarOn = Flag(s.display.HbarOn != -1);
    mnuHbarOn.setChecked(s.display.HbarOn == -1);
    acquisitionControls().Button(7).setPressed(s.display.HbarOn == -1);
    Compose();
}

void MenuCommands::mnuLine_Click() {
    app().display.DotsConnect = Toggle(mnuLine) ? 1 : 0;
    Compose();
}

void MenuCommands::mnuZoomview_Click() {
    AppState &s = app();
    s.display.ZoomView = Flag(Toggle(mnuZoomview));
    if (s.display.ZoomView != 0)
        DrawOverviewStrip();
    else
        ClearPicture(pictures().Picture2, s.colors[ColBackground]);
    PicturesChanged();
}

void MenuCommands::mnuPersist_Click() {
    app().display.Persist = Flag(Toggle(mnuPersist));
}

void MenuCommands::mnuRefresh_Click() {
    // One clean picture; the records accumulate again from it when persistence is on.
    AppState &s = app();
    s.display.Persist = 0;
    Compose();
    s.display.Persist = Flag(mnuPersist.checked());
}

void MenuCommands::mnuZoomby_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuZoomby.size())) return;
    AppState &s = app();
    Select(mnuZoomby, Index);
    s.view.ActiveBar[1] = static_cast<int16_t>(Index);
    // "Auto. align" starts from the screen centre until a bar is moved.
    s.view.ActiveBar[0] = static_cast<int16_t>(Index == 4 ? 3 : Index);
}

void MenuCommands::mnuCatch50_Click() {
    app().display.CatchEnabled = Flag(Toggle(mnuCatch50));
}

void MenuCommands::mnuRate27_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuRate27.size())) return;
    Select(mnuRate27, Index);
    app().display.CatchRateLimit = static_cast<int16_t>(Index + 25);
}

void MenuCommands::mnuBackup_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuBackup.size())) return;
    AppState &s = app();
    const int source = Index / 2;        // A1, A1, A2, A2
    const int target = ChM1 + Index % 2; // M1, M2, M1, M2
    const auto *from = s.records.SampleBuf.data() + static_cast<size_t>(source) * HW_SB_AREA_LEN;
    std::copy_n(from, kMemLen, MemoryBuffer(target));
    CopyChannelSettings(source, target);
    Compose();
}

void MenuCommands::mnuClearBuf_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuClearBuf.size())) return;
    auto &buf = app().records.SampleBuf;
    auto fill = [&buf](size_t area, int areas, uint8_t value) {
        std::fill_n(buf.begin() + static_cast<std::ptrdiff_t>(area),
                    static_cast<size_t>(areas) * HW_SB_AREA_LEN, value);
    };
    // Analog inputs rest at mid-scale, the logic inputs low.
    if (Index == 0 || Index == 3) fill(HW_SB_A1, 1, 0x80);
    if (Index == 1 || Index == 3) fill(HW_SB_A2, 1, 0x80);
    if (Index == 2 || Index == 3) fill(HW_SB_D0_D7, 2, 0);
    Compose();
}

void MenuCommands::ApplyMenuSettings() {
    AppState &s = app();
    DisplaySettings &d = s.display;
    d.LogicHeightIndex = std::clamp<int16_t>(d.LogicHeightIndex, 0, 3);
    d.LogicHeight = static_cast<uint8_t>(20 + 4 * d.LogicHeightIndex);
    FitLogicPicture();
    mnuViewStatusBar.setChecked(d.StatusBarOn != 0);
    ShowDisplayMarks(*this);
    Select(mnuChHigh, d.LogicHeightIndex);
    Select(mnuDispunit, d.Dispunit);
    mnuGrid.setChecked(s.channels.ChanOn[DispGrid] == 1);
    mnuHbarOn.setChecked(d.HbarOn == -1);
    mnuLine.setChecked(d.DotsConnect != 0);
    mnuZoomview.setChecked(d.ZoomView != 0);
    mnuPersist.setChecked(d.Persist == -1);
    Select(mnuZoomby, s.view.ActiveBar[1]);
    mnuCatch50.setChecked(d.CatchEnabled != 0);
    Select(mnuRate27, d.CatchRateLimit - 25);
}

void CopyChannelSettings(int Source, int Target) {
    if (Source < 0 || Source > ChF1 || Target < 0 || Target > ChF1 || Source == Target) return;
    ChannelSettings &c = app().channels;
    const auto from = static_cast<size_t>(Source);
    const auto to = static_cast<size_t>(Target);
    c.ProbeIndex[to] = c.ProbeIndex[from];
    c.Coupling[to] = c.Coupling[from];
    c.VdivIndex[to] = c.VdivIndex[from];
    c.ChanPos[to] = c.ChanPos[from];
    form1().RefreshChannel(Target);
}

} // namespace vrx
