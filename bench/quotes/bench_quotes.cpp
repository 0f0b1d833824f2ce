// The quote simulator's top rate: 500 subscriptions of every field, one per symbol, each
// listener reading the values it is told changed (as the quote handler does), against the bare
// random walks of the same 500 symbols without subscriptions or listeners. Both move one step
// per iteration at a clock that runs 1 ms a step.
//
// Then quotes into a page: 50 subscriptions of 10 fields each, asked for by a page through the
// datafeed, whose callback reads every value it gets. Each is measured against the floor, the
// same answer maps emitted to the same callback by a bare QObject signal carrying a
// QVariantMap:
// - one market step, from the simulator to the page, against emitting one step's maps;
// - a live run at the simulator's top rate (its own timer, 1,000 steps a second): field
//   updates delivered per second, and the latency from the step (the simulator reading its
//   clock) to the page callback, which stamps every 8th answer it gets through a slot (the
//   page's own clock counts whole milliseconds only); against the floor replayed at the same
//   pace.

#include "pagedocument.h"
#include "ratioreporter.h"

#include <document/scriptdocument.h>
#include <scriptdatafeed/scriptdatafeed.h>

#include <datetime.h>
#include <quotes/compoundsubscriptionadapter.h>
#include <quotes/ifieldquotelistener.h>
#include <quotes/quotesimulator.h>
#include <quotes/quotewalk.h>

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using FeedApi::Quotes::QuoteSeed;
using FeedApi::Quotes::QuoteSimulator;
using FeedApi::Quotes::QuoteWalk;

namespace {

constexpr int Subscriptions = 500;
constexpr double TargetRate = 200000;

// 09:30:00.000 on a fixed day plus ms milliseconds, within the day.
Common::DateTime clockAt(qint64 ms)
{
    const qint64 of = (9 * 3600 + 30 * 60) * qint64(1000) + ms % (14 * 3600 * qint64(1000));
    const quint32 time = quint32(of / 3600000 * 10000000 + of / 60000 % 60 * 100000
                                 + of / 1000 % 60 * 1000 + of % 1000);
    return Common::DateTime(20240131, time);
}

QByteArray symbolName(int i)
{
    return "S" + QByteArray::number(i).rightJustified(3, '0');
}

QuoteSeed seedOf(int i)
{
    QuoteSeed seed;
    seed.minTick = i % 3 == 0 ? 0.01 : i % 3 == 1 ? 0.25 : 0.0001;
    seed.lastClose = seed.previousClose = 1 + i * seed.minTick * 100;
    seed.description = QStringLiteral("Simulated %1").arg(i);
    return seed;
}

// Reads every changed value, as a handler building its answer would.
class CountingListener : public IFieldQuoteListener
{
public:
    void onData(IFieldQuoteSubscription *, const QSet<FieldQuote::FieldQuoteFieldId> &changed) override
    {
        for (const FieldQuote::FieldQuoteFieldId id : changed)
            benchmark::DoNotOptimize(adapter->recordData(id).payload());
        fieldUpdates += changed.size();
    }
    void onStatusChanged(IFieldQuoteSubscription *, int) override {}

