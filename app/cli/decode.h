// SPDX-License-Identifier: GPL-3.0-or-later
//
// `vrxctl decode`: the decoder stacks of -P over a recording, printed as the field's command
// line prints them, one annotation a line: the decoder instance, then the annotation's longest
// text ("uart-1: 48"). Without -A every decoder of every stack prints all its annotations;
// -A DECODER[=NAME[:NAME...]] prints only the decoders listed, each with the annotation classes
// or rows named (all of them when none is named).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/decode/decoders.h"

namespace vrx::cli {

class DecodePrinter {
  public:
    // Reads the -P stacks (channel options may also name a line by `lineNames`) and the -A
    // list; false with a one-line message.
    bool Setup(const QStringList &stacks, const QStringList &annotations,
               const QStringList &lineNames, QString &error);

    // The next piece of the recording's logic words; false at its end, or with `error` set
    // when it could not be read.
    using Source = std::function<bool(std::vector<uint16_t> &words, QString &error)>;
    // Decodes one recording from its first sample and prints its annotations to the standard
    // output; false with the message when the decoders failed or the source did.
    bool Decode(double samplerate, const Source &next, QString &error) const;

  private:
    std::vector<decode::Stack> stacks_;
    std::map<QString, std::vector<int>> shown_; // decoder id -> classes printed (-1: all)
    mutable std::unique_ptr<decode::Session> session_;
};

} // namespace vrx::cli
