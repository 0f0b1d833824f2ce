#include "bundletestutils.h"
#include "localtlsserver.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/scriptnetworkaccessmanager.h>
#include <bundle/securedbundle.h>
#include <bundle/standardbundle.h>

#include <QNetworkCookieJar>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const char Category[] = "Tessel.ScriptNetworkAccessManager";
const QString Username = QStringLiteral("john");
const QString Password = QStringLiteral("s3cret");

// A port on 127.0.0.1 that nobody listens on.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

QNetworkReply *finishedReply(QNetworkAccessManager &manager, const QUrl &url)
{
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(10000);
    return reply;
}

const FileMap bundleFiles{
    {QStringLiteral("index.html"), QByteArrayLiteral("<html>index</html>")},
    {QStringLiteral("js/app.js"), QByteArrayLiteral("app();")},
};

} // namespace

class tst_ScriptNetworkAccessManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void substitution_data();
    void substitution();
    void fileServing_data();
    void fileServing();
    void errorLines_data();
    void errorLines();
    void certificateErrorsFailHttps();
    void sharedCookieJarAndCache_data();
    void sharedCookieJarAndCache();

private:
    std::unique_ptr<ScriptNetworkAccessManager> newManager(const ScriptBundle *bundle);

    QTemporaryDir m_dir;
    RecordingChannel m_channel;
    std::unique_ptr<StandardBundle> m_folderBundle;
    std::unique_ptr<SecuredBundle> m_securedBundle;
};

// <tmp>/folder/Chart and <tmp>/secured/Chart.wps hold the same files; a secret file and a
// sibling bundle Chart2 lie beside each.
void tst_ScriptNetworkAccessManager::initTestCase()
{
    for (const char *kind : {"folder", "secured"}) {
        const QString parent = m_dir.path() + QLatin1Char('/') + QLatin1String(kind);
        QVERIFY(writeFile(parent + QStringLiteral("/secret.txt"), "secret"));
        QVERIFY(writeFile(parent + QStringLiteral("/Chart2/plugin.spec"), "other"));
    }
    QVERIFY(writeFiles(m_dir.path() + QStringLiteral("/folder/Chart"), bundleFiles));
    m_folderBundle.reset(new StandardBundle(m_dir.path() + QStringLiteral("/folder/Chart")));
    const QString secured = m_dir.path() + QStringLiteral("/secured/Chart.wps");
    QVERIFY(writeFile(secured, encodeSecured(makeZip(bundleFiles), QByteArray())));
    m_securedBundle.reset(new SecuredBundle(secured, true, &m_channel));
    QVERIFY(m_channel.lines.isEmpty());
}

std::unique_ptr<ScriptNetworkAccessManager>
tst_ScriptNetworkAccessManager::newManager(const ScriptBundle *bundle)
{
    auto manager = std::make_unique<ScriptNetworkAccessManager>(nullptr, nullptr, bundle,
                                                                &m_channel);
    manager->setUsernameSource([]() { return Username; });
    manager->setPasswordSource([]() { return Password; });
    return manager;
}

static QString substitutionLine(const QString &value, const QString &name)
{
    return QStringLiteral("NetworkAccessManager: failed to substitute variable for '%1', "
                          "unknown variable '%2'\n").arg(value, name);
}

void tst_ScriptNetworkAccessManager::substitution_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("lines");

    const QString http = QStringLiteral("http://127.0.0.1:1/p?");
    const QString https = QStringLiteral("https://127.0.0.1:1/p?");
    const QString file = QStringLiteral("file:///x/index.html?");

    QTest::newRow("username-percent-encoded") << http + "q=abc%24(USERNAME)def" << Username
                                              << http + "q=abcjohndef" << QStringList();
    QTest::newRow("unknown-name") << http + "q=a$(TOKEN)b" << Username << http + "q=ab"
                                  << QStringList{substitutionLine("a$(TOKEN)b", "TOKEN")};
    QTest::newRow("empty-name") << http + "q=<$()>" << Username << http + "q=%3C%3E"
                                << QStringList{substitutionLine("%3C$()%3E", "")};
    QTest::newRow("password-https") << https + "p=$(PASSWORD)" << Username
                                    << https + "p=s3cret" << QStringList();
    QTest::newRow("password-http-removed")
        << http + "p=$(PASSWORD)&u=$(USERNAME)&c=plain" << Username << http + "p=&u=john&c=plain"
        << QStringList{substitutionLine("$(PASSWORD)", "PASSWORD")};
    QTest::newRow("password-file-removed")
        << file + "p=%24(PASSWORD)" << Username << file + "p="
        << QStringList{substitutionLine("%24(PASSWORD)", "PASSWORD")};
    QTest::newRow("two-unknown-in-one-value")
        << http + "q=$(A)$(B)" << Username << http + "q="
        << QStringList{substitutionLine("$(A)$(B)", "A"), substitutionLine("$(A)$(B)", "B")};
    QTest::newRow("inserted-text-not-searched")
        << http + "q=$(USERNAME)$(USERNAME)" << QStringLiteral("$(TOKEN)")
        << http + "q=$(TOKEN)$(TOKEN)" << QStringList();
    QTest::newRow("delimiters-in-value-encoded")
        << http + "q=$(USERNAME)" << QStringLiteral("a&b=c#d")
        << http + "q=a%26b%3Dc%23d" << QStringList();
    QTest::newRow("no-parentheses") << http + "q=$USERNAME" << Username
                                    << http + "q=$USERNAME" << QStringList();
    QTest::newRow("keys-untouched") << http + "$(USERNAME)=1" << Username
                                    << http + "$(USERNAME)=1" << QStringList();
}

