#include <chainrequest.h>
#include <chainresponse.h>
#include <contentrequest.h>
#include <contentresponse.h>
#include <errorresponse.h>
#include <historyresponse.h>
#include <historyseriesrequest.h>
#include <market/marketbackend.h>
#include <market/marketservice.h>
#include <market/marketstore.h>
#include <news/headlinerequest.h>
#include <news/headlineresponse.h>
#include <news/storyrequest.h>
#include <news/storyresponse.h>
#include <requester.h>
#include <symbolrequest.h>
#include <symbolresponse.h>

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Common::DateTime;
using Common::SymbolRecord;
using namespace FeedApi;
using Market::Instrument;
using Market::MarketBackend;
using Market::MarketStore;
using News::Headline;
using News::HeadlineFilterParameters;

using RequestPtr = std::shared_ptr<const Request>;
Q_DECLARE_METATYPE(RequestPtr)

namespace {

// The day the stores are made on: a Friday on which the March 2026 contracts expire.
const QDate MadeOn(2026, 3, 20);
constexpr quint32 Seed = 7;
constexpr int Vmt = VmtSymbolRequest::Vmt;
const DateTime NullTime;

QDateTime utc(const QDate &day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(day, QTime(hour, minute, second), Qt::UTC);
}

DateTime at(const QDate &day, int hour = 0, int minute = 0)
{
    return DateTime::fromQDateTime(utc(day, hour, minute));
}

DateTime endOf(const QDate &day)
{
    return DateTime(DateTime::fromQDate(day).date(), 235959999);
}

// "count first..last" of bars, by day as YYYYMMDD; "0" when there are none.
QString span(const QVector<Bar> &bars)
{
    const auto day = [](const Bar &bar) { return bar.time / DateTime::DateFactor; };
    return bars.isEmpty() ? QStringLiteral("0")
                          : QStringLiteral("%1 %2..%3").arg(bars.size()).arg(day(bars.first())).arg(day(bars.last()));
}

QString makeStore(const QString &dir, quint32 seed, const QDate &day)
{
    const QString fileName = QDir(dir).filePath(QStringLiteral("market.sqlite"));
    QString error;
    QTest::qVerify(MarketStore::create(fileName, seed, day, &error), "create", qPrintable(error), __FILE__, __LINE__);
    return fileName;
}

QString summary(const std::optional<Instrument> &i)
{
    if (!i)
        return QStringLiteral("none");
    QString text = QStringLiteral("%1 type=%2 root=%3 exch=%4 cur=%5").arg(QString::fromUtf8(i->symbol)).arg(i->type)
                       .arg(QString::fromUtf8(i->root), QString::fromUtf8(i->exchange), QString::fromUtf8(i->currency));
    if (i->expirationYear > 0) {
        text += " exp=" + QDate(i->expirationYear, i->expirationMonth, i->expirationDay).toString(Qt::ISODate)
            + (i->expired ? " expired" : "");
    }
    if (i->termPeriod > 0)
        text += QStringLiteral(" term=%1/%2").arg(i->termPeriod).arg(i->termType);
    if (!i->alternateSymbol.isEmpty())
        text += " alt=" + QString::fromUtf8(i->alternateSymbol);
    if (!i->legs.isEmpty())
        text += " legs=" + QString::fromUtf8(i->legs);
    if (i->subType != 0)
        text += QStringLiteral(" sub=%1").arg(i->subType);
    return text + (i->spreadChainAllowed ? " spread-chain" : "");
}

// "symbols=A,B service=S categories=C,D keywords=K,L from=<minute> limit=<n> or whole case"
HeadlineFilterParameters parseFilter(const QString &text, int *fromMinute, uint *limit)
{
    QHash<QString, QByteArray> values;
    for (const QString &token : text.split(' ', Qt::SkipEmptyParts))
        values.insert(token.section('=', 0, 0), token.section('=', 1).toUtf8());
    const auto list = [&values](const char *key) {
        return values.contains(key) ? values.value(key).split(',') : QByteArrayList();
    };
    *fromMinute = values.value("from").toInt();
    *limit = values.value("limit").toUInt();
    return HeadlineFilterParameters{list("symbols"), values.value("service"), list("categories"), list("keywords"),
                                    values.contains("or"), values.contains("whole"), values.contains("case")};
}

SymbolRecord recordOf(const QByteArray &symbol)
{
    SymbolRecord record;
    record.setValue(SymbolRecord::Symbol, Common::RecordData::fromByteString(symbol));
    return record;
}

template <typename R>
RequestPtr make(const R &request)
{
    return std::make_shared<const R>(request);
}

QString describe(const SymbolRecord &record)
{
    QString text = record.value(SymbolRecord::Symbol).toString();
    if (record.isValid(SymbolRecord::Expired))
        text += record.value(SymbolRecord::Expired).toBool() ? " expired" : " live";
    if (record.isValid(SymbolRecord::AlternateSymbol))
        text += " alt=" + record.value(SymbolRecord::AlternateSymbol).toString();
    return text;
}

// A request the backend does not serve.
class OtherRequest : public Request
{
};

// A content request with a response of its own, as the updater's is.
class UpperContentRequest : public ContentRequest
{
public:
    using ContentRequest::ContentRequest;
    std::shared_ptr<const Response> makeResponse(const QByteArray &content) const override
    {
        return std::make_shared<const ContentResponse>(content.toUpper());
    }
};

} // namespace

