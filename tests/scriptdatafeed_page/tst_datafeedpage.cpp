// The datafeed as pages use it, on the host's market data: a real page sends every request
// type through _quorvex_bridge.datafeed and checks the answers it receives; reloading the page
// and clearing the datafeed end everything the page had started.
#include "documentfixture.h"
#include "marketdata.h"

#include <document/scriptcontrol.h>
#include <document/scriptdocument.h>
#include <document/scriptheader.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <document.h>

#include <backend.h>
#include <market/marketbackend.h>
#include <market/marketservice.h>
#include <quotes/quotesimulator.h>
#include <requester.h>

#include <QAbstractButton>
#include <QAction>
#include <QDateTime>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const char PluginId[] = "feedpage";

// Keeps every answer by its rid, and a helper comparing values that crossed the bridge.
const QByteArray pageScript =
    "<script>\n"
    "var feed = _quorvex_bridge.datafeed;\n"
    "window.answers = {}; window.answerCount = 0;\n"
    "feed.response.connect(function (a) {\n"
    "  (answers[a.request.rid] = answers[a.request.rid] || []).push(a); ++answerCount;\n"
    "});\n"
    "function same(x, y) {\n"
    "  if (x instanceof Date || y instanceof Date)\n"
    "    return x instanceof Date && y instanceof Date && x.getTime() === y.getTime();\n"
    "  if (x === null || y === null || typeof x !== 'object' || typeof y !== 'object')\n"
    "    return x === y;\n"
    "  var kx = Object.keys(x).sort(), ky = Object.keys(y).sort();\n"
    "  return Array.isArray(x) === Array.isArray(y) && kx.join() === ky.join()\n"
    "    && kx.every(function (k) { return same(x[k], y[k]); });\n"
    "}\n"
    "</script>\n";

// Starts 100 requests of every type; gives the number accepted.
const char startAllTypes[] =
    "(function () {\n"
    "  var symbols = ['ACME.QB', 'NRTH.N', 'GLBX', 'KSTL.L', 'QIX', 'EURUSD', 'CL#', 'GC#'];\n"
    "  var accepted = 0;\n"
    "  for (var i = 0; i < 100; ++i) {\n"
    "    var symbol = symbols[i % symbols.length];\n"
    "    [{type: 'symbolinfo', symbol: symbol},\n"
    "     {type: 'quote', symbol: symbol, fields: ['Last', 'Bid', 'Ask', 'TradeTime']},\n"
    "     {type: 'chain', symbol: i % 2 ? 'CL#' : 'ACME.QB'},\n"
    "     {type: 'history', symbol: symbol, itemsCount: 30, realtime: true},\n"
    "     {type: 'news', daysBack: 2, historyLimit: 10, realtime: true},\n"
    "     {type: 'newsbody', storyId: '%1'}].forEach(function (r) {\n"
    "      r.rid = r.type + i; if (feed.request(r)) ++accepted;\n"
    "    });\n"
    "  }\n"
    "  return accepted;\n"
    "})()";

const char startThousandQuotes[] =
    "(function () {\n"
    "  var symbols = ['ACME.QB', 'NRTH.N', 'GLBX', 'KSTL.L', 'VRDN.XPAR', 'QIX', 'SMCX',"
    " 'EURUSD', 'CL#', 'NOSUCH.QB'];\n"
    "  var accepted = 0;\n"
    "  for (var i = 0; i < 1000; ++i)\n"
    "    accepted += feed.request({type: 'quote', rid: 'q' + i, symbol: symbols[i % 10],"
    " fields: ['Last', 'Bid', 'Ask', 'Volume', 'TradeTime']}) ? 1 : 0;\n"
    "  return accepted;\n"
    "})()";

// Passes every request on to the market backend and keeps those not yet ended.
class RunningBackend : public FeedApi::Backend
{
public:
    explicit RunningBackend(FeedApi::Backend *market)
        : m_market(market)
        , m_previous(setCurrent(this))
    {
    }
    ~RunningBackend() override { setCurrent(m_previous); }

    void start(FeedApi::Requester *requester) override
    {
        m_running.insert(requester);
        m_market->start(requester);
    }
    void end(FeedApi::Requester *requester) override
    {
        m_running.remove(requester);
        m_market->end(requester);
    }
    int running() const { return m_running.size(); }

private:
    FeedApi::Backend *m_market;
    FeedApi::Backend *m_previous;
    QSet<FeedApi::Requester *> m_running;
};

} // namespace

