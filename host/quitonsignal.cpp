#include "quitonsignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
const int quitSignals[] = {SIGINT, SIGTERM};
// Set by a signal, cleared when the event loop takes it.
volatile sig_atomic_t quitPending = 0;
const char heldLine[] = "tessel-host: the window does not answer, a page's script holds it; "
                        "quitting without saving the workspace\n";

} // namespace

QuitOnSignal::QuitOnSignal(QObject *parent)
    : QObject(parent)
{
    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignal::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : quitSignals)
        ::sigaction(signal, &action, nullptr);

    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [] {
        char byte;
        while (::read(pipeEnds[0], &byte, 1) > 0) {
        }
        quitPending = 0;
        QCoreApplication::quit();
    });
}

QuitOnSignal::~QuitOnSignal()
{
    if (!m_notifier)
        return;
    for (int signal : quitSignals)
        ::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitOnSignal::handle(int signal)
{
    // Only async-signal-safe calls here.
    if (quitPending) {
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, heldLine, sizeof heldLine - 1);
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    quitPending = 1;
    const char byte = 1;
    // A full pipe already holds a pending quit.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
}
