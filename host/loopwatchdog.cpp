#include "loopwatchdog.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int HeartbeatMs = 1000;
// The line is copied here while setting up, so that the handler reads no Qt object.
char expiredLine[512];
size_t expiredLineSize = 0;

} // namespace

LoopWatchdog::LoopWatchdog(int limitSeconds, const QByteArray &line, QObject *parent)
    : QObject(parent)
    , m_limitSeconds(limitSeconds)
{
    const QByteArray text = line.left(int(sizeof expiredLine) - 1) + '\n';
    std::memcpy(expiredLine, text.constData(), size_t(text.size()));
    expiredLineSize = size_t(text.size());
    struct sigaction action = {};
    action.sa_handler = &LoopWatchdog::expire;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);

    // An alarm left pending by one heartbeat is replaced by the next.
    connect(&m_heartbeat, &QTimer::timeout, this, [this] { ::alarm(unsigned(m_limitSeconds + 1)); });
    m_heartbeat.start(HeartbeatMs);
    ::alarm(unsigned(m_limitSeconds + 1));
}

LoopWatchdog::~LoopWatchdog()
{
    ::alarm(0);
    ::signal(SIGALRM, SIG_DFL);
}

void LoopWatchdog::expire(int)
{
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, expiredLine, expiredLineSize);
    ::_exit(1);
}
