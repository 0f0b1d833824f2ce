#include "testsupport.h"

#include <scriptdatafeed/abstractscriptdatafeedhandler.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <QMetaProperty>
#include <QSet>
#include <QWebFrame>
#include <QWebPage>
#include <QtTest>

#include <memory>

namespace {

const QVariantMap Typed{{"time", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 250), Qt::UTC)},
                        {"volume", qulonglong(1) << 40}, {"symbols", QStringList{"A", "\u00dc"}}, {"none", QVariant()}};

// Writes every call it gets to a shared list ("quote start 1"). It refuses a start whose map
// has "refuse" (with that text as reason) or whose rid runs, and a stop of a rid it does not
// run, with the texts of the real handlers; it answers an accepted map's "answer" at once.
class RecordingHandler : public AbstractScriptDatafeedHandler
{
public:
    RecordingHandler(const QString &type, QStringList *calls)
        : AbstractScriptDatafeedHandler(type), m_calls(calls) {}

    bool startRequest(const QString &rid, const QVariantMap &request) override
    {
        *m_calls << type() + " start " + rid;
        lastRequest = request;
        if (request.contains("refuse")) {
            setLastError(request.value("refuse").toString());
            return false;
        }
        if (m_running.contains(rid)) {
            setLastError(QStringLiteral("duplicated 'rid' (%1)").arg(rid));
            return false;
        }
        m_running.insert(rid);
        if (request.contains("answer")) {
            const QVariant answer = request.value("answer") == "typed" ? QVariant(Typed) : request.value("answer");
            emit response({{"request", request}, {"result", "ok"}, {"data", answer}});
        }
        return true;
    }

    bool stopRequest(const QString &rid) override
    {
        *m_calls << type() + " stop " + rid;
        if (m_running.remove(rid))
            return true;
        setLastError(QStringLiteral("unknown 'rid' (%1) for request").arg(rid));
        return false;
    }

    void clearAll() override
    {
        *m_calls << type() + " clearAll";
        m_running.clear();
    }

    QVariantMap lastRequest;

private:
    QStringList *m_calls;
    QSet<QString> m_running;
};

QString line(const QString &message, const QString &detail)
{
    return "datafeed: " + message + ", " + detail + "\n";
}

QVariantMap request(const QVariant &type, const QVariant &rid)
{
    return QVariantMap{{"type", type}, {"rid", rid}};
}

const QString NoType = line("request failed", "'rtype' not specified or empty");
const QString NoQuoteRid = line("'quote' request failed", "'rid' is empty");

QString noHandler(const QString &type)
{
    return line("request failed", "there are no handlers registered which are able to "
                                  "process request '" + type + "'");
}

QString notRunning(const QString &type, const QString &rid)
{
    return line("'" + type + "' request failed", "no requests running with 'rid=" + rid + "'");
}

} // namespace

using RequestList = QList<QVariantMap>;
using ResultList = QList<bool>;
Q_DECLARE_METATYPE(RequestList)
Q_DECLARE_METATYPE(ResultList)

