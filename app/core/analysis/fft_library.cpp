// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/fft_library.h"

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include "core/base/install_dirs.h"
#include "core/base/ui.h"

namespace vrx {

namespace {

const QString kFileName = QStringLiteral("libFFt.so");
QString overrideFile;
FFT0_fn loaded = nullptr;
// Kept loaded for the rest of the run: `FFT0` is called on every refresh.
std::unique_ptr<QLibrary> library;

} // namespace

QStringList FFtLibraryFiles() {
    if (!overrideFile.isEmpty()) return {overrideFile};
    QStringList files;
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        files << QDir(exeDir).filePath(kFileName)
              << QDir(InstalledLibraryDir(exeDir)).filePath(kFileName);
    }
    files << QDir(QStringLiteral(VRX_FFT_INSTALL_DIR)).filePath(kFileName);
    files.removeDuplicates();
    return files;
}

void SetFFtLibraryFile(const QString &file) {
    overrideFile = file;
    loaded = nullptr;
}

FFT0_fn LoadFFt() {
    if (loaded) return loaded;
    QStringList reasons;
    for (const QString &file : FFtLibraryFiles()) {
        auto lib = std::make_unique<QLibrary>(file);
        if (lib->load()) {
            if (auto fn = reinterpret_cast<FFT0_fn>(lib->resolve("FFT0"))) {
                library = std::move(lib);
                return loaded = fn;
            }
            reasons << file + QStringLiteral(": no function FFT0 in it");
            lib->unload();
        } else {
            reasons << lib->errorString();
        }
    }
    ui().MessageBox(QStringLiteral("The FFT window needs the library %1, which could not be "
                                   "loaded. The rest of the program works without it.\n\n%2")
                        .arg(kFileName, reasons.join(QLatin1Char('\n'))),
                    QStringLiteral("FFT"), MsgButtons::Ok);
    return nullptr;
}

FFT0_fn LoadedFFt() {
    return loaded;
}

} // namespace vrx
