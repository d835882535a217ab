// SPDX-License-Identifier: GPL-3.0-or-later
//
// The function channel F1 and its dialog `frmFunction` ("Functions").
//
// F1 is computed while drawing: source 1 combined with source 2 (each A1, A2, M1 or M2) by one
// of four operators, from the screen copies the source traces leave in the trace work area. The
// dialog only chooses the sources, the operator and whether F1 is shown, and clears a memory
// channel ("Clear Backup"); after every change `ApplyFunction` gives F1 its scale and switches
// its sources on.
#pragma once

#include <array>

#include "core/base/controls.h"

namespace vrx {

class FunctionLogic {
  public:
    FunctionLogic();

    // ---- Frame "Function" ---------------------------------------------------------------------
    std::array<ListModel, 2> cmbSource; // "A1", "A2", "M1", "M2"
    ListModel cmbOperate;               // "+", "-", "x", "/"
    CheckModel CheckFu;                 // "Display Function1"
    // ---- Frame "Clear Backup" -----------------------------------------------------------------
    ListModel cmbM2; // "M1", "M2"

    // The controls from the stored operator, sources and F1 switch (no handler runs).
    void Form_Load();
    void CheckFu_Click();
    void cmbOperate_Click();
    void cmbSource_Click(int Index);
    // Clears the memory channel chosen in `cmbM2` to the zero line and resets its front end;
    // without a choice nothing happens.
    void cmdClear_Click();
    // "OK": applies; the window then closes.
    void Ok_Click();
    // Memory channel ch (2 M1, 3 M2) back to 10:1, DC, 100mV/div at mid screen, its tab
    // selected and its trace from the first sample.
    void ResetMemChannel(int ch);

  private:
    bool loading_ = false;
};

FunctionLogic &frmFunction();

// Applies the function channel's settings: with F1 shown its marker is drawn, both sources are
// switched on and F1 takes the probe, coupling and volts/div of the source with the larger
// probe index x 10 + volts/div index (source 1 on a tie); with F1 hidden its marker is erased.
// The screen is composed again (not during a software catch, whose pictures are its own).
void ApplyFunction();

} // namespace vrx
