#pragma once

#include "hostapi_global.h"
#include "hotkeyoptions.h"

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

namespace HostApi {

class HotKeyAction;

// One registered hot key: key sequences, texts and look, under a context path ("actionWidget"
// for widget children) and a parent id. Its actions follow changes of its key sequences.
// Owned by the hot-key service.
class HOSTAPI_EXPORT HotKey : public QObject
{
    Q_OBJECT

public:
    HotKey(const QByteArray &contextPath, const QByteArray &id, const QByteArray &parentId,
           const QList<QKeySequence> &sequences, const QString &text,
           const QString &description, const QByteArray &groupId,
           const HotKeyOptions &options, QObject *parent = nullptr);

    QByteArray contextPath() const { return m_contextPath; }
    QByteArray id() const { return m_id; }
    QByteArray parentId() const { return m_parentId; }
    // contextPath.parentId.id, without an empty parent: the hot key's name in host settings.
    QByteArray path() const;
    QList<QKeySequence> sequences() const { return m_sequences; }
    QString text() const { return m_text; }
    QString description() const { return m_description; }
    QByteArray groupId() const { return m_groupId; }
    HotKeyOptions options() const { return m_options; }

    // The user's new key sequences (host hot-key settings).
    void setSequences(const QList<QKeySequence> &sequences);
    // A repeated registration: takes its values; the registration action follows.
    void redefine(const QList<QKeySequence> &sequences, const QString &text,
                  const QString &description, const QByteArray &groupId,
                  const HotKeyOptions &options);

    // The action made when the hot key was registered; owned by the hot key.
    HotKeyAction *action() const { return m_action; }
    // A new action of this hot key for one widget or document, owned by parent.
    HotKeyAction *createAction(QObject *parent = nullptr);

signals:
    void changed();

private:
    QByteArray m_contextPath;
    QByteArray m_id;
    QByteArray m_parentId;
    QList<QKeySequence> m_sequences;
    QString m_text;
    QString m_description;
    QByteArray m_groupId;
    HotKeyOptions m_options;
    HotKeyAction *m_action;
};

} // namespace HostApi
