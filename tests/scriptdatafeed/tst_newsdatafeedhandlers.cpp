#include "datafeedfixture.h"

#include <errorresponse.h>
#include <news/headlinerequest.h>
#include <news/headlineresponse.h>
#include <news/storyrequest.h>
#include <news/storyresponse.h>
#include <rerequestresponse.h>

#include <QtTest>

#include <memory>

using FeedApi::News::Headline;
Q_DECLARE_METATYPE(Headline)

namespace {

QString joined(const QList<QByteArray> &list)
{
    QStringList texts;
    for (const QByteArray &item : list)
        texts.append(QString::fromUtf8(item));
    return texts.join('|');
}

QString filterText(const FeedApi::News::HeadlineFilterParameters &filter)
{
    return QStringLiteral("symbols=%1 service=%2 categories=%3 keywords=%4 or=%5 whole=%6 case=%7")
        .arg(joined(filter.symbols), QString::fromUtf8(filter.service), joined(filter.categories),
             joined(filter.keywords))
        .arg(filter.keywordsOr).arg(filter.wholeWord).arg(filter.caseSensitive);
}

const QString NoFilter = "symbols= service= categories= keywords= or=0 whole=0 case=0";

} // namespace

class tst_NewsDatafeedHandlers : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_feed.reset(); m_feed.reset(new DatafeedFixture); }
    void headlineRequest_data();
    void headlineRequest();
    void headlines_data();
    void headlines();
    void stories_data();
    void stories();
    void laterAnswers_data();
    void laterAnswers();

private:
    std::unique_ptr<DatafeedFixture> m_feed;
};

void tst_NewsDatafeedHandlers::headlineRequest_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<qint64>("lookBack"); // seconds; -1: from the null date-time
    QTest::addColumn<uint>("historyLimit");
    QTest::addColumn<QString>("filter");

    QTest::newRow("one day by default") << QVariantMap() << qint64(86400) << 0u << NoFilter;
    QTest::newRow("hoursBack wins") << QVariantMap{{"daysBack", 2}, {"hoursBack", 5}} << qint64(18000) << 0u << NoFilter;
    QTest::newRow("daysBack not a number") << QVariantMap{{"daysBack", "abc"}} << qint64(86400) << 0u << NoFilter;
    QTest::newRow("zero hoursBack keeps daysBack")
        << QVariantMap{{"daysBack", "3"}, {"hoursBack", 0}} << qint64(259200) << 0u << NoFilter;
    QTest::newRow("days beyond every date")
        << QVariantMap{{"daysBack", Q_INT64_C(213503982334602)}} << qint64(-1) << 0u << NoFilter;
    QTest::newRow("hours beyond every date, realtime")
        << QVariantMap{{"hoursBack", 5124095576030432.0}, {"realtime", true}} << qint64(-1) << 0u << NoFilter;
    QTest::newRow("realtime ends in 2099") << QVariantMap{{"realtime", true}, {"hoursBack", 2}}
                                           << qint64(7200) << 0u << NoFilter;
    QTest::newRow("historyLimit") << QVariantMap{{"historyLimit", 25}} << qint64(86400) << 25u << NoFilter;
    QTest::newRow("negative historyLimit") << QVariantMap{{"historyLimit", -3}} << qint64(86400) << 0u << NoFilter;
    QTest::newRow("every filter key") << QVariantMap{
        {"symbols", QStringList{"ACME.QB", "\u00dc"}}, {"service", "Wire"}, {"categories", QVariantList{"Energy"}},
        {"keywords", QStringList{"oil", "gas"}}, {"keywordsOr", true}, {"wholeWord", true}, {"caseSensitive", true}}
        << qint64(86400) << 0u
        << "symbols=ACME.QB|\u00dc service=Wire categories=Energy keywords=oil|gas or=1 whole=1 case=1";
    QTest::newRow("keys of wrong types") << QVariantMap{{"symbols", QVariantMap{{"a", 1}}},
        {"service", QVariantList{1}}, {"daysBack", QVariantList{}}, {"historyLimit", "many"}}
        << qint64(86400) << 0u << NoFilter;
}

// The interval ends now, or at 2099-01-01 01:01:01 when realtime, and looks back the period.
void tst_NewsDatafeedHandlers::headlineRequest()
{
    QFETCH(QVariantMap, keys);
    QFETCH(qint64, lookBack);
    QFETCH(uint, historyLimit);
    QFETCH(QString, filter);

    const QDateTime before = QDateTime::currentDateTimeUtc();
    QVERIFY(m_feed->datafeed.request(request("news", 1, keys)));
    const QDateTime after = QDateTime::currentDateTimeUtc();
    const auto *sent = m_feed->sent<FeedApi::News::HeadlineRequest>(0);
    QVERIFY(sent);
    QCOMPARE(filterText(sent->filter()), filter);
    QCOMPARE(sent->historyLimit(), historyLimit);
    const QDateTime from = sent->interval().from.toQDateTime();
    const QDateTime to = sent->interval().to.toQDateTime();
    if (keys.value("realtime").toBool())
        QCOMPARE(sent->interval().to, Common::DateTime(20990101, 10101000));
    else
        QVERIFY(to >= before && to <= after);
    QCOMPARE(sent->interval().from.isNull(), lookBack < 0);
    QVERIFY(lookBack < 0 || (from >= before.addSecs(-lookBack) && from <= after.addSecs(-lookBack)));
    QCOMPARE(m_feed->channel.lines, QStringList());
}

