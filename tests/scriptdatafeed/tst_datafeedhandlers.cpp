#include "testsupport.h"

#include <scriptdatafeed/scriptdatafeed.h>
#include <scriptdatafeed/scriptformatter.h>

#include <chainrequest.h>
#include <chainresponse.h>
#include <errorresponse.h>
#include <historyresponse.h>
#include <historyseriesrequest.h>
#include <news/headlinerequest.h>
#include <news/headlineresponse.h>
#include <news/storyrequest.h>
#include <news/storyresponse.h>
#include <preferences.h>
#include <quotes/fieldquotesubscription.h>
#include <quotes/testquotefeed.h>
#include <requester.h>
#include <requesterptr.h>
#include <rerequestresponse.h>
#include <symbolkit/date.h>
#include <symbolrecord.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <symbolupdateresponse.h>
#include <testbackend.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

using Common::RecordData;
using Common::SymbolRecord;
using FeedApi::News::Headline;
using FeedApi::Quotes::TestQuoteFeed;
using Call = std::function<QVariant(ScriptFormatter *)>;
Q_DECLARE_METATYPE(Call)

// Keeps every line and also hands each one to onLine as it comes.
struct TracingChannel : RecordingChannel
{
    void append(const QString &text) override
    {
        RecordingChannel::append(text);
        if (onLine)
            onLine(text);
    }

    std::function<void(const QString &)> onLine;
};

// The datafeed with its standard handlers on a test backend; its log lines and answers are
// kept for the test.
struct DatafeedFixture
{
    DatafeedFixture() : datafeed(&channel), spy(&datafeed, &ScriptDatafeed::response) {}

    // Delivers what the backends queued; the answers since the last call.
    QList<QVariantMap> answers()
    {
        QCoreApplication::processEvents();
        QList<QVariantMap> maps;
        for (const QList<QVariant> &arguments : qAsConst(spy))
            maps.append(arguments.first().toMap());
        spy.clear();
        return maps;
    }
    // The request started at index as type R; null for another type.
    template <typename R>
    const R *sent(int index) const
    {
        return dynamic_cast<const R *>(backend.records().value(index).request.get());
    }
    template <typename R>
    bool respond(int index, const R &response)
    {
        return backend.respond(backend.records().value(index).requester, response);
    }

    FeedApi::TestBackend backend;
    TracingChannel channel;
    ScriptDatafeed datafeed;
    QSignalSpy spy;
};

inline QVariantMap request(const QString &type, const QVariant &rid, QVariantMap keys = {})
{
    keys.insert(QStringLiteral("type"), type);
    keys.insert(QStringLiteral("rid"), rid);
    return keys;
}

// An answer as the page gets it.
inline QVariantMap answer(const QVariantMap &request, const QString &result, QVariantMap payload = {})
{
    payload.insert(QStringLiteral("request"), request);
    payload.insert(QStringLiteral("result"), result);
    return payload;
}

inline Common::SymbolRecord symbolRecord(const QByteArray &symbol, int type,
                                         std::initializer_list<std::pair<int, Common::RecordData>> more = {})
{
    Common::SymbolRecord record;
    record.setValue(Common::SymbolRecord::Symbol, Common::RecordData::fromByteString(symbol));
    record.setValue(Common::SymbolRecord::SymbolType, Common::RecordData::fromInt32(type));
    for (const auto &column : more)
        record.setValue(column.first, column.second);
    return record;
}

// The line a source writes to the output log.
inline QString logLine(const QString &source, const QString &message, const QString &detail = {})
{
    return source + QStringLiteral(": ") + message + QStringLiteral(", ") + detail + QLatin1Char('\n');
}

inline QString skippedField(const QString &name)
{
    return logLine(QStringLiteral("quote datafeed"), "skipping fieldName '" + name + "' from request",
                   QStringLiteral("unknown fieldName"));
}

const QString NoEndDate = logLine(QStringLiteral("historical bars datafeed"),
                                  QStringLiteral("'endDate' parameter is not specified. "
                                                 "Requesting data from current date."));

