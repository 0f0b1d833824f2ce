#include "datafeedfixture.h"

#include <scriptdatafeed/symbolrequesthelper.h>

#include <errorresponse.h>
#include <rerequestresponse.h>
#include <symbolkit/date.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <symbolupdateresponse.h>

#include <QtTest>

#include <memory>

using Common::RecordData;
using Common::SymbolRecord;

namespace {

// A record of text and type with further columns.
SymbolRecord record(const QByteArray &text, int type,
                    std::initializer_list<std::pair<int, RecordData>> columns = {})
{
    SymbolRecord record = symbolRecord(text, type);
    for (const auto &column : columns)
        record.setValue(column.first, column.second);
    return record;
}

RecordData number(int value) { return RecordData::fromInt32(value); }

const std::initializer_list<std::pair<int, RecordData>> December2027 = {
    {SymbolRecord::ExpirationYear, number(2027)}, {SymbolRecord::ExpirationMonth, number(12)},
    {SymbolRecord::ExpirationDay, number(17)}, {SymbolRecord::Expired, RecordData::fromBool(true)}};

// The information of text: formatter id, default tick and type name, then more.
QVariantMap info(const char *text, const char *type, QVariantMap more)
{
    more.insert("formatterId", text);
    more.insert("symbolType", type);
    if (!more.contains("mintick"))
        more.insert("mintick", 0.01);
    return more;
}

QVariantMap expiration(const char *text, const char *code = "Z", const char *month = "December")
{
    return {{"expiration", text}, {"expirationMonthCode", code}, {"expirationMonthString", month},
            {"expirationYear", 2027}, {"expired", true},
            {"expirationDate", QDateTime(QDate(2027, 12, 17), QTime(0, 0), Qt::UTC)}};
}

QVariantMap joined(QVariantMap map, const QVariantMap &more)
{
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

} // namespace

class tst_SymbolDatafeedHandler : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SymbolKit::Date::setCurrentDateOverride(SymbolKit::Date(2025, 6, 2)); }
    void cleanupTestCase() { SymbolKit::Date::setCurrentDateOverride(SymbolKit::Date()); }
    void init() { m_feed.reset(); m_feed.reset(new DatafeedFixture); }
    void information_data();
    void information();
    void requestKeys_data();
    void requestKeys();
    void laterAnswers_data();
    void laterAnswers();
    void helperLookups_data();
    void helperLookups();

private:
    std::unique_ptr<DatafeedFixture> m_feed;
};

void tst_SymbolDatafeedHandler::information_data()
{
    QTest::addColumn<SymbolRecord>("record");
    QTest::addColumn<QVariantMap>("data");

    QTest::newRow("stock on QB: ticker is the root") << record("ACME.QB", 14)
        << info("ACME.QB", "Stock", {{"root", "ACME"}, {"ticker", "ACME"}});
    QTest::newRow("stock on a one-letter exchange") << record("NRTH.N", 14)
        << info("NRTH.N", "Stock", {{"root", "NRTH"}, {"ticker", "NRTH"}});
    QTest::newRow("stock on a longer exchange, with its tick")
        << record("VRDN.XPAR", 14, {{SymbolRecord::MinTick, RecordData::fromDouble(0.05)}})
        << info("VRDN.XPAR", "Stock", {{"root", "VRDN"}, {"ticker", "VRDN.XPAR"}, {"mintick", 0.05}});
    QTest::newRow("stock option: no regional part in the ticker, ISO expiration")
        << record("ACME 271217C150/EU", 15, December2027)
        << info("ACME 271217C150/EU", "StockOption",
                joined({{"root", "ACME"}, {"ticker", "ACME 271217C150"}}, expiration("2027-12-17")));
    SymbolRecord futures = record("CLZ27", 3, December2027);
    futures.setValue(SymbolRecord::SubType, number(4));
    const QVariantMap futuresInfo =
        info("CLZ27", "Futures", {{"root", "CL"}, {"ticker", "CLZ27"}, {"subType", "FuturesContinuous"}});
    QTest::newRow("futures: long expiration") << futures << joined(futuresInfo, expiration("Dec 2027"));
    futures.setValue(SymbolRecord::ExpirationMonth, number(13));
    QTest::newRow("month 13: undefined names") << futures
        << joined(futuresInfo, joined(expiration("", "Undefined", "Undefined"),
                                      {{"expirationDate", QDateTime()}}));
    futures.setValue(SymbolRecord::ExpirationMonth, RecordData());
    QTest::newRow("no expiration month: no expiration keys") << futures << futuresInfo;
    QTest::newRow("bond with its term")
        << record("BND10Y", 1, {{SymbolRecord::TermPeriod, number(10)}, {SymbolRecord::TermType, number(4)}})
        << info("BND10Y", "Bond", {{"root", "BND"}, {"ticker", "BND10Y"}, {"termType", "Year"},
                                   {"termPeriod", 10}, {"term", "10 Years"}});
    QTest::newRow("user-defined spread: chain flag, no root")
        << record("=ACME.QB-NRTH.N", 17, {{SymbolRecord::LegSymbol, RecordData::fromByteString("ACME.QB")},
                                          {SymbolRecord::SpreadChainAllowed, RecordData::fromBool(true)}})
        << info("=ACME.QB-NRTH.N", "UserDefinedSpread",
                {{"spreadChainAllowed", true}, {"ticker", "=ACME.QB-NRTH.N"}});
    SymbolRecord spread = record("=CLZ27-CLH28", 17, December2027);
    spread.setValue(SymbolRecord::LegSymbol, RecordData::fromByteString("CLZ27"));
    QTest::newRow("spread of futures: expiration read from its leg") << spread
        << info("=CLZ27-CLH28", "UserDefinedSpread",
                joined({{"spreadChainAllowed", false}, {"ticker", "=CLZ27-CLH28"}}, expiration("Dec 2027")));
    QTest::newRow("type 12 is undefined") << record("QIX", 12)
        << info("QIX", "Undefined", {{"root", ""}, {"ticker", "QIX"}});
    QTest::newRow("historical contract: root of its root") << record("CL#@-30", 28)
        << info("CL#@-30", "HistoricalContractDaysBack", {{"root", "CL"}, {"ticker", "CL#@-30"}});
}