// What the manager sends is the URL of the request its reply carries.
void tst_ScriptNetworkAccessManager::substitution()
{
    QFETCH(QString, url);
    QFETCH(QString, username);
    QFETCH(QString, expected);
    QFETCH(QStringList, lines);

    m_channel.clear();
    auto manager = newManager(m_folderBundle.get());
    manager->setUsernameSource([username]() { return username; });
    std::unique_ptr<QNetworkReply> reply(manager->get(QNetworkRequest(QUrl(url))));
    QCOMPARE(reply->request().url().toString(QUrl::FullyEncoded), expected);
    QCOMPARE(m_channel.lines, lines);
}

void tst_ScriptNetworkAccessManager::fileServing_data()
{
    QTest::addColumn<bool>("secured");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("refused");

    // {root} is the bundle's path, {parent} the folder holding it.
    for (bool secured : {false, true}) {
        const char *kind = secured ? "secured" : "folder";
        auto row = [&](const char *name, const char *url, const QByteArray &content,
                       bool refused) {
            QTest::addRow("%s-%s", kind, name) << secured << QString::fromLatin1(url)
                                               << content << refused;
        };
        row("entry", "file://{root}/index.html", bundleFiles.value("index.html"), false);
        row("bundle-url-form", "file:///{root}/index.html", bundleFiles.value("index.html"), false);
        row("sub-folder", "file://{root}/js/app.js", bundleFiles.value("js/app.js"), false);
        row("dot-segments-inside", "file://{root}/js/../js/./app.js",
            bundleFiles.value("js/app.js"), false);
        row("missing-file", "file://{root}/nothing.js", QByteArray(), false);
        row("parent", "file://{root}/../secret.txt", QByteArray(), true);
        row("encoded-parent", "file://{root}/%2E%2E/secret.txt", QByteArray(), true);
        row("encoded-separator", "file://{root}/..%2Fsecret.txt", QByteArray(), true);
        row("deep-parent", "file://{root}/js/../../secret.txt", QByteArray(), true);
        row("outside-absolute", "file://{parent}/secret.txt", QByteArray(), true);
        row("sibling-with-same-prefix", "file://{parent}/Chart2/plugin.spec", QByteArray(), true);
    }
}

// Files come from the bundle only: names that leave it are refused and served empty, like a
// missing file, and the reply still succeeds.
void tst_ScriptNetworkAccessManager::fileServing()
{
    QFETCH(bool, secured);
    QFETCH(QString, url);
    QFETCH(QByteArray, content);
    QFETCH(bool, refused);

    const ScriptBundle *bundle = secured ? static_cast<const ScriptBundle *>(m_securedBundle.get())
                                         : m_folderBundle.get();
    const QString parent = m_dir.path() + (secured ? "/secured" : "/folder");
    auto manager = newManager(bundle);
    LogCapture capture;
    m_channel.clear();
    std::unique_ptr<QNetworkReply> reply(
        finishedReply(*manager, QUrl(url.replace(QLatin1String("{root}"), bundle->path())
                                         .replace(QLatin1String("{parent}"), parent))));
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), content);
    QCOMPARE(capture.texts("Tessel.ScriptBundle").size()
                 + capture.texts("Tessel.StandardBundle").size() > 0,
             refused);
}

void tst_ScriptNetworkAccessManager::errorLines_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("lines");

    const QString origin = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    QTest::newRow("http") << "http://" + origin + "/x?u=$(USERNAME)"
                          << QStringList{"Network error: 1", "URL: http://" + origin + "/x?u=john"};
    QTest::newRow("password-anywhere-removed")
        << "https://" + origin + "/s3cret/a?p=%24(PASSWORD)"
        << QStringList{"Network error: 1", "URL: https://" + origin + "//a?p="};
}

