#include "bundletestutils.h"
#include "documentfixture.h"
#include "pluginscaffold.h"
#include "programrun.h"

#include <document/scriptdocument.h>
#include <plugin/pluginkey.h>

#include <document.h>
#include <hotkey.h>
#include <ihotkeyservice.h>
#include <servicelocator.h>

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char pluginId[] = "com.example.hello";
// Quotes, markup and non-ASCII letters must reach the manifest and the page as they are.
const char pluginName[] = "Grüße \"Hi\" <b>";

QList<QKeySequence> actionKeys(const QByteArray &templateId, const QByteArray &id)
{
    auto *hotKeys = HostApi::ServiceLocator::instance()->service<HostApi::IHotKeyService>();
    for (const HostApi::HotKey *hotKey : hotKeys->hotKeys()) {
        if (hotKey->parentId() == templateId && hotKey->id() == id)
            return hotKey->sequences();
    }
    return {};
}

} // namespace

class tst_InitCommand : public QObject
{
    Q_OBJECT

private slots:
    void pageWorksInModule();
    void passesLintAndOpensInHost();
    void refusals_data();
    void refusals();
};

// The written page sets its window's status once loaded and answers the manifest's action,
// whose hot key the host registers.
void tst_InitCommand::pageWorksInModule()
{
    PluginFixture fixture;
    fixture.addBundle(QString::fromLatin1(pluginId),
                      PluginScaffold(QString::fromLatin1(pluginId), QString::fromUtf8(pluginName)).files());
    fixture.start();
    const OpenDocument open = fixture.open(QString::fromLatin1(pluginId));
    QVERIFY(open.script);
    QCOMPARE(open.document->status(), int(Document::StatusReady));
    QCOMPARE(open.document->statusText(), QStringLiteral("Loaded"));
    QCOMPARE(open.eval(QStringLiteral("document.querySelector('h1').textContent")).toString(),
             QString::fromUtf8(pluginName));
    QCOMPARE(open.eval(QStringLiteral("document.body.className")).toString(), QStringLiteral("black"));
    QCOMPARE(actionKeys(pluginKey(QString::fromLatin1(pluginId)), "greet"),
             QList<QKeySequence>{QKeySequence(QString::fromLatin1(PluginScaffold::ActionHotKey))});

    open.eval(QStringLiteral("_quorvex_bridge.actions.find((a) => a.objectName === 'greet').trigger()"));
    QCOMPARE(open.eval(QStringLiteral("document.getElementById('message').textContent")).toString(),
             QStringLiteral("Hello! (1)"));
    QCOMPARE(open.document->statusText(), QStringLiteral("1 greeting(s)"));
    QCOMPARE(PluginFixture::takeOutput(), QStringList());
}

// What `tessel init` writes passes `tessel lint --strict` and opens in tessel-host.
void tst_InitCommand::passesLintAndOpensInHost()
{
    QTemporaryDir data;
    const QString folder = data.filePath(QStringLiteral("WebPlugins/hello"));
    const ProgramRun init = runBuildProgram(QStringLiteral("tessel"), {QStringLiteral("init"), QStringLiteral("--name"),
                                                    QString::fromUtf8(pluginName),
                                                    QString::fromLatin1(pluginId), folder});
    QVERIFY2(init.exitCode == 0, init.err.constData());
    QCOMPARE(QString::fromUtf8(init.out), QStringLiteral("wrote plug-in '%1' to %2\n").arg(QString::fromLatin1(pluginId), folder));

    const ProgramRun lint = runBuildProgram(QStringLiteral("tessel"), {QStringLiteral("lint"), QStringLiteral("--strict"), folder});
    QVERIFY2(lint.exitCode == 0 && !lint.out.contains("warning: "), lint.out.constData());
    const QStringList summary = QString::fromUtf8(lint.out).split(QLatin1Char('\n'));
    QVERIFY(summary.contains(QStringLiteral("name: ") + QString::fromUtf8(pluginName)));
    QVERIFY(summary.contains(QStringLiteral("  greet: \"Say Hello\", icon app, keys Ctrl+Alt+G")));
    QVERIFY(summary.contains(QStringLiteral("  app: normal")));

    const QString shot = data.filePath(QStringLiteral("shot.png"));
    const ProgramRun host = runBuildProgram(QStringLiteral("tessel-host"),
                         {QStringLiteral("--data-dir"), data.path(), QStringLiteral("--open"),
                          QString::fromLatin1(pluginId), QStringLiteral("--screenshot"), shot,
                          QStringLiteral("--log")});
    QVERIFY2(host.exitCode == 0, QByteArray(host.out + host.err).constData());
    QVERIFY2(!host.out.contains("bridge: "), host.out.constData());
    QVERIFY(!QImage(shot).isNull());
}

// Bad input exits with one line naming it, and writes nothing.
void tst_InitCommand::refusals_data()
{
    QTest::addColumn<QStringList>("args");      // "@" stands for the target folder
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");          // the last line on the error output

    const QString id = QString::fromLatin1(pluginId);
    QTest::newRow("folder-not-empty") << QStringList{id, "@/full"} << 1
                                      << "tessel: @/full: @/full exists and is not an empty folder";
    QTest::newRow("folder-is-file") << QStringList{id, "@/file"} << 1
                                    << "tessel: @/file: @/file exists and is not an empty folder";
    QTest::newRow("id-with-space") << QStringList{"my plugin", "@/new"} << 1
        << "tessel: my plugin: an id is letters, digits, '.', '-' and '_', starting with a letter "
           "or digit";
    QTest::newRow("id-leading-dot") << QStringList{".hidden", "@/new"} << 1
        << "tessel: .hidden: an id is letters, digits, '.', '-' and '_', starting with a letter "
           "or digit";
    QTest::newRow("name-two-lines") << QStringList{"--name", "A\nB", id, "@/new"} << 1
                                    << "tessel: --name: a name is one line of text, not blank";
    QTest::newRow("name-blank") << QStringList{"--name", " ", id, "@/new"} << 1
                                << "tessel: --name: a name is one line of text, not blank";
    QTest::newRow("name-without-value") << QStringList{id, "@/new", "--name"} << 2
                                        << "usage: tessel init [--name NAME] ID FOLDER";
    QTest::newRow("folder-missing") << QStringList{id} << 2
                                    << "usage: tessel init [--name NAME] ID FOLDER";
}

void tst_InitCommand::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, line);

    QTemporaryDir dir;
    const FileMap before{{QStringLiteral("full/keep.txt"), "keep"}, {QStringLiteral("file"), "file"}};
    QVERIFY(writeFiles(dir.path(), before));
    const ProgramRun init = runBuildProgram(QStringLiteral("tessel"),
                         QStringList{QStringLiteral("init")} + args.replaceInStrings(QStringLiteral("@"), dir.path()));
    QTEST(init.exitCode, "exitCode");
    QCOMPARE(QString::fromUtf8(init.err).trimmed().split(QLatin1Char('\n')).last(), line.replace(QLatin1Char('@'), dir.path()));
    QCOMPARE(readFiles(dir.path()), before);
}

QTEST_MAIN(tst_InitCommand)
#include "tst_initcommand.moc"
