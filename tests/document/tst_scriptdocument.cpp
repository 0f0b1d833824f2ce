// The document as pages and the host see it: real pages in the web engine call every slot and
// property of _quorvex_bridge, activate its commands and write to their console; the test reads
// what reached the host document and its window, the undo stack and the logs.
#include "documentfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptwidget.h>
#include <document/webinspectorwindow.h>
#include <plugin/scriptplugin.h>
#include <scriptdatafeed/requesterdatafeedhandler.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <application.h>
#include <contextdata.h>
#include <contextmenu.h>
#include <document.h>
#include <hotkeyaction.h>
#include <itradingservice.h>
#include <linkingsignal.h>
#include <printer.h>
#include <servicelocator.h>
#include <settings.h>
#include <styletemplatesgui.h>
#include <symboldraganddrop.h>
#include <themestyle.h>

#include <request.h>
#include <requester.h>
#include <testbackend.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QNetworkReply>
#include <QTimer>
#include <QUndoStack>
#include <QWebFrame>
#include <QWebInspector>
#include <QWebSettings>
#include <QWebView>
#include <QtTest>

namespace {

struct PingRequest : FeedApi::Request
{
};

// A datafeed handler of type "ping" whose requests run until stopped.
class PingDatafeedHandler : public RequesterDatafeedHandler
{
public:
    PingDatafeedHandler()
        : RequesterDatafeedHandler(QStringLiteral("ping"), ErrorDetail::CodeOnly) {}

    bool startRequest(const QString &rid, const QVariantMap &request) override
    {
        if (refuseDuplicate(rid))
            return false;
        startRequester(rid, request, new FeedApi::Requester(PingRequest()));
        return true;
    }
};

// Records the bridge's signals and every command's redo and undo ("<id>:<signal>:<value as
// JSON>") in window.events.
const QByteArray recorder =
    "<script>\n"
    "var b = _quorvex_bridge; window.events = [];\n"
    "b.symbolLinkingChanged.connect(function (s) { events.push('link:' + s); });\n"
    "b.symbolDrop.connect(function (l) { events.push('drop:' + l.join(',')); });\n"
    "b.onWindowActiveChanged.connect(function (a) { events.push('active:' + a); });\n"
    "b.initContextData.connect(function (c) { c.symbol = window.nextSymbol || '';"
    " c.symbolListTitle = window.nextTitle || ''; events.push('data'); });\n"
    "b.initContextMenu.connect(function (c) { events.push('menu:' + c.symbol + '|'"
    " + c.symbolListTitle + '|' + c.symbolList.join(',')); });\n"
    "b.commands.forEach(function (c) {\n"
    "  c.redo.connect(function (v) { events.push(c.id + ':redo:' + JSON.stringify(v)); });\n"
    "  c.undo.connect(function (v) { events.push(c.id + ':undo:' + JSON.stringify(v)); });\n"
    "});\n"
    "</script>\n";

// Console pages; page() puts the body from line 5 on.
const struct ConsolePage
{
    const char *id;
    QByteArray body;
    FileMap scripts;
    QStringList forwarded;
    const char *evaluate = nullptr;  // run in the page once it has loaded
} consolePages[] = {
    {"log", "<script>function hello() {\n  console.log('hello');\n}\nhello();</script>", {},
     {QStringLiteral("log: hello, index.html:6")}},
    {"levels", "<script src=\"js/app.js\"></script>",
     {{QStringLiteral("js/app.js"),
       "function report() {\n  console.error('no data for ' + 'IBM');\n  console.warn('slow');\n"
       "  console.info('info');\n}\nreport();\n"}},
     {QStringLiteral("levels: error: no data for IBM, js/app.js:2"),
      QStringLiteral("levels: warning: slow, js/app.js:3"), QStringLiteral("levels: info, js/app.js:4")}},
    {"syntax", "<script src=\"js/broken.js\"></script>", {{QStringLiteral("js/broken.js"), "var settings = {;\n"}},
     {QStringLiteral("syntax: error: SyntaxError: Unexpected token ';'. Expected a property name., js/broken.js:1")}},
    {"uncaught", "<script>function boom() {\n  null.x = 1;\n}\nboom();</script>", {},
     {QStringLiteral("uncaught: error: TypeError: null is not an object (evaluating 'null.x = 1'), index.html:6")}},
    {"later", "<script>\nsetTimeout(function () { throw new RangeError('late'); }, 10);</script>", {},
     {QStringLiteral("later: error: RangeError: late, index.html:6")}},
    // Scripts that are not the page's own have no place.
    {"evaluated", "", {}, {QStringLiteral("evaluated: error: from the host, unknown place")},
     "console.error('from the host')"},
};

class TradingService : public QObject, public Trade::ITradingService
{
    Q_OBJECT
    Q_INTERFACES(Trade::ITradingService)

public:
    bool isConnected() const override { return false; }
};

const QByteArray links =
    "<a id='web' href='http://example.invalid/x'>web</a>\n"
    "<a id='local' href='http://127.0.0.1:9/'>local</a>\n"
    "<a id='bundle' href='other.html'>bundle</a>\n"
    "<a id='smb' href='smb://server/share'>share</a>\n"
    "<a id='zip' href='archive.zip'>archive</a>\n";

FileMap navigationBundle(const QString &id, const QByteArray &more)
{
    return {{QStringLiteral("plugin.spec"), manifest(id, more)},
            {QStringLiteral("index.html"), page(links)},
            {QStringLiteral("other.html"), "<html><head><title>other</title></head><body>other</body></html>"},
            {QStringLiteral("archive.zip"), QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10) + QByteArray(4096, '\x7f')}};
}

const QString backAction = QStringLiteral(
    "_quorvex_bridge.actions.filter(function (a) { return a.objectName === 'backHotKeyId'; })[0]");

// Whether back and forward are enabled ("none" when the action is missing), as the page sees them.
QString historyState(const OpenDocument &open)
{
    return open.eval(QStringLiteral("['backHotKeyId', 'forwardHotKeyId'].map(function (n) {"
                                    " var a = _quorvex_bridge.actions.filter(function (x) { return x.objectName === n; })[0];"
                                    " return a ? a.enabled : 'none'; }).join(',')")).toString();
}

