// SPDX-License-Identifier: GPL-3.0-or-later
// The program's state for the fuzz targets of the core's file readers: a headless start-up in a
// folder of its own, message boxes recorded, and the state put back after an input that
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
        QDir::setCurrent(dir_.path());
        SetUi(&boxes);
        InitProgramState(DefaultSettingsFile::Ignore);
        fresh_ = app();
    }
    // Every input starts from the state of the start-up, with no box asked for yet.
    void Restore() {
        app() = fresh_;
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

  private:
    QTemporaryDir dir_;
    AppState fresh_;
};

} // namespace vrx::fuzz
