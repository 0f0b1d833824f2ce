// Ten years of daily bars of 100 symbols, asked for at once by a page through the datafeed:
// the time from the first request to the last "ok" the page callback received (the callback
// reads every bar), against the market store's own queries for the same bars.
#include "pagedocument.h"
#include "ratioreporter.h"

#include <document/scriptdocument.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <datetime.h>
#include <market/instrument.h>
#include <market/marketservice.h>
#include <market/marketstore.h>
#include <timerange.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>

using FeedApi::Market::Instrument;
using FeedApi::Market::MarketService;

namespace {

constexpr int Symbols = 100;
constexpr int Years = 10;
constexpr int AnswerTimeoutMs = 120000;

// Every bar of every "ok" answer read; ask() sends one history request per symbol.
const char pageHtml[] =
    "<!DOCTYPE html><html><head><script>\n"
    "var feed = _quorvex_bridge.datafeed, bars = 0, sink = 0;\n"
    "feed.response.connect(function (a) {\n"
    "  if (a.result !== 'ok') return;\n"
    "  var list = a.bars;\n"
    "  for (var i = 0; i < list.length; ++i) {\n"
    "    var b = list[i];\n"
    "    sink += b.open + b.high + b.low + b.close + b.volume + b.time.getTime();\n"
    "  }\n"
    "  bars += list.length;\n"
    "});\n"
    "function ask(symbols, round, from, to) {\n"
    "  bars = 0;\n"
    "  for (var i = 0; i < symbols.length; ++i)\n"
    "    feed.request({type: 'history', rid: round + '/' + i, symbol: symbols[i],"
    " startDate: new Date(from), endDate: new Date(to)});\n"
    "}\n"
    "</script></head><body></body></html>\n";

// The page and the market store, and 100 symbols of every kind the store keeps bars of
// (evenly spread over its instruments, historical contracts and user-defined spreads left out),
// their bars made before anything is measured.
class HistoryFixture
{
public:
    HistoryFixture()
        : m_page(pageHtml)
    {
        if (!m_page.isLoaded())
            return;
        if (!m_service.start(m_marketFolder.path())) {
            std::fprintf(stderr, "no market store: %s\n", qPrintable(m_service.errorString()));
            return;
        }
        const QDateTime now = QDateTime::currentDateTimeUtc();
        m_from = QDateTime(now.date().addYears(-Years), QTime(0, 0), Qt::UTC);
        m_to = now;
        m_range = {Common::DateTime::fromQDateTime(m_from), Common::DateTime::fromQDateTime(m_to)};

        QVector<Instrument> kept;
        for (const Instrument &instrument : m_service.store()->instruments()) {
            if (instrument.type != Instrument::HistoricalFixedDateType
                && instrument.type != Instrument::HistoricalDaysBackType
                && instrument.type != Instrument::UserDefinedSpreadType)
                kept.append(instrument);
        }
        QStringList quoted;
        for (int i = 0; i < Symbols && kept.size() >= Symbols; ++i) {
            const QByteArray symbol = kept.at(i * kept.size() / Symbols).symbol;
            m_symbols.append(symbol);
            m_storeBars += m_service.store()->bars(symbol, m_range).size();
            quoted.append(QLatin1Char('"') + QString::fromLatin1(symbol) + QLatin1Char('"'));
        }
        m_symbolList = QLatin1Char('[') + quoted.join(QLatin1Char(',')) + QLatin1Char(']');

        QObject::connect(m_page.script()->scriptDatafeed(), &ScriptDatafeed::response,
                         m_page.script(), [this](const QVariantMap &answer) {
                             if (answer.value(QStringLiteral("result")).toString() == QLatin1String("ok")) {
                                 ++m_oks;
                                 m_lastOkNs = m_sinceAsked.nsecsElapsed();
                             } else {
                                 ++m_failures;
                             }
                             if (m_oks + m_failures == Symbols && m_waiting)
                                 m_waiting->quit();
                         });
        m_ready = m_symbols.size() == Symbols;
    }

    bool isReady() const { return m_ready; }
    qint64 storeBars() const { return m_storeBars; }
    qint64 pageBars() const { return m_page.eval(QStringLiteral("bars")).toLongLong(); }

    // Seconds from the first request of a round to the page's last "ok"; negative when some
    // request failed or did not answer. The round's requests are cleared afterwards.
    double askFromPage(int round)
    {
        m_oks = 0;
        m_failures = 0;
        QEventLoop loop;
        m_waiting = &loop;
        QTimer::singleShot(AnswerTimeoutMs, &loop, &QEventLoop::quit);
        m_sinceAsked.start();
        m_page.eval(QStringLiteral("ask(") + m_symbolList + QLatin1Char(',') + QString::number(round)
                    + QLatin1Char(',') + QString::number(m_from.toMSecsSinceEpoch())
                    + QLatin1Char(',') + QString::number(m_to.toMSecsSinceEpoch()) + QLatin1Char(')'));
        if (m_oks + m_failures < Symbols)
            loop.exec();
        m_waiting = nullptr;
        m_page.eval(QStringLiteral("feed.clearAll()"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return m_oks == Symbols ? m_lastOkNs / 1e9 : -1;
    }

    void queryStore() const
    {
        for (const QByteArray &symbol : m_symbols)
            benchmark::DoNotOptimize(m_service.store()->bars(symbol, m_range));
    }

private:
    PageDocument m_page;
    QTemporaryDir m_marketFolder;
    MarketService m_service;
    QDateTime m_from;
    QDateTime m_to;
    FeedApi::TimeRange m_range;
    QList<QByteArray> m_symbols;
    QString m_symbolList;
    qint64 m_storeBars = 0;
    bool m_ready = false;
    QElapsedTimer m_sinceAsked;
    QEventLoop *m_waiting = nullptr;
    int m_oks = 0;
    int m_failures = 0;
    qint64 m_lastOkNs = 0;
};

HistoryFixture *fixture = nullptr;
qint64 pageBars = 0;

void pageHistory(benchmark::State &state)
{
    if (!fixture->isReady()) {
        state.SkipWithError("no page or no market store");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        const double seconds = fixture->askFromPage(++round);
        if (seconds < 0) {
            state.SkipWithError("a history request failed or did not answer");
            break;
        }
        state.SetIterationTime(seconds);
    }
    pageBars = fixture->pageBars();
}

void storeQueries(benchmark::State &state)
{
    if (!fixture->isReady()) {
        state.SkipWithError("no page or no market store");
        return;
    }
    for (auto _ : state)
        fixture->queryStore();
}

BENCHMARK(pageHistory)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(storeQueries)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(RatioReporter::RealTime);
    qint64 storeBars = 0;
    {
        HistoryFixture history;
        fixture = &history;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        storeBars = history.storeBars();
        fixture = nullptr;
    }
    // Without TZ the C library reads the zone file's status again for every date a page gets.
    std::printf("TZ: %s\n", qEnvironmentVariableIsSet("TZ") ? qgetenv("TZ").constData() : "not set");
    const double page = reporter.time("pageHistory");
    const double store = reporter.time("storeQueries");
    if (page > 0 && store > 0) {
        std::printf("history, %d symbols x %d years (%lld bars; the page read %lld): page, first"
                    " request to last ok %.1f ms; store queries %.1f ms: ratio %.1fx\n",
                    Symbols, Years, storeBars, pageBars, page, store, page / store);
    }
    benchmark::Shutdown();
    return 0;
}
