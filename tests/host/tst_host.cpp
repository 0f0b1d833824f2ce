#include "bundletestutils.h"
#include "testsupport.h"

#include "captionbar.h"
#include "devmanifest.h"
#include "diagnosticlog.h"
#include "documentwindow.h"
#include "folderlistentry.h"
#include "hostoptions.h"
#include "hosttheme.h"
#include "linkgroups.h"
#include "mainwindow.h"
#include "marketdata.h"
#include "messagefilter.h"
#include "moduleloader.h"
#include "outputdock.h"
#include "pluginmenu.h"
#include "propertydialog.h"
#include "screenshotjob.h"
#include "settingsdialog.h"
#include "updatestatus.h"
#include "workspacestore.h"

#include <appearancemanager.h>
#include <actionwidget.h>
#include <application.h>
#include <contextdata.h>
#include <doctemplate.h>
#include <document.h>
#include <featuremanager.h>
#include <hotkeyaction.h>
#include <iformulaoutputservice.h>
#include <iplugin.h>
#include <logservice.h>
#include <outputchannel.h>
#include <preferences.h>
#include <propertypage.h>
#include <servicelocator.h>
#include <settings.h>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(HostOptions::Result)

namespace {

const QByteArray exampleTemplate = "webplugin_bridge-tour";
const QString startedLine = QStringLiteral("bridge-tour: Bridge Tour 1.0 started, API 1.0, \n");

QVariant evaluate(DocumentWindow *window, const QString &script)
{
    auto *view = window->document()->documentWidget()->findChild<QWebView *>();
    return view ? view->page()->mainFrame()->evaluateJavaScript(script) : QVariant();
}

QString pageText(DocumentWindow *window, const QString &elementId)
{
    return evaluate(window, QStringLiteral("document.getElementById('%1').textContent").arg(elementId))
        .toString();
}

// A script expression for the Bridge Tour property group.id.
QString propertyScript(const char *path)
{
    const QStringList parts = QString::fromLatin1(path).split(QLatin1Char('.'));
    return QStringLiteral("_quorvex_bridge.objects.objects.find(g => g.objectName === '%1')"
                          ".objects.find(p => p.objectName === '%2')").arg(parts.at(0), parts.at(1));
}

// The first entry of the menus below widget (sub-menus included) whose text starts so.
QAction *menuAction(QWidget *widget, const QString &textStart)
{
    for (QAction *action : widget->actions()) {
        if (QMenu *menu = action->menu()) {
            if (QAction *found = menuAction(menu, textStart))
                return found;
        } else if (action->text().startsWith(textStart)) {
            return action;
        }
    }
    return nullptr;
}

// A workspace file: the documents (JSON values, as text) and the index of the active one.
QByteArray makeWorkspaceFile(const QList<QByteArray> &documents, int active = 0)
{
    QByteArray list;
    for (const QByteArray &document : documents)
        list += (list.isEmpty() ? "" : ",") + document;
    return "{\"format\": 1, \"active\": " + QByteArray::number(active) + ", \"documents\": [" + list + "]}";
}

QByteArray documentEntry(const QByteArray &id, const QByteArray &extra = QByteArray())
{
    return "{\"template\": \"" + id + "\", \"x\": 10, \"y\": 20, \"width\": 300, \"height\": 200"
        + extra + "}";
}

// Records whether its document was still alive when the widget was destroyed.
class ProbeWidget : public QWidget
{
public:
    ProbeWidget(Document *document, bool &documentAlive)
        : m_document(document), m_documentAlive(documentAlive) {}
    ~ProbeWidget() override { m_documentAlive = !m_document.isNull(); }

private:
    QPointer<Document> m_document;
    bool &m_documentAlive;
};

// What the host sees of the module's web plug-in updater.
class FakeUpdater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString summary MEMBER m_summary)
    Q_PROPERTY(bool changedFiles MEMBER m_changedFiles)

public:
    explicit FakeUpdater(QObject *parent) : QObject(parent)
    {
        setObjectName(QLatin1String(UpdateStatus::UpdaterName));
    }

    void setSummary(const QString &summary, bool changedFiles)
    {
        m_summary = summary;
        m_changedFiles = changedFiles;
    }

signals:
    void progressChanged(int done, int total);
    void finished();

private:
    QString m_summary;
    bool m_changedFiles = false;
};

HostApi::DocTemplate *testTemplate()
{
    static HostApi::DocTemplate docTemplate(nullptr, "test", QStringLiteral("Test"), QIcon(), QIcon(), 0,
                                            QString(), 0, {}, nullptr, nullptr, {}, false);
    return &docTemplate;
}

} // namespace

class tst_Host : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void options_data();
    void options();
    void workspaceFile_data();
    void workspaceFile();
    void workspaceFileRoundTrip();
    void screenshotFileNames_data();
    void screenshotFileNames();
    void manifestChanges_data();
    void manifestChanges();
    void messageFilter_data();
    void messageFilter();
    void folderListEntry_data();
    void folderListEntry();
    void diagnosticLogRotation_data();
    void diagnosticLogRotation();

    void statusLine_data();
    void statusLine();
    void documentWindowLayout();
    void pluginMenu();
    void documentWindow();
    void outputDock();
    void refusedDocument();
    void linkGroups_data();
    void linkGroups();
    void editMenu();
    void theme();
    void settingsDialog();
    void updateStatus_data();
    void updateStatus();
    void workspaceRoundTrip();
    void examplesShowMarketData_data();
    void examplesShowMarketData();
    void contextEntries();
    void propertyDialog();
    void propertiesRestored_data();
    void propertiesRestored();

private:
    DocumentWindow *openExample();

    QTemporaryDir m_data;
    ModuleLoader m_loader;
    MarketData m_marketData;
    HostTheme m_theme;
    HostApi::OutputChannel *m_channel = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

void tst_Host::initTestCase()
{
    const QString plugins = m_data.filePath(QStringLiteral("WebPlugins"));
    QByteArray list = "<webplugins>";
    for (const char *example : {"bridge-tour", "quote-board", "daily-chart", "chain-viewer", "news-reader"})
        list += "<webplugin path=\"" + testDataPath().toUtf8() + example + "\"/>";
    QVERIFY(writeFile(plugins + QStringLiteral("/webplugins.xml"), list + "</webplugins>"));
    QVERIFY(writeFile(plugins + QStringLiteral("/future/plugin.spec"),
                      "{ id: \"future\", name: \"Future\", apiVersion: \"2.0\" }"));
    Application::instance()->setAppDataPath(m_data.path());
    QVERIFY2(m_marketData.start(m_data.path()), qPrintable(m_marketData.errorString()));
    m_theme.restore();

    QVERIFY2(m_loader.load(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/plugins/libtessel.so")),
             qPrintable(m_loader.errorString()));
    QVERIFY(!m_loader.load());
    m_loader.plugin()->init();
    m_channel = HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>()
                    ->channel(QStringLiteral("webpluginoutput"));
    QVERIFY(m_channel);
}

void tst_Host::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->setUp(m_channel);
    m_window->resize(1000, 700);
    m_window->show();
}