// Starts requests and writes each response they get as one line.
class Recorder : public QObject
{
    Q_OBJECT

public:
    Requester *start(const RequestPtr &request)
    {
        auto *requester = new Requester(request, this);
        requester->bind(this, &Recorder::onSymbol);
        requester->bind(this, &Recorder::onChain);
        requester->bind(this, &Recorder::onHistory);
        requester->bind(this, &Recorder::onHeadlines);
        requester->bind(this, &Recorder::onStory);
        requester->bind(this, &Recorder::onContent);
        requester->bind(this, &Recorder::onError);
        requester->start();
        return requester;
    }

    void onSymbol(Requester *, const SymbolResponse &r) { lines << "symbol " + describe(r.record()); }
    void onChain(Requester *, const ChainResponse &r)
    {
        const QList<QByteArray> s = r.symbols();
        lines << (s.isEmpty() ? QStringLiteral("chain 0") : QStringLiteral("chain %1 %2..%3").arg(s.size())
                                  .arg(QString::fromUtf8(s.first()), QString::fromUtf8(s.last())));
        members += s;
    }
    void onHistory(Requester *, const HistoryResponse &r) { lines << "bars " + span(r.bars()); }
    void onHeadlines(Requester *, const News::HeadlineResponse &r)
    {
        lines << QStringLiteral("headlines last=%1 %2").arg(r.isLastNews()).arg(r.headlines().size());
    }
    void onStory(Requester *, const News::StoryResponse &r)
    {
        lines << QStringLiteral("story %1 %2").arg(r.format()).arg(QString::fromUtf8(r.content().left(8)));
    }
    void onContent(Requester *, const ContentResponse &r) { lines << "content " + QString::fromUtf8(r.content()); }
    void onError(Requester *, const ErrorResponse &r)
    {
        lines << QStringLiteral("error %1 %2 %3").arg(r.error()).arg(r.eclass()).arg(r.source());
    }

    QStringList lines;
    QList<QByteArray> members;
};