class tst_ScriptDatafeed : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_datafeed.reset();
        m_channel.clear();
        m_calls.clear();
        m_datafeed.reset(new ScriptDatafeed(&m_channel, nullptr, ScriptDatafeed::Handlers::None));
        m_quote = new RecordingHandler("quote", &m_calls);
        m_datafeed->registerDatafeedHandler(m_quote);
        m_datafeed->registerDatafeedHandler(new RecordingHandler("news", &m_calls));
    }

    void requests_data()
    {
        QTest::addColumn<RequestList>("requests");
        QTest::addColumn<ResultList>("results");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("calls");

        const auto row = [](const char *name, const RequestList &requests,
                            const ResultList &results, const QStringList &lines,
                            const QStringList &calls) {
            QTest::newRow(name) << requests << results << lines << calls;
        };
        const QVariantMap nested{{"type", "quote"}, {"rid", "n"},
            {"fields", QVariantMap{{"a", QVariantList{1, QVariantMap{{"b", QVariant()}}}}}}};
        const QVariantMap refused{{"type", "quote"}, {"rid", "1"}, {"refuse", "'x' is empty"}};

        // Malformed frames: every key missing, null, empty or of another type.
        row("type-missing", {QVariantMap{{"rid", "1"}}}, {false}, {NoType}, {});
        row("type-empty", {request("", "1")}, {false}, {NoType}, {});
        row("type-list", {request(QVariantList{"quote"}, "1")}, {false}, {NoType}, {});
        row("type-number", {request(5, "1")}, {false}, {noHandler("5")}, {});
        row("type-unknown", {request("bars", "1")}, {false}, {noHandler("bars")}, {});
        row("type-case-sensitive", {request("Quote", "1")}, {false}, {noHandler("Quote")}, {});
        row("rid-missing", {QVariantMap{{"type", "quote"}}}, {false}, {NoQuoteRid}, {});
        row("rid-empty", {request("quote", "")}, {false}, {NoQuoteRid}, {});
        row("rid-list", {request("quote", QVariantList{"1"})}, {false}, {NoQuoteRid}, {});
        row("rid-before-handler", {QVariantMap{{"type", "bars"}}}, {false},
            {line("'bars' request failed", "'rid' is empty")}, {});
        // Accepted frames: a number rid is taken as its shortest text (5.0 is "5"); the handler
        // gets the whole map.
        row("rid-fraction", {request("quote", 1.25)}, {true}, {}, {"quote start 1.25"});
        row("rid-int", {request("quote", 7)}, {true}, {}, {"quote start 7"});
        row("nested-maps", {nested}, {true}, {}, {"quote start n"});
        // Stopping.
        row("stop-unknown-rid", {request("stop", "9")}, {false}, {notRunning("stop", "9")}, {});
        row("STOP-in-capitals", {request("quote", "1"), request("STOP", "1")}, {true, true}, {},
            {"quote start 1", "quote stop 1"});
        row("stop-twice", {request("news", "1"), request("sToP", "1"), request("Stop", "1")},
            {true, true, false}, {notRunning("Stop", "1")}, {"news start 1", "news stop 1"});
        row("duplicate-rid-in-handler", {request("quote", "1"), request("quote", "1")},
            {true, false}, {line("'quote' request failed", "duplicated 'rid' (1)")},
            {"quote start 1", "quote start 1"});
        row("same-rid-in-two-handlers",
            {request("quote", "1"), request("news", "1"), request("stop", "1"), request("stop", "1")},
            {true, true, true, false}, {notRunning("stop", "1")},
            {"quote start 1", "news start 1", "news stop 1"});
        row("rid-free-after-stop", {request("quote", "1"), request("stop", "1"), request("quote", "1")},
            {true, true, true}, {}, {"quote start 1", "quote stop 1", "quote start 1"});
        row("refused-start-not-remembered", {refused, request("stop", "1")}, {false, false},
            {line("'quote' request failed", "'x' is empty"), notRunning("stop", "1")},
            {"quote start 1"});
        row("number-rid-stopped-by-text", {request("quote", 5.0), request("stop", "5")},
            {true, true}, {}, {"quote start 5", "quote stop 5"});
    }

    // Each request returns its result; a refusal writes exactly one line and is never answered.
    void requests()
    {
        QFETCH(RequestList, requests);
        QFETCH(ResultList, results);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, calls);

        QSignalSpy responses(m_datafeed.get(), &ScriptDatafeed::response);
        ResultList actual;
        for (const QVariantMap &request : requests)
            actual << m_datafeed->request(request);
        QCOMPARE(actual, results);
        QCOMPARE(m_channel.lines, lines);
        QCOMPARE(m_calls, calls);
        if (calls.size() == 1)
            QCOMPARE(m_quote->lastRequest, requests.first());
        QCOMPARE(responses.count(), 0);
    }

    // clearAll reaches every handler in type order; the router still knows the rids, so a later
    // "stop" reaches the handler, which refuses it, and then the rid is gone. Destroying the
    // datafeed clears first.
    void clearAllKeepsRidsForStop()
    {
        QVERIFY(m_datafeed->request(request("quote", "1")));
        QVERIFY(m_datafeed->request(request("news", "2")));
        m_datafeed->clearAll();
        QVERIFY(!m_datafeed->request(request("stop", "1")));
        QVERIFY(!m_datafeed->request(request("stop", "1")));
        QCOMPARE(m_channel.lines, QStringList({line("request failed", "unknown 'rid' (1) for request"),
                                               notRunning("stop", "1")}));
        QVERIFY(m_datafeed->request(request("quote", "1")));
        m_datafeed.reset();
        QCOMPARE(m_calls, QStringList({"quote start 1", "news start 2", "news clearAll",
                                       "quote clearAll", "quote stop 1", "quote start 1",
                                       "news clearAll", "quote clearAll"}));
    }

    void registrationRefusals_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("condition");

        QTest::newRow("null-handler") << QString() << "handler";
        QTest::newRow("empty-type") << "" << "!handler->type().isEmpty()";
        QTest::newRow("registered-type") << "quote" << "!m_datafeedHandlers.contains(handler->type())";
    }

    // A refused registration is an assertion report; the handler is not taken and requests keep
    // going to the handler registered first.
    void registrationRefusals()
    {
        QFETCH(QString, type);
        QFETCH(QString, condition);

        std::unique_ptr<RecordingHandler> handler;
        if (!type.isNull())
            handler.reset(new RecordingHandler(type, &m_calls));
        LogCapture capture;
        m_datafeed->registerDatafeedHandler(handler.get());
        QCOMPARE(capture.texts("Assert"), QStringList{condition});
        QVERIFY(!handler || !handler->parent());
        QVERIFY(m_datafeed->request(request("quote", "1")));
        QCOMPARE(m_calls, QStringList{"quote start 1"});
    }

    void scriptCalls_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("heard"); // the answers as JSON, a Date written "Date <ISO text>"

        const auto row = [](const char *name, const char *argument, const char *result, const QStringList &lines,
                            const QStringList &calls, const char *heard = "") {
            QTest::newRow(name) << argument << result << lines << calls << QString(heard);
        };
        row("array", "[1, 2]", "false", {NoType}, {});
        // Arguments that are no object never reach the datafeed: the bridge throws in the page.
        row("null", "null", "Error", {}, {});
        row("number", "42", "Error", {}, {});
        // Answers reach the page through datafeed.response.connect with the request echoed.
        row("answer of typed values", "{type: 'news', rid: 'p', answer: 'typed'}", "true", {}, {"news start p"},
            "{\"data\":{\"none\":null,\"symbols\":[\"A\",\"\u00dc\"],\"time\":\"Date 2024-03-15T14:30:05.250Z\","
            "\"volume\":1099511627776},\"request\":{\"answer\":\"typed\",\"rid\":\"p\",\"type\":\"news\"},"
            "\"result\":\"ok\"}");
        row("answer of page values",
            "{type: 'quote', rid: 7, answer: {d: new Date(Date.UTC(2024, 2, 15, 14, 30, 5)), n: 2.5}}",
            "true", {}, {"quote start 7"},
            "{\"data\":{\"d\":\"Date 2024-03-15T14:30:05.000Z\",\"n\":2.5},\"request\":{\"answer\":{\"d\":"
            "\"Date 2024-03-15T14:30:05.000Z\",\"n\":2.5},\"rid\":7,\"type\":\"quote\"},\"result\":\"ok\"}");
    }

    // The same refusals and answers when a page calls the datafeed with JavaScript values.
    void scriptCalls()
    {
        QFETCH(QString, argument);
        QFETCH(QString, result);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, calls);
        QFETCH(QString, heard);

        QWebPage page;
        page.mainFrame()->addToJavaScriptWindowObject(QStringLiteral("datafeed"), m_datafeed.get());
        page.mainFrame()->evaluateJavaScript("var heard = []; datafeed.response.connect(function (a) { heard.push("
            "JSON.stringify(a, function (k, v) { return this[k] instanceof Date ? 'Date ' + v : v; })); });");
        const QVariant answer = page.mainFrame()->evaluateJavaScript(
            "(function() { try { return String(datafeed.request(" + argument + ")); }"
            " catch (e) { return e.name; } })()");
        QCOMPARE(answer.toString(), result);
        QCOMPARE(m_channel.lines, lines);
        QCOMPARE(m_calls, calls);
        QCOMPARE(page.mainFrame()->evaluateJavaScript("heard.join('\\n')").toString(), heard);
    }

private:
    RecordingChannel m_channel;
    QStringList m_calls;
    std::unique_ptr<ScriptDatafeed> m_datafeed;
    RecordingHandler *m_quote = nullptr;
};

QTEST_MAIN(tst_ScriptDatafeed)
#include "tst_scriptdatafeed.moc"
