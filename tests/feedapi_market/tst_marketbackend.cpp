#include "marketfixture.h"

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
#include <quotes/quoteseed.h>
#include <quotes/quotesimulator.h>
#include <requester.h>
#include <symbolrequest.h>
#include <symbolresponse.h>
#include <symbolupdateresponse.h>

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using Common::DateTime;
using Common::SymbolRecord;
using namespace FeedApi;
using Market::MarketBackend;
using Market::MarketStore;

using RequestPtr = std::shared_ptr<const Request>;
Q_DECLARE_METATYPE(RequestPtr)

namespace {

const DateTime RealtimeEnd(20990101, 10101000);

SymbolRecord recordOf(const QByteArray &symbol)
{
    SymbolRecord record;
    record.setValue(SymbolRecord::Symbol, Common::RecordData::fromByteString(symbol));
    return record;
}

HistorySeriesRequest history(const QByteArray &symbol, int itemsCount, const TimeRange &range,
                             bool realtime = false, int days = 1)
{
    return HistorySeriesRequest(recordOf(symbol),
                                HistorySeriesSpec(Resolution::daily(days), QByteArray(), Session(), 0,
                                                  SettingsMap()),
                                realtime, itemsCount, range, {});
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
        text += record.value(SymbolRecord::Expired).toBool() ? QStringLiteral(" expired")
                                                             : QStringLiteral(" live");
    if (record.isValid(SymbolRecord::AlternateSymbol))
        text += QStringLiteral(" alt=") + record.value(SymbolRecord::AlternateSymbol).toString();
    return text;
}

} // namespace

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

// Starts requests and writes each response they get as one line.
class Recorder : public QObject
{
    Q_OBJECT

public:
    Requester *start(const RequestPtr &request)
    {
        auto *requester = new Requester(request, this);
        requester->bind(this, &Recorder::onSymbol);
        requester->bind(this, &Recorder::onUpdate);
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
    void onUpdate(Requester *, const SymbolUpdateResponse &r) { lines << "update " + describe(r.record()); }
    void onChain(Requester *, const ChainResponse &r)
    {
        const QList<QByteArray> s = r.symbols();
        lines << (s.isEmpty() ? QStringLiteral("chain 0")
                              : QStringLiteral("chain %1 %2..%3").arg(s.size())
                                    .arg(QString::fromUtf8(s.first()), QString::fromUtf8(s.last())));
        members += s;
    }
    void onHistory(Requester *, const HistoryResponse &r)
    {
        lines << "bars " + span(r.bars());
        bars += r.bars();
    }
    void onHeadlines(Requester *, const News::HeadlineResponse &r)
    {
        lines << QStringLiteral("headlines last=%1 %2").arg(r.isLastNews()).arg(r.headlines().size());
        headlines += r.headlines();
    }
    void onStory(Requester *, const News::StoryResponse &r)
    {
        lines << QStringLiteral("story %1 %2").arg(r.format()).arg(QString::fromUtf8(r.content().left(8)));
    }
    void onContent(Requester *, const ContentResponse &r)
    {
        lines << "content " + QString::fromUtf8(r.content());
    }
    void onError(Requester *, const ErrorResponse &r)
    {
        lines << QStringLiteral("error %1 %2 %3").arg(r.error()).arg(r.eclass()).arg(r.source());
    }

    QStringList lines;
    QList<QByteArray> members;
    QVector<Bar> bars;
    QVector<News::Headline> headlines;
};

// A store made on MadeOn, opened at noon, and a backend over it, installed while the fixture
// lives. The backend's clock reads now; the news simulator is off.
class BackendFixture
{
public:
    explicit BackendFixture(Quotes::QuoteSimulator *simulator = nullptr)
        : backend(&store, simulator)
    {
        makeStore(dir.path(), Seed, MadeOn);
        opened = store.open(dir.path(), Seed, now);
        backend.setClock([this] { return now; });
        backend.setNewsRate(0);
        previous = Backend::setCurrent(&backend);
    }
    ~BackendFixture() { Backend::setCurrent(previous); }

    QTemporaryDir dir;
    MarketStore store;
    QDateTime now = utc(MadeOn, 12);
    MarketBackend backend;
    Backend *previous = nullptr;
    bool opened = false;
};

class tst_MarketBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_shared = std::make_unique<BackendFixture>();
        QVERIFY2(m_shared->opened, qPrintable(m_shared->store.errorString()));
        const QString content = m_shared->dir.filePath(QStringLiteral("content"));
        QVERIFY(QDir().mkpath(content + QStringLiteral("/sub")));
        for (const QString &name : {QStringLiteral("table.ctab"), QStringLiteral("sub/table.ctab")}) {
            QFile file(content + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("hello table");
        }
    }

