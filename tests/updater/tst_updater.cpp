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
const QString Version = QStringLiteral("2.5.10.3");

QString md5(const QByteArray &content)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
}

QString sha256(const QByteArray &content)
{
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

QJsonObject update(const QString &file, const QByteArray &content,
                   const QString &from = QStringLiteral("2.*"), const QString &to = QStringLiteral("2.*"))
{
    return {{"filename", file}, {"md5", md5(content)}, {"versionFrom", from}, {"versionTo", to}};
}

QJsonObject plugin(const QString &file, const QJsonArray &updates)
{
    return {{"filename", file}, {"updates", updates}};
}

QByteArray table(const QJsonArray &plugins, const QString &server = QStringLiteral("{server}"))
{
    return QJsonDocument(QJsonObject{{"updateServer", server}, {"plugins", plugins}}).toJson();
}

// Files below a root, by path relative to root + "/plugins"; a link reads as "-> TARGET".
QVariantMap filesBelow(const QString &root)
{
    QVariantMap files;
    const QDir plugins(root + QStringLiteral("/plugins"));
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = plugins.relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            files.insert(name, QString(LinkMark + info.symLinkTarget().section(QLatin1Char('/'), -1)));
            continue;
        }
        QFile file(info.filePath());
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return files;
}

void makeFiles(const QString &root, const QVariantMap &files)
{
    const QDir plugins(root + QStringLiteral("/plugins"));
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = QDir::cleanPath(plugins.filePath(it.key()));
        const QString text = it.value().toString();
        if (text.startsWith(LinkMark)) {
            QVERIFY(QFile::link(plugins.filePath(text.mid(LinkMark.size())), path));
            continue;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value().toByteArray());
    }
}

// The lines of both updater categories, with their level.
QStringList updaterLines(const LogCapture &capture)
{
    QStringList lines;
    for (const HostApi::LogEntry &entry : capture.entries()) {
        if (entry.category.startsWith("Tessel.") && entry.category.endsWith("Updater"))
            lines.append(QString::number(entry.level) + QLatin1Char(' ') + entry.text);
    }
    return lines;
}

} // namespace

class tst_Updater : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void versions_data();
    void versions();
    void tableErrors_data();
    void tableErrors();
    void run_data();
    void run();
    void manyPlugins();
    void pluginStartsUpdater_data();
    void pluginStartsUpdater();

private:
    QString m_tlsBase;
};

void tst_Updater::init()
{
    Application::instance()->setCurrentVersion(Version);
}

void tst_Updater::versions_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("within");   // -1: one of the three is not a version

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

    const VersionPattern v = VersionPattern::fromString(version);
    const VersionPattern f = VersionPattern::fromString(from);
    const VersionPattern t = VersionPattern::fromString(to);
    QCOMPARE(v.isValid() && f.isValid() && t.isValid(), within >= 0);
    if (within >= 0) {
        QCOMPARE(v.isWithin(f, t), within == 1);
        QCOMPARE(f.toString(), from);
    }
}

