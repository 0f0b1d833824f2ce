#include "bundletestutils.h"
#include "localhttpserver.h"
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

#include <algorithm>

namespace {

const QRgb bandColor = qRgb(0x00, 0x96, 0x88);
const int bandHeight = 64;
const char exampleId[] = "bridge-tour";

struct HostRun
{
    int exitCode = -1;
    QString out;
    QStringList errorLines;  // the host's own lines ("tessel-host: ..."), not Qt's warnings
    QStringList allErrorLines;
};

QString hostPath()
{
    return qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel-host");
}

HostRun runHost(const QStringList &arguments)
{
    HostRun run;
    QProcess process;
    process.start(hostPath(), arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    const QStringList err = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'));
    for (const QString &line : err) {
        if (line.startsWith(QLatin1String("tessel-host:")))
            run.errorLines.append(line);
        if (!line.isEmpty())
            run.allErrorLines.append(line);
    }
    return run;
}

// A data folder whose plug-in folder lists the example (webplugins.xml) and holds a plug-in
// that needs a newer API.
bool makeDataFolder(const QString &data)
{
    const QString plugins = data + QStringLiteral("/WebPlugins");
    return writeFile(plugins + QStringLiteral("/webplugins.xml"),
                     "<webplugins><webplugin path=\"" + testDataPath().toUtf8()
                         + exampleId + "\"/></webplugins>")
        && writeFile(plugins + QStringLiteral("/future/plugin.spec"),
                     "{ id: \"future\", apiVersion: \"2.0\", entry: \"index.html\" }");
}

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

class tst_HostRun : public QObject
{
    Q_OBJECT

private slots:
    void examplesPassLint();
    void screenshot_data();
    void screenshot();
    void propertiesScreenshot();
    void screenshotOutcome_data();
    void screenshotOutcome();
    void logsPluginOutput();
    void diagnosticLog_data();
    void diagnosticLog();
    void devReload();
    void failures_data();
    void failures();
    void workspaceSavedOnQuit();
    void workspaceScreenshots();
    void webPluginUpdates_data();
    void webPluginUpdates();
};

void tst_HostRun::examplesPassLint()
{
    const QStringList examples = QDir(testDataPath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(examples.contains(QString::fromLatin1(exampleId)));
    for (const QString &example : examples) {
        QProcess lint;
        lint.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel"),
                   {QStringLiteral("lint"), QStringLiteral("--strict"), testDataPath() + example});
        QVERIFY(lint.waitForFinished(60000));
        const QString out = QString::fromUtf8(lint.readAllStandardOutput());
        QVERIFY2(lint.exitCode() == 0 && !out.contains(QLatin1String("warning: "))
                     && !out.contains(QLatin1String("specparser: ")),
                 qPrintable(example + QLatin1Char('\n') + out));
    }
}

void tst_HostRun::screenshot_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QRgb>("background");

    QTest::newRow("black-theme-by-plugin-id") << QByteArray() << QString::fromLatin1(exampleId)
                                              << qRgb(0x1b, 0x1e, 0x23);
    QTest::newRow("white-theme-by-template-id") << QByteArray("[host]\ntheme=white\n")
                                                << QStringLiteral("webplugin_bridge-tour")
                                                << qRgb(0xff, 0xff, 0xff);
}

void tst_HostRun::screenshot()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, id);
    QFETCH(QRgb, background);

    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    if (!settings.isEmpty())
        QVERIFY(writeFile(data.filePath(QStringLiteral("settings.ini")), settings));
    const QString shot = data.filePath(QStringLiteral("shot.png"));

    const HostRun run = runHost({QStringLiteral("--data-dir"), data.path(), QStringLiteral("--open"), id,
                                 QStringLiteral("--screenshot"), shot});
    QVERIFY2(run.errorLines.isEmpty(), qPrintable(run.errorLines.join(QLatin1Char('\n'))));
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));

    QImage image(shot);
    QVERIFY(!image.isNull());
    image = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colors;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4)
            colors.insert(image.pixel(x, y));
    }
    QVERIFY2(colors.size() > 16, "the screenshot is blank");

    // The page's header band, then the page's background, which follows the host's theme.
    const int top = bandTop(image);
    QVERIFY2(top >= 0, "the page's header band is not in the screenshot");
    QCOMPARE(image.pixel(image.width() / 2, top + bandHeight + 4), background);
}

