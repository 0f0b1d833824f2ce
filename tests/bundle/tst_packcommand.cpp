#include "bundletestutils.h"
#include "rawzip.h"
#include "securedwriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct Run
{
    int status = -1;
    QString err;
};

// Runs the tool; a file size limit (in 512-byte blocks) makes writes past it fail.
Run tessel(const QStringList &args, const QString &workingDirectory = QString(),
           int fileSizeLimit = 0)
{
    const QString program = qEnvironmentVariable("TESSEL_BUILD_DIR") + QStringLiteral("/bin/tessel");
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    if (fileSizeLimit > 0) {
        const QString limited = QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(fileSizeLimit);
        process.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), limited, program} + args);
    } else {
        process.start(program, args);
    }
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

// The files of the smallest plug-in the host loads without a warning.
const FileMap plugin{{QStringLiteral("plugin.spec"), "{ id: \"p\", entry: \"index.html\" }"},
                     {QStringLiteral("index.html"), "<html></html>"}};

FileMap withPlugin(const FileMap &files)
{
    FileMap all = plugin;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        all.insert(it.key(), it.value());
    return all;
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
    void insideLinks();
    void warningsDoNotStop();
    void refusals_data();
    void refusals();
    void usage_data();
    void usage();

private:
    QTemporaryDir m_dir;
};

void tst_PackCommand::roundTrip_data()
{
    QTest::addColumn<FileMap>("files");
    QTest::addColumn<QString>("key");

    QTest::newRow("manifest-and-page") << plugin << QString();
    QTest::newRow("nested") << withPlugin({{QStringLiteral("a/b/c/deep.js"), "deep"},
                                           {QStringLiteral("a/empty/"), QByteArray()},
                                           {QStringLiteral(".hidden"), "dot"}})
                            << QString();
    QTest::newRow("binary") << withPlugin({{QStringLiteral("bin.dat"), randomBytes(70000, 1)},
                                           {QStringLiteral("zero.dat"), QByteArray()}})
                            << QStringLiteral("00ff7e");
    QTest::newRow("large") << withPlugin({{QStringLiteral("big.html"), text(3 << 20)},
                                          {QStringLiteral("noise.bin"), randomBytes(1 << 20, 2)}})
                           << QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
    const QString deep = QStringLiteral("0123456789abcdefghi/").repeated(15);
    QTest::newRow("long-names") << withPlugin({{deep + QStringLiteral("page.html"), "long"},
                                               {deep.left(250) + QStringLiteral("x.js"), "255"},
                                               {deep.left(251) + QStringLiteral("x.js"), "256"}})
                                << QString();
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
    QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
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
    const FileMap files = withPlugin({{QStringLiteral("js/app.js"), "app"}});
    QVERIFY(writeFiles(dir.path() + QStringLiteral("/plugin"), files));
    QCOMPARE(tessel({QStringLiteral("pack"), QStringLiteral("plugin"), QStringLiteral("out.wps")}, dir.path()).status, 0);
    QCOMPARE(tessel({QStringLiteral("unpack"), QStringLiteral("out.wps"), QStringLiteral("copy")}, dir.path()).status, 0);
    QCOMPARE(readFiles(dir.path() + QStringLiteral("/copy")), files);
}

// Links inside the folder are packed as what they point to, as the host reads them.
void tst_PackCommand::insideLinks()
{
    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/source");
    QVERIFY(writeFiles(source, withPlugin({{QStringLiteral("app.js"), "app"}, {QStringLiteral("lib/util.js"), "util"}})));
    QVERIFY(QFile::link(source + QStringLiteral("/app.js"), source + QStringLiteral("/alias.js")));
    QVERIFY(QFile::link(source + QStringLiteral("/lib"), source + QStringLiteral("/lib2")));
    const QString wps = dir.path() + QStringLiteral("/out.wps");
    Run run = tessel({QStringLiteral("pack"), source, wps});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    run = tessel({QStringLiteral("unpack"), wps, dir.path() + QStringLiteral("/copy")});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(readFiles(dir.path() + QStringLiteral("/copy")),
             withPlugin({{QStringLiteral("app.js"), "app"}, {QStringLiteral("alias.js"), "app"},
                         {QStringLiteral("lib/util.js"), "util"}, {QStringLiteral("lib2/util.js"), "util"}}));
}

