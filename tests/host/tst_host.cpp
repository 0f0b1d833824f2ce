#include "bundletestutils.h"
#include "testsupport.h"

#include "captionbar.h"
#include "devmanifest.h"
#include "diagnosticlog.h"
#include "documentwindow.h"
#include "folderlistentry.h"
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
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>

#include <memory>

namespace {

const QByteArray exampleTemplate = "webplugin_bridge-tour";

QVariant evaluate(DocumentWindow *window, const QString &script)
{
    auto *view = window->document()->documentWidget()->findChild<QWebView *>();
    return view ? view->page()->mainFrame()->evaluateJavaScript(script) : QVariant();
}

QString pageText(DocumentWindow *window, const char *elementId)
{
    return evaluate(window, QStringLiteral("document.getElementById('%1').textContent").arg(QLatin1String(elementId))).toString();
}

// A script expression for the Bridge Tour property "group.id".
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
    return "{\"format\": 1, \"active\": " + QByteArray::number(active) + ", \"documents\": [" + documents.join(',') + "]}";
}

QByteArray documentEntry(const QByteArray &id, const QByteArray &extra = QByteArray())
{
    return "{\"template\": \"" + id + "\", \"x\": 10, \"y\": 20, \"width\": 300, \"height\": 200" + extra + "}";
}

// What the host sees of the module's web plug-in updater.
class FakeUpdater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString summary MEMBER m_summary)
    Q_PROPERTY(bool changedFiles MEMBER m_changedFiles)

public:
    FakeUpdater(QObject *parent, const QString &summary, bool changedFiles)
        : QObject(parent), m_summary(summary), m_changedFiles(changedFiles)
    {
        setObjectName(QLatin1String(UpdateStatus::UpdaterName));
    }

signals:
    void progressChanged(int done, int total);
    void finished();

private:
    QString m_summary;
    bool m_changedFiles;
};

HostApi::DocTemplate *testTemplate()
{
    static HostApi::DocTemplate docTemplate(nullptr, "test", QStringLiteral("Test"), QIcon(), QIcon(), 0, QString(), 0,
                                            {}, nullptr, nullptr, {}, false);
    return &docTemplate;
}

} // namespace

// The host's parts on their own, then the host's main window over the real module and the
// example plug-ins.
class tst_Host : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data;
    ModuleLoader m_loader;
    MarketData m_marketData;
    HostTheme m_theme;
    HostApi::OutputChannel *m_channel = nullptr;
    std::unique_ptr<MainWindow> m_window;

    void newMainWindow()
    {
        m_window = std::make_unique<MainWindow>();
        m_window->setUp(m_channel);
        m_window->resize(1000, 700);
        m_window->show();
    }

    DocumentWindow *open(const QByteArray &templateId = exampleTemplate)
    {
        QString error;
        DocumentWindow *window = m_window->openDocument(templateId, &error);
        if (!window)
            qWarning("%s", qPrintable(error));
        else if (!QTest::qWaitFor([window] { return window->isReady(); }, 30000))
            qWarning("%s did not get ready", templateId.constData());
        return window;
    }

