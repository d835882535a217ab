// SPDX-License-Identifier: GPL-3.0-or-later
//
// Where the programs find the files that come with them. In the build folder every file lies
// beside the programs; installed, the programs are in <prefix>/bin, the program's own libraries
// (libFFt.so) in <libdir>/vrx73604 and its data (bitstream of the simulated instrument, help
// page) in <prefix>/share/vrx73604. The installed folders are taken relative to the program's own
// folder, so an installation works wherever its prefix is (a package unpacked anywhere too).
#pragma once

#include <QString>
#include <QStringList>

namespace vrx {

// The data folder of an installation whose programs are in `exeDir`.
QString InstalledDataDir(const QString &exeDir);
// The program's own library folder of that installation (libFFt.so).
QString InstalledLibraryDir(const QString &exeDir);
// The user's own data folder: $XDG_DATA_HOME/vrx73604, by default ~/.local/share/vrx73604.
// A real instrument's bitstream is kept there.
QString UserDataDir();
// `name` beside the program, then in the installed data folder.
QStringList ProgramDataFiles(const QString &exeDir, const QString &name);
// The first of `files` that is an existing regular file; empty when none is.
QString FirstExistingFile(const QStringList &files);

} // namespace vrx