// The manifest check's warnings go to the error output, and the folder is packed all the same.
void tst_PackCommand::warningsDoNotStop()
{
    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/source");
    QVERIFY(writeFiles(source, {{QStringLiteral("plugin.spec"), "{ id: \"p\", entry: \"main.html\", windowTitel: \"P\" }"}}));
    const QString wps = dir.path() + QStringLiteral("/out.wps");
    const Run run = tessel({QStringLiteral("pack"), source, wps});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QStringLiteral("warning: %1/plugin.spec: windowTitel: unknown key; did you mean \"windowTitle\"?\n"
                                     "warning: %1/plugin.spec: entry: the file 'main.html' is missing from the bundle\n")
                          .arg(source));
    QVERIFY(QFileInfo(wps).isFile());
}

// Bad input exits 1 with one line naming the file and the reason, and writes nothing.
void tst_PackCommand::refusals_data()
{
    QTest::addColumn<QStringList>("args");     // "@" stands for the test folder
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("absent");       // a path the command must not create
    QTest::addColumn<int>("fileSizeLimit");    // in 512-byte blocks; 0: none

    const QString d = m_dir.path();
    const auto secured = [d](const char *name, const QVector<RawEntry> &entries) {
        return writeFile(d + QLatin1Char('/') + QLatin1String(name), encodeSecured(rawZip(entries), QByteArray()));
    };
    const RawEntry spec = storedEntry("plugin.spec", "{}");
    const quint32 mebibyte = 1024 * 1024;
    QVERIFY(writeFiles(d + QStringLiteral("/plugin"), plugin));
    QVERIFY(writeFiles(d + QStringLiteral("/bare"), {{QStringLiteral("index.html"), "<html></html>"}}));
    QVERIFY(writeFiles(d + QStringLiteral("/broken"), {{QStringLiteral("plugin.spec"), "{\n  id: \"b\",\n}\n"}}));
    QVERIFY(writeFiles(d + QStringLiteral("/anonymous"), {{QStringLiteral("plugin.spec"), "{ name: \"a\" }"}}));
    QVERIFY(secured("evil.wps", {storedEntry("ok.txt", "fine"), storedEntry("../escaped.txt", "evil")}));
    QVERIFY(secured("absolute.wps", {storedEntry("/tmp/absolute.txt", "evil")}));
    QVERIFY(writeFile(d + QStringLiteral("/notzip.wps"), encodeSecured("plain text", QByteArray())));
    QVERIFY(writeFile(d + QStringLiteral("/garbage.wps"), "garbage"));
    QVERIFY(writeFiles(d + QStringLiteral("/full"), {{QStringLiteral("keep.txt"), "keep"}}));
    QVERIFY(secured("good.wps", {spec}));
    QVERIFY(mkfifo(QFile::encodeName(d + QStringLiteral("/fifo.wps")).constData(), 0600) == 0);
    QVERIFY(secured("repeated.wps", {spec, storedEntry("a.js", "1"), storedEntry("a.js", "2")}));
    QVERIFY(secured("case.wps", {spec, storedEntry("a.js", "1"), storedEntry("A.js", "2")}));
    QVERIFY(secured("same-place.wps", {spec, storedEntry("js/a.js", "1"), storedEntry("js/./a.js", "2")}));
    QVERIFY(secured("nul-name.wps", {storedEntry(QByteArray("a\0.js", 5), "1"), spec}));
    QVERIFY(secured("bomb.wps", {zeroEntry("plugin.spec", 1536 * mebibyte)}));
    QVERIFY(secured("bundle-over.wps", {zeroEntry("a.bin", 32 * mebibyte), zeroEntry("b.bin", 32 * mebibyte), spec}));
    RawEntry damaged = storedEntry("a.js", "content");
    damaged.crc ^= 1;
    QVERIFY(secured("damaged.wps", {spec, damaged}));
    QVERIFY(secured("big-file.wps", {spec, storedEntry("data.bin", QByteArray(4000, 'x'))}));
    QVERIFY(writeFiles(d + QStringLiteral("/linked"), plugin));
    QVERIFY(writeFile(d + QStringLiteral("/secret.txt"), "secret"));
    QVERIFY(QFile::link(d + QStringLiteral("/secret.txt"), d + QStringLiteral("/linked/leak.txt")));
    QVERIFY(writeFiles(d + QStringLiteral("/linked-folder"), plugin));
    QVERIFY(QDir(d).mkpath(QStringLiteral("linked-folder/sub")));
    QVERIFY(QFile::link(d, d + QStringLiteral("/linked-folder/sub/up")));
    QVERIFY(writeFiles(d + QStringLiteral("/looped"), plugin));
    QVERIFY(QDir(d).mkpath(QStringLiteral("looped/sub")));
    QVERIFY(QFile::link(d + QStringLiteral("/looped"), d + QStringLiteral("/looped/sub/again")));
    QVERIFY(writeFiles(d + QStringLiteral("/cased"), withPlugin({{QStringLiteral("js/a.js"), "1"}, {QStringLiteral("js/A.js"), "2"}})));
    QVERIFY(writeFiles(d + QStringLiteral("/piped"), plugin));
    QVERIFY(mkfifo(QFile::encodeName(d + QStringLiteral("/piped/pipe")).constData(), 0600) == 0);

    const auto row = [](const char *tag, const QStringList &args, const char *line, const char *absent,
                        int fileSizeLimit = 0) {
        QTest::newRow(tag) << args << QString::fromUtf8(line) << QString::fromUtf8(absent) << fileSizeLimit;
    };
    row("pack-missing-folder", {"pack", "@/missing", "@/m.wps"}, "tessel: @/missing: not a folder", "@/m.wps");
    row("pack-without-manifest", {"pack", "@/bare", "@/b.wps"},
        "tessel: @/bare: no plugin.spec: a plug-in folder holds its manifest at the top", "@/b.wps");
    row("pack-into-missing-folder", {"pack", "@/plugin", "@/no/such/dir/x.wps"},
        "tessel: @/no/such/dir/x.wps: the folder '@/no/such/dir' does not exist", "@/no");
    row("pack-into-file", {"pack", "@/plugin", "@/secret.txt/x.wps"},
        "tessel: @/secret.txt/x.wps: '@/secret.txt' is not a folder", "@/secret.txt/x.wps");
    // The reader's own line and a hint come before the reason.
    row("pack-manifest-not-valid", {"pack", "@/broken", "@/br.wps"},
        "specparser: failed to load '@/broken/plugin.spec(4:0)', Expected ':' after a member name: }\n"
        "hint: line 2: a comma right before \"}\" is not allowed; remove it\n"
        "tessel: @/broken: the manifest is not valid: Expected ':' after a member name: } "
        "(line 4, column 0); the host skips this bundle", "@/br.wps");
    row("pack-manifest-without-id", {"pack", "@/anonymous", "@/an.wps"},
        "specparser: failed to load '@/anonymous/plugin.spec', no plug-in id: \"id\" is missing\n"
        "tessel: @/anonymous: the manifest gives no plug-in id: \"id\" is missing; the host skips "
        "this bundle", "@/an.wps");
    row("pack-link-out", {"pack", "@/linked", "@/l.wps"},
        "tessel: @/linked: 'leak.txt' is a link that leads out of the folder", "@/l.wps");
    row("pack-folder-link-out", {"pack", "@/linked-folder", "@/lf.wps"},
        "tessel: @/linked-folder: 'sub/up' is a link that leads out of the folder", "@/lf.wps");
    row("pack-link-loop", {"pack", "@/looped", "@/lo.wps"},
        "tessel: @/looped: 'sub/again' is a link to a folder that holds it", "@/lo.wps");
    row("pack-names-differ-in-case", {"pack", "@/cased", "@/c.wps"},
        "tessel: @/cased: 'js/A.js' and 'js/a.js' differ only in case, which a bundle refuses", "@/c.wps");
    row("pack-fifo", {"pack", "@/piped", "@/p.wps"}, "tessel: @/piped: cannot read pipe: not a regular file", "@/p.wps");
    row("unpack-missing", {"unpack", "@/missing.wps", "@/t1"}, "tessel: @/missing.wps: No such file or directory", "@/t1");
    row("unpack-fifo", {"unpack", "@/fifo.wps", "@/t2"}, "tessel: @/fifo.wps: not a regular file", "@/t2");
    row("unpack-garbage", {"unpack", "@/garbage.wps", "@/t3"},
        "tessel: @/garbage.wps: cannot decode: result 1, not a secured file (wrong signature)", "@/t3");
    row("unpack-not-zip", {"unpack", "@/notzip.wps", "@/t4"}, "tessel: @/notzip.wps: not a zip archive", "@/t4");
    row("unpack-escape", {"unpack", "@/evil.wps", "@/t5"},
        "tessel: @/evil.wps: entry '../escaped.txt' would land outside the folder", "@/escaped.txt");
    row("unpack-absolute", {"unpack", "@/absolute.wps", "@/t6"},
        "tessel: @/absolute.wps: entry '/tmp/absolute.txt' would land outside the folder", "@/t6");
    row("unpack-into-full-folder", {"unpack", "@/good.wps", "@/full"},
        "tessel: @/good.wps: @/full exists and is not an empty folder", "@/full/plugin.spec");
    row("unpack-repeated-name", {"unpack", "@/repeated.wps", "@/t7"},
        "tessel: @/repeated.wps: entry name 'a.js' occurs twice", "@/t7");
    row("unpack-names-differ-in-case", {"unpack", "@/case.wps", "@/t8"},
        "tessel: @/case.wps: entry names 'a.js' and 'A.js' differ only in case", "@/t8");
    row("unpack-same-place", {"unpack", "@/same-place.wps", "@/t9"},
        "tessel: @/same-place.wps: entries 'js/a.js' and 'js/./a.js' would be written to the same place", "@/t9");
    row("unpack-nul-in-name", {"unpack", "@/nul-name.wps", "@/t10"},
        "tessel: @/nul-name.wps: the name of entry 1 cannot be read whole", "@/t10");
    row("unpack-deflate-bomb", {"unpack", "@/bomb.wps", "@/t11"},
        "tessel: @/bomb.wps: entry 'plugin.spec' holds 1610612736 bytes, over the limit of 64 MiB", "@/t11");
    row("unpack-bundle-over-limit", {"unpack", "@/bundle-over.wps", "@/t12"},
        "tessel: @/bundle-over.wps: its entries hold 67108866 bytes together, over the limit of 64 MiB", "@/t12");
    row("unpack-damaged-entry", {"unpack", "@/damaged.wps", "@/t13"}, "tessel: @/damaged.wps: entry 'a.js' is damaged", "@/t13");
    // 4000 bytes fit the file's write buffer: a buffered write succeeds, then its flush fails.
    row("unpack-short-write", {"unpack", "@/big-file.wps", "@/t14"},
        "tessel: @/big-file.wps: cannot write data.bin: File too large", "@/t14", 4);
}

void tst_PackCommand::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, line);
    QFETCH(QString, absent);
    QFETCH(int, fileSizeLimit);

    args.replaceInStrings(QStringLiteral("@"), m_dir.path());
    line.replace(QLatin1Char('@'), m_dir.path()).append(QLatin1Char('\n'));
    absent.replace(QLatin1Char('@'), m_dir.path());
    const Run run = tessel(args, QString(), fileSizeLimit);
    QCOMPARE(run.err, line);
    QCOMPARE(run.status, 1);
    QVERIFY2(!QFile::exists(absent), qPrintable(absent));
    QCOMPARE(readFiles(m_dir.path() + QStringLiteral("/full")), (FileMap{{QStringLiteral("keep.txt"), "keep"}}));
    // No leftovers of interrupted work beside the targets.
    QCOMPARE(QDir(m_dir.path()).entryList(QStringList{QStringLiteral(".tessel-*")}, QDir::AllEntries | QDir::Hidden), QStringList());
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