void tst_Updater::tableErrors_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");   // empty: valid

    const QByteArray entry = R"({"filename": "a.wps", "md5": "00", "versionFrom": "*", "versionTo": "*"})";
    QTest::newRow("valid") << QByteArray(R"({"updateServer": "s", "plugins": [{"filename": "a.wps", "updates": [)" + entry + "]}]}") << QString();
    QTest::newRow("not an object") << QByteArray("[1]") << "not an object";
    QTest::newRow("no server") << QByteArray(R"({"plugins": []})") << "no \"updateServer\"";
    QTest::newRow("server a number") << QByteArray(R"({"updateServer": 1, "plugins": []})") << "updateServer: not a string";
    QTest::newRow("plugins an object") << QByteArray(R"({"updateServer": "s", "plugins": {}})") << "plugins: not an array";
    QTest::newRow("plugin a string") << QByteArray(R"({"updateServer": "s", "plugins": ["a.wps"]})") << "plugins[0]: not an object";
    QTest::newRow("no updates") << QByteArray(R"({"updateServer": "s", "plugins": [{"filename": "a.wps", "updates": []}, {"filename": "b.wps"}]})") << "plugins[1]: no \"updates\"";
    QTest::newRow("md5 a number") << QByteArray(R"({"updateServer": "s", "plugins": [{"filename": "a.wps", "updates": [{"filename": "a.wps", "md5": 5, "versionFrom": "*", "versionTo": "*"}]}]})") << "plugins[0].updates[0].md5: not a string";
    QTest::newRow("sha256 a list") << QByteArray(R"({"updateServer": "s", "plugins": [{"filename": "a.wps", "updates": [{"filename": "a.wps", "md5": "00", "sha256": [], "versionFrom": "*", "versionTo": "*"}]}]})") << "plugins[0].updates[0].sha256: not a string";
    QTest::newRow("version with junk") << QByteArray(R"({"updateServer": "s", "plugins": [{"filename": "a.wps", "updates": [{"filename": "a.wps", "md5": "00", "versionFrom": "1.2.3.4junk", "versionTo": "*"}]}]})") << "plugins[0].updates[0].versionFrom: \"1.2.3.4junk\" is not a version";
    QTest::newRow("no versionTo") << QByteArray(R"({"updateServer": "s", "plugins": [{"filename": "a.wps", "updates": [{"filename": "a.wps", "md5": "00", "versionFrom": "*"}]}]})") << "plugins[0].updates[0]: no \"versionTo\"";
}

void tst_Updater::tableErrors()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);

    UpdateTable table;
    QString message;
    QCOMPARE(UpdateTable::read(QJsonDocument::fromJson(json).toVariant(), &table, &message),
             error.isEmpty());
    QCOMPARE(message, error);
}

