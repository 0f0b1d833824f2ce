#include "echotypes.h"
#include "testsupport.h"

#include <scriptdatafeed/requesterdatafeedhandler.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <errorresponse.h>
#include <requester.h>
#include <rerequestresponse.h>
#include <testbackend.h>

#include <QPointer>
#include <QtTest>

#include <memory>

using FeedApi::Requester;

// A handler of type "echo" written as the real ones are: it reads "symbol", checks the rid,
// builds the requester, binds its data response and the restart, and hands it to the base.
// Every echo is answered with {"request", "result": "ok", "data": text}.
class EchoDatafeedHandler : public RequesterDatafeedHandler
{
    Q_OBJECT

public:
    explicit EchoDatafeedHandler(ErrorDetail detail)
        : RequesterDatafeedHandler(QStringLiteral("echo"), detail) {}

    bool startRequest(const QString &rid, const QVariantMap &request) override
    {
        const QString symbol = request.value(QStringLiteral("symbol")).toString().trimmed();
        if (symbol.isEmpty()) {
            setLastError(QStringLiteral("'symbol' is empty"));
            return false;
        }
        if (refuseDuplicate(rid))
            return false;
        auto *requester = new Requester(EchoRequest(symbol));
        requester->bind(this, &EchoDatafeedHandler::onEcho);
        requester->bind(this, &EchoDatafeedHandler::restartRequest);
        startRequester(rid, request, requester);
        return true;
    }

private:
    void onEcho(Requester *requester, const EchoResponse &echo)
    {
        respond(requester, QStringLiteral("ok"), {{QStringLiteral("data"), echo.text}});
    }
};

namespace {

QVariantMap echo(const QVariant &rid, const QString &symbol = QStringLiteral("IBM"))
{
    return QVariantMap{{"type", "echo"}, {"rid", rid}, {"symbol", symbol}};
}

QVariantMap stop(const QVariant &rid)
{
    return QVariantMap{{"type", "stop"}, {"rid", rid}};
}

} // namespace

class tst_RequesterDatafeedHandler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dataAnswersCarryTheRequest();
    void errorAnswersFail_data();
    void errorAnswersFail();
    void rerequestRestarts();
    void endingSendsNothingMore_data();
    void endingSendsNothingMore();
    void refusals_data();
    void refusals();

private:
    void setUp(RequesterDatafeedHandler::ErrorDetail detail);
    Requester *started(int index) const { return m_backend->records().value(index).requester; }

    std::unique_ptr<FeedApi::TestBackend> m_backend;
    RecordingChannel m_channel;
    std::unique_ptr<ScriptDatafeed> m_datafeed;
    QPointer<EchoDatafeedHandler> m_handler;
    std::unique_ptr<QSignalSpy> m_responses;
};

void tst_RequesterDatafeedHandler::init()
{
    m_backend.reset(new FeedApi::TestBackend);
    m_channel.clear();
    setUp(RequesterDatafeedHandler::ErrorDetail::CodeAndMessage);
}

void tst_RequesterDatafeedHandler::cleanup()
{
    m_responses.reset();
    m_datafeed.reset();
    m_backend.reset();
}

void tst_RequesterDatafeedHandler::setUp(RequesterDatafeedHandler::ErrorDetail detail)
{
    m_responses.reset();
    m_datafeed.reset(new ScriptDatafeed(&m_channel, nullptr, ScriptDatafeed::Handlers::None));
    m_handler = new EchoDatafeedHandler(detail);
    m_datafeed->registerDatafeedHandler(m_handler);
    m_responses.reset(new QSignalSpy(m_datafeed.get(), &ScriptDatafeed::response));
}

// The requester carries the script's map as "_request" and belongs to the handler. Answers
// echo that map exactly as sent (a number rid stays a number) and keep coming until stopped.
void tst_RequesterDatafeedHandler::dataAnswersCarryTheRequest()
{
    const QVariantMap request = echo(7.0, QStringLiteral(" IBM "));
    QVERIFY(m_datafeed->request(request));
    Requester *requester = started(0);
    QCOMPARE(requester->requestAs<EchoRequest>()->symbol, QStringLiteral("IBM"));
    QCOMPARE(requester->property("_request").toMap(), request);
    QCOMPARE(requester->parent(), m_handler.data());

    QVERIFY(m_backend->respond(requester, EchoResponse("one")));
    QVERIFY(m_backend->respond(requester, EchoResponse("two")));
    QCOMPARE(m_responses->count(), 0);
    QTRY_COMPARE(m_responses->count(), 2);
    QCOMPARE(m_responses->at(0).first().toMap(),
             (QVariantMap{{"request", request}, {"result", "ok"}, {"data", "one"}}));
    QCOMPARE(m_responses->at(1).first().toMap().value("data").toString(), QStringLiteral("two"));
    QCOMPARE(m_backend->endedCount(), 0);
}

void tst_RequesterDatafeedHandler::errorAnswersFail_data()
{
    QTest::addColumn<bool>("withMessage");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVariantMap>("error");

    QTest::newRow("code-and-message") << true << int(FeedApi::ErrorResponse::UnknownSymbol)
        << QVariantMap{{"errorCode", 1}, {"errorMessage", "Unknown symbol"}};
    QTest::newRow("code-not-known")
        << true << 42 << QVariantMap{{"errorCode", 42}, {"errorMessage", "Unknown error (42)"}};
    QTest::newRow("code-only") << false << int(FeedApi::ErrorResponse::Timeout)
                               << QVariantMap{{"errorCode", 6}};
}

