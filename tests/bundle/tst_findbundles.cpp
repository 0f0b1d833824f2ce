#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/findbundles.h>
#include <bundle/folderlist.h>
#include <bundle/scriptbundle.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray listFile(const QStringList &paths)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<webplugins>\n";
    for (const QString &path : paths)
        xml += "  <webplugin path=\"" + path.toUtf8() + "\"/>\n";
    return xml + "</webplugins>\n";
}

// A list whose one "webplugin" element stands at the given depth (the root is depth 1).
QByteArray nestedList(int depth)
{
    return "<webplugins>" + QByteArray("<g>").repeated(depth - 2) + "<webplugin path=\"deep\"/>"
        + QByteArray("</g>").repeated(depth - 2) + "</webplugins>";
}

const FileMap plugin{{QStringLiteral("plugin.spec"), QByteArrayLiteral("{}")}};
// Stands for a FIFO in place of a file.
const QByteArray fifo("\0fifo", 5);

bool makeFifo(const QString &file)
{
    return QDir().mkpath(QFileInfo(file).path()) && mkfifo(QFile::encodeName(file).constData(), 0600) == 0;
}

} // namespace

class tst_FindBundles : public QObject
{
    Q_OBJECT

private slots:
    void folderList_data();
    void folderList();
    void scan();
};

void tst_FindBundles::folderList_data()
{
    QTest::addColumn<QByteArray>("xml");        // null: no file; "fifo": a FIFO
    QTest::addColumn<QStringList>("folders");   // "@" stands for the list file's folder
    QTest::addColumn<QString>("error");

    QTest::newRow("absolute-and-relative")
        << listFile({QStringLiteral("/opt/plugins/a"), QStringLiteral("b"), QStringLiteral("../c")})
        << QStringList{QStringLiteral("/opt/plugins/a"), QStringLiteral("@/b"), QStringLiteral("%/c")} << QString();
    QTest::newRow("nested-and-empty-paths")
        << QByteArray("<root><webplugins><group><webplugin path=\"x\"/></group>"
                      "<webplugin path=\"\"/><webplugin/><webplugin path=\"y\"/></webplugins></root>")
        << QStringList{QStringLiteral("@/x"), QStringLiteral("@/y")} << QString();
    QTest::newRow("only-the-first-list")
        << QByteArray("<r><webplugins><webplugin path=\"a\"/></webplugins>"
                      "<webplugins><webplugin path=\"b\"/></webplugins></r>")
        << QStringList{QStringLiteral("@/a")} << QString();
    QTest::newRow("outside-the-list-ignored") << QByteArray("<r><webplugin path=\"a\"/><webplugins/></r>") << QStringList() << QString();
    QTest::newRow("missing-file") << QByteArray() << QStringList() << QString();
    QTest::newRow("depth-at-limit") << nestedList(MaxFolderListDepth) << QStringList{QStringLiteral("@/deep")} << QString();
    QTest::newRow("depth-over-limit") << nestedList(MaxFolderListDepth + 1) << QStringList() << QStringLiteral("elements nested deeper than 64 levels (line 1)");
    QTest::newRow("50000-deep") << "<?xml version=\"1.0\"?>\n" + nestedList(50000) << QStringList()
                                << QStringLiteral("elements nested deeper than 64 levels (line 2)");
    QTest::newRow("no-list-element") << QByteArray("<r><webplugin path=\"a\"/></r>") << QStringList() << QStringLiteral("no \"webplugins\" element");
    QTest::newRow("not-xml") << QByteArray("webplugins path=a") << QStringList() << QStringLiteral("not well-formed: Start tag expected. (line 1, column 1)");
    QTest::newRow("broken-after-the-list")
        << QByteArray("<r><webplugins><webplugin path=\"a\"/></webplugins><x></r>") << QStringList()
        << QStringLiteral("not well-formed: Opening and ending tag mismatch. (line 1, column 56)");
    QTest::newRow("fifo") << fifo << QStringList() << QStringLiteral("not a regular file");
    QTest::newRow("over-size-limit") << listFile({QStringLiteral("a")}) + QByteArray(MaxFolderListSize, ' ')
                                     << QStringList() << QStringLiteral("larger than the limit of 1 MiB");
}

