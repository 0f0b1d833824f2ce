#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/securedbundle.h>
#include <bundle/securedfile.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const FileMap sampleFiles{
    {QStringLiteral("plugin.spec"), QByteArrayLiteral("{ id: \"chart\" }")},
    {QStringLiteral("index.html"), QByteArrayLiteral("<html><body>chart</body></html>")},
    {QStringLiteral("images/logo.png"), QByteArray(300, '\x89')},
};

// A container with any field values, written as the module's reader expects them.
QByteArray container(qint32 signature, quint32 version, const QByteArray &hash,
                     const QByteArray &payload)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << signature << version << hash << payload;
    return bytes;
}

// Zip bytes with the compression method of every entry set to an unknown value, so entries
// are listed but cannot be opened.
QByteArray withUnknownMethod(QByteArray zip)
{
    for (int at = zip.indexOf("PK\x03\x04"); at >= 0; at = zip.indexOf("PK\x03\x04", at + 4))
        zip[at + 8] = 99;
    for (int at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 4))
        zip[at + 10] = 99;
    return zip;
}

} // namespace

class tst_SecuredBundle : public QObject
{
    Q_OBJECT

private slots:
    void decodeResults_data();
    void decodeResults();
    void pathAndEntries();
    void confinement_data();
    void confinement();
    void failureLines_data();
    void failureLines();
    void resourceLines();
};

void tst_SecuredBundle::decodeResults_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("result");

    const QByteArray zip = makeZip(sampleFiles);
    const QByteArray hash = QCryptographicHash::hash(zip, QCryptographicHash::Sha1);
    const QByteArray good = encodeSecured(zip, QByteArray());
    const QByteArray otherKey = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const qint32 signature = qint32(SecuredFile::Signature);

    QTest::newRow("built-in-key") << good << QByteArray() << 0;
    QTest::newRow("explicit-built-in-key") << good << SecuredFile::builtinKey() << 0;
    QTest::newRow("own-key") << encodeSecured(zip, otherKey) << otherKey << 0;
    QTest::newRow("one-byte-key") << encodeSecured(zip, "\x5a") << QByteArray("\x5a") << 0;
    QTest::newRow("version-0-accepted")
        << container(signature, 0, hash, good.mid(good.indexOf(hash) + hash.size() + 4))
        << QByteArray() << 0;
    QTest::newRow("empty-input") << QByteArray() << QByteArray() << 1;
    QTest::newRow("short-signature") << QByteArray("\xfa\xde") << QByteArray() << 1;
    QTest::newRow("wrong-signature") << container(0x0EB8DEFA, 1, hash, "x") << QByteArray() << 1;
    QTest::newRow("plain-zip") << zip << QByteArray() << 1;
    QTest::newRow("version-2") << container(signature, 2, hash, "x") << QByteArray() << 2;
    QTest::newRow("no-version") << good.left(4) << QByteArray() << 3;
    QTest::newRow("empty-hash") << container(signature, 1, QByteArray(), "x") << QByteArray() << 3;
    QTest::newRow("hash-cut-short") << good.left(20) << QByteArray() << 3;
    QTest::newRow("no-hash") << good.left(8) << QByteArray() << 3;
    QTest::newRow("wrong-key") << good << otherKey << 4;
    QTest::newRow("payload-cut-short") << good.left(good.size() - 10) << QByteArray() << 4;
    QTest::newRow("no-payload") << container(signature, 1, hash, QByteArray()) << QByteArray() << 4;
    QByteArray flipped = good;
    flipped[flipped.size() - 5] = char(flipped.at(flipped.size() - 5) ^ 0x10);
    QTest::newRow("payload-damaged") << flipped << QByteArray() << 4;
    QByteArray otherHash = hash;
    otherHash[0] = char(otherHash.at(0) ^ 1);
    QTest::newRow("hash-of-other-bytes")
        << container(signature, 1, otherHash, good.mid(good.indexOf(hash) + hash.size() + 4))
        << QByteArray() << 4;
}

void tst_SecuredBundle::decodeResults()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, key);
    QFETCH(int, result);

    const SecuredFile::Decoded decoded = decodeSecured(data, key);
    QCOMPARE(decoded.result, result);
    if (result == SecuredFile::Ok)
        QCOMPARE(decoded.bytes, makeZip(sampleFiles));
    else
        QVERIFY(decoded.bytes.isEmpty());
}

void tst_SecuredBundle::pathAndEntries()
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Chart.v2.wps");
    QVERIFY(writeFile(file, encodeSecured(makeZip(sampleFiles), QByteArray())));

    RecordingChannel channel;
    SecuredBundle bundle(file, true, &channel);
    QCOMPARE(bundle.path(), dir.path() + QStringLiteral("/Chart.v2"));
    QCOMPARE(channel.lines, QStringList());

    const QString spec = bundle.filePath(QStringLiteral("plugin.spec"));
    QCOMPARE(spec, bundle.path() + QStringLiteral("/plugin.spec"));
    QVERIFY(bundle.exists(spec));
    QCOMPARE(bundle.read(spec), sampleFiles.value(QStringLiteral("plugin.spec")));
    QCOMPARE(bundle.read(QStringLiteral("index.html")), sampleFiles.value(QStringLiteral("index.html")));

    // Entry names are matched ignoring case.
    QVERIFY(bundle.exists(bundle.filePath(QStringLiteral("Images/Logo.PNG"))));
    QCOMPARE(bundle.read(bundle.filePath(QStringLiteral("IMAGES/logo.png"))),
             sampleFiles.value(QStringLiteral("images/logo.png")));
    QCOMPARE(bundle.url(QStringLiteral("index.html")),
             QStringLiteral("file:///%1/index.html").arg(bundle.path()));

    // Without decoding, the file is the zip itself.
    const QString plain = dir.path() + QStringLiteral("/Plain.wps");
    QVERIFY(writeFile(plain, makeZip(sampleFiles)));
    SecuredBundle undecoded(plain, false, &channel);
    QCOMPARE(undecoded.read(QStringLiteral("plugin.spec")), sampleFiles.value(QStringLiteral("plugin.spec")));
    QCOMPARE(channel.lines, QStringList());
}