// An error answers "fail"; the requester stays until the script stops it.
void tst_RequesterDatafeedHandler::errorAnswersFail()
{
    QFETCH(bool, withMessage);
    QFETCH(int, code);
    QFETCH(QVariantMap, error);

    setUp(withMessage ? RequesterDatafeedHandler::ErrorDetail::CodeAndMessage
                      : RequesterDatafeedHandler::ErrorDetail::CodeOnly);
    const QVariantMap request = echo("e");
    QVERIFY(m_datafeed->request(request));
    QVERIFY(m_backend->respond(started(0), FeedApi::ErrorResponse(code, 1, "feed")));
    QTRY_COMPARE(m_responses->count(), 1);
    QCOMPARE(m_responses->first().first().toMap(),
             (QVariantMap{{"request", request}, {"result", "fail"}, {"error", error}}));
    QCOMPARE(m_backend->endedCount(), 0);
    QVERIFY(m_datafeed->request(stop("e")));
    QCOMPARE(m_backend->endedCount(), 1);
    QCOMPARE(m_channel.lines, QStringList());
}

// A rerequest replaces the requester by a fresh start of the same request: no "fail", no
// "restart"; the old requester ends, answers resume from the new one, the rid still stops.
void tst_RequesterDatafeedHandler::rerequestRestarts()
{
    const QVariantMap request = echo("r");
    QVERIFY(m_datafeed->request(request));
    Requester *first = started(0);
    QVERIFY(m_backend->respond(first, FeedApi::RerequestResponse()));
    QTRY_COMPARE(m_backend->startedCount(), 2);
    QVERIFY(m_backend->records().at(0).ended);
    QVERIFY(!m_backend->respond(first, EchoResponse("stale")));

    Requester *second = started(1);
    QCOMPARE(second->property("_request").toMap(), request);
    QVERIFY(m_backend->respond(second, EchoResponse("fresh")));
    QTRY_COMPARE(m_responses->count(), 1);
    QCOMPARE(m_responses->first().first().toMap(),
             (QVariantMap{{"request", request}, {"result", "ok"}, {"data", "fresh"}}));
    QVERIFY(m_datafeed->request(stop("r")));
    QCOMPARE(m_backend->endedCount(), 2);
    QCOMPARE(m_channel.lines, QStringList());
}

void tst_RequesterDatafeedHandler::endingSendsNothingMore_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("stop") << "stop" << QStringList();
    QTest::newRow("clearAll-then-stop")
        << "clearAll" << QStringList{"datafeed: request failed, unknown 'rid' (a) for request\n"};
    QTest::newRow("datafeed-destroyed") << "destroy" << QStringList();
}

// Answers queued when a request ends (data, error, rerequest) are never delivered; the
// backend hears of every end; the rid is free again afterwards.
void tst_RequesterDatafeedHandler::endingSendsNothingMore()
{
    QFETCH(QString, how);
    QFETCH(QStringList, lines);

    QVERIFY(m_datafeed->request(echo("a")));
    QVERIFY(m_datafeed->request(echo("b")));
    QVERIFY(m_backend->respond(started(0), EchoResponse("queued")));
    QVERIFY(m_backend->respond(started(1), FeedApi::ErrorResponse(1, 1, "feed")));
    QVERIFY(m_backend->respond(started(1), FeedApi::RerequestResponse()));

    if (how == "clearAll") {
        m_datafeed->clearAll();
        QVERIFY(!m_datafeed->request(stop("a")));
    } else if (how == "destroy") {
        m_responses.reset();
        m_datafeed.reset();
        QVERIFY(m_handler.isNull());
    } else {
        QVERIFY(m_datafeed->request(stop("a")));
        QVERIFY(m_datafeed->request(stop("b")));
    }
    QCOMPARE(m_backend->endedCount(), 2);
    QTest::qWait(20);
    QCOMPARE(m_backend->startedCount(), 2);
    QCOMPARE(m_channel.lines, lines);
    if (m_datafeed) {
        QCOMPARE(m_responses->count(), 0);
        QVERIFY(m_datafeed->request(echo("a")));
        QCOMPARE(m_backend->running().size(), 1);
    }
}

void tst_RequesterDatafeedHandler::refusals_data()
{
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("line");

    const QString duplicate = QStringLiteral("datafeed: 'echo' request failed, duplicated 'rid' (1)\n");
    QTest::newRow("duplicated-rid") << echo("1") << duplicate;
    QTest::newRow("duplicated-number-rid") << echo(1.0) << duplicate;
    QTest::newRow("own-key-checked-first")
        << echo("1", QStringLiteral(" ")) << "datafeed: 'echo' request failed, 'symbol' is empty\n";
}

// With rid "1" running, each refusal is one line and starts and answers nothing; the handler
// refuses to stop a rid it does not run.
void tst_RequesterDatafeedHandler::refusals()
{
    QFETCH(QVariantMap, request);
    QFETCH(QString, line);

    QVERIFY(m_datafeed->request(echo("1")));
    QVERIFY(!m_datafeed->request(request));
    QCOMPARE(m_channel.lines, QStringList{line});
    QCOMPARE(m_backend->startedCount(), 1);
    QVERIFY(!m_handler->stopRequest(QStringLiteral("9")));
    QCOMPARE(m_handler->lastError(), QStringLiteral("unknown 'rid' (9) for request"));
    QCOMPARE(m_backend->endedCount(), 0);
    QTest::qWait(10);
    QCOMPARE(m_responses->count(), 0);
}

QTEST_MAIN(tst_RequesterDatafeedHandler)
#include "tst_requesterdatafeedhandler.moc"
