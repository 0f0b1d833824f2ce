#include "bundletestutils.h"
#include "rawzip.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/archivecache.h>
#include <bundle/bundlelimits.h>
#include <bundle/securedbundle.h>
#include <bundle/securedfile.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const FileMap sampleFiles{{"plugin.spec", "{ id: \"chart\" }"}, {"index.html", "<html><body>chart</body></html>"}, {"images/logo.png", QByteArray(300, '\x89')}};

// The zip of sampleFiles, made once: a zip records the time it was made.
const QByteArray &sampleZip()
{
    static const QByteArray zip = makeZip(sampleFiles);
    return zip;
}

// A container with any field values, written as the module's reader expects them.
QByteArray container(qint32 signature, quint32 version, const QByteArray &hash, const QByteArray &payload)
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

// Zip bytes whose last central directory record has lost its signature.
QByteArray withBrokenDirectory(QByteArray zip)
{
    zip[zip.lastIndexOf("PK\x01\x02") + 3] = 9;
    return zip;
}

// What stands at a secured bundle's file name.
enum FileKind { NoFile, PlainFile, Fifo, Folder };

bool place(FileKind kind, const QString &file, const QByteArray &content)
{
    switch (kind) {
    case NoFile:
        return true;
    case PlainFile:
        return writeFile(file, content);
    case Fifo:
        return mkfifo(QFile::encodeName(file).constData(), 0600) == 0;
    case Folder:
        return QDir().mkpath(file);
    }
    return false;
}

constexpr quint32 Mebibyte = quint32(BundleLimits::Mebibyte);

} // namespace

class tst_SecuredBundle : public QObject
{
    Q_OBJECT

private slots:
    void decodeResults_data();
    void decodeResults();
    void entries_data();
    void entries();
    void failureLines_data();
    void failureLines();
    void archiveChecks_data();
    void archiveChecks();
    void resourceLines_data();
    void resourceLines();
    void sharedCache_data();
    void sharedCache();

private:
    // Writes bytes to Chart.wps in a fresh folder and gives its path.
    QString chart(const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

QString tst_SecuredBundle::chart(const QByteArray &bytes)
{
    m_dir.reset(new QTemporaryDir);
    const QString file = m_dir->path() + QStringLiteral("/Chart.wps");
    QTest::qVerify(writeFile(file, bytes), "writeFile", "", __FILE__, __LINE__);
    return file;
}

void tst_SecuredBundle::decodeResults_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("result");

    const QByteArray zip = sampleZip();
    const QByteArray hash = QCryptographicHash::hash(zip, QCryptographicHash::Sha1);
    const QByteArray good = encodeSecured(zip, QByteArray());
    const QByteArray otherKey = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const qint32 signature = qint32(SecuredFile::Signature);

    QTest::newRow("built-in-key") << good << QByteArray() << 0;
    QTest::newRow("explicit-built-in-key") << good << SecuredFile::builtinKey() << 0;
    QTest::newRow("own-key") << encodeSecured(zip, otherKey) << otherKey << 0;
    QTest::newRow("one-byte-key") << encodeSecured(zip, "\x5a") << QByteArray("\x5a") << 0;
    QTest::newRow("version-0-accepted") << container(signature, 0, hash, good.mid(good.indexOf(hash) + hash.size() + 4)) << QByteArray() << 0;
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
    QTest::newRow("content-over-the-cap") << encodeSecured(QByteArray(BundleLimits::MaxPayloadSize + 1, '\0'), QByteArray()) << QByteArray() << 5;
    QByteArray otherHash = hash;
    otherHash[0] = char(otherHash.at(0) ^ 1);
    QTest::newRow("hash-of-other-bytes") << container(signature, 1, otherHash, good.mid(good.indexOf(hash) + hash.size() + 4)) << QByteArray() << 4;
}

void tst_SecuredBundle::decodeResults()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, key);
    QFETCH(int, result);

    const SecuredFile::Decoded decoded = decodeSecured(data, key);
    QCOMPARE(decoded.result, result);
    if (result == SecuredFile::Ok)
        QCOMPARE(decoded.bytes, sampleZip());
    else
        QVERIFY(decoded.bytes.isEmpty());
}

