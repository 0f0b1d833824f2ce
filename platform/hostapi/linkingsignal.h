#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QObject>

// A document's end of the host's symbol linking. Documents whose linking signals share a
// link group (1 and up; 0 is "not linked") follow each other's symbol: activating a symbol
// in one delivers it, through activated(), to every other member of the group.
class HOSTAPI_EXPORT LinkingSignal : public QObject
{
    Q_OBJECT

public:
    static constexpr int NoGroup = 0;

    explicit LinkingSignal(QObject *parent = nullptr);
    ~LinkingSignal() override;

    // The link group; NoGroup (the default) links with nobody.
    int group() const { return m_group; }
    void setGroup(int group);

    // The symbol last activated here or delivered from the group.
    QByteArray symbol() const { return m_symbol; }

    // Makes symbol current here; with notifyLinked, the other members of the group receive it.
    // The sender itself is never notified.
    void activate(const QByteArray &symbol, bool notifyLinked);

signals:
    // Another member of the group activated symbol.
    void activated(const QByteArray &symbol);
    void groupChanged(int group);

private:
    void receive(const QByteArray &symbol);

    int m_group = NoGroup;
    QByteArray m_symbol;
};