// Every SymbolResponse answers "ok" with the information of its record; a month outside 1 to
// 12 is reported as an assertion.
void tst_SymbolDatafeedHandler::information()
{
    QFETCH(SymbolRecord, record);
    QFETCH(QVariantMap, data);

    LogCapture log;
    const QVariantMap sent = request("symbolinfo", "s", {{"symbol", "X"}});
    QVERIFY(m_feed->datafeed.request(sent));
    QVERIFY(m_feed->respond(0, FeedApi::SymbolResponse(record)));
    QCOMPARE(m_feed->answers(), QList<QVariantMap>{answer(sent, "ok", {{"data", data}})});
    const bool unknownMonth = data.value("expirationMonthCode") == QVariant("Undefined");
    QCOMPARE(log.texts("Assert"), unknownMonth ? QStringList{"Unknown expiration type"} : QStringList());
}

void tst_SymbolDatafeedHandler::requestKeys_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<int>("symbology");
    QTest::addColumn<QStringList>("diagnostics");

    QTest::newRow("symbol trimmed, vmt by default")
        << QVariantMap{{"symbol", " ACME.QB "}} << QByteArray("ACME.QB") << 0 << QStringList();
    QTest::newRow("symbol as Latin-1")
        << QVariantMap{{"symbol", "CAF\u00c9"}} << QByteArray("CAF\xc9") << 0 << QStringList();
    const char *const names[] = {"vmt", "cusip", "sedol", "isin", "vmt-extended"};
    for (int value = 0; value < 5; ++value)
        QTest::newRow(names[value]) << QVariantMap{{"symbol", "A"}, {"symbology", names[value]}}
                                    << QByteArray("A") << value << QStringList();
    QTest::newRow("ISIN in capitals") << QVariantMap{{"symbol", "A"}, {"symbology", "ISIN"}}
        << QByteArray("A") << 0 << QStringList{"Incorrect symbology requested ISIN"};
    QTest::newRow("nested symbology") << QVariantMap{{"symbol", "A"}, {"symbology", QVariantMap{{"isin", 3}}}}
        << QByteArray("A") << 0 << QStringList{"Incorrect symbology requested "};
}

void tst_SymbolDatafeedHandler::requestKeys()
{
    QFETCH(QVariantMap, keys);
    QFETCH(QByteArray, symbol);
    QFETCH(int, symbology);
    QFETCH(QStringList, diagnostics);

    LogCapture log;
    QVERIFY(m_feed->datafeed.request(request("symbolinfo", 1, keys)));
    QVERIFY(m_feed->sent<FeedApi::SymbolRequest>(0));
    QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbol(), symbol);
    QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbology(), symbology);
    QCOMPARE(log.texts("Tessel.SymboldataFeedHandler"), diagnostics);
    QCOMPARE(m_feed->started(0)->property("_request").toMap(), request("symbolinfo", 1, keys));
}

void tst_SymbolDatafeedHandler::laterAnswers_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariantMap>("payload");

    QTest::newRow("record changed: restart") << "update" << QVariantMap{{"result", "restart"}};
    QTest::newRow("sent again: restart") << "rerequest" << QVariantMap{{"result", "restart"}};
    QTest::newRow("error: fail with message") << "error" << QVariantMap{
        {"result", "fail"}, {"error", QVariantMap{{"errorCode", 1}, {"errorMessage", "Unknown symbol"}}}};
}

