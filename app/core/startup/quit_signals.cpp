// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/startup/quit_signals.h"

#include <array>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace vrx {

namespace {

constexpr std::array<int, 3> kQuitSignals = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request: nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent) : QObject(parent) {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kQuitSignals)
        ::sigaction(sig, &sa, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int sig : kQuitSignals)
        ::signal(sig, SIG_DFL);
    delete notifier_;
    for (int &fd : pipeFds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void QuitSignals::readPipe() {
    char buf[16];
    while (::read(pipeFds[0], buf, sizeof buf) > 0) {
    }
    pending_ = true;
    emit requested();
}

} // namespace vrx
