#include "quotewalk.h"

#include <cmath>
#include <limits>

namespace FeedApi {
namespace Quotes {

namespace {

using FieldQuote::Field;

constexpr double TradeProbability = 0.6;
constexpr double MoveFraction = 5e-5; // one price move, as a fraction of the starting price
constexpr qint64 MaxMoveTicks = 1000000;
constexpr double MaxTicks = 1e15;     // prices beyond this many ticks are cut to it
constexpr qint64 LotSize = 100;
constexpr quint32 MaxTradeLots = 20;
constexpr quint32 MaxQuoteLots = 50;
constexpr quint32 MaxSpreadMoves = 3;

double positiveOr(double value, double fallback)
{
    return std::isfinite(value) && value > 0 ? value : fallback;
}

} // namespace

QuoteWalk::QuoteWalk(const QuoteSeed &seed, quint32 randomSeed, const Common::DateTime &now)
    : m_random(randomSeed)
    , m_minTick(positiveOr(seed.minTick, 0.01))
{
    const double perUnit = 1.0 / m_minTick;
    const double whole = std::round(perUnit);
    if (whole >= 1 && whole <= 1e12 && std::abs(perUnit - whole) < 1e-9 * whole)
        m_ticksPerUnit = qint64(whole);

    // Prices that are not positive numbers stand for the last close.
    const double lastClose = positiveOr(seed.lastClose, QuoteSeed::DefaultPrice);
    const auto toTicks = [this, lastClose](double value) {
        return qMax<qint64>(1, std::llround(qMin(positiveOr(value, lastClose) / m_minTick, MaxTicks)));
    };
    m_last = toTicks(lastClose);
    m_previousClose = toTicks(seed.previousClose);
    m_moveTicks = qBound<qint64>(1, std::llround(qMin(lastClose * MoveFraction / m_minTick, MaxTicks)),
                                 MaxMoveTicks);
    m_open = m_high = m_low = m_last;
    m_sessionDate = now.date();
    if (seed.todayBar && Common::DateTime::fromInt64(seed.todayBar->time).date() == now.date()) {
        m_open = toTicks(seed.todayBar->open);
        m_high = qMax(qMax(toTicks(seed.todayBar->high), m_last), m_open);
        m_low = qMin(qMin(toTicks(seed.todayBar->low), m_last), m_open);
        m_volume = qint64(qMin<quint64>(seed.todayBar->volume, std::numeric_limits<qint64>::max()));
    }
    m_tradeTime = now;
    quote();
    m_values[int(Field::Description)] = Common::RecordData::fromByteString(seed.description.toUtf8());
    publish();
}

FieldQuote::FieldMask QuoteWalk::step(const Common::DateTime &now)
{
    if (now.date() > m_sessionDate) {
        m_previousClose = m_last;
        m_open = m_high = m_low = m_last;
        m_volume = 0;
        m_sessionDate = now.date();
    }
    if (m_random.generateDouble() < TradeProbability) {
        const qint64 move = (qint64(m_random.bounded(3u)) - 1) * m_moveTicks;
        m_last = m_last + move >= 1 ? m_last + move : m_last + m_moveTicks;
        m_high = qMax(m_high, m_last);
        m_low = qMin(m_low, m_last);
        m_volume += qint64(1 + m_random.bounded(MaxTradeLots)) * LotSize;
        m_tradeTime = now;
    }
    quote();
    FieldQuote::FieldMask changed = publish();
    if (!changed) {
        m_bidSize += LotSize;
        changed = publish();
    }
    return changed;
}

Bar QuoteWalk::dayBar() const
{
    Bar bar;
    bar.time = Common::DateTime(m_sessionDate, 0).toInt64();
    bar.open = price(m_open);
    bar.high = price(m_high);
    bar.low = price(m_low);
    bar.close = price(m_last);
    bar.volume = quint64(m_volume);
    return bar;
}

double QuoteWalk::price(qint64 ticks) const
{
    return m_ticksPerUnit ? double(ticks) / double(m_ticksPerUnit) : double(ticks) * m_minTick;
}

// The bid lies at most one spread below the last price, the ask one spread above the bid.
void QuoteWalk::quote()
{
    const qint64 spread = m_moveTicks * qint64(1 + m_random.bounded(MaxSpreadMoves));
    m_bid = qMax<qint64>(1, m_last - qint64(m_random.bounded(quint32(spread + 1))));
    m_ask = m_bid + spread;
    m_bidSize = qint64(1 + m_random.bounded(MaxQuoteLots)) * LotSize;
    m_askSize = qint64(1 + m_random.bounded(MaxQuoteLots)) * LotSize;
}

FieldQuote::FieldMask QuoteWalk::publish()
{
    FieldQuote::FieldMask changed = 0;
    const auto set = [this, &changed](Field field, const Common::RecordData &value) {
        Common::RecordData &slot = m_values[int(field)];
        if (slot != value) {
            slot = value;
            changed |= FieldQuote::fieldBit(field);
        }
    };
    using Common::RecordData;
    set(Field::Last, RecordData::fromDouble(price(m_last)));
    set(Field::Bid, RecordData::fromDouble(price(m_bid)));
    set(Field::Ask, RecordData::fromDouble(price(m_ask)));
    set(Field::BidSize, RecordData::fromInt64(m_bidSize));
    set(Field::AskSize, RecordData::fromInt64(m_askSize));
    set(Field::Open, RecordData::fromDouble(price(m_open)));
    set(Field::High, RecordData::fromDouble(price(m_high)));
    set(Field::Low, RecordData::fromDouble(price(m_low)));
    set(Field::PrevClose, RecordData::fromDouble(price(m_previousClose)));
    set(Field::NetChange, RecordData::fromDouble(price(m_last - m_previousClose)));
    set(Field::PctChange,
        RecordData::fromDouble(double(m_last - m_previousClose) * 100.0 / double(m_previousClose)));
    set(Field::Volume, RecordData::fromInt64(m_volume));
    set(Field::TradeTime, RecordData::fromUInt64(m_tradeTime.toInt64()));
    set(Field::TradeDate, RecordData::fromUInt64(Common::DateTime(m_tradeTime.date(), 0).toInt64()));
    return changed;
}

} // namespace Quotes
} // namespace FeedApi