class tst_DatafeedPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void answersInPage_data();
    void answersInPage();
    void reloadEndsEveryRequest_data();
    void reloadEndsEveryRequest();
    void thousandQuotesCleared_data();
    void thousandQuotesCleared();
    void throwingHandlers_data();
    void throwingHandlers();

private:
    QVariant eval(const QString &code) const { return m_open.eval(code); }
    // The story id of a headline the page received.
    QString storyId();
    // Moves the market on (quote steps, news 15 minutes later), then delivers what that
    // queued and runs pending deletions.
    void settle();
    // Nothing runs for any page: no data request, no quote subscription, no live requester.
    void verifyNothingRuns();

    QTemporaryDir m_marketFolder;
    PluginFixture m_fixture;
    std::unique_ptr<MarketData> m_market;
    std::unique_ptr<RunningBackend> m_backend;
    qint64 m_newsAhead = 0;   // seconds the news service's clock runs ahead
    OpenDocument m_open;
};

void tst_DatafeedPage::initTestCase()
{
    m_fixture.addBundle(QLatin1String(PluginId),
                        {{QStringLiteral("plugin.spec"), manifest(QLatin1String(PluginId), "header: [{id: \"go\", type: \"Button\"}],")},
                         {QStringLiteral("index.html"), page(pageScript)}});
    m_fixture.start();
    m_market.reset(new MarketData);
    QVERIFY2(m_market->start(m_marketFolder.path()), qPrintable(m_market->errorString()));
    m_market->simulator()->setAutoAdvance(false);
    FeedApi::Market::MarketBackend *market = m_market->service()->backend();
    market->setClock([this] { return QDateTime::currentDateTimeUtc().addSecs(m_newsAhead); });
    market->poll();
    m_backend.reset(new RunningBackend(market));
}

// Closing the document ends whatever its page left running.
void tst_DatafeedPage::cleanupTestCase()
{
    QCOMPARE(eval(QStringLiteral("feed.request({type: 'quote', rid: 'left', symbol: 'ACME.QB', fields: ['Last']})")).toBool(), true);
    m_open = OpenDocument();
    verifyNothingRuns();
    m_backend.reset();
    m_market.reset();
}

// One page serves every row: each row starts with no answers and ends with nothing running.
void tst_DatafeedPage::init()
{
    if (!m_open.script)
        m_open = m_fixture.open(QLatin1String(PluginId));
    QVERIFY(m_open.script);
    QCOMPARE(eval(QStringLiteral("answers = {}; answerCount = 0; bridgeAtStart")).toString(), QStringLiteral("1.0"));
}

void tst_DatafeedPage::cleanup()
{
    eval(QStringLiteral("feed.clearAll()"));
    settle();
    verifyNothingRuns();
}