    void answers_data()
    {
        QTest::addColumn<RequestPtr>("request");
        QTest::addColumn<QString>("expected");
        const MarketStore &store = m_shared->store;
        const auto record = [&store](const char *symbol) {
            return store.instrument(symbol, VmtSymbolRequest::Vmt)->toRecord();
        };
        const QString acme = QStringLiteral("symbol ACME.QB alt=ACME");
        const QString unknown = QStringLiteral("error 1 1 market");
        const QString invalid = QStringLiteral("error 2 1 market");
        const QString unavailable = QStringLiteral("error 4 1 market");
        const int vmt = VmtSymbolRequest::Vmt;
        const QByteArray cusip = store.instrument("ACME.QB", vmt)->cusip;

        QTest::newRow("symbol") << make(SymbolRequest("ACME.QB", vmt)) << acme;
        QTest::newRow("symbol by alternate, last symbology")
            << make(SymbolRequest("ACME", VmtSymbolRequest::VmtExtended)) << acme;
        QTest::newRow("alternate is no vmt symbol") << make(SymbolRequest("ACME", vmt)) << unknown;
        QTest::newRow("symbol by cusip") << make(SymbolRequest(cusip, VmtSymbolRequest::Cusip)) << acme;
        QTest::newRow("contract") << make(SymbolRequest("CLH26", vmt)) << "symbol CLH26 live";
        QTest::newRow("unknown symbology") << make(SymbolRequest("ACME.QB", 5)) << invalid;

        QTest::newRow("chain of a continuous symbol") << make(ChainRequest(record("CL#"), DateTime(), true))
            << "chain 28 CLH26..CLM28";
        QTest::newRow("chain on a day")
            << make(ChainRequest(record("GC#"), DateTime::fromQDate(QDate(2025, 1, 1)), true))
            << "chain 42 GCF25..GCM28";
        QTest::newRow("chain on no day") << make(ChainRequest(record("GC#"), DateTime(20261399, 0), true))
            << invalid;
        QTest::newRow("empty chain") << make(ChainRequest(record("QIX"), DateTime(), false)) << "chain 0";
        QTest::newRow("chain of an unknown symbol") << make(ChainRequest(recordOf("NOPE"), DateTime(), false))
            << unknown;

        const TimeRange twoWeeks{at(QDate(2026, 3, 2)), endOf(QDate(2026, 3, 13))};
        const TimeRange weekend{at(QDate(2026, 3, 7)), endOf(QDate(2026, 3, 8))};
        QTest::newRow("history by range") << make(history("ACME.QB", 0, twoWeeks))
            << "bars 10 20260302..20260313";
        QTest::newRow("history by range, count ignored") << make(history("ACME.QB", 1, twoWeeks))
            << "bars 10 20260302..20260313";
        QTest::newRow("history by count") << make(history("ACME.QB", 3, TimeRange{DateTime(), endOf(MadeOn)}))
            << "bars 3 20260318..20260320";
        QTest::newRow("history, empty range") << make(history("ACME.QB", 0, weekend)) << "bars 0";
        QTest::newRow("history, weekly") << make(history("ACME.QB", 0, twoWeeks, false, 7)) << invalid;
        QTest::newRow("history of an unknown symbol") << make(history("NOPE", 0, twoWeeks)) << unknown;

        const TimeRange morning{at(MadeOn, 0), at(MadeOn, 12)};
        QTest::newRow("headlines") << make(News::HeadlineRequest({}, morning, 5)) << "headlines last=1 5";
        const News::Headline latest = store.headlines({}, TimeRange{DateTime(), at(MadeOn, 12)}, 1).first();
        const MarketStore::Story story = *store.story(latest.storyId);
        QTest::newRow("story") << make(News::StoryRequest(latest.storyId, News::Html))
            << QStringLiteral("story %1 %2").arg(story.format).arg(QString::fromUtf8(story.content.left(8)));
        QTest::newRow("unknown story") << make(News::StoryRequest("nope", News::Html)) << unavailable;

        QTest::newRow("content") << make(ContentRequest("table.ctab")) << "content hello table";
        QTest::newRow("content, own response") << make(UpperContentRequest("table.ctab"))
            << "content HELLO TABLE";
        QTest::newRow("content, missing") << make(ContentRequest("missing.ctab")) << unavailable;
        QTest::newRow("content, a folder") << make(ContentRequest("sub")) << unavailable;
        QTest::newRow("content with a folder part") << make(ContentRequest("sub/table.ctab")) << invalid;
        QTest::newRow("content with a backslash") << make(ContentRequest("sub\\table.ctab")) << invalid;
        QTest::newRow("content named ..") << make(ContentRequest("..")) << invalid;
        QTest::newRow("content without a name") << make(ContentRequest("")) << invalid;

        QTest::newRow("request of another kind") << make(OtherRequest()) << invalid;
    }

