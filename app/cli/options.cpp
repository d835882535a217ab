// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include <cmath>

#include <QRegularExpression>

namespace vrx::cli {

namespace {

// "A1=VALUE" or "A2=VALUE".
bool ChannelArg(const QString &option, const QString &text, std::vector<ChannelValue> &out,
                QString &error) {
    const int eq = static_cast<int>(text.indexOf(QLatin1Char('=')));
    const QString ch = text.left(eq).toUpper();
    if (eq < 0 || (ch != QLatin1String("A1") && ch != QLatin1String("A2")) ||
        text.mid(eq + 1).isEmpty()) {
        error = option + QStringLiteral(" takes A1=VALUE or A2=VALUE, not ") + text;
        return false;
    }
    out.push_back({ch == QLatin1String("A1") ? 0 : 1, text.mid(eq + 1)});
    return true;
}

bool CheckedValue(const QString &option, const QString &text, const QStringList &allowed,
                  QString &error) {
    for (const QString &a : allowed)
        if (text.compare(a, Qt::CaseInsensitive) == 0) return true;
    error = option + QStringLiteral(" takes ") + allowed.join(QLatin1Char('|')) +
            QStringLiteral(", not ") + text;
    return false;
}

bool Number(const QString &option, const QString &text, double &v, QString &error) {
    bool ok = false;
    v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        error = option + QStringLiteral(" takes a number, not ") + text;
        return false;
    }
    return true;
}

} // namespace

QString CliUsage() {
    return QStringLiteral(
        "usage: vrxctl [instrument] [settings] COMMAND [command options]\n"
        "instrument:\n"
        "  --sim usb|usb11|epp|bpp   the simulated instrument on that link\n"
        "  --demo                    demo data (no instrument)\n"
        "  (neither)                 a real instrument\n"
        "  --bitstream FILE          the bitstream (default: 73604.bit in the working directory,\n"
        "                            else in ~/.local/share/vrx73604, else the one installed)\n"
        "settings (applied in this order):\n"
        "  --settings FILE           a settings file of the program\n"
        "  --rate TEXT               a rate as the front panel lists it (\"100MSa/S\")\n"
        "  --depth 2K|8K|128K\n"
        "  --probe A1=1|10|100|1000  --coupling A2=DC|AC|GND\n"
        "  --vdiv A1=TEXT            a V/div entry of that channel at its probe (\"500mV\")\n"
        "  --trigger A1|A2|LOGIC  --slope rise|fall  --level VOLTS\n"
        "  --word PATTERN            16 characters of 0, 1, x, D15 first\n"
        "commands:\n"
        "  info                      what was found (link, model, variant, USB speed)\n"
        "  capture -o PATH [-n N | --duration S] [--format vrx|csv|vcd|sr|xlsx]\n"
        "  measure [-n N]            the measure box's rows for N records\n"
        "  count [-n N]              N frequency-counter readings (completed averages)\n"
        "  autoset [--save-settings FILE]   run Autoset, print the settings it chose\n"
        "Exit status: 0 success, 1 the command failed, 2 usage error or no instrument.\n");
}

