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
    }
    return 0.015;
}

QDate previousTradingDay(const QDate &day)
{
    QDate previous = day.addDays(-1);
    while (!BarWalk::isTradingDay(previous))
        previous = previous.addDays(-1);
    return previous;
}

} // namespace

BarWalk::BarWalk(quint64 seed, const Listing &listing)
    : m_key(SeededRandom::key(seed, SeededRandom::hash(listing.instrument.symbol)))
    , m_price(listing.price)
    , m_grid(listing.instrument.minTick)
    , m_volatility(dailyVolatility(listing.instrument.type))
    , m_volume(std::max<quint64>(1, listing.volume))
{
    if (listing.instrument.type == Instrument::FuturesContinuousType)
        m_term.emplace(seed, listing.instrument.root);
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
    QDate previous = previousTradingDay(first);
    qint64 close = m_grid.ticks(previousClose);
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        if (!isTradingDay(day))
            continue;
        result.append(bar(day, double(close) * m_grid.tick() / scale(previous)));
        close = m_grid.ticks(result.constLast().close);
        previous = day;
    }
    return result;
}

double BarWalk::scale(const QDate &day) const
{
    return m_term ? m_term->front(day) : 1.0;
}

Bar BarWalk::bar(const QDate &day, double previousLevel) const
{
    SeededRandom random(SeededRandom::key(m_key, quint64(day.toJulianDay())));
    const double pull = Reversion * (m_price / previousLevel - 1);
    const double scale = this->scale(day);
    const qint64 open = m_grid.ticks(previousLevel * (1 + GapShare * m_volatility * random.normal())
                                     * scale);
    const qint64 close = m_grid.ticks(previousLevel * (1 + m_volatility * random.normal() + pull)
                                      * scale);
    const qint64 top = std::max(open, close);
    const qint64 bottom = std::min(open, close);
    const qint64 high = top + std::llround(double(top) * RangeShare * m_volatility
                                           * std::abs(random.normal()));
    const qint64 low = std::max<qint64>(
        1, bottom - std::llround(double(bottom) * RangeShare * m_volatility
                                 * std::abs(random.normal())));
    Bar bar;
    bar.time = quint64(Common::DateTime::fromQDate(day).toInt64());
    bar.open = m_grid.price(open);
    bar.high = m_grid.price(high);
    bar.low = m_grid.price(low);
    bar.close = m_grid.price(close);
    bar.volume = std::max<quint64>(1, quint64(double(m_volume) * (0.4 + 1.2 * random.uniform())));
    return bar;
}

} // namespace Market
} // namespace FeedApi