QStringList events(const OpenDocument &open)
{
    return open.eval(QStringLiteral("events")).toStringList();
}

QString bridgeLine(const QString &message, const QString &detail)
{
    return QStringLiteral("bridge: ") + message + QStringLiteral(", ") + detail;
}

QStringList refused(const char *object)
{
    return {bridgeLine("failed to delete object", QStringLiteral("'%1' belongs to the document").arg(object))};
}

} // namespace

class tst_ScriptDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void bridge_data();
    void bridge();
    void commands_data();
    void commands();
    void console_data();
    void console();
    void reloadStopsRequestsAndAddsBridgeAgain();
    void styleTemplateMenu();
    void log_data();
    void log();
    void symbolDrop_data();
    void symbolDrop();
    void fakeMenu();
    void refresh_data();
    void refresh();
    void navigation_data();
    void navigation();
    void loadProgress();
    void unsupportedContent();
    void printing();
    void forwardBack();
    void inspector();
    void activationFocusesView();
    void widgetDestroyedFirst();

private:
    PluginFixture m_fixture;
    QStringList m_opened;   // URLs handed to the host
};

void tst_ScriptDocument::initTestCase()
{
    m_fixture.addBundle(QStringLiteral("bridge"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("bridge"),
            "features: [\"alerts\"], isQuorvexApp: true, supportSymbolLinking: true,"
            " supportSymbolDrop: true, supportOrderPositionMenu: true,"
            " actions: { zoom: { name: \"Zoom\", hotkeys: \"Ctrl+Shift+Z\", isCheckable: true },"
            " copy: { name: \"My Copy\", hotkeys: \"Ctrl+C\" } },")},
        {QStringLiteral("index.html"), page(recorder)}});
    m_fixture.addBundle(QStringLiteral("plain"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("plain"), "supportStyleTemplates: false,")},
        {QStringLiteral("index.html"), page()}});
    m_fixture.addBundle(QStringLiteral("noentry"), {{QStringLiteral("plugin.spec"), manifest(QStringLiteral("noentry"))}});
    m_fixture.addBundle(QStringLiteral("cmds"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("cmds"),
            "objects: { look: { width: { type: \"int\", default: 1, undoText: \"Change width\" } } },"
            " commands: { edit: { undoText: \"Edit value\" }, plain: {},"
            " width: { bind: \"objects.look.width\", undoText: \"Width by command\" },"
            " ghost: { bind: \"objects.look.none\", undoText: \"Ghost\" } },")},
        {QStringLiteral("index.html"), page(recorder)}});
    const std::pair<const char *, QByteArray> navigation[] = {
        {"stay", "supportRedirectToExternalLinks: false,"}, {"follow", QByteArray()},
        {"history", "supportForwardBack: true,"}, {"own", "supportOwnTheme: true, disableWebSecurity: true,"}};
    for (const auto &[id, more] : navigation)
        m_fixture.addBundle(QLatin1String(id), navigationBundle(QLatin1String(id), more));
    m_fixture.addBundle(QStringLiteral("pages"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("pages"),
            "supportStyleTemplates: false, supportDefaultConnections: true, propertyPages: { general: { name: \"General\" },"
            " colors: { name: \"Colors\" } },")},
        {QStringLiteral("index.html"), page()}});
    for (const ConsolePage &console : consolePages) {
        FileMap files = console.scripts;
        files.insert(QStringLiteral("plugin.spec"), manifest(QLatin1String(console.id)));
        files.insert(QStringLiteral("index.html"), page(console.body));
        m_fixture.addBundle(QLatin1String(console.id), files);
    }
    m_fixture.start();
    Application::instance()->settings()->setValue(QStringLiteral("features/webplugin.bridge.alerts"), true);
    connect(Application::instance(), &Application::urlOpenRequested, this,
            [this](const QUrl &url) { m_opened << url.toString(); });
}

void tst_ScriptDocument::init()
{
    PluginFixture::setDeveloperFeature(true);
    PluginFixture::takeOutput();
    m_opened.clear();
}

