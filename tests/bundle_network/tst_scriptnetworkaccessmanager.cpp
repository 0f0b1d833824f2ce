#include "bundletestutils.h"
#include "localtlsserver.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/scriptnetworkaccessmanager.h>
#include <bundle/scriptnetworkreply.h>
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
#include <QWebFrame>
#include <QWebPage>
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

// A page whose script, style sheet, images and data files each leave a mark the test reads.
// No file carries a content type: the web engine takes it from the extension.
FileMap pageFiles()
{
    return {
        {QStringLiteral("index.html"), "<!DOCTYPE html>\n<html><head>\n<link rel=\"stylesheet\" href=\"css/style.css\">\n<script src=\"js/app.js\"></script>\n"
                                       "</head><body>\n<div id=\"box\">box</div>\n<img id=\"logo\" src=\"images/logo.png\">\n"
                                       "<img id=\"shape\" src=\"images/shape.svg\">\n</body></html>\n"},
        {QStringLiteral("js/app.js"), "document.title = 'Loaded ' + (6 * 7);\n"},
        {QStringLiteral("css/style.css"), "#box { width: 123px; color: rgb(1, 2, 3); }\n"},
        {QStringLiteral("images/logo.png"), png(Qt::blue, 7, 5)},
        {"images/shape.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"11\" height=\"13\"><rect width=\"11\" height=\"13\" fill=\"red\"/></svg>\n"},
        {QStringLiteral("data/values.json"), "{\"answer\": 42}"},
        {QStringLiteral("data/items.xml"), "<?xml version=\"1.0\"?><items><item/></items>"},
        {QStringLiteral("data/empty.txt"), QByteArray()},
    };
}

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
    void pageAppliesBundleFiles();
    void reply_data();
    void reply();

private:
    std::unique_ptr<ScriptNetworkAccessManager> newManager(const ScriptBundle *bundle);

    QTemporaryDir m_dir;
    RecordingChannel m_channel;
    std::unique_ptr<StandardBundle> m_folderBundle;
    std::unique_ptr<SecuredBundle> m_securedBundle;
};

// <tmp>/folder/Chart and <tmp>/secured/Chart.wps hold the same files; a secret file lies
// beside each.
void tst_ScriptNetworkAccessManager::initTestCase()
{
    QVERIFY(writeFile(m_dir.path() + QStringLiteral("/folder/secret.txt"), "secret"));
    QVERIFY(writeFile(m_dir.path() + QStringLiteral("/secured/secret.txt"), "secret"));
    QVERIFY(writeFiles(m_dir.path() + QStringLiteral("/folder/Chart"), pageFiles()));
    m_folderBundle.reset(new StandardBundle(m_dir.path() + QStringLiteral("/folder/Chart")));
    const QString secured = m_dir.path() + QStringLiteral("/secured/Chart.wps");
    QVERIFY(writeFile(secured, encodeSecured(makeZip(pageFiles()), QByteArray())));
    m_securedBundle.reset(new SecuredBundle(secured, true, &m_channel));
    QVERIFY(m_channel.lines.isEmpty());
}

std::unique_ptr<ScriptNetworkAccessManager> tst_ScriptNetworkAccessManager::newManager(const ScriptBundle *bundle)
{
    auto manager = std::make_unique<ScriptNetworkAccessManager>(nullptr, nullptr, bundle, &m_channel);
    manager->setUsernameSource([]() { return Username; });
    manager->setPasswordSource([]() { return Password; });
    return manager;
}