namespace {

const QDateTime End(QDate(2024, 3, 15), QTime(14, 30), Qt::UTC);

// "CL#" for a lookup, "chain <rid>" or "history <rid>" for the request after it.
QString describe(FeedApi::Requester *requester)
{
    if (const auto *lookup = requester->requestAs<FeedApi::SymbolRequest>())
        return QString::fromUtf8(lookup->symbol());
    const QString kind = requester->requestAs<FeedApi::ChainRequest>() ? "chain " : "history ";
    return kind + requester->property("_request").toMap().value("rid").toString();
}

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

QString joined(const QList<QByteArray> &list) { return QString::fromUtf8(QByteArrayList(list).join('|')); }

QString filterText(const FeedApi::News::HeadlineFilterParameters &filter)
{
    return QStringLiteral("symbols=%1 service=%2 categories=%3 keywords=%4 or=%5 whole=%6 case=%7")
        .arg(joined(filter.symbols), QString::fromUtf8(filter.service), joined(filter.categories),
             joined(filter.keywords))
        .arg(filter.keywordsOr).arg(filter.wholeWord).arg(filter.caseSensitive);
}

const QByteArray Symbol = "ACME.QB";

QVariant value(const RecordData &data) { return QVariant::fromValue(data); }
QVariant price(double number) { return value(RecordData::fromDouble(number)); }

QVariantMap ok(const QVariantMap &data, const QString &result = "ok") { return {{"result", result}, {"data", data}}; }

const QString Missing = QStringLiteral("Failed to find SymbolRecord for formatting");
const QDateTime Afternoon(QDate(2024, 3, 15), QTime(14, 30, 5), Qt::UTC);

// The second line written for a missing record.
QString missing(const QString &id, int formatId, const QString &value)
{
    return QStringLiteral("Failed to find SymbolRecord for symbol %1, formatId=%2 "
                          "Common::recordDataToString(value)=%3").arg(id).arg(formatId).arg(value);
}

SymbolRecord clz27()
{
    return symbolRecord("CLZ27", 3, {{SymbolRecord::AlternateSymbol, RecordData::fromByteString("CLDEC27")},
                                     {SymbolRecord::MinTick, RecordData::fromDouble(0.01)},
                                     {SymbolRecord::Currency, RecordData::fromByteString("USD")}});
}

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
const QString Range = "'itemsCount':1,'endDate':'2024-03-15T14:30:00Z'";

// One request of each type runs under these rids.
const QStringList Types{"symbolinfo", "quote", "chain", "history", "news", "newsbody"};
const QVariantMap Running{{"symbol", "CL#"}, {"fields", QStringList{"Last"}}, {"itemsCount", 1},
                          {"storyId", "s-1"}};

FeedApi::SymbolResponse reply(const QByteArray &symbol) { return FeedApi::SymbolResponse(symbolRecord(symbol, 14)); }

// Writes every answer its requesters get; duringAnswer runs inside the callback.
class Receiver : public QObject
{
public:
    FeedApi::Requester *bound()
    {
        auto *requester = new FeedApi::Requester(FeedApi::SymbolRequest(Symbol, 0));
        requester->bind(this, &Receiver::onSymbol);
        requester->bind(this, &Receiver::onError);
        return requester;
    }
    void onSymbol(FeedApi::Requester *, const FeedApi::SymbolResponse &response)
    {
        events << "symbol " + response.record().value(SymbolRecord::Symbol).toString();
        if (duringAnswer)
            duringAnswer();
    }
    void onError(FeedApi::Requester *, const FeedApi::ErrorResponse &error)
    {
        events << QStringLiteral("error %1 %2 %3").arg(error.error()).arg(error.eclass()).arg(error.source());
    }

    QStringList events;
    std::function<void()> duringAnswer;
};

} // namespace

