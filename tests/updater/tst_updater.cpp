#include "localhttpserver.h"
#include "localtlsserver.h"
#include "testsupport.h"

#include <plugin/scriptplugin.h>
#include <updater/encryptedcontentrequest.h>
#include <updater/tesselupdater.h>
#include <updater/updatetable.h>

#include <application.h>
#include <errorresponse.h>
#include <settings.h>
#include <testbackend.h>

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace Tessel::Updater;

namespace {

const QByteArray Old = QByteArrayLiteral("old bundle");
const QByteArray New = QByteArrayLiteral("new bundle");
const QString LinkMark = QStringLiteral("-> ");

QString hash(const QByteArray &content, QCryptographicHash::Algorithm algorithm = QCryptographicHash::Md5)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, algorithm).toHex());
}

QJsonObject update(const QString &file, const QByteArray &content, const QString &from = QStringLiteral("2.*"),
                   const QString &to = QStringLiteral("2.*"))
{
    return {{"filename", file}, {"md5", hash(content)}, {"versionFrom", from}, {"versionTo", to}};
}

// The table of one plug-in per entry, of the given updates.
QByteArray table(const QList<QPair<QString, QJsonObject>> &plugins, const QString &server = QStringLiteral("{server}"))
{
    QJsonArray array;
    for (const auto &plugin : plugins)
        array.append(QJsonObject{{"filename", plugin.first}, {"updates", QJsonArray{plugin.second}}});
    return QJsonDocument(QJsonObject{{"updateServer", server}, {"plugins", array}}).toJson();
}

// Files below a root, by path relative to root + "/plugins"; a link reads as "-> TARGET".
QVariantMap filesBelow(const QString &root)
{
    QVariantMap files;
    const QDir plugins(root + QStringLiteral("/plugins"));
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QFile file(info.filePath());
        files.insert(plugins.relativeFilePath(info.filePath()),
                     info.isSymLink() ? QVariant(LinkMark + info.symLinkTarget().section(QLatin1Char('/'), -1))
                     : file.open(QIODevice::ReadOnly) ? QVariant(file.readAll()) : QVariant("unreadable"));
    }
    return files;
}

void makeFiles(const QString &root, const QVariantMap &files)
{
    const QDir plugins(root + QStringLiteral("/plugins"));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = QDir::cleanPath(plugins.filePath(it.key()));
        const QString text = it.value().toString();
        QFile file(path);
        QVERIFY(text.startsWith(LinkMark) ? QFile::link(plugins.filePath(text.mid(LinkMark.size())), path)
                                          : file.open(QIODevice::WriteOnly) && file.write(it.value().toByteArray()) >= 0);
    }
}

// Runs an updater whose table request is answered with text (null: an error) until it finishes.
void runUpdater(TesselUpdater *updater, const QByteArray &text)
{
    FeedApi::TestBackend backend;
    QObject::connect(&backend, &FeedApi::TestBackend::requestStarted, [&](FeedApi::Requester *requester) {
        const auto *request = requester->requestAs<EncryptedContentRequest>();
        QVERIFY(request && request->name() == "webplugins.ctab");
        if (text.isNull())
            backend.respond(requester, FeedApi::ErrorResponse(4, 1, QStringLiteral("market")));
        else
            backend.respond(requester, request->makeResponse(text));
    });
    QSignalSpy finished(updater, &TesselUpdater::finished);
    updater->start();
    QVERIFY(finished.wait(20000));
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
}

} // namespace

class tst_Updater : public QObject
{
    Q_OBJECT

private slots:
    void init() { Application::instance()->setCurrentVersion(QStringLiteral("2.5.10.3")); }
    void versions_data();
    void versions();
    void tableErrors_data();
    void tableErrors();
    void run_data();
    void run();
    void manyPlugins();
    void pluginStartsUpdater_data();
    void pluginStartsUpdater();
};