void tst_HostRun::propertiesScreenshot()
{
    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    const QString shot = data.filePath(QStringLiteral("shot.png"));
    const HostRun run = runHost({QStringLiteral("--data-dir"), data.path(), QStringLiteral("--open"),
                                 QString::fromLatin1(exampleId), QStringLiteral("--screenshot"), shot,
                                 QStringLiteral("--properties"), QStringLiteral("--log")});
    QVERIFY2(run.errorLines.isEmpty(), qPrintable(run.errorLines.join(QLatin1Char('\n'))));
    QCOMPARE(run.exitCode, 0);
    // Every page was built without a problem.
    QVERIFY2(!run.out.contains(QLatin1String("propertypage: ")), qPrintable(run.out));
    const QImage image(shot);
    QVERIFY(!image.isNull());
    // The dialog, not the main window (1024 wide).
    QVERIFY(image.width() < 1024);
}

void tst_HostRun::screenshotOutcome_data()
{
    QTest::addColumn<FileMap>("plugin");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("errorLines");
    QTest::addColumn<QString>("outputLine");  // a "Plugin Output" line of the run; empty: none

    const QByteArray spec = "{ id: \"case\", name: \"Case\", entry: \"index.html\" }";
    // Runs that must not wait get the longest time out: waiting ends them with another reason.
    const QString never = QString::number(3600);
    QTest::newRow("page-without-status")
        << FileMap{{QStringLiteral("plugin.spec"), spec}, {QStringLiteral("index.html"), "<p>plain</p>"}}
        << never << 0 << QStringList() << QString();
    QTest::newRow("missing-entry-page")
        << FileMap{{QStringLiteral("plugin.spec"), spec}} << never << 1
        << QStringList{QStringLiteral("tessel-host: 'case' shows an error: The page index.html could not be loaded")}
        << QStringLiteral("bridge: failed to load page, 'index.html' is not in the plug-in's bundle");
    QTest::newRow("load-error")
        << FileMap{{QStringLiteral("plugin.spec"), spec},
                   {QStringLiteral("index.html"), "<script>location.replace('qrc:///gone.html');</script>"}}
        << never << 1
        << QStringList{QStringLiteral("tessel-host: 'case' shows an error: The page gone.html could not be loaded")}
        << QStringLiteral("bridge: failed to load page, qrc:///gone.html: Error opening :/gone.html: "
                          "No such file or directory");
    QTest::newRow("still-initializing")
        << FileMap{{QStringLiteral("plugin.spec"), spec},
                   {QStringLiteral("index.html"),
                    "<script>_quorvex_bridge.readyStatus = 'initializing';"
                    "_quorvex_bridge.readyStatusText = 'waiting for quotes';</script>"}}
        << QStringLiteral("1") << 1
        << QStringList{QStringLiteral("tessel-host: timed out after 1 s waiting for 'case': its page still "
                                      "reports \"initializing\": waiting for quotes")}
        << QString();
}

// The picture is written whatever the outcome, which the exit status and reason tell.
void tst_HostRun::screenshotOutcome()
{
    QFETCH(FileMap, plugin);
    QFETCH(QString, timeout);
    QFETCH(int, exitCode);
    QFETCH(QStringList, errorLines);
    QFETCH(QString, outputLine);

    QTemporaryDir data;
    QVERIFY(writeFiles(data.filePath(QStringLiteral("WebPlugins/case")), plugin));
    const QString shot = data.filePath(QStringLiteral("shot.png"));
    const HostRun run = runHost({QStringLiteral("--data-dir"), data.path(), QStringLiteral("--open"),
                                 QStringLiteral("case"), QStringLiteral("--screenshot"), shot,
                                 QStringLiteral("--timeout"), timeout, QStringLiteral("--log")});
    // Nothing else: Qt's warnings of every offscreen run are kept off standard error.
    QCOMPARE(run.allErrorLines, errorLines);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!QImage(shot).isNull());
    if (!outputLine.isEmpty())
        QVERIFY2(run.out.split(QLatin1Char('\n')).contains(outputLine), qPrintable(run.out));
}

