#pragma once

#include "hostapi_global.h"
#include "ihotkeyservice.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QKeySequence>

namespace HostApi {

// The host's hot-key service.
class HOSTAPI_EXPORT HotKeyService : public QObject, public IHotKeyService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IHotKeyService)

public:
    explicit HotKeyService(QObject *parent = nullptr);

    bool registerGroup(const HotKeyGroup &group) override;
    HotKeyGroup group(const QByteArray &id) const override;
    QList<HotKeyGroup> groups() const override;

    HotKey *registerHotKey(const QByteArray &contextPath, const QByteArray &id,
                           const QByteArray &parentId, const QList<QKeySequence> &sequences,
                           const QString &text, const QString &description,
                           const QByteArray &groupId, const HotKeyOptions &options) override;
    HotKey *hotKey(const QByteArray &contextPath, const QByteArray &parentId,
                   const QByteArray &id) const override;
    QList<HotKey *> hotKeys() const override { return m_hotKeys; }

    QList<QKeySequence> takenSequences(const QByteArray &contextPath, const QByteArray &parentId,
                                       const QByteArray &id,
                                       const QList<QKeySequence> &sequences) const override;

signals:
    void hotKeyRegistered(HostApi::HotKey *hotKey);

private:
    // Hot keys are looked up within their scope: context path and parent.
    static QByteArray scope(const QByteArray &contextPath, const QByteArray &parentId);
    // Enters hotKey's sequences into the users of its scope.
    void addUser(HotKey *hotKey, const QByteArray &scope) const;

    QList<HotKeyGroup> m_groups;
    QHash<QByteArray, int> m_groupIndex;           // id → index in m_groups
    QList<HotKey *> m_hotKeys;
    QHash<QByteArray, QList<HotKey *>> m_scopes;   // scope → its hot keys, in order
    QHash<QByteArray, QHash<QByteArray, HotKey *>> m_index;   // scope → id → hot key
    // scope → sequence → hot keys using it; built on first use, dropped when a key changes
    mutable QHash<QByteArray, QHash<QKeySequence, QList<HotKey *>>> m_users;
};

} // namespace HostApi
