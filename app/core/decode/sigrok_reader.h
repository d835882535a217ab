// SPDX-License-Identifier: GPL-3.0-or-later
//
// Reads the logic data of a sigrok session file (.sr, a zip archive) as a stream: the file's
// "metadata" (sample rate, logic probes and their names, bytes a sample) and then its logic
// chunks ("logic-1-1", "logic-1-2", ..., or one unchunked "logic-1") piece by piece, so a
// recording of any length is decoded in bounded memory. Files of this program and of other
// analysers' software alike; up to 16 logic probes, which become the lines D0..D15.
//
// Pieces are handed on as the field's tools hand them to their decoders: one per chunk of the
// file, at most 4 MiB of it each. Decoders of several stacks take turns piece by piece, so
// this keeps their annotations in the order those tools print them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

namespace vrx::decode {

class SigrokReader {
  public:
    SigrokReader();
    ~SigrokReader();
    SigrokReader(const SigrokReader &) = delete;
    SigrokReader &operator=(const SigrokReader &) = delete;

    // Opens the file and reads its metadata; false with a one-line message for a file that is
    // not a session, holds no logic data or more logic probes than 16.
    bool Open(const QString &path, QString *error);
    double Samplerate() const; // Hz; 0 when the file gives none
    // The name of each line (index = line): the file's probe names; a probe it does not name is
    // called by its number, as the field's tools call it.
    const QStringList &LineNames() const;
    // The next piece of 16-bit logic words (bit n = line Dn); false at the end (with `error`
    // empty) or on a failed read (with the message).
    bool Next(std::vector<uint16_t> &words, QString *error);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vrx::decode
