// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/options.h"

#include <cmath>

#include <QDir>
#include <QFileInfo>

#include "core/base/install_dirs.h"
#include "core/startup/startup.h"

namespace vrx {

QString UsageText() {
    return QStringLiteral(
        "usage: vrx73604 [--sim usb|usb11|epp|bpp] [--depth 2K|8K|128K]\n"
        "                [--screenshots DIR] [--measure-fps SECONDS] [--windows LIST]\n"
        "  --sim LINK            use the simulated instrument on that link and start acquiring\n"
        "  --depth DEPTH         memory depth to start with\n"
        "  --screenshots DIR     save pictures of the main window to DIR after a few records, "
        "quit\n"
        "  --measure-fps SECONDS acquire for SECONDS and print records drawn per second (and,\n"
        "                        in a longer run, records and memory every minute)\n"
        "  --windows LIST        open these tool windows at the start, comma-separated: measure,\n"
        "                        fft, xy, state, decoders, annotations (or all)\n"
        "Without --sim the program looks for an instrument on USB and the parallel ports and\n"
        "offers demo mode when none answers. The bitstream 73604.bit is read from the working\n"
        "directory, else from ~/.local/share/vrx73604 ($XDG_DATA_HOME/vrx73604), else from\n"
        "the program's folder or the installed data folder (share/vrx73604).\n");
}

const QStringList &ToolWindowNames() {
    static const QStringList names = {"measure", "fft", "xy", "state", "decoders", "annotations"};
    return names;
}

bool ParseOptions(const QStringList &args, ProgramOptions &opts, QString &error) {
    static const QStringList withValue = {"--sim", "--depth", "--screenshots", "--measure-fps",
                                          "--windows"};
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            opts.help = true;
            continue;
        }
        if (!withValue.contains(a)) {
            error = QStringLiteral("unknown option: ") + a;
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            error = a + QStringLiteral(" needs a value");
            return false;
        }
        const QString value = args[++i];
        if (a == QLatin1String("--sim")) {
            static const QStringList links = {"usb", "usb11", "epp", "bpp"};
            if (!links.contains(value)) {
                error = QStringLiteral("unknown link for --sim: ") + value;
                return false;
            }
            opts.sim = value;
        } else if (a == QLatin1String("--windows")) {
            for (const QString &name : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QString lower = name.trimmed().toLower();
                if (lower == QLatin1String("all")) {
                    opts.windows = ToolWindowNames();
                } else if (ToolWindowNames().contains(lower)) {
                    if (!opts.windows.contains(lower)) opts.windows << lower;
                } else {
                    error = QStringLiteral("unknown window for --windows: ") + name;
                    return false;
                }
            }
        } else if (a == QLatin1String("--screenshots")) {
            opts.screenshotDir = value;
        } else if (a == QLatin1String("--measure-fps")) {
            bool ok = false;
            opts.measureSeconds = value.toDouble(&ok);
            // "nan" and "inf" parse as numbers: a run of that length would never end.
            if (!ok || !std::isfinite(opts.measureSeconds) || opts.measureSeconds <= 0 ||
                opts.measureSeconds > 86400) {
                error = QStringLiteral("--measure-fps needs a number of seconds up to 86400");
                return false;
            }
        } else {
            opts.depth = QStringList({"2K", "8K", "128K"}).indexOf(value.toUpper());
            if (opts.depth < 0) {
                error = QStringLiteral("--depth takes 2K, 8K or 128K");
                return false;
            }
        }
    }
    return true;
}

QStringList BitstreamFolders(const QString &workDir, const QString &exeDir) {
    QStringList dirs{workDir, UserDataDir()};
    if (!exeDir.isEmpty()) dirs << exeDir << InstalledDataDir(exeDir);
    dirs.removeDuplicates();
    return dirs;
}

QString BitstreamDirectory(const QStringList &dirs) {
    for (const QString &dir : dirs)
        if (QFileInfo::exists(QDir(dir).filePath(kBitstreamFile))) return dir;
    return dirs.value(0);
}

} // namespace vrx
