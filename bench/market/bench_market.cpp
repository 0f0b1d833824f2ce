// The market store's costs that a user meets, each against its floor in the same run:
// - ten years of daily bars of one stock through the data request library (a requester, the
//   market backend, the event loop) against the bare SQL query of the same rows;
// - making a new store against copying a finished one.
// Prints each pair's times and ratio.
#include "errorresponse.h"
#include "historyresponse.h"
#include "historyseriesrequest.h"
#include "market/marketbackend.h"
#include "market/marketstore.h"
#include "requester.h"
#include "vmtsymbolrequest.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "ratioreporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using FeedApi::Bar;
using FeedApi::Market::MarketStore;

namespace {

const char symbol[] = "ACME.QB";
constexpr int Years = 10;

// Runs history requests to their answer.
class HistoryClient : public QObject
{
    Q_OBJECT

public:
    // Starts the request and runs the event loop until it is answered: the bars, or none after
    // an error.
    QVector<Bar> fetch(const FeedApi::HistorySeriesRequest &request)
    {
        FeedApi::Requester requester(request);
        requester.bind(this, &HistoryClient::onHistory);
        requester.bind(this, &HistoryClient::onError);
        m_bars.clear();
        requester.start();
        m_loop.exec();
        return m_bars;
    }

private:
    void onHistory(FeedApi::Requester *, const FeedApi::HistoryResponse &response)
    {
        m_bars = response.bars();
        m_loop.quit();
    }

    void onError(FeedApi::Requester *, const FeedApi::ErrorResponse &response)
    {
        std::fprintf(stderr, "history request failed: error %d\n", response.error());
        m_loop.quit();
    }

    QEventLoop m_loop;
    QVector<Bar> m_bars;
};

// The same rows as one SQL query on its own connection to the store file.
class BareQuery
{
public:
    explicit BareQuery(const QString &fileName)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection());
        db.setDatabaseName(fileName);
        db.open();
    }

    ~BareQuery() { QSqlDatabase::removeDatabase(connection()); }

    QVector<Bar> fetch(const FeedApi::TimeRange &range) const
    {
        QSqlQuery query(QSqlDatabase::database(connection(), false));
        query.setForwardOnly(true);
        query.prepare(QStringLiteral(
            "SELECT day, open, high, low, close, volume FROM bar "
            "WHERE instrument = (SELECT id FROM instrument WHERE symbol = ?) "
            "AND day >= ? AND day <= ? ORDER BY day"));
        query.addBindValue(QString::fromLatin1(symbol));
        query.addBindValue(range.from.date());
        query.addBindValue(range.to.date());
        QVector<Bar> bars;
        if (!query.exec())
            return bars;
        while (query.next()) {
            bars.append({quint64(query.value(0).toLongLong()) * Common::DateTime::DateFactor,
                         query.value(1).toDouble(), query.value(2).toDouble(),
                         query.value(3).toDouble(), query.value(4).toDouble(),
                         quint64(query.value(5).toLongLong())});
        }
        return bars;
    }

private:
    static QString connection() { return QStringLiteral("bench.bare"); }
};

bool sameBars(const QVector<Bar> &a, const QVector<Bar> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].time != b[i].time || a[i].open != b[i].open || a[i].high != b[i].high
            || a[i].low != b[i].low || a[i].close != b[i].close || a[i].volume != b[i].volume)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    QTemporaryDir dir;
    MarketStore store;
    if (!dir.isValid() || !store.open(dir.path())) {
        std::fprintf(stderr, "cannot make the store: %s\n", qPrintable(store.errorString()));
        return 1;
    }
    FeedApi::Market::MarketBackend backend(&store);
    FeedApi::Backend::setCurrent(&backend);

    const QDate today = store.today();
    const FeedApi::TimeRange range{Common::DateTime::fromQDate(today.addYears(-Years)),
                                   Common::DateTime::fromQDate(today)};
    const std::optional<FeedApi::Market::Instrument> instrument =
        store.instrument(symbol, FeedApi::VmtSymbolRequest::Vmt);
    if (!instrument) {
        std::fprintf(stderr, "the store has no %s\n", symbol);
        return 1;
    }
    const FeedApi::HistorySeriesRequest request(
        instrument->toRecord(),
        FeedApi::HistorySeriesSpec(FeedApi::Resolution::daily(1), QByteArray(), FeedApi::Session(),
                                   0, FeedApi::SettingsMap()),
        false, 0, range, {});
    HistoryClient client;
    const BareQuery bare(store.fileName());
    const QVector<Bar> answered = client.fetch(request);
    if (answered.isEmpty() || !sameBars(answered, bare.fetch(range))) {
        std::fprintf(stderr, "the library and the query disagree on the bars\n");
        return 1;
    }
    const QString finished = store.fileName();
    std::printf("%s: %d bars from %s to %s; store file %.1f MB\n", symbol, answered.size(),
                qPrintable(range.from.toQDate().toString(Qt::ISODate)),
                qPrintable(today.toString(Qt::ISODate)), QFileInfo(finished).size() / 1e6);

    benchmark::RegisterBenchmark("BM_HistoryBareQuery", [&bare, &range](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(bare.fetch(range).size());
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("BM_HistoryRequest", [&client, &request](benchmark::State &state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(client.fetch(request).size());
    })->Unit(benchmark::kMicrosecond);

    // Each iteration writes a new file, removed outside the timing.
    const QString made = dir.filePath(QStringLiteral("made.sqlite"));
    benchmark::RegisterBenchmark("BM_StoreCopy", [&finished, &made](benchmark::State &state) {
        for (auto _ : state) {
            benchmark::DoNotOptimize(QFile::copy(finished, made));
            state.PauseTiming();
            QFile::remove(made);
            state.ResumeTiming();
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_StoreCreate", [&made, today](benchmark::State &state) {
        for (auto _ : state) {
            QString error;
            if (!MarketStore::create(made, MarketStore::DefaultSeed, today, &error)) {
                state.SkipWithError(qPrintable(error));
                break;
            }
            state.PauseTiming();
            QFile::remove(made);
            state.ResumeTiming();
        }
    })->Unit(benchmark::kMillisecond)->Iterations(5);

    // CPU time is compared: every side runs on this thread, and it suffers less than wall
    // time when the machine is busy; the table above gives wall time too.
    RatioReporter reporter(RatioReporter::CpuTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [](double ours, double floor) { return floor > 0 ? ours / floor : 0.0; };
    const double bareTime = reporter.time("BM_HistoryBareQuery");
    const double requestTime = reporter.time("BM_HistoryRequest");
    std::printf("%d years of daily bars: bare query %8.1f us, request %8.1f us (CPU), ratio %.2fx "
                "(target <= 1.5x)\n", Years, bareTime, requestTime, ratio(requestTime, bareTime));
    const double copyTime = reporter.time("BM_StoreCopy");
    const double createTime = reporter.time("BM_StoreCreate");
    std::printf("store: copy %8.1f ms, creation %8.1f ms (CPU; target well under 3000 ms), ratio %.1fx\n",
                copyTime, createTime, ratio(createTime, copyTime));
    benchmark::Shutdown();
    return 0;
}

#include "bench_market.moc"
