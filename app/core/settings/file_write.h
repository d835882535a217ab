// SPDX-License-Identifier: GPL-3.0-or-later
//
// Whole-file writes, one rule for every file the program writes (settings, data, text, CSV,
// VCD, sigrok session, workbook):
//
// - A regular file (or a new one) is written under a temporary name beside it, which is
//   renamed over it only once everything is on disk: a failure at any point leaves the previous
//   file as it was and no temporary file. The temporary name stays within the folder's longest
//   name, whatever the length of the target's.
// - A symbolic link is followed: the file it leads to is written that way beside itself, and
//   the link stays.
// - A pipe or a character device (a FIFO, /dev/null, a terminal, `/dev/stdout`) is written into
//   directly; a regular file reached through one of the process's own descriptors
//   (`/dev/stdout` redirected to a file) is appended to.
// - A file whose permissions do not let this user write it is refused, also when the user could
//   override them (root): a save never takes a file from its owner.
// - Anything else (a folder, a block device, a socket) is refused.
//
// Every failure comes with its cause ("No space left on device", "Permission denied: ...").
#pragma once

#include <QByteArray>
#include <QString>

namespace vrx {

// Writes `data` as the whole content of `path`. On a failure returns false with the reason in
// `error`.
bool WriteFileAtomically(const QString &path, const QByteArray &data, QString &error);

// False when a write of `path` goes into a pipe or a device (directly or through a symbolic
// link); true otherwise.
bool WritesRegularFile(const QString &path);

// Ends the program by signal `sig` (its default action, as if no handler had been installed):
// at once, or, while a write has a temporary file, as soon as that write has renamed or removed
// it, so that no temporary file outlives the program. Safe to call from a signal handler.
void EndBySignal(int sig);

// For tests: every write fails once this many bytes of it are written, as on a full disk
// (negative: writes do not fail).
void SetWriteFailureAfter(qint64 bytes);

} // namespace vrx
