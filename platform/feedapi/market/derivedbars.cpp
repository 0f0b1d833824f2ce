#include "derivedbars.h"

#include "contractcalendar.h"
#include "datetime.h"
#include "seededrandom.h"

#include <algorithm>

namespace FeedApi {
namespace Market {

namespace {

constexpr double DaysPerYear = 365;

int dayOf(const Bar &bar)
{
    return int(bar.time / Common::DateTime::DateFactor);
}

QByteArray continuousSymbol(const Listing &listing)
{
    return listing.instrument.root + '#';
}

} // namespace

DerivedBars::DerivedBars(quint64 seed, const Listing &listing)
    : m_kind(Kind::Copy)
    , m_key(SeededRandom::key(seed, SeededRandom::hash(listing.instrument.symbol)))
    , m_grid(listing.instrument.minTick)
    , m_volume(std::max<quint64>(1, listing.volume))
    , m_expires(listing.expires)
    , m_strike(listing.strike)
    , m_right(listing.right)
{
    switch (listing.instrument.type) {
    case Instrument::FuturesType:
        m_kind = Kind::Contract;
        m_term.emplace(seed, listing.instrument.root);
        break;
    case Instrument::FuturesSpreadType:
    case Instrument::UserDefinedSpreadType:
        m_kind = Kind::Spread;
        break;
    case Instrument::FuturesOptionType:
    case Instrument::StockOptionType:
        m_kind = Kind::Option;
        m_pricer.emplace(seed, listing.instrument.root);
        break;
    default:
        m_expires = 0;
        break;
    }
}

QList<QByteArray> DerivedBars::sources(const Listing &listing)
{
    const Instrument &instrument = listing.instrument;
    switch (instrument.type) {
    case Instrument::FuturesType:
    case Instrument::HistoricalFixedDateType:
    case Instrument::HistoricalDaysBackType:
        return {continuousSymbol(listing)};
    case Instrument::FuturesOptionType:
    case Instrument::StockOptionType:
        return {listing.chain};
    case Instrument::FuturesSpreadType:
    case Instrument::UserDefinedSpreadType: {
        // "CLH26-CLJ26", "=ACME.QB-NRTH.N"
        const QByteArray legs = instrument.symbol.mid(instrument.symbol.startsWith('=') ? 1 : 0);
        const int dash = legs.indexOf('-');
        return {legs.left(dash), legs.mid(dash + 1)};
    }
    }
    return {};
}

QVector<Bar> DerivedBars::bars(const QVector<QVector<Bar>> &sources) const
{
    QVector<Bar> result;
    if (sources.isEmpty())
        return result;
    const QVector<Bar> &lead = sources.first();
    const QVector<Bar> &other = sources.constLast();
    result.reserve(lead.size());
    int next = 0;
    for (const Bar &first : lead) {
        const int day = dayOf(first);
        if (m_expires > 0 && day > m_expires)
            break;
        const Bar *second = nullptr;
        if (sources.size() > 1) {
            while (next < other.size() && dayOf(other.at(next)) < day)
                ++next;
            if (next == other.size() || dayOf(other.at(next)) != day)
                continue;
            second = &other.at(next);
        }
        result.append(bar(day, first, second));
    }
    return result;
}

Bar DerivedBars::bar(int day, const Bar &first, const Bar *second) const
{
    double open = first.open;
    double high = first.high;
    double low = first.low;
    double close = first.close;
    switch (m_kind) {
    case Kind::Copy:
        return first;
    case Kind::Contract: {
        const QDate date = ContractCalendar::fromDayNumber(day);
        const double factor = m_term->relative(date, ContractCalendar::fromDayNumber(m_expires));
        open *= factor;
        high *= factor;
        low *= factor;
        close *= factor;
        break;
    }
    case Kind::Spread: {
        open -= second->open;
        close -= second->close;
        const double atHighs = first.high - second->high;
        const double atLows = first.low - second->low;
        high = std::max({open, close, atHighs, atLows});
        low = std::min({open, close, atHighs, atLows});
        break;
    }
    case Kind::Option: {
        const double years = double(ContractCalendar::fromDayNumber(day).daysTo(
                                 ContractCalendar::fromDayNumber(m_expires)))
            / DaysPerYear;
        const auto price = [this, years](double underlying) {
            return m_pricer->price(m_right, underlying, m_strike, years);
        };
        open = price(first.open);
        close = price(first.close);
        const double atHigh = price(first.high);
        const double atLow = price(first.low);
        high = std::max(atHigh, atLow);
        low = std::min(atHigh, atLow);
        break;
    }
    }
    Bar bar;
    bar.time = first.time;
    bar.open = m_grid.round(open);
    bar.high = m_grid.round(high);
    bar.low = m_grid.round(low);
    bar.close = m_grid.round(close);
    bar.volume = volume(day);
    return bar;
}

quint64 DerivedBars::volume(int day) const
{
    SeededRandom random(SeededRandom::key(m_key, quint64(day)));
    return std::max<quint64>(1, quint64(double(m_volume) * (0.4 + 1.2 * random.uniform())));
}

} // namespace Market
} // namespace FeedApi
