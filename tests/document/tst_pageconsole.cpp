// What a page's scripts say reaches "Plugin Output" with the developer feature on: console
// messages and uncaught errors, with the script and the line; with the feature off, nothing.
#include "documentfixture.h"

#include <document.h>

#include <QtTest>

namespace {

// page() puts the body from line 5 on.
const struct ConsolePage
{
    const char *id;
    QByteArray body;
    FileMap scripts;
    QStringList forwarded;
    const char *evaluate = nullptr;  // run in the page once it has loaded
} consolePages[] = {
    {"log", "<script>function hello() {\n  console.log('hello');\n}\nhello();</script>", {},
     {QStringLiteral("log: hello, index.html:6")}},
    {"levels", "<script src=\"js/app.js\"></script>",
     {{QStringLiteral("js/app.js"),
       "function report() {\n  console.error('no data for ' + 'IBM');\n  console.warn('slow');\n"
       "  console.info('info');\n}\nreport();\n"}},
     {QStringLiteral("levels: error: no data for IBM, js/app.js:2"),
      QStringLiteral("levels: warning: slow, js/app.js:3"), QStringLiteral("levels: info, js/app.js:4")}},
    {"syntax", "<script src=\"js/broken.js\"></script>", {{QStringLiteral("js/broken.js"), "var settings = {;\n"}},
     {QStringLiteral("syntax: error: SyntaxError: Unexpected token ';'. Expected a property name., "
                     "js/broken.js:1")}},
    {"uncaught", "<script>function boom() {\n  null.x = 1;\n}\nboom();</script>", {},
     {QStringLiteral("uncaught: error: TypeError: null is not an object (evaluating 'null.x = 1'), "
                     "index.html:6")}},
    {"later", "<script>\nsetTimeout(function () { throw new RangeError('late'); }, 10);</script>", {},
     {QStringLiteral("later: error: RangeError: late, index.html:6")}},
    // Scripts that are not the page's own have no place.
    {"evaluated", "", {}, {QStringLiteral("evaluated: error: from the host, unknown place")},
     "console.error('from the host')"},
};

} // namespace

class tst_PageConsole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void forwarded_data();
    void forwarded();

private:
    PluginFixture m_fixture;
};

void tst_PageConsole::initTestCase()
{
    for (const ConsolePage &console : consolePages) {
        const QString id = QLatin1String(console.id);
        FileMap files = console.scripts;
        files.insert(QStringLiteral("plugin.spec"), manifest(id));
        files.insert(QStringLiteral("index.html"), page(console.body));
        m_fixture.addBundle(id, files);
    }
    m_fixture.start();
}

void tst_PageConsole::forwarded_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("developer");
    QTest::addColumn<QStringList>("forwarded");
    QTest::addColumn<QString>("evaluate");

    for (const ConsolePage &console : consolePages) {
        const QString id = QString::fromLatin1(console.id);
        const QString evaluate = QString::fromLatin1(console.evaluate);
        QTest::newRow(console.id) << id << true << console.forwarded << evaluate;
        QTest::addRow("%s-without-developer-feature", console.id) << id << false << QStringList() << evaluate;
    }
}

void tst_PageConsole::forwarded()
{
    QFETCH(QString, id);
    QFETCH(bool, developer);
    QFETCH(QStringList, forwarded);
    QFETCH(QString, evaluate);

    PluginFixture::setDeveloperFeature(developer);
    const OpenDocument open = m_fixture.open(id);
    PluginFixture::setDeveloperFeature(true);
    QVERIFY(open.script);
    if (!evaluate.isEmpty())
        open.eval(evaluate);
    // The late error comes after the load, from the page's timer.
    QStringList lines;
    QVERIFY(QTest::qWaitFor([&] {
        lines += PluginFixture::takeOutput();
        return lines.size() >= forwarded.size();
    }, PluginFixture::LoadTimeout));
    QCOMPARE(lines, forwarded);
}

QTEST_MAIN(tst_PageConsole)
#include "tst_pageconsole.moc"
