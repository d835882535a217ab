// SPDX-License-Identifier: GPL-3.0-or-later
// The decoder options of the command line, -P stacks and -A lists. The input is a list of
// items with a NUL between them: an item starting with '@' is an -A item, one starting with '#'
// names the next line of the recording, any other is a -P stack. A stack that parses is written
// back in the same grammar and parses to the same stack, with or without the recording's line
// names; a refused stack or list is named in the one-line message.
#include <algorithm>

#include "cli/decode.h"
#include "core/decode/decoders.h"
#include "fuzz/fuzz.h"

using namespace vrx;
using vrx::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool loaded = decode::LoadLibrary();
    Require(loaded, "the decoder library loads");
    QStringList stacks, annotations, lineNames;
    for (const std::string &piece : vrx::fuzz::SplitAtNul(data, size)) {
        const QString item = QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()));
        if (item.startsWith(QLatin1Char('@')))
            annotations << item.mid(1);
        else if (item.startsWith(QLatin1Char('#')))
            lineNames << item.mid(1);
        else
            stacks << item;
    }
    bool allParse = true;
    for (const QString &spec : stacks) {
        QString error;
        const std::optional<decode::Stack> s = decode::ParseStack(spec, &error, lineNames);
        if (!s) {
            Require(!error.isEmpty(), "a refused stack says why");
            allParse = false;
            continue;
        }
        Require(!s->layers.empty(), "a stack has a decoder");
        for (const auto &[channel, line] : s->channels)
            Require(line >= 0 && line < decode::kLines, "a channel reads one of the lines");
        const QString text = decode::StackText(*s);
        QString why;
        const std::optional<decode::Stack> back = decode::ParseStack(text, &why);
        Require(back && *back == *s, "a stack written back parses to the same stack");
        Require(decode::StackText(*back) == text, "a stack is written back the same way");
    }
    cli::DecodePrinter printer;
    QString error;
    const bool ok = printer.Setup(stacks, annotations, lineNames, error);
    if (!allParse) Require(!ok, "a stack that does not parse is refused");
    if (!ok) {
        Require(!error.isEmpty(), "a refusal says why");
        if (error.startsWith(QStringLiteral("-P ")))
            Require(std::any_of(stacks.begin(), stacks.end(),
                                [&](const QString &spec) {
                                    return error.startsWith(QStringLiteral("-P ") + spec +
                                                            QStringLiteral(": "));
                                }),
                    "a refused stack is named as given");
    }
    return 0;
}
