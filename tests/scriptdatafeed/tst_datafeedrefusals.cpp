#include "datafeedfixture.h"

#include <quotes/testquotefeed.h>

#include <QJsonDocument>
#include <QtTest>

#include <memory>

namespace {

// A request map from JSON written with ' for "; the text "HUGE" stands for 2^20 letters.
QVariantMap parsed(QString json)
{
    QVariantMap map = QJsonDocument::fromJson(json.replace('\'', '"').toUtf8()).toVariant().toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value() == QVariant("HUGE"))
            it.value() = QString(1 << 20, 'A');
    }
    return map;
}

QString refused(const QString &type, const QString &detail)
{
    return logLine("datafeed", "'" + type + "' request failed", detail);
}

const QString Empty = "'symbol' is empty";
const QString NoRange = "neither 'startDate' nor 'itemsCount' parameter is specified. At least "
                        "one of them must be set.";
const QString NoEnd = logLine("historical bars datafeed", "'endDate' parameter is not specified. "
                              "Requesting data from current date.", QString());
const QString Range = "'itemsCount':1,'endDate':'2024-03-15T14:30:00Z'";

// One request of each type runs under these rids.
const QStringList Types{"symbolinfo", "quote", "chain", "history", "news", "newsbody"};
const QVariantMap Running{{"symbol", "CL#"}, {"fields", QStringList{"Last"}}, {"itemsCount", 1},
                          {"storyId", "s-1"}};

} // namespace

class tst_DatafeedRefusals : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_feed.reset(); m_quotes.reset(); }
    void hostileRequests_data();
    void hostileRequests();
    void stopAfterClear_data();
    void stopAfterClear();

private:
    int started() const { return m_feed->backend.startedCount() + m_quotes->startedCount(); }

    std::unique_ptr<FeedApi::Quotes::TestQuoteFeed> m_quotes;
    std::unique_ptr<DatafeedFixture> m_feed;
};

void tst_DatafeedRefusals::init()
{
    m_quotes.reset(new FeedApi::Quotes::TestQuoteFeed);
    m_feed.reset(new DatafeedFixture);
    for (int index = 0; index < Types.size(); ++index)
        QVERIFY(m_feed->datafeed.request(request(Types[index], 11 + index, Running)));
    m_feed->channel.clear();
}

