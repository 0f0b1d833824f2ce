#pragma once

#include <plugin/scriptpluginspec.h>

#include <contextmenuaction.h>
#include <iprintobjectsprovider.h>

#include <QByteArray>
#include <QByteArrayList>
#include <QMap>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class ContextData;
class Document;
class InteractiveObject;
class QAction;
class QMenu;
class QNetworkReply;
class QStyle;
class QWebView;
class ScriptContext;
class ScriptDatafeed;
class ScriptHeader;
class ScriptPlugin;
class ScriptPropertyContainer;
class ScriptWidget;
class WebInspectorWindow;

namespace HostApi {
class HotKeyAction;
class IOutputChannel;
class Printer;
class SymbolDragAndDrop;
}

// The module's side of one open web plug-in window, and the one scripting object every page
// of the window sees as "_quorvex_bridge". It is a child of the host document and builds the
// document widget with its web view, the actions and menus, the datafeed, and loads the
// plug-in's entry page. Script-caused failures become output-log lines ("bridge: …"), never
// exceptions; programming errors become assertion reports.
class ScriptDocument : public QObject, public HostApi::IPrintObjectsProvider
{
    Q_OBJECT
    Q_PROPERTY(QStringList mainMenuActions READ mainMenuActions WRITE setMainMenuActions)
    Q_PROPERTY(QStringList contextMenuActions READ contextMenuActions WRITE setContextMenuActions)
    Q_PROPERTY(QObjectList actions READ actions)
    Q_PROPERTY(QObjectList commands READ commands)
    Q_PROPERTY(QObject *header READ header)
    Q_PROPERTY(QObject *datafeed READ datafeed)
    Q_PROPERTY(QObject *objects READ objects)
    Q_PROPERTY(bool isWindowActive READ isWindowActive WRITE setWindowActive
               NOTIFY onWindowActiveChanged)
    Q_PROPERTY(QString apiVersion READ apiVersion)
    Q_PROPERTY(QString pluginVersion READ pluginVersion)
    Q_PROPERTY(QString theme READ theme)
    Q_PROPERTY(QString readyStatus READ readyStatus WRITE setReadyStatus)
    Q_PROPERTY(QString readyStatusText READ readyStatusText WRITE setReadyStatusText)
    Q_PROPERTY(QString documentDesc READ documentDesc WRITE setDocumentDesc)
    Q_PROPERTY(QString windowTitle READ windowTitle WRITE setWindowTitle)

public:
    // An action a script or a menu names: a hot-key action, a plain action, or both.
    struct ActionEntry
    {
        QPointer<HostApi::HotKeyAction> hotkey;
        QPointer<QAction> qaction;
    };

    // The script interface's version, "1.0".
    static constexpr int ApiMajor = 1;
    static constexpr int ApiMinor = 0;

    // Builds everything and starts loading the entry page. The plug-in must outlive the
    // document; doc becomes the parent.
    ScriptDocument(ScriptPlugin *plugin, Document *doc, const ScriptPluginSpec &spec);
    // Deletes the inspector window, the view actions and the widget, if the host has not.
    ~ScriptDocument() override;

    // Adds object to the main frame's window object under name; the page never deletes it.
    void appendScriptObject(const QString &name, QObject *object);
    // Makes action reachable by name; false, with an output-log line, when the name is taken.
    bool registerAction(const QString &name, HostApi::HotKeyAction *action);
    // Makes the style-template menu reachable as "styletemplatemenu".
    void registerStyleTemplateMenu(QAction *menuAction);
    // Titles the document's property dialog and lists its property pages on object.
    void initPropertyPages(InteractiveObject *object);
    // Fills the context the page takes with takeCreationContext().
    void setCreationContext(const ContextData &context);

    // The action registered under name, or null.
    const ActionEntry *findAction(const QString &name) const;
    // Fills menu with the named actions ("-" is a separator); unknown names are logged.
    void buildMainMenu(QMenu *menu, const QStringList &names);
    // The context-menu entries of contextMenuActions; unknown names are logged.
    ContextMenuActionList buildContextMenu();
    // The host asks for the document's context: the page fills it (initContextData).
    void writeContextData(ContextData *context);
    // The host builds a context menu for context: the page sees it (initContextMenu), then
    // the entries of contextMenuActions are returned.
    ContextMenuActionList contextMenuFor(const ContextData &context);

    QStringList mainMenuActions() const { return m_mainMenuActions; }
    void setMainMenuActions(const QStringList &names);
    QStringList contextMenuActions() const { return m_contextMenuActions; }
    void setContextMenuActions(const QStringList &names) { m_contextMenuActions = names; }
    QObjectList actions() const;
    QObjectList commands() const;
    QObject *header() const;
    QObject *datafeed() const;
    QObject *objects() const;
    bool isWindowActive() const;
    void setWindowActive(bool) {}
    QString apiVersion() const;
    QString pluginVersion() const;
    QString theme() const;
    QString readyStatus() const;
    void setReadyStatus(const QString &status);
    QString readyStatusText() const;
    void setReadyStatusText(const QString &text);
    QString documentDesc() const;
    void setDocumentDesc(const QString &description);
    QString windowTitle() const;
    void setWindowTitle(const QString &title);

