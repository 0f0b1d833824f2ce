#include "hotkeyaction.h"

#include "hotkey.h"
#include "ihotkeyservice.h"
#include "logservice.h"

#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace HostApi {

HotKeyAction::HotKeyAction(HotKey *hotKey, QObject *parent)
    : QAction(parent)
    , m_hotKey(hotKey)
{
    HOSTAPI_ASSERT(0 != hotKey, return);
    setText(hotKey->text());
    setStatusTip(hotKey->description());
    setIcon(hotKey->options().icon);
    if (!hotKey->options().text.isEmpty())
        setIconText(hotKey->options().text);
    setCheckable(hotKey->options().checkable);
    if (hotKey->contextPath() == IHotKeyService::WidgetChildContextPath)
        setShortcutContext(Qt::WidgetWithChildrenShortcut);
    updateShortcuts();
    connect(hotKey, &HotKey::changed, this, &HotKeyAction::updateShortcuts);
    connect(this, &QAction::changed, this, &HotKeyAction::updateToolTip);
}

HotKeyAction *HotKeyAction::createAction(QObject *parent) const
{
    return m_hotKey ? m_hotKey->createAction(parent) : nullptr;
}

void HotKeyAction::setAutoToolTip(bool enabled)
{
    if (enabled == m_autoToolTip)
        return;
    m_autoToolTip = enabled;
    if (enabled)
        updateToolTip();
    else
        setToolTip(QString());
}

void HotKeyAction::addToWidget(QWidget *widget)
{
    HOSTAPI_ASSERT(0 != widget, return);
    widget->addAction(this);
}

void HotKeyAction::addToToolBar(QToolBar *toolBar)
{
    HOSTAPI_ASSERT(0 != toolBar, return);
    toolBar->addAction(this);
}

void HotKeyAction::addToToolButton(QToolButton *button)
{
    HOSTAPI_ASSERT(0 != button, return);
    button->setDefaultAction(this);
}

void HotKeyAction::addToContextMenuActionList(ContextMenuActionList &list, int place)
{
    list.append(ContextMenuAction(this, false, place));
}

void HotKeyAction::updateShortcuts()
{
    if (m_hotKey)
        setShortcuts(m_hotKey->sequences());
}

// Runs on every change of the action; setting an equal tool tip emits nothing, which ends
// the recursion.
void HotKeyAction::updateToolTip()
{
    if (!m_autoToolTip)
        return;
    QString tip = text();
    tip.remove(QLatin1Char('&'));
    if (!shortcut().isEmpty())
        tip += QLatin1String(" (") + shortcut().toString(QKeySequence::NativeText)
            + QLatin1Char(')');
    if (tip != toolTip())
        setToolTip(tip);
}

HotKey *HotKeyAction::hotKey() const
{
    return m_hotKey.data();
}

} // namespace HostApi