void tst_HostRun::logsPluginOutput()
{
    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    QVERIFY(writeFile(data.filePath(QStringLiteral("WebPlugins/broken/plugin.spec")), "{ id: "));
    const QStringList arguments{QStringLiteral("--data-dir"), data.path(),
                                QStringLiteral("--open"), QString::fromLatin1(exampleId),
                                QStringLiteral("--screenshot"), data.filePath(QStringLiteral("shot.png"))};

    HostRun run = runHost(arguments + QStringList{QStringLiteral("--log")});
    QCOMPARE(run.exitCode, 0);
    QStringList lines = run.out.split(QLatin1Char('\n'));
    // Diagnostic lines aside, the start-up lines come first, then those of the page, each as
    // one line.
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString &line) { return line.startsWith(QLatin1Char('[')); }),
                lines.end());
    QVERIFY2(lines.first().startsWith(QLatin1String("specparser: ")), qPrintable(run.out));
    QVERIFY2(lines.contains(QStringLiteral("bridge-tour: Bridge Tour 1.0 started, API 1.0, ")),
             qPrintable(run.out));
    QVERIFY(run.out.endsWith(QLatin1Char('\n')));

    run = runHost(arguments);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
}

void tst_HostRun::diagnosticLog_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("echoed");  // page log lines on standard output
    QTest::addColumn<QStringList>("filed");   // page log lines in the log file

    const QString debug = QStringLiteral("1 debug"), info = QStringLiteral("2 info"), severe = QStringLiteral("5 severe");
    const QString log = QStringLiteral("--log"), level = QStringLiteral("--log-level");
    QTest::newRow("default-level-not-echoed") << QStringList() << QStringList() << QStringList{info, severe};
    QTest::newRow("default-level") << QStringList{log} << QStringList{info, severe} << QStringList{info, severe};
    QTest::newRow("level-1") << QStringList{log, level, QStringLiteral("1")} << QStringList{debug, info, severe}
                             << QStringList{debug, info, severe};
    QTest::newRow("level-5") << QStringList{log, level, QStringLiteral("5")} << QStringList{severe} << QStringList{severe};
}

