// The bridge as pages see it: real pages in the web engine call every slot and property of
// _quorvex_bridge and the test reads what reached the host document and the logs.
#include "documentfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptwidget.h>
#include <plugin/scriptplugin.h>
#include <scriptdatafeed/requesterdatafeedhandler.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <application.h>
#include <contextdata.h>
#include <document.h>
#include <hotkeyaction.h>
#include <linkingsignal.h>
#include <settings.h>
#include <styletemplatesgui.h>
#include <symboldraganddrop.h>

#include <request.h>
#include <requester.h>
#include <testbackend.h>

#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
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

// Records the bridge's signals in window.events.
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
    "</script>\n";

QStringList events(const OpenDocument &open)
{
    return open.eval(QStringLiteral("events")).toStringList();
}

QString bridgeLine(const QString &message, const QString &detail)
{
    return QStringLiteral("bridge: ") + message + QStringLiteral(", ") + detail;
}

} // namespace

class tst_ScriptDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void reloadStopsRequestsAndAddsBridgeAgain();
    void pageExpressions_data();
    void pageExpressions();
    void documentTexts_data();
    void documentTexts();
    void readyStatus_data();
    void readyStatus();
    void actionsInNameOrder();
    void mainMenu_data();
    void mainMenu();
    void styleTemplateMenuRegisteredLate();
    void styleTemplateMenuFollowsHost();
    void contextExchange();
    void creationContextTakenOnce();
    void log_data();
    void log();
    void scriptOutput();
    void openUrl_data();
    void openUrl();
    void symbolLinking();
    void symbolDrop_data();
    void symbolDrop();
    void windowActive();
    void fakeMenu();
    void refresh();
    void pageInterface_data();
    void pageInterface();
    void deleteLaterRefused_data();
    void deleteLaterRefused();

private:
    PluginFixture m_fixture;
    std::unique_ptr<FeedApi::TestBackend> m_backend;
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
    m_fixture.start();
}

void tst_ScriptDocument::cleanupTestCase()
{
    m_backend.reset();
}

void tst_ScriptDocument::init()
{
    PluginFixture::takeOutput();
}

