// SPDX-License-Identifier: GPL-3.0-or-later
// vrxctl: unattended capture and measurement with the VRX-73604, from the command line.
#include <cstdio>

#include <QStringList>
#include <QtGlobal>

#include "cli/session.h"

namespace {

// Qt's own warnings (the offscreen platform's runtime folder and the like) are not the
// program's messages: stderr carries one line per failure and the progress only.
void QuietQt(QtMsgType type, const QMessageLogContext &, const QString &msg) {
    if (type == QtFatalMsg) std::fprintf(stderr, "vrxctl: %s\n", qPrintable(msg));
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
// The font database of the offscreen GUI application keeps a few fontconfig blocks until exit;
// the leak checker of the sanitizer build passes over the system library's own, so that the
// exit status stays the program's.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
extern "C" const char *__lsan_default_options() {
    return "print_suppressions=0";
}
#endif

int main(int argc, char *argv[]) {
    qInstallMessageHandler(QuietQt);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    vrx::cli::CliOptions opts;
    QString error;
    if (!vrx::cli::ParseCli(args, opts, error)) {
        std::fprintf(stderr, "vrxctl: %s (see vrxctl --help)\n", qPrintable(error));
        return vrx::cli::kExitUsage;
    }
    if (opts.help) {
        std::fputs(qPrintable(vrx::cli::CliUsage()), stdout);
        if (std::fflush(stdout) == 0) return vrx::cli::kExitOk;
        std::perror("vrxctl: cannot write the standard output");
        return vrx::cli::kExitFailed;
    }
    vrx::cli::InstallInterruptHandler();
    return vrx::cli::Run(opts);
}
