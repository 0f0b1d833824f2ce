#include "datafeedfixture.h"

#include <quotes/fieldquotesubscription.h>
#include <quotes/testquotefeed.h>

#include <QtTest>

#include <memory>

using Common::RecordData;
using FeedApi::Quotes::TestQuoteFeed;

namespace {

const QByteArray Symbol = "ACME.QB";

QVariantMap quote(const QVariant &rid, const QStringList &fields = {"Last"})
{
    return request("quote", rid, {{"symbol", QString::fromLatin1(Symbol)}, {"fields", fields}});
}

QVariant value(const RecordData &data) { return QVariant::fromValue(data); }
QVariant price(double number) { return value(RecordData::fromDouble(number)); }

QString skipped(const QString &name)
{
    return logLine("quote datafeed", "skipping fieldName '" + name + "' from request",
                   "unknown fieldName");
}

QVariantMap ok(const QVariantMap &data, const QString &result = "ok")
{
    return {{"result", result}, {"data", data}};
}

} // namespace

class tst_QuoteDatafeedHandler : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_quotes.reset(new TestQuoteFeed);
        m_feed.reset(new DatafeedFixture);
    }
    void cleanup()
    {
        m_feed.reset();
        m_quotes.reset();
    }
    void updates_data();
    void updates();
    void ending_data();
    void ending();

private:
    std::unique_ptr<TestQuoteFeed> m_quotes;
    std::unique_ptr<DatafeedFixture> m_feed;
};

void tst_QuoteDatafeedHandler::updates_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QVariantList>("updates"); // field name → value; "fail" → error code
    QTest::addColumn<QVariantList>("answers");
    QTest::addColumn<QStringList>("lines");

    const quint64 packed = Q_UINT64_C(20240131093015250);
    QTest::newRow("dates from the packed value")
        << QStringList{"TradeTime", "TradeDate"}
        << QVariantList{QVariantMap{{"TradeTime", value(RecordData::fromUInt64(packed))},
                                    {"TradeDate", value(RecordData::fromUInt64(packed))}}}
        << QVariantList{ok({{"TradeTime", QDateTime(QDate(2024, 1, 31), QTime(9, 30, 15, 250), Qt::UTC)},
                            {"TradeDate", QDateTime(QDate(2024, 1, 31), QTime(0, 0), Qt::UTC)}})}
        << QStringList();
    QTest::newRow("text, price and size")
        << QStringList{"Description", "Last", "BidSize"}
        << QVariantList{QVariantMap{{"Description", value(RecordData::fromByteString("Caf\xc3\xa9"))},
                                    {"Last", price(101.25)},
                                    {"BidSize", value(RecordData::fromInt64(300))}}}
        << QVariantList{ok({{"Description", "Café"}, {"Last", 101.25}, {"BidSize", qlonglong(300)}})}
        << QStringList();
    QTest::newRow("unlisted names skipped with a line each") << QStringList{"Last", "Bogus", "Symbol"}
        << QVariantList{QVariantMap{{"Last", price(1)}}} << QVariantList{ok({{"Last", 1.0}})}
        << QStringList{skipped("Bogus"), skipped("Symbol")};
    QTest::newRow("progress until every field is complete") << QStringList{"Last", "Bid"}
        << QVariantList{QVariantMap{{"Last", price(1)}}, QVariantMap{{"Bid", price(2)}},
                        QVariantMap{{"Last", price(3)}}}
        << QVariantList{ok({{"Last", 1.0}}, "progress"), ok({{"Bid", 2.0}}), ok({{"Last", 3.0}})}
        << QStringList();
    QTest::newRow("only the changed fields") << QStringList{"Last", "Bid"}
        << QVariantList{QVariantMap{{"Last", price(1)}, {"Bid", price(2)}}, QVariantMap{{"Bid", price(5)}}}
        << QVariantList{ok({{"Last", 1.0}, {"Bid", 2.0}}), ok({{"Bid", 5.0}})} << QStringList();
    QTest::newRow("a field nobody asked for changes: no answer") << QStringList{"Last"}
        << QVariantList{QVariantMap{{"Bid", price(2)}}, QVariantMap{{"Last", price(1)}}}
        << QVariantList{ok({{"Last", 1.0}})} << QStringList();
    QTest::newRow("no listed field: runs, never answers") << QStringList{"Bogus"}
        << QVariantList{QVariantMap{{"Last", price(1)}}} << QVariantList() << QStringList{skipped("Bogus")};
    QTest::newRow("a value without its valid flag is left out") << QStringList{"Last", "Bid"}
        << QVariantList{QVariantMap{{"Last", value(RecordData())}, {"Bid", price(2)}}}
        << QVariantList{ok({{"Bid", 2.0}})} << QStringList();
    QTest::newRow("error status fails once, data stops") << QStringList{"Last"}
        << QVariantList{QVariantMap{{"Last", price(1)}}, QVariantMap{{"fail", 5}}, QVariantMap{{"Last", price(2)}}}
        << QVariantList{ok({{"Last", 1.0}}), QVariantMap{{"result", "fail"},
                        {"error", QVariantMap{{"errorCode", 5}, {"errorMessage", "feed down"}}}}}
        << QStringList();
}