void tst_ScriptDocument::reloadStopsRequestsAndAddsBridgeAgain()
{
    m_backend.reset(new FeedApi::TestBackend);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    open.script->scriptDatafeed()->registerDatafeedHandler(new PingDatafeedHandler);

    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.datafeed.request({type: 'ping', rid: 'a'})"
                                      " && _quorvex_bridge.datafeed.request({type: 'ping', rid: 'b'})")).toBool(), true);
    QCOMPARE(m_backend->running().size(), 2);

    open.eval(QStringLiteral("window.marker = 1; location.reload()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(m_backend->running().size(), 0);
    QCOMPARE(m_backend->endedCount(), 2);
    QCOMPARE(open.eval(QStringLiteral("typeof window.marker")).toString(), QStringLiteral("undefined"));
    QCOMPARE(open.eval(QStringLiteral("bridgeAtStart")).toString(), QStringLiteral("1.0"));

    // The new page's requests run, with rids of the old page's.
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.datafeed.request({type: 'ping', rid: 'c'})")).toBool(), true);
    QCOMPARE(m_backend->running().size(), 1);
    m_backend.reset();
}

void tst_ScriptDocument::pageExpressions_data()
{
    QTest::addColumn<QString>("expression");   // run with "b" as _quorvex_bridge
    QTest::addColumn<QString>("expected");

    // The page's first script already finds the bridge; a manifest without commands, header
    // controls or objects gives empty ones.
    QTest::newRow("bridge-at-first-script") << "bridgeAtStart" << "1.0";
    QTest::newRow("empty-objects") << "[b.datafeed.username, b.commands, b.header, b.objects].map(JSON.stringify).join(';')"
                                   << "\"\";[];{\"objectName\":\"\",\"controls\":[]};{\"objectName\":\"objects\",\"objects\":[]}";
    QTest::newRow("apiVersion") << "b.apiVersion" << "1.0";
    QTest::newRow("pluginVersion") << "b.pluginVersion" << "2.5";
    QTest::newRow("theme") << "b.theme" << "black";
    QTest::newRow("apiVersion-not-written") << "b.apiVersion = '9.9'; b.apiVersion" << "1.0";
    QTest::newRow("feature-enabled") << "b.isFeatureEnabled('alerts')" << "true";
    QTest::newRow("feature-capitals-asked-lower") << "b.isFeatureEnabled('ALERTS')" << "true";
    QTest::newRow("feature-unregistered") << "b.isFeatureEnabled('trading')" << "false";
    QTest::newRow("feature-empty-asks-plugin-key") << "b.isFeatureEnabled('')" << "false";
    QTest::newRow("quorvex-app-flag") << "b.isFeatureQuorvexApp('anything')" << "true";
    QTest::newRow("translateSymbol") << "b.translateSymbol('  es   h4 ')" << "ES H4";
}

void tst_ScriptDocument::pageExpressions()
{
    QFETCH(QString, expression);
    QFETCH(QString, expected);
    Application::instance()->settings()->setValue(QStringLiteral("features/webplugin.bridge.alerts"), true);
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    QCOMPARE(open.eval(QStringLiteral("var b = _quorvex_bridge; ") + expression).toString(), expected);
}

void tst_ScriptDocument::documentTexts_data()
{
    QTest::addColumn<QString>("property");

    for (const char *property : {"windowTitle", "readyStatusText", "documentDesc"})
        QTest::newRow(property) << QString::fromLatin1(property);
}

// Each text goes to the host document and reads back from there; the description is also
// the task bar's title.
void tst_ScriptDocument::documentTexts()
{
    QFETCH(QString, property);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    Document *doc = open.document.get();
    const QString text = QStringLiteral("Quotes \u00e9 \"1\"");
    open.eval(QStringLiteral("_quorvex_bridge.%1 = %2").arg(property, QStringLiteral("'Quotes \\u00e9 \"1\"'")));
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.") + property).toString(), text);
    const QMap<QString, QString> host{{"windowTitle", doc->title()}, {"readyStatusText", doc->statusText()},
                                      {"documentDesc", doc->description() + doc->taskBarTitle()}};
    QCOMPARE(host.value(property), property == QLatin1String("documentDesc") ? text + text : text);
    QCOMPARE(PluginFixture::takeOutput(), QStringList());
}

void tst_ScriptDocument::readyStatus_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QStringList>("output");

    const QStringList none;
    QTest::newRow("ready") << "ready" << 1 << "ready" << none;
    QTest::newRow("error") << "error" << 2 << "error" << none;
    QTest::newRow("noStatus") << "noStatus" << 3 << "noStatus" << none;
    QTest::newRow("capital-refused") << "Ready" << 0 << "initializing"
        << QStringList{bridgeLine("'setReadyStatus' failed", "wrong status: Ready")};
}

void tst_ScriptDocument::readyStatus()
{
    QFETCH(QString, written);
    QFETCH(int, status);
    QFETCH(QString, read);
    QFETCH(QStringList, output);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    open.document->setStatus(Document::StatusInitializing);

    open.eval(QStringLiteral("_quorvex_bridge.readyStatus = '%1'").arg(written));
    QCOMPARE(open.document->status(), status);
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.readyStatus")).toString(), read);
    QCOMPARE(PluginFixture::takeOutput(), output);
}

// Built-in, manifest and style-template actions in ascending order of their names; pages
// find them by object name and drive them through the action interface. A manifest action
// named like a built-in one is refused; the built-in entry stays.
void tst_ScriptDocument::actionsInNameOrder()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    QCOMPARE(PluginFixture::takeOutput(),
             QStringList{bridgeLine("failed to create action", "action 'copy' already existed")});
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.actions[0].text")).toString(), QStringLiteral("Copy"));
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.actions.map(function (a) { return a.objectName; })")).toStringList(),
             (QStringList{"copy", "cut", "showHelp", "paste", "showPropertiesDialog", "redo", "refresh",
                          "selectAll", "", "undo", "zoom"}));

    const QVariant triggered = open.eval(QStringLiteral(
        "var zoom = _quorvex_bridge.actions.filter(function (a) { return a.objectName === 'zoom'; })[0];"
        "var seen = []; zoom.triggered.connect(function (checked) { seen.push(checked); });"
        "zoom.trigger(); zoom.trigger(); seen"));
    QCOMPARE(triggered.toList(), (QVariantList{true, false}));
    QCOMPARE(open.eval(QStringLiteral("zoom.enabled")).toBool(), true);
    int copies = 0;
    for (QAction *action : open.script->widget()->actions())
        copies += action->shortcuts().contains(QKeySequence(QKeySequence::Copy)) ? 1 : 0;
    QCOMPARE(copies, 1);
}