void tst_DatafeedRefusals::hostileRequests_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("lines"); // a refusal ends with the line of the router

    const auto row = [](const char *name, const QString &json, const QStringList &lines) {
        QTest::newRow(name) << json << lines;
    };
    const auto skipped = [](const QString &name) {
        return logLine("quote datafeed", "skipping fieldName '" + name + "' from request", "unknown fieldName");
    };
    const QString noStory = refused("newsbody", "'storyId' is empty, nothing to request");
    row("type nested", "{'type':{'t':'chain'},'rid':2}",
        {logLine("datafeed", "request failed", "'rtype' not specified or empty")});
    row("rid nested", "{'type':'chain','rid':{'r':2},'symbol':'CL#'}", {refused("chain", "'rid' is empty")});
    row("symbolinfo: symbol missing", "{'type':'symbolinfo','rid':2}", {refused("symbolinfo", Empty)});
    row("symbolinfo: symbol null", "{'type':'symbolinfo','rid':2,'symbol':null}", {refused("symbolinfo", Empty)});
    row("symbolinfo: symbol list", "{'type':'symbolinfo','rid':2,'symbol':['A','B']}",
        {refused("symbolinfo", Empty)});
    row("symbolinfo: symbol checked before the rid", "{'type':'symbolinfo','rid':11}",
        {refused("symbolinfo", Empty)});
    row("symbolinfo: number rid repeated", "{'type':'symbolinfo','rid':11,'symbol':'A'}",
        {refused("symbolinfo", "duplicated 'rid' (11)")});
    row("symbolinfo: huge symbol, number symbology", "{'type':'symbolinfo','rid':2,'symbol':'HUGE','symbology':4}", {});
    row("quote: symbol blank", "{'type':'quote','rid':2,'symbol':'\\n '}", {refused("quote", Empty)});
    row("quote: symbol nested", "{'type':'quote','rid':2,'symbol':{'s':'A'}}", {refused("quote", Empty)});
    row("quote: number rid repeated", "{'type':'quote','rid':12,'symbol':'A'}",
        {refused("quote", "duplicated 'rid' (12)")});
    row("quote: fields nested", "{'type':'quote','rid':2,'symbol':'A','fields':{'Last':1}}", {});
    row("quote: fields of numbers", "{'type':'quote','rid':2,'symbol':'HUGE','fields':[1,null]}",
        {skipped("1"), skipped("")});
    row("chain: symbol missing", "{'type':'chain','rid':2,'date':'2024-03-15'}", {refused("chain", Empty)});
    row("chain: number rid repeated", "{'type':'chain','rid':13,'symbol':'GC#'}",
        {refused("chain", "duplicated 'rid' (13)")});
    row("chain: keys of wrong types", "{'type':'chain','rid':2,'symbol':'GC#','date':[1],'isOutright':{}}", {});
    row("history: symbol blank", "{'type':'history','rid':2,'symbol':' '}", {refused("history", Empty)});
    row("history: no range, no end", "{'type':'history','rid':2,'symbol':'GC#'}",
        {NoEnd, logLine("historical bars datafeed", NoRange, QString()), refused("history", NoRange)});
    row("history: no range", "{'type':'history','rid':2,'symbol':'GC#','endDate':'2024-03-15T14:30:00Z'}",
        {logLine("historical bars datafeed", NoRange, QString()), refused("history", NoRange)});
    row("history: number rid repeated", "{'type':'history','rid':14,'symbol':'GC#'," + Range + "}",
        {refused("history", "duplicated 'rid' (14)")});
    row("history: keys of wrong types", "{'type':'history','rid':2,'symbol':'GC#','itemsCount':{},"
        "'endDate':'tomorrow','startDate':[1,2],'realtime':{}}", {NoEnd});
    row("history: huge itemsCount", "{'type':'history','rid':2,'symbol':'HUGE','itemsCount':1e300,"
        "'endDate':'2024-03-15T14:30:00Z'}", {});
    row("news: number rid repeated", "{'type':'news','rid':15}", {refused("news", "duplicated 'rid' (15)")});
    row("news: huge symbol, keys of wrong types", "{'type':'news','rid':2,'symbols':'HUGE','daysBack':{},"
        "'historyLimit':[3],'service':{'s':1}}", {});
    row("newsbody: storyId missing", "{'type':'newsbody','rid':2}", {noStory});
    row("newsbody: storyId null", "{'type':'newsbody','rid':2,'storyId':null}", {noStory});
    row("newsbody: storyId nested", "{'type':'newsbody','rid':2,'storyId':{'id':'s'}}", {noStory});
    row("newsbody: repeated rid before the empty storyId", "{'type':'newsbody','rid':16}",
        {refused("newsbody", "duplicated 'rid' (16)")});
    row("newsbody: number storyId", "{'type':'newsbody','rid':2,'storyId':12}", {});
}

// With one request of each type running, a refused map logs its lines and starts nothing; an
// accepted one starts a request beside them. Nothing is answered.
void tst_DatafeedRefusals::hostileRequests()
{
    QFETCH(QString, json);
    QFETCH(QStringList, lines);

    LogCapture log;
    const int before = started();
    const bool accepted = lines.isEmpty() || !lines.last().startsWith("datafeed: ");
    QCOMPARE(m_feed->datafeed.request(parsed(json)), accepted);
    QCOMPARE(m_feed->channel.lines, lines);
    QCOMPARE(started() > before, accepted);
    QCOMPARE(m_feed->answers(), QList<QVariantMap>());
}

void tst_DatafeedRefusals::stopAfterClear_data()
{
    QTest::addColumn<int>("rid");

    for (int index = 0; index < Types.size(); ++index)
        QTest::newRow(qPrintable(Types[index])) << 11 + index;
}

// After clearAll the router still knows the rid; the handler refuses to stop it.
void tst_DatafeedRefusals::stopAfterClear()
{
    QFETCH(int, rid);

    m_feed->datafeed.clearAll();
    QCOMPARE(m_feed->backend.running(), QList<FeedApi::Requester *>());
    QCOMPARE(m_quotes->subscriptions().size(), 0);
    QVERIFY(!m_feed->datafeed.request({{"type", "stop"}, {"rid", rid}}));
    QCOMPARE(m_feed->channel.lines, QStringList{logLine("datafeed", "request failed",
                                                        QStringLiteral("unknown 'rid' (%1) for request").arg(rid))});
}

QTEST_MAIN(tst_DatafeedRefusals)
#include "tst_datafeedrefusals.moc"
