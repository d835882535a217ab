// SPDX-License-Identifier: GPL-3.0-or-later
// The program's state for the fuzz targets of the core's file readers: a headless start-up that
// writes its inputs to a folder of its own (the working folder stays: libFuzzer reads and writes
// its corpus there), message boxes recorded, and the state put back after an input that
// changed it, so that every input starts from the same program.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/startup/startup.h"
#include "core/timing/pictures.h"

namespace vrx::fuzz {

class Program {
  public:
    Program() {
        EnsureHeadlessGui("fuzz");
        SetUi(&boxes);
        InitProgramState(DefaultSettingsFile::Ignore);
        fresh_ = app();
    }
    // Every input starts from the state of the start-up, with no box asked for yet: the state
    // is put back after an input that was taken (one that was refused changed nothing, which the
    // targets check).
    void Restore() {
        if (changed) app() = fresh_;
        changed = false;
        boxes.boxes.clear();
    }
    QString Path(const char *name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // Writes `bytes` to `name` in the program's folder, or only removes the file (`present`
    // false).
    QString Write(const char *name, const QByteArray &bytes, bool present = true) const {
        const QString path = Path(name);
        QFile::remove(path);
        if (!present) return path;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
        return path;
    }

    ScriptedUi boxes;
    bool changed = false; // set by a target when its input was taken

  private:
    // In memory where there is a memory file system: every input writes its files.
    QTemporaryDir dir_{QDir(QStringLiteral("/dev/shm")).exists()
                           ? QStringLiteral("/dev/shm/vrx-fuzz-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/vrx-fuzz-XXXXXX")};
    AppState fresh_;
};

} // namespace vrx::fuzz