    const CompoundSubscriptionAdapter *adapter = nullptr;
    qint64 fieldUpdates = 0;
};

struct Totals
{
    qint64 steps = 0;
    qint64 fieldUpdates = 0;
};
Totals simulatorTotals, walkTotals;

void simulatorStep(benchmark::State &state)
{
    qint64 ms = 0;
    QuoteSimulator simulator;
    simulator.setAutoAdvance(false);
    simulator.setUpdatesPerSecond(QuoteSimulator::MaxUpdatesPerSecond);
    simulator.setClock([&ms] { return clockAt(ms); });
    simulator.setSeedSource([](const QByteArray &symbol, const Common::DateTime &) {
        return std::optional<QuoteSeed>(seedOf(symbol.mid(1).toInt()));
    });
    FeedApi::Quotes::QuoteFeed *previous = QuoteSimulator::setCurrent(&simulator);
    std::vector<std::unique_ptr<CountingListener>> listeners;
    std::vector<std::unique_ptr<CompoundSubscriptionAdapter>> adapters;
    for (int i = 0; i < Subscriptions; ++i) {
        listeners.push_back(std::make_unique<CountingListener>());
        adapters.push_back(std::make_unique<CompoundSubscriptionAdapter>(
            ModelKey(symbolName(i), true, TradingSessionParams(), ModelKey::FieldQuoteKind)));
        listeners.back()->adapter = adapters.back().get();
        adapters.back()->setStaticFields(FieldQuote::toSet(FieldQuote::AllFields));
        adapters.back()->start(listeners.back().get());
    }
    QCoreApplication::processEvents();
    for (const auto &listener : listeners)
        listener->fieldUpdates = 0;

    for (auto _ : state) {
        ++ms;
        simulator.step();
    }
    qint64 fieldUpdates = 0;
    for (const auto &listener : listeners)
        fieldUpdates += listener->fieldUpdates;
    simulatorTotals = {qint64(state.iterations()), fieldUpdates};
    state.counters["field_updates"] = benchmark::Counter(double(fieldUpdates), benchmark::Counter::kIsRate);
    adapters.clear();
    QuoteSimulator::setCurrent(previous);
}

void bareWalks(benchmark::State &state)
{
    std::vector<QuoteWalk> walks;
    walks.reserve(Subscriptions);
    for (int i = 0; i < Subscriptions; ++i)
        walks.emplace_back(seedOf(i), quint32(i), clockAt(0));
    qint64 ms = 0;
    qint64 fieldUpdates = 0;
    for (auto _ : state) {
        const Common::DateTime now = clockAt(++ms);
        for (QuoteWalk &walk : walks)
            fieldUpdates += qPopulationCount(walk.step(now));
    }
    walkTotals = {qint64(state.iterations()), fieldUpdates};
    state.counters["field_updates"] = benchmark::Counter(double(fieldUpdates), benchmark::Counter::kIsRate);
}

BENCHMARK(simulatorStep)->Unit(benchmark::kMicrosecond)->MinTime(3);
BENCHMARK(bareWalks)->Unit(benchmark::kMicrosecond)->MinTime(3);

// Quotes into a page.

constexpr int PageSubscriptions = 50;
constexpr int LiveMsecs = 3000;
constexpr int LoadTimeoutMs = 30000;
constexpr double TargetPageRate = 50000;
constexpr double TargetP99Ms = 16;

// Every value read; the arrival of every 8th answer stamped.
const char pageHtml[] =
    "<!DOCTYPE html><html><head><script>\n"
    "var answers = 0, fields = 0, sink = 0;\n"
    "function onQuote(a) {\n"
    "  if (answers % 8 === 0 && window.stamps) stamps.stamp(answers);\n"
    "  ++answers;\n"
    "  var data = a.data;\n"
    "  for (var name in data) {\n"
    "    var value = data[name];\n"
    "    sink += value instanceof Date ? value.getTime() : value;\n"
    "    ++fields;\n"
    "  }\n"
    "}\n"
    "function restart() { answers = 0; fields = 0; }\n"
    "_quorvex_bridge.datafeed.response.connect(onQuote);\n"
    "</script></head><body></body></html>\n";

const char subscribe[] =
    "(function () {\n"
    "  var fields = ['Last', 'Bid', 'Ask', 'BidSize', 'AskSize', 'High', 'Low', 'Volume',"
    " 'NetChange', 'TradeTime'];\n"
    "  var accepted = 0;\n"
    "  for (var i = 0; i < %1; ++i)\n"
    "    accepted += _quorvex_bridge.datafeed.request({type: 'quote', rid: 'q' + i,"
    " symbol: 'S' + ('00' + i).slice(-3), fields: fields}) ? 1 : 0;\n"
    "  return accepted;\n"
    "})()";

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The floor: a bare object whose signal carries an answer map to the page.
class BareFeed : public QObject
{
    Q_OBJECT

signals:
    void response(const QVariantMap &data);
};

// The time the page callback got an answer, stamped from the page.
class PageStamps : public QObject
{
    Q_OBJECT

public:
    void clear() { m_stamps.clear(); }
    // (answer index, nowNs()) in arrival order.
    const std::vector<std::pair<qint64, qint64>> &stamps() const { return m_stamps; }

public slots:
    void stamp(double answer) { m_stamps.emplace_back(qint64(answer), nowNs()); }

private:
    std::vector<std::pair<qint64, qint64>> m_stamps;
};

struct Delivery
{
    qint64 steps = 0;
    qint64 answers = 0;
    double fields = 0;
};

struct LiveResult
{
    double fieldRate = 0;   // field updates delivered per second
    double stepRate = 0;
    double p50 = 0;         // milliseconds from the step to the page callback
    double p99 = 0;
    double msecs = 0;       // the run's length: the end waits for the steps running then
};

// The page with its 50 subscriptions on a simulator of its own, the bare feed connected to
// the same callback, and what the last run delivered: the time of each step, the step of each
// answer and, for datafeed runs, the answer maps of each step.
class PageQuotes
{
public:
    enum class Source { Datafeed, BareSignal };

