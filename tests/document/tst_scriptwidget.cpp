// The document's window: the web view's set-up, navigation policy, load progress, unsupported
// content, printing, forward and back, the inspector, the context menu and the widget's part in
// the host's object tree.
#include "documentfixture.h"
#include "testsupport.h"

#include <document/scriptdocument.h>
#include <document/scriptwidget.h>
#include <document/webinspectorwindow.h>
#include <plugin/scriptplugin.h>

#include <application.h>
#include <contextmenu.h>
#include <document.h>
#include <itradingservice.h>
#include <printer.h>
#include <servicelocator.h>
#include <themestyle.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkReply>
#include <QWebFrame>
#include <QWebInspector>
#include <QWebSettings>
#include <QWebView>
#include <QtTest>

namespace {

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

} // namespace

class tst_ScriptWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void viewSetUp_data();
    void viewSetUp();
    void navigation_data();
    void navigation();
    void loadProgress();
    void unsupportedContent();
    void printing();
    void forwardBack_data();
    void forwardBack();
    void inspector_data();
    void inspector();
    void contextMenuEvent_data();
    void contextMenuEvent();
    void activationFocusesView();
    void propertyPages_data();
    void propertyPages();
    void widgetDestroyedFirst();
    void slotsWithoutTheirObject_data();
    void slotsWithoutTheirObject();

private:
    PluginFixture m_fixture;
};

void tst_ScriptWidget::initTestCase()
{
    const std::pair<const char *, QByteArray> bundles[] = {
        {"stay", "supportRedirectToExternalLinks: false,"}, {"follow", QByteArray()},
        {"history", "supportForwardBack: true,"}, {"own", "supportOwnTheme: true, disableWebSecurity: true,"}};
    for (const auto &[id, more] : bundles)
        m_fixture.addBundle(QLatin1String(id), navigationBundle(QLatin1String(id), more));
    m_fixture.addBundle(QStringLiteral("pages"), {
        {QStringLiteral("plugin.spec"), manifest(QStringLiteral("pages"),
            "supportStyleTemplates: false, supportDefaultConnections: true, propertyPages: { general: { name: \"General\" },"
            " colors: { name: \"Colors\" } },")},
        {QStringLiteral("index.html"), page()}});
    m_fixture.start();
}

void tst_ScriptWidget::init()
{
    PluginFixture::setDeveloperFeature(true);
    PluginFixture::takeOutput();
}

void tst_ScriptWidget::viewSetUp_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("themed");
    QTest::addColumn<bool>("webSecurity");

    QTest::newRow("host-theme") << "stay" << true << true;
    QTest::newRow("own-theme-no-security") << "own" << false << false;
}

void tst_ScriptWidget::viewSetUp()
{
    QFETCH(QString, id);
    QFETCH(bool, themed);
    QFETCH(bool, webSecurity);
    const OpenDocument open = m_fixture.open(id);
    QWebView *view = open.script->view();
    QCOMPARE(view->palette().color(QPalette::Base) == ThemeStyle::baseColor(QStringLiteral("black")), themed);
    QCOMPARE(view->settings()->testAttribute(QWebSettings::WebSecurityEnabled), webSecurity);
}

void tst_ScriptWidget::navigation_data()
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

void tst_ScriptWidget::navigation()
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
void tst_ScriptWidget::loadProgress()
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
void tst_ScriptWidget::unsupportedContent()
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

void tst_ScriptWidget::printing()
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

void tst_ScriptWidget::forwardBack_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("supported");

    QTest::newRow("supported") << "history" << true;
    QTest::newRow("not-supported") << "stay" << false;
}