void tst_Updater::run_data()
{
    QTest::addColumn<QVariantMap>("before");      // files by path relative to the plug-in folder
    QTest::addColumn<QByteArray>("table");        // null: the data service answers an error
    QTest::addColumn<QVariantMap>("served");      // path -> body
    QTest::addColumn<int>("behaviour");           // of every served path
    QTest::addColumn<QVariantMap>("after");
    QTest::addColumn<QStringList>("lines");       // prefixes of updater lines, in order; " || " between alternatives
    QTest::addColumn<QString>("summary");

    const QVariantMap none;
    const QVariantMap oldA{{"a.wps", Old}};
    const QVariantMap newA{{"a.wps", New}};
    const QVariantMap servedNew{{"a-2.wps", New}};
    const QByteArray tableNew = table({plugin("a.wps", {update("a-2.wps", New)})});
    const int serve = LocalHttpServer::Serve;
    const QString one = QStringLiteral("1 downloaded, 0 removed, 0 kept, 0 failed");
    const QString failed = QStringLiteral("0 downloaded, 0 removed, 0 kept, 1 failed");

    QTest::newRow("missing, covered by 2.*: downloaded")
        << none << tableNew << servedNew << serve << newA
        << QStringList{"2 Sending request for tab file content", "2 Web plugins info received",
                       "2 Plugin does not exist, downloading new version.",
                       "2 Received content size: 10",
                       "2 Trying to rewrite plugin file:{folder}/a.wps"}
        << one;
    QTest::newRow("no update covers the version: removed")
        << oldA << table({plugin("a.wps", {update("a-1.wps", New, "1.0.0.0", "1.9.9.9")})})
        << none << serve << none << QStringList{"5 Removing plugin: {folder}/a.wps"}
        << "0 downloaded, 1 removed, 0 kept, 0 failed";
    QTest::newRow("equal upper-case md5: kept, next plug-in at once")
        << QVariantMap{{"a.wps", Old}}
        << table({plugin("a.wps", {QJsonObject{{"filename", "a-2.wps"}, {"md5", md5(Old).toUpper()},
                                               {"versionFrom", "*"}, {"versionTo", "*"}}}),
                  plugin("b.wps", {update("b-2.wps", New)})})
        << QVariantMap{{"b-2.wps", New}} << serve << QVariantMap{{"a.wps", Old}, {"b.wps", New}}
        << QStringList{"2 Plugin exists: {folder}/a.wps",
                       "2 File hash:  file={folder}/a.wps hash=" + md5(Old),
                       "2 Calculated hash equals to hash from config: {folder}/a.wps",
                       "2 Plugin does not exist, downloading new version."}
        << "1 downloaded, 0 removed, 1 kept, 0 failed";
    QTest::newRow("different hash: replaced")
        << oldA << tableNew << servedNew << serve << newA
        << QStringList{"2 Hashes mismatch, downloading new version:  localPluginFilename={folder}/a.wps actualLocalHash="
                       + md5(Old) + " expectedHash=" + md5(New)}
        << one;
    QTest::newRow("server without a trailing slash: joined as is")
        << none << table({plugin("a.wps", {update("a-2.wps", New)})}, "{server}dl")
        << QVariantMap{{"dla-2.wps", New}} << serve << newA << QStringList() << one;
    QTest::newRow("sha256 checked when given")
        << none
        << table({plugin("a.wps", {QJsonObject{{"filename", "a-2.wps"}, {"md5", md5(New)}, {"sha256", sha256(New)},
                                               {"versionFrom", "*"}, {"versionTo", "*"}}})})
        << servedNew << serve << newA << QStringList() << one;
    QTest::newRow("download with another md5: old kept")
        << oldA << tableNew << QVariantMap{{"a-2.wps", "tampered"}} << serve << oldA
        << QStringList{"3 Received content hash and expected hash from config are different:  expected="
                       + md5(New) + " actual=" + md5("tampered")}
        << failed;
    QTest::newRow("download with another sha256: old kept")
        << oldA
        << table({plugin("a.wps", {QJsonObject{{"filename", "a-2.wps"}, {"md5", md5(New)}, {"sha256", sha256(Old)},
                                               {"versionFrom", "*"}, {"versionTo", "*"}}})})
        << servedNew << serve << oldA
        << QStringList{"3 Received content sha256 and expected sha256 from config are different:  expected="
                       + sha256(Old) + " actual=" + sha256(New)}
        << failed;
    QTest::newRow("not found: old kept")
        << oldA << tableNew << none << serve << oldA
        << QStringList{"3 Network error:  errorCode=203 error="} << failed;
    QTest::newRow("connection refused")
        << oldA << table({plugin("a.wps", {update("a-2.wps", New)})}, "{closed}")
        << none << serve << oldA << QStringList{"3 Network error:  errorCode=1 error="} << failed;
    QTest::newRow("interrupted download: old kept whole")
        << oldA << tableNew << servedNew << int(LocalHttpServer::CloseMidway) << oldA
        << QStringList{"3 Download refused:  url={server}a-2.wps reason=incomplete, 5 of 10 bytes"
                       " || 3 Network error:  errorCode=2 error="}
        << failed;
    QTest::newRow("stalled download refused")
        << oldA << tableNew << servedNew << int(LocalHttpServer::Stall) << oldA
        << QStringList{"3 Download refused:  url={server}a-2.wps reason=no data for 0.5 s"} << failed;
    QTest::newRow("endless body refused")
        << oldA << tableNew << servedNew << int(LocalHttpServer::Endless) << oldA
        << QStringList{"3 Download refused:  url={server}a-2.wps reason="} << failed;
    QTest::newRow("announced 1 GiB refused")
        << oldA << tableNew << servedNew << int(LocalHttpServer::Oversized) << oldA
        << QStringList{"3 Download refused:  url={server}a-2.wps reason=larger than 256 MiB"} << failed;
    QTest::newRow("redirect to file:// refused")
        << oldA << tableNew << QVariantMap{{"a-2.wps", "file:///etc/hostname"}}
        << int(LocalHttpServer::Redirect) << oldA << QStringList{"3 Network error:  errorCode="} << failed;
    QTest::newRow("file:// server refused")
        << oldA << table({plugin("a.wps", {update("a-2.wps", New)})}, "file:///tmp/")
        << none << serve << oldA
        << QStringList{"3 Download refused:  url=file:///tmp/a-2.wps reason=not an http or https URL"} << failed;
    QTest::newRow("https certificate error fails")
        << oldA << table({plugin("a.wps", {update("a-2.wps", New)})}, "{tls}")
        << none << serve << oldA << QStringList{"3 Network error:  errorCode=6 error="} << failed;

    const QVariantMap outside{{"../a.wps", Old}, {"../sub/a.wps", Old}};
    for (const char *text : {"../a.wps", "sub/a.wps", "/tmp/a.wps", "C:a.wps", "a\nb.wps"}) {
        const QString name = QString::fromUtf8(text);
        QTest::addRow("file name %s refused", qPrintable(QString(name).replace('\n', "\\n")))
            << outside << table({plugin(name, {update("a-1.wps", New, "1.*", "1.*")})})
            << none << serve << outside
            << QStringList{"3 Refused plugin file name (not a plain .wps file name):  filename=" + name}
            << failed;
    }
    const QVariantMap link{{"../target.wps", Old}, {"a.wps", QString(LinkMark + "target.wps")}};
    QTest::newRow("link not updated")
        << link << tableNew << servedNew << serve << link
        << QStringList{"3 Refused to update a plugin that is not a regular file: {folder}/a.wps"} << failed;
    QTest::newRow("link removed, not its target")
        << link << table({plugin("a.wps", {update("a-1.wps", New, "1.*", "1.*")})}) << none << serve
        << QVariantMap{{"../target.wps", Old}} << QStringList{"5 Removing plugin: {folder}/a.wps"}
        << "0 downloaded, 1 removed, 0 kept, 0 failed";

    const QByteArray invalidRest = table({plugin("a.wps", {update("a-2.wps", New)}),
                                          QJsonObject{{"filename", "c.wps"}}});
    QTest::newRow("entry without updates: nothing downloaded or removed")
        << QVariantMap{{"b.wps", Old}} << invalidRest << servedNew << serve << QVariantMap{{"b.wps", Old}}
        << QStringList{"3 Web plugins updates structure is invalid", "3 Update table: plugins[1]: no \"updates\""}
        << "the update table is invalid (plugins[1]: no \"updates\")";
    QTest::newRow("version with junk: invalid")
        << oldA << table({plugin("a.wps", {update("a-2.wps", New, "1.2.3.4junk", "*")})}) << none << serve
        << oldA << QStringList{"3 Web plugins updates structure is invalid"}
        << "the update table is invalid (plugins[0].updates[0].versionFrom: \"1.2.3.4junk\" is not a version)";
    QTest::newRow("nested too deep: invalid")
        << oldA << QByteArray(5000, '[') << none << serve << oldA
        << QStringList{"3 Web plugins updates structure is invalid"} << QString();
    QTest::newRow("no table")
        << oldA << QByteArray() << none << serve << oldA
        << QStringList{"2 Sending request for tab file content",
                       "3 Could not load web plugins config. error=4 errorSource=market errorClass=1"}
        << "the update table could not be loaded (error 4 from market)";
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
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("plugins/sub")));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("sub")));
    makeFiles(root.path(), before);
    const QString folder = root.path() + QStringLiteral("/plugins");

    LocalHttpServer server;
    for (auto it = served.cbegin(); it != served.cend(); ++it)
        server.setPath(it.key(), it.value().toByteArray(), LocalHttpServer::Behaviour(behaviour));
    QFile certificate(testDataPath() + QStringLiteral("localhost.crt"));
    QFile key(testDataPath() + QStringLiteral("localhost.key"));
    QVERIFY(certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    LocalTlsServer tls(QSslCertificate(&certificate), QSslKey(&key, QSsl::Rsa));
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const QString closedBase = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();
    const auto expand = [&](QString text) {
        return text.replace(QLatin1String("{server}"), server.baseUrl())
            .replace(QLatin1String("{tls}"), QStringLiteral("https://127.0.0.1:%1/").arg(tls.serverPort()))
            .replace(QLatin1String("{closed}"), closedBase)
            .replace(QLatin1String("{folder}"), folder);
    };

    LogCapture capture;
    FeedApi::TestBackend backend;
    connect(&backend, &FeedApi::TestBackend::requestStarted, this, [&](FeedApi::Requester *requester) {
        const auto *request = requester->requestAs<EncryptedContentRequest>();
        QVERIFY(request);
        QCOMPARE(request->name(), QByteArray("webplugins.ctab"));
        if (table.isNull())
            backend.respond(requester, FeedApi::ErrorResponse(4, 1, QStringLiteral("market")));
        else
            backend.respond(requester, request->makeResponse(expand(QString::fromUtf8(table)).toUtf8()));
    });
    TesselUpdater updater(folder);
    updater.setDownloadTimeouts(500, 3000);
    QSignalSpy finished(&updater, &TesselUpdater::finished);
    updater.start();
    QVERIFY(finished.wait(20000));
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);

    const QStringList logged = updaterLines(capture);
    int at = 0;
    for (const QString &line : qAsConst(lines)) {
        const QString expected = expand(line);
        const QStringList alternatives = expected.split(QStringLiteral(" || "));
        const auto matches = [&](const QString &logLine) {
            return std::any_of(alternatives.cbegin(), alternatives.cend(),
                               [&](const QString &prefix) { return logLine.startsWith(prefix); });
        };
        while (at < logged.size() && !matches(logged.at(at)))
            ++at;
        QVERIFY2(at < logged.size(), qPrintable(expected + "\nnot in order in:\n" + logged.join('\n')));
    }
    QCOMPARE(filesBelow(root.path()), after);
    if (!summary.isEmpty())
        QCOMPARE(updater.summary(), summary);
}