void tst_FindBundles::folderList()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, folders);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QString sub = dir.path() + QStringLiteral("/lists");
    const QString file = sub + QStringLiteral("/webplugins.xml");
    if (xml == fifo)
        QVERIFY(makeFifo(file));
    else if (!xml.isNull())
        QVERIFY(writeFile(file, xml));
    folders.replaceInStrings(QStringLiteral("@"), sub).replaceInStrings(QStringLiteral("%"), dir.path());
    QString reason;
    QCOMPARE(readFolderList(file, &reason), folders);
    QCOMPARE(reason, error);
}

// Sub-folders first, then secured files, then the application's list and the plug-in
// folder's list; listed folders need a manifest, sub-folders do not. What the scan cannot use
// is named on the plug-in output: a folder list it ignores, a "*.wps" that is not a regular
// file, a listed folder whose manifest is not one.
void tst_FindBundles::scan()
{
    QTemporaryDir dir;
    const QString d = dir.path();
    const QString app = d + QStringLiteral("/app");
    const QString plugins = d + QStringLiteral("/data/WebPlugins");
    QVERIFY(writeFiles(plugins + QStringLiteral("/Folder"), plugin));
    QVERIFY(QDir().mkpath(plugins + QStringLiteral("/NoManifest")));
    QVERIFY(writeFile(plugins + QStringLiteral("/Secured.wps"), encodeSecured(makeZip(plugin), QByteArray())));
    QVERIFY(makeFifo(plugins + QStringLiteral("/Pipe.wps")));
    QVERIFY(writeFile(plugins + QStringLiteral("/notes.txt"), "not a bundle"));
    QVERIFY(writeFiles(app + QStringLiteral("/bundled"), plugin));
    QVERIFY(writeFiles(d + QStringLiteral("/extra"), plugin));
    QVERIFY(writeFiles(d + QStringLiteral("/data/listed"), plugin));
    QVERIFY(QDir().mkpath(d + QStringLiteral("/listed-without-manifest")));
    QVERIFY(makeFifo(d + QStringLiteral("/data/piped/plugin.spec")));
    QVERIFY(writeFile(app + QStringLiteral("/tessel.xml"), listFile({QStringLiteral("bundled"), d + QStringLiteral("/extra")})));
    QVERIFY(writeFile(plugins + QStringLiteral("/webplugins.xml"),
                      listFile({QStringLiteral("../listed"), QStringLiteral("../../listed-without-manifest"), QStringLiteral("../piped")})));

    const QString pipe = plugins + QStringLiteral("/Pipe.wps");
    const QStringList lines{QStringLiteral("SecuredBundle: Failed to open secured file %1: not a regular file (5), \n").arg(pipe),
                            QStringLiteral("SecuredBundle: Failed to decrypt secured file %1: (1), \n").arg(pipe),
                            QStringLiteral("SecuredBundle: Failed to open bundle: %1, \n").arg(pipe),
                            QStringLiteral("FolderList: Ignored folder %1/data/piped, plugin.spec is not a regular file\n").arg(d)};
    const QString ignored = QStringLiteral("FolderList: Ignored folder list %1/tessel.xml, elements nested deeper than 64 levels (line 1)\n").arg(app);
    const QStringList listed{app + QStringLiteral("/bundled"), d + QStringLiteral("/extra"), d + QStringLiteral("/data/listed")};
    for (bool appListBroken : {false, true}) {
        if (appListBroken)
            QVERIFY(writeFile(app + QStringLiteral("/tessel.xml"), nestedList(MaxFolderListDepth + 1)));
        RecordingChannel channel;
        const QList<ScriptBundle *> bundles = findBundles(app, plugins, &channel);
        QStringList paths;
        for (ScriptBundle *bundle : bundles)
            paths.append(bundle->path());
        qDeleteAll(bundles);
        QCOMPARE(QSet<QString>(paths.cbegin(), paths.cbegin() + 2),
                 (QSet<QString>{plugins + QStringLiteral("/Folder"), plugins + QStringLiteral("/NoManifest")}));
        QCOMPARE(QSet<QString>(paths.cbegin() + 2, paths.cbegin() + 4), (QSet<QString>{plugins + QStringLiteral("/Secured"), plugins + QStringLiteral("/Pipe")}));
        QCOMPARE(paths.mid(4), appListBroken ? QStringList(listed.mid(2)) : listed);
        QCOMPARE(channel.lines, appListBroken ? QStringList{ignored} + lines : lines);
    }
}

QTEST_GUILESS_MAIN(tst_FindBundles)
#include "tst_findbundles.moc"
