// The quote simulator's top rate: 500 subscriptions of every field, one per symbol, each
// listener reading the values it is told changed (as the quote handler does), against the bare
// random walks of the same 500 symbols without subscriptions or listeners. Both move one step
// per iteration at a clock that runs 1 ms a step.

#include "ratioreporter.h"

#include <datetime.h>
#include <quotes/compoundsubscriptionadapter.h>
#include <quotes/ifieldquotelistener.h>
#include <quotes/quotesimulator.h>
#include <quotes/quotewalk.h>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter(RatioReporter::CpuTime);
    benchmark::RunSpecifiedBenchmarks(&reporter);

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
    benchmark::Shutdown();
    return 0;
}
