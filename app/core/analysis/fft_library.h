// SPDX-License-Identifier: GPL-3.0-or-later
//
// The outside FFT library `FFt` (libFFt.so, fft/include/FFt.h), loaded at the first use of the
// FFT window, not linked: without it only the FFT window is unavailable. It is looked for
// beside the program, then in the library folder of the installation the program belongs to
// (relative to the program), then in the library folder configured at build time.
#pragma once

#include <QString>
#include <QStringList>

#include "FFt.h"

namespace vrx {

// The files looked for, in order.
QStringList FFtLibraryFiles();
// Looks for one file only (tests, or a library kept elsewhere); empty: the usual places.
void SetFFtLibraryFile(const QString &file);

// `FFT0`, loading the library on the first call. When it cannot be loaded, a message box says
// which files were looked for and why, and the result is null; the next call tries again.
FFT0_fn LoadFFt();
// The loaded `FFT0`, or null; never loads, never asks.
FFT0_fn LoadedFFt();

} // namespace vrx