    // reimplemented from QObject: pages may call deleteLater() on the bridge, the contexts,
    // the property objects, the commands and the header with its controls, which the document
    // owns; such deletions are refused with an output-log line naming the object.
    bool eventFilter(QObject *watched, QEvent *event) override;

    // reimplemented from HostApi::IPrintObjectsProvider
    QList<QWidget *> printObjects() const override;
    HostApi::PrintOptions printOptions() const override;

    const ScriptPluginSpec &spec() const { return m_spec; }
    ScriptPlugin *plugin() const { return m_plugin; }
    Document *hostDocument() const { return m_doc; }
    HostApi::IOutputChannel *logChannel() const { return m_log; }
    ScriptWidget *widget() const;
    QWebView *view() const;
    WebInspectorWindow *inspector() const { return m_inspector.get(); }
    ScriptDatafeed *scriptDatafeed() const { return m_datafeed; }
    // The header controls; null once the widget, their parent, is destroyed.
    ScriptHeader *scriptHeader() const;
    // The document template's key, "webplugin_<id>".
    QByteArray templateKey() const;
    // The widget calls it while it is destroyed: deletes the web view and the inspector, and
    // forgets the menus that go with the widget.
    void widgetDestroyed();

signals:
    void symbolLinkingChanged(QString symbol);
    void symbolDrop(QStringList symbols);
    void initContextData(QObject *context);
    void initContextMenu(QObject *context);
    void onWindowActiveChanged(bool active);

public slots:
    void showWebInspector();
    void setSymbolLinking(QString symbol);
    void notifyContextChanged();
    void outScriptErr(QString e);
    void outScriptWarn(QString e);
    bool isFeatureEnabled(QString feature);
    bool isFeatureQuorvexApp(QString feature);
    QString translateSymbol(QString symbol);
    QObject *takeCreationContext();
    void openUrl(QString url);
    void log(QString text, int severity);
    void log(QString text);
    void showFakeMenu(int x, int y);
    void refresh();

// Slots that only the document connects: private, so that pages do not see them.
private slots:
    void handleTriggeredMenuAction();
    void onSymbolLinkingChanged(const QByteArray &symbol);
    void repopulateWebView();
    void updateWebViewActions();
    void unsupportedContent(QNetworkReply *reply);
    void downloadRequested(const QNetworkRequest &request);
    void setViewStatus(const QString &message);
    void setViewStarted();
    void setViewProgress(int progress);
    void setViewFinished(bool success);
    void printView(HostApi::Printer *printer);
    void onDropSymbol(const QByteArray &symbol);

private:
    void initAll();
    void initWidget();
    void initView();
    void initActions();
    void initMainMenu();
    void initCommands();
    void initObjects();
    void initHeader();
    // Made when the page first shows it: few pages do.
    void initFakeContextMenu();
    void rebuildMainMenu();
    // The action a menu names; null, with the "error building menu" line, when undefined.
    const ActionEntry *menuEntry(const QString &name);
    // The document's action of a hot key of its template, added to the widget and its tool
    // bar and connected to slot of slotObj; null when the hot key is not registered.
    std::unique_ptr<HostApi::HotKeyAction> createAction(const QByteArray &hotKeyId,
                                                        const QString &iconPath,
                                                        QObject *slotObj, const char *slot);
    QStyle *themeStyle() const;
    // Gives value, a bridge property's; the page's first read of the property since the
    // bridge was set up guards the signals of the objects in value.
    template <typename Value>
    Value guardedOnFirstRead(const char *property, const Value &value) const;
    void logLine(const QString &message, const QString &detail) const;
    // With the developer feature: a message of the page's console (a QWebPage::MessageLevel)
    // or an uncaught error, as a plug-in output line with its script and line.
    void forwardConsoleMessage(int level, const QString &message, int line,
                               const QString &source) const;
    // A URL of a bundle file as its name in the bundle ("js/app.js"); others unchanged.
    QString bundleName(const QString &url) const;
    // Shows in the window's status that page could not be loaded.
    void showLoadFailure(const QString &page);

    ScriptPluginSpec m_spec;
    ScriptPlugin *m_plugin;
    QPointer<ScriptHeader> m_header;
    QPointer<ScriptWidget> m_widget;
    HostApi::IOutputChannel *m_log;
    const QString m_outputSource;
    ScriptContext *m_contextData;
    QPointer<ScriptContext> m_creationContext;
    ScriptDatafeed *m_datafeed;
    Document *m_doc;
    QMenu *m_mainMenu = nullptr;
    QPointer<QWebView> m_view;
    std::unique_ptr<WebInspectorWindow> m_inspector;
    std::unique_ptr<HostApi::HotKeyAction> m_inspectorAction;
    std::unique_ptr<HostApi::HotKeyAction> m_forwardAction;
    std::unique_ptr<HostApi::HotKeyAction> m_backAction;
    QMap<QString, ActionEntry> m_actions;
    // The bridge's properties holding objects that the page has not read yet: their signals
    // are guarded on its first read of each.
    mutable QByteArrayList m_unguardedMembers;
    QObjectList m_commands;
    QStringList m_mainMenuActions;
    QStringList m_contextMenuActions;
    ScriptPropertyContainer *m_objects = nullptr;
    HostApi::SymbolDragAndDrop *m_dragAndDrop = nullptr;
    QMenu *m_fakeMenu = nullptr;
};