void tst_DatafeedPage::answersInPage_data()
{
    QTest::addColumn<QString>("request");   // "%story" stands for a story id
    QTest::addColumn<QString>("probe");     // over the first answer "a", joined with blanks
    QTest::addColumn<QString>("expected");

    // The answer reaches the page through datafeed.response.connect (pageScript), echoing the
    // request exactly as sent (map keys in order) and carrying page values: numbers and dates.
    QTest::newRow("echo-and-conversion") << "{type: 'quote', rid: 'e1', symbol: 'ACME.QB', fields: ['Last', 'TradeTime'],"
           " tag: {n: 2.5, on: true, at: new Date(Date.UTC(2024, 0, 2, 3, 4, 5)), list: [1, 'x']}}"
        << "[JSON.stringify(a.request), typeof a.data.Last, a.data.TradeTime instanceof Date]"
        << R"({"fields":["Last","TradeTime"],"rid":"e1","symbol":"ACME.QB",)"
           R"("tag":{"at":"2024-01-02T03:04:05.000Z","list":[1,"x"],"n":2.5,"on":true},"type":"quote"} number true)";
    QTest::newRow("symbolinfo") << "{type: 'symbolinfo', rid: 's1', symbol: ' ACME.QB ', symbology: 'vmt'}"
        << "[a.result, a.data.formatterId, a.data.ticker, a.data.root, a.data.symbolType,"
           " typeof a.data.mintick, feed.formatter.formatPrice(12.5, a.data.formatterId)]"
        << "ok ACME.QB ACME ACME Stock number 12.50";
    QTest::newRow("quote") << "{type: 'quote', rid: 'q1', symbol: 'ACME.QB',"
           " fields: ['Last', 'BidSize', 'TradeTime', 'TradeDate', 'Description', 'Spread']}"
        << "[a.result, Object.keys(a.data).sort().join('|'), typeof a.data.Last,"
           " typeof a.data.BidSize, a.data.TradeTime instanceof Date,"
           " a.data.TradeDate.toISOString().substr(10), a.data.Description]"
        << "ok BidSize|Description|Last|TradeDate|TradeTime number number true T00:00:00.000Z Acme Industries Inc.";
    QTest::newRow("chain") << "{type: 'chain', rid: 'c1', symbol: 'CL#', isOutright: true}"
        << "[a.result, Array.isArray(a.added), a.added.length > 0, 'data' in a,"
           " a.added.every(function (s) { return /^CL[FGHJKMNQUVXZ]\\d\\d$/.test(s); })]" << "ok true true false true";
    QTest::newRow("history")   // ending on a Wednesday of last year, in the afternoon
        << "{type: 'history', rid: 'h1', symbol: 'ACME.QB', itemsCount: 5,"
           " endDate: new Date(Date.UTC(new Date().getUTCFullYear() - 1, 5, 3, 12, 30, 5)"
           " + (10 - new Date(Date.UTC(new Date().getUTCFullYear() - 1, 5, 3)).getUTCDay()) % 7 * 86400000)}"
        << "[a.result, a.bars.length, a.bars[4].time.getUTCDay(),"
           " a.bars[4].time.toISOString() === sent.endDate.toISOString().substr(0, 11) + '00:00:00.000Z',"
           " a.bars.every(function (b) { return b.time instanceof Date && b.low <= b.high"
           " && [b.open, b.high, b.low, b.close, b.volume].every(function (v) { return typeof v === 'number'; }); })]"
        << "ok 5 3 true true";
    QTest::newRow("news") << "{type: 'news', rid: 'n1', daysBack: 3, historyLimit: 5, categories: []}"
        << "[a.result, typeof a.data.lastNews, a.data.headlines.length,"
           " a.data.headlines.every(function (h) { return h.time instanceof Date"
           " && Array.isArray(h.symbols) && Array.isArray(h.categories) && h.categories.length > 0"
           " && typeof h.text === 'string' && typeof h.source === 'string' && h.storyID.length > 0; })]"
        << "ok boolean 5 true";
    QTest::newRow("newsbody") << "{type: 'newsbody', rid: 'b1', storyId: '%story'}"
        << "[a.result, ['text', 'html', 'url'].indexOf(a.data.type) >= 0, typeof a.data.content, a.data.content.length > 0]"
        << "ok true string true";
}

// The request goes out from the page and its first answer comes back to it, echoing the
// request and carrying page values: dates, numbers, arrays.
void tst_DatafeedPage::answersInPage()
{
    QFETCH(QString, request);
    QFETCH(QString, probe);
    QFETCH(QString, expected);

    if (request.contains(QLatin1String("%story")))
        request.replace(QLatin1String("%story"), storyId());
    QCOMPARE(eval(QStringLiteral("window.sent = %1; feed.request(sent)").arg(request)).toBool(), true);
    QTRY_VERIFY(eval(QStringLiteral("answers[sent.rid] !== undefined")).toBool());
    QCOMPARE(eval(QStringLiteral("same(answers[sent.rid][0].request, sent)")).toBool(), true);
    QCOMPARE(eval(QStringLiteral("(function (a) { return %1.join(' '); })(answers[sent.rid][0])")
                      .arg(probe)).toString(), expected);
    QCOMPARE(eval(QStringLiteral("feed.request({type: 'stop', rid: sent.rid})")).toBool(), true);
}

void tst_DatafeedPage::reloadEndsEveryRequest_data()
{
    QTest::addColumn<bool>("answering");   // reload once every type has answered

    QTest::newRow("before-answers") << false;
    QTest::newRow("while-answering") << true;
}

