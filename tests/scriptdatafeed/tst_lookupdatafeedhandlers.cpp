#include "datafeedfixture.h"

#include <chainrequest.h>
#include <chainresponse.h>
#include <errorresponse.h>
#include <historyresponse.h>
#include <historyseriesrequest.h>
#include <rerequestresponse.h>
#include <symbolrequest.h>
#include <symbolresponse.h>

#include <QJsonDocument>
#include <QtTest>

#include <memory>

namespace {

const QDateTime End(QDate(2024, 3, 15), QTime(14, 30), Qt::UTC);
const QString NoEnd = logLine("historical bars datafeed", "'endDate' parameter is not specified. "
                              "Requesting data from current date.", QString());

QVariantMap chain(const QVariantMap &keys) { return request("chain", "c", keys); }
QVariantMap history(const QVariantMap &keys) { return request("history", "h", keys); }

QString describe(FeedApi::Requester *requester)
{
    if (const auto *lookup = requester->requestAs<FeedApi::SymbolRequest>())
        return "lookup " + QString::fromUtf8(lookup->symbol());
    const QString kind = requester->requestAs<FeedApi::ChainRequest>() ? "chain " : "history ";
    return kind + requester->property("_request").toMap().value("rid").toString();
}

} // namespace

class tst_LookupDatafeedHandlers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void chainRequest_data();
    void chainRequest();
    void historyRequest_data();
    void historyRequest();
    void lookups_data();
    void lookups();

private:
    // Answers the running lookup of symbol with a continuous futures record.
    void lookedUp(const QString &symbol = "CL#");
    FeedApi::Requester *running(const QString &description) const;
    // One step of lookups(): "chain <rid> <symbol>", "history <rid> <symbol>" (with an end),
    // "history-now <rid> <symbol>" (without), "stop <rid>", "clear", "ready <symbol>",
    // "fail <symbol> <code>" (the lookup fails), "rerequest <rid>", "error <rid> <code>",
    // "data <rid>", "on <rid> <step>" (the page runs step when it hears of rid).
    void run(const QString &step);

    std::unique_ptr<DatafeedFixture> m_feed;
    QStringList m_seen;
    QMap<QString, QString> m_reactions;
};

void tst_LookupDatafeedHandlers::init()
{
    m_feed.reset();
    m_feed.reset(new DatafeedFixture);
    m_seen.clear();
    m_reactions.clear();
}

void tst_LookupDatafeedHandlers::lookedUp(const QString &symbol)
{
    QVERIFY(m_feed->backend.respond(running("lookup " + symbol),
                                    FeedApi::SymbolResponse(symbolRecord(symbol.toUtf8(), 4))));
    QCoreApplication::processEvents();
}

FeedApi::Requester *tst_LookupDatafeedHandlers::running(const QString &description) const
{
    for (FeedApi::Requester *requester : m_feed->backend.running()) {
        if (describe(requester) == description)
            return requester;
    }
    return nullptr;
}

void tst_LookupDatafeedHandlers::chainRequest_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<quint64>("date");
    QTest::addColumn<bool>("isOutright");

    QTest::newRow("no date: zero date-time") << QVariantMap{{"symbol", " CL# "}} << quint64(0) << false;
    QTest::newRow("milliseconds kept") << QVariantMap{{"symbol", "CL#"}, {"isOutright", true},
        {"date", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 750), Qt::UTC)}}
        << quint64(20240315143005750) << true;
    QTest::newRow("other zones taken to UTC") << QVariantMap{{"symbol", "CL#"},
        {"date", QDateTime(QDate(2024, 3, 15), QTime(1, 30), Qt::OffsetFromUTC, 3 * 3600)}}
        << quint64(20240314223000000) << false;
    QTest::newRow("not a date") << QVariantMap{{"symbol", "CL#"}, {"date", "soon"}} << quint64(0) << false;
}