void tst_ScriptNetworkAccessManager::errorLines()
{
    QFETCH(QString, url);
    QFETCH(QStringList, lines);

    auto manager = newManager(m_folderBundle.get());
    LogCapture capture;
    std::unique_ptr<QNetworkReply> reply(finishedReply(*manager, QUrl(url)));
    QCOMPARE(reply->error(), QNetworkReply::ConnectionRefusedError);
    QCOMPARE(capture.texts(Category), lines);
}

// An https request to a server with a self-signed certificate is not trusted: the certificate
// error and the failed request are logged, the request fails, the password stays out of the
// log.
void tst_ScriptNetworkAccessManager::certificateErrorsFailHttps()
{
    QVERIFY(QSslSocket::supportsSsl());
    QFile certificateFile(testDataPath() + QStringLiteral("localhost.crt"));
    QFile keyFile(testDataPath() + QStringLiteral("localhost.key"));
    QVERIFY(certificateFile.open(QIODevice::ReadOnly));
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate certificate(&certificateFile);
    const QSslKey key(&keyFile, QSsl::Rsa);
    QVERIFY(!certificate.isNull());
    QVERIFY(!key.isNull());
    LocalTlsServer server(certificate, key);
    QVERIFY(server.isListening());

    auto manager = newManager(m_folderBundle.get());
    LogCapture capture;
    const QString origin = QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort());
    std::unique_ptr<QNetworkReply> reply(
        finishedReply(*manager, QUrl(origin + QStringLiteral("/?p=$(PASSWORD)"))));
    QCOMPARE(reply->error(), QNetworkReply::SslHandshakeFailedError);

    const QString info = QStringLiteral(
        "SSL Certificate info: (Expiry date: %1 Serial number: %2 Digest SHA1: %3 "
        "Digest MD5: %4 )").arg(certificate.expiryDate().toString(),
                                QString::fromLatin1(certificate.serialNumber()),
                                QString::fromLatin1(certificate.digest(QCryptographicHash::Sha1).toHex(':')),
                                QString::fromLatin1(certificate.digest(QCryptographicHash::Md5).toHex(':')));
    const QString selfSigned = QStringLiteral("SSL error: %1, \"%2\"")
        .arg(int(QSslError::SelfSignedCertificate))
        .arg(QSslError(QSslError::SelfSignedCertificate).errorString());
    QCOMPARE(capture.texts(Category),
             QStringList({selfSigned, info, QStringLiteral("Network error: 6"),
                          "URL: " + origin + "/?p="}));
}

void tst_ScriptNetworkAccessManager::sharedCookieJarAndCache_data()
{
    QTest::addColumn<bool>("previousGoesFirst");
    QTest::addColumn<bool>("ownedElsewhere");

    QTest::newRow("page-replaces-previous") << true << false;
    QTest::newRow("previous-outlives-manager") << false << false;
    QTest::newRow("host-owned-previous-goes-first") << true << true;
    QTest::newRow("host-owned-manager-goes-first") << false << true;
}

// The page shares the previous manager's cookie jar and cache; neither is deleted while a
// manager still uses it, nor kept from an owner other than the previous manager.
void tst_ScriptNetworkAccessManager::sharedCookieJarAndCache()
{
    QFETCH(bool, previousGoesFirst);
    QFETCH(bool, ownedElsewhere);

    QObject host;
    auto *previous = new QNetworkAccessManager;
    auto *cache = new QNetworkDiskCache;
    cache->setCacheDirectory(m_dir.path() + QStringLiteral("/cache"));
    previous->setCache(cache);
    QNetworkCookieJar *jar = previous->cookieJar();
    QObject *owner = ownedElsewhere ? &host : static_cast<QObject *>(previous);
    jar->setParent(owner);
    cache->setParent(owner);
    const QPointer<QNetworkCookieJar> jarAlive(jar);
    const QPointer<QAbstractNetworkCache> cacheAlive(cache);

    auto *manager = new ScriptNetworkAccessManager(previous, nullptr, m_folderBundle.get(),
                                                   &m_channel);
    QCOMPARE(manager->cookieJar(), jar);
    QCOMPARE(manager->cache(), static_cast<QAbstractNetworkCache *>(cache));
    QCOMPARE(jar->parent(), owner);
    QCOMPARE(cache->parent(), owner);

    QObject *survivor = previousGoesFirst ? static_cast<QObject *>(manager) : previous;
    delete (previousGoesFirst ? static_cast<QObject *>(previous) : manager);
    QVERIFY(jarAlive && cacheAlive);
    QCOMPARE(jar->parent(), ownedElsewhere ? owner : survivor);
    QVERIFY(jar->insertCookie(QNetworkCookie("name", "value")));
    delete survivor;
    QCOMPARE(jarAlive.isNull(), !ownedElsewhere);
    QCOMPARE(cacheAlive.isNull(), !ownedElsewhere);
}

QTEST_MAIN(tst_ScriptNetworkAccessManager)
#include "tst_scriptnetworkaccessmanager.moc"