void tst_ScriptDocument::bridge_data()
{
    QTest::addColumn<QString>("id");         // the plug-in, then "/<step>" the host takes first, see bridge()
    QTest::addColumn<QString>("script");     // run with "b" as _quorvex_bridge
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("host");       // "<probe>:<what the host shows>", the probes in bridge()
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    const QString set = QStringLiteral("b.%1 = 'Quotes \\u00e9 \"1\"'; b.%1");
    const QString text = QStringLiteral("Quotes \u00e9 \"1\"");
    const QString menu = QStringLiteral("b.mainMenuActions = ['zoom']; b.mainMenuActions = %1; JSON.stringify(b.mainMenuActions)");
    const auto unsupported = [](const QString &url) { return QStringList{bridgeLine("failed to open url", "unsupported url: " + url)}; };
    const auto sorted = [](QStringList names) { names.sort(); return names.join(QLatin1Char(',')); };
    const QStringList inherited{"deleteLater()", "destroyed()", "destroyed(QObject*)", "objectNameChanged(QString)"};
    const QString functions = QStringLiteral("var o = %1, f = []; for (var k in o) if (typeof o[k] == 'function') f.push(k);"
                                             " f.sort().join()");

    // The page's first script already finds the bridge; a manifest without commands, header
    // controls or objects gives empty ones.
    QTest::newRow("bridge-at-first-script") << "bridge" << "bridgeAtStart" << "1.0" << "" << none;
    QTest::newRow("empty-objects") << "bridge" << "[b.datafeed.username, b.commands, b.header, b.objects].map(JSON.stringify).join(';')"
        << "\"\";[];{\"objectName\":\"\",\"controls\":[]};{\"objectName\":\"objects\",\"objects\":[]}" << "" << none;
    // Each member's signals are guarded on the page's first read: they share the guard's connect.
    QTest::newRow("members-guarded") << "cmds" << "var g = b.symbolDrop.connect; [b.actions[0].triggered,"
        " b.commands[0].undo, b.datafeed.response, b.datafeed.formatter.settingsChanged,"
        " b.objects.objects[0].objects[0].changed].map(function (s) { return s.connect === g; }).join()"
        << "true,true,true,true,true" << "" << none;
    QTest::newRow("pluginVersion") << "bridge" << "b.pluginVersion" << "2.5" << "" << none;
    QTest::newRow("theme") << "bridge" << "b.theme" << "black" << "" << none;
    QTest::newRow("apiVersion-not-written") << "bridge" << "b.apiVersion = '9.9'; b.apiVersion" << "1.0" << "" << none;
    QTest::newRow("feature-enabled") << "bridge" << "b.isFeatureEnabled('alerts')" << "true" << "" << none;
    QTest::newRow("feature-capitals-asked-lower") << "bridge" << "b.isFeatureEnabled('ALERTS')" << "true" << "" << none;
    QTest::newRow("feature-unregistered") << "bridge" << "b.isFeatureEnabled('trading')" << "false" << "" << none;
    QTest::newRow("feature-empty-asks-plugin-key") << "bridge" << "b.isFeatureEnabled('')" << "false" << "" << none;
    QTest::newRow("quorvex-app-flag") << "bridge" << "b.isFeatureQuorvexApp('anything')" << "true" << "" << none;
    QTest::newRow("translateSymbol") << "bridge" << "b.translateSymbol('  es   h4 ')" << "ES H4" << "" << none;

    QTest::newRow("creation-context-taken-once") << "plain/context" << "var c = b.takeCreationContext(); [c.symbol,"
        " c.symbolListTitle, c.symbolList.join(','), c.containsSymbol(), c.containsSymbolList(), b.takeCreationContext() === null,"
        " c.symbol].join(';')" << "ES H4;Futures;ES H4,NQ H4;true;true;true;ES H4" << "" << none;
    // Documents in one link group follow each other's symbol; the sender hears nothing back.
    QTest::newRow("symbol-linking") << "bridge/linked" << "b.setSymbolLinking('MSFT'); b.setSymbolLinking(''); events.join()"
                                    << "" << "linked:link:MSFT;;MSFT" << none;
    // The page reads the window's state and cannot change it.
    QTest::newRow("window-active") << "bridge/active" << "var a = b.isWindowActive; b.isWindowActive = false; a + ';' + events"
                                   << "true;active:true" << "active:1" << none;
    QTest::newRow("window-deactivated") << "bridge/toggled" << "b.isWindowActive + ';' + events" << "false;active:true,active:false"
                                        << "active:0" << none;

    // The host's context: what the page writes into it, the entries of its context menu, a change.
    QTest::newRow("context-data") << "bridge" << "nextSymbol = 'IBM'; nextTitle = 'Watch'; ''" << "" << "context:IBM;Watch;1;1" << none;
    QTest::newRow("context-menu") << "bridge" << "b.contextMenuActions = ['zoom', '-', 'gone', 'undo']; ''" << ""
        << "contextMenu:zoom,-,undo;menu:|Tech|AAPL,MSFT" << QStringList{bridgeLine("error building menu", "action gone is not defined")};
    QTest::newRow("context-changed") << "bridge" << "b.notifyContextChanged()" << "" << "changed:1" << none;
    // A right click shows the host's menu of the page's entries, and nothing when there are none.
    QTest::newRow("popup-entries") << "plain" << "b.contextMenuActions = ['undo', '-', 'redo']; ''" << "" << "popup:Undo,-,Redo" << none;
    QTest::newRow("popup-none") << "plain" << "b.contextMenuActions = []; ''" << "" << "popup:none" << none;
    // The widget joins the host's object tree as the document object and lists the pages.
    QTest::newRow("property-pages") << "pages" << "" << "" << "pages:webplugin_pages_colors,webplugin_pages_general;1" << none;
    QTest::newRow("property-pages-trading") << "pages/trading" << "" << ""
        << "pages:webplugin_pages_colors,webplugin_pages_general,DocumentDefaultConnectionsPage;1" << none;
    // The view's theme and security; back and forward enabled ("none" without the action); the
    // inspector action, with the developer feature only.
    QTest::newRow("host-theme") << "stay" << "" << "" << "view:1,1,1,none,none" << none;
    QTest::newRow("own-theme-no-security-user") << "own/user" << "" << "" << "view:0,0,0,none,none" << none;
    QTest::newRow("forward-back") << "history" << "" << "" << "view:1,1,1,false,false" << none;
    // Called without the object they serve, the widget's two slots report and change nothing.
    QTest::newRow("slots-without-their-object") << "pages" << "" << ""
        << "slots:m_symbolControl && \"Must not be called if m_symbolControl was not set\"|m_styleTemplatesGui;" << none;
    // Built-in, manifest and style-template actions in ascending order of their names. A
    // manifest action named like a built-in one is refused; the built-in entry stays.
    QTest::newRow("actions-in-name-order") << "bridge" << "b.actions.map(function (a) { return a.objectName; }).join()"
        << "copy,cut,showHelp,paste,showPropertiesDialog,redo,refresh,selectAll,,undo,zoom"
        << "actions:1;" + bridgeLine("failed to create action", "action 'copy' already existed") << none;
    QTest::newRow("built-in-action-kept") << "bridge" << "b.actions[0].text" << "Copy" << "" << none;
    QTest::newRow("checkable-action") << "bridge" << "var z = b.actions.filter(function (a) { return a.objectName === 'zoom'; })[0],"
        " seen = []; z.triggered.connect(function (c) { seen.push(c); }); z.trigger(); z.trigger(); seen + ';' + z.enabled"
        << "true,false;true" << "" << none;

    // Texts go to the host document and read back from there; the description is also the
    // task bar's title.
    QTest::newRow("windowTitle") << "plain" << set.arg("windowTitle") << text << "title:" + text << none;
    QTest::newRow("readyStatusText") << "plain" << set.arg("readyStatusText") << text << "statusText:" + text << none;
    QTest::newRow("documentDesc") << "plain" << set.arg("documentDesc") << text << "desc:" + text + text << none;
    // The host document starts each row "initializing".
    QTest::newRow("ready") << "plain" << "b.readyStatus = 'ready'; b.readyStatus" << "ready" << "status:1" << none;
    QTest::newRow("error") << "plain" << "b.readyStatus = 'error'; b.readyStatus" << "error" << "status:2" << none;
    QTest::newRow("noStatus") << "plain" << "b.readyStatus = 'noStatus'; b.readyStatus" << "noStatus" << "status:3" << none;
    QTest::newRow("capital-refused") << "plain" << "b.readyStatus = 'Ready'; b.readyStatus" << "initializing" << "status:0"
                                     << QStringList{bridgeLine("'setReadyStatus' failed", "wrong status: Ready")};

    QTest::newRow("menu-entries") << "bridge" << menu.arg("['copy', '-', 'paste']") << "[\"copy\",\"-\",\"paste\"]"
                                  << "menu:Name of bridge:Copy,-,Paste" << none;
    QTest::newRow("menu-empty") << "bridge" << menu.arg("[]") << "[]" << "menu:none" << none;
    QTest::newRow("menu-unknown") << "bridge" << menu.arg("['nosuch', 'zoom', 'other']") << "[\"nosuch\",\"zoom\",\"other\"]"
        << "menu:Name of bridge:Zoom" << QStringList{bridgeLine("error building menu", "action nosuch is not defined"),
                                                     bridgeLine("error building menu", "action other is not defined")};

    // Only web and mail addresses are handed to the host; anything else is refused with a line.
    QTest::newRow("url-https") << "plain" << "b.openUrl('https://example.com/a?b=1')" << "" << "opened:https://example.com/a?b=1"
                               << none;
    QTest::newRow("url-http-capitals") << "plain" << "b.openUrl('HTTP://example.com/')" << "" << "opened:http://example.com/" << none;
    QTest::newRow("url-mailto") << "plain" << "b.openUrl('mailto:desk@example.com')" << "" << "opened:mailto:desk@example.com" << none;
    QTest::newRow("url-local-file") << "plain" << "b.openUrl('file:///etc/passwd')" << "" << "opened:"
                                    << unsupported("file:///etc/passwd");
    QTest::newRow("url-relative") << "plain" << "b.openUrl('page.html')" << "" << "opened:" << unsupported("page.html");
    QTest::newRow("url-script") << "plain" << "b.openUrl('javascript:alert(1)')" << "" << "opened:" << unsupported("javascript:alert(1)");

    QTest::newRow("script-output") << "plain" << "b.outScriptErr('bad thing'); b.outScriptWarn('odd thing')" << "" << ""
                                   << QStringList{"plain: bad thing, ", "plain: odd thing, "};

    // Every function a page sees on the bridge and on a context: the script interface and what
    // every object has, nothing the document only connects for itself.
    QTest::newRow("bridge-functions") << "plain" << functions.arg("b") << sorted(QStringList{
        "initContextData(QObject*)", "initContextMenu(QObject*)", "isFeatureEnabled(QString)", "isFeatureQuorvexApp(QString)",
        "log(QString)", "log(QString,int)", "notifyContextChanged()", "onWindowActiveChanged(bool)", "openUrl(QString)",
        "outScriptErr(QString)", "outScriptWarn(QString)", "refresh()", "setSymbolLinking(QString)", "showFakeMenu(int,int)",
        "showWebInspector()", "symbolDrop(QStringList)", "symbolLinkingChanged(QString)", "takeCreationContext()",
        "translateSymbol(QString)"} + inherited) << "" << none;
    QTest::newRow("context-functions") << "plain" << functions.arg("b.takeCreationContext()")
                                       << sorted(QStringList{"containsSymbol()", "containsSymbolList()"} + inherited) << "" << none;

    // A page cannot delete what the document owns: the deletion is refused and reported.
    QTest::newRow("delete-bridge") << "plain" << "b.deleteLater()" << "" << "" << refused("_quorvex_bridge");
    QTest::newRow("delete-creation-context") << "plain" << "b.takeCreationContext().deleteLater()" << "" << "" << refused("context");
    QTest::newRow("delete-exchanged-context") << "plain" << "b.initContextData.connect(function (c) { c.deleteLater(); }); ''"
                                              << "" << "" << refused("context");
    QTest::newRow("delete-datafeed") << "plain" << "b.datafeed.deleteLater()" << "" << "" << refused("datafeed");
    QTest::newRow("delete-formatter") << "plain" << "b.datafeed.formatter.deleteLater()" << "" << "" << refused("formatter");
}

