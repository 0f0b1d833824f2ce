#include "bundletestutils.h"
#include "programrun.h"
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

// Runs the tool; a file size limit (in 512-byte blocks) makes writes past it fail.
ProgramRun tessel(const QStringList &args, const QString &workingDirectory = QString(),
                  int fileSizeLimit = 0)
{
    const QString program = buildProgram(QStringLiteral("tessel"));
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    if (fileSizeLimit <= 0)
        return runProgram(process, program, args);
    const QString limited = QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"").arg(fileSizeLimit);
    return runProgram(process, QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), limited, program} + args);
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
    void relativePathsAndInsideLinks();
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
    QTest::addColumn<QString>("err");          // of packing; "@" stands for the source folder

    const QString deep = QStringLiteral("0123456789abcdefghi/").repeated(15);
    const QString big = QStringLiteral("0123456789abcdef").repeated(4);
    QTest::newRow("manifest-and-page") << plugin << QString() << QString();
    QTest::newRow("nested") << withPlugin({{"a/b/c/deep.js", "deep"}, {"a/empty/", QByteArray()}, {".hidden", "dot"}}) << QString() << QString();
    QTest::newRow("binary") << withPlugin({{"bin.dat", randomBytes(70000, 1)}, {"zero.dat", QByteArray()}}) << QStringLiteral("00ff7e") << QString();
    QTest::newRow("large") << withPlugin({{"big.html", text(3 << 20)}, {"noise.bin", randomBytes(1 << 20, 2)}}) << big << QString();
    QTest::newRow("long-names") << withPlugin({{deep + "page.html", "long"}, {deep.left(250) + "x.js", "255"}, {deep.left(251) + "x.js", "256"}})
                                << QString() << QString();
    // The manifest check's warnings go to the error output, and the folder is packed all the same.
    QTest::newRow("warnings-do-not-stop") << FileMap{{"plugin.spec", "{ id: \"p\", entry: \"main.html\", windowTitel: \"P\" }"}} << QString()
        << QStringLiteral("warning: @/plugin.spec: windowTitel: unknown key; did you mean \"windowTitle\"?\n"
                          "warning: @/plugin.spec: entry: the file 'main.html' is missing from the bundle\n");
}

void tst_PackCommand::roundTrip()
{
    QFETCH(FileMap, files);
    QFETCH(QString, key);
    QFETCH(QString, err);

    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/source");
    QVERIFY(writeFiles(source, files));
    const QString wps = dir.path() + QStringLiteral("/out.wps");
    const QString target = dir.path() + QStringLiteral("/target");
    const QStringList keyArgs = key.isEmpty() ? QStringList() : QStringList{QStringLiteral("--key"), key};

    ProgramRun run = tessel(QStringList{QStringLiteral("pack")} + keyArgs + QStringList{source, wps});
    QCOMPARE(QString::fromLocal8Bit(run.err), err.replace(QLatin1Char('@'), source));
    QCOMPARE(run.exitCode, 0);
    run = tessel(QStringList{QStringLiteral("unpack")} + keyArgs + QStringList{wps, target});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(readFiles(target), files);

    // Text shrinks: the container is much smaller than the page it holds.
    if (files.contains(QStringLiteral("big.html")))
        QVERIFY(QFileInfo(wps).size() < (3 << 20) / 2 + (1 << 20) + 4096);
    if (!key.isEmpty()) {
        run = tessel({QStringLiteral("unpack"), wps, dir.path() + QStringLiteral("/other")});
        QCOMPARE(QString::fromLocal8Bit(run.err), QStringLiteral("tessel: %1: cannot decode: result 4, content does not match its hash (wrong key or damaged file)\n").arg(wps));
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/other")));
    }
}

// Relative paths are taken from the working folder. Links inside the folder are packed as what
// they point to, as the host reads them.
void tst_PackCommand::relativePathsAndInsideLinks()
{
    QTemporaryDir dir;
    const QString source = dir.path() + QStringLiteral("/source");
    QVERIFY(writeFiles(source, withPlugin({{QStringLiteral("app.js"), "app"}, {QStringLiteral("lib/util.js"), "util"}})));
    QVERIFY(QFile::link(source + QStringLiteral("/app.js"), source + QStringLiteral("/alias.js")));
    QVERIFY(QFile::link(source + QStringLiteral("/lib"), source + QStringLiteral("/lib2")));
    ProgramRun run = tessel({QStringLiteral("pack"), QStringLiteral("source"), QStringLiteral("out.wps")}, dir.path());
    QVERIFY2(run.exitCode == 0, run.err.constData());
    run = tessel({QStringLiteral("unpack"), QStringLiteral("out.wps"), QStringLiteral("copy")}, dir.path());
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(readFiles(dir.path() + QStringLiteral("/copy")), withPlugin({{QStringLiteral("app.js"), "app"}, {QStringLiteral("alias.js"), "app"},
                                                                         {QStringLiteral("lib/util.js"), "util"}, {QStringLiteral("lib2/util.js"), "util"}}));
}

