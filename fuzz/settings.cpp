// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file and its decoders companion as the program loads them. The input is the
// settings file up to its first NUL and the companion after it (none without a NUL). A file the
// reader takes saves back to a text that reads back to itself, with the same decoder stacks; a
// file it refuses is named with the line at fault in the one message shown.
#include "core/settings/settings_file.h"
#include "fuzz/fuzz.h"
#include "fuzz/program.h"

using namespace vrx;
using vrx::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static fuzz::Program program;
    program.Restore();
    const std::vector<std::string> pieces = fuzz::SplitAtNul(data, size);
    const QByteArray text = QByteArray::fromStdString(pieces[0]);
    const size_t cut = pieces[0].size() + 1;
    const QByteArray companion =
        QByteArray(reinterpret_cast<const char *>(data) + std::min(cut, size),
                   static_cast<qsizetype>(size - std::min(cut, size)));
    const QString path = program.Write("fuzz.ini", text);
    program.Write("fuzz.ini.decoders", companion, pieces.size() > 1);

    SettingsSnapshot s = SettingsSnapshot::FromApp();
    const LoadResult result = ReadSettingsFile(path, s);
    // The first record alone tells the model; the file is refused for another model before
    // its other records are read.
    SettingsSnapshot first, parsed;
    const QByteArray read = text.left(64 * 1024); // the reader stops there
    const ParseResult model = ParseSettings(read, first, 1);
    const bool sameModel = model.ok && first.Model == app().startup.Model;
    const ParseResult direct = ParseSettings(read, parsed);
    Require(result == (sameModel && direct.ok ? LoadResult::Loaded : LoadResult::Refused),
            "a file loads exactly when it is of this model and all its records read");
    if (result == LoadResult::Refused) {
        Require(program.boxes.boxes.size() == 1, "a refused file shows one message");
        const QString &box = program.boxes.boxes[0].text;
        const ParseResult &fault = model.ok ? direct : model;
        Require(model.ok && !sameModel
                    ? box == kModelMismatchText
                    : box.startsWith(
                          QStringLiteral("Settings file fuzz.ini, line %1: ").arg(fault.line)),
                "the message names the file and the line at fault");
        Require(fault.ok || (fault.line >= 1 && fault.line == fault.records + 1),
                "the line at fault is the one after the last record read");
        return 0;
    }
    Require(program.boxes.boxes.empty(), "a loaded file shows no message");
    // Saved and read back, the settings give the same file again.
    const QByteArray saved = SettingsText(s);
    SettingsSnapshot back;
    const ParseResult again = ParseSettings(saved, back);
    Require(again.ok, "a saved file reads back");
    Require(SettingsText(back) == saved, "a saved file reads back to the same settings");
    // The stacks of the companion, saved and read back, are the same stacks.
    const QStringList stacks = s.decode.Stacks;
    for (const QString &stack : stacks)
        Require(!stack.isEmpty() && stack == stack.trimmed() && !stack.contains(QLatin1Char('\n')),
                "a stack is one trimmed line");
    const QString decoders = program.Write("back.ini.decoders", DecodersText(stacks));
    Require(ReadDecodersFile(decoders) == stacks, "the decoder stacks save and read back");
    return 0;
}