void tst_ScriptDocument::mainMenu_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("entries");   // action texts, "-" for separators; "none": no menu
    QTest::addColumn<QStringList>("output");

    QTest::newRow("entries") << "['copy', '-', 'paste']" << QStringList{"Copy", "-", "Paste"} << QStringList();
    QTest::newRow("empty") << "[]" << QStringList{"none"} << QStringList();
    QTest::newRow("unknown") << "['nosuch', 'zoom', 'other']" << QStringList{"Zoom"}
        << QStringList{bridgeLine("error building menu", "action nosuch is not defined"),
                       bridgeLine("error building menu", "action other is not defined")};
}

void tst_ScriptDocument::mainMenu()
{
    QFETCH(QString, names);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, output);
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    PluginFixture::takeOutput();
    open.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ['zoom']"));
    open.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ") + names);
    QStringList shown;
    if (QMenu *menu = open.document->mainMenu()) {
        QCOMPARE(menu->title(), QStringLiteral("Name of bridge"));
        for (QAction *action : menu->actions())
            shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    } else {
        shown << QStringLiteral("none");
    }
    QCOMPARE(shown, entries);
    QCOMPARE(open.eval(QStringLiteral("JSON.stringify(_quorvex_bridge.mainMenuActions)")).toString(),
             QString(names).replace(QLatin1Char('\''), QLatin1Char('"')).remove(QLatin1Char(' ')));
    QCOMPARE(PluginFixture::takeOutput(), output);
}

void tst_ScriptDocument::styleTemplateMenuRegisteredLate()
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
}

// A template with a style-template group gets the host's menu at once and again on updates.
void tst_ScriptDocument::styleTemplateMenuFollowsHost()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    HostApi::StyleTemplatesGui *gui = open.script->widget()->styleTemplatesGui();
    QVERIFY(gui);
    open.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ['styletemplatemenu']"));
    QCOMPARE(open.document->mainMenu()->actions(), QList<QAction *>{gui->menu()->menuAction()});

    gui->setTemplateNames({QStringLiteral("Dark"), QStringLiteral("Compact")});
    QCOMPARE(open.document->mainMenu()->actions(), QList<QAction *>{gui->menu()->menuAction()});
}

// The host asks for the document's context and builds its context menu; the page answers
// synchronously through the two signals.
void tst_ScriptDocument::contextExchange()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    ScriptWidget *widget = open.script->widget();
    PluginFixture::takeOutput();

    open.eval(QStringLiteral("nextSymbol = 'IBM'; nextTitle = 'Watch'"));
    ContextData context;
    widget->fillContextData(&context);
    QCOMPARE(context.document(), open.document.get());
    QCOMPARE(context.supportOrderPositionMenu(), true);
    QCOMPARE(context.symbol(), QByteArray("IBM"));
    QCOMPARE(context.symbolList(), SymbolListContext(QStringLiteral("Watch"), {}));

    open.eval(QStringLiteral("_quorvex_bridge.contextMenuActions = ['zoom', '-', 'gone', 'undo']"));
    ContextData hostContext;
    hostContext.setSymbolListContext(SymbolListContext(QStringLiteral("Tech"), {"AAPL", "MSFT"}));
    const ContextMenuActionList entries = widget->contextMenuActions(&hostContext);
    QCOMPARE(events(open).last(), QStringLiteral("menu:|Tech|AAPL,MSFT"));
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(0).action()->objectName(), QStringLiteral("zoom"));
    QVERIFY(entries.at(1).isSeparator());
    QCOMPARE(entries.at(2).action()->objectName(), QStringLiteral("undo"));
    QCOMPARE(PluginFixture::takeOutput(),
             QStringList{bridgeLine("error building menu", "action gone is not defined")});

    QSignalSpy changed(widget, &ActionWidget::documentContextChanged);
    open.eval(QStringLiteral("_quorvex_bridge.notifyContextChanged()"));
    QCOMPARE(changed.count(), 1);
}

