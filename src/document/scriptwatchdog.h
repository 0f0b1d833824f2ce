#pragma once

#include <QElapsedTimer>
#include <QObject>

// The web engine's script watchdog, kept on time and watched.
// The engine arms its watchdog with a timer of whole milliseconds, of Qt's default coarse
// type, started on the thread that runs the script and then moved to the engine's timer
// thread. A coarse timer may fire up to 5% early and a truncated one up to a millisecond
// early; the engine takes such a firing for a stale one and never arms the watchdog again, so
// the script runs on. Installed on the application, this filter sees each such timer as it
// moves to the timer thread and starts it again as a precise timer of one millisecond more,
// which never fires before the engine's deadline.
// The engine stops a script without a word; scriptStopped() tells it. A timer is armed as a
// script starts, or again while it runs. When what comes next on the main thread (an event,
// the event loop turning to wait or to look for events, or the next script's timer) comes
// past the deadline of the last timer armed, the script that armed it ran past the deadline,
// and the engine, which would otherwise have armed another timer, stopped it.
class ScriptWatchdog : public QObject
{
    Q_OBJECT

public:
    explicit ScriptWatchdog(QObject *parent = nullptr);

    // The application's watchdog, installed on first use; null without an application.
    static ScriptWatchdog *ensureInstalled();

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The engine stopped a script that ran past its time limit.
    void scriptStopped();

private:
    // Ends the watch of the last timer armed; a script was stopped when it was due.
    void settle();
    // Starts the timers of the engine's workItem again as precise ones; returns the longest
    // interval, 0 when it has none.
    static int makePrecise(QObject *workItem);

    QElapsedTimer m_clock;
    // A timer was armed to fire at m_deadline on m_clock, and nothing came since.
    bool m_armed = false;
    qint64 m_deadline = 0;
};