void tst_NewsDatafeedHandlers::headlines_data()
{
    QTest::addColumn<Headline>("headline");
    QTest::addColumn<QVariantMap>("expected");

    QTest::newRow("milliseconds kept, blank-separated lists")
        << Headline{{20240315, 143005750}, "Oil up", "ACME.QB NRTH.N", "Energy Markets", "Wire", "s-1"}
        << QVariantMap{{"time", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 750), Qt::UTC)},
                       {"text", "Oil up"}, {"symbols", QStringList{"ACME.QB", "NRTH.N"}},
                       {"categories", QStringList{"Energy", "Markets"}}, {"source", "Wire"}, {"storyID", "s-1"}};
    QTest::newRow("empty lists, UTF-8 texts")
        << Headline{{20240101, 0}, "Caf\xc3\xa9", "", " ", "R\xc3\xa9seau", "\xc3\xa9-2"}
        << QVariantMap{{"time", QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC)}, {"text", "Caf\u00e9"},
                       {"symbols", QStringList()}, {"categories", QStringList()},
                       {"source", "R\u00e9seau"}, {"storyID", "\u00e9-2"}};
}

// Every headline answer is one "ok" with the flag and the headlines of that answer.
void tst_NewsDatafeedHandlers::headlines()
{
    QFETCH(Headline, headline);
    QFETCH(QVariantMap, expected);

    QVERIFY(m_feed->datafeed.request(request("news", 1)));
    QVERIFY(m_feed->respond(0, FeedApi::News::HeadlineResponse(true, {headline})));
    QVERIFY(m_feed->respond(0, FeedApi::News::HeadlineResponse()));
    const auto data = [](bool last, const QVariantList &headlines) {
        return QVariantMap{{"data", QVariantMap{{"lastNews", last}, {"headlines", headlines}}}};
    };
    QCOMPARE(m_feed->answers(), (QList<QVariantMap>{answer(request("news", 1), "ok", data(true, {expected})),
                                                    answer(request("news", 1), "ok", data(false, {}))}));
}

void tst_NewsDatafeedHandlers::stories_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QVariantMap>("data");

    const QString content = "Caf\u00e9 <b>";
    QTest::newRow("invalid: no content") << 0 << QVariantMap{{"type", "invalid"}};
    QTest::newRow("text") << 1 << QVariantMap{{"type", "text"}, {"content", content}};
    QTest::newRow("html") << 2 << QVariantMap{{"type", "html"}, {"content", content}};
    QTest::newRow("url") << 3 << QVariantMap{{"type", "url"}, {"content", content}};
    QTest::newRow("unknown format: no type") << 4 << QVariantMap{{"content", content}};
    QTest::newRow("negative format: no type") << -1 << QVariantMap{{"content", content}};
}

// The story is asked for by its id, as UTF-8, in format 2 and answered in the format it has.
void tst_NewsDatafeedHandlers::stories()
{
    QFETCH(int, format);
    QFETCH(QVariantMap, data);

    const QVariantMap sent = request("newsbody", "b", {{"storyId", "\u00e9-7"}});
    QVERIFY(m_feed->datafeed.request(sent));
    QCOMPARE(m_feed->sent<FeedApi::News::StoryRequest>(0)->storyId(), QByteArray("\xc3\xa9-7"));
    QCOMPARE(m_feed->sent<FeedApi::News::StoryRequest>(0)->format(), 2);
    QVERIFY(m_feed->respond(0, FeedApi::News::StoryResponse("Caf\xc3\xa9 <b>", format)));
    QCOMPARE(m_feed->answers(), QList<QVariantMap>{answer(sent, "ok", {{"data", data}})});
}

void tst_NewsDatafeedHandlers::laterAnswers_data()
{
    QTest::addColumn<QVariantMap>("sent");
    QTest::addColumn<bool>("rerequest");
    QTest::addColumn<int>("started");

    const QVariantMap news = request("news", 3, {{"symbols", QStringList{"ACME.QB"}}, {"realtime", true}});
    QTest::newRow("news error") << news << false << 1;
    QTest::newRow("newsbody error") << request("newsbody", 3, {{"storyId", "s"}}) << false << 1;
    QTest::newRow("news rerequest restarts") << news << true << 2;
    QTest::newRow("newsbody ignores rerequests") << request("newsbody", 3, {{"storyId", "s"}}) << true << 1;
}

// An error answers "fail" with code and message and keeps the request; a rerequest restarts a
// news request unseen by the page. Either way the rid still stops.
void tst_NewsDatafeedHandlers::laterAnswers()
{
    QFETCH(QVariantMap, sent);
    QFETCH(bool, rerequest);
    QFETCH(int, started);

    QVERIFY(m_feed->datafeed.request(sent));
    if (rerequest)
        QVERIFY(m_feed->respond(0, FeedApi::RerequestResponse()));
    else
        QVERIFY(m_feed->respond(0, FeedApi::ErrorResponse(3, 1, "feed")));
    const QVariantMap error{{"errorCode", 3}, {"errorMessage", "Not entitled to the requested data"}};
    QCOMPARE(m_feed->answers(), rerequest ? QList<QVariantMap>()
                                          : QList<QVariantMap>{answer(sent, "fail", {{"error", error}})});
    QCOMPARE(m_feed->backend.startedCount(), started);
    QCOMPARE(m_feed->backend.running().size(), 1);
    QCOMPARE(m_feed->backend.running().first()->property("_request").toMap(), sent);
    if (started == 2) {
        QCOMPARE(filterText(m_feed->sent<FeedApi::News::HeadlineRequest>(1)->filter()),
                 filterText(m_feed->sent<FeedApi::News::HeadlineRequest>(0)->filter()));
    }
    QVERIFY(m_feed->datafeed.request({{"type", "stop"}, {"rid", 3}}));
    QCOMPARE(m_feed->backend.running().size(), 0);
    QCOMPARE(m_feed->channel.lines, QStringList());
}

QTEST_MAIN(tst_NewsDatafeedHandlers)
#include "tst_newsdatafeedhandlers.moc"
