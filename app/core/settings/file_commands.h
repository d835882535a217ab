// SPDX-License-Identifier: GPL-3.0-or-later
//
// The File menu's settings and data commands, and the end of the program. The file dialogs and
// message boxes go through `Ui`; a cancelled dialog does nothing. The main window connects its
// menu entries to these handlers and sets its check marks from `AutoLoad` and `LoadDataOpt`
// after each.
#pragma once

#include <cstdint>

namespace vrx {

void mnuSaveSetting_Click();        // "Save &Settings": also makes the file an auto-load file
void mnuLoadSetting_Click();        // "&Load Settings"
void mnuAutoLoadSetting_Click();    // "&Auto Load Settings": toggles `AutoLoad`
void mnuLoadDefault_Click();        // "Load &Default Settings": the defaults of a fresh start
void mnuFileSaveAs_Click();         // "Save &Data(Binary)"
void mnuLoadDatas_Click();          // "&Load Data(Binary)"
void mnuSaveTxtCh_Click(int Index); // "Save Channel Data(Text)" > "A&1" (0), "A&2" (1)
void mnuLoadData_Click(int Index);  // "Load Data &Option" > A1 (0), A2 (1), D0-D15 (2)

// What every normal end of the program does once acquisition has stopped: the instrument
// powered off and the settings written to the default file in the program directory (the
// working directory). A failed save is told on the standard error: nobody may be there to
// answer a box. Returns whether the file was written.
bool EndProgram();

} // namespace vrx
