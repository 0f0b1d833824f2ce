#pragma once

#include "hotkeygroup.h"
#include "hotkeyoptions.h"

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

namespace HostApi {

class HotKey;

// The host's hot keys: groups for the settings dialog, and hot keys registered under a
// context path and a parent id. An id is one segment of a hot key's dotted path, so it must
// not contain ".".
class IHotKeyService
{
public:
    // The context path of hot keys whose actions live in a document widget.
    static constexpr const char WidgetChildContextPath[] = "actionWidget";

    virtual ~IHotKeyService() = default;

    // Registers a group, replacing one with the same id. A group without id is refused.
    virtual bool registerGroup(const HotKeyGroup &group) = 0;
    // The group of that id; an invalid group when there is none.
    virtual HotKeyGroup group(const QByteArray &id) const = 0;
    virtual QList<HotKeyGroup> groups() const = 0;

    // Registers a hot key, or redefines the one registered under the same context path,
    // parent and id (which keeps its actions). An empty id or one containing "." is refused
    // with an assertion report and gives null. The hot key belongs to the service.
    virtual HotKey *registerHotKey(const QByteArray &contextPath, const QByteArray &id,
                                   const QByteArray &parentId,
                                   const QList<QKeySequence> &sequences, const QString &text,
                                   const QString &description, const QByteArray &groupId,
                                   const HotKeyOptions &options) = 0;
    virtual HotKey *hotKey(const QByteArray &contextPath, const QByteArray &parentId,
                           const QByteArray &id) const = 0;
    // Every hot key in registration order.
    virtual QList<HotKey *> hotKeys() const = 0;

    // Those of sequences (in their order, empty ones ignored) that another hot key (one with
    // a different id) under the same context path and parent already uses.
    virtual QList<QKeySequence> takenSequences(const QByteArray &contextPath,
                                               const QByteArray &parentId, const QByteArray &id,
                                               const QList<QKeySequence> &sequences) const = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IHotKeyService, "com.quorvex.corvodesk.IHotKeyService/1.0")
