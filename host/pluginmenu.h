#pragma once

#include <QByteArray>
#include <QMenu>

// The "Plug-ins" menu: one entry per registered document template, with its icon and the hot
// keys that open it.
class PluginMenu : public QMenu
{
    Q_OBJECT

public:
    explicit PluginMenu(QWidget *parent = nullptr);

    // Fills the menu from the document template service (after the module's init()).
    void rebuild();

signals:
    void openRequested(const QByteArray &templateId);
};