// A realtime subscription of the trimmed symbol: every update touching requested fields
// answers with their values, converted by their column's formatter, and the request as sent.
void tst_QuoteDatafeedHandler::updates()
{
    QFETCH(QStringList, fields);
    QFETCH(QVariantList, updates);
    QFETCH(QVariantList, answers);
    QFETCH(QStringList, lines);

    const QVariantMap request = ::request("quote", 7, {{"symbol", " ACME.QB "}, {"fields", fields},
                                                       {"realtime", true}});
    QVERIFY(m_feed->datafeed.request(request));
    QCOMPARE(m_feed->channel.lines, lines);
    const ModelKey key = m_quotes->subscriptions().value(0)->key();
    QVERIFY(key.symbol() == Symbol && key.isRealtime() && key.kind() == 4);
    for (const QVariant &update : updates) {
        const QVariantMap changes = update.toMap();
        if (changes.contains("fail")) {
            QVERIFY(m_quotes->fail(Symbol, changes.value("fail").toInt(), "feed down"));
        } else {
            TestQuoteFeed::Values values;
            for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
                values.insert(FieldQuote::FieldQuoteFieldId::fromString("quote." + it.key().toLower()),
                              it.value().value<RecordData>());
            }
            QVERIFY(m_quotes->publish(Symbol, values));
        }
        QCoreApplication::processEvents();
    }
    QVariantList received;
    for (QVariantMap answer : m_feed->answers()) {
        QCOMPARE(answer.take("request").toMap(), request);
        received.append(answer);
    }
    QCOMPARE(received, answers);
    QCOMPARE(m_quotes->stoppedCount(), 0);
}

void tst_QuoteDatafeedHandler::ending_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("count");

    QTest::newRow("stop") << "stop" << 1;
    QTest::newRow("1000 cleared in one go") << "clear" << 1000;
    QTest::newRow("datafeed destroyed") << "destroy" << 3;
    QTest::newRow("cleared from the first answer") << "clear from answer" << 3;
}

// Ending unsubscribes at once: updates already queued reach nobody, and rids are free again.
void tst_QuoteDatafeedHandler::ending()
{
    QFETCH(QString, how);
    QFETCH(int, count);

    for (int rid = 0; rid < count; ++rid)
        QVERIFY(m_feed->datafeed.request(quote(rid)));
    QCOMPARE(m_quotes->startedCount(), count);
    QVERIFY(!m_quotes->subscriptions().value(0)->key().isRealtime());
    QVERIFY(m_quotes->publish(Symbol, {{FieldQuote::Field::Last, RecordData::fromDouble(1)}}));
    if (how == "clear from answer") {
        connect(&m_feed->datafeed, &ScriptDatafeed::response, &m_feed->datafeed,
                &ScriptDatafeed::clearAll);
        QCOMPARE(m_feed->answers().size(), 1);
        disconnect(&m_feed->datafeed, &ScriptDatafeed::response, &m_feed->datafeed,
                   &ScriptDatafeed::clearAll);
    } else if (how == "stop") {
        QVERIFY(m_feed->datafeed.request({{"type", "stop"}, {"rid", 0}}));
    } else if (how == "clear") {
        m_feed->datafeed.clearAll();
    } else {
        m_feed.reset();
    }
    QCOMPARE(m_quotes->stoppedCount(), count);
    QCOMPARE(m_quotes->subscriptions().size(), 0);
    if (!m_feed)
        return;
    QCOMPARE(m_feed->answers(), QList<QVariantMap>());
    QVERIFY(m_feed->datafeed.request(quote(0)));
    QCOMPARE(m_feed->channel.lines, QStringList());
}

QTEST_MAIN(tst_QuoteDatafeedHandler)
#include "tst_quotedatafeedhandler.moc"
