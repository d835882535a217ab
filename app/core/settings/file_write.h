// SPDX-License-Identifier: GPL-3.0-or-later
//
// Whole-file writes that never leave a half-written file behind: the bytes go to a temporary
// file in the target's folder, which is renamed over the target only once everything is on disk.
// A failure at any point leaves the previous file as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace vrx {

// Writes `data` as the whole content of `path`. On a failure returns false with the reason in
// `error`.
bool WriteFileAtomically(const QString &path, const QByteArray &data, QString &error);

// For tests: every write fails once this many bytes of it are written, as on a full disk
// (negative: writes do not fail).
void SetWriteFailureAfter(qint64 bytes);

} // namespace vrx