    PageQuotes()
        : m_page(pageHtml)
    {
        m_simulator.setAutoAdvance(false);
        m_simulator.setSeedSource([](const QByteArray &symbol, const Common::DateTime &) {
            return std::optional<QuoteSeed>(seedOf(symbol.mid(1).toInt()));
        });
        m_simulator.setClock([this] {
            if (m_measuring)
                beginStep();
            return Common::DateTime::fromQDateTime(QDateTime::currentDateTimeUtc());
        });
        m_previous = QuoteSimulator::setCurrent(&m_simulator);
        if (!m_page.isLoaded())
            return;
        m_page.script()->appendScriptObject(QStringLiteral("bare"), &m_bare);
        m_page.script()->appendScriptObject(QStringLiteral("stamps"), &m_stamps);
        m_page.eval(QStringLiteral("bare.response.connect(onQuote)"));
        QObject::connect(m_page.script()->scriptDatafeed(), &ScriptDatafeed::response,
                         &m_bare, [this](const QVariantMap &answer) {
                             if (m_measuring)
                                 answered(answer, true);
                         });
        m_ready = m_page.eval(QString::fromLatin1(subscribe).arg(PageSubscriptions)).toInt()
                == PageSubscriptions
            && m_page.waitFor(QStringLiteral("answers >= %1").arg(PageSubscriptions), LoadTimeoutMs);
    }

    ~PageQuotes() { QuoteSimulator::setCurrent(m_previous); }

    bool isReady() const { return m_ready; }
    bool hasRecording() const { return !m_recorded.empty(); }

    // Starts counting; a datafeed run also records the maps it delivers.
    void begin(Source source)
    {
        m_source = source;
        m_ticks.clear();
        m_stepOfAnswer.clear();
        m_stamps.clear();
        if (source == Source::Datafeed)
            m_recorded.clear();
        m_page.eval(QStringLiteral("restart()"));
        m_measuring = true;
    }
    Delivery end()
    {
        m_measuring = false;
        return {qint64(m_ticks.size()), m_page.eval(QStringLiteral("answers")).toLongLong(),
                m_page.eval(QStringLiteral("fields")).toDouble()};
    }

    void datafeedStep() { m_simulator.step(); }
    // Emits the recorded maps of one step, in turn, through the bare signal.
    void bareStep()
    {
        beginStep();
        for (const QVariantMap &answer : m_recorded[m_replayed++ % m_recorded.size()]) {
            answered(answer, false);
            emit m_bare.response(answer);
        }
    }

    // A run of LiveMsecs at the simulator's top rate: the simulator's own timer, or the
    // recorded steps replayed at the same pace (its catching up included).
    LiveResult live(Source source)
    {
        begin(source);
        QEventLoop loop;
        QTimer pace;
        QElapsedTimer clock;
        qint64 advanced = 0;
        qint64 carry = 0;
        const qint64 rate = QuoteSimulator::MaxUpdatesPerSecond;
        if (source == Source::Datafeed) {
            m_simulator.setUpdatesPerSecond(int(rate));
            m_simulator.setAutoAdvance(true);
        } else {
            pace.setTimerType(Qt::PreciseTimer);
            pace.setInterval(1);
            QObject::connect(&pace, &QTimer::timeout, [&] {
                const qint64 now = clock.elapsed();
                const qint64 due = carry + (now - advanced) * rate;
                advanced = now;
                carry = due % 1000;
                for (qint64 i = 0, steps = std::min(due / 1000, rate); i < steps; ++i)
                    bareStep();
            });
            pace.start();
        }
        clock.start();
        QTimer::singleShot(LiveMsecs, &loop, &QEventLoop::quit);
        loop.exec();
        m_simulator.setAutoAdvance(false);
        pace.stop();
        const double seconds = clock.nsecsElapsed() / 1e9;
        const Delivery delivery = end();

        LiveResult result;
        result.fieldRate = delivery.fields / seconds;
        result.stepRate = delivery.steps / seconds;
        result.msecs = seconds * 1000;
        const std::vector<double> latency = latencies(delivery.answers);
        if (!latency.empty()) {
            result.p50 = latency[latency.size() / 2];
            result.p99 = latency[std::min(latency.size() - 1, latency.size() * 99 / 100)];
        }
        return result;
    }

private:
    void beginStep()
    {
        m_ticks.push_back(nowNs());
        if (m_source == Source::Datafeed)
            m_recorded.emplace_back();
    }
    void answered(const QVariantMap &answer, bool record)
    {
        m_stepOfAnswer.push_back(int(m_ticks.size()) - 1);
        if (record && !m_recorded.empty())
            m_recorded.back().push_back(answer);
    }

