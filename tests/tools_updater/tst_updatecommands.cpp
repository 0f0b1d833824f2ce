#include "bundletestutils.h"
#include "localhttpserver.h"
#include "programrun.h"

#include <common/jsonparser.h>
#include <updater/updatetable.h>

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using Tessel::Updater::UpdateTable;

namespace {

// `tessel` with args. The test's event loop runs meanwhile, so its HTTP server answers.
ProgramRun tessel(const QStringList &args)
{
    return runBuildProgram(QStringLiteral("tessel"), args);
}

QString hexDigest(const QByteArray &data, QCryptographicHash::Algorithm algorithm)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, algorithm).toHex());
}

const QByteArray alpha = "alpha bundle";
const QByteArray bravo = "bravo bundle";

} // namespace

// `tessel table` and `tessel update` run as processes on bundles of one scratch folder.
class tst_UpdateCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void table_data();
    void table();
    void refusals_data();
    void refusals();
    void update_data();
    void update();

private:
    QStringList expand(QStringList args) const;

    QTemporaryDir m_dir;
    LocalHttpServer m_server;
    QString m_table; // publishes a.wps and b.wps from m_server for versions 2.*
};

void tst_UpdateCommands::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.isListening());
    QVERIFY(writeFiles(m_dir.path(), {{"plugins/", {}}, {"folder.wps/", {}}, {"a.wps", alpha}, {"b.wps", bravo},
                                      {"empty.wps", ""}, {"sub/a.wps", bravo}, {"upper/A.WPS", bravo}, {"notes.txt", alpha},
                                      {"invalid.ctab", "{\"plugins\": []}"},
                                      {"no-updates.ctab", "{\"updateServer\": \"http://127.0.0.1:1/\", "
                                                          "\"plugins\": [{\"filename\": \"a.wps\"}]}"}}));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), m_dir.filePath(QStringLiteral("device.wps"))));

    const ProgramRun made = tessel(expand({"table", "--server", m_server.baseUrl() + "wps/", "--from", "2.*",
                                    "--to", "2.*", "@/a.wps", "@/b.wps"}));
    QVERIFY2(made.exitCode == 0, made.err.constData());
    m_table = m_dir.filePath(QStringLiteral("webplugins.ctab"));
    QVERIFY(writeFile(m_table, made.out));
}

// A leading "@" stands for the scratch folder.
QStringList tst_UpdateCommands::expand(QStringList args) const
{
    for (QString &arg : args) {
        if (arg.startsWith(QLatin1String("@/")))
            arg.replace(0, 1, m_dir.path());
    }
    return args;
}

void tst_UpdateCommands::table_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("bundles"); // in table order
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("defaults") << QStringList{"--server", "http://host/wps/", "@/a.wps"}
                              << "http://host/wps/" << "*" << "*" << QStringList{"a.wps"} << QByteArray();
    QTest::newRow("patterns") << QStringList{"@/a.wps", "--server", "https://host/", "--from", "2.*", "--to", "2.5.10.3"}
                              << "https://host/" << "2.*" << "2.5.10.3" << QStringList{"a.wps"} << QByteArray();
    QTest::newRow("order-kept") << QStringList{"--server", "http://host/", "@/b.wps", "@/empty.wps", "@/a.wps"}
                                << "http://host/" << "*" << "*" << QStringList{"b.wps", "empty.wps", "a.wps"}
                                << QByteArray();
    QTest::newRow("server-without-slash")
        << QStringList{"--server", "http://host/wps", "@/b.wps", "@/a.wps"} << "http://host/wps" << "*" << "*"
        << QStringList{"b.wps", "a.wps"}
        << QByteArray("tessel table: note: the URL does not end in \"/\"; the first bundle downloads from "
                      "http://host/wpsb.wps\n");
}

