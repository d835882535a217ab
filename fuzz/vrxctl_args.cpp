// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of vrxctl, only parsed (nothing is captured): the input is the argument
// list with a NUL between arguments. A line that parses gives options within their lists, and
// written out again as a command line it parses to the same options; a refused line says why,
// naming the unknown option or command it refused.
#include <cmath>
#include <cstring>

#include <QRegularExpression>

#include "cli/options.h"
#include "fuzz/fuzz.h"

using namespace vrx::cli;
using vrx::fuzz::Require;

namespace {

// The options as a command line that sets each of them.
QStringList Written(const CliOptions &o) {
    QStringList a;
    auto add = [&](const char *option, const QString &value) {
        if (!value.isEmpty()) a << QString::fromLatin1(option) << value;
    };
    auto number = [](double v) { return QString::number(v, 'g', 17); };
    if (o.help) a << QStringLiteral("--help");
    if (o.demo) a << QStringLiteral("--demo");
    add("--sim", o.sim);
    add("--bitstream", o.bitstream);
    add("--settings", o.settingsFile);
    add("--rate", o.rate);
    if (o.depth >= 0) add("--depth", QStringList{"2K", "8K", "128K"}.value(o.depth));
    for (const ChannelValue &v : o.probe)
        add("--probe", QStringLiteral("A%1=").arg(v.channel + 1) + v.value);
    for (const ChannelValue &v : o.coupling)
        add("--coupling", QStringLiteral("A%1=").arg(v.channel + 1) + v.value);
    for (const ChannelValue &v : o.vdiv)
        add("--vdiv", QStringLiteral("A%1=").arg(v.channel + 1) + v.value);
    if (o.trigger >= 0) add("--trigger", QStringList{"A1", "A2", "LOGIC"}.value(o.trigger));
    if (o.slope >= 0)
        add("--slope", o.slope == 0 ? QStringLiteral("rise") : QStringLiteral("fall"));
    if (o.level) add("--level", number(*o.level));
    add("--word", o.word);
    add("-o", o.output);
    if (o.records != 1) add("-n", QString::number(o.records));
    if (o.duration > 0) add("--duration", number(o.duration));
    add("--format", o.format);
    add("--save-settings", o.saveSettings);
    for (const QString &p : o.decoders)
        add("-P", p);
    for (const QString &p : o.annotations)
        add("-A", p);
    add("-i", o.input);
    if (o.command != Command::None)
        a << QStringList{"info", "capture", "measure", "count", "autoset", "decode"}.value(
            static_cast<int>(o.command) - 1);
    return a;
}

bool Same(const CliOptions &x, const CliOptions &y) {
    auto values = [](const std::vector<ChannelValue> &v) {
        QStringList out;
        for (const ChannelValue &c : v)
            out << QString::number(c.channel) + QLatin1Char('=') + c.value;
        return out;
    };
    return x.sim == y.sim && x.demo == y.demo && x.bitstream == y.bitstream &&
           x.settingsFile == y.settingsFile && x.rate == y.rate && x.depth == y.depth &&
           values(x.probe) == values(y.probe) && values(x.coupling) == values(y.coupling) &&
           values(x.vdiv) == values(y.vdiv) && x.trigger == y.trigger && x.slope == y.slope &&
           x.level == y.level && x.word == y.word && x.command == y.command &&
           x.output == y.output && x.records == y.records && x.duration == y.duration &&
           x.format == y.format && x.saveSettings == y.saveSettings && x.decoders == y.decoders &&
           x.annotations == y.annotations && x.input == y.input && x.help == y.help;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0; // no argument at all, not an empty one
    QStringList args;
    for (const std::string &piece : vrx::fuzz::SplitAtNul(data, size))
        args << QString::fromLocal8Bit(piece.data(), static_cast<qsizetype>(piece.size()));
    CliOptions o;
    QString error;
    if (!ParseCli(args, o, error)) {
        Require(!error.isEmpty(), "a refusal says why");
        for (const char *prefix : {"unknown option: ", "unknown command: "})
            if (error.startsWith(QLatin1String(prefix)))
                Require(args.contains(error.mid(static_cast<qsizetype>(std::strlen(prefix)))),
                        "a refused option or command is named as given");
        return 0;
    }
    Require(error.isEmpty(), "a line that parses has no message");
    Require(o.depth >= -1 && o.depth <= 2 && o.trigger >= -1 && o.trigger <= 2 && o.slope >= -1 &&
                o.slope <= 1 && o.records >= 1 && o.duration >= 0 &&
                (!o.level || std::isfinite(*o.level)),
            "every value is within its list");
    Require(o.word.isEmpty() || (o.word.size() == 16 &&
                                 !o.word.contains(QRegularExpression(QStringLiteral("[^01x]")))),
            "a word is 16 characters of 0, 1 and x");
    Require(o.help || (o.command != Command::None && (o.demo == false || o.sim.isEmpty())),
            "a parsed line has a command and one instrument");
    CliOptions back;
    QString why;
    Require(ParseCli(Written(o), back, why), "the options written out parse again");
    Require(Same(o, back), "the options written out parse to the same options");
    return 0;
}