void tst_ScriptDocument::creationContextTakenOnce()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    ContextData context;
    context.setSymbolContext("ES H4");
    context.setSymbolListContext(SymbolListContext(QStringLiteral("Futures"), {"ES H4", "NQ H4"}));
    m_fixture.plugin()->applyContext(open.document.get(), &context);

    QCOMPARE(open.eval(QStringLiteral(
                 "var c = _quorvex_bridge.takeCreationContext();"
                 "[c.symbol, c.symbolListTitle, c.symbolList.join(','), c.containsSymbol(), c.containsSymbolList()].join(';')")).toString(),
             QStringLiteral("ES H4;Futures;ES H4,NQ H4;true;true"));
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.takeCreationContext() === null")).toBool(), true);
    QCOMPARE(open.eval(QStringLiteral("c.symbol")).toString(), QStringLiteral("ES H4"));
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

void tst_ScriptDocument::scriptOutput()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    open.eval(QStringLiteral("_quorvex_bridge.outScriptErr('bad thing'); _quorvex_bridge.outScriptWarn('odd thing')"));
    QCOMPARE(PluginFixture::takeOutput(),
             (QStringList{QStringLiteral("plain: bad thing, "), QStringLiteral("plain: odd thing, ")}));
}

void tst_ScriptDocument::openUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("opened");

    QTest::newRow("https") << "https://example.com/a?b=1" << true;
    QTest::newRow("http-capitals") << "HTTP://example.com/" << true;
    QTest::newRow("mailto") << "mailto:desk@example.com" << true;
    QTest::newRow("local-file") << "file:///etc/passwd" << false;
    QTest::newRow("relative") << "page.html" << false;
    QTest::newRow("script") << "javascript:alert(1)" << false;
}

// Only web and mail addresses are handed to the host; anything else is refused with a line.
void tst_ScriptDocument::openUrl()
{
    QFETCH(QString, url);
    QFETCH(bool, opened);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    QSignalSpy requested(Application::instance(), &Application::urlOpenRequested);
    open.eval(QStringLiteral("_quorvex_bridge.openUrl('%1')").arg(url));
    QCOMPARE(QList<QVariantList>(requested), opened ? QList<QVariantList>{{QUrl(url)}} : QList<QVariantList>());
    QCOMPARE(PluginFixture::takeOutput(),
             opened ? QStringList() : QStringList{bridgeLine("failed to open url", "unsupported url: " + url)});
}

// Documents in one link group follow each other's symbol; the sender hears nothing back.
void tst_ScriptDocument::symbolLinking()
{
    const OpenDocument first = m_fixture.open(QStringLiteral("bridge"));
    const OpenDocument second = m_fixture.open(QStringLiteral("bridge"));
    const OpenDocument unlinked = m_fixture.open(QStringLiteral("bridge"));
    QVERIFY(first.document->symbolLinking());
    first.document->symbolLinking()->setGroup(1);
    second.document->symbolLinking()->setGroup(1);

    first.eval(QStringLiteral("_quorvex_bridge.setSymbolLinking('MSFT'); _quorvex_bridge.setSymbolLinking('')"));
    QCOMPARE(events(second), QStringList{"link:MSFT"});
    QCOMPARE(events(first), QStringList());
    QCOMPARE(events(unlinked), QStringList());
    QCOMPARE(first.document->symbolLinking()->symbol(), QByteArray("MSFT"));
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

void tst_ScriptDocument::windowActive()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("bridge"));
    PluginFixture::takeOutput();
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.isWindowActive")).toBool(), false);
    open.document->setActive(true);
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.isWindowActive")).toBool(), true);
    open.eval(QStringLiteral("_quorvex_bridge.isWindowActive = false"));
    QCOMPARE(open.document->isActive(), true);
    open.document->setActive(false);
    QCOMPARE(events(open), (QStringList{"active:true", "active:false"}));
    QCOMPARE(PluginFixture::takeOutput(), QStringList());
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