// "restart" and "fail" keep the request running: a later record still answers "ok".
void tst_SymbolDatafeedHandler::laterAnswers()
{
    QFETCH(QString, kind);
    QFETCH(QVariantMap, payload);

    const QVariantMap sent = request("symbolinfo", "s", {{"symbol", "CLZ27"}});
    QVERIFY(m_feed->datafeed.request(sent));
    if (kind == "update")
        QVERIFY(m_feed->respond(0, FeedApi::SymbolUpdateResponse(record("CLZ27", 3))));
    else if (kind == "rerequest")
        QVERIFY(m_feed->respond(0, FeedApi::RerequestResponse()));
    else
        QVERIFY(m_feed->respond(0, FeedApi::ErrorResponse(1, 1, "feed")));
    QVERIFY(m_feed->respond(0, FeedApi::SymbolResponse(record("CLZ27", 3))));
    const QList<QVariantMap> answers = m_feed->answers();
    QCOMPARE(answers.size(), 2);
    QCOMPARE(answers.first(), joined(payload, {{"request", sent}}));
    QCOMPARE(answers.last().value("result"), QVariant("ok"));
    QCOMPARE(m_feed->backend.startedCount(), 1);
    QCOMPARE(m_feed->backend.endedCount(), 0);
}

void tst_SymbolDatafeedHandler::helperLookups_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("trace");

    QTest::newRow("a second request joins the running one") << QStringList{"request A", "request A", "answer A"}
        << QStringList{"start A", "end A", "ready A"};
    QTest::newRow("an answered symbol may be asked again") << QStringList{"request A", "answer A", "request A"}
        << QStringList{"start A", "end A", "ready A", "start A"};
    QTest::newRow("symbols are separate") << QStringList{"request A", "request B", "answer B"}
        << QStringList{"start A", "start B", "end B", "ready B"};
    QTest::newRow("failure") << QStringList{"request A", "fail A"}
        << QStringList{"start A", "end A", "failed A 4"};
    QTest::newRow("stopped: no answer reaches it") << QStringList{"request A", "stop A", "answer A"}
        << QStringList{"start A", "end A", "cancelled A", "unanswerable A"};
    QTest::newRow("stopping a symbol not running") << QStringList{"stop A"}
        << QStringList{"assert m_requesters.contains(symbol)"};
    QTest::newRow("destroyed: ends all, tells nobody") << QStringList{"request A", "request B", "destroy"}
        << QStringList{"start A", "start B", "end A", "end B"};
}

// Each lookup asks with symbology "vmt-extended" and answers once.
void tst_SymbolDatafeedHandler::helperLookups()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, trace);

    FeedApi::TestBackend backend;
    QStringList seen;
    QMap<QString, FeedApi::Requester *> requesters;
    QObject context;
    connect(&backend, &FeedApi::TestBackend::requestStarted, &context, [&](FeedApi::Requester *r) {
        const auto *sent = r->requestAs<FeedApi::SymbolRequest>();
        requesters.insert(QString::fromLatin1(sent->symbol()), r);
        seen << QStringLiteral("start %1").arg(QString::fromLatin1(sent->symbol()))
                    + (sent->symbology() == 4 ? "" : " ?");
    });
    connect(&backend, &FeedApi::TestBackend::requestEnded, &context, [&](FeedApi::Requester *r) {
        seen << "end " + QString::fromLatin1(r->requestAs<FeedApi::SymbolRequest>()->symbol());
    });
    auto helper = std::make_unique<SymbolRequestHelper>();
    connect(helper.get(), &SymbolRequestHelper::symbolRequestReady, &context,
            [&](const QByteArray &symbol, const FeedApi::SymbolResponse &response) {
                seen << "ready " + QString::fromLatin1(response.record().value(0).toByteString());
                QCOMPARE(response.record(), record(symbol, 14));
            });
    connect(helper.get(), &SymbolRequestHelper::symbolRequestFailed, &context,
            [&](const QByteArray &symbol, const FeedApi::ErrorResponse &error) {
                seen << QStringLiteral("failed %1 %2").arg(QString::fromLatin1(symbol)).arg(error.error());
            });
    connect(helper.get(), &SymbolRequestHelper::symbolRequestCancelled, &context,
            [&](const QByteArray &symbol) { seen << "cancelled " + QString::fromLatin1(symbol); });

    LogCapture log;
    for (const QString &step : steps) {
        const QString symbol = step.section(' ', 1);
        FeedApi::Requester *requester = requesters.value(symbol);
        if (step.startsWith("request"))
            helper->requestSymbol(symbol.toLatin1());
        else if (step.startsWith("stop"))
            helper->stopSymbolRequest(symbol.toLatin1());
        else if (step == "destroy")
            helper.reset();
        else if (!(step.startsWith("answer")
                       ? backend.respond(requester, FeedApi::SymbolResponse(record(symbol.toLatin1(), 14)))
                       : backend.respond(requester, FeedApi::ErrorResponse(4, 2, ""))))
            seen << "unanswerable " + symbol;
        QCoreApplication::processEvents();
    }
    for (const QString &assertion : log.texts("Assert"))
        seen << "assert " + assertion;
    QCOMPARE(seen, trace);
}

QTEST_MAIN(tst_SymbolDatafeedHandler)
#include "tst_symboldatafeedhandler.moc"
