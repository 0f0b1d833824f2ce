#pragma once

#include "datetime.h"
#include "feedapi_global.h"
#include "historyresponse.h"
#include "quotes/quotefeed.h"
#include "quotes/quoteseed.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QTimer>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace FeedApi {
namespace Quotes {

// The seeded live market: a random walk per simulated symbol (QuoteWalk), all moved by one
// timer, each step at the clock's time. A symbol is simulated while at least one user holds it
// (acquire/release); every subscription served counts as one. Symbols come from the seed
// source; each symbol's walk depends only on the simulator's seed and the symbol, so the same
// seed and clock give the same values whatever else is simulated. Subscriptions get their
// first update (every field), or the error of an unknown symbol, through the event loop after
// they start, then the fields each step changes. Lives on the GUI thread.
class FEEDAPI_EXPORT QuoteSimulator : public QuoteFeed
{
    Q_OBJECT

public:
    // The starting data of a symbol as of now; nothing for a symbol that does not exist.
    using SeedSource =
        std::function<std::optional<QuoteSeed>(const QByteArray &symbol, const Common::DateTime &now)>;
    // The current time, UTC.
    using Clock = std::function<Common::DateTime()>;

    static constexpr quint32 DefaultSeed = 20260101;
    static constexpr int DefaultUpdatesPerSecond = 4;
    static constexpr int MaxUpdatesPerSecond = 1000;

    explicit QuoteSimulator(QObject *parent = nullptr);
    ~QuoteSimulator() override;

    // Applies to symbols that start being simulated afterwards.
    void setSeed(quint32 seed) { m_seed = seed; }
    quint32 seed() const { return m_seed; }
    // Without a source every symbol is unknown.
    void setSeedSource(SeedSource source) { m_seedSource = std::move(source); }
    // The default clock is the system's time.
    void setClock(Clock clock);
    Common::DateTime now() const { return m_clock(); }

    // Steps per second of every simulated symbol, 1 to MaxUpdatesPerSecond; false, and the
    // rate unchanged, outside that range. Served subscriptions learn the new rate later.
    bool setUpdatesPerSecond(int updatesPerSecond);
    int updatesPerSecond() const { return m_updatesPerSecond; }
    // While off the timer stays still and only step() and advance() move the market.
    void setAutoAdvance(bool on);
    bool autoAdvance() const { return m_autoAdvance; }

    // Starts simulating symbol, counting users; false when the symbol is unknown.
    bool acquire(const QByteArray &symbol);
    // Drops one user of symbol; the last one stops its simulation.
    void release(const QByteArray &symbol);
    // The simulated symbols, in the order they started.
    QList<QByteArray> symbols() const;
    // The current day's bar of a simulated symbol.
    std::optional<Bar> dayBar(const QByteArray &symbol) const;

    // Moves every simulated symbol one step at now() and delivers what changed.
    void step();
    // Runs the steps that msecs of time hold at the current rate, the fraction carrying over
    // to the next call; at most one second's worth: the steps beyond are skipped and served
    // subscriptions told so. Returns the steps run.
    int advance(qint64 msecs);

signals:
    // The current day's bar of symbol changed (its time is today at 00:00:00.000 UTC).
    void dayBarChanged(const QByteArray &symbol, const FeedApi::Bar &bar);

protected:
    // reimplemented from QuoteFeed
    void start(FieldQuoteSubscription *subscription) override;
    void stop(FieldQuoteSubscription *subscription) override;

private:
    struct Simulated;

    Simulated *simulate(const QByteArray &symbol);
    void drop(Simulated *simulated);
    void postService();
    void serve();
    void tick();
    void updateTimer();
    // Calls notify for every served subscription; false when this simulator was destroyed.
    bool forEachServed(const std::function<void(FieldQuoteSubscription *)> &notify);
    void tidy();

    quint32 m_seed = DefaultSeed;
    SeedSource m_seedSource;
    Clock m_clock;
    int m_updatesPerSecond = DefaultUpdatesPerSecond;
    bool m_autoAdvance = true;
    qint64 m_carry = 0; // msecs * rate left over from the last advance(), below 1000
    std::vector<std::unique_ptr<Simulated>> m_simulated;
    QHash<QByteArray, Simulated *> m_bySymbol;
    QVector<FieldQuoteSubscription *> m_pending;
    bool m_servicePosted = false;
    bool m_rateChanged = false;
    int m_delivering = 0; // nesting of delivery loops; removals wait until it is 0
    bool m_untidy = false; // a removal waits
    QTimer m_timer;
    QElapsedTimer m_sinceStart;   // since the timer started
    qint64 m_advancedMsecs = 0;   // of that time, what the timer has advanced
};

} // namespace Quotes
} // namespace FeedApi
