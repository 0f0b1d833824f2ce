#include "bundletestutils.h"
#include "securedwriter.h"
#include "testsupport.h"

#include <bundle/findbundles.h>
#include <bundle/folderlist.h>
#include <bundle/scriptbundle.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray listFile(const QStringList &paths)
{
    QByteArray xml = "<?xml version=\"1.0\"?>\n<webplugins>\n";
    for (const QString &path : paths)
        xml += "  <webplugin path=\"" + path.toUtf8() + "\"/>\n";
    return xml + "</webplugins>\n";
}

const FileMap plugin{{QStringLiteral("plugin.spec"), QByteArrayLiteral("{}")}};

} // namespace

class tst_FindBundles : public QObject
{
    Q_OBJECT

private slots:
    void folderList_data();
    void folderList();
    void scanOrder();
};

void tst_FindBundles::folderList_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("folders");   // "@" stands for the list file's folder

    QTest::newRow("absolute-and-relative")
        << listFile({QStringLiteral("/opt/plugins/a"), QStringLiteral("b"), QStringLiteral("../c")})
        << QStringList{QStringLiteral("/opt/plugins/a"), QStringLiteral("@/b"), QStringLiteral("%/c")};
    QTest::newRow("nested-and-empty-paths")
        << QByteArray("<root><webplugins><group><webplugin path=\"x\"/></group>"
                      "<webplugin path=\"\"/><webplugin/><webplugin path=\"y\"/></webplugins></root>")
        << QStringList{QStringLiteral("@/x"), QStringLiteral("@/y")};
    QTest::newRow("only-the-first-list")
        << QByteArray("<r><webplugins><webplugin path=\"a\"/></webplugins>"
                      "<webplugins><webplugin path=\"b\"/></webplugins></r>")
        << QStringList{QStringLiteral("@/a")};
    QTest::newRow("outside-the-list-ignored")
        << QByteArray("<r><webplugin path=\"a\"/><webplugins/></r>") << QStringList();
    QTest::newRow("no-list-element") << QByteArray("<r><webplugin path=\"a\"/></r>") << QStringList();
    QTest::newRow("not-xml") << QByteArray("webplugins path=a") << QStringList();
    QTest::newRow("missing-file") << QByteArray() << QStringList();
}

void tst_FindBundles::folderList()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, folders);

    QTemporaryDir dir;
    const QString sub = dir.path() + QStringLiteral("/lists");
    const QString file = sub + QStringLiteral("/webplugins.xml");
    if (!xml.isNull())
        QVERIFY(writeFile(file, xml));
    folders.replaceInStrings(QStringLiteral("@"), sub).replaceInStrings(QStringLiteral("%"), dir.path());
    QCOMPARE(readFolderList(file), folders);
}

// Sub-folders first, then secured files, then the application's list and the plug-in
// folder's list; listed folders need a manifest, sub-folders do not.
void tst_FindBundles::scanOrder()
{
    QTemporaryDir dir;
    const QString app = dir.path() + QStringLiteral("/app");
    const QString plugins = dir.path() + QStringLiteral("/data/WebPlugins");
    QVERIFY(writeFiles(plugins + QStringLiteral("/Folder"), plugin));
    QVERIFY(QDir().mkpath(plugins + QStringLiteral("/NoManifest")));
    QVERIFY(writeFile(plugins + QStringLiteral("/Secured.wps"), encodeSecured(makeZip(plugin), QByteArray())));
    QVERIFY(writeFile(plugins + QStringLiteral("/notes.txt"), "not a bundle"));
    QVERIFY(writeFiles(app + QStringLiteral("/bundled"), plugin));
    QVERIFY(writeFiles(dir.path() + QStringLiteral("/extra"), plugin));
    QVERIFY(writeFiles(plugins + QStringLiteral("/../listed"), plugin));
    QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/listed-without-manifest")));
    QVERIFY(writeFile(app + QStringLiteral("/tessel.xml"),
                      listFile({QStringLiteral("bundled"), dir.path() + QStringLiteral("/extra")})));
    QVERIFY(writeFile(plugins + QStringLiteral("/webplugins.xml"),
                      listFile({QStringLiteral("../listed"), QStringLiteral("../../listed-without-manifest")})));

    RecordingChannel channel;
    const QList<ScriptBundle *> bundles = findBundles(app, plugins, &channel);
    QStringList paths;
    for (ScriptBundle *bundle : bundles)
        paths.append(bundle->path());
    qDeleteAll(bundles);

    QCOMPARE(paths.size(), 6);
    QCOMPARE(QSet<QString>(paths.cbegin(), paths.cbegin() + 2),
             (QSet<QString>{plugins + QStringLiteral("/Folder"), plugins + QStringLiteral("/NoManifest")}));
    QCOMPARE(paths.mid(2), (QStringList{plugins + QStringLiteral("/Secured"),
                                        app + QStringLiteral("/bundled"),
                                        dir.path() + QStringLiteral("/extra"),
                                        dir.path() + QStringLiteral("/data/listed")}));
    QCOMPARE(channel.lines, QStringList());
}

QTEST_GUILESS_MAIN(tst_FindBundles)
#include "tst_findbundles.moc"