void tst_Updater::manyPlugins()
{
    QTemporaryDir folder;
    QJsonArray plugins;
    for (int i = 0; i < 3000; ++i)
        plugins.append(plugin(QStringLiteral("p%1.wps").arg(i), {update("x.wps", New, "1.*", "1.*")}));
    FeedApi::TestBackend backend;
    connect(&backend, &FeedApi::TestBackend::requestStarted, this, [&](FeedApi::Requester *requester) {
        backend.respond(requester, requester->requestAs<EncryptedContentRequest>()->makeResponse(table(plugins)));
    });
    TesselUpdater updater(folder.path());
    QSignalSpy finished(&updater, &TesselUpdater::finished);
    QSignalSpy progress(&updater, &TesselUpdater::progressChanged);
    updater.start();
    QVERIFY(finished.wait(20000));
    QCOMPARE(updater.summary(), QStringLiteral("0 downloaded, 0 removed, 3000 kept, 0 failed"));
    QCOMPARE(progress.count(), 3001);
    QCOMPARE(progress.last(), (QVariantList{3000, 3000}));
}

void tst_Updater::pluginStartsUpdater_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<int>("requests");

    QTest::newRow("unset") << QVariant() << 1;
    QTest::newRow("true") << QVariant(true) << 1;
    QTest::newRow("false") << QVariant(false) << 0;
    QTest::newRow("text false") << QVariant(QStringLiteral("false")) << 0;
}

void tst_Updater::pluginStartsUpdater()
{
    QFETCH(QVariant, setting);
    QFETCH(int, requests);

    QTemporaryDir data;
    Application::instance()->setAppDataPath(data.path());
    if (setting.isValid())
        Application::instance()->settings()->setValue(QStringLiteral("enableWebPluginsUpdates"), setting);
    FeedApi::TestBackend backend;
    ScriptPlugin plugin;
    plugin.init();
    QCOMPARE(backend.startedCount(), requests);
    QVERIFY(plugin.updater());
    QCOMPARE(plugin.updater()->pluginFolder(), data.path() + QStringLiteral("/WebPlugins"));
}

QTEST_MAIN(tst_Updater)
#include "tst_updater.moc"