// A page's bridge.log() lines reach the log file in the data folder from the log level on,
// and standard output with --log. Each text starts with its level.
void tst_HostRun::diagnosticLog()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, echoed);
    QFETCH(QStringList, filed);

    QTemporaryDir data;
    QVERIFY(writeFiles(data.filePath(QStringLiteral("WebPlugins/logger")),
                       {{QStringLiteral("plugin.spec"), "{ id: \"logger\", name: \"Logger\", entry: \"index.html\" }"},
                        {QStringLiteral("index.html"), "<script>_quorvex_bridge.log('1 debug', 0); _quorvex_bridge.log("
                                                       "'2 info'); _quorvex_bridge.log('5 severe', 4);</script>"}}));
    const HostRun run = runHost(QStringList{QStringLiteral("--data-dir"), data.path(), QStringLiteral("--open"),
                                            QStringLiteral("logger"), QStringLiteral("--screenshot"),
                                            data.filePath(QStringLiteral("shot.png"))} + arguments);
    QCOMPARE(run.exitCode, 0);
    QFile file(data.filePath(QStringLiteral("tessel-host.log")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
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
void tst_HostRun::devReload()
{
    QTemporaryDir data;
    QTemporaryDir folder;
    const QByteArray spec = "// in development\n{ id: \"devplug\", name: \"Dev Plug\", version: \"1.0\", "
                            "entry: \"index.html\", actions: { greet: { name: \"Greet\" } } }";
    const auto script = [](const char *version) -> QByteArray {
        return QByteArray("function start() {\n  console.log('version ") + version + "');\n}\nstart();\n";
    };
    QVERIFY(writeFiles(folder.path(), {{QStringLiteral("plugin.spec"), spec},
                                        {QStringLiteral("index.html"), "<script src=\"js/app.js\"></script>"},
                                        {QStringLiteral("js/app.js"), script("1")}}));
    QProcess host;
    QString out;
    connect(&host, &QProcess::readyReadStandardOutput, this,
            [&] { out += QString::fromUtf8(host.readAllStandardOutput()); });
    host.start(hostPath(), {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--dev"), folder.path(),
                            QStringLiteral("--log"), QStringLiteral("--feature"), QStringLiteral("webplugin.developer")});
    QVERIFY(host.waitForStarted());
    const auto shown = [&out](const QString &line) { return out.split(QLatin1Char('\n')).count(line); };
    QTRY_VERIFY2_WITH_TIMEOUT(shown(QStringLiteral("devplug: version 1, js/app.js:2")) == 1, qPrintable(out), 60000);
    QVERIFY(!QFile::exists(data.filePath(QStringLiteral("WebPlugins/webplugins.xml"))));

    QVERIFY(writeFile(folder.filePath(QStringLiteral("js/app.js")), script("2")));
    QTRY_VERIFY2_WITH_TIMEOUT(shown(QStringLiteral("devplug: version 2, js/app.js:2")) == 1, qPrintable(out), 60000);
    QCOMPARE(shown(QStringLiteral("dev: reloaded the window of devplug, changed: js/app.js")), 1);

    QVERIFY(writeFile(folder.filePath(QStringLiteral("plugin.spec")), spec + "\n// the same, said again\n"));
    QTRY_VERIFY2_WITH_TIMEOUT(
        shown(QStringLiteral("dev: the manifest of devplug was saved, nothing the module reads changed")) == 1,
        qPrintable(out), 60000);
    QVERIFY(writeFile(folder.filePath(QStringLiteral("plugin.spec")), "{ id: \"devplug\",, }"));
    QTRY_VERIFY2_WITH_TIMEOUT(shown(QStringLiteral("dev: the manifest of devplug was not loaded again, "
                                                   "plugin.spec:1:18: Expected ':' after a member name: ,")) == 1,
                              qPrintable(out), 60000);

    QByteArray renamed = spec;
    renamed.replace("\"Dev Plug\"", "\"Dev Plug 2\"").replace("greet: { name: \"Greet\" }", "wave: { name: \"Wave\" }");
    QVERIFY(writeFile(folder.filePath(QStringLiteral("plugin.spec")), renamed));
    QTRY_VERIFY2_WITH_TIMEOUT(shown(QStringLiteral("devplug: version 2, js/app.js:2")) == 2, qPrintable(out), 60000);
    QCOMPARE(shown(QStringLiteral("dev: restarted for the new manifest of devplug, actions: greet removed, "
                                  "wave added; name: \"Dev Plug\" → \"Dev Plug 2\"")), 1);

    qRegisterMetaType<QProcess::ExitStatus>();
    QSignalSpy ended(&host, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    host.terminate();
    QVERIFY(ended.wait(60000));
    QCOMPARE(host.exitCode(), 0);
    QVERIFY(!QFile::exists(data.filePath(QStringLiteral("WebPlugins/webplugins.xml"))));
    QVERIFY(!QSettings(data.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
                 .contains(QStringLiteral("features/webplugin.developer")));
    // One window, restored across the restart.
    QFile workspace(data.filePath(QStringLiteral("workspace.json")));
    QVERIFY(workspace.open(QIODevice::ReadOnly));
    QCOMPARE(workspace.readAll().count("\"template\": \"webplugin_devplug\""), 1);
}

void tst_HostRun::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reason");

    const QString shot = QStringLiteral("@/shot.png");
    const QStringList open{QStringLiteral("--open"), QString::fromLatin1(exampleId)};
    QTest::newRow("unknown-id") << QStringList{QStringLiteral("--open"), QStringLiteral("nope"),
                                               QStringLiteral("--screenshot"), shot}
                                << 1 << QStringLiteral("no plug-in 'nope' is installed in ");
    QTest::newRow("unknown-id-interactive")
        << QStringList{QStringLiteral("--open"), QStringLiteral("webplugin_nope")}
        << 1 << QStringLiteral("no plug-in 'webplugin_nope' is installed");
    QTest::newRow("refused") << QStringList{QStringLiteral("--open"), QStringLiteral("future"),
                                            QStringLiteral("--screenshot"), shot}
                             << 1 << QStringLiteral("refused to open a document");
    QTest::newRow("unwritable") << open + QStringList{QStringLiteral("--screenshot"),
                                                      QStringLiteral("@/missing/shot.png")}
                                << 1 << QStringLiteral("cannot write @/missing/shot.png");
    QTest::newRow("missing-module") << open + QStringList{QStringLiteral("--module"), QStringLiteral("@/none.so"),
                                                          QStringLiteral("--screenshot"), shot}
                                    << 1 << QStringLiteral("no module at @/none.so");
    QTest::newRow("not-a-module") << open + QStringList{QStringLiteral("--module"),
                                                        qEnvironmentVariable("TESSEL_BUILD_DIR")
                                                            + QStringLiteral("/lib/libhostapi.so"),
                                                        QStringLiteral("--screenshot"), shot}
                                  << 1 << QStringLiteral("cannot load ");
    QTest::newRow("screenshot-without-open") << QStringList{QStringLiteral("--screenshot"), shot}
                                             << 2 << QStringLiteral("--screenshot needs --open or --dev");
    QTest::newRow("timeout-zero") << open + QStringList{QStringLiteral("--screenshot"), shot,
                                                        QStringLiteral("--timeout"), QStringLiteral("0")}
                                  << 2 << QStringLiteral("--timeout must be");
    QTest::newRow("screenshots-of-no-workspace") << QStringList{QStringLiteral("--screenshots"), QStringLiteral("@/shots")}
                                                 << 1 << QStringLiteral("the workspace has no windows");
    QTest::newRow("screenshots-folder-is-a-file")
        << QStringList{QStringLiteral("--screenshots"), QStringLiteral("@/WebPlugins/webplugins.xml")}
        << 1 << QStringLiteral("cannot create the folder @/WebPlugins/webplugins.xml");
    QTest::newRow("unknown-feature")
        << open + QStringList{QStringLiteral("--feature"), QStringLiteral("webplugin.develper"),
                              QStringLiteral("--screenshot"), shot}
        << 2 << QStringLiteral("--feature: no plug-in registered webplugin.develper (registered: webplugin.developer");
    QTest::newRow("dev-folder-without-manifest") << QStringList{QStringLiteral("--dev"), QStringLiteral("@")}
                                                 << 1 << QStringLiteral("--dev: @ has no plugin.spec");
    QTest::newRow("missing-value") << QStringList{QStringLiteral("--open")}
                                   << 2 << QStringLiteral("--open needs a value");
    QTest::newRow("unknown-option") << QStringList{QStringLiteral("--shot")}
                                    << 2 << QStringLiteral("unknown argument '--shot'");
}

void tst_HostRun::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, reason);

    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    for (QString &argument : arguments)
        argument.replace(QLatin1Char('@'), data.path());
    reason.replace(QLatin1Char('@'), data.path());

    const HostRun run = runHost(QStringList{QStringLiteral("--data-dir"), data.path()} + arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.errorLines.size(), 1);
    QVERIFY2(run.errorLines.first().contains(reason), qPrintable(run.errorLines.first()));
    QVERIFY(!QFile::exists(data.filePath(QStringLiteral("shot.png"))));
    QVERIFY(!QFile::exists(data.filePath(QStringLiteral("workspace.json"))));
}

void tst_HostRun::workspaceSavedOnQuit()
{
    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    const QString started = QStringLiteral("bridge-tour: Bridge Tour 1.0 started, API 1.0, \n");
    const QString workspaceFile = data.filePath(QStringLiteral("workspace.json"));

    // Opened from the command line, then from the saved workspace; a termination request
    // ends the host normally, saving the workspace each time.
    const QStringList runs[] = {{QStringLiteral("--open"), QString::fromLatin1(exampleId)}, {}};
    for (const QStringList &extra : runs) {
        QProcess host;
        QString out;
        connect(&host, &QProcess::readyReadStandardOutput, this,
                [&] { out += QString::fromUtf8(host.readAllStandardOutput()); });
        host.start(hostPath(), QStringList{QStringLiteral("--data-dir"), data.path(), QStringLiteral("--log")} + extra);
        QTRY_VERIFY_WITH_TIMEOUT(out.contains(started), 60000);
        host.terminate();
        QVERIFY(host.waitForFinished(60000));
        QCOMPARE(host.exitStatus(), QProcess::NormalExit);
        QCOMPARE(host.exitCode(), 0);
        QCOMPARE(out.count(started), 1);

        QFile file(workspaceFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QCOMPARE(saved.count("\"template\": \"webplugin_bridge-tour\""), 1);
    }
}

void tst_HostRun::workspaceScreenshots()
{
    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    // Two windows of the example: one the host places, one placed by the file.
    const QByteArray workspace = "{\"format\": 1, \"active\": 0, \"documents\": ["
                                 "{\"template\": \"webplugin_bridge-tour\", \"linkGroup\": 1}, "
                                 "{\"template\": \"webplugin_bridge-tour\", \"x\": 5, \"y\": 5, "
                                 "\"width\": 300, \"height\": 200}]}";
    const QString workspaceFile = data.filePath(QStringLiteral("workspace.json"));
    QVERIFY(writeFile(workspaceFile, workspace));
    const QString shots = data.filePath(QStringLiteral("shots"));

    HostRun run = runHost({QStringLiteral("--data-dir"), data.path(), QStringLiteral("--screenshots"), shots});
    QVERIFY2(run.errorLines.isEmpty(), qPrintable(run.errorLines.join(QLatin1Char('\n'))));
    QCOMPARE(run.exitCode, 0);
    const QStringList files = QDir(shots).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{QStringLiteral("bridge-tour-2.png"), QStringLiteral("bridge-tour.png")}));
    // Each window is captured with its page in view.
    for (const QString &file : files) {
        const QImage image = QImage(QDir(shots).filePath(file)).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(bandTop(image) >= 0, qPrintable(file));
    }
    QFile saved(workspaceFile);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), workspace);
    saved.close();

    // A window that cannot be restored fails the run, with the reason.
    QVERIFY(writeFile(workspaceFile, "{\"format\": 1, \"documents\": [{\"template\": \"webplugin_gone\"}]}"));
    run = runHost({QStringLiteral("--data-dir"), data.path(), QStringLiteral("--screenshots"), shots});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.errorLines, QStringList{QStringLiteral("tessel-host: Not restored: no plug-in 'webplugin_gone' is installed")});
}

