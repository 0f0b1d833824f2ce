#include "quotesimulator.h"

#include "errorresponse.h"
#include "quotes/fieldquotesubscription.h"
#include "quotes/quotewalk.h"

#include <QDateTime>
#include <QMetaObject>
#include <QPointer>

#include <climits>
#include <utility>

namespace FeedApi {
namespace Quotes {

struct QuoteSimulator::Simulated
{
    Simulated(const QByteArray &symbol, const QuoteSeed &seed, quint32 randomSeed,
              const Common::DateTime &now)
        : symbol(symbol)
        , walk(seed, randomSeed, now)
    {
    }

    QByteArray symbol;
    QuoteWalk walk;
    int users = 0;
    // Served subscriptions; stop() leaves a null slot while a delivery loop runs.
    QVector<FieldQuoteSubscription *> subscriptions;
};

namespace {

// Longer spans are cut to this before they are turned into steps.
constexpr qint64 MaxAdvanceMsecs = qint64(366) * 24 * 3600 * 1000;

Common::DateTime systemClock()
{
    return Common::DateTime::fromQDateTime(QDateTime::currentDateTimeUtc());
}

// FNV-1a over the seed and the symbol: the walk's numbers do not depend on the process.
quint32 walkSeed(quint32 seed, const QByteArray &symbol)
{
    quint32 hash = 2166136261u;
    const auto add = [&hash](quint8 byte) {
        hash ^= byte;
        hash *= 16777619u;
    };
    for (int shift = 0; shift < 32; shift += 8)
        add(quint8(seed >> shift));
    for (const char c : symbol)
        add(quint8(c));
    return hash;
}

} // namespace

QuoteSimulator::QuoteSimulator(QObject *parent)
    : QuoteFeed(parent)
    , m_clock(systemClock)
    , m_timer(this)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1000 / DefaultUpdatesPerSecond);
    connect(&m_timer, &QTimer::timeout, this, &QuoteSimulator::tick);
}

QuoteSimulator::~QuoteSimulator() = default;

void QuoteSimulator::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(systemClock);
}

bool QuoteSimulator::setUpdatesPerSecond(int updatesPerSecond)
{
    if (updatesPerSecond < 1 || updatesPerSecond > MaxUpdatesPerSecond)
        return false;
    if (updatesPerSecond == m_updatesPerSecond)
        return true;
    m_updatesPerSecond = updatesPerSecond;
    m_carry = 0;
    m_timer.setInterval(qMax(1, 1000 / updatesPerSecond));
    m_rateChanged = true;
    postService();
    return true;
}

void QuoteSimulator::setAutoAdvance(bool on)
{
    m_autoAdvance = on;
    updateTimer();
}

bool QuoteSimulator::acquire(const QByteArray &symbol)
{
    return simulate(symbol) != nullptr;
}

void QuoteSimulator::release(const QByteArray &symbol)
{
    Simulated *simulated = m_bySymbol.value(symbol);
    if (!simulated || simulated->users == 0) {
        qWarning("QuoteSimulator: %s released more often than acquired", symbol.constData());
        return;
    }
    drop(simulated);
}

QList<QByteArray> QuoteSimulator::symbols() const
{
    QList<QByteArray> symbols;
    for (const std::unique_ptr<Simulated> &simulated : m_simulated) {
        if (simulated->users > 0)
            symbols.append(simulated->symbol);
    }
    return symbols;
}

std::optional<Bar> QuoteSimulator::dayBar(const QByteArray &symbol) const
{
    const Simulated *simulated = m_bySymbol.value(symbol);
    if (!simulated || simulated->users == 0)
        return std::nullopt;
    return simulated->walk.dayBar();
}

// Symbols added by a listener during the loop are stepped from the next step on; removals wait
// for tidy().
void QuoteSimulator::step()
{
    const Common::DateTime now = m_clock();
    const QPointer<QuoteSimulator> alive(this);
    ++m_delivering;
    for (size_t i = 0, count = m_simulated.size(); i < count; ++i) {
        Simulated &simulated = *m_simulated[i];
        if (simulated.users == 0)
            continue;
        const quint32 session = simulated.walk.sessionDate();
        const FieldQuote::FieldMask changed = simulated.walk.step(now);
        const bool newSession = simulated.walk.sessionDate() != session;
        for (int j = 0; j < simulated.subscriptions.size(); ++j) {
            if (newSession && simulated.subscriptions.at(j)) {
                simulated.subscriptions.at(j)->resetSession();
                if (!alive)
                    return;
            }
            if (FieldQuoteSubscription *subscription = simulated.subscriptions.at(j)) {
                subscription->deliver(simulated.walk.values(), changed);
                if (!alive)
                    return;
            }
        }
        if (newSession || (changed & QuoteWalk::DayBarFields)) {
            emit dayBarChanged(simulated.symbol, simulated.walk.dayBar());
            if (!alive)
                return;
        }
    }
    if (--m_delivering == 0 && m_untidy)
        tidy();
}

int QuoteSimulator::advance(qint64 msecs)
{
    if (msecs <= 0)
        return 0;
    const qint64 due = m_carry + qMin(msecs, MaxAdvanceMsecs) * m_updatesPerSecond;
    qint64 steps = due / 1000;
    m_carry = due % 1000;
    if (steps > m_updatesPerSecond) {
        const int skipped = int(qMin<qint64>(steps - m_updatesPerSecond, INT_MAX));
        steps = m_updatesPerSecond;
        if (!forEachServed([skipped](FieldQuoteSubscription *s) { s->updatesSkipped(skipped); }))
            return 0;
    }
    const QPointer<QuoteSimulator> alive(this);
    for (int i = 0; i < int(steps); ++i) {
        step();
        if (!alive)
            return i + 1;
    }
    return int(steps);
}