    // Each request gets its answers later, through the event loop, and nothing more.
    void answers()
    {
        QFETCH(RequestPtr, request);
        QFETCH(QString, expected);
        if (dynamic_cast<const ContentRequest *>(request.get())
            && expected == QLatin1String("error 2 1 market"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Content name refused")));
        Recorder recorder;
        recorder.start(request);
        QVERIFY(recorder.lines.isEmpty());
        QTRY_VERIFY(!recorder.lines.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(recorder.lines, QStringList{expected});
    }

    void chainInBatches()
    {
        const MarketStore &store = m_shared->store;
        const QList<QByteArray> chain = store.chain("ACME.QB", QDate(), false);
        QVERIFY(chain.size() > MarketBackend::ChainBatchSize);
        Recorder recorder;
        recorder.start(make(ChainRequest(store.instrument("ACME.QB", 0)->toRecord(), DateTime(), false)));
        QTRY_COMPARE(recorder.members.size(), chain.size());
        QCOMPARE(recorder.members, chain);
        QCOMPARE(recorder.lines.size(), (chain.size() + MarketBackend::ChainBatchSize - 1)
                                            / MarketBackend::ChainBatchSize);
        QVERIFY(recorder.lines.first().startsWith(QStringLiteral("chain 200 ")));
    }

    void recordChangesAtMidnight_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("expiring contract") << QByteArray("CLH26")
            << QStringList{"symbol CLH26 live", "update CLH26 expired", "symbol CLH26 expired"};
        QTest::newRow("continuous symbol") << QByteArray("CL#")
            << QStringList{"symbol CL# alt=CLH26", "update CL# alt=CLJ26", "symbol CL# alt=CLJ26"};
        QTest::newRow("later contract") << QByteArray("CLJ26") << QStringList{"symbol CLJ26 live"};
    }

    // At the first poll of a new day the store is extended and changed records are sent again,
    // once.
    void recordChangesAtMidnight()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(QStringList, expected);
        BackendFixture fixture;
        fixture.now = utc(MadeOn, 23, 59, 59);
        fixture.backend.poll();
        Recorder recorder;
        recorder.start(make(SymbolRequest(symbol, VmtSymbolRequest::Vmt)));
        QTRY_COMPARE(recorder.lines.size(), 1);
        fixture.now = utc(MadeOn.addDays(1), 0, 0, 1);
        fixture.backend.poll();
        fixture.now = utc(MadeOn.addDays(1), 0, 0, 2);
        fixture.backend.poll();
        QTRY_COMPARE(recorder.lines.size(), expected.size());
        QCoreApplication::processEvents();
        QCOMPARE(recorder.lines, expected);
        QCOMPARE(fixture.store.today(), MadeOn.addDays(1));
    }

    void realtimeHeadlines_data()
    {
        QTest::addColumn<QByteArrayList>("symbols");
        QTest::addColumn<QByteArrayList>("categories");
        QTest::addColumn<bool>("realtime");
        QTest::addColumn<bool>("some");
        const QByteArrayList none;
        QTest::newRow("every headline") << none << none << true << true;
        QTest::newRow("a category") << none << QByteArrayList{"earnings"} << true << true;
        QTest::newRow("a symbol never in the news") << QByteArrayList{"ZZZ"} << none << true << false;
        QTest::newRow("interval ending now") << none << none << false << false;
    }

    // An open headline request gets each new matching headline the simulator writes, oldest
    // first, one per response, after its first response (the history, lastNews set). The same
    // request ended before or after its first response gets nothing more.
    void realtimeHeadlines()
    {
        QFETCH(QByteArrayList, symbols);
        QFETCH(QByteArrayList, categories);
        QFETCH(bool, realtime);
        QFETCH(bool, some);
        BackendFixture fixture;
        fixture.backend.setNewsRate(30);
        fixture.backend.poll();
        News::HeadlineFilterParameters filter;
        filter.symbols = symbols;
        filter.categories = categories;
        const auto request = make(News::HeadlineRequest(
            filter, TimeRange{at(MadeOn, 11), realtime ? RealtimeEnd : at(MadeOn, 12)}, 0));
        Recorder recorder;
        Recorder endedEarly;
        Recorder endedLate;
        recorder.start(request);
        QPointer<Requester> early = endedEarly.start(request);
        QPointer<Requester> late = endedLate.start(request);
        early->deleteLater();
        QTRY_COMPARE(recorder.lines.size(), 1);
        QTRY_COMPARE(endedLate.lines.size(), 1);
        late->deleteLater();
        QVERIFY(recorder.lines.first().startsWith(QStringLiteral("headlines last=1 ")));
        const int history = recorder.headlines.size();

        fixture.now = utc(MadeOn, 12, 10);
        fixture.backend.poll();
        const TimeRange written{DateTime(DateTime::fromQDate(MadeOn).date(), 120000001), at(MadeOn, 12, 10)};
        QVERIFY(!fixture.store.headlines({}, written, 0).isEmpty());
        QVector<News::Headline> expected = realtime ? fixture.store.headlines(filter, written, 0)
                                                    : QVector<News::Headline>();
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(!expected.isEmpty(), some);
        QTRY_COMPARE(recorder.lines.size(), 1 + expected.size());
        QCoreApplication::processEvents();
        QCOMPARE(recorder.lines.size(), 1 + expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(recorder.lines.at(1 + i), QStringLiteral("headlines last=0 1"));
            QCOMPARE(recorder.headlines.at(history + i).storyId, expected.at(i).storyId);
        }
        QCOMPARE(endedEarly.lines, QStringList());
        QCOMPARE(endedLate.lines.size(), 1);
        QTRY_VERIFY(!early && !late);
    }

    // A realtime history request gets the current day's bar again whenever the simulator moves
    // it and holds the symbol in the simulator until it ends; a plain request gets nothing more.
    void realtimeBars()
    {
        Quotes::QuoteSimulator simulator;
        BackendFixture fixture(&simulator);
        simulator.setAutoAdvance(false);
        simulator.setClock([&fixture] { return DateTime::fromQDateTime(fixture.now); });
        simulator.setSeedSource([&fixture](const QByteArray &symbol, const DateTime &now)
                                    -> std::optional<Quotes::QuoteSeed> {
            const std::optional<Market::Instrument> instrument = fixture.store.instrument(symbol, 0);
            if (!instrument)
                return std::nullopt;
            return Quotes::QuoteSeed::fromMarket(*instrument, fixture.store.lastBars(symbol, now, 2),
                                                 now.toQDate());
        });
        const TimeRange range{DateTime(), endOf(MadeOn)};
        Recorder live;
        Recorder plain;
        QPointer<Requester> requester = live.start(make(history("ACME.QB", 3, range, true)));
        plain.start(make(history("ACME.QB", 3, range, false)));
        QTRY_COMPARE(live.lines.size(), 1);
        QTRY_COMPARE(plain.lines.size(), 1);
        QCOMPARE(simulator.symbols(), QList<QByteArray>{"ACME.QB"});

        int moved = 0;
        connect(&simulator, &Quotes::QuoteSimulator::dayBarChanged, this, [&moved] { ++moved; });
        for (int step = 0; step < 20 && moved == 0; ++step)
            simulator.step();
        QVERIFY(moved > 0);
        QTRY_COMPARE(live.lines.size(), 1 + moved);
        QCOMPARE(live.lines.last(), QStringLiteral("bars 1 20260320..20260320"));
        QCOMPARE(live.bars.last().close, simulator.dayBar("ACME.QB")->close);
        QCOMPARE(plain.lines.size(), 1);

        requester->deleteLater();
        QTRY_VERIFY(!requester);
        QCOMPARE(simulator.symbols(), QList<QByteArray>());
    }

    void service_data()
    {
        QTest::addColumn<bool>("usable");
        QTest::addColumn<QString>("expected");
        QTest::newRow("store opens") << true << "symbol ACME.QB alt=ACME";
        QTest::newRow("folder below a file") << false << "error 5 2 market";
    }

    // The service's backend answers while it lives, from the store or, when the store cannot be
    // opened, with ServiceUnavailable; the previous backend comes back afterwards.
    void service()
    {
        QFETCH(bool, usable);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QString folder = dir.filePath(QStringLiteral("data"));
        if (!usable) {
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
            folder += QStringLiteral("/market");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                "^The market data service is unavailable: Cannot make the data folder .*/data/market\"$")));
        }
        Backend *const before = Backend::current();
        {
            Market::MarketService service;
            QCOMPARE(Backend::current(), service.backend());
            QCOMPARE(service.start(folder), usable);
            QCOMPARE(service.errorString().isEmpty(), usable);
            Recorder recorder;
            recorder.start(make(SymbolRequest("ACME.QB", VmtSymbolRequest::Vmt)));
            QTRY_COMPARE(recorder.lines, QStringList{expected});
        }
        QCOMPARE(Backend::current(), before);
    }

private:
    std::unique_ptr<BackendFixture> m_shared;
};

QTEST_GUILESS_MAIN(tst_MarketBackend)
#include "tst_marketbackend.moc"