// A page reloaded while 100 requests of every type run: the requests end, none of their
// answers reaches the new page, and the new page may use the same rids.
void tst_DatafeedPage::reloadEndsEveryRequest()
{
    QFETCH(bool, answering);

    // A handler of the old page must not run for the new one.
    eval(QStringLiteral("feed.response.connect(function () { window.oldHits = (window.oldHits || 0) + 1; })"));
    const QString start = QString::fromLatin1(startAllTypes).arg(storyId());
    if (answering) {
        QCOMPARE(eval(start).toInt(), 600);
        QTRY_VERIFY_WITH_TIMEOUT(
            eval(QStringLiteral("['symbolinfo', 'quote', 'chain', 'history', 'news', 'newsbody']"
                                ".every(function (t) { return answers[t + '99']; })")).toBool(),
            20000);
        settle();
        QVERIFY(m_backend->running() > 0);
        QVERIFY(!m_market->simulator()->symbols().isEmpty());
        QCOMPARE(eval(QStringLiteral("location.reload(); 1")).toInt(), 1);
    } else {
        QCOMPARE(eval(start + QStringLiteral(" + (location.reload(), 0)")).toInt(), 600);
    }
    QVERIFY(m_open.waitForLoad());
    QCOMPARE(eval(QStringLiteral("bridgeAtStart")).toString(), QStringLiteral("1.0"));

    settle();
    verifyNothingRuns();
    QCOMPARE(eval(QStringLiteral("answerCount")).toInt(), 0);

    QCOMPARE(eval(QStringLiteral("feed.request({type: 'quote', rid: 'quote0', symbol: 'ACME.QB',"
                                 " fields: ['Last']})")).toBool(), true);
    QTRY_COMPARE(eval(QStringLiteral("answerCount")).toInt(), 1);
    settle();
    QCOMPARE(eval(QStringLiteral("Object.keys(answers).join() + ' ' + answers.quote0.length + ' '"
                                 " + window.oldHits")).toString(),
             QStringLiteral("quote0 1 undefined"));
}

void tst_DatafeedPage::thousandQuotesCleared_data()
{
    QTest::addColumn<bool>("served");   // clear once every subscription had its first answer

    QTest::newRow("at-once") << false;
    QTest::newRow("after-first-answers") << true;
}