// The table reads back as the updater reads it, with the digests in lower-case hexadecimal.
void tst_UpdateCommands::table()
{
    QFETCH(QStringList, args);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, bundles);

    const ProgramRun run = tessel(QStringList{"table"} + expand(args));
    QTEST(run.err, "err");
    QCOMPARE(run.exitCode, 0);
    const QVariant json = Common::JsonParser::parse(run.out);
    UpdateTable table;
    QString error;
    QVERIFY2(UpdateTable::read(json, &table, &error), qPrintable(error));
    QTEST(table.updateServer, "server");
    QCOMPARE(table.plugins.size(), bundles.size());
    const QVariantList plugins = json.toMap().value(QStringLiteral("plugins")).toList();
    for (int i = 0; i < bundles.size(); ++i) {
        QFile file(m_dir.filePath(bundles.at(i)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        const QVariantMap update{{"filename", bundles.at(i)},
                                 {"md5", hexDigest(content, QCryptographicHash::Md5)},
                                 {"sha256", hexDigest(content, QCryptographicHash::Sha256)},
                                 {"versionFrom", from},
                                 {"versionTo", to}};
        QCOMPARE(plugins.at(i).toMap(),
                 (QVariantMap{{"filename", bundles.at(i)}, {"updates", QVariantList{update}}}));
    }
}

void tst_UpdateCommands::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("err"); // "@/" stands for the scratch folder

    const QByteArray tableUsage =
        "\nusage: tessel table --server URL [--from PATTERN] [--to PATTERN] FILE.wps...\n";
    const auto table = [&tableUsage](const char *tag, const QStringList &args, const QByteArray &message) {
        QTest::newRow(tag) << QStringList{"table"} + args << 2 << QByteArray("tessel table: " + message + tableUsage);
    };
    table("no-server", {"@/a.wps"}, "expects --server URL");
    table("ftp-server", {"--server", "ftp://host/", "@/a.wps"}, "--server takes an http or https URL");
    table("trailing-junk", {"--server", "http://host/", "--from", "1.2.3.4junk", "@/a.wps"},
          "--from takes a version pattern such as 2.5.10.3, 2.* or *");
    table("from-above-to", {"--server", "http://host/", "--from", "2.*", "--to", "1.9.9.9", "@/a.wps"},
          "--from lies above --to: the range covers no version");
    table("no-bundle", {"--server", "http://host/"}, "expects at least one FILE.wps");

    const auto bundle = [](const char *tag, const QString &file, const QByteArray &reason) {
        QTest::newRow(tag) << QStringList{"table", "--server", "http://host/", "@/a.wps", file} << 1
                           << QByteArray("tessel: " + file.toUtf8() + ": " + reason + '\n');
    };
    bundle("missing", "@/none.wps", "No such file or directory");
    bundle("folder", "@/folder.wps", "is a folder");
    bundle("device", "@/device.wps", "not a regular file");
    bundle("not-wps", "@/notes.txt", "not a plain file name ending in \".wps\"");
    bundle("same-name", "@/sub/a.wps", "same file name as @/a.wps");
    bundle("same-name-other-case", "@/upper/A.WPS", "same file name as @/a.wps");

    const QByteArray updateUsage = "\nusage: tessel update [--app-version V] --table FILE PLUGIN_FOLDER\n";
    const auto update = [&updateUsage](const char *tag, const QStringList &args, const QByteArray &message) {
        QTest::newRow(tag) << QStringList{"update"} + args << 2 << QByteArray("tessel update: " + message + updateUsage);
    };
    const QByteArray badVersion = "--app-version takes four dot-separated numbers such as 2.5.10.3";
    update("no-table", {"@/plugins"}, "expects --table FILE");
    update("no-folder", {"--table", "@/webplugins.ctab"}, "expects one PLUGIN_FOLDER");
    update("version-wildcard", {"--app-version", "2.*", "--table", "@/webplugins.ctab", "@/plugins"}, badVersion);
    update("version-junk", {"--app-version", "2.5.10.3junk", "--table", "@/webplugins.ctab", "@/plugins"}, badVersion);

    const auto input = [](const char *tag, const QString &table, const QString &folder, const QByteArray &err) {
        QTest::newRow(tag) << QStringList{"update", "--table", table, folder} << 1 << QByteArray("tessel: " + err + '\n');
    };
    input("folder-missing", "@/webplugins.ctab", "@/none", "@/none: not a folder");
    input("table-missing", "@/none.ctab", "@/plugins", "@/none.ctab: No such file or directory");
    input("table-is-folder", "@/sub", "@/plugins", "@/sub: is a folder");
    input("table-invalid", "@/invalid.ctab", "@/plugins",
          "@/invalid.ctab: the update table is invalid (no \"updateServer\")");
    input("table-entry-without-updates", "@/no-updates.ctab", "@/plugins",
          "@/no-updates.ctab: the update table is invalid (plugins[0]: no \"updates\")");
}

// Each refusal: one exact message, the exit status, and nothing written anywhere.
void tst_UpdateCommands::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, err);

    const ProgramRun run = tessel(expand(args));
    QCOMPARE(run.err, err.replace("@/", QByteArray(m_dir.path().toUtf8() + '/')));
    QTEST(run.exitCode, "status");
    if (args.first() == QLatin1String("table"))
        QCOMPARE(run.out, QByteArray());
    QVERIFY(readFiles(m_dir.filePath(QStringLiteral("plugins"))).isEmpty());
}

