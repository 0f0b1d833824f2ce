#include "hotkeyservice.h"

#include "hotkey.h"
#include "logservice.h"

#include <algorithm>

namespace HostApi {

HotKeyService::HotKeyService(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<HostApi::HotKey *>();
}

bool HotKeyService::registerGroup(const HotKeyGroup &group)
{
    HOSTAPI_ASSERT(group.isValid(), return false);
    const auto it = m_groupIndex.constFind(group.id);
    if (it != m_groupIndex.constEnd()) {
        m_groups[it.value()] = group;
    } else {
        m_groupIndex.insert(group.id, m_groups.size());
        m_groups.append(group);
    }
    return true;
}

HotKeyGroup HotKeyService::group(const QByteArray &id) const
{
    const int index = m_groupIndex.value(id, -1);
    return index < 0 ? HotKeyGroup() : m_groups.at(index);
}

QList<HotKeyGroup> HotKeyService::groups() const
{
    return m_groups;
}

HotKey *HotKeyService::registerHotKey(const QByteArray &contextPath, const QByteArray &id,
                                      const QByteArray &parentId,
                                      const QList<QKeySequence> &sequences, const QString &text,
                                      const QString &description, const QByteArray &groupId,
                                      const HotKeyOptions &options)
{
    HOSTAPI_ASSERT(!id.isEmpty(), return nullptr);
    HOSTAPI_ASSERT(!id.contains('.'), return nullptr);
    if (HotKey *existing = hotKey(contextPath, parentId, id)) {
        existing->redefine(sequences, text, description, groupId, options);
        return existing;
    }
    auto *created = new HotKey(contextPath, id, parentId, sequences, text, description, groupId,
                               options, this);
    m_hotKeys.append(created);
    const QByteArray key = scope(contextPath, parentId);
    m_scopes[key].append(created);
    m_index[key].insert(id, created);
    if (m_users.contains(key))
        addUser(created, key);
    connect(created, &HotKey::changed, this, [this, key]() { m_users.remove(key); });
    emit hotKeyRegistered(created);
    return created;
}

HotKey *HotKeyService::hotKey(const QByteArray &contextPath, const QByteArray &parentId,
                              const QByteArray &id) const
{
    return m_index.value(scope(contextPath, parentId)).value(id);
}

QList<QKeySequence> HotKeyService::takenSequences(const QByteArray &contextPath,
                                                  const QByteArray &parentId,
                                                  const QByteArray &id,
                                                  const QList<QKeySequence> &sequences) const
{
    QList<QKeySequence> taken;
    const QByteArray key = scope(contextPath, parentId);
    if (!m_users.contains(key)) {
        m_users[key];
        for (HotKey *hotKey : m_scopes.value(key))
            addUser(hotKey, key);
    }
    const QHash<QKeySequence, QList<HotKey *>> &users = m_users[key];
    for (const QKeySequence &sequence : sequences) {
        if (sequence.isEmpty() || taken.contains(sequence))
            continue;
        const QList<HotKey *> others = users.value(sequence);
        const bool used = std::any_of(others.begin(), others.end(), [&](HotKey *other) {
            return other->id() != id;
        });
        if (used)
            taken.append(sequence);
    }
    return taken;
}

void HotKeyService::addUser(HotKey *hotKey, const QByteArray &key) const
{
    for (const QKeySequence &sequence : hotKey->sequences())
        m_users[key][sequence].append(hotKey);
}

QByteArray HotKeyService::scope(const QByteArray &contextPath, const QByteArray &parentId)
{
    return contextPath + '\n' + parentId;
}

} // namespace HostApi