// Whether version lies within from-to; -1: one of the three is not a version.
void tst_Updater::versions_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("within");

    QTest::newRow("2.* covers 2.5.10.3") << "2.5.10.3" << "2.*" << "2.*" << 1;
    QTest::newRow("1.0.0.0-1.9.9.9 does not") << "2.5.10.3" << "1.0.0.0" << "1.9.9.9" << 0;
    QTest::newRow("closed range") << "2.5.10.3" << "2.5.10.3" << "2.5.10.3" << 1;
    QTest::newRow("below the range") << "2.5.10.2" << "2.5.10.3" << "3.*" << 0;
    QTest::newRow("numbers, not text") << "2.10.0.0" << "2.9.0.0" << "2.10.*" << 1;
    QTest::newRow("three numbers and star") << "1.2.3.9" << "1.2.3.*" << "1.2.3.*" << 1;
    QTest::newRow("trailing junk") << "2.5.10.3" << "1.2.3.4junk" << "*" << -1;
    QTest::newRow("three numbers") << "2.5.10.3" << "1.2.3" << "*" << -1;
    QTest::newRow("four numbers and star") << "2.5.10.3" << "1.2.3.4.*" << "*" << -1;
    QTest::newRow("star in the middle") << "2.5.10.3" << "1.*.3.4" << "*" << -1;
    QTest::newRow("number too long") << "2.5.10.3" << "99999999999999999999.0.0.0" << "*" << -1;
    QTest::newRow("application version with star") << "2.*" << "*" << "*" << 1;
}

void tst_Updater::versions()
{
    QFETCH(QString, version);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, within);

    const VersionPattern f = VersionPattern::fromString(from);
    const VersionPattern v = VersionPattern::fromString(version);
    QCOMPARE(v.isValid() && f.isValid() && VersionPattern::fromString(to).isValid(), within >= 0);
    if (within >= 0) {
        QCOMPARE(v.isWithin(f, VersionPattern::fromString(to)), within == 1);
        QCOMPARE(f.toString(), from);
    }
}

void tst_Updater::tableErrors_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");   // empty: valid

    const auto row = [](const char *name, const QByteArray &json, const char *error) {
        QTest::newRow(name) << json << QString::fromUtf8(error);
    };
    const QByteArray plugins = R"({"updateServer": "s", "plugins": )";
    const QByteArray update = plugins + R"([{"filename": "a.wps", "updates": [{"filename": "a.wps", )";
    row("valid", update + R"("md5": "00", "versionFrom": "*", "versionTo": "*"}]}]})", "");
    row("not an object", "[1]", "not an object");
    row("no server", R"({"plugins": []})", "no \"updateServer\"");
    row("server a number", R"({"updateServer": 1, "plugins": []})", "updateServer: not a string");
    row("plugins an object", plugins + "{}}", "plugins: not an array");
    row("plugin a string", plugins + R"(["a.wps"]})", "plugins[0]: not an object");
    row("no updates", plugins + R"([{"filename": "a.wps", "updates": []}, {"filename": "b.wps"}]})",
        "plugins[1]: no \"updates\"");
    row("md5 a number", update + R"("md5": 5, "versionFrom": "*", "versionTo": "*"}]}]})",
        "plugins[0].updates[0].md5: not a string");
    row("sha256 a list", update + R"("md5": "00", "sha256": [], "versionFrom": "*", "versionTo": "*"}]}]})",
        "plugins[0].updates[0].sha256: not a string");
    row("version with junk", update + R"("md5": "00", "versionFrom": "1.2.3.4junk", "versionTo": "*"}]}]})",
        "plugins[0].updates[0].versionFrom: \"1.2.3.4junk\" is not a version");
    row("no versionTo", update + R"("md5": "00", "versionFrom": "*"}]}]})", "plugins[0].updates[0]: no \"versionTo\"");
}

void tst_Updater::tableErrors()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);

    UpdateTable table;
    QString message;
    QCOMPARE(UpdateTable::read(QJsonDocument::fromJson(json).toVariant(), &table, &message), error.isEmpty());
    QCOMPARE(message, error);
}

