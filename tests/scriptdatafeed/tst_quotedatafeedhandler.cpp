#include "datafeedfixture.h"

#include <quotes/fieldquotesubscription.h>
#include <quotes/testquotefeed.h>

#include <QtTest>

using Common::RecordData;
using FeedApi::Quotes::TestQuoteFeed;

namespace {

const QByteArray Symbol = "ACME.QB";

QVariant value(const RecordData &data) { return QVariant::fromValue(data); }
QVariant price(double number) { return value(RecordData::fromDouble(number)); }

QVariantMap ok(const QVariantMap &data, const QString &result = "ok") { return {{"result", result}, {"data", data}}; }

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

    void updates_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QVariantList>("updates"); // field name → value; "fail" → error code
        QTest::addColumn<QVariantList>("answers");
        QTest::addColumn<QStringList>("lines");

        const auto row = [](const char *name, const QStringList &fields, const QVariantList &updates,
                            const QVariantList &answers, const QStringList &lines = {}) {
            QTest::newRow(name) << fields << updates << answers << lines;
        };
        const QVariant packed = value(RecordData::fromUInt64(Q_UINT64_C(20240131093015250)));
        row("dates from the packed value", {"TradeTime", "TradeDate"},
            {QVariantMap{{"TradeTime", packed}, {"TradeDate", packed}}},
            {ok({{"TradeTime", QDateTime(QDate(2024, 1, 31), QTime(9, 30, 15, 250), Qt::UTC)},
                 {"TradeDate", QDateTime(QDate(2024, 1, 31), QTime(0, 0), Qt::UTC)}})});
        row("text, price and size", {"Description", "Last", "BidSize"},
            {QVariantMap{{"Description", value(RecordData::fromByteString("Caf\xc3\xa9"))}, {"Last", price(101.25)},
                         {"BidSize", value(RecordData::fromInt64(300))}}},
            {ok({{"Description", "Café"}, {"Last", 101.25}, {"BidSize", qlonglong(300)}})});
        row("unlisted names skipped with a line each", {"Last", "Bogus", "Symbol"}, {QVariantMap{{"Last", price(1)}}},
            {ok({{"Last", 1.0}})}, {skippedField("Bogus"), skippedField("Symbol")});
        row("progress until every field is complete", {"Last", "Bid"},
            {QVariantMap{{"Last", price(1)}}, QVariantMap{{"Bid", price(2)}}, QVariantMap{{"Last", price(3)}}},
            {ok({{"Last", 1.0}}, "progress"), ok({{"Bid", 2.0}}), ok({{"Last", 3.0}})});
        row("only the changed fields", {"Last", "Bid"},
            {QVariantMap{{"Last", price(1)}, {"Bid", price(2)}}, QVariantMap{{"Bid", price(5)}}},
            {ok({{"Last", 1.0}, {"Bid", 2.0}}), ok({{"Bid", 5.0}})});
        row("a field nobody asked for changes: no answer", {"Last"},
            {QVariantMap{{"Bid", price(2)}}, QVariantMap{{"Last", price(1)}}}, {ok({{"Last", 1.0}})});
        row("no listed field: runs, never answers", {"Bogus"}, {QVariantMap{{"Last", price(1)}}}, {},
            {skippedField("Bogus")});
        row("a value without its valid flag is left out", {"Last", "Bid"},
            {QVariantMap{{"Last", value(RecordData())}, {"Bid", price(2)}}}, {ok({{"Bid", 2.0}})});
        row("error status fails once, data stops", {"Last"},
            {QVariantMap{{"Last", price(1)}}, QVariantMap{{"fail", 5}}, QVariantMap{{"Last", price(2)}}},
            {ok({{"Last", 1.0}}),
             QVariantMap{{"result", "fail"}, {"error", QVariantMap{{"errorCode", 5}, {"errorMessage", "feed down"}}}}});
    }

    // A realtime subscription of the trimmed symbol: every update touching requested fields
    // answers with their values, converted by their column's formatter, and the request as
    // sent.
    void updates()
    {
        QFETCH(QStringList, fields);
        QFETCH(QVariantList, updates);
        QFETCH(QVariantList, answers);
        QFETCH(QStringList, lines);

        const QVariantMap sent = request("quote", 7, {{"symbol", " ACME.QB "}, {"fields", fields}, {"realtime", true}});
        QVERIFY(m_feed->datafeed.request(sent));
        QCOMPARE(m_feed->channel.lines, lines);
        const ModelKey key = m_quotes->subscriptions().value(0)->key();
        QVERIFY(key.symbol() == Symbol && key.isRealtime() && key.kind() == 4);
        for (const QVariant &update : updates) {
            const QVariantMap changes = update.toMap();
            TestQuoteFeed::Values values;
            for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
                values.insert(FieldQuote::FieldQuoteFieldId::fromString("quote." + it.key().toLower()),
                              it.value().value<RecordData>());
            }
            if (changes.contains("fail"))
                QVERIFY(m_quotes->fail(Symbol, changes.value("fail").toInt(), "feed down"));
            else
                QVERIFY(m_quotes->publish(Symbol, values));
            QCoreApplication::processEvents();
        }
        QVariantList received;
        for (QVariantMap answer : m_feed->answers()) {
            QCOMPARE(answer.take("request").toMap(), sent);
            received.append(answer);
        }
        QCOMPARE(received, answers);
        QCOMPARE(m_quotes->stoppedCount(), 0);
    }

    void ending_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("count");

        QTest::newRow("stop") << "stop" << 1;
        QTest::newRow("1000 cleared in one go") << "clear" << 1000;
        QTest::newRow("datafeed destroyed") << "destroy" << 3;
        QTest::newRow("cleared from the first answer") << "clear from answer" << 3;
    }

    // Ending unsubscribes at once: updates already queued reach nobody, and rids are free
    // again.
    void ending()
    {
        QFETCH(QString, how);
        QFETCH(int, count);

        const auto quote = [](int rid) { return request("quote", rid, {{"symbol", Symbol}, {"fields", QStringList{"Last"}}}); };
        for (int rid = 0; rid < count; ++rid)
            QVERIFY(m_feed->datafeed.request(quote(rid)));
        QCOMPARE(m_quotes->startedCount(), count);
        QVERIFY(!m_quotes->subscriptions().value(0)->key().isRealtime());
        QVERIFY(m_quotes->publish(Symbol, {{FieldQuote::Field::Last, RecordData::fromDouble(1)}}));
        if (how == "clear from answer") {
            connect(&m_feed->datafeed, &ScriptDatafeed::response, &m_feed->datafeed, &ScriptDatafeed::clearAll);
            QCOMPARE(m_feed->answers().size(), 1);
            disconnect(&m_feed->datafeed, &ScriptDatafeed::response, &m_feed->datafeed, &ScriptDatafeed::clearAll);
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

private:
    std::unique_ptr<TestQuoteFeed> m_quotes;
    std::unique_ptr<DatafeedFixture> m_feed;
};

QTEST_MAIN(tst_QuoteDatafeedHandler)
#include "tst_quotedatafeedhandler.moc"
