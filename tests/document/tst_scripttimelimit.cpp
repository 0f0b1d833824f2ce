// Pages that loop for ever: the engine stops the script at the script time limit, and the page
// and the host go on. The limit is set short, before the process's first page. Each page runs
// in a child process (this executable, started with --open-looping-page), so that a loop the
// engine fails to stop cannot hold the test itself.
#include "documentfixture.h"

#include <document/scriptdocument.h>
#include <document/webpage.h>

#include <document.h>

#include <QProcess>
#include <QWebView>
#include <QtTest>

#include <cstdio>
#include <iterator>

namespace {

// Long enough for the engine's watchdog to use a coarse timer, which may fire early.
constexpr int TestScriptTimeLimit = 500;
// The child starts a loop this long after the page loaded, and asks the page again this often.
constexpr int QuietTime = 200;
// How long the page is asked for the probe's answer.
constexpr int ProbeTime = 10 * TestScriptTimeLimit;
const char ChildOption[] = "--open-looping-page";
// A child that has not answered by then is held by a loop the engine missed.
constexpr int ChildTimeout = 20 * TestScriptTimeLimit;

enum class Start { Timer, HostCall, Click };

struct LoopingPage
{
    const char *id;
    QByteArray body;
    Start start;
    const char *probe;      // an expression the page answers once the loop was stopped
    const char *expected;
};

const LoopingPage loopingPages[] = {
    {"timer", "<script>setTimeout(function () { for (;;) {} }, 200);"
              "setTimeout(function () { window.after = 2; }, 1500);</script>",
     Start::Timer, "window.after", "2"},
    {"host-call", "<script>function spin() { for (;;) {} }</script>", Start::HostCall,
     "typeof spin", "function"},
    {"click", "<script>document.onclick = function () { for (;;) {} };</script>", Start::Click,
     "document.readyState", "complete"},
};

void addLoopingPages(PluginFixture *fixture)
{
    for (const LoopingPage &looping : loopingPages) {
        const QString id = QLatin1String(looping.id);
        fixture->addBundle(id, {{QStringLiteral("plugin.spec"), manifest(id)},
                                {QStringLiteral("index.html"), page(looping.body)}});
    }
}

// Runs the event loop for ms as the host does, waiting for events when there are none.
void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The child: opens the page of loopingPages[index], starts its loop, then prints the probe's
// answer and the plug-in output's lines since, a line each.
int openLoopingPage(int index)
{
    const LoopingPage &looping = loopingPages[index];
    PluginFixture fixture;
    addLoopingPages(&fixture);
    fixture.start();
    const OpenDocument open = fixture.open(QLatin1String(looping.id));
    if (!open.script)
        return 1;
    PluginFixture::takeOutput();
    runEventLoop(QuietTime);
    if (looping.start == Start::HostCall)
        open.eval(QStringLiteral("spin()"));
    else if (looping.start == Start::Click)
        QTest::mouseClick(open.script->view(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QString answer;
    for (int waited = 0; waited < ProbeTime; waited += QuietTime) {
        runEventLoop(QuietTime);
        answer = open.eval(QLatin1String(looping.probe)).toString();
        if (answer == QLatin1String(looping.expected))
            break;
    }
    std::printf("%s\n", qPrintable((QStringList{answer} + PluginFixture::takeOutput()).join('\n')));
    return answer == QLatin1String(looping.expected) ? 0 : 1;
}

} // namespace

class tst_ScriptTimeLimit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void endlessLoopStopped_data();
    void endlessLoopStopped();
};

void tst_ScriptTimeLimit::initTestCase()
{
    // Children inherit the limit through the environment.
    QVERIFY(WebPage::limitScriptTime(TestScriptTimeLimit));
    PluginFixture fixture;
    fixture.start();
    // The module's own limit does not replace one already in force.
    QCOMPARE(WebPage::scriptTimeLimit(), TestScriptTimeLimit);
}

void tst_ScriptTimeLimit::endlessLoopStopped_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(loopingPages)); ++i)
        QTest::newRow(loopingPages[i].id) << i;
}

void tst_ScriptTimeLimit::endlessLoopStopped()
{
    QFETCH(int, index);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QLatin1String(ChildOption), QString::number(index)});
    const bool answered = child.waitForFinished(ChildTimeout);
    if (!answered) {
        child.kill();
        child.waitForFinished();
    }
    QVERIFY2(answered, "the engine did not stop the loop");
    const QStringList expected = {QLatin1String(loopingPages[index].expected),
                                  QStringLiteral("pluginmanager: script stopped, a page's script "
                                                 "ran longer than %1 ms").arg(TestScriptTimeLimit)};
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
             expected);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], ChildOption) == 0)
        return openLoopingPage(QByteArray(argv[2]).toInt());
    tst_ScriptTimeLimit test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scripttimelimit.moc"
