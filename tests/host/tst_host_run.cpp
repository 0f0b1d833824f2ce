#include "bundletestutils.h"
#include "localhttpserver.h"
#include "programrun.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QRgb bandColor = qRgb(0x00, 0x96, 0x88);
const int bandHeight = 64;
const QString exampleId = QStringLiteral("bridge-tour");
const QString started = QStringLiteral("bridge-tour: Bridge Tour 1.0 started, API 1.0, \n");

QString hostPath()
{
    return buildProgram(QStringLiteral("tessel-host"));
}

// A data folder whose plug-in folder lists the example (webplugins.xml) and holds a plug-in
// that needs a newer API.
class DataFolder : public QTemporaryDir
{
public:
    bool prepare() const
    {
        return writeFile(filePath(QStringLiteral("WebPlugins/webplugins.xml")),
                         "<webplugins><webplugin path=\"" + (testDataPath() + exampleId).toUtf8() + "\"/></webplugins>")
            && writeFile(filePath(QStringLiteral("WebPlugins/future/plugin.spec")),
                         "{ id: \"future\", apiVersion: \"2.0\", entry: \"index.html\" }");
    }
    // The file's content; empty when it cannot be read.
    QByteArray read(const char *name) const
    {
        QFile file(filePath(QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

struct HostRun
{
    int exitCode = -1;
    QString out;
    QStringList errorLines;  // the host's own lines ("tessel-host: ..."), not Qt's warnings
    QStringList allErrorLines;
};

// tessel-host on data, to its end.
HostRun runHost(const QTemporaryDir &data, const QStringList &arguments)
{
    const ProgramRun program = runBuildProgram(QStringLiteral("tessel-host"),
                                               QStringList{QStringLiteral("--data-dir"), data.path()} + arguments);
    HostRun run;
    run.exitCode = program.exitCode;
    run.out = QString::fromUtf8(program.out);
    for (const QString &line : QString::fromUtf8(program.err).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("tessel-host:")))
            run.errorLines.append(line);
        if (!line.isEmpty())
            run.allErrorLines.append(line);
    }
    return run;
}

// tessel-host on data while the test watches its output; the event loop runs meanwhile.
class RunningHost
{
public:
    RunningHost(const QTemporaryDir &data, const QStringList &arguments)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { out += QString::fromUtf8(m_process.readAllStandardOutput()); });
        m_process.start(hostPath(), QStringList{QStringLiteral("--data-dir"), data.path(), QStringLiteral("--log")} + arguments);
    }
    int shown(const QString &line) const { return out.split(QLatin1Char('\n')).count(line); }
    // A termination request ends the host normally.
    bool terminate()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        QSignalSpy ended(&m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        m_process.terminate();
        return ended.wait(60000) && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    // Waits for the host to end without being asked; false when it still runs after 60 s.
    bool waitForEnd()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        QSignalSpy ended(&m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        return m_process.state() == QProcess::NotRunning || ended.wait(60000);
    }
    QProcess &process() { return m_process; }

    QString out;

private:
    QProcess m_process;
};

// The row where the page's header band starts in a screenshot, -1 when there is none: a band
// of its own colour, as high as the page makes it, at the middle of the window.
int bandTop(const QImage &image)
{
    const int x = image.width() / 2;
    for (int top = 0; top + bandHeight <= image.height(); ++top) {
        if (image.pixel(x, top) == bandColor)
            return image.pixel(x, top + bandHeight - 1) == bandColor ? top : -1;
    }
    return -1;
}

} // namespace

// tessel-host run as a process on the build folder's copy of the examples.
class tst_HostRun : public QObject
{
    Q_OBJECT

private slots:
    void examplesPassLint()
    {
        const QStringList examples = QDir(testDataPath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY(examples.contains(exampleId));
        for (const QString &example : examples) {
            QProcess lint;
            lint.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel"),
                       {QStringLiteral("lint"), QStringLiteral("--strict"), testDataPath() + example});
            QVERIFY(lint.waitForFinished(60000));
            const QString out = QString::fromUtf8(lint.readAllStandardOutput());
            QVERIFY2(lint.exitCode() == 0 && !out.contains(QLatin1String("warning: ")) && !out.contains(QLatin1String("specparser: ")),
                     qPrintable(example + QLatin1Char('\n') + out));
        }
    }

