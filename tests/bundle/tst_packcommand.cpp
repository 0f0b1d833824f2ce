#include "bundletestutils.h"
#include "securedwriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int status = -1;
    QString err;
};

Run tessel(const QStringList &args, const QString &workingDirectory = QString())
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel"), args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray text(int size)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += "<div class=\"row\" id=\"r" + QByteArray::number(i) + "\">quote " + QByteArray::number(i * 7 % 113) + "</div>\n";
    return bytes.left(size);
}

} // namespace

class tst_PackCommand : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void relativePaths();
    void refusals();
    void usage_data();
    void usage();
};

void tst_PackCommand::roundTrip_data()
{
    QTest::addColumn<FileMap>("files");
    QTest::addColumn<QString>("key");

    QTest::newRow("empty-folder") << FileMap() << QString();
    QTest::newRow("nested") << FileMap{{QStringLiteral("plugin.spec"), "{ id: nested }"},
                                       {QStringLiteral("a/b/c/deep.js"), "deep"},
                                       {QStringLiteral("a/empty/"), QByteArray()},
                                       {QStringLiteral(".hidden"), "dot"}}
                            << QString();
    QTest::newRow("binary") << FileMap{{QStringLiteral("bin.dat"), randomBytes(70000, 1)},
                                       {QStringLiteral("zero.dat"), QByteArray()}}
                            << QStringLiteral("00ff7e");
    QTest::newRow("large") << FileMap{{QStringLiteral("big.html"), text(3 << 20)},
                                      {QStringLiteral("noise.bin"), randomBytes(1 << 20, 2)}}
                           << QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
}

void tst_PackCommand::roundTrip()
{
    QFETCH(FileMap, files);
    QFETCH(QString, key);

    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/source");
    QVERIFY(QDir().mkpath(source));
    QVERIFY(writeFiles(source, files));
    const QString wps = dir.path() + QStringLiteral("/out.wps");
    const QString target = dir.path() + QStringLiteral("/target");
    QStringList keyArgs;
    if (!key.isEmpty())
        keyArgs << QStringLiteral("--key") << key;

    Run run = tessel(QStringList{QStringLiteral("pack")} + keyArgs + QStringList{source, wps});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    run = tessel(QStringList{QStringLiteral("unpack")} + keyArgs + QStringList{wps, target});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(readFiles(target), files);

    // Text shrinks: the container is much smaller than the page it holds.
    if (files.contains(QStringLiteral("big.html")))
        QVERIFY(QFileInfo(wps).size() < (3 << 20) / 2 + (1 << 20) + 4096);

    if (!key.isEmpty()) {
        run = tessel({QStringLiteral("unpack"), wps, dir.path() + QStringLiteral("/other")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("result 4")), qPrintable(run.err));
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/other")));
    }
}

void tst_PackCommand::relativePaths()
{
    QTemporaryDir dir;
    const FileMap files{{QStringLiteral("plugin.spec"), "{}"}, {QStringLiteral("js/app.js"), "app"}};
    QVERIFY(writeFiles(dir.path() + QStringLiteral("/plugin"), files));
    QCOMPARE(tessel({QStringLiteral("pack"), QStringLiteral("plugin"), QStringLiteral("out.wps")}, dir.path()).status, 0);
    QCOMPARE(tessel({QStringLiteral("unpack"), QStringLiteral("out.wps"), QStringLiteral("copy")}, dir.path()).status, 0);
    QCOMPARE(readFiles(dir.path() + QStringLiteral("/copy")), files);
}

