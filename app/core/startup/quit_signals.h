// SPDX-License-Identifier: GPL-3.0-or-later
//
// SIGTERM, SIGINT and SIGHUP (a logout, a session manager, Ctrl+C in the terminal) end the
// program the way closing its window does, so the instrument is powered off and the settings
// are kept. The handler only writes a byte into a pipe; the event loop reads it and emits
// `requested`, and the program does the work there.
#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace vrx {

class QuitSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers for the lifetime of the object (one at a time).
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;
    // A quit signal has arrived (also before the event loop ran).
    bool pending() const { return pending_; }

  signals:
    void requested();

  private:
    void readPipe();

    QSocketNotifier *notifier_ = nullptr;
    bool pending_ = false;
};

} // namespace vrx