// The chain request goes out with the looked-up record (symbology 4); each chain answer lists
// its members as "added", never "data".
void tst_LookupDatafeedHandlers::chainRequest()
{
    QFETCH(QVariantMap, keys);
    QFETCH(quint64, date);
    QFETCH(bool, isOutright);

    QVERIFY(m_feed->datafeed.request(chain(keys)));
    QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbol(), QByteArray("CL#"));
    QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbology(), 4);
    lookedUp();
    const auto *sent = m_feed->sent<FeedApi::ChainRequest>(1);
    QVERIFY(sent);
    QCOMPARE(sent->underlying(), symbolRecord("CL#", 4));
    QCOMPARE(sent->date().toInt64(), date);
    QCOMPARE(sent->isOutright(), isOutright);

    QVERIFY(m_feed->respond(1, FeedApi::ChainResponse({"CLZ27", "CLF28", "\xc3\x9c"})));
    QVERIFY(m_feed->respond(1, FeedApi::ChainResponse({"CLG28"})));
    QCOMPARE(m_feed->answers(), (QList<QVariantMap>{
        answer(chain(keys), "ok", {{"added", QStringList{"CLZ27", "CLF28", "\u00dc"}}}),
        answer(chain(keys), "ok", {{"added", QStringList{"CLG28"}}})}));
}

void tst_LookupDatafeedHandlers::historyRequest_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<quint64>("from");
    QTest::addColumn<quint64>("to"); // 0: the end of the day one second from now
    QTest::addColumn<int>("itemsCount");
    QTest::addColumn<bool>("realtime");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("range aligned to whole days") << QVariantMap{{"symbol", "CL#"}, {"endDate", End},
        {"startDate", QDateTime(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC)}}
        << quint64(20240301000000000) << quint64(20240315235959999) << 1 << false << QStringList();
    QTest::newRow("itemsCount only: ends now") << QVariantMap{{"symbol", "CL#"}, {"itemsCount", 20}}
        << quint64(0) << quint64(0) << 20 << false << QStringList{NoEnd};
    QTest::newRow("null endDate: ends now")
        << QVariantMap{{"symbol", "CL#"}, {"itemsCount", 3}, {"endDate", QVariant()}, {"realtime", true}}
        << quint64(0) << quint64(0) << 3 << true << QStringList{NoEnd};
    QTest::newRow("end plus one second is the next day") << QVariantMap{{"symbol", "CL#"}, {"itemsCount", 5},
        {"endDate", QDateTime(QDate(2024, 3, 15), QTime(23, 59, 59, 500), Qt::UTC)}}
        << quint64(0) << quint64(20240316235959999) << 5 << false << QStringList();
    QTest::newRow("null startDate counts as given")
        << QVariantMap{{"symbol", "CL#"}, {"startDate", QVariant()}, {"endDate", End}}
        << quint64(0) << quint64(20240315235959999) << 1 << false << QStringList();
}

// The series request is built when the record arrives; each history answer carries its own
// bars, their times without milliseconds.
void tst_LookupDatafeedHandlers::historyRequest()
{
    QFETCH(QVariantMap, keys);
    QFETCH(quint64, from);
    QFETCH(quint64, to);
    QFETCH(int, itemsCount);
    QFETCH(bool, realtime);
    QFETCH(QStringList, lines);

    const QDate before = QDateTime::currentDateTimeUtc().addSecs(1).date();
    QVERIFY(m_feed->datafeed.request(history(keys)));
    QCOMPARE(m_feed->channel.lines, lines);
    lookedUp();
    const QDate after = QDateTime::currentDateTimeUtc().addSecs(1).date();
    const auto *sent = m_feed->sent<FeedApi::HistorySeriesRequest>(1);
    QVERIFY(sent);
    QCOMPARE(sent->record(), symbolRecord("CL#", 4));
    QCOMPARE(sent->range().from.toInt64(), from);
    if (to)
        QCOMPARE(sent->range().to.toInt64(), to);
    QCOMPARE(sent->range().to.time(), quint32(235959999));
    QVERIFY(to || sent->range().to.toQDate() == before || sent->range().to.toQDate() == after);
    QCOMPARE(sent->itemsCount(), itemsCount);
    QCOMPARE(sent->isRealtime(), realtime);
    QCOMPARE(sent->flags(), (QMap<int, QVariant>{{4, true}}));
    QVERIFY(sent->spec().resolution == FeedApi::Resolution::daily(1));
    QVERIFY(sent->spec().spec.isEmpty() && sent->spec().chartType == 0 && sent->spec().settings.isEmpty());

    const quint64 volume = Q_UINT64_C(1) << 40;
    QVERIFY(m_feed->respond(1, FeedApi::HistoryResponse({{20240315143005750, 80.5, 82.25, 79.75, 81, volume},
                                                         {20240318000000000, 1, 2, 0.5, 1.5, 0}})));
    QVERIFY(m_feed->respond(1, FeedApi::HistoryResponse()));
    const QVariantList bars{
        QVariantMap{{"time", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5), Qt::UTC)}, {"open", 80.5},
                    {"high", 82.25}, {"low", 79.75}, {"close", 81.0}, {"volume", qulonglong(volume)}},
        QVariantMap{{"time", QDateTime(QDate(2024, 3, 18), QTime(0, 0), Qt::UTC)}, {"open", 1.0},
                    {"high", 2.0}, {"low", 0.5}, {"close", 1.5}, {"volume", qulonglong(0)}}};
    QCOMPARE(m_feed->answers(), (QList<QVariantMap>{answer(history(keys), "ok", {{"bars", bars}}),
                                                    answer(history(keys), "ok", {{"bars", QVariantList()}})}));
}