void tst_Host::cleanup()
{
    m_window.reset();
}

DocumentWindow *tst_Host::openExample()
{
    QString error;
    DocumentWindow *window = m_window->openDocument(exampleTemplate, &error);
    if (!window)
        qWarning("%s", qPrintable(error));
    else if (!QTest::qWaitFor([window] { return window->isReady(); }, 30000))
        qWarning("the example did not get ready");
    return window;
}

void tst_Host::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<HostOptions::Result>("result");
    QTest::addColumn<QString>("openId");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QString>("error");

    using R = HostOptions::Result;
    const auto args = [](const char *line) { return QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); };
    const QString timeoutRange = QStringLiteral("--timeout must be a number of seconds from 1 to 3600");
    QTest::newRow("all") << args("--open x --screenshot f.png --data-dir d --module m --timeout 5 --log")
                         << R::Run << "x" << 5 << true << QString();
    QTest::newRow("help") << args("--log --help --bad") << R::ShowHelp << QString() << 30 << true << QString();
    QTest::newRow("timeout-max") << args("--open x --screenshot f --timeout 3600") << R::Run << "x" << 3600 << false
                                 << QString();
    QTest::newRow("timeout-above-max") << args("--open x --screenshot f --timeout 3601") << R::UsageError << QString()
                                       << 0 << false << timeoutRange;
    QTest::newRow("timeout-with-unit") << args("--open x --screenshot f --timeout 5s") << R::UsageError << QString()
                                       << 0 << false << timeoutRange;
    QTest::newRow("screenshots-of-workspace") << args("--screenshots shots --timeout 9") << R::Run << QString()
                                              << 9 << false << QString();
    QTest::newRow("screenshots-with-open") << args("--screenshots shots --open x") << R::Run << "x" << 30 << false
                                           << QString();
    QTest::newRow("dev-screenshot") << args("--dev p --screenshot f --log-level 5 --feature f") << R::Run << QString()
                                    << 30 << false << QString();
    const struct { const char *name; const char *line; const char *error; } refused[] = {
        {"timeout-without-screenshot", "--timeout 5", "--timeout needs --screenshot or --screenshots"},
        {"both-screenshot-kinds", "--open x --screenshot f --screenshots d",
         "--screenshot and --screenshots exclude each other"},
        {"screenshots-value-missing", "--screenshots", "--screenshots needs a value"},
        {"value-missing-at-end", "--data-dir", "--data-dir needs a value"},
        {"screenshot-without-open", "--screenshot f", "--screenshot needs --open or --dev"},
        {"properties-without-screenshot", "--open x --properties", "--properties needs --screenshot"},
        {"positional", "bridge-tour", "unknown argument 'bridge-tour'"},
        {"log-level-zero", "--log-level 0", "--log-level must be a number from 1 to 5"},
        {"log-level-name", "--log --log-level debug", "--log-level must be a number from 1 to 5"},
    };
    for (const auto &row : refused)
        QTest::newRow(row.name) << args(row.line) << R::UsageError << QString() << 0 << false << row.error;
    QTest::newRow("empty-value") << QStringList{QStringLiteral("--open"), QString()} << R::UsageError << QString()
                                 << 0 << false << QStringLiteral("--open needs a value");
}

void tst_Host::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(HostOptions::Result, result);
    QFETCH(QString, openId);
    QFETCH(int, timeout);
    QFETCH(bool, echo);
    QFETCH(QString, error);

    HostOptions options;
    QCOMPARE(options.parse(QStringList{QStringLiteral("tessel-host")} + arguments), result);
    QCOMPARE(options.errorText(), error);
    if (result != HostOptions::Result::Run)
        return;
    QCOMPARE(options.openId(), openId);
    QCOMPARE(options.timeoutSeconds(), timeout);
    QCOMPARE(options.echoOutput(), echo);
}

void tst_Host::workspaceFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("restored");
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("warnings");

    const QByteArray a = documentEntry("a");
    const QByteArray c = documentEntry("c");
    const QList<QByteArray> both{"a", "c"};
    // A bad entry between two good ones is left out; the active index follows.
    const struct { const char *name; QByteArray entry; } badEntries[] = {
        {"not-an-object", "5"},
        {"no-template", "{\"x\": 1, \"y\": 1, \"width\": 1, \"height\": 1}"},
        {"title-not-text", documentEntry("b", ", \"title\": 5")},
        {"title-too-long", documentEntry("b", ", \"title\": \"" + QByteArray(1025, 'x') + "\"")},
        {"fractional-x", "{\"template\": \"b\", \"x\": 1.5, \"y\": 1, \"width\": 1, \"height\": 1}"},
        {"zero-height", "{\"template\": \"b\", \"x\": 1, \"y\": 1, \"width\": 1, \"height\": 0}"},
        {"too-wide", "{\"template\": \"b\", \"x\": 1, \"y\": 1, \"width\": 100001, \"height\": 1}"},
        {"unknown-state", documentEntry("b", ", \"state\": \"fullscreen\"")},
        {"link-group-too-high", documentEntry("b", ", \"linkGroup\": 7")},
        {"geometry-without-size", "{\"template\": \"b\", \"x\": 1, \"y\": 1}"},
        {"geometry-without-y", "{\"template\": \"b\", \"x\": 1, \"width\": 1, \"height\": 1}"},
        {"nul-in-template", "{\"template\": \"b\\u0000c\"}"},
        {"huge-x", "{\"template\": \"b\", \"x\": 2e22, \"y\": 1, \"width\": 1, \"height\": 1}"},
    };
    for (const auto &bad : badEntries)
        QTest::newRow(bad.name) << makeWorkspaceFile({a, bad.entry, c}, 2) << both << 1 << 1;

    QTest::newRow("all-good") << makeWorkspaceFile({a, documentEntry("b", ", \"state\": \"maximized\", \"linkGroup\": 6"), c}, 1)
                              << QList<QByteArray>{"a", "b", "c"} << 1 << 0;
    QTest::newRow("no-geometry") << makeWorkspaceFile({a, "{\"template\": \"b\", \"linkGroup\": 1}", c}, 1)
                                 << QList<QByteArray>{"a", "b", "c"} << 1 << 0;
    QTest::newRow("active-left-out") << makeWorkspaceFile({a, "5", c}, 1) << both << -1 << 1;
    QList<QByteArray> many;
    QList<QByteArray> kept;
    for (int i = 0; i <= WorkspaceStore::MaxDocuments; ++i) {
        many.append(documentEntry("a" + QByteArray::number(i)));
        if (i < WorkspaceStore::MaxDocuments)
            kept.append("a" + QByteArray::number(i));
    }
    QTest::newRow("too-many-documents") << makeWorkspaceFile(many, 0) << kept << 0 << 1;
    QTest::newRow("not-json") << QByteArray("{\"format\": 1,") << QList<QByteArray>() << -1 << 1;
    QTest::newRow("json-array") << QByteArray("[]") << QList<QByteArray>() << -1 << 1;
    QTest::newRow("other-format") << QByteArray("{\"format\": 2, \"documents\": [" + a + "]}")
                                  << QList<QByteArray>() << -1 << 1;
    QTest::newRow("too-large") << makeWorkspaceFile({a}) + QByteArray(WorkspaceStore::MaxFileSize, ' ')
                               << QList<QByteArray>() << -1 << 1;
}

