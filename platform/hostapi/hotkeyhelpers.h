#pragma once

#include "hostapi_global.h"
#include "hotkeyoptions.h"

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QString>

// Shortcuts to the application's hot-key service (ServiceLocator::instance()). Without the
// service each reports "hotKeyService != 0" and gives null or false.
namespace HostApi {

class HotKey;
class HotKeyAction;

// Registers (or redefines) a hot key under contextPath and gives the action made for it,
// which the service owns; null for an empty id or one containing ".".
HOSTAPI_EXPORT HotKeyAction *registerHotKey(const QByteArray &contextPath, const QByteArray &id,
                                            const QByteArray &parentId,
                                            const QList<QKeySequence> &sequences,
                                            const QString &text, const QString &description,
                                            const QByteArray &groupId,
                                            const HotKeyOptions &options = HotKeyOptions());
// The same under the context path of document widgets ("actionWidget").
HOSTAPI_EXPORT HotKeyAction *registerWidgetChildHotKey(const QByteArray &id,
                                                       const QByteArray &parentId,
                                                       const QList<QKeySequence> &sequences,
                                                       const QString &text,
                                                       const QString &description,
                                                       const QByteArray &groupId,
                                                       const HotKeyOptions &options
                                                       = HotKeyOptions());
// Fills taken with those of sequences that another widget-child hot key of the same parent
// already uses; true when there is any.
HOSTAPI_EXPORT bool isWidgetChildHotKeySequenceRegistered(const QByteArray &id,
                                                          const QByteArray &parentId,
                                                          const QList<QKeySequence> &sequences,
                                                          QList<QKeySequence> &taken);
// The widget-child hot key of that id and parent, or null.
HOSTAPI_EXPORT HotKey *widgetChildHotKey(const QByteArray &id, const QByteArray &parentId);

} // namespace HostApi