void tst_LookupDatafeedHandlers::lookups_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("trace");

    const QString unknown1 = "log: datafeed: request failed, unknown 'rid' (1) for request";
    const QString noEnd = "log: " + NoEnd.chopped(1);
    const auto failed = [](int rid, int code) {
        return QStringLiteral("%1 fail {\"errorCode\":%2}").arg(rid).arg(code);
    };
    QTest::newRow("chain joins the running lookup") << QStringList{"chain 1 CL#", "chain 2 CL#", "ready CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", "chain 1", "chain 2"};
    QTest::newRow("history restarts the running lookup")
        << QStringList{"history 1 CL#", "history 2 CL#", "ready CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", "lookup CL#", "end lookup CL#", "history 1", "history 2"};
    QTest::newRow("lookups of different symbols are separate")
        << QStringList{"chain 1 CL#", "chain 2 GC#", "ready GC#"}
        << QStringList{"lookup CL#", "lookup GC#", "end lookup GC#", "chain 2"};
    QTest::newRow("failed lookup fails each waiting chain once, rid free again")
        << QStringList{"chain 1 CL#", "chain 2 CL#", "fail CL# 1", "stop 1", "chain 1 CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", failed(1, 1), failed(2, 1), unknown1, "refused",
                       "lookup CL#"};
    QTest::newRow("failed lookup fails waiting history") << QStringList{"history 1 CL#", "fail CL# 4"}
        << QStringList{"lookup CL#", "end lookup CL#", failed(1, 4)};
    QTest::newRow("a page stopping a waiting request from a fail answer is obeyed")
        << QStringList{"chain 1 CL#", "chain 2 CL#", "chain 3 CL#", "on 1 stop 2", "fail CL# 1"}
        << QStringList{"lookup CL#", "end lookup CL#", failed(1, 1), failed(3, 1)};
    QTest::newRow("a page clearing from a fail answer hears no more")
        << QStringList{"history 1 CL#", "history 2 CL#", "on 1 clear", "fail CL# 5", "stop 2"}
        << QStringList{"lookup CL#", "end lookup CL#", "lookup CL#", "end lookup CL#", failed(1, 5),
                       "log: datafeed: request failed, unknown 'rid' (2) for request", "refused"};
    QTest::newRow("a request started from a fail answer waits for a new lookup")
        << QStringList{"chain 1 CL#", "chain 2 CL#", "on 1 chain 3 CL#", "fail CL# 1", "ready CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", failed(1, 1), "lookup CL#", failed(2, 1),
                       "end lookup CL#", "chain 3"};
    QTest::newRow("stopping the only waiting request ends its lookup")
        << QStringList{"chain 1 CL#", "stop 1", "chain 1 CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", "lookup CL#"};
    QTest::newRow("a stopped waiting request is never started")
        << QStringList{"history 1 CL#", "history 2 CL#", "stop 1", "ready CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", "lookup CL#", "end lookup CL#", "history 2"};
    QTest::newRow("a waiting rid is a duplicate in its handler only")
        << QStringList{"chain 1 CL#", "chain 1 GC#", "history 1 GC#"}
        << QStringList{"lookup CL#", "log: datafeed: 'chain' request failed, duplicated 'rid' (1)",
                       "refused", "lookup GC#"};
    QTest::newRow("a started rid is a duplicate") << QStringList{"history 1 CL#", "ready CL#", "history 1 CL#"}
        << QStringList{"lookup CL#", "end lookup CL#", "history 1",
                       "log: datafeed: 'history' request failed, duplicated 'rid' (1)", "refused"};
    QTest::newRow("clearAll drops waiting requests and their lookups")
        << QStringList{"chain 1 CL#", "history 2 GC#", "clear", "stop 1"}
        << QStringList{"lookup CL#", "lookup GC#", "end lookup CL#", "end lookup GC#", unknown1, "refused"};
    QTest::newRow("chain rerequest goes through a new lookup, unseen by the page")
        << QStringList{"chain 1 CL#", "ready CL#", "rerequest 1", "ready CL#", "data 1"}
        << QStringList{"lookup CL#", "end lookup CL#", "chain 1", "end chain 1", "lookup CL#",
                       "end lookup CL#", "chain 1", "1 ok"};
    QTest::newRow("history rerequest reads the request again")
        << QStringList{"history-now 1 CL#", "ready CL#", "rerequest 1", "ready CL#", "data 1"}
        << QStringList{noEnd, "lookup CL#", "end lookup CL#", "history 1", "end history 1", noEnd,
                       "lookup CL#", "end lookup CL#", "history 1", "1 ok"};
    QTest::newRow("data-library error keeps the request")
        << QStringList{"chain 1 CL#", "ready CL#", "error 1 6", "stop 1"}
        << QStringList{"lookup CL#", "end lookup CL#", "chain 1", failed(1, 6), "end chain 1"};
}

