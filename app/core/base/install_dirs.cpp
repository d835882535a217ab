// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/base/install_dirs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vrx {

namespace {

const QString kFolderName = QStringLiteral("vrx73604");

QString Below(const QString &exeDir, const char *relative) {
    return QDir::cleanPath(QDir(exeDir).filePath(QString::fromUtf8(relative)));
}

} // namespace

QString InstalledDataDir(const QString &exeDir) {
    return Below(exeDir, VRX_BIN_TO_PKGDATA);
}

QString InstalledLibraryDir(const QString &exeDir) {
    return Below(exeDir, VRX_BIN_TO_PKGLIB);
}

QString UserDataDir() {
    // GenericDataLocation is $XDG_DATA_HOME, or ~/.local/share when that is unset or empty.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(kFolderName);
}

QStringList ProgramDataFiles(const QString &exeDir, const QString &name) {
    QStringList files{QDir(exeDir).filePath(name), QDir(InstalledDataDir(exeDir)).filePath(name)};
    files.removeDuplicates();
    return files;
}

QString FirstExistingFile(const QStringList &files) {
    for (const QString &f : files)
        if (QFileInfo(f).isFile()) return f;
    return {};
}

} // namespace vrx