// Host steps: "user" opens the document with the developer feature off, "trading" with a
// trading service, "active" activates the document, "toggled" activates and deactivates it,
// "context" applies a creation context, "linked" opens two more documents and links one of
// them with this one. After each script the host asks for the context twice around pending
// deletions; the document survives whatever the page did and goes on answering.
void tst_ScriptDocument::bridge()
{
    QFETCH(QString, id);
    QFETCH(QString, script);
    QFETCH(QString, result);
    QFETCH(QString, host);
    QFETCH(QStringList, output);

    const QString step = id.section(QLatin1Char('/'), 1);
    HostApi::ServiceLocator *locator = HostApi::ServiceLocator::instance();
    TradingService trading;
    PluginFixture::setDeveloperFeature(step != QLatin1String("user"));
    if (step == QLatin1String("trading"))
        locator->registerService<Trade::ITradingService>(&trading);
    const OpenDocument open = m_fixture.open(id.section(QLatin1Char('/'), 0, 0));
    locator->unregisterService<Trade::ITradingService>();
    const QStringList opening = PluginFixture::takeOutput();
    Document *doc = open.document.get();
    ScriptWidget *widget = open.script->widget();
    doc->setStatus(Document::StatusInitializing);
    doc->setActive(step == QLatin1String("active") || step == QLatin1String("toggled"));
    if (step == QLatin1String("toggled"))
        doc->setActive(false);
    std::vector<OpenDocument> others;
    if (step == QLatin1String("context")) {
        ContextData context;
        context.setSymbolContext("ES H4");
        context.setSymbolListContext(SymbolListContext(QStringLiteral("Futures"), {"ES H4", "NQ H4"}));
        m_fixture.plugin()->applyContext(doc, &context);
    } else if (step == QLatin1String("linked")) {
        others.push_back(m_fixture.open(QStringLiteral("bridge")));
        others.push_back(m_fixture.open(QStringLiteral("bridge")));
        doc->symbolLinking()->setGroup(1);
        others.front().document->symbolLinking()->setGroup(1);
        PluginFixture::takeOutput();
    }
    QSignalSpy contextChanged(widget, &ActionWidget::documentContextChanged);
    QCOMPARE(open.eval(QStringLiteral("var b = _quorvex_bridge; ") + script).toString(), result);
    const QPointer<ScriptDocument> document = open.script;
    ContextData context;
    open.script->writeContextData(&context);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(document);
    open.script->writeContextData(&context);
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.apiVersion")).toString(), QStringLiteral("1.0"));

    const auto texts = [](const QList<QAction *> &actions) {
        QStringList result;
        for (const QAction *action : actions)
            result << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return result.join(QLatin1Char(','));
    };
    // The context menu the host shows on a right click; "none" when it shows none.
    const auto popup = [&]() -> QString {
        qRegisterMetaType<QMenu *>();
        QSignalSpy menus(HostApi::ContextMenu::instance(), &HostApi::ContextMenu::menuShown);
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(50, 50));
        QApplication::sendEvent(widget, &event);
        auto *menu = menus.isEmpty() ? nullptr : menus.first().first().value<QMenu *>();
        const QString shown = (event.isAccepted() ? "" : "ignored ") + (menu ? texts(menu->actions()) : "none");
        if (menu)
            menu->close();
        return shown;
    };
    // The entries the page gives for a host context of the list "Tech", and what the page saw.
    const auto contextMenu = [&]() -> QString {
        ContextData tech;
        tech.setSymbolListContext(SymbolListContext(QStringLiteral("Tech"), {"AAPL", "MSFT"}));
        QStringList names;
        for (const ContextMenuAction &entry : widget->contextMenuActions(&tech))
            names << (entry.isSeparator() ? QStringLiteral("-") : entry.action()->objectName());
        return names.join(',') + ';' + events(open).constLast();
    };
    QMenu *menu = doc->mainMenu();
    int copies = 0;
    for (const QAction *action : widget->actions())
        copies += action->shortcuts().contains(QKeySequence(QKeySequence::Copy)) ? 1 : 0;
    const QMap<QString, std::function<QString()>> shown{
        {"title", [&]() -> QString { return doc->title(); }},
        {"statusText", [&]() -> QString { return doc->statusText(); }},
        {"desc", [&]() -> QString { return doc->description() + doc->taskBarTitle(); }},
        {"status", [&]() -> QString { return QString::number(doc->status()); }},
        {"opened", [&]() -> QString { return m_opened.join(QLatin1Char(' ')); }},
        {"menu", [&]() -> QString { return menu ? menu->title() + ':' + texts(menu->actions()) : QStringLiteral("none"); }},
        {"active", [&]() -> QString { return QString::number(doc->isActive()); }},
        {"linked", [&]() -> QString {
             return events(others.front()).join(',') + ';' + events(others.back()).join(',') + ';' + doc->symbolLinking()->symbol();
         }},
        {"context", [&]() -> QString {
             return QStringLiteral("%1;%2;%3;%4").arg(QString::fromUtf8(context.symbol()), context.symbolList().title)
                 .arg(context.supportOrderPositionMenu()).arg(context.document() == doc);
         }},
        {"contextMenu", contextMenu},
        {"changed", [&]() -> QString { return QString::number(contextChanged.count()); }},
        {"popup", popup},
        {"pages", [&]() -> QString {
             return QStringLiteral("%1;%2").arg(QString::fromUtf8(widget->propertyPages().join(','))).arg(doc->documentObject() == widget);
         }},
        {"slots", [&]() -> QString {
             LogCapture capture;
             for (const char *slot : {"onSymbolControlValueChanged", "updateStyleTemplateAction"})
                 QMetaObject::invokeMethod(widget, slot);
             return capture.texts("Assert").join('|') + ';' + widget->tradingConnectorSymbol();
         }},
        {"actions", [&]() -> QString { return QString::number(copies) + ';' + opening.join('|'); }},
        {"view", [&]() -> QString {
             QWebView *web = open.script->view();
             const bool updated = QMetaObject::invokeMethod(open.script, "updateWebViewActions");
             return QStringLiteral("%1,%2,%3,").arg(web->palette().color(QPalette::Base) == ThemeStyle::baseColor(QStringLiteral("black")))
                 .arg(web->settings()->testAttribute(QWebSettings::WebSecurityEnabled)).arg(doc->captionBarUserActions().size())
                 + (updated ? historyState(open) : QStringLiteral("not updated"));
         }}};
    const QString probe = host.section(QLatin1Char(':'), 0, 0);
    if (!probe.isEmpty()) {
        QVERIFY2(shown.contains(probe), qPrintable(probe));
        QCOMPARE(probe + ':' + shown.value(probe)(), host);
    }
    QCOMPARE(PluginFixture::takeOutput(), output);
}

