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
#include <hotkeyaction.h>
#include <itradingservice.h>
#include <printer.h>
#include <servicelocator.h>
#include <settings.h>
#include <themestyle.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QLayout>
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

QString title(const OpenDocument &open)
{
    return open.script->view()->page()->mainFrame()->title();
}

QStringList actionNames(const OpenDocument &open)
{
    return open.eval(QStringLiteral("_quorvex_bridge.actions.map(function (a) { return a.objectName; })"))
        .toStringList();
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
    m_fixture.addBundle(QStringLiteral("stay"), navigationBundle(QStringLiteral("stay"), "supportRedirectToExternalLinks: false,"));
    m_fixture.addBundle(QStringLiteral("follow"), navigationBundle(QStringLiteral("follow"), QByteArray()));
    m_fixture.addBundle(QStringLiteral("history"), navigationBundle(QStringLiteral("history"), "supportForwardBack: true,"));
    m_fixture.addBundle(QStringLiteral("own"), navigationBundle(QStringLiteral("own"),
                                                                "supportOwnTheme: true, disableWebSecurity: true,"));
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
    ScriptWidget *widget = open.script->widget();

    QCOMPARE(open.document->documentWidget(), widget);
    QCOMPARE(widget->layout()->count(), 1);
    QCOMPARE(widget->layout()->itemAt(0)->widget(), view);
    QCOMPARE(widget->defaultFocusWidget(), view);
    QCOMPARE(widget->helpTag(), QStringLiteral("webplugin_") + id);
    QCOMPARE(widget->statisticsCounterName(), QStringLiteral("webplugin_") + id);
    QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(view->palette().color(QPalette::Base) == ThemeStyle::baseColor(QStringLiteral("black")), themed);
    QCOMPARE(open.document->isIgnoringHibernationEvents(), true);

    QWebSettings *settings = view->settings();
    QVERIFY(settings->testAttribute(QWebSettings::DeveloperExtrasEnabled));
    QVERIFY(settings->testAttribute(QWebSettings::PluginsEnabled));
    QVERIFY(settings->testAttribute(QWebSettings::JavascriptCanAccessClipboard));
    QVERIFY(settings->testAttribute(QWebSettings::LocalContentCanAccessRemoteUrls));
    QCOMPARE(settings->testAttribute(QWebSettings::WebSecurityEnabled), webSecurity);
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
    QTest::newRow("bundle-file-follow") << "follow" << "bundle" << "other.html" << "" << none;
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
        QCOMPARE(requested.count(), 0);
    } else {
        if (!openedOutside.isEmpty())
            QTRY_COMPARE(requested.count(), 1);
        QTest::qWait(50);
        QCOMPARE(started.count(), 0);
        QCOMPARE(frame->url(), start);
        QCOMPARE(requested.count(), openedOutside.isEmpty() ? 0 : 1);
        if (!openedOutside.isEmpty())
            QCOMPARE(requested.first().first().toUrl(), QUrl(openedOutside));
    }
    QCOMPARE(PluginFixture::takeOutput(), output);
}

