// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/file_commands.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>

#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/apply.h"
#include "core/settings/data_file.h"
#include "core/settings/settings_file.h"
#include "core/timing/compose.h"
#include "core/timing/set_color.h"

namespace vrx {

namespace {

const QString kIniFilter = QStringLiteral("Ini File (*.ini)");

QString &Dir() {
    return app().startup.AppDir;
}

// A bare name chosen in a save dialog gets the extension the load dialog's filter shows.
QString WithExtension(const QString &name, const char *extension) {
    if (!QFileInfo(name).suffix().isEmpty() || name.endsWith(QLatin1Char('.'))) return name;
    return name + QLatin1Char('.') + QLatin1String(extension);
}

} // namespace

void mnuSaveSetting_Click() {
    AppState &s = app();
    const QString chosen = ui().SaveFileName(QStringLiteral("Save Setting"), kIniFilter, Dir());
    if (chosen.isEmpty()) return;
    const QString name = WithExtension(chosen, "ini");
    s.startup.SetFile = name;
    // A file saved by hand is one to start with.
    s.display.AutoLoad = -1;
    Saveset(name);
}

void mnuLoadSetting_Click() {
    const QString name = ui().OpenFileName(QStringLiteral("Load Setting"), kIniFilter, Dir());
    if (name.isEmpty()) return;
    if (Loadset(name, 1) == LoadResult::Loaded) ApplySettings();
}

void mnuAutoLoadSetting_Click() {
    int16_t &on = app().display.AutoLoad;
    on = on != 0 ? 0 : -1;
}

void mnuLoadDefault_Click() {
    AppState &s = app();
    // The defaults of the instrument and the display. What the user chose for the program's
    // own windows and menus stays: the start-up load, the frequency counters, the data load
    // options and the tool windows that are open, which go on following the display.
    const DisplaySettings was = s.display;
    const uint8_t fftMode = s.fft.FFtMode;
    const int16_t countRes = s.run.CounterState[0];
    InitDefaults();
    DisplaySettings &d = s.display;
    d.AutoLoad = was.AutoLoad;
    d.CountOn = was.CountOn;
    d.CountPpm = was.CountPpm;
    s.run.CounterState[0] = countRes;
    d.LoadDataOpt = was.LoadDataOpt;
    d.FftOn = was.FftOn;
    s.fft.FFtMode = fftMode;
    d.XYOn = was.XYOn;
    d.MeasureOn = was.MeasureOn;
    d.StateOn = was.StateOn;
    d.QualifyOn = was.QualifyOn;
    SetColor();
    ApplySettings();
    ComposeScreen(1, 1);
}

void mnuFileSaveAs_Click() {
    const QString chosen = ui().SaveFileName(QStringLiteral("Save data(binary)"),
                                             QStringLiteral("Vrx File (*.Vrx)"), Dir());
    if (chosen.isEmpty()) return;
    const QString name = WithExtension(chosen, "Vrx");
    app().startup.SetFile = name;
    SaveDataFile(name);
}

void mnuLoadDatas_Click() {
    const QString name = ui().OpenFileName(QStringLiteral("Load data(binary)"),
                                           QStringLiteral("Vrx Files (*.Vrx)"), Dir());
    if (!name.isEmpty()) LoadDataFile(name);
}

void mnuSaveTxtCh_Click(int Index) {
    if (Index < 0 || Index > 1) return;
    const QString chosen = ui().SaveFileName(QStringLiteral("Save Ch Data(text format) As"),
                                             QStringLiteral("txt File (*.txt)"), Dir());
    if (chosen.isEmpty()) return;
    const QString name = WithExtension(chosen, "txt");
    app().startup.SetFile = name;
    SaveChannelText(name, static_cast<int16_t>(Index));
}

void mnuLoadData_Click(int Index) {
    if (Index < 0 || Index > 2) return;
    int16_t &on = app().display.LoadDataOpt[static_cast<size_t>(Index)];
    on = on != 0 ? 0 : -1;
}

bool EndProgram() {
    AppState &s = app();
    PowerOff(s.records.PortState.data(), s.records.DevConfig.data());
    const QString dir = s.startup.AppDir.isEmpty() ? QDir::currentPath() : s.startup.AppDir;
    s.startup.SetFile = QDir(dir).filePath(DefaultSettingsName());
    if (Saveset(s.startup.SetFile, false)) return true;
    std::fprintf(stderr, "the settings were not saved to %s\n", qPrintable(s.startup.SetFile));
    return false;
}

} // namespace vrx