void tst_ScriptDocument::commands_data()
{
    QTest::addColumn<QString>("script");      // run with "c" as the commands by id
    QTest::addColumn<QString>("hostSteps");   // the widget's "undo" / "redo" actions
    QTest::addColumn<QString>("state");       // events; undo texts; objects.look.width; assertion reports
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    QTest::newRow("manifest-order") << "events.push(_quorvex_bridge.commands.map(function (x) { return x.id; }).join('+'))" << ""
                                    << "edit+ghost+plain+width;;1;" << none;
    QTest::newRow("activate-redoes-at-once") << "c.edit.activate(5)" << "" << "edit:redo:5;Edit value;1;" << none;
    QTest::newRow("undo-then-redo-same-value") << "c.edit.activate(5)" << "undo,redo"
                                               << "edit:redo:5,edit:undo:5,edit:redo:5;Edit value;1;" << none;
    QTest::newRow("two-activations-two-entries") << "c.edit.activate(1); c.edit.activate({a: 'x'})" << "undo,undo"
        << "edit:redo:1,edit:redo:{\"a\":\"x\"},edit:undo:{\"a\":\"x\"},edit:undo:1;Edit value,Edit value;1;" << none;
    QTest::newRow("entries-of-two-commands") << "c.edit.activate('a'); c.plain.activate(null)" << "undo"
        << "edit:redo:\"a\",plain:redo:null,plain:undo:null;Edit value,plain;1;" << none;
    QTest::newRow("bound-changes-property") << "c.width.activate(7)" << "" << ";Width by command;7;" << none;
    QTest::newRow("bound-undone-by-host") << "c.width.activate(7); c.width.activate(9)" << "undo"
                                          << ";Width by command,Width by command;7;" << none;
    QTest::newRow("bound-missing-property") << "c.ghost.activate(3)" << "" << ";;1;target" << none;
    QTest::newRow("delete-refused") << "c.edit.deleteLater(); c.edit.activate(2)" << "" << "edit:redo:2;Edit value;1;"
                                    << refused("edit");
}