// Entry names are matched ignoring case; names outside the bundle are not found.
void tst_SecuredBundle::entries_data()
{
    QTest::addColumn<QString>("name");         // "@" stands for the bundle, "@@" for its lower-case twin
    QTest::addColumn<QString>("entry");        // the sample file it reads; empty: not found

    QTest::newRow("inside") << QStringLiteral("@/plugin.spec") << QStringLiteral("plugin.spec");
    QTest::newRow("relative") << QStringLiteral("index.html") << QStringLiteral("index.html");
    QTest::newRow("relative-folder") << QStringLiteral("images/logo.png") << QStringLiteral("images/logo.png");
    QTest::newRow("case-differs") << QStringLiteral("@/IMAGES/logo.PNG") << QStringLiteral("images/logo.png");
    QTest::newRow("dot-segments-inside") << QStringLiteral("@/images/./../plugin.spec") << QStringLiteral("plugin.spec");
    QTest::newRow("sibling-with-same-prefix") << QStringLiteral("@2/plugin.spec") << QString();
    QTest::newRow("other-folder") << QStringLiteral("/elsewhere/plugin.spec") << QString();
    QTest::newRow("climbs-out") << QStringLiteral("@/../Chart.wps") << QString();
    QTest::newRow("relative-climbs-out") << QStringLiteral("../Chart/plugin.spec") << QString();
    QTest::newRow("root-itself") << QStringLiteral("@/") << QString();
    QTest::newRow("path-differs-in-case") << QStringLiteral("@@/plugin.spec") << QString();
}

void tst_SecuredBundle::entries()
{
    QFETCH(QString, name);
    QFETCH(QString, entry);

    const QString file = chart(encodeSecured(sampleZip(), QByteArray()));
    RecordingChannel channel;
    SecuredBundle bundle(file, true, &channel);
    QCOMPARE(bundle.path(), m_dir->path() + QStringLiteral("/Chart"));
    QCOMPARE(bundle.filePath(QStringLiteral("a/b.js")), bundle.path() + QStringLiteral("/a/b.js"));
    QCOMPARE(bundle.url(QStringLiteral("index.html")), QStringLiteral("file:///%1/index.html").arg(bundle.path()));
    name.replace(QStringLiteral("@@"), m_dir->path() + QStringLiteral("/chart")).replace(QLatin1Char('@'), bundle.path());

    LogCapture log;
    QCOMPARE(bundle.exists(name), !entry.isEmpty());
    QCOMPARE(bundle.read(name), sampleFiles.value(entry));
    if (!entry.isEmpty())
        QCOMPARE(channel.lines, QStringList());

    // Without decoding, the file is the zip itself.
    QVERIFY(writeFile(file, sampleZip()));
    SecuredBundle undecoded(file, false, &channel);
    QCOMPARE(undecoded.read(name), sampleFiles.value(entry));
}

void tst_SecuredBundle::failureLines_data()
{
    QTest::addColumn<int>("kind");             // what stands at the file name
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("decode");
    QTest::addColumn<QStringList>("lines");    // "@" stands for the file

    const QString decrypt = QStringLiteral("SecuredBundle: Failed to decrypt secured file @: (%1), \n");
    const QString open = QStringLiteral("SecuredBundle: Failed to open bundle: @, \n");
    const QString notRegular = QStringLiteral("SecuredBundle: Failed to open secured file @: not a regular file (5), \n");

    QTest::newRow("missing-file") << int(NoFile) << QByteArray() << true
        << QStringList{QStringLiteral("SecuredBundle: Failed to open secured file @: No such file or directory (5), \n"),
                       decrypt.arg(1), open};
    QTest::newRow("fifo") << int(Fifo) << QByteArray() << true << QStringList{notRegular, decrypt.arg(1), open};
    QTest::newRow("fifo-plain") << int(Fifo) << QByteArray() << false << QStringList{notRegular, open};
    QTest::newRow("folder") << int(Folder) << QByteArray() << true << QStringList{notRegular, decrypt.arg(1), open};
    QTest::newRow("wrong-signature") << int(PlainFile) << QByteArray("not a secured file") << true << QStringList{decrypt.arg(1), open};
    QTest::newRow("hash-mismatch") << int(PlainFile) << container(qint32(SecuredFile::Signature), 1, "h", "p") << true << QStringList{decrypt.arg(4), open};
    QTest::newRow("decoded-not-a-zip") << int(PlainFile) << encodeSecured("not a zip", QByteArray()) << true << QStringList{open};
    QTest::newRow("plain-not-a-zip") << int(PlainFile) << QByteArray("not a zip") << false << QStringList{open};
}

void tst_SecuredBundle::failureLines()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, content);
    QFETCH(bool, decode);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    // A "%2" in the name must reach the log unchanged.
    const QString file = dir.path() + QStringLiteral("/Broken%2.wps");
    QVERIFY(place(FileKind(kind), file, content));
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