// A run over the plug-in folder: the files before and after, the updater's lines (prefixes, in
// order, " || " between alternatives) and the summary; the server serves every path one way.
void tst_Updater::run_data()
{
    QTest::addColumn<QVariantMap>("before");      // files by path relative to the plug-in folder
    QTest::addColumn<QByteArray>("table");        // null: the data service answers an error
    QTest::addColumn<QVariantMap>("served");      // path -> body
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<QVariantMap>("after");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("summary");

    const QVariantMap none;
    const QVariantMap oldA{{"a.wps", Old}};
    const QVariantMap newA{{"a.wps", New}};
    const QVariantMap servedNew{{"a-2.wps", New}};
    const QByteArray tableNew = table({{"a.wps", update("a-2.wps", New)}});
    const QByteArray tableOld = table({{"a.wps", update("a-1.wps", New, "1.*", "1.*")}});
    const auto at = [](const QString &server) { return table({{"a.wps", update("a-2.wps", New)}}, server); };
    const auto with = [](QJsonObject object, const QString &key, const QString &value) {
        object.insert(key, value);
        return object;
    };
    const int serve = LocalHttpServer::Serve;
    const QString one = QStringLiteral("1 downloaded, 0 removed, 0 kept, 0 failed");
    const QString removed = QStringLiteral("0 downloaded, 1 removed, 0 kept, 0 failed");
    const QString failed = QStringLiteral("0 downloaded, 0 removed, 0 kept, 1 failed");
    const auto row = [](const char *name, const QVariantMap &before, const QByteArray &table, const QVariantMap &served,
                        int behaviour, const QVariantMap &after, const QStringList &lines, const QString &summary) {
        QTest::newRow(name) << before << table << served << behaviour << after << lines << summary;
    };

    row("missing, covered by 2.*: downloaded", none, tableNew, servedNew, serve, newA,
        {"2 Sending request for tab file content", "2 Web plugins info received",
         "2 Plugin does not exist, downloading new version.", "2 Received content size: 10",
         "2 Trying to rewrite plugin file:{folder}/a.wps"}, one);
    row("no update covers the version: removed", oldA, table({{"a.wps", update("a-1.wps", New, "1.0.0.0", "1.9.9.9")}}),
        none, serve, none, {"5 Removing plugin: {folder}/a.wps"}, removed);
    row("equal upper-case md5: kept, next plug-in at once", oldA,
        table({{"a.wps", with(update("a-2.wps", Old), "md5", hash(Old).toUpper())}, {"b.wps", update("b-2.wps", New)}}),
        {{"b-2.wps", New}}, serve, {{"a.wps", Old}, {"b.wps", New}},
        {"2 Plugin exists: {folder}/a.wps", "2 File hash:  file={folder}/a.wps hash=" + hash(Old),
         "2 Calculated hash equals to hash from config: {folder}/a.wps",
         "2 Plugin does not exist, downloading new version."}, "1 downloaded, 0 removed, 1 kept, 0 failed");
    row("different hash: replaced", oldA, tableNew, servedNew, serve, newA,
        {"2 Hashes mismatch, downloading new version:  localPluginFilename={folder}/a.wps actualLocalHash="
         + hash(Old) + " expectedHash=" + hash(New)}, one);
    row("server without a trailing slash: joined as is", none, at("{server}dl"), {{"dla-2.wps", New}}, serve, newA, {},
        one);
    row("sha256 checked when given", none,
        table({{"a.wps", with(update("a-2.wps", New), "sha256", hash(New, QCryptographicHash::Sha256))}}), servedNew,
        serve, newA, {}, one);
    // The old bundle stays; what the server does, and the first line of the failure.
    const auto failedRow = [&](const char *name, const QByteArray &table, const QVariantMap &served, int behaviour,
                               const QString &line) { row(name, oldA, table, served, behaviour, oldA, {line}, failed); };
    const QString refused = QStringLiteral("3 Download refused:  url={server}a-2.wps reason=");
    failedRow("download with another md5: old kept", tableNew, {{"a-2.wps", "tampered"}}, serve,
              "3 Received content hash and expected hash from config are different:  expected=" + hash(New)
                  + " actual=" + hash("tampered"));
    failedRow("download with another sha256: old kept",
              table({{"a.wps", with(update("a-2.wps", New), "sha256", hash(Old, QCryptographicHash::Sha256))}}),
              servedNew, serve, "3 Received content sha256 and expected sha256 from config are different:  expected="
                  + hash(Old, QCryptographicHash::Sha256) + " actual=" + hash(New, QCryptographicHash::Sha256));
    failedRow("not found: old kept", tableNew, none, serve, "3 Network error:  errorCode=203 error=");
    failedRow("connection refused", at("{closed}"), none, serve, "3 Network error:  errorCode=1 error=");
    failedRow("interrupted download: old kept whole", tableNew, servedNew, LocalHttpServer::CloseMidway,
              refused + "incomplete, 5 of 10 bytes || 3 Network error:  errorCode=2 error=");
    failedRow("stalled download refused", tableNew, servedNew, LocalHttpServer::Stall, refused + "no data for 0.5 s");
    failedRow("endless body refused", tableNew, servedNew, LocalHttpServer::Endless, refused);
    failedRow("announced 1 GiB refused", tableNew, servedNew, LocalHttpServer::Oversized, refused + "larger than 256 MiB");
    failedRow("redirect to file:// refused", tableNew, {{"a-2.wps", "file:///etc/hostname"}}, LocalHttpServer::Redirect,
              "3 Network error:  errorCode=");
    failedRow("file:// server refused", at("file:///tmp/"), none, serve,
              "3 Download refused:  url=file:///tmp/a-2.wps reason=not an http or https URL");
    failedRow("https certificate error fails", at("{tls}"), none, serve, "3 Network error:  errorCode=6 error=");

    const QVariantMap outside{{"../a.wps", Old}, {"../sub/a.wps", Old}};
    for (const char *text : {"../a.wps", "sub/a.wps", "/tmp/a.wps", "C:a.wps", "a\nb.wps"}) {
        const QString name = QString::fromUtf8(text);
        QTest::addRow("file name %s refused", qPrintable(QString(name).replace('\n', "\\n")))
            << outside << table({{name, update("a-1.wps", New, "1.*", "1.*")}}) << none << serve << outside
            << QStringList{"3 Refused plugin file name (not a plain .wps file name):  filename=" + name} << failed;
    }
    const QVariantMap link{{"../target.wps", Old}, {"a.wps", QString(LinkMark + "target.wps")}};
    row("link not updated", link, tableNew, servedNew, serve, link,
        {"3 Refused to update a plugin that is not a regular file: {folder}/a.wps"}, failed);
    row("link removed, not its target", link, tableOld, none, serve, {{"../target.wps", Old}},
        {"5 Removing plugin: {folder}/a.wps"}, removed);

    row("entry without updates: nothing downloaded or removed", {{"b.wps", Old}},
        QJsonDocument(QJsonObject{{"updateServer", "{server}"}, {"plugins", QJsonArray{
            QJsonObject{{"filename", "a.wps"}, {"updates", QJsonArray{update("a-2.wps", New)}}},
            QJsonObject{{"filename", "c.wps"}}}}}).toJson(), servedNew, serve, {{"b.wps", Old}},
        {"3 Web plugins updates structure is invalid", "3 Update table: plugins[1]: no \"updates\""},
        "the update table is invalid (plugins[1]: no \"updates\")");
    row("version with junk: invalid", oldA, table({{"a.wps", update("a-2.wps", New, "1.2.3.4junk", "*")}}), none, serve,
        oldA, {"3 Web plugins updates structure is invalid"},
        "the update table is invalid (plugins[0].updates[0].versionFrom: \"1.2.3.4junk\" is not a version)");
    row("nested too deep: invalid", oldA, QByteArray(5000, '['), none, serve, oldA,
        {"3 Web plugins updates structure is invalid"}, QString());
    row("no table", oldA, QByteArray(), none, serve, oldA,
        {"2 Sending request for tab file content",
         "3 Could not load web plugins config. error=4 errorSource=market errorClass=1"},
        "the update table could not be loaded (error 4 from market)");
}

