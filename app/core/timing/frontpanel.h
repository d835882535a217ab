// SPDX-License-Identifier: GPL-3.0-or-later
//
// The front panel of the timing view ("Timing view"): sample rate, memory depth, time zoom,
// capture mode, trigger source, slope and level, and for the channel chosen on the channel tabs
// probe ratio, volts per division, coupling and vertical position.
//
// Every control is a model of core/controls.h under its own name; its handler writes one setting
// of the global state, recomputes the scales the display and readouts depend on, refreshes the
// readouts and sets `ParamChanged` so that the acquisition loop re-arms the instrument with the
// new settings. The window binds its widgets to these models; without a window the same models
// drive the same chains (probe -> volts/div list, depth or zoom -> record-length rule).
//
// `form1()` is the one timing view of the program. `InitPanel()` fills the lists and wires the
// handlers; it runs once, before the defaults are applied.
#pragma once

#include <array>
#include <cstdint>

#include <QString>
#include <QStringList>

#include "core/base/controls.h"
#include "core/base/rates.h"
#include "core/timing/bars.h"

namespace vrx {

const RateEntry &RateTable(int index);

// Texts of the lists.
QStringList RateTexts();
QStringList ZoomTexts();
// The nine volts/div texts for a probe index; empty for an unknown probe.
QStringList VdivTexts(int probe);
// Millivolts per sample code of volts/div index `vdiv` at 1:1 (25 codes a division); 0 for an
// index without an entry.
double VdivCodeMv(int vdiv);
// The volts/div text of channel `ch` for its probe and volts/div index, as printed at the top
// of the picture (F1 with the unit of its operation).
QString ChannelScaleText(int ch);
// Samples per pixel of a zoom index; 0 for the indexes without a factor.
double ZoomFactor(int zoomIndex);

class TimingPanel : public BarsLogic {
  public:
    TimingPanel();

    // ---- Timebase and trigger ---------------------------------------------------------------
    ListModel cmbRate, cmbDepth, cmbZoom, cmbCapture, cmbTrigCh, cmbSlope;
    ScrollModel ScrollLevel; // trigger level, 0..255
    // ---- Channel controls (act on `SelChannel`) ---------------------------------------------
    ListModel cmbProbe, cmbVdiv, cmbCouple;
    ScrollModel ScrollOffset; // channel position, 0..255
    std::array<LabelModel, 5> lbTab;
    // ---- Three-position steppers beside rate, volts/div and zoom (-1, 0, 1) -----------------
    ScrollModel scrlRate, ScrlVdiv, scrlZoom;
    // ---- Readouts and labels ------------------------------------------------------------------
    LabelModel lbRate;                // "&Rate", or "&Rep." at the equivalent-time rates
    std::array<LabelModel, 2> lbHdiv; // time per division
    LabelModel lbLevel;               // trigger level
    LabelModel LabelOffset;           // channel offset
    LabelModel lbProbe;               // an ordinary label: its colours are the panel's own
    LabelModel ImgCenter;             // centre mark; its back colour marks the "&Rep." caption

    // Window geometry for `ZoomPara`: inner width and the left edge of the overview strip, in
    // pixels. An inner width of 0 (no window) keeps the trace width.
    int32_t ScaleWidth = 0;
    int32_t Picture2Left = 0;

    // ---- Procedures ---------------------------------------------------------------------------
    void InitPanel();
    void ChangePara();
    void Vdivchange(int ch);
    void SetChanScale(int ch);
    void ShowChanScale(int ch);
    // Channel ch's front-end settings were written from code (a backup copy, the function
    // channel's scale): its scale and scale text follow, and the channel lists show them when
    // ch is the selected channel; the lists of another selected channel stay as they are.
    void RefreshChannel(int ch);
    void DisLevel(int src);
    void ZoomPara();
    void lbTab_Click(int t);

    // ---- Handlers -------------------------------------------------------------------------------
    void cmbRate_Click();
    void cmbDepth_Click();
    void cmbZoom_Click();
    void cmbCapture_Click();
    void cmbTrigCh_Click();
    void cmbSlope_Click();
    void cmbProbe_Click();
    void cmbVdiv_Click();
    void cmbCouple_Click();
    void scrlRate_Change();
    void ScrlVdiv_Change();
    void scrlZoom_Change();
    void ScrollLevel_Change();
    void ScrollOffset_Change();
};

// The timing view of the program.
TimingPanel &form1();

// Record-length rule after a change of depth or zoom: record length, zoom limit, scroll range
// and the bars kept within the record. It only re-states the bars' positions: the bar kept in
// place by a zoom stays the one the user moved, and nothing re-arms the instrument unless a bar
// had to move into the record. Publishes `Event::DepthChanged`.
void ApplyDepth();

// Brings the timing view's controls into line with the global state (channel tabs, timebase
// and trigger lists, record-length rule), running their handlers.
void ApplyTimingSettings();

} // namespace vrx