void tst_HostRun::webPluginUpdates_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("shown");  // the run's line on "Plugin Output"; empty: none

    QTest::newRow("downloads") << QByteArray() << QStringList{QStringLiteral("a-2.wps")}
                               << QStringLiteral("Web plug-ins: 1 downloaded, 0 removed, 0 kept, 0 failed. "
                                                 "Updated web plug-ins take effect at the next start.");
    QTest::newRow("turned-off") << QByteArray("[General]\nenableWebPluginsUpdates=false\n")
                                << QStringList() << QString();
}

// The data service hands the host's updater the table in the data folder; the table's bundle
// comes from a server in this process.
void tst_HostRun::webPluginUpdates()
{
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, requests);
    QFETCH(QString, shown);

    const QByteArray bundle = "the bytes of a secured bundle, version 2";
    LocalHttpServer server;
    server.setPath(QStringLiteral("a-2.wps"), bundle);
    const QByteArray table =
        "{\"updateServer\": \"" + server.baseUrl().toUtf8() + "\", \"plugins\": [{\"filename\": \"a.wps\", "
        "\"updates\": [{\"filename\": \"a-2.wps\", "
        "\"md5\": \"" + QCryptographicHash::hash(bundle, QCryptographicHash::Md5).toHex() + "\", "
        "\"sha256\": \"" + QCryptographicHash::hash(bundle, QCryptographicHash::Sha256).toHex() + "\", "
        "\"versionFrom\": \"*\", \"versionTo\": \"*\"}]}]}";

    QTemporaryDir data;
    QVERIFY(makeDataFolder(data.path()));
    QVERIFY(writeFile(data.filePath(QStringLiteral("content/webplugins.ctab")), table));
    if (!settings.isEmpty())
        QVERIFY(writeFile(data.filePath(QStringLiteral("settings.ini")), settings));

    // The run ends long before the page has started: both have shown once the page has.
    const QString started = QStringLiteral("bridge-tour: Bridge Tour 1.0 started, API 1.0, \n");
    QProcess host;
    QString out;
    connect(&host, &QProcess::readyReadStandardOutput, this,
            [&] { out += QString::fromUtf8(host.readAllStandardOutput()); });
    host.start(hostPath(), {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--open"),
                            QString::fromLatin1(exampleId), QStringLiteral("--log")});
    QTRY_VERIFY2_WITH_TIMEOUT(out.contains(started) && out.contains(shown), qPrintable(out), 60000);
    qRegisterMetaType<QProcess::ExitStatus>();
    QSignalSpy ended(&host, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    host.terminate();
    QVERIFY(ended.wait(60000));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 0);

    QCOMPARE(server.requests(), requests);
    QFile installed(data.filePath(QStringLiteral("WebPlugins/a.wps")));
    if (shown.isEmpty()) {
        QVERIFY2(!out.contains(QLatin1String("Web plug-ins")), qPrintable(out));
        QVERIFY(!installed.exists());
    } else {
        QVERIFY2(out.split(QLatin1Char('\n')).contains(shown), qPrintable(out));
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QCOMPARE(installed.readAll(), bundle);
    }
}

QTEST_GUILESS_MAIN(tst_HostRun)
#include "tst_host_run.moc"