// 1,000 subscriptions, a tenth of them of an unknown symbol, started and cleared in one go.
void tst_DatafeedPage::thousandQuotesCleared()
{
    QFETCH(bool, served);

    if (served) {
        QCOMPARE(eval(QLatin1String(startThousandQuotes)).toInt(), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(eval(QStringLiteral("Object.keys(answers).length")).toInt(),
                                  1000, 20000);
        QCOMPARE(eval(QStringLiteral("Object.keys(answers).filter(function (r) {"
                                     " return answers[r][0].result === 'fail'; }).length")).toInt(),
                 100);
        eval(QStringLiteral("feed.clearAll()"));
    } else {
        QCOMPARE(eval(QStringLiteral("%1 + (feed.clearAll(), 0)").arg(QLatin1String(startThousandQuotes)))
                     .toInt(), 1000);
    }
    const int answered = eval(QStringLiteral("answerCount")).toInt();
    settle();
    verifyNothingRuns();
    QCOMPARE(eval(QStringLiteral("answerCount")).toInt(), answered);

    QCOMPARE(eval(QStringLiteral("feed.request({type: 'quote', rid: 'q0', symbol: 'ACME.QB'})"))
                 .toBool(), true);
}

QString tst_DatafeedPage::storyId()
{
    const bool started = eval(QStringLiteral(
        "feed.request({type: 'news', rid: 'story-source', daysBack: 3, historyLimit: 1})")).toBool();
    const bool answered = started && QTest::qWaitFor([this] {
        return eval(QStringLiteral("answers['story-source'] !== undefined")).toBool();
    });
    if (!answered)
        return QString();
    return eval(QStringLiteral("feed.request({type: 'stop', rid: 'story-source'});"
                               " answers['story-source'][0].data.headlines[0].storyID"))
        .toString();
}

void tst_DatafeedPage::settle()
{
    for (int i = 0; i < 3; ++i)
        m_market->simulator()->step();
    m_newsAhead += 15 * 60;
    m_market->service()->backend()->poll();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void tst_DatafeedPage::verifyNothingRuns()
{
    QCOMPARE(m_backend->running(), 0);
    QCOMPARE(m_market->simulator()->symbols(), QList<QByteArray>());
    QCOMPARE(m_market->simulator()->subscriptions().size(), 0);
    if (m_open.script) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(m_open.script->scriptDatafeed()->findChildren<FeedApi::Requester *>().size(), 0);
    }
}

void tst_DatafeedPage::throwingHandlers_data()
{
    QTest::addColumn<QString>("connect");   // connects window.thrower, which throws
    QTest::addColumn<int>("calls");         // of the thrower, for two answers or triggers
    QTest::addColumn<QString>("trigger");   // a host action or header button; empty: answers

    QTest::newRow("function") << "feed.response.connect(thrower)" << 2 << QString();
    QTest::newRow("this and name") << "feed.response.connect(window, 'thrower')" << 2 << QString();
    QTest::newRow("this and function") << "feed.response.connect(window, thrower)" << 2 << QString();
    // The engine holds signals weakly: garbage makes it collect those the page does not hold.
    QTest::newRow("read after a collection") << "for (var i = 0; i < 2000000; ++i) window.junk = {a: [i]};"
           " window._quorvex_bridge.datafeed.response.connect(thrower)" << 2 << QString();
    QTest::newRow("disconnected after the first")
        << "feed.response.connect(thrower); feed.response.connect(function once() {"
           " feed.response.disconnect(thrower); feed.response.disconnect(once); })" << 1 << QString();
    // The bridge's objects are guarded on the page's first read of each, and stay guarded.
    const QString selectAll = QStringLiteral("_quorvex_bridge.actions.filter(function (a) { return a.objectName === 'selectAll'; })[0]");
    QTest::newRow("action") << selectAll + ".triggered.connect(thrower)" << 2 << "selectAll";
    QTest::newRow("action, list read again") << "var first = " + selectAll + "; " + selectAll + ".triggered.connect(thrower)"
                                             << 2 << "selectAll";
    QTest::newRow("header button") << "_quorvex_bridge.header.controls[0].activated.connect(thrower)" << 2 << "go";
    QTest::newRow("header button, globals changed first")
        << "var b = _quorvex_bridge; delete window._quorvex_bridge_guard; window._quorvex_bridge = null;"
           " b.header.controls[0].activated.connect(thrower)" << 2 << "go";
}

// A handler that throws on an answer from the event loop is reported as uncaught, with its own
// line, and the page and the host go on.
void tst_DatafeedPage::throwingHandlers()
{
    QFETCH(QString, connect);
    QFETCH(int, calls);
    QFETCH(QString, trigger);

    m_open = m_fixture.open(QLatin1String(PluginId));   // a reload keeps the old page's handlers
    eval(QStringLiteral("window.calls = 0; window.errors = [];"
                        "window.onerror = function (message, url, line) { errors.push(message + ' @' + line); };"
                        "window.thrower = function () { ++calls; throw new Error('boom ' + calls); };"));
    eval(connect);
    for (const char *rid : {"throw1", "throw2"}) {
        if (!trigger.isEmpty()) {
            auto *hostAction = m_open.document->documentWidget()->findChild<QAction *>(trigger);
            auto *button = m_open.script->scriptHeader()->findChild<ScriptControl *>(trigger);
            QVERIFY(hostAction || button);
            if (hostAction)
                hostAction->trigger();
            else
                qobject_cast<QAbstractButton *>(button->widget())->click();
            QTest::qWait(10);
            continue;
        }
        eval(QStringLiteral("feed.request({type: 'symbolinfo', rid: '%1', symbol: 'ACME.QB'})")
                 .arg(QLatin1String(rid)));
        QTest::qWait(50);
        settle();
    }
    QTRY_COMPARE(eval(QStringLiteral("errors.length")).toInt(), calls);
    QCOMPARE(eval(QStringLiteral("calls")).toInt(), calls);
    QCOMPARE(eval(QStringLiteral("errors[0]")).toString(), QStringLiteral("Error: boom 1 @1"));
}

QTEST_MAIN(tst_DatafeedPage)
#include "tst_datafeedpage.moc"