void tst_UpdateCommands::update_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<FileMap>("before");        // the plug-in folder
    QTest::addColumn<QByteArray>("servedB");    // served as wps/b.wps
    QTest::addColumn<QStringList>("requested"); // paths downloaded
    QTest::addColumn<FileMap>("after");
    QTest::addColumn<QStringList>("lines");     // starts of output lines, in order; "@P/" is the plug-in folder
    QTest::addColumn<QByteArray>("summary");

    const QString a = QStringLiteral("a.wps"), b = QStringLiteral("b.wps");
    const QStringList version{"--app-version", "2.5.10.3"};
    QTest::newRow("missing-downloaded-equal-kept")
        << version << FileMap{{b, bravo}} << bravo << QStringList{"wps/a.wps"} << FileMap{{a, alpha}, {b, bravo}}
        << QStringList{"2 Tessel.TesselUpdater: Sending request for tab file content",
                       "2 Tessel.SecuredBundleUpdater: Plugin does not exist, downloading new version.",
                       "2 Tessel.SecuredBundleUpdater: Trying to rewrite plugin file:@P/a.wps",
                       "2 Tessel.SecuredBundleUpdater: Calculated hash equals to hash from config: @P/b.wps"}
        << QByteArray("1 downloaded, 0 removed, 1 kept, 0 failed");
    QTest::newRow("different-replaced")
        << version << FileMap{{a, "old"}, {b, "old"}} << bravo << QStringList{"wps/a.wps", "wps/b.wps"}
        << FileMap{{a, alpha}, {b, bravo}}
        << QStringList{"2 Tessel.SecuredBundleUpdater: Hashes mismatch, downloading new version:  "
                       "localPluginFilename=@P/a.wps actualLocalHash=" + hexDigest("old", QCryptographicHash::Md5)
                       + " expectedHash=" + hexDigest(alpha, QCryptographicHash::Md5)}
        << QByteArray("2 downloaded, 0 removed, 0 kept, 0 failed");
    QTest::newRow("not-covered-removed")
        << QStringList() << FileMap{{a, "old"}, {"other.wps", "x"}} << bravo << QStringList() << FileMap{{"other.wps", "x"}}
        << QStringList{"5 Tessel.SecuredBundleUpdater: Removing plugin: @P/a.wps"}
        << QByteArray("0 downloaded, 1 removed, 1 kept, 0 failed");
    QTest::newRow("tampered-download-kept-out")
        << version << FileMap{{a, alpha}, {b, "old"}} << QByteArray("tampered") << QStringList{"wps/b.wps"}
        << FileMap{{a, alpha}, {b, "old"}}
        << QStringList{"3 Tessel.SecuredBundleUpdater: Received content hash and expected hash from config "
                       "are different:  expected=" + hexDigest(bravo, QCryptographicHash::Md5)
                       + " actual=" + hexDigest("tampered", QCryptographicHash::Md5)}
        << QByteArray("0 downloaded, 0 removed, 1 kept, 1 failed");
}

// The updater runs on a table made by `tessel table` against the test's server; every line it
// logs is printed as "LEVEL CATEGORY: text", then the summary.
void tst_UpdateCommands::update()
{
    QFETCH(QStringList, options);
    QFETCH(FileMap, before);
    QFETCH(QByteArray, servedB);
    QFETCH(QStringList, requested);
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, summary);

    QTemporaryDir plugins;
    QVERIFY(writeFiles(plugins.path(), before));
    m_server.setPath(QStringLiteral("wps/a.wps"), alpha);
    m_server.setPath(QStringLiteral("wps/b.wps"), servedB);
    const int earlier = m_server.requests().size();

    const ProgramRun run = tessel(QStringList{"update"} + options + QStringList{"--table", m_table, plugins.path()});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(m_server.requests().mid(earlier), requested);
    QTEST(readFiles(plugins.path()), "after");

    QStringList printed = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
    QCOMPARE(printed.takeLast(), QString());
    QCOMPARE(printed.takeLast(), QString("tessel update: " + QString::fromUtf8(summary)));
    static const QRegularExpression form(
        QStringLiteral("\\A[1-5] Tessel\\.(TesselUpdater|SecuredBundleUpdater): \\S"));
    for (const QString &line : qAsConst(printed))
        QVERIFY2(form.match(line).hasMatch(), qPrintable(line));
    int at = 0;
    for (QString line : qAsConst(lines)) {
        line.replace(QLatin1String("@P/"), plugins.path() + QLatin1Char('/'));
        while (at < printed.size() && !printed.at(at).startsWith(line))
            ++at;
        QVERIFY2(at < printed.size(), qPrintable(QString("not printed in order: " + line)));
    }
}

QTEST_GUILESS_MAIN(tst_UpdateCommands)
#include "tst_updatecommands.moc"