void tst_Host::workspaceFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, restored);
    QFETCH(int, active);
    QFETCH(int, warnings);

    QTemporaryDir dir;
    const QString fileName = dir.filePath(QLatin1String(WorkspaceStore::FileName));
    QVERIFY(writeFile(fileName, file));
    LogCapture log;
    const Workspace workspace = WorkspaceStore(fileName).load();
    QList<QByteArray> ids;
    for (const WorkspaceDocument &document : workspace.documents)
        ids.append(document.templateId);
    QCOMPARE(ids, restored);
    QCOMPARE(workspace.activeDocument, active);
    QCOMPARE(log.texts("TesselHost.Workspace").size(), warnings);
}

void tst_Host::workspaceFileRoundTrip()
{
    QTemporaryDir dir;
    const WorkspaceStore store(dir.filePath(QStringLiteral("workspace.json")));
    QCOMPARE(store.load().documents.size(), 0);
    // A pipe in the file's place is not read (reading it would block the start-up).
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("workspace.json"))).constData(), 0600), 0);
    QCOMPARE(store.load().documents.size(), 0);
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("workspace.json"))));

    Workspace workspace;
    workspace.windowGeometry = QByteArray("\x01\x02\xff geometry", 12);
    workspace.windowState = "state";
    WorkspaceDocument quotes;
    quotes.templateId = "webplugin_quotes";
    quotes.title = QStringLiteral("Котировки \"live\"");
    quotes.geometry = QRect(-20, 5, 640, 480);
    quotes.state = WorkspaceDocument::WindowState::Maximized;
    quotes.linkGroup = 3;
    WorkspaceDocument chart;
    chart.templateId = "webplugin_chart";
    chart.geometry = QRect(0, 0, 1, 1);
    chart.state = WorkspaceDocument::WindowState::Minimized;
    WorkspaceDocument news;
    news.templateId = "webplugin_news";
    news.linkGroup = 1;
    workspace.documents = {quotes, chart, news};
    workspace.activeDocument = 1;
    QVERIFY(store.save(workspace));

    const Workspace loaded = store.load();
    QCOMPARE(loaded.windowGeometry, workspace.windowGeometry);
    QCOMPARE(loaded.windowState, workspace.windowState);
    QCOMPARE(loaded.documents, workspace.documents);
    QCOMPARE(loaded.activeDocument, 1);

    LogCapture log;
    QVERIFY(!WorkspaceStore(dir.filePath(QStringLiteral("missing/workspace.json"))).save(workspace));
    QCOMPARE(log.texts("TesselHost.Workspace").size(), 1);
}

void tst_Host::manifestChanges_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QStringList>("changes");

    QTest::newRow("same") << QByteArray(R"({"id": "a", "actions": {"x": {}}})")
                          << QByteArray(R"({"actions": {"x": {}}, "id": "a"})") << QStringList();
    QTest::newRow("name") << QByteArray(R"({"name": "A"})") << QByteArray(R"({"name": "B"})")
                          << QStringList{QStringLiteral("name: \"A\" → \"B\"")};
    QTest::newRow("version-text-to-number") << QByteArray(R"({"version": "1.0"})") << QByteArray(R"({"version": 1.5})")
                                            << QStringList{QStringLiteral("version: \"1.0\" → 1.5")};
    QTest::newRow("added-and-removed") << QByteArray(R"({"icon": "app"})") << QByteArray(R"({"hotkeys": "Ctrl+H"})")
                                       << QStringList{QStringLiteral("hotkeys: added \"Ctrl+H\""),
                                                      QStringLiteral("icon: removed")};
    QTest::newRow("actions") << QByteArray(R"({"actions": {"a": {}, "b": {"name": "B"}, "c": {}}})")
                             << QByteArray(R"({"actions": {"b": {"name": "B2"}, "c": {}, "d": {}}})")
                             << QStringList{QStringLiteral("actions: a removed, b changed, d added")};
    QTest::newRow("list") << QByteArray(R"({"features": ["x"]})") << QByteArray(R"({"features": ["x", "y"]})")
                          << QStringList{QStringLiteral("features: [\"x\"] → [\"x\",\"y\"]")};
    QTest::newRow("object-to-text") << QByteArray(R"({"objects": {}})") << QByteArray(R"({"objects": "none"})")
                                    << QStringList{QStringLiteral("objects: {} → \"none\"")};
}

void tst_Host::manifestChanges()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QStringList, changes);

    QCOMPARE(DevManifest::changes(QJsonDocument::fromJson(before).object(), QJsonDocument::fromJson(after).object()),
             changes);
}

void tst_Host::messageFilter_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("noise");

    const QString runtimeDir = QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-ann'");
    const QString sizeHints = QStringLiteral("This plugin does not support propagateSizeHints()");
    QTest::newRow("runtime-dir") << int(QtWarningMsg) << runtimeDir << true;
    QTest::newRow("size-hints") << int(QtWarningMsg) << sizeHints << true;
    QTest::newRow("runtime-dir-and-more") << int(QtWarningMsg) << runtimeDir + QStringLiteral(" and more") << false;
    QTest::newRow("size-hints-as-critical") << int(QtCriticalMsg) << sizeHints << false;
}

void tst_Host::messageFilter()
{
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(bool, noise);

    QCOMPARE(MessageFilter::isNoise(QtMsgType(type), message), noise);
}

void tst_Host::folderListEntry_data()
{
    QTest::addColumn<QByteArray>("original");  // null: no list file
    QTest::addColumn<QByteArray>("listed");    // the file while the entry lives
    QTest::addColumn<QString>("error");

    const QByteArray entry = "  <webplugin path=\"/x/a&amp;b &quot;c&quot;\"/>\n";
    QTest::newRow("no-list") << QByteArray() << "<webplugins>\n" + entry + "</webplugins>\n" << QString();
    QTest::newRow("list") << QByteArray("<?xml version=\"1.0\"?>\n<webplugins>\n<webplugin path=\"a\"/>\n</webplugins>\n")
                          << "<?xml version=\"1.0\"?>\n<webplugins>\n<webplugin path=\"a\"/>\n" + entry + "</webplugins>\n"
                          << QString();
    QTest::newRow("no-end-tag") << QByteArray("<webplugins/>") << QByteArray("<webplugins/>")
                                << QStringLiteral("@ has no </webplugins> to add /x/a&b \"c\" before");
}

