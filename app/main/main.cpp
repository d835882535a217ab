// SPDX-License-Identifier: GPL-3.0-or-later
// The VRX-73604 desktop program: oscilloscope and logic analyser.
#include <cstdio>

#include <QApplication>

#include "main/program.h"

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vrx73604"));
    vrx::ProgramOptions opts;
    QString error;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (!vrx::ParseOptions(args, opts, error)) {
        std::fprintf(stderr, "%s\n%s", qPrintable(error), qPrintable(vrx::UsageText()));
        return 2;
    }
    return vrx::RunProgram(opts);
}