    // Milliseconds from each stamped answer's step to its page callback, sorted; empty when
    // the page did not get exactly the answers sent.
    std::vector<double> latencies(qint64 answers) const
    {
        if (answers != qint64(m_stepOfAnswer.size())) {
            std::fprintf(stderr, "the page got %lld answers of %zu\n", answers, m_stepOfAnswer.size());
            return {};
        }
        std::vector<double> latency;
        latency.reserve(m_stamps.stamps().size());
        for (const auto &[answer, stamp] : m_stamps.stamps()) {
            if (answer >= 0 && answer < answers)
                latency.push_back((stamp - m_ticks[size_t(m_stepOfAnswer[size_t(answer)])]) / 1e6);
        }
        std::sort(latency.begin(), latency.end());
        return latency;
    }

    // The page goes first: its datafeed ends the subscriptions on the simulator.
    QuoteSimulator m_simulator;
    FeedApi::Quotes::QuoteFeed *m_previous = nullptr;
    BareFeed m_bare;
    PageStamps m_stamps;
    PageDocument m_page;
    bool m_ready = false;
    bool m_measuring = false;
    Source m_source = Source::Datafeed;
    std::vector<qint64> m_ticks;
    std::vector<int> m_stepOfAnswer;
    std::vector<std::vector<QVariantMap>> m_recorded;
    size_t m_replayed = 0;
};

PageQuotes *pageQuotes = nullptr;
Delivery datafeedStepTotals, bareStepTotals;
LiveResult liveDatafeed, liveBare;

void pageDatafeedStep(benchmark::State &state)
{
    if (!pageQuotes->isReady()) {
        state.SkipWithError("the page did not subscribe");
        return;
    }
    pageQuotes->begin(PageQuotes::Source::Datafeed);
    for (auto _ : state)
        pageQuotes->datafeedStep();
    datafeedStepTotals = pageQuotes->end();
    state.counters["field_updates"] = benchmark::Counter(datafeedStepTotals.fields, benchmark::Counter::kIsRate);
}

void pageBareSignalStep(benchmark::State &state)
{
    if (!pageQuotes->hasRecording()) {
        state.SkipWithError("nothing recorded: run pageDatafeedStep first");
        return;
    }
    pageQuotes->begin(PageQuotes::Source::BareSignal);
    for (auto _ : state)
        pageQuotes->bareStep();
    bareStepTotals = pageQuotes->end();
    state.counters["field_updates"] = benchmark::Counter(bareStepTotals.fields, benchmark::Counter::kIsRate);
}

void liveRun(benchmark::State &state, PageQuotes::Source source, LiveResult *result)
{
    for (auto _ : state)
        *result = pageQuotes->live(source);
    state.counters["field_updates_per_s"] = result->fieldRate;
    state.counters["steps_per_s"] = result->stepRate;
    state.counters["p50_ms"] = result->p50;
    state.counters["p99_ms"] = result->p99;
}

void pageDatafeedLive(benchmark::State &state)
{
    if (!pageQuotes->isReady()) {
        state.SkipWithError("the page did not subscribe");
        return;
    }
    liveRun(state, PageQuotes::Source::Datafeed, &liveDatafeed);
}

void pageBareSignalLive(benchmark::State &state)
{
    if (!pageQuotes->hasRecording()) {
        state.SkipWithError("nothing recorded: run pageDatafeedLive first");
        return;
    }
    liveRun(state, PageQuotes::Source::BareSignal, &liveBare);
}

BENCHMARK(pageDatafeedStep)->Unit(benchmark::kMicrosecond)->MinTime(3);
BENCHMARK(pageBareSignalStep)->Unit(benchmark::kMicrosecond)->MinTime(3);
BENCHMARK(pageDatafeedLive)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(pageBareSignalLive)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void printLive(const char *source, const LiveResult &result)
{
    std::printf("live at the top rate (%d steps/s), %s: %.0f field updates/s, %.0f steps/s,"
                " p50 %.3f ms, p99 %.3f ms; the %d ms run ended after %.0f ms\n",
                QuoteSimulator::MaxUpdatesPerSecond, source, result.fieldRate, result.stepRate,
                result.p50, result.p99, LiveMsecs, result.msecs);
}

double ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(RatioReporter::CpuTime);
    {
        PageQuotes quotes;
        pageQuotes = &quotes;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        pageQuotes = nullptr;
    }