// Bad input exits 1 with one line naming the file, and writes nothing.
void tst_PackCommand::refusals()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    QVERIFY(writeFiles(d + QStringLiteral("/plugin"), {{QStringLiteral("plugin.spec"), "{}"}}));
    QVERIFY(writeFile(d + QStringLiteral("/evil.wps"),
                      encodeSecured(makeZip({{QStringLiteral("ok.txt"), "fine"},
                                             {QStringLiteral("../escaped.txt"), "evil"}}), QByteArray())));
    QVERIFY(writeFile(d + QStringLiteral("/absolute.wps"),
                      encodeSecured(makeZip({{QStringLiteral("/tmp/absolute.txt"), "evil"}}), QByteArray())));
    QVERIFY(writeFile(d + QStringLiteral("/notzip.wps"), encodeSecured("plain text", QByteArray())));
    QVERIFY(writeFile(d + QStringLiteral("/garbage.wps"), "garbage"));
    QVERIFY(writeFiles(d + QStringLiteral("/full"), {{QStringLiteral("keep.txt"), "keep"}}));
    QVERIFY(tessel({QStringLiteral("pack"), d + QStringLiteral("/plugin"), d + QStringLiteral("/good.wps")}).status == 0);

    const struct {
        QStringList args;
        QString named;
        QString reason;
        QString absent;
    } cases[] = {
        {{QStringLiteral("pack"), d + QStringLiteral("/missing"), d + QStringLiteral("/m.wps")},
         d + QStringLiteral("/missing"), QStringLiteral("not a folder"), d + QStringLiteral("/m.wps")},
        {{QStringLiteral("pack"), d + QStringLiteral("/plugin"), d + QStringLiteral("/no/such/dir/x.wps")},
         d + QStringLiteral("/no/such/dir/x.wps"), QString(), d + QStringLiteral("/no")},
        {{QStringLiteral("unpack"), d + QStringLiteral("/missing.wps"), d + QStringLiteral("/t1")},
         d + QStringLiteral("/missing.wps"), QString(), d + QStringLiteral("/t1")},
        {{QStringLiteral("unpack"), d + QStringLiteral("/garbage.wps"), d + QStringLiteral("/t2")},
         d + QStringLiteral("/garbage.wps"), QStringLiteral("result 1"), d + QStringLiteral("/t2")},
        {{QStringLiteral("unpack"), d + QStringLiteral("/notzip.wps"), d + QStringLiteral("/t3")},
         d + QStringLiteral("/notzip.wps"), QStringLiteral("not a zip"), d + QStringLiteral("/t3")},
        {{QStringLiteral("unpack"), d + QStringLiteral("/evil.wps"), d + QStringLiteral("/t4")},
         d + QStringLiteral("/evil.wps"), QStringLiteral("outside"), d + QStringLiteral("/escaped.txt")},
        {{QStringLiteral("unpack"), d + QStringLiteral("/absolute.wps"), d + QStringLiteral("/t5")},
         d + QStringLiteral("/absolute.wps"), QStringLiteral("outside"), d + QStringLiteral("/t5")},
        {{QStringLiteral("unpack"), d + QStringLiteral("/good.wps"), d + QStringLiteral("/full")},
         d + QStringLiteral("/good.wps"), QStringLiteral("not an empty folder"), d + QStringLiteral("/full/plugin.spec")},
    };
    for (const auto &c : cases) {
        const Run run = tessel(c.args);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("tessel: ") + c.named + QStringLiteral(": ")), qPrintable(run.err));
        QVERIFY2(run.err.contains(c.reason), qPrintable(run.err));
        QVERIFY2(!QFile::exists(c.absent), qPrintable(c.absent));
    }
    QVERIFY(!QFile::exists(d + QStringLiteral("/t4")));
    QCOMPARE(readFiles(d + QStringLiteral("/full")), (FileMap{{QStringLiteral("keep.txt"), "keep"}}));
    // No leftovers of interrupted work beside the targets.
    QCOMPARE(QDir(d).entryList(QStringList{QStringLiteral(".tessel-*")}, QDir::AllEntries | QDir::Hidden), QStringList());
}

void tst_PackCommand::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");

    QTest::newRow("no-command") << QStringList() << 2;
    QTest::newRow("unknown-command") << QStringList{QStringLiteral("frobnicate")} << 2;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0;
    QTest::newRow("pack-help") << QStringList{QStringLiteral("pack"), QStringLiteral("--help")} << 0;
    QTest::newRow("unpack-help") << QStringList{QStringLiteral("unpack"), QStringLiteral("--help")} << 0;
    QTest::newRow("pack-one-argument") << QStringList{QStringLiteral("pack"), QStringLiteral("x")} << 2;
    QTest::newRow("unpack-three-arguments") << QStringList{QStringLiteral("unpack"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")} << 2;
    QTest::newRow("key-without-value") << QStringList{QStringLiteral("pack"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--key")} << 2;
    QTest::newRow("key-odd-digits") << QStringList{QStringLiteral("pack"), QStringLiteral("--key"), QStringLiteral("abc"), QStringLiteral("a"), QStringLiteral("b")} << 2;
    QTest::newRow("key-not-hex") << QStringList{QStringLiteral("unpack"), QStringLiteral("--key"), QStringLiteral("zz"), QStringLiteral("a"), QStringLiteral("b")} << 2;
    QTest::newRow("unknown-option") << QStringList{QStringLiteral("pack"), QStringLiteral("--fast"), QStringLiteral("a")} << 2;
}

void tst_PackCommand::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QCOMPARE(tessel(args).status, status);
}

QTEST_GUILESS_MAIN(tst_PackCommand)
#include "tst_packcommand.moc"
