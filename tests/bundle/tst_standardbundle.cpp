#include "testsupport.h"

#include <bundle/standardbundle.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

static void put(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

// <tmp>/Chart (the bundle) with files and links, <tmp>/Chart2 and <tmp>/secret.txt beside it.
void tst_StandardBundle::init()
{
    m_dir.reset(new QTemporaryDir);
    m_root = m_dir->path() + QStringLiteral("/Chart");
    put(m_root + QStringLiteral("/plugin.spec"), "{}");
    put(m_root + QStringLiteral("/js/app.js"), "app");
    put(m_root + QStringLiteral("/Logo.png"), "png");
    put(m_dir->path() + QStringLiteral("/secret.txt"), "secret");
    put(m_dir->path() + QStringLiteral("/Chart2/plugin.spec"), "other");
    QVERIFY(QFile::link(m_dir->path() + QStringLiteral("/secret.txt"), m_root + QStringLiteral("/leak.txt")));
    QVERIFY(QFile::link(m_dir->path(), m_root + QStringLiteral("/up")));
    QVERIFY(QFile::link(m_root + QStringLiteral("/js/app.js"), m_root + QStringLiteral("/alias.js")));
}

void tst_StandardBundle::names()
{
    StandardBundle bundle(m_root);
    QCOMPARE(bundle.path(), m_root);
    QCOMPARE(bundle.filePath(QStringLiteral("js/app.js")), m_root + QStringLiteral("/js/app.js"));
    QCOMPARE(bundle.filePath(QStringLiteral("/abs/x.js")), QStringLiteral("/abs/x.js"));
    QCOMPARE(bundle.url(QStringLiteral("index.html")), QStringLiteral("file:///%1/index.html").arg(m_root));
    QCOMPARE(bundle.url(QStringLiteral("/abs/index.html")), QStringLiteral("/abs/index.html"));
    QVERIFY(bundle.read(QStringLiteral("missing.js")).isEmpty());
    QVERIFY(!bundle.exists(QStringLiteral("missing.js")));
}

void tst_StandardBundle::confinement_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");   // null: not found
    QTest::addColumn<bool>("logged");

    QTest::newRow("absolute-inside") << QStringLiteral("@/js/app.js") << QByteArray("app") << false;
    QTest::newRow("relative-inside") << QStringLiteral("js/app.js") << QByteArray("app") << false;
    QTest::newRow("dot-segments-inside") << QStringLiteral("@/js/../js/./app.js") << QByteArray("app") << false;
    QTest::newRow("link-inside") << QStringLiteral("alias.js") << QByteArray("app") << false;
    QTest::newRow("parent-segments") << QStringLiteral("@/../secret.txt") << QByteArray() << true;
    QTest::newRow("relative-parent") << QStringLiteral("../secret.txt") << QByteArray() << true;
    QTest::newRow("deep-parent") << QStringLiteral("js/../../secret.txt") << QByteArray() << true;
    QTest::newRow("absolute-elsewhere") << QStringLiteral("%/secret.txt") << QByteArray() << true;
    QTest::newRow("sibling-with-same-prefix") << QStringLiteral("@2/plugin.spec") << QByteArray() << true;
    QTest::newRow("link-to-file-outside") << QStringLiteral("leak.txt") << QByteArray() << true;
    QTest::newRow("link-to-folder-outside") << QStringLiteral("up/secret.txt") << QByteArray() << true;
}

void tst_StandardBundle::confinement()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, logged);

    name.replace(QLatin1Char('@'), m_root).replace(QLatin1Char('%'), m_dir->path());
    StandardBundle bundle(m_root);
    LogCapture log;
    QCOMPARE(bundle.exists(name), !content.isNull());
    QCOMPARE(bundle.read(name), content.isNull() ? QByteArray() : content);
    QCOMPARE(!log.entries().isEmpty(), logged);
}

QTEST_GUILESS_MAIN(tst_StandardBundle)
#include "tst_standardbundle.moc"