void tst_Updater::run()
{
    QFETCH(QVariantMap, before);
    QFETCH(QByteArray, table);
    QFETCH(QVariantMap, served);
    QFETCH(int, behaviour);
    QFETCH(QVariantMap, after);
    QFETCH(QStringList, lines);
    QFETCH(QString, summary);

    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("plugins/sub")) && QDir(root.path()).mkpath(QStringLiteral("sub")));
    makeFiles(root.path(), before);
    LocalHttpServer server;
    for (auto it = served.cbegin(); it != served.cend(); ++it)
        server.setPath(it.key(), it.value().toByteArray(), LocalHttpServer::Behaviour(behaviour));
    QFile certificate(testDataPath() + QStringLiteral("localhost.crt"));
    QFile key(testDataPath() + QStringLiteral("localhost.key"));
    QVERIFY(certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    LocalTlsServer tls(QSslCertificate(&certificate), QSslKey(&key, QSsl::Rsa));
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 closedPort = closed.serverPort();
    closed.close();
    const QString folder = root.path() + QStringLiteral("/plugins");
    const auto expand = [&](QString text) {
        return text.replace(QLatin1String("{server}"), server.baseUrl())
            .replace(QLatin1String("{tls}"), QStringLiteral("https://127.0.0.1:%1/").arg(tls.serverPort()))
            .replace(QLatin1String("{closed}"), QStringLiteral("http://127.0.0.1:%1/").arg(closedPort))
            .replace(QLatin1String("{folder}"), folder);
    };

    LogCapture capture;
    TesselUpdater updater(folder);
    updater.setDownloadTimeouts(500, 3000);
    runUpdater(&updater, table.isNull() ? table : expand(QString::fromUtf8(table)).toUtf8());
    QStringList logged;
    for (const HostApi::LogEntry &entry : capture.entries()) {
        if (entry.category.startsWith("Tessel.") && entry.category.endsWith("Updater"))
            logged.append(QString::number(entry.level) + QLatin1Char(' ') + entry.text);
    }
    int at = 0;
    for (const QString &line : qAsConst(lines)) {
        const QStringList alternatives = expand(line).split(QStringLiteral(" || "));
        const auto matches = [&](const QString &logLine) {
            return std::any_of(alternatives.cbegin(), alternatives.cend(),
                               [&](const QString &prefix) { return logLine.startsWith(prefix); });
        };
        while (at < logged.size() && !matches(logged.at(at)))
            ++at;
        QVERIFY2(at < logged.size(), qPrintable(expand(line) + "\nnot in order in:\n" + logged.join('\n')));
    }
    QCOMPARE(filesBelow(root.path()), after);
    if (!summary.isEmpty())
        QCOMPARE(updater.summary(), summary);
}

