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
// The engine stops a script without a word; scriptStopped() tells it. When the main thread's
// next event, or the next script's timer, comes past the deadline of the last timer armed,
// with no other event and no wait for events in between, the script that armed it ran past
// the deadline, and the engine, which would otherwise have armed another timer, stopped it.
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
    // The last timer armed is due, and no event came since it was armed.
    bool stoppedScript() const;
    // Starts the timers of the engine's workItem again as precise ones; returns the longest
    // interval, 0 when it has none.
    static int makePrecise(QObject *workItem);

    QElapsedTimer m_clock;
    // A timer was armed to fire at m_deadline on m_clock, and no other event came since.
    bool m_armed = false;
    qint64 m_deadline = 0;
    // The main thread waited for events since the timer was armed.
    bool m_waited = false;
};