// The list names the folder while the entry lives, and is as it was afterwards.
void tst_Host::folderListEntry()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, listed);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("webplugins.xml"));
    QVERIFY(original.isNull() || writeFile(list, original));
    const auto content = [&list] {
        QFile file(list);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    {
        FolderListEntry entry(list, QStringLiteral("/x/a&b \"c\""));
        QString reason;
        QCOMPARE(entry.add(&reason), error.isEmpty());
        QCOMPARE(reason, QString(error).replace(QLatin1Char('@'), list));
        QCOMPARE(content(), listed);
    }
    QCOMPARE(QFile::exists(list), !original.isNull());
    QCOMPARE(content(), original.isNull() ? QByteArray() : original);
}

void tst_Host::diagnosticLogRotation_data()
{
    QTest::addColumn<int>("lineLimit");        // the size limit in lines
    QTest::addColumn<QList<int>>("levels");    // an entry per level, with the text "1", "2", ...
    QTest::addColumn<QString>("previous");     // the texts in the file before
    QTest::addColumn<QString>("current");

    QTest::newRow("at-limit") << 3 << QList<int>{3, 3, 3} << QString() << QStringLiteral("123");
    QTest::newRow("one-over-limit") << 3 << QList<int>{3, 3, 3, 3} << QStringLiteral("123") << QStringLiteral("4");
    QTest::newRow("one-previous-file-kept") << 2 << QList<int>{3, 3, 3, 3, 3} << QStringLiteral("34") << QStringLiteral("5");
    QTest::newRow("below-level-left-out") << 2 << QList<int>{2, 3, 1, 5, 4} << QStringLiteral("24") << QStringLiteral("5");
    QTest::newRow("lines-over-limit") << 0 << QList<int>{3, 3, 3} << QStringLiteral("2") << QStringLiteral("3");
}

// The log takes entries from level 3 on; every line, "TIME [c] level N f.cpp:1 fn: T", has
// the same size.
void tst_Host::diagnosticLogRotation()
{
    QFETCH(int, lineLimit);
    QFETCH(QList<int>, levels);
    QFETCH(QString, previous);
    QFETCH(QString, current);

    const qint64 lineSize = qstrlen("2024-01-02T03:04:05.678 [c] level 3 f.cpp:1 fn: 1\n");
    QTemporaryDir dir;
    HostApi::LogService *service = QuorvexServiceApi();
    const int category = service->registerCategory("c");
    {
        DiagnosticLog log(dir.path(), 3, lineLimit * lineSize);
        for (int i = 0; i < levels.size(); ++i)
            service->write(category, levels.at(i), "f.cpp", 1, "fn", QString::number(i + 1));
    }
    const auto texts = [&dir](const char *name) {
        QFile file(dir.filePath(QLatin1String(name)));
        QString last;
        for (const QByteArray &line : (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).split('\n'))
            last += QString::fromUtf8(line.mid(line.lastIndexOf(": ") + 2));
        return last;
    };
    QCOMPARE(texts("tessel-host.log.1"), previous);
    QCOMPARE(texts("tessel-host.log"), current);
}

void tst_Host::screenshotFileNames_data()
{
    QTest::addColumn<QList<QByteArray>>("templateIds");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("plugin-ids") << QList<QByteArray>{"webplugin_quote-board", "webplugin_daily-chart"}
                                << QStringList{"quote-board.png", "daily-chart.png"};
    QTest::newRow("repeats") << QList<QByteArray>{"webplugin_a", "webplugin_a", "webplugin_a"}
                             << QStringList{"a.png", "a-2.png", "a-3.png"};
    QTest::newRow("repeat-meets-numbered-id") << QList<QByteArray>{"webplugin_a-2", "webplugin_a", "webplugin_a"}
                                              << QStringList{"a-2.png", "a.png", "a-3.png"};
    QTest::newRow("other-template") << QList<QByteArray>{"chart"} << QStringList{"chart.png"};
    QTest::newRow("prefix-only") << QList<QByteArray>{"webplugin_"} << QStringList{"webplugin_.png"};
    QTest::newRow("unsafe-characters") << QList<QByteArray>{"webplugin_../x y/\xc3\xa9"}
                                       << QStringList{".._x_y__.png"};
}

void tst_Host::screenshotFileNames()
{
    QFETCH(QList<QByteArray>, templateIds);
    QFETCH(QStringList, names);

    QStringList taken;
    QStringList fileNames;
    for (const QByteArray &id : templateIds)
        fileNames.append(ScreenshotJob::fileNameFor(QStringLiteral("/shots"), id, taken));
    for (QString &name : names)
        name.prepend(QLatin1String("/shots/"));
    QCOMPARE(fileNames, names);
}

void tst_Host::statusLine_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inProgress");
    QTest::addColumn<QString>("line");

    QTest::newRow("none") << int(Document::StatusNone) << QString() << false << QString();
    QTest::newRow("initializing") << int(Document::StatusInitializing) << QString() << false << "Initializing";
    QTest::newRow("ready-same-text") << int(Document::StatusReady) << "Ready" << false << "Ready";
    QTest::newRow("error-with-text") << int(Document::StatusError) << "feed down" << false << "Error: feed down";
    QTest::newRow("loading-wins") << int(Document::StatusReady) << "x" << true << "Loading: 42% completed";
    QTest::newRow("unknown-status") << 7 << "text" << false << "text";
}

void tst_Host::statusLine()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    QFETCH(bool, inProgress);
    QFETCH(QString, line);

    auto *document = new Document("test");
    DocumentWindow window(document, testTemplate());
    QSignalSpy lines(&window, &DocumentWindow::statusLineChanged);
    document->setProgressText(QStringLiteral("42% completed"));
    document->setInProgress(inProgress);
    document->setStatus(status);
    document->setStatusText(text);
    QCOMPARE(window.statusLine(), line);
    QCOMPARE(window.captionBar()->statusText(), line);
    QCOMPARE(lines.isEmpty() ? QString() : lines.last().first().toString(), line);
}

