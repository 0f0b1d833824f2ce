#pragma once

#include "contextmenuaction.h"
#include "hostapi_global.h"

#include <QAction>
#include <QPointer>

class QToolBar;
class QToolButton;

namespace HostApi {

class HotKey;

// An action of a registered hot key: its shortcuts are the hot key's key sequences and follow
// their changes; text, icon and checkability start from the hot key and may be changed.
class HOSTAPI_EXPORT HotKeyAction : public QAction
{
    Q_OBJECT

public:
    explicit HotKeyAction(HotKey *hotKey, QObject *parent = nullptr);

    // Null once the hot key is gone.
    HotKey *hotKey() const;
    // Another action of the same hot key, owned by parent; null once the hot key is gone.
    HotKeyAction *createAction(QObject *parent = nullptr) const;

    // When on, the tool tip is the text followed by the first shortcut: "Back (Alt+Left)".
    bool autoToolTip() const { return m_autoToolTip; }
    void setAutoToolTip(bool enabled);

    void addToWidget(QWidget *widget);
    // As a button of the tool bar.
    void addToToolBar(QToolBar *toolBar);
    void addToToolButton(QToolButton *button);
    void addToContextMenuActionList(ContextMenuActionList &list, int place);

private:
    void updateShortcuts();
    void updateToolTip();

    QPointer<HotKey> m_hotKey;
    bool m_autoToolTip = false;
};

} // namespace HostApi
