#include "scriptwatchdog.h"

#include "webpage.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>

namespace {

// The engine's class of the work items it runs on its own threads, some after a delay.
const char EngineWorkItemClass[] = "WTF::WorkQueue::WorkItemQt";
// Covers the fraction of a millisecond the engine's delay lost to truncation.
constexpr int RoundingMs = 1;

} // namespace

ScriptWatchdog::ScriptWatchdog(QObject *parent)
    : QObject(parent)
{
    m_clock.start();
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &ScriptWatchdog::settle);
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, &ScriptWatchdog::settle);
    }
}

ScriptWatchdog *ScriptWatchdog::ensureInstalled()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return nullptr;
    auto *watchdog = app->findChild<ScriptWatchdog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!watchdog) {
        watchdog = new ScriptWatchdog(app);
        app->installEventFilter(watchdog);
    }
    return watchdog;
}

bool ScriptWatchdog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ThreadChange
        && qstrcmp(watched->metaObject()->className(), EngineWorkItemClass) == 0) {
        if (const int interval = makePrecise(watched)) {
            // The engine arms a timer of the whole limit as a script starts, and shorter ones
            // to go on watching a script that has not used up its limit yet.
            if (interval == WebPage::scriptTimeLimit())
                settle();
            m_armed = true;
            m_deadline = m_clock.elapsed() + interval;
        }
        return false;
    }
    settle();
    return false;
}

void ScriptWatchdog::settle()
{
    const bool stopped = m_armed && m_clock.elapsed() >= m_deadline;
    m_armed = false;
    if (stopped)
        emit scriptStopped();
}

// The item's timers are still registered with the dispatcher of its current thread here;
// QObject then hands them, as they are now, to the target thread.
int ScriptWatchdog::makePrecise(QObject *workItem)
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(workItem->thread());
    if (!dispatcher)
        return 0;
    int longest = 0;
    const QList<QAbstractEventDispatcher::TimerInfo> timers =
        dispatcher->registeredTimers(workItem);
    for (const QAbstractEventDispatcher::TimerInfo &timer : timers) {
        dispatcher->unregisterTimer(timer.timerId);
        dispatcher->registerTimer(timer.timerId, timer.interval + RoundingMs, Qt::PreciseTimer,
                                  workItem);
        longest = qMax(longest, timer.interval);
    }
    return longest;
}
