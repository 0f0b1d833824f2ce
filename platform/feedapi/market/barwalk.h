#pragma once

#include "historyresponse.h"
#include "listing.h"
#include "termstructure.h"
#include "tickgrid.h"

#include <QDate>
#include <QVector>

#include <optional>

namespace FeedApi {
namespace Market {

// The daily bars of an instrument: a random walk on its tick that wanders around the
// listing's price. Each day's move comes from the seed, the symbol and the day alone, so the
// bars after a stored close are the same whether made with the store or added later. A
// continuous futures symbol walks its root's level and shows the front contract of each day:
// the level through the root's term structure.
// Weekdays only; low <= open, close <= high; prices are whole ticks, at least one tick.
class BarWalk
{
public:
    BarWalk(quint64 seed, const Listing &listing);

    static bool isTradingDay(const QDate &day);

    // The bars of the trading days from first to last, the trading day before first having
    // closed at previousClose.
    QVector<Bar> bars(const QDate &first, const QDate &last, double previousClose) const;

private:
    // What the walk's level is multiplied by on day.
    double scale(const QDate &day) const;
    Bar bar(const QDate &day, double previousLevel) const;

    quint64 m_key;
    double m_price;
    TickGrid m_grid;
    double m_volatility;
    quint64 m_volume;
    std::optional<TermStructure> m_term;
};

} // namespace Market
} // namespace FeedApi