void tst_Host::documentWindowLayout()
{
    auto *document = new Document("test");
    bool documentAliveAtWidgetEnd = false;
    auto *window = new DocumentWindow(document, testTemplate());
    QVERIFY(!window->isReady());
    QSignalSpy ready(window, &DocumentWindow::ready);

    auto *caption = new QAction(QStringLiteral("Inspect"), document);
    document->addCaptionBarUserAction(caption);
    auto *header = new QLabel(QStringLiteral("header"));
    auto *content = new ProbeWidget(document, documentAliveAtWidgetEnd);
    document->setDocumentWidget(content);
    document->setDocumentHeader(header);

    // Caption bar, header, content, top to bottom.
    auto *layout = qobject_cast<QVBoxLayout *>(window->widget()->layout());
    QVERIFY(layout);
    QCOMPARE(layout->indexOf(window->captionBar()), 0);
    QCOMPARE(layout->indexOf(header), 1);
    QCOMPARE(layout->indexOf(content), 2);
    QVERIFY(window->captionBar()->actions().contains(caption));

    // Ready once: at the end of the first load, or when the page says so.
    document->setInProgress(true);
    QCOMPARE(ready.size(), 0);
    document->setInProgress(false);
    document->setStatus(Document::StatusReady);
    QCOMPARE(ready.size(), 1);
    QVERIFY(window->isReady());

    delete window;
    QVERIFY(documentAliveAtWidgetEnd);
}

