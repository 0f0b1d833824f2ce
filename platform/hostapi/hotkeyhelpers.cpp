#include "hotkeyhelpers.h"

#include "hotkey.h"
#include "ihotkeyservice.h"
#include "logservice.h"
#include "servicelocator.h"

namespace HostApi {

HotKeyAction *registerHotKey(const QByteArray &contextPath, const QByteArray &id,
                             const QByteArray &parentId, const QList<QKeySequence> &sequences,
                             const QString &text, const QString &description,
                             const QByteArray &groupId, const HotKeyOptions &options)
{
    IHotKeyService *hotKeyService = ServiceLocator::instance()->service<IHotKeyService>();
    HOSTAPI_ASSERT(hotKeyService != 0, return nullptr);
    HotKey *hotKey = hotKeyService->registerHotKey(contextPath, id, parentId, sequences, text,
                                                   description, groupId, options);
    return hotKey ? hotKey->action() : nullptr;
}

HotKeyAction *registerWidgetChildHotKey(const QByteArray &id, const QByteArray &parentId,
                                        const QList<QKeySequence> &sequences,
                                        const QString &text, const QString &description,
                                        const QByteArray &groupId, const HotKeyOptions &options)
{
    return registerHotKey(IHotKeyService::WidgetChildContextPath, id, parentId, sequences, text,
                          description, groupId, options);
}

bool isWidgetChildHotKeySequenceRegistered(const QByteArray &id, const QByteArray &parentId,
                                           const QList<QKeySequence> &sequences,
                                           QList<QKeySequence> &taken)
{
    taken.clear();
    IHotKeyService *hotKeyService = ServiceLocator::instance()->service<IHotKeyService>();
    HOSTAPI_ASSERT(hotKeyService != 0, return false);
    taken = hotKeyService->takenSequences(IHotKeyService::WidgetChildContextPath, parentId, id,
                                          sequences);
    return !taken.isEmpty();
}

HotKey *widgetChildHotKey(const QByteArray &id, const QByteArray &parentId)
{
    IHotKeyService *hotKeyService = ServiceLocator::instance()->service<IHotKeyService>();
    HOSTAPI_ASSERT(hotKeyService != 0, return nullptr);
    return hotKeyService->hotKey(IHotKeyService::WidgetChildContextPath, parentId, id);
}

} // namespace HostApi