void QuoteSimulator::start(FieldQuoteSubscription *subscription)
{
    m_pending.append(subscription);
    postService();
}

void QuoteSimulator::stop(FieldQuoteSubscription *subscription)
{
    if (m_pending.removeOne(subscription))
        return;
    Simulated *simulated = m_bySymbol.value(subscription->key().symbol());
    const int index = simulated ? simulated->subscriptions.indexOf(subscription) : -1;
    if (index < 0)
        return;
    if (m_delivering) {
        simulated->subscriptions[index] = nullptr;
        m_untidy = true;
    } else {
        simulated->subscriptions.remove(index);
    }
    drop(simulated);
}

QuoteSimulator::Simulated *QuoteSimulator::simulate(const QByteArray &symbol)
{
    if (Simulated *simulated = m_bySymbol.value(symbol)) {
        ++simulated->users;
        return simulated;
    }
    if (!m_seedSource)
        return nullptr;
    const Common::DateTime now = m_clock();
    const std::optional<QuoteSeed> seed = m_seedSource(symbol, now);
    if (!seed)
        return nullptr;
    if (!seed->isUsable())
        qWarning("QuoteSimulator: the starting prices of %s are unusable; the walk replaces them",
                 symbol.constData());
    auto simulated = std::make_unique<Simulated>(symbol, *seed, walkSeed(m_seed, symbol), now);
    simulated->users = 1;
    Simulated *added = simulated.get();
    m_simulated.push_back(std::move(simulated));
    m_bySymbol.insert(symbol, added);
    updateTimer();
    return added;
}

void QuoteSimulator::drop(Simulated *simulated)
{
    if (--simulated->users > 0)
        return;
    if (m_delivering)
        m_untidy = true;
    else
        tidy();
}

void QuoteSimulator::postService()
{
    if (std::exchange(m_servicePosted, true))
        return;
    QMetaObject::invokeMethod(this, &QuoteSimulator::serve, Qt::QueuedConnection);
}

// Tells served subscriptions a new rate, then gives each new subscription its first update
// (every field) or the error of an unknown symbol.
void QuoteSimulator::serve()
{
    m_servicePosted = false;
    const QPointer<QuoteSimulator> alive(this);
    if (std::exchange(m_rateChanged, false)) {
        const int rate = m_updatesPerSecond;
        if (!forEachServed([rate](FieldQuoteSubscription *s) { s->updateRateChanged(rate); }))
            return;
    }
    while (!m_pending.isEmpty()) {
        FieldQuoteSubscription *subscription = m_pending.takeFirst();
        const QByteArray symbol = subscription->key().symbol();
        Simulated *simulated = simulate(symbol);
        if (!simulated) {
            subscription->fail(ErrorResponse::UnknownSymbol,
                               FieldQuoteSubscription::describeError(ErrorResponse::UnknownSymbol,
                                                                     QString::fromUtf8(symbol)));
            if (!alive)
                return;
            continue;
        }
        simulated->subscriptions.append(subscription);
        ++m_delivering;
        subscription->deliver(simulated->walk.values(), FieldQuote::AllFields);
        if (!alive)
            return;
        if (--m_delivering == 0 && m_untidy)
            tidy();
    }
}

// Time is taken from the running total, so the parts of milliseconds are not lost per tick.
void QuoteSimulator::tick()
{
    const qint64 elapsed = m_sinceStart.elapsed();
    advance(elapsed - std::exchange(m_advancedMsecs, elapsed));
}

void QuoteSimulator::updateTimer()
{
    const bool run = m_autoAdvance && !m_simulated.empty();
    if (run && !m_timer.isActive()) {
        m_carry = 0;
        m_advancedMsecs = 0;
        m_sinceStart.start();
        m_timer.start();
    } else if (!run) {
        m_timer.stop();
    }
}

bool QuoteSimulator::forEachServed(const std::function<void(FieldQuoteSubscription *)> &notify)
{
    const QPointer<QuoteSimulator> alive(this);
    ++m_delivering;
    for (size_t i = 0, count = m_simulated.size(); i < count; ++i) {
        Simulated &simulated = *m_simulated[i];
        for (int j = 0; j < simulated.subscriptions.size(); ++j) {
            if (FieldQuoteSubscription *subscription = simulated.subscriptions.at(j)) {
                notify(subscription);
                if (!alive)
                    return false;
            }
        }
    }
    if (--m_delivering == 0 && m_untidy)
        tidy();
    return true;
}

// Drops the null slots and the symbols nobody holds any more.
void QuoteSimulator::tidy()
{
    m_untidy = false;
    for (auto it = m_simulated.begin(); it != m_simulated.end();) {
        Simulated &simulated = **it;
        simulated.subscriptions.removeAll(nullptr);
        if (simulated.users == 0) {
            m_bySymbol.remove(simulated.symbol);
            it = m_simulated.erase(it);
        } else {
            ++it;
        }
    }
    updateTimer();
}

} // namespace Quotes
} // namespace FeedApi
