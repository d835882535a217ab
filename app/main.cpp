// SPDX-License-Identifier: GPL-3.0-or-later
// The VRX-73604 desktop program: oscilloscope and logic analyser.
#include <cstdio>

#include <QApplication>

#include "windows/main/program.h"

int main(int argc, char *argv[]) {
    // The options are read before the display is opened, so a wrong one is reported anywhere.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    vrx::ProgramOptions opts;
    QString error;
    if (!vrx::ParseOptions(args, opts, error)) {
        std::fprintf(stderr, "%s\n%s", qPrintable(error), qPrintable(vrx::UsageText()));
        return 2;
    }
    if (opts.help) {
        std::fputs(qPrintable(vrx::UsageText()), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vrx73604"));
    return vrx::RunProgram(opts);
}
