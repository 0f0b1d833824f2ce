#pragma once

#include "contextobject.h"
#include "hostapi_global.h"
#include "ihotkeyactions.h"
#include "interactiveobject.h"

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QToolBar>
#include <QWidget>

class Document;

namespace HostApi {
class HotKeyAction;
class StyleTemplatesGui;
}

// The base of document widgets: the document's content, its object tree root
// (InteractiveObject), its context (ContextObject) and its standard hot-key actions.
// A derived widget's constructor calls initActions(); the virtual hooks let it take part in
// the standard actions and the document's activation.
class HOSTAPI_EXPORT ActionWidget : public QWidget, public InteractiveObject,
                                    public ContextObject, public IHotKeyActions
{
    Q_OBJECT

public:
    // Ids of the standard hot keys (widget children without a parent id).
    static constexpr const char PropertiesHotKeyId[] = "showPropertiesDialog";
    static constexpr const char CutHotKeyId[] = "cut";
    static constexpr const char CopyHotKeyId[] = "copy";
    static constexpr const char PasteHotKeyId[] = "paste";
    static constexpr const char SelectAllHotKeyId[] = "selectAll";
    static constexpr const char UndoHotKeyId[] = "undo";
    static constexpr const char RedoHotKeyId[] = "redo";
    static constexpr const char HelpHotKeyId[] = "showHelp";
    static constexpr const char RefreshHotKeyId[] = "refresh";

    explicit ActionWidget(Document *document, QWidget *parent = nullptr);
    // Leaves the document: it is no longer its widget or its document object.
    ~ActionWidget() override;

    // The host document the widget shows; null once it is destroyed.
    Document *document() const { return m_document; }

    // The widget's tool bar; not part of the widget's layout, the host places it. Owned by
    // the widget until the host gives it another parent.
    QToolBar *toolBar() const { return m_toolBar; }

    // The standard actions, made by initActions() and named by their hot-key ids; null for
    // other ids.
    HostApi::HotKeyAction *hotKeyAction(const QByteArray &id) const override;
    bool hotKeyRegistered(const QByteArray &id) const override;

    // The symbol the host's trading connector follows for this window.
    QByteArray tradingConnectorSymbol() const { return m_tradingConnectorSymbol; }
    void setTradingConnectorSymbol(const QByteArray &symbol);

    // The child that setDefaultFocus() gives the focus to; the widget itself when unset.
    QWidget *defaultFocusWidget() const;
    void setDefaultFocusWidget(QWidget *widget);

    // The name under which the host counts the window's use, and its help topic.
    QString statisticsCounterName() const { return m_statisticsCounterName; }
    void setStatisticsCounterName(const QString &name) { m_statisticsCounterName = name; }
    QString helpTag() const { return m_helpTag; }
    void setHelpTag(const QString &tag) { m_helpTag = tag; }

    // The document's style-template menu; null when its template has no style templates.
    HostApi::StyleTemplatesGui *styleTemplatesGui() const { return m_styleTemplatesGui; }

public slots:
    void setDefaultFocus();

signals:
    void tradingConnectorSymbolChanged(const QByteArray &symbol);
    // The standard "showPropertiesDialog" and "showHelp" actions were triggered.
    void propertiesDialogRequested();
    void helpRequested(const QString &helpTag);
    // ContextObject::contextChanged() was called.
    void documentContextChanged();

protected:
    // Registers the standard hot keys with the host when missing, creates the widget's
    // actions for them, chooses the style-template menu, then runs actionsInitialized().
    void initActions();

    // Hooks, in the host's order.
    virtual void actionsInitialized();
    virtual void documentActiveChanged(bool active);
    // The style-template menu of the document: by default one for the template's group.
    virtual HostApi::StyleTemplatesGui *selectStyleTemplatesGui();
    virtual void selectAllHook();
    virtual void copyHook();
    virtual void cutHook();
    virtual void pasteHook();
    virtual void clearHook();
    // Undo and redo on the widget's own undo stack.
    virtual void undo();
    virtual void redo();
    virtual void refreshHook();

    HostApi::StyleTemplatesGui *m_styleTemplatesGui = nullptr;

private:
    void triggerStandardAction(const QByteArray &id);

    QPointer<Document> m_document;
    QPointer<QToolBar> m_toolBar;
    QMap<QByteArray, HostApi::HotKeyAction *> m_hotKeyActions;
    QByteArray m_tradingConnectorSymbol;
    QPointer<QWidget> m_defaultFocusWidget;
    QString m_statisticsCounterName;
    QString m_helpTag;
};