// The host document mirrors a load: status shown, busy while loading, the progress text.
void tst_ScriptWidget::loadProgress()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    Document *doc = open.document.get();
    QCOMPARE(doc->isStatusAvailable(), true);
    QCOMPARE(doc->isInProgress(), false);
    QCOMPARE(doc->progressText(), QStringLiteral("100% completed"));

    QSignalSpy busy(doc, &Document::inProgressChanged);
    open.eval(QStringLiteral("location.reload()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(busy.count(), 2);
    QCOMPARE(busy.at(0).first().toBool(), true);
    QCOMPARE(busy.at(1).first().toBool(), false);

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
    QCOMPARE(open.eval(QStringLiteral("document.getElementById('zip').id")).toString(), QStringLiteral("zip"));

    emit page->downloadRequested(QNetworkRequest(QUrl(QStringLiteral("https://example.com/report.pdf"))));
    QCOMPARE(PluginFixture::takeOutput(),
             QStringList{"bridge: unsupported content, resource wasn't loaded: https://example.com/report.pdf"});
}

void tst_ScriptWidget::printing()
{
    const OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    QCOMPARE(open.document->printObjectsProvider(), open.script);
    const HostApi::PrintOptions options = open.script->printOptions();
    QVERIFY(options.printTitle && options.fitToPage);
    QCOMPARE(options.background, QColor(Qt::white));
    QVERIFY(open.script->printObjects().isEmpty());

    QTemporaryDir dir;
    HostApi::Printer printer(options);
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
    const QStringList names = actionNames(open);
    QCOMPARE(names.contains(QStringLiteral("forwardHotKeyId")), supported);
    QCOMPARE(names.contains(QStringLiteral("backHotKeyId")), supported);
    QVERIFY(QMetaObject::invokeMethod(open.script, "updateWebViewActions"));
    if (!supported)
        return;

    const QString forward = QStringLiteral("_quorvex_bridge.actions.filter(function (a) { return a.objectName === 'forwardHotKeyId'; })[0]");
    const QString back = QStringLiteral("_quorvex_bridge.actions.filter(function (a) { return a.objectName === 'backHotKeyId'; })[0]");
    QCOMPARE(open.eval(forward + QStringLiteral(".enabled")).toBool(), false);
    QCOMPARE(open.eval(back + QStringLiteral(".enabled")).toBool(), false);
    QCOMPARE(open.eval(back + QStringLiteral(".text")).toString(), QStringLiteral("Back"));

    open.eval(QStringLiteral("document.getElementById('bundle').click()"));
    QVERIFY(open.waitForLoad());
    QCOMPARE(title(open), QStringLiteral("other"));
    QCOMPARE(open.eval(back + QStringLiteral(".enabled")).toBool(), true);
    QCOMPARE(open.eval(forward + QStringLiteral(".enabled")).toBool(), false);

    open.eval(back + QStringLiteral(".trigger()"));
    QTRY_COMPARE(title(open), QString());
    QTRY_COMPARE(open.eval(forward + QStringLiteral(".enabled")).toBool(), true);
    QCOMPARE(open.eval(QStringLiteral("bridgeAtStart")).toString(), QStringLiteral("1.0"));
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
    QVERIFY(!open.script->inspector());
    action->trigger();
    WebInspectorWindow *window = open.script->inspector();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Web Inspector"));
    QCOMPARE(window->id(), QStringLiteral("WebInspectorWindow"));
    QVERIFY(window->windowFlags() & Qt::Tool);
    QCOMPARE(window->inspector()->page(), open.script->view()->page());

    window->resize(333, 222);
    window->hide();
    open.eval(QStringLiteral("_quorvex_bridge.showWebInspector()"));
    QCOMPARE(open.script->inspector(), window);
    QVERIFY(window->isVisible());
    QVERIFY(!Application::instance()->settings()
                 ->value(QStringLiteral("dialogs/globalWebInspectorGeometry/geometry")).toByteArray().isEmpty());

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
    QCOMPARE(widget->objectOwner(), widget);
    QCOMPARE(widget->typeName(), QByteArray("webplugin_pages"));
    QCOMPARE(widget->pageTitle(), QStringLiteral("Name of pages"));
    QCOMPARE(widget->propertyPages(), pages);
    QCOMPARE(open.document->undoStack(), widget->undoStack());
}

// The host may close the window before the document: the view goes, the document stays
// usable and forgets the widget.
void tst_ScriptWidget::widgetDestroyedFirst()
{
    OpenDocument open = m_fixture.open(QStringLiteral("stay"));
    open.script->showWebInspector();
    open.eval(QStringLiteral("_quorvex_bridge.mainMenuActions = ['undo']"));
    QVERIFY(open.document->mainMenu());
    QSignalSpy widgetChanged(open.document.get(), &Document::documentWidgetChanged);
    QSignalSpy menuChanged(open.document.get(), &AbstractDocument::mainMenuChanged);
    delete open.script->widget();
    QCOMPARE(widgetChanged.count(), 1);
    QCOMPARE(menuChanged.count(), 1);
    QVERIFY(!open.document->mainMenu());
    QVERIFY(!open.script->view());
    QVERIFY(!open.script->inspector());
    QVERIFY(!open.document->documentWidget());
    QVERIFY(!open.document->documentObject());
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