static QString substitutionLine(const QString &value, const QString &name)
{
    return QStringLiteral("NetworkAccessManager: failed to substitute variable for '%1', " "unknown variable '%2'\n").arg(value, name);
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

    QTest::newRow("username-percent-encoded") << http + "q=abc%24(USERNAME)def" << Username << http + "q=abcjohndef" << QStringList();
    QTest::newRow("unknown-name") << http + "q=a$(TOKEN)b" << Username << http + "q=ab" << QStringList{substitutionLine("a$(TOKEN)b", "TOKEN")};
    QTest::newRow("empty-name") << http + "q=<$()>" << Username << http + "q=%3C%3E" << QStringList{substitutionLine("%3C$()%3E", "")};
    QTest::newRow("password-https") << https + "p=$(PASSWORD)" << Username << https + "p=s3cret" << QStringList();
    QTest::newRow("password-http-removed")
        << http + "p=$(PASSWORD)&u=$(USERNAME)&c=plain" << Username << http + "p=&u=john&c=plain"
        << QStringList{substitutionLine("$(PASSWORD)", "PASSWORD")};
    QTest::newRow("password-file-removed") << file + "p=%24(PASSWORD)" << Username << file + "p=" << QStringList{substitutionLine("%24(PASSWORD)", "PASSWORD")};
    QTest::newRow("two-unknown-in-one-value")
        << http + "q=$(A)$(B)" << Username << http + "q=" << QStringList{substitutionLine("$(A)$(B)", "A"), substitutionLine("$(A)$(B)", "B")};
    QTest::newRow("inserted-text-not-searched") << http + "q=$(USERNAME)$(USERNAME)" << QStringLiteral("$(TOKEN)") << http + "q=$(TOKEN)$(TOKEN)" << QStringList();
    QTest::newRow("delimiters-in-value-encoded") << http + "q=$(USERNAME)" << QStringLiteral("a&b=c#d") << http + "q=a%26b%3Dc%23d" << QStringList();
    QTest::newRow("no-parentheses") << http + "q=$USERNAME" << Username << http + "q=$USERNAME" << QStringList();
    QTest::newRow("keys-untouched") << http + "$(USERNAME)=1" << Username << http + "$(USERNAME)=1" << QStringList();
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

    // {root} is the bundle's path.
    const FileMap bundleFiles = pageFiles();
    for (bool secured : {false, true}) {
        const char *kind = secured ? "secured" : "folder";
        auto row = [&](const char *name, const char *url, const QByteArray &content, bool refused) {
            QTest::addRow("%s-%s", kind, name) << secured << QString::fromLatin1(url) << content << refused;
        };
        row("entry", "file://{root}/index.html", bundleFiles.value("index.html"), false);
        row("bundle-url-form", "file:///{root}/index.html", bundleFiles.value("index.html"), false);
        row("empty-file", "file://{root}/data/empty.txt", QByteArray(), false);
        row("missing-file", "file://{root}/nothing.js", QByteArray(), false);
        row("parent", "file://{root}/../secret.txt", QByteArray(), true);
        row("encoded-parent", "file://{root}/%2E%2E/secret.txt", QByteArray(), true);
        row("encoded-separator", "file://{root}/..%2Fsecret.txt", QByteArray(), true);
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

    const ScriptBundle *bundle = secured ? static_cast<const ScriptBundle *>(m_securedBundle.get()) : m_folderBundle.get();
    auto manager = newManager(bundle);
    LogCapture capture;
    m_channel.clear();
    url.replace(QLatin1String("{root}"), bundle->path());
    std::unique_ptr<QNetworkReply> reply(finishedReply(*manager, QUrl(url)));
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->readAll(), content);
    QCOMPARE(capture.texts("Tessel.ScriptBundle").size() + capture.texts("Tessel.StandardBundle").size() > 0, refused);
}