// Archives the host refuses as a whole, and the largest it accepts. Plain zips: decoding
// does not change what is checked.
void tst_SecuredBundle::archiveChecks_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QString>("reason");       // empty: accepted

    const RawEntry spec = storedEntry("plugin.spec", "{ id: \"chart\" }");
    const QByteArray longestName = QByteArray("d/").repeated(BundleLimits::MaxNameLength / 2 - 1) + "f.";
    QTest::newRow("damaged-directory") << withBrokenDirectory(rawZip({spec, storedEntry("index.html", "x")})) << QStringLiteral("damaged zip archive");
    const auto row = [](const char *tag, const QVector<RawEntry> &entries, const char *reason) { QTest::newRow(tag) << rawZip(entries) << QString::fromUtf8(reason); };
    row("name-at-limit", {spec, storedEntry(longestName, "x")}, "");
    row("name-over-limit", {spec, storedEntry(longestName + "x", "x")}, "the name of entry 2 is 4097 bytes long, over the limit of 4096 bytes");
    row("nul-in-name", {spec, storedEntry(QByteArray("evil\0.js", 8), "x")}, "the name of entry 2 cannot be read whole");
    row("utf8-name", {spec, storedEntry("gr\xc3\xbc\xc3\x9f.js", "x", Utf8Name)}, "");
    row("broken-utf8-name", {storedEntry("\xff\xfe.js", "x", Utf8Name), spec}, "the name of entry 1 cannot be read whole");
    row("repeated-name", {spec, storedEntry("index.html", "a"), storedEntry("plugin.spec", "{}")}, "entry name 'plugin.spec' occurs twice");
    row("names-differ-in-case", {spec, storedEntry("Plugin.SPEC", "{}")}, "entry names 'plugin.spec' and 'Plugin.SPEC' differ only in case");
    row("entry-over-limit", {spec, zeroEntry("big.bin", 64 * Mebibyte + 1)}, "entry 'big.bin' holds 67108865 bytes, over the limit of 64 MiB");
    row("deflate-bomb", {zeroEntry("plugin.spec", 1536 * Mebibyte)}, "entry 'plugin.spec' holds 1610612736 bytes, over the limit of 64 MiB");
    row("bundle-at-limit", {zeroEntry("a.bin", 32 * Mebibyte), zeroEntry("b.bin", 32 * Mebibyte)}, "");
    row("bundle-over-limit", {zeroEntry("a.bin", 32 * Mebibyte), zeroEntry("b.bin", 32 * Mebibyte), spec},
        "its entries hold 67108879 bytes together, over the limit of 64 MiB");
}

void tst_SecuredBundle::archiveChecks()
{
    QFETCH(QByteArray, zip);
    QFETCH(QString, reason);

    const QString file = chart(zip);
    RecordingChannel channel;
    SecuredBundle bundle(file, false, &channel);
    const QStringList lines{QStringLiteral("SecuredBundle: Failed to open bundle: %1, %2\n").arg(file, reason)};
    QCOMPARE(channel.lines, reason.isEmpty() ? QStringList() : lines);
}