// A refresh, from the page or the widget's standard action, clears the page's status and
// loads the page again.
void tst_ScriptDocument::refresh()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    QSignalSpy loaded(open.script->view(), &QWebView::loadFinished);
    const std::function<void()> refreshes[] = {
        [&open] { open.eval(QStringLiteral("_quorvex_bridge.refresh()")); },
        [&open] { open.script->widget()->hotKeyAction(ActionWidget::RefreshHotKeyId)->trigger(); }};
    for (const auto &refresh : refreshes) {
        open.eval(QStringLiteral("_quorvex_bridge.readyStatus = 'ready'; _quorvex_bridge.readyStatusText = 'done';"
                                 "window.marker = 1"));
        refresh();
        QCOMPARE(open.document->status(), int(Document::StatusNone));
        QCOMPARE(open.document->statusText(), QString());
        QVERIFY(loaded.wait(PluginFixture::LoadTimeout));
        QCOMPARE(open.eval(QStringLiteral("typeof window.marker")).toString(), QStringLiteral("undefined"));
    }
}

// Every function a page sees on the bridge and on a context: the script interface and what
// every object has, nothing the document only connects for itself.
void tst_ScriptDocument::pageInterface_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QStringList>("functions");

    const QStringList inherited{"deleteLater()", "destroyed()", "destroyed(QObject*)",
                                "objectNameChanged(QString)"};
    QTest::newRow("bridge") << "_quorvex_bridge" << QStringList{
        "initContextData(QObject*)", "initContextMenu(QObject*)", "isFeatureEnabled(QString)",
        "isFeatureQuorvexApp(QString)", "log(QString)", "log(QString,int)",
        "notifyContextChanged()", "onWindowActiveChanged(bool)", "openUrl(QString)",
        "outScriptErr(QString)", "outScriptWarn(QString)", "refresh()",
        "setSymbolLinking(QString)", "showFakeMenu(int,int)", "showWebInspector()",
        "symbolDrop(QStringList)", "symbolLinkingChanged(QString)", "takeCreationContext()",
        "translateSymbol(QString)"} + inherited;
    QTest::newRow("context") << "_quorvex_bridge.takeCreationContext()"
                             << QStringList{"containsSymbol()", "containsSymbolList()"} + inherited;
}

void tst_ScriptDocument::pageInterface()
{
    QFETCH(QString, object);
    QFETCH(QStringList, functions);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    QStringList seen = open.eval(QStringLiteral("var o = %1, f = [];"
                                                "for (var k in o) if (typeof o[k] == 'function') f.push(k);"
                                                "f").arg(object)).toStringList();
    seen.sort();
    functions.sort();
    QCOMPARE(seen, functions);
}

// A page cannot delete what the document owns: the deletion is refused and reported, and
// the document goes on working.
void tst_ScriptDocument::deleteLaterRefused_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("refused");

    QTest::newRow("bridge") << "_quorvex_bridge.deleteLater()" << "_quorvex_bridge";
    QTest::newRow("creation-context") << "_quorvex_bridge.takeCreationContext().deleteLater()"
                                      << "context";
    QTest::newRow("exchanged-context")
        << "_quorvex_bridge.initContextData.connect(function (c) { c.deleteLater(); })"
        << "context";
    QTest::newRow("datafeed") << "_quorvex_bridge.datafeed.deleteLater()" << "datafeed";
    QTest::newRow("formatter") << "_quorvex_bridge.datafeed.formatter.deleteLater()" << "formatter";
}

void tst_ScriptDocument::deleteLaterRefused()
{
    QFETCH(QString, script);
    QFETCH(QString, refused);
    const OpenDocument open = m_fixture.open(QStringLiteral("plain"));
    const QPointer<ScriptDocument> document = open.script;
    open.eval(script);
    ContextData context;
    open.script->writeContextData(&context);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(document);
    open.script->writeContextData(&context);
    QCOMPARE(open.eval(QStringLiteral("_quorvex_bridge.apiVersion")).toString(), QStringLiteral("1.0"));
    QCOMPARE(PluginFixture::takeOutput(),
             QStringList{bridgeLine("failed to delete object",
                                    QStringLiteral("'%1' belongs to the document").arg(refused))});
}

QTEST_MAIN(tst_ScriptDocument)
#include "tst_scriptdocument.moc"
