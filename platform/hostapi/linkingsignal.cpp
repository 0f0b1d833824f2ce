#include "linkingsignal.h"

#include <QList>

namespace {

// Every linking signal alive; the GUI thread is the only one that touches them.
QList<LinkingSignal *> &allSignals()
{
    static QList<LinkingSignal *> signalList;
    return signalList;
}

} // namespace

LinkingSignal::LinkingSignal(QObject *parent)
    : QObject(parent)
{
    allSignals().append(this);
}

LinkingSignal::~LinkingSignal()
{
    allSignals().removeOne(this);
}

void LinkingSignal::setGroup(int group)
{
    if (group == m_group)
        return;
    m_group = group;
    emit groupChanged(group);
}

void LinkingSignal::activate(const QByteArray &symbol, bool notifyLinked)
{
    m_symbol = symbol;
    if (!notifyLinked || m_group == NoGroup)
        return;
    // A receiver's handler may delete linking signals; work on a copy and skip the dead.
    const QList<LinkingSignal *> members = allSignals();
    for (LinkingSignal *member : members) {
        if (member != this && member->m_group == m_group && allSignals().contains(member))
            member->receive(symbol);
    }
}

void LinkingSignal::receive(const QByteArray &symbol)
{
    m_symbol = symbol;
    emit activated(symbol);
}