void tst_SecuredBundle::resourceLines_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");         // "@" stands for the file, "%" for the bundle

    const QByteArray page("<html><body>chart</body></html>");
    const RawEntry good = storedEntry("index.html", page);
    const QByteArray longName = QByteArray("0123456789/").repeated(27) + "app.js";
    // A raw entry with a wrong CRC or a declared size that differs from its content.
    const auto lying = [](RawEntry entry, quint32 crc, quint32 size) { entry.crc = crc; entry.size = size; return entry; };

    const auto row = [](const char *tag, const QByteArray &zip, const QString &name, const QByteArray &content, const QString &line) {
        QTest::newRow(tag) << zip << name << content << line;
    };
    const auto damaged = [](const char *entry) {
        return QStringLiteral("SecuredBundle: Failed to open resource (%1), @: entry '%1' is damaged\n").arg(QLatin1String(entry));
    };
    row("name-of-255-bytes", rawZip({good, storedEntry(longName.right(255), "a")}), QString::fromLatin1(longName.right(255)), "a", QString());
    row("name-of-256-bytes", rawZip({good, storedEntry(longName.right(256), "b")}), QString::fromLatin1(longName.right(256)), "b", QString());
    row("entry-at-limit", rawZip({zeroEntry("big.bin", 64 * Mebibyte)}), QStringLiteral("big.bin"), QByteArray(64 * int(Mebibyte), '\0'), QString());
    row("missing", rawZip({good}), QStringLiteral("missing/file.js"), QByteArray(),
        QStringLiteral("SecuredBundle: Resource (missing/file.js) not found in bundle (%), \n"));
    row("unknown-method", withUnknownMethod(rawZip({good})), QStringLiteral("Index.html"), QByteArray(),
        QStringLiteral("SecuredBundle: Failed to open resource (Index.html), @: entry 'index.html' cannot be opened\n"));
    row("wrong-crc", rawZip({lying(good, good.crc ^ 1, good.size)}), QStringLiteral("index.html"), QByteArray(), damaged("index.html"));
    row("declares-less", rawZip({lying(good, good.crc, good.size - 1)}), QStringLiteral("index.html"), QByteArray(), damaged("index.html"));
    row("declares-more", rawZip({lying(good, good.crc, good.size + 1)}), QStringLiteral("index.html"), QByteArray(), damaged("index.html"));
    // The directory says 100 bytes; the data would inflate to 32 MiB.
    const RawEntry bomb = zeroEntry("page.html", 32 * Mebibyte);
    row("inflates-past-declared", rawZip({lying(bomb, bomb.crc, 100)}), QStringLiteral("page.html"), QByteArray(), damaged("page.html"));
}

void tst_SecuredBundle::resourceLines()
{
    QFETCH(QByteArray, zip);
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, line);

    const QString file = chart(encodeSecured(zip, QByteArray()));
    RecordingChannel channel;
    SecuredBundle bundle(file, true, &channel);
    QCOMPARE(channel.lines, QStringList());

    QCOMPARE(bundle.exists(bundle.filePath(name)), !line.startsWith(QLatin1String("SecuredBundle: Resource")));
    QCOMPARE(bundle.read(bundle.filePath(name)), content);
    line.replace(QLatin1Char('@'), file).replace(QLatin1Char('%'), bundle.path());
    QCOMPARE(channel.lines, line.isEmpty() ? QStringList() : QStringList{line});
}

// Bundles sharing a cache: once the budget is passed, the least recently used archive is
// dropped and opened again from its file, which here has been removed meanwhile.
void tst_SecuredBundle::sharedCache_data()
{
    QTest::addColumn<qint64>("budget");        // negative: each bundle keeps its own archive
    QTest::addColumn<QStringList>("lines");    // of reading the first bundle again

    QTest::newRow("own-archives") << qint64(-1) << QStringList();
    QTest::newRow("budget-holds-both") << qint64(1024 * 1024) << QStringList();
    QTest::newRow("budget-holds-one") << qint64(1)
        << QStringList{QStringLiteral("SecuredBundle: Failed to open secured file @: No such file or directory (5), \n"),
                       QStringLiteral("SecuredBundle: Failed to decrypt secured file @: (1), \n"),
                       QStringLiteral("SecuredBundle: Failed to open bundle: @, \n"),
                       QStringLiteral("SecuredBundle: Resource (plugin.spec) not found in bundle (%), \n")};
}

void tst_SecuredBundle::sharedCache()
{
    QFETCH(qint64, budget);
    QFETCH(QStringList, lines);

    const QString first = chart(encodeSecured(makeZip(sampleFiles), QByteArray()));
    const QString second = m_dir->path() + QStringLiteral("/Second.wps");
    QVERIFY(writeFile(second, encodeSecured(makeZip(sampleFiles), QByteArray())));
    const std::shared_ptr<ArchiveCache> cache = budget < 0 ? nullptr : std::make_shared<ArchiveCache>(budget);

    RecordingChannel channel;
    SecuredBundle one(first, true, &channel, cache);
    SecuredBundle two(second, true, &channel, cache);
    QVERIFY(QFile::remove(first));
    QCOMPARE(two.read(QStringLiteral("plugin.spec")), sampleFiles.value(QStringLiteral("plugin.spec")));
    const QByteArray spec = one.read(QStringLiteral("plugin.spec"));
    QCOMPARE(spec, lines.isEmpty() ? sampleFiles.value(QStringLiteral("plugin.spec")) : QByteArray());
    lines.replaceInStrings(QStringLiteral("@"), first).replaceInStrings(QStringLiteral("%"), one.path());
    QCOMPARE(channel.lines, lines);
}

QTEST_GUILESS_MAIN(tst_SecuredBundle)
#include "tst_securedbundle.moc"