class tst_Market : public QObject
{
    Q_OBJECT

private slots:
    // One store made on MadeOn and opened at noon, served by the current backend, with five
    // headlines of 1 January 2001 that the filter rows pick from, and a content folder.
    void initTestCase()
    {
        makeStore(m_dir.path(), Seed, MadeOn);
        QVERIFY2(m_store.open(m_dir.path(), Seed, utc(MadeOn, 12)), qPrintable(m_store.errorString()));
        m_backend.setClock([] { return utc(MadeOn, 12); });
        m_backend.setNewsRate(0);
        m_previous = Backend::setCurrent(&m_backend);
        const struct {
            const char *text, *symbols, *categories, *source, *id;
        } crafted[] = {{"Acme raises outlook", "ACME.QB", "Earnings", "MWIRE", "t1"},
                       {"Northwind and Acme agree merger", "NRTH.N ACME.QB", "Mergers Financials", "NEWSDESK", "t2"},
                       {"Rates rise; corporate bonds slip", "", "Economy", "FXWATCH", "t3"},
                       {"RATE decision due", "EURUSD", "forex", "fxwatch", "t4"},
                       {"Gold glitters as oil toils", "GC#", "Commodities Metals", "MWIRE", "t5"}};
        int minute = 0;
        for (const auto &c : crafted) {
            const Headline headline{at(QDate(2001, 1, 1), 10, minute++), c.text, c.symbols, c.categories, c.source,
                                    c.id};
            QVERIFY(store().addHeadline(headline, MarketStore::Story{"story", 1}));
        }
        const QString content = m_dir.filePath("content");
        QVERIFY(QDir().mkpath(content + "/sub"));
        for (const char *name : {"/table.ctab", "/sub/table.ctab"}) {
            QFile file(content + name);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("hello table") == 11);
        }
    }
    void cleanupTestCase() { Backend::setCurrent(m_previous); }


    void instruments_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *text, const char *expected, int symbology = Vmt) {
            QTest::newRow(name) << QByteArray(text) << symbology << QString::fromUtf8(expected);
        };
        const int extended = VmtSymbolRequest::VmtExtended;
        const char *const acme = "ACME.QB type=14 root=ACME exch=QB cur=USD alt=ACME";
        row("stock on QB", "ACME.QB", acme);
        row("lower case", " acme.qb ", acme);
        row("alternate, extended", "ACME", acme, extended);
        row("alternate, plain", "ACME", "none");
        row("no exchange", "GLBX", "GLBX type=14 root=GLBX exch= cur=USD");
        row("forex spot", "EURUSD", "EURUSD type=2 root=EURUSD exch=FX cur=USD alt=EUR/USD");
        row("forex forward", "EURUSD3M", "EURUSD3M type=2 root=EURUSD exch=FX cur=USD term=3/3 alt=EUR/USD 3M");
        row("forex forward, alternate", "EUR/USD 1Y",
            "EURUSD1Y type=2 root=EURUSD exch=FX cur=USD term=1/4 alt=EUR/USD 1Y", extended);
        row("bond", "BND10Y", "BND10Y type=1 root=BND exch=GOV cur=USD term=10/4");
        row("contract expiring today", "CLH26", "CLH26 type=3 root=CL exch=ENX cur=USD exp=2026-03-20");
        row("expired contract", "CLG26", "CLG26 type=3 root=CL exch=ENX cur=USD exp=2026-02-20 expired");
        row("first contract", "CLH24", "CLH24 type=3 root=CL exch=ENX cur=USD exp=2024-03-15 expired");
        row("before the first", "CLG24", "none");
        row("last contract", "GCM28", "GCM28 type=3 root=GC exch=MTX cur=USD exp=2028-06-16");
        row("after the last", "CLN28", "none");
        row("continuous", "CL#", "CL# type=4 root=CL exch=ENX cur=USD alt=CLH26");
        row("futures option", "CLJ26 C70", "CLJ26 C70 type=7 root=CL exch=ENX cur=USD exp=2026-04-17");
        row("futures spread", "CLH26-CLJ26", "CLH26-CLJ26 type=10 root=CL exch=ENX cur=USD exp=2026-03-20");
        row("user-defined spread with sub-type", "=CLZ27-CLH28",
            "=CLZ27-CLH28 type=17 root= exch=ENX cur=USD exp=2027-12-17 legs=CLZ27 sub=3 spread-chain");
        row("historical, fixed date", "CL#@20260115",
            "CL#@20260115 type=27 root=CL exch=ENX cur=USD exp=2026-01-16 expired alt=CLF26");
        row("historical, days back", "CL#@-30",
            "CL#@-30 type=28 root=CL exch=ENX cur=USD exp=2026-02-20 expired alt=CLG26");
        row("historical, any date", "CL#@20250704",
            "CL#@20250704 type=27 root=CL exch=ENX cur=USD exp=2025-07-18 expired alt=CLN25", extended);
        row("historical, days back from a Friday", "GC#@-7",
            "GC#@-7 type=28 root=GC exch=MTX cur=USD exp=2026-03-20 alt=GCH26");
        row("historical, future date", "CL#@20270101", "none");
        row("historical, no such root", "XX#@-30", "none");
        row("historical, no such day", "CL#@20260230", "none");
        row("stock option", "ACME 260417C150", "ACME 260417C150 type=15 root=ACME exch=QB cur=USD exp=2026-04-17");
        row("stock option, regional", "ACME 260619P150/EU",
            "ACME 260619P150/EU type=15 root=ACME exch=EU cur=USD exp=2026-06-19");
        row("stock option, decimal strike", "NRTH 260417P47.5",
            "NRTH 260417P47.5 type=15 root=NRTH exch=N cur=USD exp=2026-04-17");
        row("unknown", "NOPE", "none");
        row("unknown symbology", "ACME.QB", "none", 9);
    }

    void instruments()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, symbology);
        QFETCH(QString, expected);
        const std::optional<Instrument> instrument = store().instrument(text, symbology);
        QCOMPARE(summary(instrument), expected);
        QVERIFY(!instrument || (!instrument->description.isEmpty() && instrument->minTick > 0));
    }

    void chains_data()
    {
        QTest::addColumn<QByteArray>("underlying");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("outright");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("from"); // where slice starts; -1: wherever its first member is
        QTest::addColumn<QByteArray>("slice");
        const auto row = [](const char *name, const char *underlying, bool outright, int size, int from,
                            const char *slice, const QDate &day = QDate()) {
            QTest::newRow(name) << QByteArray(underlying) << day << outright << size << from << QByteArray(slice);
        };
        const char *const contracts = "CLH26,CLJ26,CLK26,CLM26";
        row("continuous", "CL#", true, 28, 0, contracts);
        row("continuous with spreads", "CL#", false, 31, 0,
            "CLH26,CLH26-CLJ26,CLJ26,CLJ26-CLK26,CLK26,CLK26-CLM26,CLM26");
        row("root", "CL", true, 28, 0, contracts);
        row("earlier day", "GC#", true, 42, 0, "GCF25,GCG25,GCH25", QDate(2025, 1, 1));
        row("stock options", "ACME.QB", false, 236, 0,
            "ACME 260320C120,ACME 260320P120,ACME 260320C125,ACME 260320P125");
        row("regional options beside the others", "ACME.QB", false, 236, -1, "ACME 260320P140,ACME 260320C145,"
            "ACME 260320C145/EU,ACME 260320P145,ACME 260320P145/EU,ACME 260320C150");
        row("next expiration", "ACME.QB", false, 236, -1, "ACME 260320P185,ACME 260417C120");
        row("decimal strikes", "NRTH.N", false, 160, 0, "NRTH 260320C37.5,NRTH 260320P37.5,NRTH 260320C40");
        row("futures options", "CLJ26", false, 14, 0, "CLJ26 C60,CLJ26 P60,CLJ26 C65");
        row("contract without options", "CLZ27", false, 0, 0, "");
    }

    void chains()
    {
        QFETCH(QByteArray, underlying);
        QFETCH(QDate, day);
        QFETCH(bool, outright);
        QFETCH(int, size);
        QFETCH(int, from);
        QFETCH(QByteArray, slice);
        const QByteArrayList members = store().chain(underlying, day, outright);
        QCOMPARE(members.size(), size);
        const QByteArrayList expected = slice.isEmpty() ? QByteArrayList() : slice.split(',');
        const int start = from >= 0 ? from : members.indexOf(expected.first());
        QVERIFY(start >= 0);
        QCOMPARE(members.mid(start, expected.size()), expected);
    }

    void headlineFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no filter") << "" << QByteArray("t5 t4 t3 t2 t1");
        QTest::newRow("symbol") << "symbols=ACME.QB" << QByteArray("t2 t1");
        QTest::newRow("any of the symbols") << "symbols=EURUSD,GC#" << QByteArray("t5 t4");
        QTest::newRow("service, any case") << "service=FxWatch" << QByteArray("t4 t3");
        QTest::newRow("any of the categories, any case") << "categories=metals,Earnings" << QByteArray("t5 t1");
        QTest::newRow("keyword inside words") << "keywords=rate" << QByteArray("t4 t3");
        QTest::newRow("keyword, whole word") << "keywords=rate whole" << QByteArray("t4");
        QTest::newRow("keyword, case") << "keywords=rate case" << QByteArray("t3");
        QTest::newRow("keyword, whole word and case") << "keywords=RATE whole case" << QByteArray("t4");
        QTest::newRow("whole word at the end") << "keywords=toils whole" << QByteArray("t5");
        QTest::newRow("all keywords") << "keywords=acme,outlook" << QByteArray("t1");
        QTest::newRow("any keyword") << "keywords=acme,gold or" << QByteArray("t5 t2 t1");
        QTest::newRow("empty keyword ignored") << "keywords=,gold" << QByteArray("t5");
        QTest::newRow("symbol and service") << "symbols=ACME.QB service=NEWSDESK" << QByteArray("t2");
        QTest::newRow("history limit") << "limit=2" << QByteArray("t5 t4");
        QTest::newRow("limit after the filter") << "symbols=ACME.QB limit=1" << QByteArray("t2");
        QTest::newRow("interval") << "from=3" << QByteArray("t5 t4");
    }

    void headlineFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QByteArray, expected);
        int fromMinute = 0;
        uint limit = 0;
        const HeadlineFilterParameters parameters = parseFilter(filter, &fromMinute, &limit);
        const QDate day(2001, 1, 1);
        QByteArrayList ids;
        const TimeRange interval{at(day, 10, fromMinute), endOf(day)};
        for (const Headline &headline : store().headlines(parameters, interval, limit))
            ids << headline.storyId;
        QCOMPARE(ids.join(' '), expected);
    }

    void answers_data()
    {
        QTest::addColumn<RequestPtr>("request");
        QTest::addColumn<QString>("expected");
        const auto record = [this](const char *symbol) { return store().instrument(symbol, Vmt)->toRecord(); };
        const auto row = [](const char *name, const RequestPtr &request, const QString &expected) {
            QTest::newRow(name) << request << expected;
        };
        const QString acme = "symbol ACME.QB alt=ACME", unknown = "error 1 1 market", invalid = "error 2 1 market",
                      unavailable = "error 4 1 market";
        row("symbol", make(SymbolRequest("ACME.QB", Vmt)), acme);
        row("alternate is no vmt symbol", make(SymbolRequest("ACME", Vmt)), unknown);
        const QByteArray cusip = store().instrument("ACME.QB", Vmt)->cusip;
        row("symbol by cusip", make(SymbolRequest(cusip, VmtSymbolRequest::Cusip)), acme);
        row("contract", make(SymbolRequest("CLH26", Vmt)), "symbol CLH26 live");
        row("unknown symbology", make(SymbolRequest("ACME.QB", 5)), invalid);

        row("chain of a continuous symbol", make(ChainRequest(record("CL#"), DateTime(), true)),
            "chain 28 CLH26..CLM28");
        row("chain on a day", make(ChainRequest(record("GC#"), DateTime::fromQDate(QDate(2025, 1, 1)), true)),
            "chain 42 GCF25..GCM28");
        row("chain on no day", make(ChainRequest(record("GC#"), DateTime(20261399, 0), true)), invalid);
        row("empty chain", make(ChainRequest(record("QIX"), DateTime(), false)), "chain 0");
        row("chain of an unknown symbol", make(ChainRequest(recordOf("NOPE"), DateTime(), false)), unknown);

        // History: a range when it has a start, else the last itemsCount bars up to its end.
        const auto bars = [](const char *symbol, const DateTime &from, const DateTime &to, int count = 0,
                             int days = 1) {
            return make(HistorySeriesRequest(recordOf(symbol), HistorySeriesSpec(Resolution::daily(days), QByteArray(),
                                             Session(), 0, SettingsMap()), false, count, {from, to}, {}));
        };
        const QDate monday(2026, 3, 2);
        row("history by range", bars("ACME.QB", at(monday), endOf(monday.addDays(11))), "bars 10 20260302..20260313");
        row("history by range, count ignored", bars("ACME.QB", at(monday), endOf(monday.addDays(11)), 1),
            "bars 10 20260302..20260313");
        row("range from within a day", bars("ACME.QB", at(monday, 12), endOf(monday.addDays(11))),
            "bars 9 20260303..20260313");
        row("open start", bars("EURUSD", NullTime, endOf(QDate(2016, 1, 8))), "bars 6 20160101..20160108");
        row("open end", bars("EURUSD", at(MadeOn.addDays(-1)), NullTime), "bars 2 20260319..20260320");
        row("history, empty range", bars("ACME.QB", at(QDate(2026, 3, 7)), endOf(QDate(2026, 3, 8))), "bars 0");
        row("last bars", bars("ACME.QB", NullTime, endOf(MadeOn), 5), "bars 5 20260316..20260320");
        row("last bars to a Sunday", bars("ACME.QB", NullTime, endOf(MadeOn.addDays(2)), 5),
            "bars 5 20260316..20260320");
        row("last bars up to now", bars("QIX", NullTime, NullTime, 2), "bars 2 20260319..20260320");
        row("last bars near the first", bars("ACME.QB", NullTime, endOf(QDate(2016, 1, 5)), 5),
            "bars 3 20160101..20160105");
        row("last bars of a contract", bars("CLZ27", NullTime, endOf(MadeOn), 3), "bars 3 20260318..20260320");
        row("last bars of any historical contract", bars("CL#@20250704", NullTime, endOf(MadeOn), 2),
            "bars 2 20260319..20260320");
        row("last bars of an expired contract", bars("CLG26", NullTime, endOf(MadeOn), 2), "bars 2 20260219..20260220");
        row("expired option, days after", bars("ACME 260220P120", at(QDate(2026, 2, 21)), NullTime), "bars 0");
        row("option expiring today", bars("NRTH 260320C60", NullTime, endOf(MadeOn), 2), "bars 2 20260319..20260320");
        row("history, weekly", bars("ACME.QB", NullTime, endOf(MadeOn), 5, 7), invalid);
        row("history of an unknown symbol", bars("NOPE", NullTime, endOf(MadeOn), 5), unknown);

        row("headlines", make(News::HeadlineRequest({}, {at(MadeOn, 0), at(MadeOn, 12)}, 5)), "headlines last=1 5");
        const Headline latest = store().headlines({}, TimeRange{DateTime(), at(MadeOn, 12)}, 1).first();
        const MarketStore::Story story = *store().story(latest.storyId);
        row("story", make(News::StoryRequest(latest.storyId, News::Html)),
            QStringLiteral("story %1 %2").arg(story.format).arg(QString::fromUtf8(story.content.left(8))));
        row("unknown story", make(News::StoryRequest("nope", News::Html)), unavailable);

        row("content", make(ContentRequest("table.ctab")), "content hello table");
        row("content, own response", make(UpperContentRequest("table.ctab")), "content HELLO TABLE");
        row("content, missing", make(ContentRequest("missing.ctab")), unavailable);
        row("content, a folder", make(ContentRequest("sub")), unavailable);
        row("content with a folder part", make(ContentRequest("sub/table.ctab")), invalid);
        row("content with a backslash", make(ContentRequest("sub\\table.ctab")), invalid);
        row("content named ..", make(ContentRequest("..")), invalid);
        row("content without a name", make(ContentRequest("")), invalid);
        row("request of another kind", make(OtherRequest()), invalid);
    }

    // Each request gets its answer later, through the event loop, and nothing more.
    void answers()
    {
        QFETCH(RequestPtr, request);
        QFETCH(QString, expected);
        if (dynamic_cast<const ContentRequest *>(request.get()) && expected == "error 2 1 market")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Content name refused"));
        Recorder recorder;
        recorder.start(request);
        QVERIFY(recorder.lines.isEmpty());
        QTRY_VERIFY(!recorder.lines.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(recorder.lines, QStringList{expected});
    }

    void chainInBatches()
    {
        const QList<QByteArray> chain = store().chain("ACME.QB", QDate(), false);
        QVERIFY(chain.size() > MarketBackend::ChainBatchSize);
        Recorder recorder;
        recorder.start(make(ChainRequest(store().instrument("ACME.QB", 0)->toRecord(), DateTime(), false)));
        QTRY_COMPARE(recorder.members.size(), chain.size());
        QCOMPARE(recorder.members, chain);
        const int batch = MarketBackend::ChainBatchSize;
        QCOMPARE(recorder.lines.size(), (chain.size() + batch - 1) / batch);
        QVERIFY(recorder.lines.first().startsWith("chain 200 "));
    }

    // A service whose store cannot be opened says why and answers with ServiceUnavailable while
    // it lives; the previous backend comes back afterwards.
    void unusableService()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("data"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(
            "^The market data service is unavailable: Cannot make the data folder .*/data/market\"$"));
        Backend *const before = Backend::current();
        {
            Market::MarketService service;
            QCOMPARE(Backend::current(), service.backend());
            QVERIFY(!service.start(file.fileName() + "/market"));
            QVERIFY(!service.errorString().isEmpty());
            Recorder recorder;
            recorder.start(make(SymbolRequest("ACME.QB", Vmt)));
            QTRY_COMPARE(recorder.lines, QStringList{"error 5 2 market"});
        }
        QCOMPARE(Backend::current(), before);
    }

private:
    MarketStore &store() { return m_store; }

    QTemporaryDir m_dir;
    MarketStore m_store;
    MarketBackend m_backend{&m_store, nullptr};
    Backend *m_previous = nullptr;
};

QTEST_GUILESS_MAIN(tst_Market)
#include "tst_market.moc"