    void screenshot_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QRgb>("background");  // 0: the properties dialog, not the main window (1024 wide)
        const QString open = QStringLiteral("--open");
        QTest::newRow("black-theme-by-plugin-id") << QByteArray() << QStringList{open, exampleId} << qRgb(0x1b, 0x1e, 0x23);
        QTest::newRow("white-theme-by-template-id") << QByteArray("[host]\ntheme=white\n") << QStringList{open, "webplugin_bridge-tour"}
                                                    << qRgb(0xff, 0xff, 0xff);
        QTest::newRow("properties") << QByteArray() << QStringList{open, exampleId, "--properties", "--log"} << QRgb(0);
    }

    // The page's header band, then the page's background, which follows the host's theme; or
    // the dialog, every page of it built without a problem.
    void screenshot()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, arguments);
        QFETCH(QRgb, background);

        DataFolder data;
        QVERIFY(data.prepare());
        QVERIFY(settings.isEmpty() || writeFile(data.filePath(QStringLiteral("settings.ini")), settings));
        const QString shot = data.filePath(QStringLiteral("shot.png"));
        const HostRun run = runHost(data, arguments << QStringLiteral("--screenshot") << shot);
        QVERIFY2(run.errorLines.isEmpty(), qPrintable(run.errorLines.join(QLatin1Char('\n'))));
        QCOMPARE(run.exitCode, 0);
        const QImage image = QImage(shot).convertToFormat(QImage::Format_RGB32);
        if (background == 0) {
            QVERIFY2(!run.out.contains(QLatin1String("propertypage: ")), qPrintable(run.out));
            QVERIFY(!image.isNull() && image.width() < 1024);
            return;
        }
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        QSet<QRgb> colors;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4)
                colors.insert(image.pixel(x, y));
        }
        QVERIFY2(colors.size() > 16, "the screenshot is blank");
        const int top = bandTop(image);
        QVERIFY2(top >= 0, "the page's header band is not in the screenshot");
        QCOMPARE(image.pixel(image.width() / 2, top + bandHeight + 4), background);
    }

    void screenshotOutcome_data()
    {
        QTest::addColumn<QByteArray>("page");       // index.html; null: none
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("errorLines");
        QTest::addColumn<QString>("outputLine");  // a "Plugin Output" line of the run; empty: none

        // Runs that must not wait get the longest time out: waiting ends them with another reason.
        const QString never = QStringLiteral("3600");
        QTest::newRow("page-without-status") << QByteArray("<p>plain</p>") << never << 0 << QStringList() << QString();
        QTest::newRow("missing-entry-page") << QByteArray() << never << 1
                                            << QStringList{"tessel-host: 'case' shows an error: The page index.html could not be loaded"}
                                            << "bridge: failed to load page, 'index.html' is not in the plug-in's bundle";
        QTest::newRow("missing-script") << QByteArray("<script src=\"nothing.js\"></script><p>plain</p>") << never << 0 << QStringList() << QString();
        QTest::newRow("empty-entry-page") << QByteArray("") << never << 0 << QStringList() << QString();
        QTest::newRow("load-error") << QByteArray("<script>location.replace('qrc:///gone.html');</script>") << never << 1
                                    << QStringList{"tessel-host: 'case' shows an error: The page gone.html could not be loaded"}
                                    << "bridge: failed to load page, qrc:///gone.html: Error opening :/gone.html: No such file or directory";
        QTest::newRow("still-initializing")
            << QByteArray("<script>_quorvex_bridge.readyStatus = 'initializing'; _quorvex_bridge.readyStatusText = 'waiting for quotes';</script>")
            << "1" << 1 << QStringList{"tessel-host: timed out after 1 s waiting for 'case': its page still reports \"initializing\": waiting for quotes"}
            << QString();
    }

    // The picture is written whatever the outcome, which the exit status and reason tell;
    // nothing else reaches standard error, not even Qt's warnings of an offscreen run.
    void screenshotOutcome()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, timeout);
        QFETCH(QString, outputLine);

        QTemporaryDir data;
        FileMap plugin{{QStringLiteral("plugin.spec"), "{ id: \"case\", name: \"Case\", entry: \"index.html\" }"}};
        if (!page.isNull())
            plugin.insert(QStringLiteral("index.html"), page);
        QVERIFY(writeFiles(data.filePath(QStringLiteral("WebPlugins/case")), plugin));
        const QString shot = data.filePath(QStringLiteral("shot.png"));
        const HostRun run = runHost(data, {QStringLiteral("--open"), QStringLiteral("case"), QStringLiteral("--screenshot"), shot,
                                           QStringLiteral("--timeout"), timeout, QStringLiteral("--log")});
        QTEST(run.allErrorLines, "errorLines");
        QTEST(run.exitCode, "exitCode");
        QVERIFY(!QImage(shot).isNull());
        QVERIFY2(outputLine.isEmpty() || run.out.split(QLatin1Char('\n')).contains(outputLine), qPrintable(run.out));
    }

    void heldByScript_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("terminate");      // send two termination requests
        QTest::addColumn<QString>("errorLine");   // the last line on standard error

        QTest::newRow("screenshot-time-out") << QStringList{"--screenshot", "shot.png", "--timeout", "1"} << false
            << "tessel-host: the window did not answer for 1 s, a page's script holds it; the run is ended";
        QTest::newRow("second-termination") << QStringList() << true
            << "tessel-host: the window does not answer, a page's script holds it; quitting without saving the workspace";
    }

    // A page loops for ever and the engine does not stop it (its limit is an hour here): a
    // screenshot run still ends after its time-out, and a second termination request ends the
    // host, as a termination does by default.
    void heldByScript()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, terminate);
        QFETCH(QString, errorLine);

        DataFolder data;
        QVERIFY(writeFiles(data.filePath(QStringLiteral("WebPlugins/case")),
                           {{QStringLiteral("plugin.spec"), "{ id: \"case\", name: \"Case\", entry: \"index.html\" }"},
                            {QStringLiteral("index.html"), "<script>setTimeout(function () { console.log('looping'); for (;;) {} }, 100);</script>"}}));
        qputenv("JSC_watchdog", "3600000");
        RunningHost host(data, QStringList{QStringLiteral("--open"), QStringLiteral("case"), QStringLiteral("--feature"),
                                           QStringLiteral("webplugin.developer")}
                                   + arguments.replaceInStrings(QStringLiteral("shot.png"), data.filePath(QStringLiteral("shot.png"))));
        qunsetenv("JSC_watchdog");
        QTRY_VERIFY2_WITH_TIMEOUT(host.out.contains(QLatin1String("looping")), qPrintable(host.out), 60000);
        if (terminate) {
            QTest::qWait(500);
            host.process().terminate();
            QTest::qWait(500);
            host.process().terminate();
        }
        QVERIFY(host.waitForEnd());
        QCOMPARE(host.process().exitStatus(), terminate ? QProcess::CrashExit : QProcess::NormalExit);
        QVERIFY(terminate || host.process().exitCode() == 1);
        QCOMPARE(QString::fromUtf8(host.process().readAllStandardError()).trimmed().split(QLatin1Char('\n')).last(), errorLine);
    }

    void diagnosticLog_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("echoed");  // page log lines on standard output
        QTest::addColumn<QStringList>("filed");   // page log lines in the log file

        const QString debug = QStringLiteral("1 debug"), info = QStringLiteral("2 info"), severe = QStringLiteral("5 severe");
        const QString log = QStringLiteral("--log"), level = QStringLiteral("--log-level");
        QTest::newRow("default-level-not-echoed") << QStringList() << QStringList() << QStringList{info, severe};
        QTest::newRow("default-level") << QStringList{log} << QStringList{info, severe} << QStringList{info, severe};
        QTest::newRow("level-1") << QStringList{log, level, "1"} << QStringList{debug, info, severe} << QStringList{debug, info, severe};
        QTest::newRow("level-5") << QStringList{log, level, "5"} << QStringList{severe} << QStringList{severe};
    }

    // A page's bridge.log() lines reach the log file in the data folder from the log level on,
    // and standard output with --log. Each text starts with its level. Diagnostic lines aside,
    // the output starts with the start-up lines (the reader's on a broken manifest); without
    // --log there is none.
    void diagnosticLog()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, echoed);
        QFETCH(QStringList, filed);

        DataFolder data;
        QVERIFY(writeFiles(data.filePath(QStringLiteral("WebPlugins")),
                           {{QStringLiteral("logger/plugin.spec"), "{ id: \"logger\", name: \"Logger\", entry: \"index.html\" }"},
                            {QStringLiteral("logger/index.html"), "<script>_quorvex_bridge.log('1 debug', 0); _quorvex_bridge.log("
                                                                  "'2 info'); _quorvex_bridge.log('5 severe', 4);</script>"},
                            {QStringLiteral("broken/plugin.spec"), "{ id: "}}));
        const HostRun run = runHost(data, QStringList{QStringLiteral("--open"), QStringLiteral("logger"), QStringLiteral("--screenshot"),
                                                      data.filePath(QStringLiteral("shot.png"))} + arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.isEmpty(), echoed.isEmpty());
        const QStringList plain = run.out.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^[^[]")));
        QVERIFY2(echoed.isEmpty() || (plain.first().startsWith(QLatin1String("specparser: ")) && run.out.endsWith(QLatin1Char('\n'))),
                 qPrintable(run.out));
        const QString written = QString::fromUtf8(data.read("tessel-host.log"));
        const QString time = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
        for (const QString &text : {QStringLiteral("1 debug"), QStringLiteral("2 info"), QStringLiteral("5 severe")}) {
            const QString entry = QStringLiteral("\\[scriptdocument\\] level %1 scriptdocument\\.cpp:\\d+ .*: %2$").arg(text.left(1), text);
            const QRegularExpression inOutput(QLatin1Char('^') + entry, QRegularExpression::MultilineOption);
            const QRegularExpression inFile(QLatin1Char('^') + time + entry, QRegularExpression::MultilineOption);
            QVERIFY2(inOutput.match(run.out).hasMatch() == echoed.contains(text), qPrintable(run.out));
            QVERIFY2(inFile.match(written).hasMatch() == filed.contains(text), qPrintable(written));
        }
    }

    // --dev: the folder is installed for the run only; a changed page reloads the window, a
    // changed manifest restarts the host, which says what changed; an unreadable one is refused.
    // --feature turns the page's console on for the run only.
    void devReload()
    {
        DataFolder data;
        QTemporaryDir folder;
        const QByteArray spec = "// in development\n{ id: \"devplug\", name: \"Dev Plug\", version: \"1.0\", "
                                "entry: \"index.html\", actions: { greet: { name: \"Greet\" } } }";
        const auto script = [](const char *version) -> QByteArray {
            return QByteArray("function start() {\n  console.log('version ") + version + "');\n}\nstart();\n";
        };
        const QString manifest = folder.filePath(QStringLiteral("plugin.spec"));
        QVERIFY(writeFiles(folder.path(), {{QStringLiteral("plugin.spec"), spec},
                                            {QStringLiteral("index.html"), "<script src=\"js/app.js\"></script>"},
                                            {QStringLiteral("js/app.js"), script("1")}}));
        RunningHost host(data, {QStringLiteral("--dev"), folder.path(), QStringLiteral("--feature"), QStringLiteral("webplugin.developer")});
        const auto waitFor = [&host](const char *line, int times) {
            return QTest::qWaitFor([&] { return host.shown(QString::fromUtf8(line)) == times; }, 60000);
        };
        QVERIFY2(waitFor("devplug: version 1, js/app.js:2", 1), qPrintable(host.out));
        QVERIFY(!QFile::exists(data.filePath(QStringLiteral("WebPlugins/webplugins.xml"))));

        QVERIFY(writeFile(folder.filePath(QStringLiteral("js/app.js")), script("2")));
        QVERIFY2(waitFor("devplug: version 2, js/app.js:2", 1), qPrintable(host.out));
        QCOMPARE(host.shown(QStringLiteral("dev: reloaded the window of devplug, changed: js/app.js")), 1);
        QVERIFY(writeFile(manifest, spec + "\n// the same, said again\n"));
        QVERIFY2(waitFor("dev: the manifest of devplug was saved, nothing the module reads changed", 1), qPrintable(host.out));
        QVERIFY(writeFile(manifest, "{ id: \"devplug\",, }"));
        QVERIFY2(waitFor("dev: the manifest of devplug was not loaded again, plugin.spec:1:18: Expected ':' after a member name: ,", 1),
                 qPrintable(host.out));

        QByteArray renamed = spec;
        renamed.replace("\"Dev Plug\"", "\"Dev Plug 2\"").replace("greet: { name: \"Greet\" }", "wave: { name: \"Wave\" }");
        QVERIFY(writeFile(manifest, renamed));
        QVERIFY2(waitFor("devplug: version 2, js/app.js:2", 2), qPrintable(host.out));
        QCOMPARE(host.shown(QStringLiteral("dev: restarted for the new manifest of devplug, actions: greet removed, "
                                           "wave added; name: \"Dev Plug\" → \"Dev Plug 2\"")), 1);

        QVERIFY(host.terminate());
        QVERIFY(!QFile::exists(data.filePath(QStringLiteral("WebPlugins/webplugins.xml"))));
        QVERIFY(!QSettings(data.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
                     .contains(QStringLiteral("features/webplugin.developer")));
        // One window, restored across the restart.
        QCOMPARE(data.read("workspace.json").count("\"template\": \"webplugin_devplug\""), 1);
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");  // "@" stands for the data folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        const QString open = QStringLiteral("--open"), shoot = QStringLiteral("--screenshot"), shot = QStringLiteral("@/shot.png");
        const QString module = QStringLiteral("--module"), shots = QStringLiteral("--screenshots");
        const QString notModule = qEnvironmentVariable("TESSEL_BUILD_DIR") + "/lib/libhostapi.so";
        QTest::newRow("unknown-id") << QStringList{open, "nope", shoot, shot} << 1 << "no plug-in 'nope' is installed in ";
        QTest::newRow("unknown-id-interactive") << QStringList{open, "webplugin_nope"} << 1 << "no plug-in 'webplugin_nope' is installed";
        QTest::newRow("refused") << QStringList{open, "future", shoot, shot} << 1 << "refused to open a document";
        QTest::newRow("unwritable") << QStringList{open, exampleId, shoot, "@/missing/shot.png"} << 1 << "cannot write @/missing/shot.png";
        QTest::newRow("missing-module") << QStringList{open, exampleId, module, "@/none.so", shoot, shot} << 1 << "no module at @/none.so";
        QTest::newRow("not-a-module") << QStringList{open, exampleId, module, notModule, shoot, shot} << 1 << "cannot load ";
        QTest::newRow("screenshots-of-no-workspace") << QStringList{shots, "@/shots"} << 1 << "the workspace has no windows";
        QTest::newRow("screenshots-folder-is-a-file") << QStringList{shots, "@/WebPlugins/webplugins.xml"} << 1
                                                      << "cannot create the folder @/WebPlugins/webplugins.xml";
        QTest::newRow("unknown-feature") << QStringList{open, exampleId, "--feature", "webplugin.develper", shoot, shot} << 2
                                         << "--feature: no plug-in registered webplugin.develper (registered: webplugin.developer";
        QTest::newRow("dev-folder-without-manifest") << QStringList{"--dev", "@"} << 1 << "--dev: @ has no plugin.spec";
        QTest::newRow("unknown-option") << QStringList{"--shot"} << 2 << "unknown argument '--shot'";
    }

    // One line names the reason; nothing is written.
    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);

        DataFolder data;
        QVERIFY(data.prepare());
        const HostRun run = runHost(data, arguments.replaceInStrings(QStringLiteral("@"), data.path()));
        QTEST(run.exitCode, "exitCode");
        QCOMPARE(run.errorLines.size(), 1);
        QVERIFY2(run.errorLines.first().contains(reason.replace(QLatin1Char('@'), data.path())), qPrintable(run.errorLines.first()));
        QVERIFY(!QFile::exists(data.filePath(QStringLiteral("shot.png"))));
        QVERIFY(!QFile::exists(data.filePath(QStringLiteral("workspace.json"))));
    }

    // Two windows of the example, one the host places, one placed by the file: each captured
    // with its page in view, the file left as it was. A window that cannot be restored fails
    // the run, with the reason.
    void workspaceScreenshots()
    {
        DataFolder data;
        QVERIFY(data.prepare());
        const QByteArray workspace = "{\"format\": 1, \"active\": 0, \"documents\": ["
                                     "{\"template\": \"webplugin_bridge-tour\", \"linkGroup\": 1}, "
                                     "{\"template\": \"webplugin_bridge-tour\", \"x\": 5, \"y\": 5, \"width\": 300, \"height\": 200}]}";
        QVERIFY(writeFile(data.filePath(QStringLiteral("workspace.json")), workspace));
        const QStringList arguments{QStringLiteral("--screenshots"), data.filePath(QStringLiteral("shots"))};
        HostRun run = runHost(data, arguments);
        QVERIFY2(run.errorLines.isEmpty(), qPrintable(run.errorLines.join(QLatin1Char('\n'))));
        QCOMPARE(run.exitCode, 0);
        const QDir shots(data.filePath(QStringLiteral("shots")));
        const QStringList files = shots.entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, (QStringList{"bridge-tour-2.png", "bridge-tour.png"}));
        for (const QString &file : files)
            QVERIFY2(bandTop(QImage(shots.filePath(file)).convertToFormat(QImage::Format_RGB32)) >= 0, qPrintable(file));
        QCOMPARE(data.read("workspace.json"), workspace);

        QVERIFY(writeFile(data.filePath(QStringLiteral("workspace.json")),
                          "{\"format\": 1, \"documents\": [{\"template\": \"webplugin_gone\"}]}"));
        run = runHost(data, arguments);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errorLines, QStringList{"tessel-host: Not restored: no plug-in 'webplugin_gone' is installed"});
    }

    void webPluginUpdates_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QString>("shown");  // the run's line on "Plugin Output"; empty: none
        QTest::newRow("downloads") << QByteArray() << QStringList{"a-2.wps"}
                                   << "Web plug-ins: 1 downloaded, 0 removed, 0 kept, 0 failed. "
                                      "Updated web plug-ins take effect at the next start.";
        QTest::newRow("turned-off") << QByteArray("[General]\nenableWebPluginsUpdates=false\n") << QStringList() << QString();
    }

    // The data service hands the host's updater the table in the data folder; the table's
    // bundle comes from a server in this process.
    void webPluginUpdates()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, shown);

        const QByteArray bundle = "the bytes of a secured bundle, version 2";
        LocalHttpServer server;
        server.setPath(QStringLiteral("a-2.wps"), bundle);
        const QByteArray table =
            "{\"updateServer\": \"" + server.baseUrl().toUtf8() + "\", \"plugins\": [{\"filename\": \"a.wps\", \"updates\": [{\"filename\": \"a-2.wps\", "
            "\"md5\": \"" + QCryptographicHash::hash(bundle, QCryptographicHash::Md5).toHex() + "\", "
            "\"sha256\": \"" + QCryptographicHash::hash(bundle, QCryptographicHash::Sha256).toHex() + "\", "
            "\"versionFrom\": \"*\", \"versionTo\": \"*\"}]}]}";
        DataFolder data;
        QVERIFY(data.prepare());
        QVERIFY(writeFile(data.filePath(QStringLiteral("content/webplugins.ctab")), table));
        QVERIFY(settings.isEmpty() || writeFile(data.filePath(QStringLiteral("settings.ini")), settings));

        // The run ends long before the page has started: both have shown once the page has.
        RunningHost host(data, {QStringLiteral("--open"), exampleId});
        QTRY_VERIFY2_WITH_TIMEOUT(host.out.contains(started) && host.out.contains(shown), qPrintable(host.out), 60000);
        QVERIFY(host.terminate());
        QCOMPARE(host.out.count(started), 1);
        // Saved on the way out.
        QCOMPARE(data.read("workspace.json").count("\"template\": \"webplugin_bridge-tour\""), 1);
        QTEST(server.requests(), "requests");
        if (shown.isEmpty())
            QVERIFY2(!host.out.contains(QLatin1String("Web plug-ins")), qPrintable(host.out));
        else
            QVERIFY2(host.shown(shown) == 1, qPrintable(host.out));
        QCOMPARE(QFile::exists(data.filePath(QStringLiteral("WebPlugins/a.wps"))), !shown.isEmpty());
        QCOMPARE(data.read("WebPlugins/a.wps"), shown.isEmpty() ? QByteArray() : bundle);
    }
};

QTEST_GUILESS_MAIN(tst_HostRun)
#include "tst_host_run.moc"
