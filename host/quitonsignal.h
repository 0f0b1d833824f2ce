#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop normally when the process gets SIGINT or SIGTERM (Ctrl+C in the
// terminal that started the host), so that the workspace is still saved. One per process:
// the signal handler only writes to a pipe, and the notifier quits on the GUI thread. A second
// signal while the loop has not taken the first (a page's script holds it) ends the process
// as the signal does by default, with a line on standard error.
class QuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

    // False when the pipe or the handlers could not be set up; the default handling stays.
    bool isActive() const { return m_notifier != nullptr; }

private:
    static void handle(int signal);

    QSocketNotifier *m_notifier = nullptr;
};