// The standard handlers of a datafeed on a test backend and a test quote feed, in UTC with ".",
// SymbolKit's today being 2 June 2025.
class tst_DatafeedHandlers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SymbolKit::Date::setCurrentDateOverride(SymbolKit::Date(2025, 6, 2)); }
    void cleanupTestCase() { SymbolKit::Date::setCurrentDateOverride(SymbolKit::Date()); }
    void init()
    {
        m_feed.reset();
        m_quotes.reset(new TestQuoteFeed);
        QVERIFY(Preferences::instance()->setFormatting(".", false, "UTC"));
        m_feed.reset(new DatafeedFixture);
        formatter()->registerSymbolRecord(clz27());
    }
    void cleanup()
    {
        m_feed.reset();
        m_quotes.reset();
        m_seen.clear();
        m_reactions.clear();
    }

    // Answers arrive in order, never from within respond(), and only for the types bound; a
    // second start() starts nothing.
    void requesterDelivers()
    {
        Receiver receiver;
        std::unique_ptr<FeedApi::Requester> requester(receiver.bound());
        requester->start();
        requester->start();
        FeedApi::TestBackend &backend = m_feed->backend;
        QCOMPARE(backend.startedCount(), 1);
        QVERIFY(backend.respond(requester.get(), reply("A")));
        QVERIFY(backend.respond(requester.get(), FeedApi::RerequestResponse()));
        QVERIFY(backend.respond(requester.get(), FeedApi::ErrorResponse(3, 1, "feed")));
        QVERIFY(backend.respond(requester.get(), reply("B")));
        QVERIFY(receiver.events.isEmpty());
        QTRY_COMPARE(receiver.events, QStringList({"symbol A", "error 3 1 feed", "symbol B"}));
        QCOMPARE(backend.endedCount(), 0);
    }

    void requesterEnds_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"deleteLater", "delete", "reset", "receiver", "in callback"})
            QTest::newRow(how) << how;
    }

    // However a requester ends (its holder reset, from its own callback), the backend hears of
    // it once, answers already queued are dropped and no later one is accepted. A receiver
    // that goes gets no callback either.
    void requesterEnds()
    {
        QFETCH(QString, how);

        FeedApi::TestBackend &backend = m_feed->backend;
        auto receiver = std::make_unique<Receiver>();
        FeedApi::Requester *requester = receiver->bound();
        QPointer<FeedApi::Requester> alive(requester);
        auto holder = std::make_unique<FeedApi::RequesterPtr>(requester);
        requester->start();
        QVERIFY(backend.respond(requester, reply("queued")));
        if (how == "deleteLater")
            holder->release()->deleteLater();
        else if (how == "delete")
            delete holder->release();
        else if (how == "reset")
            holder->reset();
        else if (how == "receiver")
            receiver.reset();
        else
            receiver->duringAnswer = [&holder]() { holder->release()->deleteLater(); };
        QVERIFY(how != "in callback" || backend.respond(requester, reply("second")));

        const bool ends = how != "receiver" && how != "in callback";
        QCOMPARE(backend.endedCount(), ends ? 1 : 0);
        QVERIFY(!ends || !alive || !backend.respond(alive, reply("late")));
        QTRY_COMPARE(alive.isNull(), how != "receiver");
        QCOMPARE(backend.endedCount(), how != "receiver" ? 1 : 0);
        QCoreApplication::processEvents();
        if (receiver)
            QCOMPARE(receiver->events, how == "in callback" ? QStringList{"symbol queued"} : QStringList());
    }

    // With no backend installed a request fails instead of waiting for ever.
    void requesterWithoutBackendFails()
    {
        m_feed.reset();
        QVERIFY(!FeedApi::Backend::current());
        Receiver receiver;
        std::unique_ptr<FeedApi::Requester> requester(receiver.bound());
        requester->start();
        QVERIFY(receiver.events.isEmpty());
        QTRY_COMPARE(receiver.events, QStringList{"error 5 2 FeedApi"});
    }

    void endingSendsNothingMore_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("stop") << "stop" << QStringList();
        QTest::newRow("clearAll-then-stop")
            << "clearAll" << QStringList{logLine("datafeed", "request failed", "unknown 'rid' (a) for request")};
        QTest::newRow("datafeed-destroyed") << "destroy" << QStringList();
    }

    // Answers queued when a request ends (data, error, rerequest) are never delivered; the
    // backend hears of every end; the rid is free again afterwards.
    void endingSendsNothingMore()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, lines);

        auto datafeed = std::make_unique<ScriptDatafeed>(&m_feed->channel);
        QSignalSpy answers(datafeed.get(), &ScriptDatafeed::response);
        QVERIFY(datafeed->request(request("news", "a")));
        QVERIFY(datafeed->request(request("newsbody", "b", {{"storyId", "s"}})));
        QVERIFY(m_feed->respond(0, FeedApi::News::HeadlineResponse()));
        QVERIFY(m_feed->respond(0, FeedApi::RerequestResponse()));
        QVERIFY(m_feed->respond(1, FeedApi::ErrorResponse(1, 1, "feed")));
        if (how == "clearAll") {
            datafeed->clearAll();
            QVERIFY(!datafeed->request({{"type", "stop"}, {"rid", "a"}}));
        } else if (how == "destroy") {
            datafeed.reset();
        } else {
            QVERIFY(datafeed->request({{"type", "stop"}, {"rid", "a"}}));
            QVERIFY(datafeed->request({{"type", "stop"}, {"rid", "b"}}));
        }
        QCOMPARE(m_feed->backend.endedCount(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(m_feed->backend.startedCount(), 2);
        QCOMPARE(m_feed->channel.lines, lines);
        QCOMPARE(answers.count(), 0);
        QVERIFY(!datafeed || datafeed->request(request("news", "a")));
        QCOMPARE(m_feed->backend.running().size(), datafeed ? 1 : 0);
    }

    void sentRequest_data()
    {
        QTest::addColumn<QVariantMap>("keys");
        QTest::addColumn<QString>("sent"); // "today": the day one second from now

        const auto row = [](const char *name, const char *type, const QVariantMap &keys, const char *sent) {
            QTest::newRow(name) << request(type, "r", keys) << QString(sent);
        };
        row("chain: not a date, zero date-time", "chain", {{"symbol", " CL# "}, {"date", "soon"}}, "date 0, outright 0");
        row("chain: milliseconds kept", "chain", {{"symbol", "CL#"}, {"isOutright", true},
            {"date", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 750), Qt::UTC)}}, "date 20240315143005750, outright 1");
        row("chain: other zones taken to UTC", "chain", {{"symbol", "CL#"},
            {"date", QDateTime(QDate(2024, 3, 15), QTime(1, 30), Qt::OffsetFromUTC, 3 * 3600)}},
            "date 20240314223000000, outright 0");
        row("history: range aligned to whole days", "history", {{"symbol", "CL#"}, {"endDate", End},
            {"startDate", QDateTime(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC)}},
            "20240301000000000 to 20240315235959999, 1 items");
        row("history: null endDate ends now, realtime", "history",
            {{"symbol", "CL#"}, {"itemsCount", 3}, {"endDate", QVariant()}, {"realtime", true}},
            "0 to today235959999, 3 items, realtime");
        row("history: end plus one second is the next day", "history", {{"symbol", "CL#"}, {"itemsCount", 5},
            {"endDate", QDateTime(QDate(2024, 3, 15), QTime(23, 59, 59, 500), Qt::UTC)}}, "0 to 20240316235959999, 5 items");
        row("history: null startDate counts as given", "history",
            {{"symbol", "CL#"}, {"startDate", QVariant()}, {"endDate", End}}, "0 to 20240315235959999, 1 items");
    }

    // The request goes out when the record looked up by symbology 4 arrives, with that record;
    // a missing end date is logged.
    void sentRequest()
    {
        QFETCH(QVariantMap, keys);
        QFETCH(QString, sent);

        const QString before = QDateTime::currentDateTimeUtc().addSecs(1).date().toString("yyyyMMdd");
        QVERIFY(m_feed->datafeed.request(keys));
        QCOMPARE(m_feed->channel.lines, sent.contains("today") ? QStringList{NoEndDate} : QStringList());
        QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbol(), QByteArray("CL#"));
        QCOMPARE(m_feed->sent<FeedApi::SymbolRequest>(0)->symbology(), 4);
        run("ready");
        QCoreApplication::processEvents();
        const QString after = QDateTime::currentDateTimeUtc().addSecs(1).date().toString("yyyyMMdd");
        if (const auto *chain = m_feed->sent<FeedApi::ChainRequest>(1)) {
            QCOMPARE(chain->underlying(), symbolRecord("CL#", 4));
            QCOMPARE(QString("date %1, outright %2").arg(chain->date().toInt64()).arg(chain->isOutright()), sent);
            return;
        }
        const auto *history = m_feed->sent<FeedApi::HistorySeriesRequest>(1);
        QVERIFY(history);
        QCOMPARE(history->record(), symbolRecord("CL#", 4));
        QCOMPARE(history->flags(), (QMap<int, QVariant>{{4, true}}));
        QVERIFY(history->spec().resolution == FeedApi::Resolution::daily(1));
        QCOMPARE(QString("%1 to %2, %3 items%4").arg(history->range().from.toInt64()).arg(history->range().to.toInt64())
                     .arg(history->itemsCount()).arg(history->isRealtime() ? ", realtime" : "")
                     .replace(" to " + before, " to today").replace(" to " + after, " to today"), sent);
    }

    // Each chain answer lists its members as "added", never "data"; each history answer
    // carries its own bars, their times without milliseconds.
    void lookupAnswers()
    {
        const QVariantMap chain = request("chain", "c", {{"symbol", "CL#"}});
        const QVariantMap history = request("history", "h", {{"symbol", "CL#"}, {"itemsCount", 2}, {"endDate", End}});
        for (const QVariantMap &sent : {chain, history}) {
            QVERIFY(m_feed->datafeed.request(sent));
            run("ready");
            QCoreApplication::processEvents();
        }
        QVERIFY(m_feed->respond(1, FeedApi::ChainResponse({"CLZ27", "CLF28", "\xc3\x9c"})));
        QVERIFY(m_feed->respond(1, FeedApi::ChainResponse({"CLG28"})));
        const quint64 volume = Q_UINT64_C(1) << 40;
        QVERIFY(m_feed->respond(3, FeedApi::HistoryResponse({{20240315143005750, 80.5, 82.25, 79.75, 81, volume},
                                                             {20240318000000000, 1, 2, 0.5, 1.5, 0}})));
        QVERIFY(m_feed->respond(3, FeedApi::HistoryResponse()));
        const QVariantList bars{
            QVariantMap{{"time", QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5), Qt::UTC)}, {"open", 80.5},
                        {"high", 82.25}, {"low", 79.75}, {"close", 81.0}, {"volume", qulonglong(volume)}},
            QVariantMap{{"time", QDateTime(QDate(2024, 3, 18), QTime(0, 0), Qt::UTC)}, {"open", 1.0},
                        {"high", 2.0}, {"low", 0.5}, {"close", 1.5}, {"volume", qulonglong(0)}}};
        QCOMPARE(m_feed->answers(), (QList<QVariantMap>{
            answer(chain, "ok", {{"added", QStringList{"CLZ27", "CLF28", "\u00dc"}}}),
            answer(chain, "ok", {{"added", QStringList{"CLG28"}}}), answer(history, "ok", {{"bars", bars}}),
            answer(history, "ok", {{"bars", QVariantList()}})}));
    }

    // Trace: "+" and "-" for what the backend starts and ends, "<rid> <result>" (and the error)
    // for what the page hears, the output log's lines, "refused" for a request refused.
    void lookups_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("trace");

        const auto fail = [](int rid, int code) { return QStringLiteral("%1 fail {\"errorCode\":%2}").arg(rid).arg(code); };
        const auto unknown = [](int rid) {
            return QStringLiteral("datafeed: request failed, unknown 'rid' (%1) for request").arg(rid);
        };
        const auto duplicated = [](const QString &type) -> QString {
            return "datafeed: '" + type + "' request failed, duplicated 'rid' (1)";
        };
        const auto row = [](const char *name, const QStringList &steps, const QStringList &trace) {
            QTest::newRow(name) << steps << trace;
        };
        row("chain joins the running lookup", {"chain 1", "chain 2", "ready"}, {"+CL#", "-CL#", "+chain 1", "+chain 2"});
        row("history restarts the running lookup", {"history 1", "history 2", "ready"},
            {"+CL#", "-CL#", "+CL#", "-CL#", "+history 1", "+history 2"});
        row("lookups of different symbols are separate", {"chain 1", "chain 2 GC#", "ready GC#"},
            {"+CL#", "+GC#", "-GC#", "+chain 2"});
        row("failed lookup fails each waiting chain once, rid free again",
            {"chain 1", "chain 2", "fail 1", "stop 1", "chain 1"},
            {"+CL#", "-CL#", fail(1, 1), fail(2, 1), unknown(1), "refused", "+CL#"});
        row("a page stopping a waiting request from a fail answer is obeyed",
            {"chain 1", "chain 2", "chain 3", "on 1 stop 2", "fail 1"}, {"+CL#", "-CL#", fail(1, 1), fail(3, 1)});
        row("a page clearing from a fail answer of history hears no more",
            {"history 1", "history 2", "on 1 clear", "fail 5", "stop 2"},
            {"+CL#", "-CL#", "+CL#", "-CL#", fail(1, 5), unknown(2), "refused"});
        row("a request started from a fail answer waits for a new lookup",
            {"chain 1", "chain 2", "on 1 chain 3", "fail 1", "ready"},
            {"+CL#", "-CL#", fail(1, 1), "+CL#", fail(2, 1), "-CL#", "+chain 3"});
        row("stopping the only waiting request ends its lookup", {"chain 1", "stop 1", "chain 1"}, {"+CL#", "-CL#", "+CL#"});
        row("a stopped waiting request is never started", {"history 1", "history 2", "stop 1", "ready"},
            {"+CL#", "-CL#", "+CL#", "-CL#", "+history 2"});
        row("a waiting rid is a duplicate in its handler only", {"chain 1", "chain 1 GC#", "history 1 GC#"},
            {"+CL#", duplicated("chain"), "refused", "+GC#"});
        row("a started rid is a duplicate", {"history 1", "ready", "history 1"},
            {"+CL#", "-CL#", "+history 1", duplicated("history"), "refused"});
        row("clearAll drops waiting requests and their lookups", {"chain 1", "history 2 GC#", "clear", "stop 1"},
            {"+CL#", "+GC#", "-CL#", "-GC#", unknown(1), "refused"});
        row("rerequest goes through a new lookup, unseen by the page",
            {"chain 1", "ready", "rerequest 1", "ready", "data 1"},
            {"+CL#", "-CL#", "+chain 1", "-chain 1", "+CL#", "-CL#", "+chain 1", "1 ok"});
        row("data-library error keeps the request", {"chain 1", "ready", "error 1 6", "stop 1"},
            {"+CL#", "-CL#", "+chain 1", fail(1, 6), "-chain 1"});
    }

    // What the backend, the page and the output log see, in order, for a run of requests and
    // answers of the two handlers that look their symbol up first.
    void lookups()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, trace);

        connect(&m_feed->backend, &FeedApi::TestBackend::requestStarted, this,
                [this](FeedApi::Requester *requester) { m_seen << "+" + describe(requester); });
        connect(&m_feed->backend, &FeedApi::TestBackend::requestEnded, this,
                [this](FeedApi::Requester *requester) { m_seen << "-" + describe(requester); });
        connect(&m_feed->datafeed, &ScriptDatafeed::response, this, [this](const QVariantMap &data) {
            const QString rid = data.value("request").toMap().value("rid").toString();
            m_seen << rid + ' ' + data.value("result").toString();
            if (data.contains("error"))
                m_seen.last() += ' ' + QJsonDocument::fromVariant(data.value("error")).toJson(QJsonDocument::Compact);
            if (m_reactions.contains(rid))
                run(m_reactions.take(rid));
        });
        m_feed->channel.onLine = [this](const QString &line) { m_seen << line.chopped(1); };

        for (const QString &step : steps) {
            run(step);
            QCoreApplication::processEvents();
        }
        QCOMPARE(m_seen, trace);
    }

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

    void headlineRequest_data()
    {
        QTest::addColumn<QVariantMap>("keys");
        QTest::addColumn<qint64>("lookBack"); // seconds; -1: from the null date-time
        QTest::addColumn<QString>("filter");  // with the history limit

        const auto row = [](const char *name, const QVariantMap &keys, qint64 lookBack,
                            const QString &filter = "limit=0 symbols= service= categories= keywords= or=0 whole=0 case=0") {
            QTest::newRow(name) << keys << lookBack << filter;
        };
        row("one day by default", {}, 86400);
        row("hoursBack wins", {{"daysBack", 2}, {"hoursBack", 5}}, 18000);
        row("zero hoursBack keeps daysBack", {{"daysBack", "3"}, {"hoursBack", 0}}, 259200);
        row("hours beyond every date, realtime", {{"hoursBack", 5124095576030432.0}, {"realtime", true}}, -1);
        row("historyLimit", {{"historyLimit", 25}}, 86400,
            "limit=25 symbols= service= categories= keywords= or=0 whole=0 case=0");
        row("negative historyLimit", {{"historyLimit", -3}}, 86400);
        row("every filter key", {{"symbols", QStringList{"ACME.QB", "\u00dc"}}, {"service", "Wire"},
            {"categories", QVariantList{"Energy"}}, {"keywords", QStringList{"oil", "gas"}}, {"keywordsOr", true},
            {"wholeWord", true}, {"caseSensitive", true}}, 86400,
            "limit=0 symbols=ACME.QB|\u00dc service=Wire categories=Energy keywords=oil|gas or=1 whole=1 case=1");
        row("keys of wrong types", {{"symbols", QVariantMap{{"a", 1}}}, {"service", QVariantList{1}},
            {"daysBack", QVariantList{}}, {"historyLimit", "many"}}, 86400);
    }

    // The interval ends now, or at 2099-01-01 01:01:01 when realtime, and looks back the
    // period; nothing is logged.
    void headlineRequest()
    {
        QFETCH(QVariantMap, keys);
        QFETCH(qint64, lookBack);
        QFETCH(QString, filter);

        const QDateTime before = QDateTime::currentDateTimeUtc();
        QVERIFY(m_feed->datafeed.request(request("news", 1, keys)));
        const QDateTime after = QDateTime::currentDateTimeUtc();
        const auto *sent = m_feed->sent<FeedApi::News::HeadlineRequest>(0);
        QVERIFY(sent);
        QCOMPARE(QStringLiteral("limit=%1 ").arg(sent->historyLimit()) + filterText(sent->filter()), filter);
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
        QTest::addColumn<QStringList>("responses"); // "update", "rerequest" or an error code
        QTest::addColumn<QVariantList>("answers");
        QTest::addColumn<int>("started");

        const auto fail = [](int code, const char *message) {
            const QVariantMap error{{"errorCode", code}, {"errorMessage", message}};
            return QVariantMap{{"result", "fail"}, {"error", error}};
        };
        const QVariantMap symbol = request("symbolinfo", 3, {{"symbol", "CLZ27"}});
        const QVariantMap news = request("news", 3, {{"symbols", QStringList{"ACME.QB"}}, {"realtime", true}});
        const QVariantMap story = request("newsbody", 3, {{"storyId", "s"}});
        const QVariantMap restart{{"result", "restart"}}, entitled = fail(3, "Not entitled to the requested data");
        QTest::newRow("symbolinfo restarts, fails") << symbol << QStringList{"update", "rerequest", "1"}
                                                    << QVariantList{restart, restart, fail(1, "Unknown symbol")} << 1;
        QTest::newRow("news error") << news << QStringList{"3"} << QVariantList{entitled} << 1;
        QTest::newRow("newsbody error") << story << QStringList{"3"} << QVariantList{entitled} << 1;
        QTest::newRow("error of no known code") << story << QStringList{"42"}
                                                << QVariantList{fail(42, "Unknown error (42)")} << 1;
        QTest::newRow("news rerequest restarts") << news << QStringList{"rerequest"} << QVariantList() << 2;
        QTest::newRow("newsbody ignores rerequests") << story << QStringList{"rerequest"} << QVariantList() << 1;
    }

    // Updates, rerequests and errors keep the request running and the rid still stops it; a
    // rerequest restarts a news request with the same filter, unseen by the page.
    void laterAnswers()
    {
        QFETCH(QVariantMap, sent);
        QFETCH(QStringList, responses);
        QFETCH(QVariantList, answers);
        QFETCH(int, started);

        QVERIFY(m_feed->datafeed.request(sent));
        for (const QString &response : responses) {
            if (response == "update")
                QVERIFY(m_feed->respond(0, FeedApi::SymbolUpdateResponse(symbolRecord("CLZ27", 3))));
            else if (response == "rerequest")
                QVERIFY(m_feed->respond(0, FeedApi::RerequestResponse()));
            else
                QVERIFY(m_feed->respond(0, FeedApi::ErrorResponse(response.toInt(), 1, "feed")));
        }
        QVariantList received;
        for (QVariantMap answer : m_feed->answers()) {
            QCOMPARE(answer.take("request").toMap(), sent);
            received.append(answer);
        }
        QCOMPARE(received, answers);
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

    void calls_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QVariant>("result");
        QTest::addColumn<QString>("missing"); // the second line of a missing record

        using F = ScriptFormatter;
        const auto row = [](const char *name, const Call &call, const QVariant &result, const QString &missing = {}) {
            QTest::newRow(name) << call << result << missing;
        };
        const QDateTime year10000(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC);
        row("price", [](F *f) { return f->formatPrice(1234.5, "CLZ27"); }, "1234.50");
        row("price by alternate symbol", [](F *f) { return f->formatPrice(-0.004, "CLDEC27"); }, "0.00");
        row("currency with sign", [](F *f) { return f->formatCurrency(1234.5, "CLZ27", true); }, "$1,234.50");
        row("currency without sign", [](F *f) { return f->formatCurrency(1234.5, "CLZ27", false); }, "1,234.50 USD");
        row("date-time", [](F *f) { return f->formatDateTime(Afternoon, "CLZ27"); }, "2024-03-15 14:30:05");
        row("date-time in year 10000", [=](F *f) { return f->formatDateTime(year10000, "CLZ27"); }, "");
        row("volume truncated", [](F *f) { return f->formatVolume(1234567.9); }, "1,234,567");
        row("negative volume keeps its sign", [](F *f) { return f->formatVolume(-1500.7); }, "-1,500");
        row("date", [](F *f) { return f->formatDate(QDate(2024, 3, 15)); }, "2024-03-15");
        row("date in year 10000", [](F *f) { return f->formatDate(QDate(10000, 1, 1)); }, "");
        row("time needs no id", [](F *f) { return f->formatTime(Afternoon.addMSecs(250)); }, "2024-03-15 14:30:05.250");
        row("number", [](F *f) { return f->formatNumber(1234.5, 2); }, "1234.50");
        row("parse price", [](F *f) { return f->parsePrice("1234.50", "CLZ27"); }, 1234.5);
        row("parse volume", [](F *f) { return f->parseVolume("1,234,567"); }, qulonglong(1234567));
        row("parse negative volume", [](F *f) { return f->parseVolume("-5"); }, QVariant());
        row("parse date", [](F *f) { return f->parseDate("2024-03-15"); }, QDate(2024, 3, 15));
        row("parse time", [](F *f) { return f->parseTime("2024-03-15 14:30:05.250"); }, Afternoon.addMSecs(250));
        row("parse date-time", [](F *f) { return f->parseDateTime("2024-03-15 14:30:05", "CLZ27"); }, Afternoon);
        row("price, unknown id", [](F *f) { return f->formatPrice(1.5, "NOPE"); }, "", missing("NOPE", 1, "1.5"));
        row("currency, empty id", [](F *f) { return f->formatCurrency(2.25, "", true); }, "", missing("", 5, "2.25"));
        row("date-time, unknown id", [](F *f) { return f->formatDateTime(Afternoon.addMSecs(250), "NOPE"); }, "",
            missing("NOPE", 4, "20240315143005250"));
        row("parse date-time, unknown id", [](F *f) { return f->parseDateTime("2024-03-15 14:30:05", "NOPE"); },
            QVariant(), missing("NOPE", 4, "2024-03-15 14:30:05"));
    }

    // With the record of CLZ27 registered (alternate symbol CLDEC27), in UTC with ".". A
    // missing record writes two diagnostic lines naming the id, the format id and the value.
    void calls()
    {
        QFETCH(Call, call);
        QFETCH(QVariant, result);
        QFETCH(QString, missing);

        LogCapture log;
        QCOMPARE(call(formatter()), result);
        QCOMPARE(log.texts("Tessel.ScriptFormatter"),
                 missing.isEmpty() ? QStringList() : (QStringList{Missing, missing}));
    }

    void settings_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected"); // signals, number, price, date-time (not for the system's)

        const QString point = QString(QLocale::system().decimalPoint());
        QTest::newRow("decimal comma") << "," << "1 1234,50 1234,50 2024-03-15 14:30:05";
        QTest::newRow("same decimal point") << "." << "0 1234.50 1234.50 2024-03-15 14:30:05";
        QTest::newRow("time zone") << "Asia/Tokyo" << "1 1234.50 1234.50 2024-03-15 23:30:05";
        QTest::newRow("all at once") << "all" << "1 1234,50 1234,50 2024-03-15 23:30:05";
        QTest::newRow("system formatting") << "system" << "1 1234" + point + "50";
    }

    // A change of the host's formatting is announced once and followed at once.
    void settings()
    {
        QFETCH(QString, change);
        QFETCH(QString, expected);

        QSignalSpy changed(formatter(), &ScriptFormatter::settingsChanged);
        Preferences *preferences = Preferences::instance();
        if (change == "system")
            preferences->setUseSystemFormatting(true);
        else if (change == "all")
            QVERIFY(preferences->setFormatting(",", false, "Asia/Tokyo"));
        else if (change.contains('/'))
            QVERIFY(preferences->setLocalTimeZoneId(change.toLatin1()));
        else
            preferences->setDecimalSymbol(change);
        ScriptFormatter *const f = formatter();
        QString actual = QString::number(changed.count()) + ' ' + f->formatNumber(1234.5, 2);
        if (change != "system")
            actual += ' ' + f->formatPrice(1234.5, "CLZ27") + ' ' + f->formatDateTime(Afternoon, "CLZ27");
        QCOMPARE(actual, expected);
    }

    // A "symbolinfo" answer makes its record known; clearAll forgets it until the next answer.
    void symbolCache()
    {
        LogCapture log;
        for (const QString rid : {"1", "2"}) {
            m_feed->datafeed.clearAll();
            QCOMPARE(formatter()->formatPrice(1.5, "CLZ27"), QString());
            QVERIFY(m_feed->datafeed.request({{"type", "symbolinfo"}, {"rid", rid}, {"symbol", "CLZ27"}}));
            QVERIFY(m_feed->backend.respond(m_feed->backend.running().last(), FeedApi::SymbolResponse(clz27())));
            QCOMPARE(m_feed->answers().value(0).value("data").toMap().value("formatterId"), QVariant("CLZ27"));
            QCOMPARE(formatter()->formatPrice(1.5, "CLZ27"), QStringLiteral("1.50"));
        }
        const QString failed = missing("CLZ27", 1, "1.5");
        QCOMPARE(log.texts("Tessel.ScriptFormatter"), (QStringList{Missing, failed, Missing, failed}));
    }

    void hostileRequests_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QStringList>("lines"); // a refusal ends with the line of the router

        const auto row = [](const char *name, const QString &json, const QStringList &lines) {
            QTest::newRow(name) << json << lines;
        };
        const QString noStory = refused("newsbody", "'storyId' is empty, nothing to request");
        row("symbolinfo: symbol missing", "{'type':'symbolinfo','rid':2}", {refused("symbolinfo", Empty)});
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
            {skippedField("1"), skippedField("")});
        row("chain: symbol missing", "{'type':'chain','rid':2,'date':'2024-03-15'}", {refused("chain", Empty)});
        row("chain: number rid repeated", "{'type':'chain','rid':13,'symbol':'GC#'}",
            {refused("chain", "duplicated 'rid' (13)")});
        row("chain: keys of wrong types", "{'type':'chain','rid':2,'symbol':'GC#','date':[1],'isOutright':{}}", {});
        row("history: symbol blank", "{'type':'history','rid':2,'symbol':' '}", {refused("history", Empty)});
        row("history: no range, no end", "{'type':'history','rid':2,'symbol':'GC#'}",
            {NoEndDate, logLine("historical bars datafeed", NoRange, QString()), refused("history", NoRange)});
        row("history: no range", "{'type':'history','rid':2,'symbol':'GC#','endDate':'2024-03-15T14:30:00Z'}",
            {logLine("historical bars datafeed", NoRange, QString()), refused("history", NoRange)});
        row("history: number rid repeated", "{'type':'history','rid':14,'symbol':'GC#'," + Range + "}",
            {refused("history", "duplicated 'rid' (14)")});
        row("history: keys of wrong types", "{'type':'history','rid':2,'symbol':'GC#','itemsCount':{},"
            "'endDate':'tomorrow','startDate':[1,2],'realtime':{}}", {NoEndDate});
        row("history: huge itemsCount", "{'type':'history','rid':2,'symbol':'HUGE','itemsCount':1e300,"
            "'endDate':'2024-03-15T14:30:00Z'}", {});
        row("news: number rid repeated", "{'type':'news','rid':15}", {refused("news", "duplicated 'rid' (15)")});
        row("news: huge symbol, keys of wrong types", "{'type':'news','rid':2,'symbols':'HUGE','daysBack':{},"
            "'historyLimit':[3],'service':{'s':1}}", {});
        row("newsbody: storyId missing", "{'type':'newsbody','rid':2}", {noStory});
        row("newsbody: storyId nested", "{'type':'newsbody','rid':2,'storyId':{'id':'s'}}", {noStory});
        row("newsbody: repeated rid before the empty storyId", "{'type':'newsbody','rid':16}",
            {refused("newsbody", "duplicated 'rid' (16)")});
        row("newsbody: number storyId", "{'type':'newsbody','rid':2,'storyId':12}", {});
    }

    // With one request of each type running, a refused map logs its lines and starts nothing; an
    // accepted one starts a request beside them. Nothing is answered.
    void hostileRequests()
    {
        QFETCH(QString, json);
        QFETCH(QStringList, lines);

        startEachType();
        LogCapture log;
        const int before = started();
        const bool accepted = lines.isEmpty() || !lines.last().startsWith("datafeed: ");
        QCOMPARE(m_feed->datafeed.request(parsed(json)), accepted);
        QCOMPARE(m_feed->channel.lines, lines);
        QCOMPARE(started() > before, accepted);
        QCOMPARE(m_feed->answers(), QList<QVariantMap>());
    }

    // After clearAll the router still knows every rid; each handler refuses to stop its own.
    void stopAfterClear()
    {
        startEachType();
        m_feed->datafeed.clearAll();
        QCOMPARE(m_feed->backend.running(), QList<FeedApi::Requester *>());
        QCOMPARE(m_quotes->subscriptions().size(), 0);
        QStringList lines;
        for (int rid = 11; rid < 11 + Types.size(); ++rid) {
            QVERIFY(!m_feed->datafeed.request({{"type", "stop"}, {"rid", rid}}));
            lines << logLine("datafeed", "request failed", QStringLiteral("unknown 'rid' (%1) for request").arg(rid));
        }
        QCOMPARE(m_feed->channel.lines, lines);
    }