void tst_ScriptDocument::commands()
{
    QFETCH(QString, script);
    QFETCH(QString, hostSteps);
    QFETCH(QString, state);
    QFETCH(QStringList, output);

    const OpenDocument open = m_fixture.open(QStringLiteral("cmds"));
    PluginFixture::takeOutput();
    LogCapture capture;
    open.eval(QStringLiteral("var c = {}; _quorvex_bridge.commands.forEach(function (x) { c[x.id] = x; }); ") + script);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ScriptWidget *widget = open.script->widget();
    for (const QString &step : hostSteps.split(QLatin1Char(','), Qt::SkipEmptyParts))
        widget->hotKeyAction(step.toLatin1())->trigger();

    QStringList texts;
    for (int i = 0; i < widget->undoStack()->count(); ++i)
        texts.append(widget->undoStack()->text(i));
    QCOMPARE(QStringList({events(open).join(','), texts.join(','),
                          open.eval(QStringLiteral("_quorvex_bridge.objects.look.width.value")).toString(),
                          capture.texts("Assert").join(',')}).join(';'), state);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

// What a page's scripts say reaches "Plugin Output" with the developer feature on, with the
// script and the line; with the feature off, nothing.
void tst_ScriptDocument::console_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("developer");
    QTest::addColumn<QStringList>("forwarded");
    QTest::addColumn<QString>("evaluate");

    for (const ConsolePage &console : consolePages) {
        const QString id = QString::fromLatin1(console.id);
        QTest::newRow(console.id) << id << true << console.forwarded << QString::fromLatin1(console.evaluate);
        QTest::addRow("%s-without-developer-feature", console.id) << id << false << QStringList()
                                                                  << QString::fromLatin1(console.evaluate);
    }
}

void tst_ScriptDocument::console()
{
    QFETCH(QString, id);
    QFETCH(bool, developer);
    QFETCH(QStringList, forwarded);
    QFETCH(QString, evaluate);

    PluginFixture::setDeveloperFeature(developer);
    const OpenDocument open = m_fixture.open(id);
    QVERIFY(open.script);
    if (!evaluate.isEmpty())
        open.eval(evaluate);
    // The late error comes after the load, from the page's timer.
    QStringList lines;
    QVERIFY(QTest::qWaitFor([&] { return (lines += PluginFixture::takeOutput()).size() >= forwarded.size(); },
                            PluginFixture::LoadTimeout));
    QCOMPARE(lines, forwarded);
}

void tst_ScriptDocument::reloadStopsRequestsAndAddsBridgeAgain()
{
    FeedApi::TestBackend backend;
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    open.script->scriptDatafeed()->registerDatafeedHandler(new PingDatafeedHandler);

    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.datafeed.request({type: 'ping', rid: 'a'})"
                                      " && _quorvex_bridge.datafeed.request({type: 'ping', rid: 'b'})")).toBool(), true);
    QCOMPARE(backend.running().size(), 2);

    open.eval(QStringLiteral("window.marker = 1; location.reload()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(backend.running().size(), 0);
    QCOMPARE(backend.endedCount(), 2);
    QCOMPARE(open.eval(QStringLiteral("typeof window.marker")).toString(), QStringLiteral("undefined"));
    QCOMPARE(open.eval(QStringLiteral("bridgeAtStart")).toString(), QStringLiteral("1.0"));

    // The new page's requests run, with rids of the old page's.
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.datafeed.request({type: 'ping', rid: 'c'})")).toBool(), true);
    QCOMPARE(backend.running().size(), 1);
}

// The style-template entry joins the menu when the host registers it late; a template with a
// style-template group gets the host's menu at once and again on updates.
void tst_ScriptDocument::styleTemplateMenu()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    open.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ['styletemplatemenu', 'undo']"));
    QCOMPARE(PluginFixture::takeOutput(),
             QStringList{bridgeLine("error building menu", "action styletemplatemenu is not defined")});
    QCOMPARE(open.document->mainMenu()->actions().size(), 1);
    QMenu styles(QStringLiteral("Styles"));
    open.script->registerStyleTemplateMenu(styles.menuAction());
    QCOMPARE(open.document->mainMenu()->actions().size(), 2);
    QCOMPARE(open.document->mainMenu()->actions().first(), styles.menuAction());
    QCOMPARE(PluginFixture::takeOutput(), QStringList());

    const OpenDocument grouped = m_fixture.open(QStringLiteral("bridge"));
    HostApi::StyleTemplatesGui *gui = grouped.script->widget()->styleTemplatesGui();
    QVERIFY(gui);
    grouped.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ['styletemplatemenu']"));
    QCOMPARE(grouped.document->mainMenu()->actions(), QList<QAction *>{gui->menu()->menuAction()});
    gui->setTemplateNames({QStringLiteral("Dark"), QStringLiteral("Compact")});
    QCOMPARE(grouped.document->mainMenu()->actions(), QList<QAction *>{gui->menu()->menuAction()});
}