void tst_ScriptWidget::forwardBack()
{
    QFETCH(QString, id);
    QFETCH(bool, supported);
    const OpenDocument open = m_fixture.open(id);
    QVERIFY(QMetaObject::invokeMethod(open.script, "updateWebViewActions"));
    QCOMPARE(historyState(open), supported ? QStringLiteral("false,false") : QStringLiteral("none,none"));
    if (!supported)
        return;

    open.eval(QStringLiteral("document.getElementById('bundle').click()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(historyState(open), QStringLiteral("true,false"));
    open.eval(backAction + QStringLiteral(".trigger()"));
    QTRY_COMPARE(historyState(open), QStringLiteral("false,true"));
}

void tst_ScriptWidget::inspector_data()
{
    QTest::addColumn<bool>("developer");

    QTest::newRow("developer") << true;
    QTest::newRow("user") << false;
}

// Only with the developer feature does the window get the inspector action on its caption
// bar; the inspector window is made once and remembers one geometry for every document.
void tst_ScriptWidget::inspector()
{
    QFETCH(bool, developer);
    PluginFixture::setDeveloperFeature(developer);
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    const QList<QAction *> captionBar = open.document->captionBarUserActions();
    QCOMPARE(captionBar.size(), developer ? 1 : 0);
    if (!developer)
        return;

    QAction *action = captionBar.first();
    QCOMPARE(action->text(), QStringLiteral("Show Web Inspector"));
    QCOMPARE(action->shortcut(), QKeySequence(Qt::SHIFT + Qt::Key_F7));
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

    // Another document's inspector starts with the stored geometry.
    const OpenDocument other = m_fixture.open(QStringLiteral("follow"));
    other.script->showWebInspector();
    QCOMPARE(other.script->inspector()->size(), QSize(333, 222));
}

void tst_ScriptWidget::contextMenuEvent_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("empty-list-no-menu") << "[]" << QStringList();
    QTest::newRow("entries") << "['undo', '-', 'redo']" << QStringList{"Undo", "-", "Redo"};
}

// A right click shows the host's menu of the page's entries, and nothing when there are none.
void tst_ScriptWidget::contextMenuEvent()
{
    QFETCH(QString, names);
    QFETCH(QStringList, entries);
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    open.eval(QStringLiteral("_quorvex_bridge.contextMenuActions = ") + names);
    QStringList shown;
    qRegisterMetaType<QMenu *>();
    QSignalSpy menus(HostApi::ContextMenu::instance(), &HostApi::ContextMenu::menuShown);

    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(50, 50));
    QApplication::sendEvent(open.script->widget(), &event);
    QVERIFY(event.isAccepted());
    QCOMPARE(menus.count(), entries.isEmpty() ? 0 : 1);
    if (entries.isEmpty())
        return;
    auto *menu = menus.first().first().value<QMenu *>();
    for (QAction *action : menu->actions())
        shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(shown, entries);
    menu->close();
}

void tst_ScriptWidget::activationFocusesView()
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

void tst_ScriptWidget::propertyPages_data()
{
    QTest::addColumn<bool>("trading");
    QTest::addColumn<QList<QByteArray>>("pages");

    QTest::newRow("without-trading") << false
        << QList<QByteArray>{"webplugin_pages_colors", "webplugin_pages_general"};
    QTest::newRow("with-trading") << true
        << QList<QByteArray>{"webplugin_pages_colors", "webplugin_pages_general",
                             "DocumentDefaultConnectionsPage"};
}

// The widget joins the host's object tree as the document object and lists the pages.
void tst_ScriptWidget::propertyPages()
{
    QFETCH(bool, trading);
    QFETCH(QList<QByteArray>, pages);
    HostApi::ServiceLocator *locator = HostApi::ServiceLocator::instance();
    TradingService service;
    if (trading)
        locator->registerService<Trade::ITradingService>(&service);
    const OpenDocument open = m_fixture.open(QStringLiteral("pages"));
    locator->unregisterService<Trade::ITradingService>();

    ScriptWidget *widget = open.script->widget();
    QCOMPARE(open.document->documentObject(), static_cast<InteractiveObject *>(widget));
    QCOMPARE(widget->propertyPages(), pages);
}

// The host may close the window before the document: the view goes, the document stays
// usable and forgets the widget.
void tst_ScriptWidget::widgetDestroyedFirst()
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

void tst_ScriptWidget::slotsWithoutTheirObject_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("report");

    QTest::newRow("symbol-control") << QByteArray("onSymbolControlValueChanged")
        << "m_symbolControl && \"Must not be called if m_symbolControl was not set\"";
    QTest::newRow("style-templates") << QByteArray("updateStyleTemplateAction") << "m_styleTemplatesGui";
}

// Called without the object they serve, the widget's two slots report and change nothing.
void tst_ScriptWidget::slotsWithoutTheirObject()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, report);
    const OpenDocument open = m_fixture.open(QStringLiteral("pages"));
    ScriptWidget *widget = open.script->widget();
    QVERIFY(!widget->styleTemplatesGui());
    LogCapture capture;
    QVERIFY(QMetaObject::invokeMethod(widget, slot.constData()));
    QCOMPARE(capture.texts("Assert"), QStringList{report});
    QCOMPARE(widget->tradingConnectorSymbol(), QByteArray());
}

QTEST_MAIN(tst_ScriptWidget)
#include "tst_scriptwidget.moc"