// What the backend, the page and the output log see, in order, for a run of requests and
// answers of the two handlers that look their symbol up first.
void tst_LookupDatafeedHandlers::lookups()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, trace);

    connect(&m_feed->backend, &FeedApi::TestBackend::requestStarted, this,
            [this](FeedApi::Requester *requester) { m_seen << describe(requester); });
    connect(&m_feed->backend, &FeedApi::TestBackend::requestEnded, this,
            [this](FeedApi::Requester *requester) { m_seen << "end " + describe(requester); });
    connect(&m_feed->datafeed, &ScriptDatafeed::response, this, [this](const QVariantMap &data) {
        const QString rid = data.value("request").toMap().value("rid").toString();
        QString text = rid + ' ' + data.value("result").toString();
        if (data.contains("error"))
            text += ' ' + QJsonDocument::fromVariant(data.value("error")).toJson(QJsonDocument::Compact);
        m_seen << text;
        if (m_reactions.contains(rid))
            run(m_reactions.take(rid));
    });
    m_feed->channel.onLine = [this](const QString &line) { m_seen << "log: " + line.chopped(1); };

    for (const QString &step : steps) {
        run(step);
        QCoreApplication::processEvents();
    }
    QCOMPARE(m_seen, trace);
}

void tst_LookupDatafeedHandlers::run(const QString &step)
{
    const QStringList word = step.split(' ');
    bool accepted = true;
    if (word[0] == "on") {
        m_reactions.insert(word[1], word.mid(2).join(' '));
    } else if (word[0] == "chain") {
        accepted = m_feed->datafeed.request(request("chain", word[1], {{"symbol", word[2]}}));
    } else if (word[0].startsWith("history")) {
        QVariantMap keys{{"symbol", word[2]}, {"itemsCount", 10}};
        if (word[0] == "history")
            keys.insert("endDate", End);
        accepted = m_feed->datafeed.request(request("history", word[1], keys));
    } else if (word[0] == "stop") {
        accepted = m_feed->datafeed.request({{"type", "stop"}, {"rid", word[1]}});
    } else if (word[0] == "clear") {
        m_feed->datafeed.clearAll();
    } else if (word[0] == "ready") {
        lookedUp(word[1]);
    } else if (word[0] == "fail") {
        QVERIFY(m_feed->backend.respond(running("lookup " + word[1]),
                                        FeedApi::ErrorResponse(word[2].toInt(), 1, "feed")));
    } else {
        FeedApi::Requester *chainRequester = running("chain " + word[1]);
        FeedApi::Requester *requester = chainRequester ? chainRequester : running("history " + word[1]);
        QVERIFY(requester);
        if (word[0] == "rerequest")
            QVERIFY(m_feed->backend.respond(requester, FeedApi::RerequestResponse()));
        else if (word[0] == "error")
            QVERIFY(m_feed->backend.respond(requester, FeedApi::ErrorResponse(word[2].toInt(), 2, "")));
        else if (chainRequester)
            QVERIFY(m_feed->backend.respond(requester, FeedApi::ChainResponse({"CLZ27"})));
        else
            QVERIFY(m_feed->backend.respond(requester, FeedApi::HistoryResponse()));
    }
    if (!accepted)
        m_seen << "refused";
}

QTEST_MAIN(tst_LookupDatafeedHandlers)
#include "tst_lookupdatafeedhandlers.moc"