void tst_ScriptDocument::log_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("level");   // 0: nothing written

    QTest::newRow("default-severity-below-threshold") << "log('x')" << 3 << 0;
    QTest::newRow("default-severity-at-threshold") << "log('x')" << 2 << 2;
    QTest::newRow("severity-0-threshold-1") << "log('x', 0)" << 1 << 1;
    QTest::newRow("severity-0-threshold-2") << "log('x', 0)" << 2 << 0;
    QTest::newRow("threshold-low-bits") << "log('x', 0)" << 9 << 1;
    QTest::newRow("negative-threshold") << "log('x', 1)" << -1 << 0;
    QTest::newRow("severity-2-always") << "log('x', 2)" << 7 << 3;
    QTest::newRow("severity-4-always") << "log('x', 4)" << -1 << 5;
    QTest::newRow("severity-5") << "log('x', 5)" << 0 << 0;
    QTest::newRow("severity-minus-1") << "log('x', -1)" << 0 << 0;
}

void tst_ScriptDocument::log()
{
    QFETCH(QString, call);
    QFETCH(int, threshold);
    QFETCH(int, level);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    HostApi::LogService *service = QuorvexServiceApi();
    const int category = service->categoryId("scriptdocument");
    QVERIFY(category >= 0);
    service->setThreshold(category, threshold);

    LogCapture capture;
    open.eval(QStringLiteral("_quorvex_bridge.") + call);
    service->setThreshold(category, HostApi::LogService::DefaultThreshold);

    QStringList written;
    for (const HostApi::LogEntry &entry : capture.entries()) {
        if (entry.category == "scriptdocument")
            written << QStringLiteral("%1:%2:%3").arg(entry.level).arg(entry.text, entry.file.mid(entry.file.lastIndexOf('/') + 1));
    }
    QCOMPARE(written, level ? QStringList{QStringLiteral("%1:x:scriptdocument.cpp").arg(level)} : QStringList());
}

void tst_ScriptDocument::symbolDrop_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("received");

    QTest::newRow("host-type") << QString::fromLatin1(HostApi::SymbolDragAndDrop::SymbolMimeType)
                               << QByteArray("ES H4\n") << QStringList{"drop:ES H4"};
    QTest::newRow("text-first-only") << "text/plain" << QByteArray(" AAPL \nMSFT") << QStringList{"drop:AAPL"};
    QTest::newRow("control-character") << "text/plain" << QByteArray("AA\x01PL") << QStringList();
    QTest::newRow("too-long") << "text/plain" << QByteArray(300, 'A') << QStringList();
    QTest::newRow("blank") << "text/plain" << QByteArray(" \n ") << QStringList();
    QTest::newRow("other-type") << "image/png" << QByteArray("AAPL") << QStringList();
}

void tst_ScriptDocument::symbolDrop()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, received);
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    QWebView *view = open.script->view();
    QVERIFY(view->acceptDrops());

    QMimeData mime;
    mime.setData(format, data);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    if (!received.isEmpty())
        QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    QCOMPARE(events(open), received);
}

// The imitation player menu blocks the page until it closes; its two live items open the
// player's pages outside.
void tst_ScriptDocument::fakeMenu()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    QSignalSpy requested(Application::instance(), &Application::urlOpenRequested);
    QStringList texts;
    QTimer::singleShot(0, this, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text() + (action->isEnabled() ? "" : " (off)"));
        menu->actions().last()->trigger();
        menu->actions().first()->trigger();
        menu->actions().at(3)->trigger();
        menu->close();
    });
    open.eval(QStringLiteral("_quorvex_bridge.showFakeMenu(20, 30)"));
    QCOMPARE(texts.size(), 5);
    QVERIFY(texts.at(2).endsWith(QLatin1String(" (off)")));
    texts.removeAt(2);
    QCOMPARE(texts, (QStringList{"About Flowplayer free version 3.2.18...", "-",
                                 "Flowplayer comes without any warranty (off)", "GNU GENERAL PUBLIC LICENCE..."}));
    QCOMPARE(requested.count(), 2);
    QCOMPARE(requested.at(0).first().toUrl().host() + requested.at(1).first().toUrl().host(),
             QStringLiteral("www.gnu.orgflowplayer.org"));
}

void tst_ScriptDocument::refresh_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("status");        // after the refresh
    QTest::addColumn<QString>("statusText");

    QTest::newRow("page") << "plain" << int(Document::StatusNone) << QString();
    QTest::newRow("missing-entry-page") << "noentry" << int(Document::StatusError)
                                        << QStringLiteral("The page index.html could not be loaded");
}

// A refresh, from the page or the widget's standard action, clears the page's status and
// loads the page again, which may report a missing page anew.
void tst_ScriptDocument::refresh()
{
    QFETCH(QString, id);
    QFETCH(int, status);
    QFETCH(QString, statusText);

    const OpenDocument open = m_fixture.open(id);
    QSignalSpy loaded(open.script->view(), &QWebView::loadFinished);
    const std::function<void()> refreshes[] = {
        [&open] { open.eval(QStringLiteral("_quorvex_bridge.refresh()")); },
        [&open] { open.script->widget()->hotKeyAction(ActionWidget::RefreshHotKeyId)->trigger(); }};
    for (const auto &refresh : refreshes) {
        open.eval(QStringLiteral("_quorvex_bridge.readyStatus = 'ready'; _quorvex_bridge.readyStatusText = 'done';"
                                 "window.marker = 1"));
        refresh();
        QCOMPARE(open.document->status(), status);
        QCOMPARE(open.document->statusText(), statusText);
        QVERIFY(loaded.wait(PluginFixture::LoadTimeout));
        QCOMPARE(open.eval(QStringLiteral("typeof window.marker")).toString(), QStringLiteral("undefined"));
    }
}

void tst_ScriptDocument::navigation_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("navigates");   // the requested URL, empty: the view stays
    QTest::addColumn<QString>("openedOutside");
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    QTest::newRow("bundle-file-stay") << "stay" << "bundle" << "other.html" << "" << none;
    QTest::newRow("web-stay") << "stay" << "web" << "" << "http://example.invalid/x" << none;
    QTest::newRow("share-stay-refused") << "stay" << "smb" << "" << ""
        << QStringList{"bridge: failed to open url, unsupported url: smb://server/share"};
    QTest::newRow("web-follow") << "follow" << "local" << "http://127.0.0.1:9/" << "" << none;
}

