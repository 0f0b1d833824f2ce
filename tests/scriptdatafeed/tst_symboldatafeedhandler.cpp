#include "datafeedfixture.h"

#include <scriptdatafeed/symbolrequesthelper.h>

#include <symbolkit/date.h>
#include <symbolupdateresponse.h>

#include <QtTest>

using Common::RecordData;
using Common::SymbolRecord;

namespace {

RecordData number(int value) { return RecordData::fromInt32(value); }

const std::initializer_list<std::pair<int, RecordData>> December2027 = {
    {SymbolRecord::ExpirationYear, number(2027)}, {SymbolRecord::ExpirationMonth, number(12)},
    {SymbolRecord::ExpirationDay, number(17)}, {SymbolRecord::Expired, RecordData::fromBool(true)}};

// The information of text: formatter id, type name, root (none for null), ticker, tick 0.01
// unless given, then the rest.
QVariantMap info(const char *text, const char *type, const char *root, const char *ticker, QVariantMap more = {})
{
    more.insert("formatterId", text);
    more.insert("symbolType", type);
    more.insert("ticker", ticker);
    if (root)
        more.insert("root", root);
    if (!more.contains("mintick"))
        more.insert("mintick", 0.01);
    return more;
}

// Adds the expiration keys of December 17, 2027, expired, with expiration text and month names.
QVariantMap expiring(QVariantMap map, const char *text, const char *code = "Z", const char *month = "December")
{
    const QVariantMap keys{{"expiration", text}, {"expirationMonthCode", code}, {"expirationMonthString", month},
                           {"expirationYear", 2027}, {"expired", true},
                           {"expirationDate", QDateTime(QDate(2027, 12, 17), QTime(0, 0), Qt::UTC)}};
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
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

    void information_data()
    {
        QTest::addColumn<SymbolRecord>("record");
        QTest::addColumn<QVariantMap>("data");

        const auto row = [](const char *name, const SymbolRecord &record, const QVariantMap &data) {
            QTest::newRow(name) << record << data;
        };
        row("stock on QB: ticker is the root", symbolRecord("ACME.QB", 14), info("ACME.QB", "Stock", "ACME", "ACME"));
        row("stock on a one-letter exchange", symbolRecord("NRTH.N", 14), info("NRTH.N", "Stock", "NRTH", "NRTH"));
        row("stock on a longer exchange, with its tick",
            symbolRecord("VRDN.XPAR", 14, {{SymbolRecord::MinTick, RecordData::fromDouble(0.05)}}),
            info("VRDN.XPAR", "Stock", "VRDN", "VRDN.XPAR", {{"mintick", 0.05}}));
        row("stock option: no regional part in the ticker, ISO expiration",
            symbolRecord("ACME 271217C150/EU", 15, December2027),
            expiring(info("ACME 271217C150/EU", "StockOption", "ACME", "ACME 271217C150"), "2027-12-17"));
        SymbolRecord futures = symbolRecord("CLZ27", 3, December2027);
        futures.setValue(SymbolRecord::SubType, number(4));
        const QVariantMap futuresInfo = info("CLZ27", "Futures", "CL", "CLZ27", {{"subType", "FuturesContinuous"}});
        row("futures: long expiration", futures, expiring(futuresInfo, "Dec 2027"));
        futures.setValue(SymbolRecord::ExpirationMonth, number(13));
        QVariantMap undefined = expiring(futuresInfo, "", "Undefined", "Undefined");
        undefined.insert("expirationDate", QDateTime());
        row("month 13: undefined names", futures, undefined);
        futures.setValue(SymbolRecord::ExpirationMonth, RecordData());
        row("no expiration month: no expiration keys", futures, futuresInfo);
        row("bond with its term",
            symbolRecord("BND10Y", 1, {{SymbolRecord::TermPeriod, number(10)}, {SymbolRecord::TermType, number(4)}}),
            info("BND10Y", "Bond", "BND", "BND10Y", {{"termType", "Year"}, {"termPeriod", 10}, {"term", "10 Years"}}));
        row("user-defined spread: chain flag, no root",
            symbolRecord("=ACME.QB-NRTH.N", 17, {{SymbolRecord::LegSymbol, RecordData::fromByteString("ACME.QB")},
                                                 {SymbolRecord::SpreadChainAllowed, RecordData::fromBool(true)}}),
            info("=ACME.QB-NRTH.N", "UserDefinedSpread", nullptr, "=ACME.QB-NRTH.N", {{"spreadChainAllowed", true}}));
        SymbolRecord spread = symbolRecord("=CLZ27-CLH28", 17, December2027);
        spread.setValue(SymbolRecord::LegSymbol, RecordData::fromByteString("CLZ27"));
        row("spread of futures: expiration read from its leg", spread, expiring(info("=CLZ27-CLH28",
            "UserDefinedSpread", nullptr, "=CLZ27-CLH28", {{"spreadChainAllowed", false}}), "Dec 2027"));
        row("type 12 is undefined", symbolRecord("QIX", 12), info("QIX", "Undefined", "", "QIX"));
        row("historical contract: root of its root", symbolRecord("CL#@-30", 28),
            info("CL#@-30", "HistoricalContractDaysBack", "CL", "CL#@-30"));
    }

    // Every SymbolResponse answers "ok" with the information of its record; a month outside
    // 1 to 12 is reported as an assertion.
    void information()
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

    void requestKeys_data()
    {
        QTest::addColumn<QVariantMap>("keys");
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("diagnostic");

        const auto row = [](const char *name, const QString &symbol, const QVariant &symbology, const QByteArray &sent,
                            int value, const QString &diagnostic = {}) {
            QVariantMap keys{{"symbol", symbol}};
            if (symbology.isValid())
                keys.insert("symbology", symbology);
            QTest::newRow(name) << keys << sent << value << diagnostic;
        };
        row("symbol trimmed, vmt by default", " ACME.QB ", {}, "ACME.QB", 0);
        row("symbol as Latin-1", "CAF\u00c9", {}, "CAF\xc9", 0);
        const char *const names[] = {"vmt", "cusip", "sedol", "isin", "vmt-extended"};
        for (int value = 0; value < 5; ++value)
            row(names[value], "A", names[value], "A", value);
        row("ISIN in capitals", "A", "ISIN", "A", 0, "Incorrect symbology requested ISIN");
        row("nested symbology", "A", QVariantMap{{"isin", 3}}, "A", 0, "Incorrect symbology requested ");
    }

    void requestKeys()
    {
        QFETCH(QVariantMap, keys);
        QFETCH(QByteArray, symbol);
        QFETCH(int, symbology);
        QFETCH(QString, diagnostic);

        LogCapture log;
        QVERIFY(m_feed->datafeed.request(request("symbolinfo", 1, keys)));
        QVERIFY(m_feed->sent<FeedApi::SymbolRequest>(0));
        QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbol(), symbol);
        QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbology(), symbology);
        QCOMPARE(log.texts("Tessel.SymboldataFeedHandler").join(QString()), diagnostic);
    }

    // "restart" and "fail" keep the request running: a later record still answers "ok".
    void laterAnswers()
    {
        const QVariantMap sent = request("symbolinfo", "s", {{"symbol", "CLZ27"}});
        QVERIFY(m_feed->datafeed.request(sent));
        QVERIFY(m_feed->respond(0, FeedApi::SymbolUpdateResponse(symbolRecord("CLZ27", 3))));
        QVERIFY(m_feed->respond(0, FeedApi::RerequestResponse()));
        QVERIFY(m_feed->respond(0, FeedApi::ErrorResponse(1, 1, "feed")));
        QVERIFY(m_feed->respond(0, FeedApi::SymbolResponse(symbolRecord("CLZ27", 3))));
        const QVariantMap error{{"errorCode", 1}, {"errorMessage", "Unknown symbol"}};
        QList<QVariantMap> answers = m_feed->answers();
        QCOMPARE(answers.takeLast().value("result"), QVariant("ok"));
        QCOMPARE(answers, (QList<QVariantMap>{answer(sent, "restart"), answer(sent, "restart"),
                                              answer(sent, "fail", {{"error", error}})}));
        QCOMPARE(m_feed->backend.startedCount(), 1);
        QCOMPARE(m_feed->backend.endedCount(), 0);
    }

    // A symbol is looked up once at a time and answered once; stopping a lookup ends it and
    // tells of it, stopping one not running is an assertion; the helper ends the rest when
    // destroyed and tells nobody.
    void helperLookups()
    {
        QStringList seen;
        FeedApi::TestBackend backend;
        auto helper = std::make_unique<SymbolRequestHelper>();
        connect(helper.get(), &SymbolRequestHelper::symbolRequestReady,
                [&](const QByteArray &symbol, const FeedApi::SymbolResponse &response) {
                    seen << "ready " + QString(symbol);
                    QCOMPARE(response.record(), symbolRecord(symbol, 14));
                });
        connect(helper.get(), &SymbolRequestHelper::symbolRequestFailed,
                [&](const QByteArray &symbol) { seen << "failed " + QString(symbol); });
        connect(helper.get(), &SymbolRequestHelper::symbolRequestCancelled,
                [&](const QByteArray &symbol) { seen << "cancelled " + QString(symbol); });
        LogCapture log;
        for (const char *symbol : {"A", "A", "B", "C"})
            helper->requestSymbol(symbol);
        QCOMPARE(backend.startedCount(), 3);
        QVERIFY(backend.respond(backend.records().value(0).requester, FeedApi::SymbolResponse(symbolRecord("A", 14))));
        QCoreApplication::processEvents();
        helper->stopSymbolRequest("B");
        helper->stopSymbolRequest("B");
        QVERIFY(!backend.respond(backend.records().value(1).requester, FeedApi::SymbolResponse(symbolRecord("B", 14))));
        QCOMPARE(backend.endedCount(), 2);
        helper.reset();
        QCoreApplication::processEvents();
        QCOMPARE(backend.endedCount(), 3);
        QCOMPARE(seen, (QStringList{"ready A", "cancelled B"}));
        QCOMPARE(log.texts("Assert"), QStringList{"m_requesters.contains(symbol)"});
    }

private:
    std::unique_ptr<DatafeedFixture> m_feed;
};

QTEST_MAIN(tst_SymbolDatafeedHandler)
#include "tst_symboldatafeedhandler.moc"
