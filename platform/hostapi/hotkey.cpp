#include "hotkey.h"

#include "hotkeyaction.h"

namespace HostApi {

HotKey::HotKey(const QByteArray &contextPath, const QByteArray &id, const QByteArray &parentId,
               const QList<QKeySequence> &sequences, const QString &text,
               const QString &description, const QByteArray &groupId,
               const HotKeyOptions &options, QObject *parent)
    : QObject(parent)
    , m_contextPath(contextPath)
    , m_id(id)
    , m_parentId(parentId)
    , m_sequences(sequences)
    , m_text(text)
    , m_description(description)
    , m_groupId(groupId)
    , m_options(options)
{
    setObjectName(QString::fromUtf8(id));
    m_action = createAction(this);
}

QByteArray HotKey::path() const
{
    QByteArray result = m_contextPath;
    if (!m_parentId.isEmpty())
        result += '.' + m_parentId;
    return result + '.' + m_id;
}

void HotKey::setSequences(const QList<QKeySequence> &sequences)
{
    if (sequences == m_sequences)
        return;
    m_sequences = sequences;
    emit changed();
}

void HotKey::redefine(const QList<QKeySequence> &sequences, const QString &text,
                      const QString &description, const QByteArray &groupId,
                      const HotKeyOptions &options)
{
    m_sequences = sequences;
    m_text = text;
    m_description = description;
    m_groupId = groupId;
    m_options = options;
    m_action->setText(text);
    m_action->setIcon(options.icon);
    m_action->setCheckable(options.checkable);
    emit changed();
}

HotKeyAction *HotKey::createAction(QObject *parent)
{
    return new HotKeyAction(this, parent);
}

} // namespace HostApi
