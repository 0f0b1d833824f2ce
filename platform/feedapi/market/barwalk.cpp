#include "barwalk.h"

#include "datetime.h"
#include "seededrandom.h"

#include <algorithm>
#include <cmath>

namespace FeedApi {
namespace Market {

namespace {

constexpr double Reversion = 0.004;   // share of the gap to the listing's price closed per day
constexpr double GapShare = 0.3;      // open's move against the day's, in volatility
constexpr double RangeShare = 0.5;    // high and low beyond open and close, in volatility

double dailyVolatility(int type)
{
    switch (type) {
    case Instrument::ForexType:
        return 0.006;
    case Instrument::BondType:
        return 0.004;
    case Instrument::MoneyMarketFundType:
        return 0.001;
    case Instrument::IndexType:
    case Instrument::MutualFundType:
        return 0.01;
    case Instrument::StockOptionType:
    case Instrument::FuturesOptionType:
    case Instrument::FuturesSpreadType:
    case Instrument::UserDefinedSpreadType:
        return 0.04;
    }
    return 0.015;
}

} // namespace

BarWalk::BarWalk(quint64 seed, const Listing &listing)
    : m_key(SeededRandom::key(seed, SeededRandom::hash(listing.instrument.symbol)))
    , m_price(listing.price)
    , m_tick(listing.instrument.minTick > 0 ? listing.instrument.minTick : 0.01)
    , m_ticksPerUnit(0)
    , m_volatility(dailyVolatility(listing.instrument.type))
    , m_volume(std::max<quint64>(1, listing.volume))
{
    if (m_tick < 1) {
        const qint64 perUnit = std::llround(1 / m_tick);
        if (std::abs(double(perUnit) * m_tick - 1) < 1e-9)
            m_ticksPerUnit = perUnit;
    }
}

bool BarWalk::isTradingDay(const QDate &day)
{
    return day.dayOfWeek() <= 5;
}

QVector<Bar> BarWalk::bars(const QDate &first, const QDate &last, double previousClose) const
{
    QVector<Bar> result;
    if (!first.isValid() || !last.isValid() || first > last)
        return result;
    result.reserve(int(first.daysTo(last) * 5 / 7 + 2));
    qint64 close = toTicks(previousClose);
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        if (!isTradingDay(day))
            continue;
        result.append(bar(day, close));
        close = toTicks(result.constLast().close);
    }
    return result;
}

qint64 BarWalk::toTicks(double price) const
{
    return std::max<qint64>(1, std::llround(price / m_tick));
}

// Dividing by a whole number of ticks per unit gives the nearest double to the decimal price
// (1234 / 100 is 12.34), which repeated multiplication by the tick would not.
double BarWalk::toPrice(qint64 ticks) const
{
    return m_ticksPerUnit > 0 ? double(ticks) / double(m_ticksPerUnit) : double(ticks) * m_tick;
}

Bar BarWalk::bar(const QDate &day, qint64 previousClose) const
{
    SeededRandom random(SeededRandom::key(m_key, quint64(day.toJulianDay())));
    const double previous = double(previousClose) * m_tick;
    const double pull = Reversion * (m_price / previous - 1);
    const qint64 open = toTicks(previous * (1 + GapShare * m_volatility * random.normal()));
    const qint64 close = toTicks(previous * (1 + m_volatility * random.normal() + pull));
    const qint64 top = std::max(open, close);
    const qint64 bottom = std::min(open, close);
    const qint64 high = top + std::llround(double(top) * RangeShare * m_volatility
                                           * std::abs(random.normal()));
    const qint64 low = std::max<qint64>(
        1, bottom - std::llround(double(bottom) * RangeShare * m_volatility
                                 * std::abs(random.normal())));
    Bar bar;
    bar.time = quint64(Common::DateTime::fromQDate(day).toInt64());
    bar.open = toPrice(open);
    bar.high = toPrice(high);
    bar.low = toPrice(low);
    bar.close = toPrice(close);
    bar.volume = std::max<quint64>(1, quint64(double(m_volume) * (0.4 + 1.2 * random.uniform())));
    return bar;
}

} // namespace Market
} // namespace FeedApi