bool ParseCli(const QStringList &args, CliOptions &o, QString &error) {
    auto value = [&](int &i, const QString &option, QString &out) {
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            error = option + QStringLiteral(" needs a value");
            return false;
        }
        out = args[++i];
        return true;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        static const QStringList withValue = {
            "--sim",      "--bitstream", "--settings", "--rate",   "--depth",        "--probe",
            "--coupling", "--vdiv",      "--trigger",  "--slope",  "--level",        "--word",
            "-o",         "-n",          "--duration", "--format", "--save-settings"};
        if (withValue.contains(a) && !value(i, a, v)) return false;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--sim")) {
            if (!CheckedValue(a, v, {"usb", "usb11", "epp", "bpp"}, error)) return false;
            o.sim = v.toLower();
        } else if (a == QLatin1String("--bitstream")) {
            o.bitstream = v;
        } else if (a == QLatin1String("--settings")) {
            o.settingsFile = v;
        } else if (a == QLatin1String("--rate")) {
            o.rate = v;
        } else if (a == QLatin1String("--depth")) {
            if (!CheckedValue(a, v, {"2K", "8K", "128K"}, error)) return false;
            o.depth = static_cast<int>(QStringList({"2K", "8K", "128K"}).indexOf(v.toUpper()));
        } else if (a == QLatin1String("--probe")) {
            if (!ChannelArg(a, v, o.probe, error) ||
                !CheckedValue(a, o.probe.back().value, {"1", "10", "100", "1000"}, error))
                return false;
        } else if (a == QLatin1String("--coupling")) {
            if (!ChannelArg(a, v, o.coupling, error) ||
                !CheckedValue(a, o.coupling.back().value, {"DC", "AC", "GND"}, error))
                return false;
        } else if (a == QLatin1String("--vdiv")) {
            if (!ChannelArg(a, v, o.vdiv, error)) return false;
        } else if (a == QLatin1String("--trigger")) {
            if (!CheckedValue(a, v, {"A1", "A2", "LOGIC"}, error)) return false;
            o.trigger = static_cast<int>(QStringList({"A1", "A2", "LOGIC"}).indexOf(v.toUpper()));
        } else if (a == QLatin1String("--slope")) {
            if (!CheckedValue(a, v, {"rise", "fall"}, error)) return false;
            o.slope = v.compare(QLatin1String("rise"), Qt::CaseInsensitive) == 0 ? 0 : 1;
        } else if (a == QLatin1String("--level")) {
            double volts = 0;
            if (!Number(a, v, volts, error)) return false;
            o.level = volts;
        } else if (a == QLatin1String("--word")) {
            if (v.size() != 16 || v.contains(QRegularExpression(QStringLiteral("[^01xX]")))) {
                error = QStringLiteral("--word takes 16 characters of 0, 1 and x, not ") + v;
                return false;
            }
            o.word = v.toLower();
        } else if (a == QLatin1String("-o")) {
            o.output = v;
        } else if (a == QLatin1String("-n")) {
            bool ok = false;
            o.records = v.toInt(&ok);
            if (!ok || o.records < 1) {
                error = QStringLiteral("-n takes a number of records from 1, not ") + v;
                return false;
            }
        } else if (a == QLatin1String("--duration")) {
            if (!Number(a, v, o.duration, error)) return false;
            if (o.duration <= 0) {
                error = QStringLiteral("--duration takes a number of seconds above 0");
                return false;
            }
        } else if (a == QLatin1String("--format")) {
            if (!CheckedValue(a, v, {"vrx", "csv", "vcd", "sr", "xlsx"}, error)) return false;
            o.format = v.toLower();
        } else if (a == QLatin1String("--save-settings")) {
            o.saveSettings = v;
        } else if (!a.startsWith(QLatin1Char('-')) && o.command == Command::None) {
            static const QStringList commands = {"info", "capture", "measure", "count", "autoset"};
            const auto k = commands.indexOf(a);
            if (k < 0) {
                error = QStringLiteral("unknown command: ") + a;
                return false;
            }
            o.command = static_cast<Command>(k + 1);
        } else {
            error = QStringLiteral("unknown option: ") + a;
            return false;
        }
    }
    if (o.help) return true;
    if (o.command == Command::None) {
        error = QStringLiteral("no command given (info, capture, measure, count, autoset)");
        return false;
    }
    if (o.demo && !o.sim.isEmpty()) {
        error = QStringLiteral("--sim and --demo exclude each other");
        return false;
    }
    if (o.command == Command::Capture && o.output.isEmpty()) {
        error = QStringLiteral("capture needs -o PATH");
        return false;
    }
    if (o.duration > 0 && args.contains(QStringLiteral("-n"))) {
        error = QStringLiteral("-n and --duration exclude each other");
        return false;
    }
    return true;
}

} // namespace vrx::cli
