#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

// Ends the process with exit code 1 and a line on standard error when the event loop has not
// run for longer than a limit: a page's script that the engine did not stop holds it, and
// nothing else, not even the run's own time-out, would end the run. The loop re-arms an alarm
// every second; the alarm's handler only writes the line and exits. One per process.
class LoopWatchdog : public QObject
{
    Q_OBJECT

public:
    LoopWatchdog(int limitSeconds, const QByteArray &line, QObject *parent = nullptr);
    ~LoopWatchdog() override;

private:
    static void expire(int signal);

    int m_limitSeconds;
    QTimer m_heartbeat;
};