private:
    ScriptFormatter *formatter() const { return m_feed->datafeed.scriptFormatter(); }
    // Starts one request of each type, under the rids 11 to 16.
    void startEachType()
    {
        for (int index = 0; index < Types.size(); ++index)
            QVERIFY(m_feed->datafeed.request(request(Types[index], 11 + index, Running)));
        m_feed->channel.clear();
    }
    FeedApi::Requester *running(const QString &description) const
    {
        for (FeedApi::Requester *requester : m_feed->backend.running()) {
            if (describe(requester) == description)
                return requester;
        }
        return nullptr;
    }

    // One step: "chain|history <rid> [symbol]", "stop <rid>", "clear", "ready [symbol]" (the
    // lookup answers), "fail <code>" (the lookup of CL# fails), "rerequest <rid>",
    // "error <rid> <code>", "data <rid>", "on <rid> <step>" (the page runs step when it hears
    // of rid). The symbol is CL# unless given.
    void run(const QString &step)
    {
        const QStringList word = step.split(' ');
        const QString rid = word.value(1);
        const QString symbol = word.value(word[0] == "ready" ? 1 : 2, "CL#");
        FeedApi::TestBackend &backend = m_feed->backend;
        FeedApi::Requester *chain = running("chain " + rid);
        FeedApi::Requester *requester = chain ? chain : running("history " + rid);
        bool accepted = true;
        if (word[0] == "on")
            m_reactions.insert(rid, word.mid(2).join(' '));
        else if (word[0] == "chain" || word[0] == "history")
            accepted = m_feed->datafeed.request(request(word[0], rid, {{"symbol", symbol}, {"itemsCount", 10},
                                                                       {"endDate", End}}));
        else if (word[0] == "stop")
            accepted = m_feed->datafeed.request({{"type", "stop"}, {"rid", rid}});
        else if (word[0] == "clear")
            m_feed->datafeed.clearAll();
        else if (word[0] == "ready")
            QVERIFY(backend.respond(running(symbol), FeedApi::SymbolResponse(symbolRecord(symbol.toUtf8(), 4))));
        else if (word[0] == "fail")
            QVERIFY(backend.respond(running("CL#"), FeedApi::ErrorResponse(rid.toInt(), 1, "")));
        else if (word[0] == "rerequest")
            QVERIFY(backend.respond(requester, FeedApi::RerequestResponse()));
        else if (word[0] == "error")
            QVERIFY(backend.respond(requester, FeedApi::ErrorResponse(word[2].toInt(), 2, "")));
        else if (chain)
            QVERIFY(backend.respond(chain, FeedApi::ChainResponse({"CLZ27"})));
        else
            QVERIFY(backend.respond(requester, FeedApi::HistoryResponse()));
        if (!accepted)
            m_seen << "refused";
    }
    int started() const { return m_feed->backend.startedCount() + m_quotes->startedCount(); }

    std::unique_ptr<TestQuoteFeed> m_quotes;
    std::unique_ptr<DatafeedFixture> m_feed;
    QStringList m_seen;
    QMap<QString, QString> m_reactions;
};

QTEST_MAIN(tst_DatafeedHandlers)
#include "tst_datafeedhandlers.moc"