void tst_SecuredBundle::confinement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");

    QTest::newRow("inside") << QStringLiteral("@/plugin.spec") << true;
    QTest::newRow("dot-segments-inside") << QStringLiteral("@/images/./../plugin.spec") << true;
    QTest::newRow("relative") << QStringLiteral("images/logo.png") << true;
    QTest::newRow("sibling-with-same-prefix") << QStringLiteral("@2/plugin.spec") << false;
    QTest::newRow("other-folder") << QStringLiteral("/elsewhere/plugin.spec") << false;
    QTest::newRow("climbs-out") << QStringLiteral("@/../Chart.wps") << false;
    QTest::newRow("relative-climbs-out") << QStringLiteral("../Chart/plugin.spec") << false;
    QTest::newRow("root-itself") << QStringLiteral("@/") << false;
    QTest::newRow("path-differs-in-case") << QStringLiteral("@@/plugin.spec") << false;
}

void tst_SecuredBundle::confinement()
{
    QFETCH(QString, name);
    QFETCH(bool, found);

    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Chart.wps");
    QVERIFY(writeFile(file, encodeSecured(makeZip(sampleFiles), QByteArray())));
    SecuredBundle bundle(file, true, nullptr);
    name.replace(QStringLiteral("@@"), dir.path() + QStringLiteral("/chart"));
    name.replace(QLatin1Char('@'), bundle.path());

    LogCapture log;
    QCOMPARE(bundle.exists(name), found);
    QCOMPARE(bundle.read(name).isEmpty(), !found);
}

void tst_SecuredBundle::failureLines_data()
{
    QTest::addColumn<QByteArray>("content");   // null: no file at all
    QTest::addColumn<bool>("decode");
    QTest::addColumn<QStringList>("lines");    // "@" stands for the file

    const QString decrypt = QStringLiteral("SecuredBundle: Failed to decrypt secured file @: (%1), \n");
    const QString open = QStringLiteral("SecuredBundle: Failed to open bundle: @, \n");

    QTest::newRow("missing-file") << QByteArray() << true
        << QStringList{QStringLiteral("SecuredBundle: Failed to open secured file @: No such file or directory (5), \n"),
                       decrypt.arg(1), open};
    QTest::newRow("wrong-signature") << QByteArray("not a secured file") << true
                                     << QStringList{decrypt.arg(1), open};
    QTest::newRow("version-2") << container(qint32(SecuredFile::Signature), 2, "h", "p") << true
                               << QStringList{decrypt.arg(2), open};
    QTest::newRow("empty-hash") << container(qint32(SecuredFile::Signature), 1, "", "p") << true
                                << QStringList{decrypt.arg(3), open};
    QTest::newRow("hash-mismatch") << container(qint32(SecuredFile::Signature), 1, "h", "p") << true
                                   << QStringList{decrypt.arg(4), open};
    QTest::newRow("decoded-not-a-zip") << encodeSecured("not a zip", QByteArray()) << true
                                       << QStringList{open};
    QTest::newRow("plain-not-a-zip") << QByteArray("not a zip") << false << QStringList{open};
}

void tst_SecuredBundle::failureLines()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, decode);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    // A "%2" in the name must reach the log unchanged.
    const QString file = dir.path() + QStringLiteral("/Broken%2.wps");
    if (!content.isNull())
        QVERIFY(writeFile(file, content));
    lines.replaceInStrings(QStringLiteral("@"), file);

    RecordingChannel channel;
    SecuredBundle bundle(file, decode, &channel);
    QCOMPARE(channel.lines, lines);

    // A broken bundle answers every question, with the not-found line for each read.
    channel.clear();
    QVERIFY(!bundle.exists(bundle.filePath(QStringLiteral("plugin.spec"))));
    QVERIFY(bundle.read(bundle.filePath(QStringLiteral("plugin.spec"))).isEmpty());
    QCOMPARE(channel.lines, QStringList{QStringLiteral("SecuredBundle: Resource (plugin.spec) not found in bundle (%1), \n").arg(bundle.path())});
}

void tst_SecuredBundle::resourceLines()
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Chart.wps");
    QVERIFY(writeFile(file, encodeSecured(withUnknownMethod(makeZip(sampleFiles)), QByteArray())));
    RecordingChannel channel;
    SecuredBundle bundle(file, true, &channel);
    QCOMPARE(channel.lines, QStringList());

    // Listed but not readable: exists, yet opening fails.
    QVERIFY(bundle.exists(QStringLiteral("index.html")));
    QVERIFY(bundle.read(QStringLiteral("Index.html")).isEmpty());
    QVERIFY(bundle.read(bundle.filePath(QStringLiteral("missing/file.js"))).isEmpty());
    QCOMPARE(channel.lines, (QStringList{
        QStringLiteral("SecuredBundle: Failed to open resource (Index.html), \n"),
        QStringLiteral("SecuredBundle: Resource (missing/file.js) not found in bundle (%1), \n").arg(bundle.path())}));
}

QTEST_GUILESS_MAIN(tst_SecuredBundle)
#include "tst_securedbundle.moc"