void tst_ScriptDocument::navigation()
{
    QFETCH(QString, id);
    QFETCH(QString, link);
    QFETCH(QString, navigates);
    QFETCH(QString, openedOutside);
    QFETCH(QStringList, output);
    const OpenDocument open = m_fixture.open(id);
    QWebFrame *frame = open.script->view()->page()->mainFrame();
    const QUrl start = frame->url();
    QSignalSpy started(open.script->view(), &QWebView::loadStarted);
    QSignalSpy requested(Application::instance(), &Application::urlOpenRequested);

    open.eval(QStringLiteral("document.getElementById('%1').click()").arg(link));
    if (!navigates.isEmpty()) {
        QTRY_VERIFY(started.count() > 0);
        QVERIFY(frame->requestedUrl().toString().endsWith(navigates));
    } else {
        QTest::qWait(50);
        QCOMPARE(started.count(), 0);
        QCOMPARE(frame->url(), start);
    }
    QStringList opened;
    for (const QList<QVariant> &arguments : qAsConst(requested))
        opened << arguments.first().toUrl().toString();
    QCOMPARE(opened, openedOutside.isEmpty() ? QStringList() : QStringList{openedOutside});
    QCOMPARE(PluginFixture::takeOutput(), output);
}

// The host document mirrors a load: status shown, busy while loading, the progress text.
// The host document mirrors a load: status shown, busy while loading, the progress text.
void tst_ScriptDocument::loadProgress()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    Document *doc = open.document.get();
    QVERIFY(doc->isStatusAvailable() && !doc->isInProgress());
    QCOMPARE(doc->progressText(), QStringLiteral("100% completed"));

    QSignalSpy busy(doc, &Document::inProgressChanged);
    open.eval(QStringLiteral("location.reload()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(QList<QVariantList>(busy), (QList<QVariantList>{{true}, {false}}));

    QVERIFY(QMetaObject::invokeMethod(open.script, "setViewProgress", Q_ARG(int, 42)));
    QCOMPARE(doc->progressText(), QStringLiteral("42% completed"));
}

// Content the view cannot show is logged and not downloaded: the reply is stopped and freed.
void tst_ScriptDocument::unsupportedContent()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    QWebPage *page = open.script->view()->page();
    QPointer<QNetworkReply> reply;
    bool seen = false;
    connect(page, &QWebPage::unsupportedContent, this, [&](QNetworkReply *r) { reply = r; seen = true; });

    open.eval(QStringLiteral("document.getElementById('zip').click()"));
    QStringList lines;
    QTRY_VERIFY((lines += PluginFixture::takeOutput(), !lines.isEmpty()));
    const QString zipUrl = m_fixture.bundleUrl(QStringLiteral("stay"), QStringLiteral("archive.zip"));
    QCOMPARE(lines, QStringList{"bridge: unsupported content, resource wasn't loaded: " + zipUrl});
    QVERIFY(seen);
    QTRY_VERIFY(reply.isNull());

    emit page->downloadRequested(QNetworkRequest(QUrl(QStringLiteral("https://example.com/report.pdf"))));
    QCOMPARE(PluginFixture::takeOutput(),
             QStringList{"bridge: unsupported content, resource wasn't loaded: https://example.com/report.pdf"});
}

void tst_ScriptDocument::printing()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    QTemporaryDir dir;
    HostApi::Printer printer(open.script->printOptions());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + QStringLiteral("/page.pdf"));
    open.document->print(&printer);
    QFile file(printer.outputFileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("%PDF"));
}

void tst_ScriptDocument::forwardBack()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("history"));
    open.eval(QStringLiteral("document.getElementById('bundle').click()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(historyState(open), QStringLiteral("true,false"));
    open.eval(backAction + QStringLiteral(".trigger()"));
    QTRY_COMPARE(historyState(open), QStringLiteral("false,true"));
}

// The inspector window is made once and remembers one geometry for every document.
void tst_ScriptDocument::inspector()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    QAction *action = open.document->captionBarUserActions().value(0);
    QVERIFY(action);
    action->trigger();
    WebInspectorWindow *window = open.script->inspector();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Web Inspector"));
    QCOMPARE(window->inspector()->page(), open.script->view()->page());

    window->resize(333, 222);
    window->hide();
    open.eval(QStringLiteral("_quorvex_bridge.showWebInspector()"));
    QCOMPARE(open.script->inspector(), window);
    QVERIFY(window->isVisible());
    const OpenDocument other = m_fixture.open(QStringLiteral("follow"));
    other.script->showWebInspector();
    QCOMPARE(other.script->inspector()->size(), QSize(333, 222));
}

void tst_ScriptDocument::activationFocusesView()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    ScriptWidget *widget = open.script->widget();
    auto *other = new QLineEdit(widget);
    widget->show();
    QVERIFY(QTest::qWaitForWindowActive(widget));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());

    open.document->setActive(true);
    QTRY_VERIFY(open.script->view()->hasFocus());
}

// The host may close the window before the document: the view goes, the document stays
// usable and forgets the widget.
void tst_ScriptDocument::widgetDestroyedFirst()
{
    OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    open.script->showWebInspector();
    open.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ['undo']"));
    QVERIFY(open.document->mainMenu());
    QSignalSpy menuChanged(open.document.get(), &AbstractDocument::mainMenuChanged);
    delete open.script->widget();
    QCOMPARE(menuChanged.count(), 1);
    QVERIFY(!open.document->mainMenu() && !open.document->documentWidget() && !open.document->documentObject());
    QVERIFY(!open.script->view() && !open.script->inspector());
    open.script->refresh();
    open.script->showWebInspector();
    open.script->showFakeMenu(1, 1);
    open.script->setMainMenuActions({QStringLiteral("undo")});
    QVERIFY(!open.document->mainMenu());
    QCOMPARE(open.document->status(), int(Document::StatusNone));
    QPointer<ScriptDocument> script = open.script;
    open.document.reset();
    QVERIFY(script.isNull());
}

QTEST_MAIN(tst_ScriptDocument)
#include "tst_scriptdocument.moc"
