#include "bundletestutils.h"
#include "testsupport.h"

#include <bundle/bundlelimits.h>
#include <bundle/standardbundle.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class tst_StandardBundle : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void names();
    void confinement_data();
    void confinement();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

// <tmp>/Chart (the bundle) with files, links, a FIFO and files at and over the size limit;
// <tmp>/Chart2 and <tmp>/secret.txt beside it.
void tst_StandardBundle::init()
{
    m_dir.reset(new QTemporaryDir);
    m_root = m_dir->path() + QStringLiteral("/Chart");
    const FileMap files{{"Chart/plugin.spec", "{}"}, {"Chart/js/app.js", "app"}, {"Chart/Logo.png", "png"}, {"secret.txt", "secret"}, {"Chart2/plugin.spec", "other"}};
    QVERIFY(writeFiles(m_dir->path(), files));
    QVERIFY(QFile::link(m_dir->path() + QStringLiteral("/secret.txt"), m_root + QStringLiteral("/leak.txt")));
    QVERIFY(QFile::link(m_dir->path(), m_root + QStringLiteral("/up")));
    QVERIFY(QFile::link(m_root + QStringLiteral("/js/app.js"), m_root + QStringLiteral("/alias.js")));
    QVERIFY(mkfifo(QFile::encodeName(m_root + QStringLiteral("/pipe.json")).constData(), 0600) == 0);
    QVERIFY(QFile::link(m_root + QStringLiteral("/pipe.json"), m_root + QStringLiteral("/plugin.link")));
    // Sparse files: their size costs no disk.
    for (const auto &big : {qMakePair(QStringLiteral("/at-limit.bin"), BundleLimits::MaxEntrySize),
                            qMakePair(QStringLiteral("/over-limit.bin"), BundleLimits::MaxEntrySize + 1)}) {
        QFile file(m_root + big.first);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(big.second));
    }
}

void tst_StandardBundle::names()
{
    StandardBundle bundle(m_root);
    QCOMPARE(bundle.path(), m_root);
    QCOMPARE(bundle.filePath(QStringLiteral("js/app.js")), m_root + QStringLiteral("/js/app.js"));
    QCOMPARE(bundle.filePath(QStringLiteral("/abs/x.js")), QStringLiteral("/abs/x.js"));
    QCOMPARE(bundle.url(QStringLiteral("index.html")), QStringLiteral("file:///%1/index.html").arg(m_root));
    QCOMPARE(bundle.url(QStringLiteral("/abs/index.html")), QStringLiteral("/abs/index.html"));
}

void tst_StandardBundle::confinement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("logged");       // the diagnostic line; "@" stands for the bundle

    const QString outside = QStringLiteral("Refused a link out of the bundle @: ");
    const QString notRegular = QStringLiteral("Not a regular file, treated as missing, in the bundle @: ");
    QTest::newRow("absolute-inside") << QStringLiteral("@/js/app.js") << true << QByteArray("app") << QString();
    QTest::newRow("relative-inside") << QStringLiteral("js/app.js") << true << QByteArray("app") << QString();
    QTest::newRow("dot-segments-inside") << QStringLiteral("@/js/../js/./app.js") << true << QByteArray("app") << QString();
    QTest::newRow("missing") << QStringLiteral("missing.js") << false << QByteArray() << QString();
    QTest::newRow("link-inside") << QStringLiteral("alias.js") << true << QByteArray("app") << QString();
    QTest::newRow("parent-segments") << QStringLiteral("@/../secret.txt") << false << QByteArray()
                                     << QStringLiteral("Refused a name outside the bundle @: @/../secret.txt");
    QTest::newRow("relative-parent") << QStringLiteral("../secret.txt") << false << QByteArray() << QStringLiteral("Refused a name outside the bundle @: ../secret.txt");
    QTest::newRow("deep-parent") << QStringLiteral("js/../../secret.txt") << false << QByteArray()
                                 << QStringLiteral("Refused a name outside the bundle @: js/../../secret.txt");
    QTest::newRow("absolute-elsewhere") << QStringLiteral("%/secret.txt") << false << QByteArray() << QStringLiteral("Refused a name outside the bundle @: %/secret.txt");
    QTest::newRow("sibling-with-same-prefix") << QStringLiteral("@2/plugin.spec") << false << QByteArray()
                                              << QStringLiteral("Refused a name outside the bundle @: @2/plugin.spec");
    QTest::newRow("link-to-file-outside") << QStringLiteral("leak.txt") << false << QByteArray() << outside + QStringLiteral("leak.txt");
    QTest::newRow("link-to-folder-outside") << QStringLiteral("up/secret.txt") << false << QByteArray() << outside + QStringLiteral("up/secret.txt");
    QTest::newRow("fifo") << QStringLiteral("pipe.json") << false << QByteArray() << notRegular + QStringLiteral("pipe.json");
    QTest::newRow("link-to-fifo") << QStringLiteral("plugin.link") << false << QByteArray() << notRegular + QStringLiteral("plugin.link");
    QTest::newRow("folder") << QStringLiteral("@/js") << false << QByteArray() << notRegular + QStringLiteral("@/js");
    QTest::newRow("file-at-limit") << QStringLiteral("at-limit.bin") << true << QByteArray(int(BundleLimits::MaxEntrySize), '\0') << QString();
    QTest::newRow("file-over-limit") << QStringLiteral("over-limit.bin") << true << QByteArray()
                                     << QStringLiteral("Cannot read over-limit.bin in the bundle @: larger than the limit of 64 MiB");
}

void tst_StandardBundle::confinement()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(QString, logged);

    name.replace(QLatin1Char('@'), m_root).replace(QLatin1Char('%'), m_dir->path());
    logged.replace(QLatin1Char('@'), m_root).replace(QLatin1Char('%'), m_dir->path());
    StandardBundle bundle(m_root);
    LogCapture log;
    QCOMPARE(bundle.exists(name), exists);
    log.clear();
    QCOMPARE(bundle.read(name), content);
    QCOMPARE(log.texts(), logged.isEmpty() ? QStringList() : QStringList{logged});
}

QTEST_GUILESS_MAIN(tst_StandardBundle)
#include "tst_standardbundle.moc"
