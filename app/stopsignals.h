#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (systemctl stop, logout, shutdown), SIGINT (Ctrl+C) and SIGHUP (the
// terminal went) end the program the way the tray's Exit does. The handler
// only writes the signal's number to a pipe, which is async-signal-safe; the
// event loop reads it and emits stopRequested.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    // The signals' default actions come back.
    ~StopSignals() override;
    // False (with a log line) when the pipe or a handler cannot be set up.
    bool install();

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