void tst_Host::pluginMenu()
{
    QAction *open = nullptr;
    QStringList names;
    for (QAction *action : m_window->pluginMenu()->actions()) {
        names.append(action->text());
        if (action->data().toByteArray() == exampleTemplate)
            open = action;
    }
    QCOMPARE(names, (QStringList{QStringLiteral("Bridge Tour"), QStringLiteral("Chain Viewer"),
                                 QStringLiteral("Daily Chart"), QStringLiteral("Future"),
                                 QStringLiteral("News Reader"), QStringLiteral("Quote Board")}));
    QVERIFY(open);
    QCOMPARE(open->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Alt+B"))});

    open->trigger();
    QCOMPARE(m_window->documentWindows().size(), 1);
    QCOMPARE(m_window->documentWindows().first()->templateId(), exampleTemplate);
}

void tst_Host::documentWindow()
{
    DocumentWindow *window = openExample();
    QVERIFY(window && window->isReady());
    QWidget *content = window->document()->documentWidget();
    QVERIFY(content && window->isAncestorOf(content) && content->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Bridge Tour"));
    QCOMPARE(m_window->statusLine(), QStringLiteral("Ready"));
    QCOMPARE(pageText(window, QStringLiteral("versions")), QStringLiteral("API 1.0 \u00b7 plug-in 1.0"));

    // What the page sets shows in the window, its caption bar and the status bar.
    evaluate(window, QStringLiteral("_quorvex_bridge.windowTitle = 'Quotes';"
                                    "_quorvex_bridge.documentDesc = '<b>Desk</b> one';"
                                    "_quorvex_bridge.readyStatus = 'error';"
                                    "_quorvex_bridge.readyStatusText = 'feed down';"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Quotes"));
    QCOMPARE(window->captionBar()->descriptionText(), QStringLiteral("<b>Desk</b> one"));
    QCOMPARE(m_window->statusLine(), QStringLiteral("Error: feed down"));

    // The page's main menu joins the menu bar while its window is active.
    const QList<QAction *> bar = m_window->menuBar()->actions();
    QVERIFY(std::any_of(bar.begin(), bar.end(), [](QAction *a) { return a->menu() && a->menu()->title() == "Bridge Tour"; }));
    QCOMPARE(evaluate(window, QStringLiteral("_quorvex_bridge.isWindowActive")), QVariant(true));

    DocumentWindow *second = openExample();
    QVERIFY(second);
    QCOMPARE(m_window->activeDocumentWindow(), second);
    QCOMPARE(evaluate(window, QStringLiteral("_quorvex_bridge.isWindowActive")), QVariant(false));
    QCOMPARE(pageText(window, QStringLiteral("active")), QStringLiteral("inactive"));
    QCOMPARE(m_window->statusLine(), QStringLiteral("Ready"));

    // Loading shows its progress; a reload ends ready again.
    QSignalSpy lines(second, &DocumentWindow::statusLineChanged);
    evaluate(second, QStringLiteral("_quorvex_bridge.refresh()"));
    QTRY_COMPARE(second->statusLine(), QStringLiteral("Ready"));
    QStringList seen;
    for (const QList<QVariant> &line : qAsConst(lines))
        seen.append(line.first().toString());
    QVERIFY2(seen.contains(QStringLiteral("Loading: 100% completed")), qPrintable(seen.join(QLatin1String(" | "))));

    window->close();
    QTRY_COMPARE(m_window->documentWindows(), QList<DocumentWindow *>{second});
}

void tst_Host::outputDock()
{
    OutputDock *dock = m_window->outputDock();
    QCOMPARE(dock->windowTitle(), QStringLiteral("Plugin Output"));
    const QString before = dock->text();

    DocumentWindow *window = openExample();
    QVERIFY(window);
    QCOMPARE(dock->text(), before + startedLine);
    evaluate(window, QStringLiteral("document.getElementById('logText').value = 'from a test';"
                                    "document.getElementById('output').click();"));
    QCOMPARE(dock->text(), before + startedLine + QStringLiteral("bridge-tour: from a test, \n"));

    // The page's own action, from its menu in the menu bar.
    QAction *hello = menuAction(m_window->menuBar(), QStringLiteral("Say Hello"));
    QVERIFY(hello);
    hello->trigger();
    QVERIFY(dock->text().endsWith(QStringLiteral("bridge-tour: Hello from Bridge Tour, \n")));
}

void tst_Host::refusedDocument()
{
    const QString before = m_channel->text();
    QString error;
    QVERIFY(!m_window->openDocument("webplugin_future", &error));
    QCOMPARE(error, QStringLiteral("plug-in 'Future' refused to open a document (result 2)"));
    QCOMPARE(m_channel->text().mid(before.size()),
             QStringLiteral("pluginmanager: failed to create document, "
                            "plugin requires more recent version of application\n"));
    QVERIFY(!m_window->openDocument("webplugin_absent", &error));
    QCOMPARE(error, QStringLiteral("no plug-in 'webplugin_absent' is installed"));
    QVERIFY(m_window->documentWindows().isEmpty());
}

void tst_Host::linkGroups_data()
{
    QTest::addColumn<int>("senderGroup");
    QTest::addColumn<int>("receiverGroup");
    QTest::addColumn<QString>("received");

    QTest::newRow("same-group") << 2 << 2 << QStringLiteral("MSFT");
    QTest::newRow("other-group") << 2 << 3 << QStringLiteral("-");
    QTest::newRow("not-linked") << 0 << 0 << QStringLiteral("-");
}

void tst_Host::linkGroups()
{
    QFETCH(int, senderGroup);
    QFETCH(int, receiverGroup);
    QFETCH(QString, received);

    DocumentWindow *sender = openExample();
    DocumentWindow *receiver = openExample();
    QVERIFY(sender && receiver);
    emit sender->captionBar()->linkGroupRequested(senderGroup);
    receiver->setLinkGroup(receiverGroup);
    receiver->setLinkGroup(LinkGroups::Count + 1);
    QCOMPARE(sender->linkGroup(), senderGroup);
    QCOMPARE(sender->captionBar()->linkGroup(), senderGroup);
    QCOMPARE(receiver->linkGroup(), receiverGroup);

    evaluate(sender, QStringLiteral("_quorvex_bridge.setSymbolLinking('MSFT')"));
    QCOMPARE(pageText(receiver, QStringLiteral("linked")), received);
    QCOMPARE(pageText(sender, QStringLiteral("linked")), QStringLiteral("-"));
}

void tst_Host::editMenu()
{
    DocumentWindow *first = openExample();
    QVERIFY(first);
    QAction *undo = menuAction(m_window->menuBar(), QStringLiteral("&Undo"));
    QAction *redo = menuAction(m_window->menuBar(), QStringLiteral("&Redo"));
    QVERIFY(undo && redo);
    QVERIFY(!undo->isEnabled());

    QUndoStack *stack = first->document()->undoStack();
    QVERIFY(stack);
    stack->push(new QUndoCommand(QStringLiteral("Count")));
    QCOMPARE(undo->text().section(QLatin1Char('\t'), 0, 0), QStringLiteral("&Undo Count"));
    undo->trigger();
    QCOMPARE(stack->index(), 0);
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());

    // Each window has its own history; the menu follows the active one.
    DocumentWindow *second = openExample();
    QVERIFY(second);
    QVERIFY(!redo->isEnabled());
    m_window->documentArea()->setActiveSubWindow(first);
    QVERIFY(redo->isEnabled());
    redo->trigger();
    QCOMPARE(stack->index(), 1);

    // The standard actions are those of the active document's widget.
    auto *widget = qobject_cast<ActionWidget *>(first->document()->documentWidget());
    QVERIFY(widget);
    for (const char *id : {ActionWidget::CopyHotKeyId, ActionWidget::RefreshHotKeyId}) {
        QAction *own = widget->hotKeyAction(id);
        QVERIFY(own);
        QAction *host = nullptr;
        for (QAction *action : undo->associatedWidgets().first()->actions()) {
            if (action->data().toByteArray() == id)
                host = action;
        }
        QVERIFY2(host && host->isEnabled(), id);
        QSignalSpy triggered(own, &QAction::triggered);
        host->trigger();
        QCOMPARE(triggered.size(), 1);
    }
}

void tst_Host::theme()
{
    DocumentWindow *window = openExample();
    QVERIFY(window);
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    QCOMPARE(appearance->currentTheme(), AppearanceManager::BlackTheme);
    QAction *white = menuAction(m_window->menuBar(), QStringLiteral("&White"));
    QVERIFY(white);

    white->trigger();
    QCOMPARE(appearance->currentTheme(), AppearanceManager::WhiteTheme);
    QCOMPARE(Application::instance()->settings()->value(QLatin1String(HostTheme::SettingsKey)).toString(),
             QStringLiteral("white"));
    QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(evaluate(window, QStringLiteral("_quorvex_bridge.theme")).toString(), QStringLiteral("white"));

    menuAction(m_window->menuBar(), QStringLiteral("&Black"))->trigger();
    QCOMPARE(appearance->currentTheme(), AppearanceManager::BlackTheme);
    QVERIFY(!white->isChecked());
    QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(0x1b, 0x1e, 0x23));
}

void tst_Host::settingsDialog()
{
    const QString developer = QLatin1String(SettingsDialog::DeveloperFeature);
    QVERIFY(!FeatureManager::instance()->isEnabled(developer));
    SettingsDialog dialog;
    QVERIFY(dialog.featureBox(QStringLiteral("webplugin.bridge-tour.extras")));
    QVERIFY(!dialog.featureBox(QStringLiteral("webplugin.unknown")));
    dialog.userNameEdit()->setText(QStringLiteral("trader"));
    dialog.passwordEdit()->setText(QStringLiteral("s3cret-pass"));
    dialog.updatesBox()->setChecked(false);
    dialog.featureBox(developer)->setChecked(true);
    dialog.accept();

    Application *application = Application::instance();
    QCOMPARE(application->username(), QStringLiteral("trader"));
    QCOMPARE(application->password(), QStringLiteral("s3cret-pass"));
    QCOMPARE(application->settings()->value(QStringLiteral("enableWebPluginsUpdates")), QVariant(false));
    QVERIFY(FeatureManager::instance()->isEnabled(developer));

    // The password lives for the session only; the user name comes back on start.
    QFile file(application->settings()->fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QVERIFY(!stored.contains("s3cret"));
    application->setUsername(QString());
    SettingsDialog::restoreUserName();
    QCOMPARE(application->username(), QStringLiteral("trader"));

    SettingsDialog reopened;
    QVERIFY(!reopened.updatesBox()->isChecked());
    QVERIFY(reopened.featureBox(developer)->isChecked());
    reopened.featureBox(developer)->setChecked(false);
    reopened.apply();
    QVERIFY(!FeatureManager::instance()->isEnabled(developer));

    // Formatting choices reach the preferences at once, with one change signal.
    Preferences *preferences = Preferences::instance();
    QSignalSpy formatterChanged(preferences, &Preferences::formatterChanged);
    reopened.decimalSymbolBox()->setCurrentIndex(reopened.decimalSymbolBox()->findData(QStringLiteral(",")));
    reopened.timeZoneBox()->setCurrentText(QStringLiteral("Asia/Tokyo"));
    reopened.apply();
    QCOMPARE(formatterChanged.count(), 1);
    QCOMPARE(preferences->decimalSymbol() + QString::fromUtf8(preferences->localTimeZoneId()),
             QStringLiteral(",Asia/Tokyo"));
    SettingsDialog third;
    QCOMPARE(third.decimalSymbolBox()->currentData().toString() + third.timeZoneBox()->currentText(),
             QStringLiteral(",Asia/Tokyo"));
    // Later test functions format with the defaults.
    QVERIFY(preferences->setFormatting(QStringLiteral("."), false, "UTC"));
}

void tst_Host::updateStatus_data()
{
    QTest::addColumn<QString>("summary");
    QTest::addColumn<bool>("changedFiles");
    QTest::addColumn<QString>("shown");

    QTest::newRow("all-kept") << QStringLiteral("0 downloaded, 0 removed, 3 kept, 0 failed") << false
                              << QStringLiteral("Web plug-ins: 0 downloaded, 0 removed, 3 kept, 0 failed");
    QTest::newRow("changed") << QStringLiteral("1 downloaded, 0 removed, 3 kept, 0 failed") << true
                             << QStringLiteral("Web plug-ins: 1 downloaded, 0 removed, 3 kept, 0 failed. "
                                               "Updated web plug-ins take effect at the next start.");
    QTest::newRow("ended-early") << QStringLiteral("the update table could not be loaded (error 4 from market)")
                                 << false
                                 << QStringLiteral("Web plug-ins: the update table could not be loaded (error 4 from market)");
}

// The run shows in the status bar; its end also goes to the output.
void tst_Host::updateStatus()
{
    QFETCH(QString, summary);
    QFETCH(bool, changedFiles);
    QFETCH(QString, shown);

    QObject module;
    auto *updater = new FakeUpdater(new QObject(&module));
    m_window->followUpdates(&module);
    const QStatusBar *bar = m_window->statusBar();
    emit updater->progressChanged(2, 5);
    QCOMPARE(bar->currentMessage(), QStringLiteral("Updating web plug-ins: 2 of 5"));

    const QString before = m_channel->text();
    updater->setSummary(summary, changedFiles);
    emit updater->finished();
    QCOMPARE(bar->currentMessage(), shown);
    QCOMPARE(m_channel->text().mid(before.size()), shown + QLatin1Char('\n'));
}

void tst_Host::workspaceRoundTrip()
{
    DocumentWindow *quotes = openExample();
    DocumentWindow *chart = openExample();
    QVERIFY(quotes && chart);
    evaluate(quotes, QStringLiteral("_quorvex_bridge.windowTitle = 'Quotes'"));
    chart->setGeometry(50, 60, 420, 310);
    chart->setLinkGroup(4);
    m_window->documentArea()->setActiveSubWindow(quotes);
    quotes->setGeometry(10, 20, 400, 300);
    quotes->showMaximized();

    const Workspace saved = m_window->workspace();
    QCOMPARE(saved.documents.size(), 2);
    QCOMPARE(saved.documents.at(saved.activeDocument).title, QStringLiteral("Quotes"));
    const WorkspaceStore store(WorkspaceStore::defaultFileName());
    QVERIFY(store.save(saved));

    m_window = std::make_unique<MainWindow>();
    m_window->setUp(m_channel);
    m_window->show();
    Workspace withUnknown = store.load();
    WorkspaceDocument removed;
    removed.templateId = "webplugin_removed";
    removed.geometry = QRect(0, 0, 100, 100);
    withUnknown.documents.prepend(removed);
    ++withUnknown.activeDocument;
    LogCapture log;
    m_window->restoreWorkspace(withUnknown);
    QCOMPARE(log.texts("TesselHost"), QStringList{QStringLiteral("Not restored: no plug-in 'webplugin_removed' is installed")});

    // Property values are checked by propertiesRestored: a sealed value differs on every save.
    const auto withoutProperties = [](QList<WorkspaceDocument> documents) {
        for (WorkspaceDocument &document : documents)
            document.properties.clear();
        return documents;
    };
    const Workspace restored = m_window->workspace();
    QCOMPARE(withoutProperties(restored.documents), withoutProperties(saved.documents));
    QCOMPARE(restored.activeDocument, saved.activeDocument);
    DocumentWindow *active = m_window->activeDocumentWindow();
    QVERIFY(active);
    QTRY_VERIFY(active->isReady());
    QCOMPARE(active->windowTitle(), QStringLiteral("Quotes"));
    QCOMPARE(evaluate(active, QStringLiteral("document.getElementById('title').value")).toString(),
             QStringLiteral("Quotes"));
}

void tst_Host::examplesShowMarketData_data()
{
    QTest::addColumn<QByteArray>("templateId");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("pattern");

    // Each page, opened on the host's market data, fills in what it shows once data arrives.
    // Prices follow the host's decimal symbol, which another test may have changed.
    const QString price = QStringLiteral("^\\d+[.,]\\d+$");
    QTest::newRow("quote-board-last") << QByteArray("webplugin_quote-board")
                                      << "document.querySelector('#rows td.num').textContent" << price;
    QTest::newRow("daily-chart-legend") << QByteArray("webplugin_daily-chart")
                                        << "document.getElementById('legend').textContent"
                                        << QStringLiteral("O \\d+[.,]\\d+\\s*H \\d+[.,]\\d+");
    QTest::newRow("chain-viewer-front-contract") << QByteArray("webplugin_chain-viewer")
                                                 << "document.getElementById('detailLast').textContent" << price;
    QTest::newRow("news-reader-story") << QByteArray("webplugin_news-reader")
                                       << "document.getElementById('storyTitle').textContent + '|' "
                                          "+ document.querySelector('#list .text').textContent"
                                       << QStringLiteral("^(.+)\\|\\1$");
}

void tst_Host::examplesShowMarketData()
{
    QFETCH(QByteArray, templateId);
    QFETCH(QString, script);
    QFETCH(QString, pattern);

    QString error;
    DocumentWindow *window = m_window->openDocument(templateId, &error);
    QVERIFY2(window, qPrintable(error));
    const QRegularExpression expected(pattern);
    QTRY_VERIFY_WITH_TIMEOUT(expected.match(evaluate(window, script).toString()).hasMatch(), 30000);
    QCOMPARE(window->document()->status(), int(Document::StatusReady));
}


void tst_Host::contextEntries()
{
    QString error;
    DocumentWindow *chart = m_window->openDocument("webplugin_daily-chart", &error);
    QVERIFY2(chart, qPrintable(error));
    QTRY_VERIFY(chart->isReady());
    // The status bar shows the active window's symbol.
    QTRY_COMPARE(m_window->contextLine(), QStringLiteral("Symbol: ACME.QB"));

    // "Open in" each plug-in with symbol linking; it opens that plug-in on the symbol.
    ContextData context;
    QVERIFY(m_window->openInEntries(context).isEmpty());
    context.setSymbolContext("NRTH.N");
    const ContextMenuActionList entries = m_window->openInEntries(context);
    QStringList texts;
    QAction *openChart = nullptr;
    for (const ContextMenuAction &entry : entries) {
        if (QAction *action = entry.action()) {
            texts.append(action->text());
            if (action->text() == QLatin1String("Open in Daily Chart"))
                openChart = action;
        }
    }
    QVERIFY2(texts.contains(QStringLiteral("Open in Chain Viewer")), qPrintable(texts.join(QLatin1Char(','))));
    QVERIFY(!texts.contains(QStringLiteral("Open in Future")));
    QVERIFY(openChart);
    openChart->trigger();
    DocumentWindow *opened = m_window->activeDocumentWindow();
    QVERIFY(opened && opened != chart);
    QTRY_VERIFY(opened->isReady());
    QTRY_COMPARE(evaluate(opened, QStringLiteral("document.getElementById('symbol').value")).toString(),
                 QStringLiteral("NRTH.N"));
    QTRY_COMPARE(m_window->contextLine(), QStringLiteral("Symbol: NRTH.N"));
    for (const ContextMenuAction &entry : entries)
        delete entry.action();
}

void tst_Host::propertyDialog()
{
    DocumentWindow *window = openExample();
    QVERIFY(window);
    QVERIFY(window->propertiesAction()->isVisible());
    QUndoStack *undo = window->document()->undoStack();
    QVERIFY(undo);

    // A page edit applied through the dialog changes that document's property, once.
    auto dialog = std::make_unique<PropertyDialog>(window->document(), m_window.get());
    QCOMPARE(dialog->pages().size(), 2);
    QSpinBox *refresh = nullptr;
    for (HostApi::PropertyPage *page : dialog->pages()) {
        for (auto *box : page->findChildren<QSpinBox *>()) {
            if (box->property("dataKey") == QLatin1String("objects.display.refreshSeconds"))
                refresh = box;
        }
    }
    QVERIFY(refresh);
    QCOMPARE(refresh->value(), 5);
    refresh->setValue(9);
    dialog->apply();
    QCOMPARE(evaluate(window, propertyScript("display.refreshSeconds") + QStringLiteral(".value")).toInt(), 9);
    QCOMPARE(undo->count(), 1);
    QCOMPARE(undo->undoText(), QStringLiteral("Refresh Interval"));
    QTRY_VERIFY(pageText(window, QStringLiteral("events")).contains(QStringLiteral("changed display.refreshSeconds")));
    dialog.reset();

    // A script write is one entry too; undo restores both, and the page hears each change.
    evaluate(window, propertyScript("display.greeting") + QStringLiteral(".value = 'Hi'"));
    QCOMPARE(undo->undoText(), QStringLiteral("Greeting"));
    QVERIFY(menuAction(m_window->menuBar(), QStringLiteral("&Undo Greeting")));
    undo->undo();
    undo->undo();
    QCOMPARE(evaluate(window, propertyScript("display.greeting") + QStringLiteral(".value")).toString(),
             QStringLiteral("Hello"));
    QCOMPARE(evaluate(window, propertyScript("display.refreshSeconds") + QStringLiteral(".value")).toInt(), 5);

    // Theme values follow the theme until the user sets one.
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString accent = propertyScript("display.accent") + QStringLiteral(".value");
    QCOMPARE(evaluate(window, accent).toString(), QStringLiteral("rgb(255,179,0)"));
    appearance->setCurrentTheme(AppearanceManager::WhiteTheme);
    QCOMPARE(evaluate(window, accent).toString(), QStringLiteral("rgb(21,101,192)"));
    evaluate(window, propertyScript("display.accent") + QStringLiteral(".colorCss = '#102030'"));
    appearance->setCurrentTheme(AppearanceManager::BlackTheme);
    QCOMPARE(evaluate(window, accent).toString(), QStringLiteral("rgb(16,32,48)"));
}

void tst_Host::propertiesRestored_data()
{
    QTest::addColumn<QString>("script");       // run on the page before the workspace is saved
    QTest::addColumn<QVariantMap>("edit");     // merged into the saved display group by hand
    QTest::addColumn<QString>("check");        // a script expression read after the restore
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("warnings");

    QTest::newRow("int") << propertyScript("display.refreshSeconds") + QStringLiteral(".setValue(42)") << QVariantMap()
                         << propertyScript("display.refreshSeconds") + QStringLiteral(".value") << "42" << 0;
    QTest::newRow("font") << propertyScript("display.textFont") + QStringLiteral(".fontCss = 'bold 14pt \"DejaVu Sans\"'")
                          << QVariantMap() << propertyScript("display.textFont") + QStringLiteral(".value")
                          << "bold 14pt \"dejavu sans\"" << 0;
    QTest::newRow("secured") << propertyScript("account.apiToken") + QStringLiteral(".setValue('tok-31337')") << QVariantMap()
                             << propertyScript("account.apiToken") + QStringLiteral(".value") << "tok-31337" << 0;
    QTest::newRow("json-by-page") << propertyScript("display.pageState") + QStringLiteral(".setValue({tab: 2})")
                                  << QVariantMap() << "JSON.stringify(" + propertyScript("display.pageState") + ".value)"
                                  << "{\"tab\":2}" << 0;
    // Bad values are skipped and reported; the others come back.
    QTest::newRow("wrong-type") << propertyScript("display.greeting") + QStringLiteral(".setValue('kept')")
                                << QVariantMap{{QStringLiteral("refreshSeconds"), QStringLiteral("abc")}}
                                << propertyScript("display.greeting") + QStringLiteral(".value + ' ' + ")
                                       + propertyScript("display.refreshSeconds") + QStringLiteral(".value")
                                << "kept 5" << 1;
    QTest::newRow("huge") << propertyScript("display.opacity") + QStringLiteral(".setValue(0.5)")
                          << QVariantMap{{QStringLiteral("greeting"), QString(2 << 20, QLatin1Char('x'))}}
                          << propertyScript("display.opacity") + QStringLiteral(".value + ' ' + ")
                                 + propertyScript("display.greeting") + QStringLiteral(".value")
                          << "0.5 Hello" << 1;
}

void tst_Host::propertiesRestored()
{
    QFETCH(QString, script);
    QFETCH(QVariantMap, edit);
    QFETCH(QString, check);
    QFETCH(QString, expected);
    QFETCH(int, warnings);

    DocumentWindow *window = openExample();
    QVERIFY(window);
    evaluate(window, script);
    Workspace saved = m_window->workspace();
    QVariantMap &properties = saved.documents.last().properties;
    QVariantMap objects = properties.value(QStringLiteral("objects")).toMap();
    QVariantMap display = objects.value(QStringLiteral("display")).toMap();
    for (auto it = edit.cbegin(); it != edit.cend(); ++it)
        display.insert(it.key(), it.value());
    objects.insert(QStringLiteral("display"), display);
    properties.insert(QStringLiteral("objects"), objects);
    const WorkspaceStore store(WorkspaceStore::defaultFileName());
    QVERIFY(store.save(saved));
    QFile file(store.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("tok-31337"));

    m_window = std::make_unique<MainWindow>();
    m_window->setUp(m_channel);
    m_window->show();
    LogCapture log;
    m_window->restoreWorkspace(store.load());
    DocumentWindow *restored = m_window->activeDocumentWindow();
    QVERIFY(restored);
    QTRY_VERIFY(restored->isReady());
    QCOMPARE(evaluate(restored, check).toString(), expected);
    QStringList reports;
    for (const HostApi::LogEntry &entry : log.entries()) {
        if (entry.category != "TesselHost")
            reports.append(entry.text);
    }
    QCOMPARE(reports.size(), warnings);
}

QTEST_MAIN(tst_Host)
#include "tst_host.moc"
