#include "datafeedfixture.h"

#include <chainrequest.h>
#include <chainresponse.h>
#include <historyresponse.h>
#include <historyseriesrequest.h>

#include <QJsonDocument>
#include <QtTest>

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

} // namespace

class tst_LookupDatafeedHandlers : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_feed.reset();
        m_feed.reset(new DatafeedFixture);
        m_seen.clear();
        m_reactions.clear();
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
    void answers()
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
        row("chain rerequest goes through a new lookup, unseen by the page",
            {"chain 1", "ready", "rerequest 1", "ready", "data 1"},
            {"+CL#", "-CL#", "+chain 1", "-chain 1", "+CL#", "-CL#", "+chain 1", "1 ok"});
        row("history rerequest goes through a new lookup, unseen by the page",
            {"history 1", "ready", "rerequest 1", "ready", "data 1"},
            {"+CL#", "-CL#", "+history 1", "-history 1", "+CL#", "-CL#", "+history 1", "1 ok"});
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

private:
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

    std::unique_ptr<DatafeedFixture> m_feed;
    QStringList m_seen;
    QMap<QString, QString> m_reactions;
};

QTEST_MAIN(tst_LookupDatafeedHandlers)
#include "tst_lookupdatafeedhandlers.moc"
