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
    m_scopes[scope(contextPath, parentId)].append(created);
    emit hotKeyRegistered(created);
    return created;
}

HotKey *HotKeyService::hotKey(const QByteArray &contextPath, const QByteArray &parentId,
                              const QByteArray &id) const
{
    for (HotKey *hotKey : m_scopes.value(scope(contextPath, parentId))) {
        if (hotKey->id() == id)
            return hotKey;
    }
    return nullptr;
}

QList<QKeySequence> HotKeyService::takenSequences(const QByteArray &contextPath,
                                                  const QByteArray &parentId,
                                                  const QByteArray &id,
                                                  const QList<QKeySequence> &sequences) const
{
    QList<QKeySequence> taken;
    const QList<HotKey *> neighbours = m_scopes.value(scope(contextPath, parentId));
    for (const QKeySequence &sequence : sequences) {
        if (sequence.isEmpty() || taken.contains(sequence))
            continue;
        const bool used = std::any_of(neighbours.begin(), neighbours.end(), [&](HotKey *other) {
            return other->id() != id && other->sequences().contains(sequence);
        });
        if (used)
            taken.append(sequence);
    }
    return taken;
}

QByteArray HotKeyService::scope(const QByteArray &contextPath, const QByteArray &parentId)
{
    return contextPath + '\n' + parentId;
}

} // namespace HostApi