// Bad input exits 1 with one line naming the file and the reason, and writes nothing: by
// default the last argument.
void tst_PackCommand::refusals_data()
{
    QTest::addColumn<QStringList>("args");     // "@" stands for the test folder
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("absent");       // a path the command must not create
    QTest::addColumn<int>("fileSizeLimit");    // in 512-byte blocks; 0: none

    const QString d = m_dir.path();
    // Each writes its input below the test folder and gives its name as an argument.
    const auto folder = [d](const char *name, const FileMap &files) -> QString {
        QTest::qVerify(writeFiles(d + QLatin1Char('/') + QLatin1String(name), files), "writeFiles", name, __FILE__, __LINE__);
        return QLatin1String("@/") + QLatin1String(name);
    };
    const auto secured = [d](const char *name, const QVector<RawEntry> &entries) -> QString {
        QTest::qVerify(writeFile(d + QLatin1Char('/') + QLatin1String(name), encodeSecured(rawZip(entries), QByteArray())), "writeFile", name, __FILE__, __LINE__);
        return QLatin1String("@/") + QLatin1String(name);
    };
    const RawEntry spec = storedEntry("plugin.spec", "{}");
    RawEntry damaged = storedEntry("a.js", "content");
    damaged.crc ^= 1;
    for (const char *name : {"plugin", "linked", "linked-folder", "looped", "piped"})
        folder(name, plugin);
    QVERIFY(writeFile(d + QStringLiteral("/notzip.wps"), encodeSecured("plain text", QByteArray())));
    QVERIFY(writeFile(d + QStringLiteral("/garbage.wps"), "garbage"));
    QVERIFY(writeFile(d + QStringLiteral("/secret.txt"), "secret"));
    QVERIFY(mkfifo(QFile::encodeName(d + QStringLiteral("/fifo.wps")).constData(), 0600) == 0);
    QVERIFY(mkfifo(QFile::encodeName(d + QStringLiteral("/piped/pipe")).constData(), 0600) == 0);
    QVERIFY(QFile::link(d + QStringLiteral("/secret.txt"), d + QStringLiteral("/linked/leak.txt")));
    QVERIFY(QDir(d).mkpath(QStringLiteral("linked-folder/sub")) && QDir(d).mkpath(QStringLiteral("looped/sub")));
    QVERIFY(QFile::link(d, d + QStringLiteral("/linked-folder/sub/up")));
    QVERIFY(QFile::link(d + QStringLiteral("/looped"), d + QStringLiteral("/looped/sub/again")));

    const auto row = [](const char *tag, const QStringList &args, const char *line, const char *absent = "", int fileSizeLimit = 0) {
        QTest::newRow(tag) << args << QString::fromUtf8(line) << (*absent ? QString::fromUtf8(absent) : args.last()) << fileSizeLimit;
    };
    row("pack-missing-folder", {"pack", "@/missing", "@/m.wps"}, "tessel: @/missing: not a folder");
    row("pack-without-manifest", {"pack", folder("bare", {{QStringLiteral("index.html"), "<html></html>"}}), "@/b.wps"},
        "tessel: @/bare: no plugin.spec: a plug-in folder holds its manifest at the top");
    row("pack-into-missing-folder", {"pack", "@/plugin", "@/no/such/dir/x.wps"}, "tessel: @/no/such/dir/x.wps: the folder '@/no/such/dir' does not exist", "@/no");
    row("pack-into-file", {"pack", "@/plugin", "@/secret.txt/x.wps"}, "tessel: @/secret.txt/x.wps: '@/secret.txt' is not a folder");
    // The reader's own line and a hint come before the reason.
    row("pack-manifest-not-valid", {"pack", folder("broken", {{QStringLiteral("plugin.spec"), "{\n  id: \"b\",\n}\n"}}), "@/br.wps"},
        "specparser: failed to load '@/broken/plugin.spec(4:0)', Expected ':' after a member name: }\n"
        "hint: line 2: a comma right before \"}\" is not allowed; remove it\n"
        "tessel: @/broken: the manifest is not valid: Expected ':' after a member name: } (line 4, column 0); the host skips this bundle");
    row("pack-manifest-without-id", {"pack", folder("anonymous", {{QStringLiteral("plugin.spec"), "{ name: \"a\" }"}}), "@/an.wps"},
        "specparser: failed to load '@/anonymous/plugin.spec', no plug-in id: \"id\" is missing\n"
        "tessel: @/anonymous: the manifest gives no plug-in id: \"id\" is missing; the host skips this bundle");
    row("pack-link-out", {"pack", "@/linked", "@/l.wps"}, "tessel: @/linked: 'leak.txt' is a link that leads out of the folder");
    row("pack-folder-link-out", {"pack", "@/linked-folder", "@/lf.wps"}, "tessel: @/linked-folder: 'sub/up' is a link that leads out of the folder");
    row("pack-link-loop", {"pack", "@/looped", "@/lo.wps"}, "tessel: @/looped: 'sub/again' is a link to a folder that holds it");
    row("pack-names-differ-in-case", {"pack", folder("cased", withPlugin({{QStringLiteral("js/a.js"), "1"}, {QStringLiteral("js/A.js"), "2"}})), "@/c.wps"},
        "tessel: @/cased: 'js/A.js' and 'js/a.js' differ only in case, which a bundle refuses");
    row("pack-fifo", {"pack", "@/piped", "@/p.wps"}, "tessel: @/piped: cannot read pipe: not a regular file");
    row("unpack-missing", {"unpack", "@/missing.wps", "@/t1"}, "tessel: @/missing.wps: No such file or directory");
    row("unpack-fifo", {"unpack", "@/fifo.wps", "@/t2"}, "tessel: @/fifo.wps: not a regular file");
    row("unpack-garbage", {"unpack", "@/garbage.wps", "@/t3"}, "tessel: @/garbage.wps: cannot decode: result 1, not a secured file (wrong signature)");
    row("unpack-not-zip", {"unpack", "@/notzip.wps", "@/t4"}, "tessel: @/notzip.wps: not a zip archive");
    row("unpack-escape", {"unpack", secured("evil.wps", {storedEntry("ok.txt", "fine"), storedEntry("../escaped.txt", "evil")}), "@/t5"},
        "tessel: @/evil.wps: entry '../escaped.txt' would land outside the folder", "@/escaped.txt");
    row("unpack-absolute", {"unpack", secured("absolute.wps", {storedEntry("/tmp/absolute.txt", "evil")}), "@/t6"},
        "tessel: @/absolute.wps: entry '/tmp/absolute.txt' would land outside the folder");
    row("unpack-into-full-folder", {"unpack", secured("good.wps", {spec}), folder("full", {{QStringLiteral("keep.txt"), "keep"}})},
        "tessel: @/good.wps: @/full exists and is not an empty folder", "@/full/plugin.spec");
    row("unpack-same-place", {"unpack", secured("same-place.wps", {spec, storedEntry("js/a.js", "1"), storedEntry("js/./a.js", "2")}), "@/t9"},
        "tessel: @/same-place.wps: entries 'js/a.js' and 'js/./a.js' would be written to the same place");
    // The archive's own checks, as a bundle makes them, reach the line.
    row("unpack-bundle-over-limit", {"unpack", secured("over.wps", {zeroEntry("a.bin", 32 << 20), zeroEntry("b.bin", 32 << 20), spec}), "@/t12"},
        "tessel: @/over.wps: its entries hold 67108866 bytes together, over the limit of 64 MiB");
    row("unpack-damaged-entry", {"unpack", secured("damaged.wps", {spec, damaged}), "@/t13"}, "tessel: @/damaged.wps: entry 'a.js' is damaged");
    // 4000 bytes fit the file's write buffer: a buffered write succeeds, then its flush fails.
    row("unpack-short-write", {"unpack", secured("big-file.wps", {spec, storedEntry("data.bin", QByteArray(4000, 'x'))}), "@/t14"},
        "tessel: @/big-file.wps: cannot write data.bin: File too large", "", 4);
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
    const ProgramRun run = tessel(args, QString(), fileSizeLimit);
    QCOMPARE(QString::fromLocal8Bit(run.err), line);
    QCOMPARE(run.exitCode, 1);
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
    QCOMPARE(tessel(args).exitCode, status);
}

QTEST_GUILESS_MAIN(tst_PackCommand)
#include "tst_packcommand.moc"