    const double simulatorStep = reporter.time("simulatorStep") / 1e6;
    const double walkStep = reporter.time("bareWalks") / 1e6;
    if (simulatorStep > 0 && walkStep > 0 && simulatorTotals.steps > 0 && walkTotals.steps > 0) {
        const double rate = double(simulatorTotals.fieldUpdates) / simulatorTotals.steps / simulatorStep;
        const double bareRate = double(walkTotals.fieldUpdates) / walkTotals.steps / walkStep;
        std::printf("simulator, %d subscriptions: %.0f field updates/s (%.0f steps/s, target %.0f: %s)\n",
                    Subscriptions, rate, 1 / simulatorStep, TargetRate,
                    rate >= TargetRate ? "met" : "MISSED");
        std::printf("bare walks, %d symbols: %.0f field updates/s (%.0f steps/s)\n", Subscriptions,
                    bareRate, 1 / walkStep);
        std::printf("step time, simulator with listeners / bare walks: ratio %.2fx\n",
                    simulatorStep / walkStep);
    }

    // Without TZ the C library reads the zone file's status again for every date a page gets.
    std::printf("TZ: %s\n", qEnvironmentVariableIsSet("TZ") ? qgetenv("TZ").constData() : "not set");
    const double datafeedStep = reporter.time("pageDatafeedStep") / 1e6;
    const double bareStep = reporter.time("pageBareSignalStep") / 1e6;
    if (datafeedStep > 0 && bareStep > 0 && datafeedStepTotals.steps > 0 && bareStepTotals.steps > 0) {
        std::printf("page, %d subscriptions x 10 fields, one step: datafeed %.1f us (%.0f field"
                    " updates/s), bare signal %.1f us (%.0f field updates/s): ratio %.2fx\n",
                    PageSubscriptions, datafeedStep * 1e6,
                    datafeedStepTotals.fields / datafeedStepTotals.steps / datafeedStep,
                    bareStep * 1e6, bareStepTotals.fields / bareStepTotals.steps / bareStep,
                    datafeedStep / bareStep);
    }
    if (liveBare.stepRate > 0) {
        printLive("bare signal", liveBare);
        std::printf("live, datafeed / bare signal: field updates/s ratio %.2fx, p50 ratio %.2fx,"
                    " p99 ratio %.2fx\n", ratio(liveDatafeed.fieldRate, liveBare.fieldRate),
                    ratio(liveDatafeed.p50, liveBare.p50), ratio(liveDatafeed.p99, liveBare.p99));
    }
    if (liveDatafeed.stepRate > 0) {
        printLive("datafeed", liveDatafeed);
        const bool met = liveDatafeed.fieldRate >= TargetPageRate && liveDatafeed.p99 < TargetP99Ms;
        std::printf("target >= %.0f field updates/s with p99 < %.0f ms: %s\n", TargetPageRate,
                    TargetP99Ms, met ? "met" : "MISSED");
        std::printf("quotes: %.0f field updates/s, p50 %.2f ms, p99 %.2f ms\n", liveDatafeed.fieldRate,
                    liveDatafeed.p50, liveDatafeed.p99);
    }
    benchmark::Shutdown();
    return 0;
}

#include "bench_quotes.moc"