private slots:
    void initTestCase()
    {
        const QString plugins = m_data.filePath(QStringLiteral("WebPlugins"));
        QByteArray list = "<webplugins>";
        for (const char *example : {"bridge-tour", "quote-board", "daily-chart", "chain-viewer", "news-reader"})
            list += "<webplugin path=\"" + testDataPath().toUtf8() + example + "\"/>";
        QVERIFY(writeFile(plugins + QStringLiteral("/webplugins.xml"), list + "</webplugins>"));
        QVERIFY(writeFile(plugins + QStringLiteral("/future/plugin.spec"), "{ id: \"future\", name: \"Future\", apiVersion: \"2.0\" }"));
        Application::instance()->setAppDataPath(m_data.path());
        QVERIFY2(m_marketData.start(m_data.path()), qPrintable(m_marketData.errorString()));
        m_theme.restore();

        QVERIFY2(m_loader.load(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/plugins/libtessel.so")),
                 qPrintable(m_loader.errorString()));
        QVERIFY(!m_loader.load());
        m_loader.plugin()->init();
        m_channel = HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>()->channel(
            QStringLiteral("webpluginoutput"));
        QVERIFY(m_channel);
    }

    void init() { newMainWindow(); }
    void cleanup() { m_window.reset(); }

    // report: the warning, "@" standing for the file; none when empty.
    void workspaceFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<QByteArray>>("restored");
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("report");

        const QByteArray a = documentEntry("a"), c = documentEntry("c");
        const QList<QByteArray> both{"a", "c"}, all{"a", "b", "c"}, none;
        const QString whole = QStringLiteral("\"%1\" is not a whole number from %2 to 100000");
        // A bad entry between two good ones is left out; the active index follows.
        const struct { const char *name; QByteArray entry; QString reason; } badEntries[] = {
            {"not-an-object", "5", "not an object"},
            {"no-template", "{\"x\": 1, \"y\": 1, \"width\": 1, \"height\": 1}", "no usable \"template\""},
            {"nul-in-template", "{\"template\": \"b\\u0000c\"}", "no usable \"template\""},
            {"title-not-text", documentEntry("b", ", \"title\": 5"), "\"title\" is not a text of at most 1024 characters"},
            {"title-too-long", documentEntry("b", ", \"title\": \"" + QByteArray(1025, 'x') + "\""),
             "\"title\" is not a text of at most 1024 characters"},
            {"fractional-x", "{\"template\": \"b\", \"x\": 1.5, \"y\": 1, \"width\": 1, \"height\": 1}", whole.arg("x").arg(-100000)},
            {"huge-x", "{\"template\": \"b\", \"x\": 2e22, \"y\": 1, \"width\": 1, \"height\": 1}", whole.arg("x").arg(-100000)},
            {"geometry-without-y", "{\"template\": \"b\", \"x\": 1, \"width\": 1, \"height\": 1}", whole.arg("y").arg(-100000)},
            {"geometry-without-size", "{\"template\": \"b\", \"x\": 1, \"y\": 1}", whole.arg("width").arg(1)},
            {"too-wide", "{\"template\": \"b\", \"x\": 1, \"y\": 1, \"width\": 100001, \"height\": 1}", whole.arg("width").arg(1)},
            {"zero-height", "{\"template\": \"b\", \"x\": 1, \"y\": 1, \"width\": 1, \"height\": 0}", whole.arg("height").arg(1)},
            {"link-group-too-high", documentEntry("b", ", \"linkGroup\": 7"), "\"linkGroup\" is not a whole number from 0 to 6"},
            {"unknown-state", documentEntry("b", ", \"state\": \"fullscreen\""), "unknown \"state\" 'fullscreen'"},
        };
        for (const auto &bad : badEntries)
            QTest::newRow(bad.name) << makeWorkspaceFile({a, bad.entry, c}, 2) << both << 1 << "@: document 1 left out: " + bad.reason;
        QTest::newRow("all-good") << makeWorkspaceFile({a, documentEntry("b", ", \"state\": \"maximized\", \"linkGroup\": 6"), c}, 1)
                                  << all << 1 << QString();
        QTest::newRow("no-geometry") << makeWorkspaceFile({a, "{\"template\": \"b\", \"linkGroup\": 1}", c}, 1) << all << 1 << QString();
        QTest::newRow("active-left-out") << makeWorkspaceFile({a, "5", c}, 1) << both << -1 << "@: document 1 left out: not an object";
        QTest::newRow("properties-not-an-object") << makeWorkspaceFile({documentEntry("a", ", \"properties\": 5")}) << QList<QByteArray>{"a"}
                                                  << 0 << "@: document 0: \"properties\" is not an object; not restored";
        QList<QByteArray> many, kept;
        for (int i = 0; i <= WorkspaceStore::MaxDocuments; ++i) {
            many.append(documentEntry("a" + QByteArray::number(i)));
            kept.append("a" + QByteArray::number(i));
        }
        kept.removeLast();
        QTest::newRow("too-many-documents") << makeWorkspaceFile(many, 0) << kept << 0 << "@ lists 65 documents; the first 64 are restored";
        QTest::newRow("not-json") << QByteArray("{\"format\": 1,") << none << -1 << "@ is not a JSON object (unterminated object); not restored";
        QTest::newRow("json-array") << QByteArray("[]") << none << -1 << "@ is not a JSON object (no error occurred); not restored";
        QTest::newRow("other-format") << QByteArray("{\"format\": 2, \"documents\": [" + a + "]}") << none << -1
                                      << "@ has an unknown format; not restored";
        QTest::newRow("too-large") << makeWorkspaceFile({a}) + QByteArray(WorkspaceStore::MaxFileSize, ' ') << none << -1
                                   << "@ is larger than 16777216 bytes; not restored";
    }

    void workspaceFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, report);

        QTemporaryDir dir;
        const QString fileName = dir.filePath(QLatin1String(WorkspaceStore::FileName));
        QVERIFY(writeFile(fileName, file));
        LogCapture log;
        const Workspace workspace = WorkspaceStore(fileName).load();
        QList<QByteArray> ids;
        for (const WorkspaceDocument &document : workspace.documents)
            ids.append(document.templateId);
        QTEST(ids, "restored");
        QTEST(workspace.activeDocument, "active");
        QCOMPARE(log.texts("TesselHost.Workspace"), report.isEmpty() ? QStringList() : QStringList{report.replace('@', fileName)});
    }

    // A pipe in the file's place is not read (reading it would block the start-up); what is
    // saved loads again as it was; a save that cannot be written is reported.
    void workspaceFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("workspace.json"));
        const WorkspaceStore store(fileName);
        QCOMPARE(store.load().documents.size(), 0);
        QCOMPARE(::mkfifo(QFile::encodeName(fileName).constData(), 0600), 0);
        LogCapture log;
        QCOMPARE(store.load().documents.size(), 0);
        QCOMPARE(log.texts("TesselHost.Workspace"), QStringList{fileName + " is not a regular file; not restored"});
        QVERIFY(QFile::remove(fileName));
        log.clear();

        using State = WorkspaceDocument::WindowState;
        Workspace workspace;
        workspace.windowGeometry = QByteArray("\x01\x02\xff geometry", 12);
        workspace.windowState = "state";
        workspace.documents = {{"webplugin_quotes", QStringLiteral("Котировки \"live\""), QRect(-20, 5, 640, 480), State::Maximized, 3, {}},
                               {"webplugin_chart", QString(), QRect(0, 0, 1, 1), State::Minimized, 0, {}},
                               {"webplugin_news", QString(), QRect(), State::Normal, 1, {}}};
        workspace.activeDocument = 1;
        QVERIFY(store.save(workspace));
        const Workspace loaded = store.load();
        QCOMPARE(loaded.windowGeometry, workspace.windowGeometry);
        QCOMPARE(loaded.windowState, workspace.windowState);
        QCOMPARE(loaded.documents, workspace.documents);
        QCOMPARE(loaded.activeDocument, 1);

        QVERIFY(!WorkspaceStore(dir.filePath(QStringLiteral("missing/workspace.json"))).save(workspace));
        QCOMPARE(log.texts("TesselHost.Workspace").size(), 1);
    }

    void manifestChanges_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("changes");
        QTest::newRow("same") << R"({"id": "a", "actions": {"x": {}}})" << R"({"actions": {"x": {}}, "id": "a"})" << QStringList();
        QTest::newRow("name") << R"({"name": "A"})" << R"({"name": "B"})" << QStringList{"name: \"A\" → \"B\""};
        QTest::newRow("version-text-to-number") << R"({"version": "1.0"})" << R"({"version": 1.5})" << QStringList{"version: \"1.0\" → 1.5"};
        QTest::newRow("added-and-removed") << R"({"icon": "app"})" << R"({"hotkeys": "Ctrl+H"})"
                                           << QStringList{"hotkeys: added \"Ctrl+H\"", "icon: removed"};
        QTest::newRow("actions") << R"({"actions": {"a": {}, "b": {"name": "B"}, "c": {}}})"
                                 << R"({"actions": {"b": {"name": "B2"}, "c": {}, "d": {}}})" << QStringList{"actions: a removed, b changed, d added"};
        QTest::newRow("list") << R"({"features": ["x"]})" << R"({"features": ["x", "y"]})" << QStringList{"features: [\"x\"] → [\"x\",\"y\"]"};
        QTest::newRow("object-to-text") << R"({"objects": {}})" << R"({"objects": "none"})" << QStringList{"objects: {} → \"none\""};
    }

    void manifestChanges()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QTEST(DevManifest::changes(QJsonDocument::fromJson(before.toUtf8()).object(), QJsonDocument::fromJson(after.toUtf8()).object()), "changes");
    }

    void messageFilter_data()
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

    void messageFilter()
    {
        QFETCH(int, type);
        QFETCH(QString, message);
        QTEST(MessageFilter::isNoise(QtMsgType(type), message), "noise");
    }

    void folderListEntry_data()
    {
        QTest::addColumn<QByteArray>("original");  // null: no list file
        QTest::addColumn<QByteArray>("listed");    // the file while the entry lives
        QTest::addColumn<QString>("error");

        const QByteArray entry = "  <webplugin path=\"/x/a&amp;b &quot;c&quot;\"/>\n";
        const QByteArray head = "<?xml version=\"1.0\"?>\n<webplugins>\n<webplugin path=\"a\"/>\n";
        QTest::newRow("no-list") << QByteArray() << "<webplugins>\n" + entry + "</webplugins>\n" << QString();
        QTest::newRow("list") << head + "</webplugins>\n" << head + entry + "</webplugins>\n" << QString();
        QTest::newRow("no-end-tag") << QByteArray("<webplugins/>") << QByteArray("<webplugins/>")
                                    << QStringLiteral("@ has no </webplugins> to add /x/a&b \"c\" before");
    }

    // The list names the folder while the entry lives, and is as it was afterwards.
    void folderListEntry()
    {
        QFETCH(QByteArray, original);
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
            QCOMPARE(reason, error.replace(QLatin1Char('@'), list));
            QTEST(content(), "listed");
        }
        QCOMPARE(QFile::exists(list), !original.isNull());
        QCOMPARE(content(), original.isNull() ? QByteArray() : original);
    }

    void diagnosticLogRotation_data()
    {
        QTest::addColumn<int>("lineLimit");        // the size limit in lines
        QTest::addColumn<QList<int>>("levels");    // an entry per level, with the text "1", "2", ...
        QTest::addColumn<QString>("previous");     // the texts in the file before
        QTest::addColumn<QString>("current");

        QTest::newRow("at-limit") << 3 << QList<int>{3, 3, 3} << QString() << "123";
        QTest::newRow("one-over-limit") << 3 << QList<int>{3, 3, 3, 3} << "123" << "4";
        QTest::newRow("one-previous-file-kept") << 2 << QList<int>{3, 3, 3, 3, 3} << "34" << "5";
        QTest::newRow("below-level-left-out") << 2 << QList<int>{2, 3, 1, 5, 4} << "24" << "5";
        QTest::newRow("lines-over-limit") << 0 << QList<int>{3, 3, 3} << "2" << "3";
    }

    // The log takes entries from level 3 on; every line, "TIME [c] level N f.cpp:1 fn: T", has
    // the same size.
    void diagnosticLogRotation()
    {
        QFETCH(int, lineLimit);
        QFETCH(QList<int>, levels);

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
        QTEST(texts("tessel-host.log.1"), "previous");
        QTEST(texts("tessel-host.log"), "current");
    }

    void screenshotFileNames_data()
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
        QTest::newRow("unsafe-characters") << QList<QByteArray>{"webplugin_../x y/\xc3\xa9"} << QStringList{".._x_y__.png"};
    }

    void screenshotFileNames()
    {
        QFETCH(QList<QByteArray>, templateIds);
        QFETCH(QStringList, names);

        QStringList taken, fileNames;
        for (const QByteArray &id : templateIds)
            fileNames.append(ScreenshotJob::fileNameFor(QStringLiteral("/shots"), id, taken));
        QCOMPARE(fileNames, names.replaceInStrings(QRegularExpression(QStringLiteral("^")), QStringLiteral("/shots/")));
    }

    // The document outlives its widget.
    void documentWindowTeardown()
    {
        auto *document = new Document("test");
        auto *window = new DocumentWindow(document, testTemplate());
        auto *content = new QWidget;
        document->setDocumentWidget(content);
        const QPointer<Document> alive(document);
        bool aliveAtWidgetEnd = false;
        connect(content, &QObject::destroyed, [&] { aliveAtWidgetEnd = !alive.isNull(); });
        delete window;
        QVERIFY(aliveAtWidgetEnd);
    }

    // Opened from the plug-in menu, what the page sets shows in the window, its caption bar,
    // the status line and the output; the page's menu joins the menu bar while its window is
    // active.
    void documentWindow()
    {
        QAction *openAction = nullptr;
        QStringList names;
        for (QAction *action : m_window->pluginMenu()->actions()) {
            names.append(action->text());
            openAction = action->data().toByteArray() == exampleTemplate ? action : openAction;
        }
        QCOMPARE(names, (QStringList{"Bridge Tour", "Chain Viewer", "Daily Chart", "Future", "News Reader", "Quote Board"}));
        QVERIFY(openAction);
        QCOMPARE(openAction->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Alt+B"))});
        OutputDock *dock = m_window->outputDock();
        QCOMPARE(dock->windowTitle(), QStringLiteral("Plugin Output"));
        const QString before = dock->text();
        openAction->trigger();
        QCOMPARE(m_window->documentWindows().size(), 1);
        DocumentWindow *window = m_window->documentWindows().first();
        QCOMPARE(window->templateId(), exampleTemplate);
        QTRY_VERIFY(window->isReady());
        QWidget *content = window->document()->documentWidget();
        QVERIFY(content && window->isAncestorOf(content) && content->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Bridge Tour"));
        QCOMPARE(m_window->statusLine(), QStringLiteral("Ready"));
        QCOMPARE(pageText(window, "versions"), QStringLiteral("API 1.0 \u00b7 plug-in 1.0"));
        const QString started = QStringLiteral("bridge-tour: Bridge Tour 1.0 started, API 1.0, \n");
        QCOMPARE(dock->text().mid(before.size()), started);

        evaluate(window, QStringLiteral("document.getElementById('logText').value = 'from a test';"
                                        "document.getElementById('output').click();"));
        QCOMPARE(dock->text().mid(before.size()), started + QStringLiteral("bridge-tour: from a test, \n"));
        menuAction(m_window->menuBar(), QStringLiteral("Say Hello"))->trigger();
        QVERIFY(dock->text().endsWith(QStringLiteral(", \nbridge-tour: Hello from Bridge Tour, \n")));
        evaluate(window, QStringLiteral("_quorvex_bridge.windowTitle = 'Quotes';"
                                        "_quorvex_bridge.documentDesc = '<b>Desk</b> one';"
                                        "_quorvex_bridge.readyStatus = 'error';"
                                        "_quorvex_bridge.readyStatusText = 'feed down';"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Quotes"));
        QCOMPARE(window->captionBar()->descriptionText(), QStringLiteral("<b>Desk</b> one"));
        QCOMPARE(m_window->statusLine(), QStringLiteral("Error: feed down"));
        QCOMPARE(window->captionBar()->statusText(), QStringLiteral("Error: feed down"));
        QCOMPARE(evaluate(window, QStringLiteral("_quorvex_bridge.isWindowActive")), QVariant(true));

        DocumentWindow *second = open();
        QVERIFY(second);
        QCOMPARE(m_window->activeDocumentWindow(), second);
        QCOMPARE(evaluate(window, QStringLiteral("_quorvex_bridge.isWindowActive")), QVariant(false));
        QCOMPARE(pageText(window, "active"), QStringLiteral("inactive"));
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

    void refusedDocument()
    {
        const QString before = m_channel->text();
        QString error;
        QVERIFY(!m_window->openDocument("webplugin_future", &error));
        QCOMPARE(error, QStringLiteral("plug-in 'Future' refused to open a document (result 2)"));
        QCOMPARE(m_channel->text().mid(before.size()),
                 QStringLiteral("pluginmanager: failed to create document, plugin requires more recent version of application\n"));
        QVERIFY(!m_window->openDocument("webplugin_absent", &error));
        QCOMPARE(error, QStringLiteral("no plug-in 'webplugin_absent' is installed"));
        QVERIFY(m_window->documentWindows().isEmpty());
    }

    void linkGroups_data()
    {
        QTest::addColumn<int>("senderGroup");
        QTest::addColumn<int>("receiverGroup");
        QTest::addColumn<QString>("received");
        QTest::newRow("same-group") << 2 << 2 << "MSFT";
        QTest::newRow("other-group") << 2 << 3 << "-";
        QTest::newRow("not-linked") << 0 << 0 << "-";
    }

    // A symbol set on one page reaches the pages of its link group, not itself; a group out of
    // range is ignored.
    void linkGroups()
    {
        QFETCH(int, senderGroup);
        QFETCH(int, receiverGroup);

        DocumentWindow *sender = open();
        DocumentWindow *receiver = open();
        QVERIFY(sender && receiver);
        emit sender->captionBar()->linkGroupRequested(senderGroup);
        receiver->setLinkGroup(receiverGroup);
        receiver->setLinkGroup(LinkGroups::Count + 1);
        QCOMPARE(sender->linkGroup(), senderGroup);
        QCOMPARE(sender->captionBar()->linkGroup(), senderGroup);
        QCOMPARE(receiver->linkGroup(), receiverGroup);
        evaluate(sender, QStringLiteral("_quorvex_bridge.setSymbolLinking('MSFT')"));
        QTEST(pageText(receiver, "linked"), "received");
        QCOMPARE(pageText(sender, "linked"), QStringLiteral("-"));
    }

    // A page edit applied through the dialog and a script write are one undo entry each, and
    // the page hears each change. The Edit menu follows the active window's history; its
    // standard actions reach the active document's own.
    void propertyDialogAndEditMenu()
    {
        DocumentWindow *window = open();
        QVERIFY(window);
        QVERIFY(window->propertiesAction()->isVisible());
        QUndoStack *stack = window->document()->undoStack();
        QAction *undo = menuAction(m_window->menuBar(), QStringLiteral("&Undo"));
        QAction *redo = menuAction(m_window->menuBar(), QStringLiteral("&Redo"));
        QVERIFY(stack && undo && redo && !undo->isEnabled());
        const auto value = [window](const char *path) {
            return evaluate(window, propertyScript(path) + QStringLiteral(".value")).toString();
        };
        const auto undoText = [undo] { return undo->text().section(QLatin1Char('\t'), 0, 0); };

        auto dialog = std::make_unique<PropertyDialog>(window->document(), m_window.get());
        QCOMPARE(dialog->pages().size(), 2);
        QSpinBox *refresh = nullptr;
        for (HostApi::PropertyPage *page : dialog->pages()) {
            for (auto *box : page->findChildren<QSpinBox *>())
                refresh = box->property("dataKey") == QLatin1String("objects.display.refreshSeconds") ? box : refresh;
        }
        QVERIFY(refresh);
        QCOMPARE(refresh->value(), 5);
        refresh->setValue(9);
        dialog->apply();
        QCOMPARE(value("display.refreshSeconds"), QStringLiteral("9"));
        QCOMPARE(stack->count(), 1);
        QCOMPARE(undoText(), QStringLiteral("&Undo Refresh Interval"));
        QTRY_VERIFY(pageText(window, "events").contains(QStringLiteral("changed display.refreshSeconds")));
        dialog.reset();

        evaluate(window, propertyScript("display.greeting") + QStringLiteral(".value = 'Hi'"));
        QCOMPARE(undoText(), QStringLiteral("&Undo Greeting"));
        undo->trigger();
        undo->trigger();
        QCOMPARE(value("display.greeting") + value("display.refreshSeconds"), QStringLiteral("Hello5"));
        QVERIFY(!undo->isEnabled() && redo->isEnabled());

        QVERIFY(open());
        QVERIFY(!redo->isEnabled());
        m_window->documentArea()->setActiveSubWindow(window);
        QVERIFY(redo->isEnabled());
        redo->trigger();
        QCOMPARE(stack->index(), 1);

        auto *widget = qobject_cast<ActionWidget *>(window->document()->documentWidget());
        QVERIFY(widget);
        for (const char *id : {ActionWidget::CopyHotKeyId, ActionWidget::RefreshHotKeyId}) {
            QAction *own = widget->hotKeyAction(id);
            QAction *host = nullptr;
            for (QAction *action : undo->associatedWidgets().first()->actions())
                host = action->data().toByteArray() == id ? action : host;
            QVERIFY2(own && host && host->isEnabled(), id);
            QSignalSpy triggered(own, &QAction::triggered);
            host->trigger();
            QCOMPARE(triggered.size(), 1);
        }
    }

    // The theme reaches the settings, the palette and the page, whose theme values follow it
    // until the user sets one; each theme has Back and Forward icons of its own.
    void theme()
    {
        DocumentWindow *window = open();
        QVERIFY(window);
        AppearanceManager *appearance = Application::instance()->appearanceManager();
        const auto icons = [] {
            return QList<QImage>{QImage(QStringLiteral(":/tessel/images/back.png")), QImage(QStringLiteral(":/tessel/images/forward.png"))};
        };
        const auto accent = [window] { return evaluate(window, propertyScript("display.accent") + QStringLiteral(".value")).toString(); };
        QCOMPARE(appearance->currentTheme(), AppearanceManager::BlackTheme);
        const QList<QImage> black = icons();
        QVERIFY(!black.first().isNull() && !black.last().isNull());
        QCOMPARE(accent(), QStringLiteral("rgb(255,179,0)"));
        QAction *white = menuAction(m_window->menuBar(), QStringLiteral("&White"));
        QVERIFY(white);
        white->trigger();
        QCOMPARE(appearance->currentTheme(), AppearanceManager::WhiteTheme);
        QCOMPARE(Application::instance()->settings()->value(QLatin1String(HostTheme::SettingsKey)).toString(), QStringLiteral("white"));
        QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(evaluate(window, QStringLiteral("_quorvex_bridge.theme")).toString(), QStringLiteral("white"));
        const QList<QImage> whiteIcons = icons();
        QVERIFY(!whiteIcons.first().isNull() && !whiteIcons.last().isNull());
        QVERIFY(whiteIcons.first() != black.first() && whiteIcons.last() != black.last());
        QCOMPARE(accent(), QStringLiteral("rgb(21,101,192)"));
        evaluate(window, propertyScript("display.accent") + QStringLiteral(".colorCss = '#102030'"));

        menuAction(m_window->menuBar(), QStringLiteral("&Black"))->trigger();
        QCOMPARE(appearance->currentTheme(), AppearanceManager::BlackTheme);
        QVERIFY(!white->isChecked());
        QCOMPARE(QApplication::palette().color(QPalette::Base), QColor(0x1b, 0x1e, 0x23));
        QCOMPARE(accent(), QStringLiteral("rgb(16,32,48)"));
    }

    // One smoke run: the choices reach the application and the preferences; the password lives
    // for the session only.
    void settingsDialog()
    {
        const QString developer = QLatin1String(SettingsDialog::DeveloperFeature);
        SettingsDialog dialog;
        QVERIFY(dialog.featureBox(QStringLiteral("webplugin.bridge-tour.extras")));
        dialog.userNameEdit()->setText(QStringLiteral("trader"));
        dialog.passwordEdit()->setText(QStringLiteral("s3cret-pass"));
        dialog.updatesBox()->setChecked(false);
        dialog.featureBox(developer)->setChecked(true);
        dialog.decimalSymbolBox()->setCurrentIndex(dialog.decimalSymbolBox()->findData(QStringLiteral(",")));
        dialog.timeZoneBox()->setCurrentText(QStringLiteral("Asia/Tokyo"));
        dialog.accept();

        Application *application = Application::instance();
        Preferences *preferences = Preferences::instance();
        QCOMPARE(application->username() + QLatin1Char(' ') + application->password(), QStringLiteral("trader s3cret-pass"));
        QCOMPARE(application->settings()->value(QStringLiteral("enableWebPluginsUpdates")), QVariant(false));
        QVERIFY(FeatureManager::instance()->isEnabled(developer));
        QCOMPARE(preferences->decimalSymbol() + QString::fromUtf8(preferences->localTimeZoneId()), QStringLiteral(",Asia/Tokyo"));
        QFile file(application->settings()->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("s3cret"));
        // Later test functions run with the defaults.
        QVERIFY(preferences->setFormatting(QStringLiteral("."), false, "UTC") && FeatureManager::instance()->setEnabled(developer, false));
    }

    void updateStatus_data()
    {
        QTest::addColumn<QString>("summary");
        QTest::addColumn<bool>("changedFiles");
        QTest::addColumn<QString>("shown");

        const QString kept = QStringLiteral("0 downloaded, 0 removed, 3 kept, 0 failed");
        const QString changed = QStringLiteral("1 downloaded, 0 removed, 3 kept, 0 failed");
        const QString early = QStringLiteral("the update table could not be loaded (error 4 from market)");
        QTest::newRow("all-kept") << kept << false << "Web plug-ins: " + kept;
        QTest::newRow("changed") << changed << true << "Web plug-ins: " + changed + ". Updated web plug-ins take effect at the next start.";
        QTest::newRow("ended-early") << early << false << "Web plug-ins: " + early;
    }

    // The run shows in the status bar; its end also goes to the output.
    void updateStatus()
    {
        QFETCH(QString, summary);
        QFETCH(bool, changedFiles);
        QFETCH(QString, shown);

        QObject module;
        auto *updater = new FakeUpdater(new QObject(&module), summary, changedFiles);
        m_window->followUpdates(&module);
        emit updater->progressChanged(2, 5);
        QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Updating web plug-ins: 2 of 5"));
        const QString before = m_channel->text();
        emit updater->finished();
        QCOMPARE(m_window->statusBar()->currentMessage(), shown);
        QCOMPARE(m_channel->text().mid(before.size()), shown + QLatin1Char('\n'));
    }

    // Saved and restored: windows, placement, titles, link groups and the active one; a window
    // of a removed plug-in is reported and left out.
    void workspaceRoundTrip()
    {
        DocumentWindow *quotes = open();
        DocumentWindow *chart = open();
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
        newMainWindow();
        Workspace withUnknown = store.load();
        withUnknown.documents.prepend({"webplugin_removed", QString(), QRect(0, 0, 100, 100), {}, 0, {}});
        ++withUnknown.activeDocument;
        LogCapture log;
        m_window->restoreWorkspace(withUnknown);
        QCOMPARE(log.texts("TesselHost"), QStringList{"Not restored: no plug-in 'webplugin_removed' is installed"});

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
        QCOMPARE(evaluate(active, QStringLiteral("document.getElementById('title').value")).toString(), QStringLiteral("Quotes"));
    }

    void examplesShowMarketData_data()
    {
        QTest::addColumn<QByteArray>("templateId");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("pattern");

        const QString price = QStringLiteral("^\\d+[.,]\\d+$");
        QTest::newRow("quote-board-last") << QByteArray("webplugin_quote-board")
                                          << "document.querySelector('#rows td.num').textContent" << price;
        QTest::newRow("daily-chart-legend") << QByteArray("webplugin_daily-chart") << "document.getElementById('legend').textContent"
                                            << "O \\d+[.,]\\d+\\s*H \\d+[.,]\\d+";
        QTest::newRow("chain-viewer-front-contract") << QByteArray("webplugin_chain-viewer")
                                                     << "document.getElementById('detailLast').textContent" << price;
        QTest::newRow("news-reader-story") << QByteArray("webplugin_news-reader")
                                           << "document.getElementById('storyTitle').textContent + '|' + document.querySelector('#list .text').textContent"
                                           << "^(.+)\\|\\1$";
    }

    // Each page, opened on the host's market data, fills in what it shows once data arrives.
    void examplesShowMarketData()
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

    // The status bar shows the active window's symbol; "Open in" lists each plug-in with symbol
    // linking and opens it on the symbol.
    void contextEntries()
    {
        DocumentWindow *chart = open("webplugin_daily-chart");
        QVERIFY(chart);
        QTRY_COMPARE(m_window->contextLine(), QStringLiteral("Symbol: ACME.QB"));
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
        QVERIFY2(texts.contains(QStringLiteral("Open in Chain Viewer")) && !texts.contains(QStringLiteral("Open in Future")),
                 qPrintable(texts.join(QLatin1Char(','))));
        QVERIFY(openChart);
        openChart->trigger();
        DocumentWindow *opened = m_window->activeDocumentWindow();
        QVERIFY(opened && opened != chart);
        QTRY_VERIFY(opened->isReady());
        QTRY_COMPARE(evaluate(opened, QStringLiteral("document.getElementById('symbol').value")).toString(), QStringLiteral("NRTH.N"));
        QTRY_COMPARE(m_window->contextLine(), QStringLiteral("Symbol: NRTH.N"));
        for (const ContextMenuAction &entry : entries)
            delete entry.action();
    }

    void propertiesRestored_data()
    {
        QTest::addColumn<QString>("script");       // run on the page before the workspace is saved
        QTest::addColumn<QVariantMap>("edit");     // merged into the saved display group by hand
        QTest::addColumn<QString>("check");        // a script expression read after the restore
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("warnings");

        const auto p = [](const char *path, const char *tail) -> QString { return propertyScript(path) + QLatin1String(tail); };
        QTest::newRow("int") << p("display.refreshSeconds", ".setValue(42)") << QVariantMap()
                             << p("display.refreshSeconds", ".value") << "42" << 0;
        QTest::newRow("font") << p("display.textFont", ".fontCss = 'bold 14pt \"DejaVu Sans\"'") << QVariantMap()
                              << p("display.textFont", ".value") << "bold 14pt \"dejavu sans\"" << 0;
        QTest::newRow("secured") << p("account.apiToken", ".setValue('tok-31337')") << QVariantMap()
                                 << p("account.apiToken", ".value") << "tok-31337" << 0;
        QTest::newRow("json-by-page") << p("display.pageState", ".setValue({tab: 2})") << QVariantMap()
                                      << "JSON.stringify(" + p("display.pageState", ".value)") << "{\"tab\":2}" << 0;
        // Bad values are skipped and reported; the others come back.
        QTest::newRow("wrong-type") << p("display.greeting", ".setValue('kept')") << QVariantMap{{"refreshSeconds", "abc"}}
                                    << p("display.greeting", ".value + ' ' + ") + p("display.refreshSeconds", ".value") << "kept 5" << 1;
        QTest::newRow("huge") << p("display.opacity", ".setValue(0.5)") << QVariantMap{{"greeting", QString(2 << 20, QLatin1Char('x'))}}
                              << p("display.opacity", ".value + ' ' + ") + p("display.greeting", ".value") << "0.5 Hello" << 1;
    }

    void propertiesRestored()
    {
        QFETCH(QString, script);
        QFETCH(QVariantMap, edit);
        QFETCH(QString, check);

        DocumentWindow *window = open();
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
        QVERIFY(file.open(QIODevice::ReadOnly) && !file.readAll().contains("tok-31337"));

        newMainWindow();
        LogCapture log;
        m_window->restoreWorkspace(store.load());
        DocumentWindow *restored = m_window->activeDocumentWindow();
        QVERIFY(restored);
        QTRY_VERIFY(restored->isReady());
        QTEST(evaluate(restored, check).toString(), "expected");
        QStringList reports;
        for (const HostApi::LogEntry &entry : log.entries()) {
            if (entry.category != "TesselHost")
                reports.append(entry.text);
        }
        QTEST(int(reports.size()), "warnings");
    }
};

QTEST_MAIN(tst_Host)
#include "tst_host.moc"
