#include "datafeedfixture.h"

#include <news/headlinerequest.h>
#include <news/headlineresponse.h>
#include <news/storyrequest.h>
#include <news/storyresponse.h>

#include <QtTest>

using FeedApi::News::Headline;

namespace {

QString joined(const QList<QByteArray> &list) { return QString::fromUtf8(QByteArrayList(list).join('|')); }

QString filterText(const FeedApi::News::HeadlineFilterParameters &filter)
{
    return QStringLiteral("symbols=%1 service=%2 categories=%3 keywords=%4 or=%5 whole=%6 case=%7")
        .arg(joined(filter.symbols), QString::fromUtf8(filter.service), joined(filter.categories),
             joined(filter.keywords))
        .arg(filter.keywordsOr).arg(filter.wholeWord).arg(filter.caseSensitive);
}

} // namespace

class tst_NewsDatafeedHandlers : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_feed.reset(); m_feed.reset(new DatafeedFixture); }

    void headlineRequest_data()
    {
        QTest::addColumn<QVariantMap>("keys");
        QTest::addColumn<qint64>("lookBack"); // seconds; -1: from the null date-time
        QTest::addColumn<uint>("historyLimit");
        QTest::addColumn<QString>("filter");

        const auto row = [](const char *name, const QVariantMap &keys, qint64 lookBack, uint historyLimit = 0,
                            const QString &filter = "symbols= service= categories= keywords= or=0 whole=0 case=0") {
            QTest::newRow(name) << keys << lookBack << historyLimit << filter;
        };
        row("one day by default", {}, 86400);
        row("hoursBack wins", {{"daysBack", 2}, {"hoursBack", 5}}, 18000);
        row("zero hoursBack keeps daysBack", {{"daysBack", "3"}, {"hoursBack", 0}}, 259200);
        row("hours beyond every date, realtime", {{"hoursBack", 5124095576030432.0}, {"realtime", true}}, -1);
        row("historyLimit", {{"historyLimit", 25}}, 86400, 25);
        row("negative historyLimit", {{"historyLimit", -3}}, 86400);
        row("every filter key", {{"symbols", QStringList{"ACME.QB", "\u00dc"}}, {"service", "Wire"},
            {"categories", QVariantList{"Energy"}}, {"keywords", QStringList{"oil", "gas"}}, {"keywordsOr", true},
            {"wholeWord", true}, {"caseSensitive", true}}, 86400, 0,
            "symbols=ACME.QB|\u00dc service=Wire categories=Energy keywords=oil|gas or=1 whole=1 case=1");
        row("keys of wrong types", {{"symbols", QVariantMap{{"a", 1}}}, {"service", QVariantList{1}},
            {"daysBack", QVariantList{}}, {"historyLimit", "many"}}, 86400);
    }

    // The interval ends now, or at 2099-01-01 01:01:01 when realtime, and looks back the
    // period; nothing is logged.
    void headlineRequest()
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

    // Every headline answer is one "ok" with the flag and the headlines of that answer: times
    // with milliseconds, blank-separated lists split, texts read as UTF-8.
    void headlines()
    {
        QVERIFY(m_feed->datafeed.request(request("news", 1)));
        QVERIFY(m_feed->respond(0, FeedApi::News::HeadlineResponse(true, {
            Headline{{20240315, 143005750}, "Oil up", "ACME.QB NRTH.N", "Energy Markets", "Wire", "s-1"},
            Headline{{20240101, 0}, "Caf\xc3\xa9", "", " ", "R\xc3\xa9seau", "\xc3\xa9-2"}})));
        QVERIFY(m_feed->respond(0, FeedApi::News::HeadlineResponse()));
        const QVariantList headlines{
            QVariantMap{{"time", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 750), Qt::UTC)}, {"text", "Oil up"},
                        {"symbols", QStringList{"ACME.QB", "NRTH.N"}}, {"categories", QStringList{"Energy", "Markets"}},
                        {"source", "Wire"}, {"storyID", "s-1"}},
            QVariantMap{{"time", QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC)}, {"text", "Caf\u00e9"},
                        {"symbols", QStringList()}, {"categories", QStringList()}, {"source", "R\u00e9seau"},
                        {"storyID", "\u00e9-2"}}};
        const auto data = [](bool last, const QVariantList &headlines) {
            return QVariantMap{{"data", QVariantMap{{"lastNews", last}, {"headlines", headlines}}}};
        };
        QCOMPARE(m_feed->answers(), (QList<QVariantMap>{answer(request("news", 1), "ok", data(true, headlines)),
                                                        answer(request("news", 1), "ok", data(false, {}))}));
    }

    void stories_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("type"); // null: no type

        const char *const types[] = {"invalid", "text", "html", "url"};
        for (int format = 0; format < 4; ++format)
            QTest::newRow(types[format]) << format << types[format];
        QTest::newRow("unknown format: no type") << 4 << QString();
        QTest::newRow("negative format: no type") << -1 << QString();
    }

    // The story is asked for by its id, as UTF-8, in format 2 and answered in the format it
    // has; an invalid story has no content.
    void stories()
    {
        QFETCH(int, format);
        QFETCH(QString, type);

        const QVariantMap sent = request("newsbody", "b", {{"storyId", "\u00e9-7"}});
        QVERIFY(m_feed->datafeed.request(sent));
        QCOMPARE(m_feed->sent<FeedApi::News::StoryRequest>(0)->storyId(), QByteArray("\xc3\xa9-7"));
        QCOMPARE(m_feed->sent<FeedApi::News::StoryRequest>(0)->format(), 2);
        QVERIFY(m_feed->respond(0, FeedApi::News::StoryResponse("Caf\xc3\xa9 <b>", format)));
        QVariantMap data{{"content", "Caf\u00e9 <b>"}};
        if (!type.isNull())
            data.insert("type", type);
        if (format == 0)
            data.remove("content");
        QCOMPARE(m_feed->answers(), QList<QVariantMap>{answer(sent, "ok", {{"data", data}})});
    }

    void laterAnswers_data()
    {
        QTest::addColumn<QVariantMap>("sent");
        QTest::addColumn<bool>("rerequest");

        const QVariantMap news = request("news", 3, {{"symbols", QStringList{"ACME.QB"}}, {"realtime", true}});
        const QVariantMap story = request("newsbody", 3, {{"storyId", "s"}});
        QTest::newRow("news error") << news << false;
        QTest::newRow("newsbody error") << story << false;
        QTest::newRow("news rerequest restarts") << news << true;
        QTest::newRow("newsbody ignores rerequests") << story << true;
    }

    // An error answers "fail" with code and message and keeps the request; a rerequest
    // restarts a news request, with the same filter, unseen by the page. Either way the rid
    // still stops.
    void laterAnswers()
    {
        QFETCH(QVariantMap, sent);
        QFETCH(bool, rerequest);

        QVERIFY(m_feed->datafeed.request(sent));
        if (rerequest)
            QVERIFY(m_feed->respond(0, FeedApi::RerequestResponse()));
        else
            QVERIFY(m_feed->respond(0, FeedApi::ErrorResponse(3, 1, "feed")));
        const QVariantMap error{{"errorCode", 3}, {"errorMessage", "Not entitled to the requested data"}};
        QCOMPARE(m_feed->answers(), rerequest ? QList<QVariantMap>()
                                              : QList<QVariantMap>{answer(sent, "fail", {{"error", error}})});
        const bool restarted = rerequest && sent.value("type") == "news";
        QCOMPARE(m_feed->backend.startedCount(), restarted ? 2 : 1);
        QCOMPARE(m_feed->backend.running().size(), 1);
        QCOMPARE(m_feed->backend.running().first()->property("_request").toMap(), sent);
        if (restarted) {
            QCOMPARE(filterText(m_feed->sent<FeedApi::News::HeadlineRequest>(1)->filter()),
                     filterText(m_feed->sent<FeedApi::News::HeadlineRequest>(0)->filter()));
        }
        QVERIFY(m_feed->datafeed.request({{"type", "stop"}, {"rid", 3}}));
        QCOMPARE(m_feed->backend.running().size(), 0);
        QCOMPARE(m_feed->channel.lines, QStringList());
    }

private:
    std::unique_ptr<DatafeedFixture> m_feed;
};

QTEST_MAIN(tst_NewsDatafeedHandlers)
#include "tst_newsdatafeedhandlers.moc"
