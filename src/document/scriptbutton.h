#pragma once

#include "scriptcontrol.h"

#include <QPointer>
#include <QStringList>

class QToolButton;

// A header button of type "Button", "ToggleButton" (checkable) or "MenuButton" (a menu of
// the document's actions, named by action). It shows a document action when its entry names
// one with "action"; otherwise "value" sets its checked state.
class ScriptButton : public ScriptControl
{
    Q_OBJECT
    Q_PROPERTY(bool value READ value WRITE setValue)
    Q_PROPERTY(QStringList action READ action WRITE setAction)

public:
    explicit ScriptButton(QObject *parent = nullptr);

    // reimplemented from ScriptControl; params: "id", "name" (the id when empty), "icon",
    // "tooltip", "type", "actions", "action", "value".
    void init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc) override;

    bool value() const;
    void setValue(bool checked);
    QStringList action() const { return m_action; }
    // Stores names and, on a menu button, rebuilds the menu from them ("-" is a separator).
    void setAction(const QStringList &names);

signals:
    void activated();

protected:
    QToolButton *button() const;
    ScriptDocument *document() const { return m_doc; }

private:
    // Shows the document's action name on the button.
    void attachAction(const QString &name);

    QPointer<ScriptDocument> m_doc;
    QStringList m_action;
};