void tst_ScriptNetworkAccessManager::errorLines_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("lines");

    const QString origin = QStringLiteral("127.0.0.1:%1").arg(closedPort());
    QTest::newRow("http") << "http://" + origin + "/x?u=$(USERNAME)" << QStringList{"Network error: 1", "URL: http://" + origin + "/x?u=john"};
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
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(testDataPath() + QStringLiteral("localhost.crt"));
    QFile keyFile(testDataPath() + QStringLiteral("localhost.key"));
    QVERIFY(certificates.size() == 1 && keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate certificate = certificates.first();
    LocalTlsServer server(certificate, QSslKey(&keyFile, QSsl::Rsa));
    QVERIFY(server.isListening());

    auto manager = newManager(m_folderBundle.get());
    LogCapture capture;
    const QString origin = QStringLiteral("https://127.0.0.1:%1").arg(server.serverPort());
    std::unique_ptr<QNetworkReply> reply(finishedReply(*manager, QUrl(origin + QStringLiteral("/?p=$(PASSWORD)"))));
    QCOMPARE(reply->error(), QNetworkReply::SslHandshakeFailedError);

    const QString info = QStringLiteral("SSL Certificate info: (Expiry date: %1 Serial number: %2 Digest SHA1: %3 Digest MD5: %4 )")
                             .arg(certificate.expiryDate().toString(), QString::fromLatin1(certificate.serialNumber()),
                                  QString::fromLatin1(certificate.digest(QCryptographicHash::Sha1).toHex(':')),
                                  QString::fromLatin1(certificate.digest(QCryptographicHash::Md5).toHex(':')));
    const QSslError error(QSslError::SelfSignedCertificate);
    const QString selfSigned = QStringLiteral("SSL error: %1, \"%2\"").arg(int(error.error())).arg(error.errorString());
    QCOMPARE(capture.texts(Category), QStringList({selfSigned, info, QStringLiteral("Network error: 6"), "URL: " + origin + "/?p="}));
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

    auto *manager = new ScriptNetworkAccessManager(previous, nullptr, m_folderBundle.get(), &m_channel);
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

// Loads the entry page at the bundle's URL, as a script document does, and reads back what
// each served file did to it.
void tst_ScriptNetworkAccessManager::pageAppliesBundleFiles()
{
    for (const ScriptBundle *bundle : {static_cast<const ScriptBundle *>(m_folderBundle.get()), static_cast<const ScriptBundle *>(m_securedBundle.get())}) {
        m_channel.clear();
        QWebPage page;
        page.setNetworkAccessManager(new ScriptNetworkAccessManager(page.networkAccessManager(), &page, bundle, &m_channel));
        QSignalSpy loaded(&page, &QWebPage::loadFinished);
        page.mainFrame()->load(QUrl(bundle->url(QStringLiteral("index.html"))));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(loaded.first().first().toBool(), true);

        QWebFrame *frame = page.mainFrame();
        const auto evaluate = [frame](const char *script) { return frame->evaluateJavaScript(QString::fromLatin1(script)).toString(); };
        QCOMPARE(frame->title(), QStringLiteral("Loaded 42"));
        QCOMPARE(evaluate("getComputedStyle(box).width"), QStringLiteral("123px"));
        QCOMPARE(evaluate("getComputedStyle(box).color"), QStringLiteral("rgb(1, 2, 3)"));
        QCOMPARE(evaluate("logo.naturalWidth + 'x' + logo.naturalHeight"), QStringLiteral("7x5"));
        QCOMPARE(evaluate("shape.naturalWidth + 'x' + shape.naturalHeight"), QStringLiteral("11x13"));
        // A synchronous request must be readable when the manager returns its reply.
        QCOMPARE(evaluate("var sync = new XMLHttpRequest(); sync.open('GET', 'data/values.json', false); sync.send();"
                          "JSON.parse(sync.responseText).answer"), QStringLiteral("42"));
        evaluate("var async = new XMLHttpRequest(); async.open('GET', 'data/items.xml');"
                 "async.onload = function() { window.xmlRoot = async.responseXML.documentElement.nodeName; }; async.send();");
        QTRY_COMPARE(evaluate("window.xmlRoot"), QStringLiteral("items"));
        QCOMPARE(m_channel.lines, QStringList());
    }
}

void tst_ScriptNetworkAccessManager::reply_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("chunk");

    QTest::newRow("empty") << 0 << 16;
    QTest::newRow("one-byte-chunks") << 100 << 1;
    QTest::newRow("chunk-equals-size") << 64 << 64;
    QTest::newRow("chunk-one-less") << 64 << 63;
    QTest::newRow("large-file") << 300000 << 16384;
}

// Nothing is emitted before the event loop turns; the headers are in place when readyRead()
// comes; an empty file is a successful reply too. The content comes back exactly once, in any
// chunk size, and then reading gives -1.
void tst_ScriptNetworkAccessManager::reply()
{
    QFETCH(int, size);
    QFETCH(int, chunk);

    const QByteArray content = QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(size / 26 + 1).left(size);
    ScriptNetworkReply reply{QNetworkRequest(QUrl(QStringLiteral("file:///bundle/index.html"))), content};
    QStringList events;
    connect(&reply, &QNetworkReply::metaDataChanged, [&]() { events << "metaDataChanged"; });
    connect(&reply, &QNetworkReply::readyRead, [&]() {
        events << QStringLiteral("readyRead %1 of %2").arg(reply.bytesAvailable()).arg(reply.header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(&reply, &QNetworkReply::finished, [&]() { events << "finished"; });
    connect(&reply, &QNetworkReply::errorOccurred, [&]() { events << "error"; });
    QVERIFY(events.isEmpty() && !reply.isFinished());
    QTRY_VERIFY(reply.isFinished());
    QCOMPARE(events, QStringList({"metaDataChanged", QStringLiteral("readyRead %1 of %1").arg(size), "finished"}));
    QCOMPARE(reply.error(), QNetworkReply::NoError);

    QByteArray received;
    QByteArray buffer(chunk, Qt::Uninitialized);
    qint64 count = 0;
    while ((count = reply.read(buffer.data(), chunk)) > 0) {
        QCOMPARE(reply.bytesAvailable(), qint64(size - received.size() - count));
        received.append(buffer.constData(), int(count));
    }
    QCOMPARE(count, qint64(-1));
    QCOMPARE(received, content);
    QCOMPARE(reply.read(buffer.data(), chunk), qint64(-1));
}

QTEST_MAIN(tst_ScriptNetworkAccessManager)
#include "tst_scriptnetworkaccessmanager.moc"