void tst_Updater::manyPlugins()
{
    QTemporaryDir folder;
    QList<QPair<QString, QJsonObject>> plugins;
    for (int i = 0; i < 3000; ++i)
        plugins.append({QStringLiteral("p%1.wps").arg(i), update("x.wps", New, "1.*", "1.*")});
    TesselUpdater updater(folder.path());
    QSignalSpy progress(&updater, &TesselUpdater::progressChanged);
    runUpdater(&updater, table(plugins));
    QCOMPARE(updater.summary(), QStringLiteral("0 downloaded, 0 removed, 3000 kept, 0 failed"));
    QCOMPARE(progress.count(), 3001);
    QCOMPARE(progress.last(), (QVariantList{3000, 3000}));
}

// The "enableWebPluginsUpdates" setting: whether the plug-in's start asks for the table.
void tst_Updater::pluginStartsUpdater_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<int>("requests");

    QTest::newRow("unset") << QVariant() << 1;
    QTest::newRow("true") << QVariant(true) << 1;
    QTest::newRow("false") << QVariant(false) << 0;
    QTest::newRow("text false") << QVariant(QStringLiteral("false")) << 0;
    QTest::newRow("zero") << QVariant(0) << 0;
    QTest::newRow("list") << QVariant(QVariantList{1, 2}) << 1;
}

void tst_Updater::pluginStartsUpdater()
{
    QFETCH(QVariant, setting);
    QFETCH(int, requests);

    QTemporaryDir data;
    Application::instance()->setAppDataPath(data.path());
    HostApi::Settings *settings = Application::instance()->settings();
    settings->remove(QStringLiteral("enableWebPluginsUpdates"));
    if (setting.isValid())
        settings->setValue(QStringLiteral("enableWebPluginsUpdates"), setting);
    FeedApi::TestBackend backend;
    ScriptPlugin plugin;
    plugin.init();
    QCOMPARE(backend.startedCount(), requests);
    QVERIFY(plugin.updater());
    QCOMPARE(plugin.updater()->pluginFolder(), data.path() + QStringLiteral("/WebPlugins"));
}

QTEST_MAIN(tst_Updater)
#include "tst_updater.moc"
