#pragma once

#include "historyresponse.h"
#include "listing.h"

#include <QDate>
#include <QVector>

namespace FeedApi {
namespace Market {

// The daily bars of an instrument: a random walk on its tick that wanders around the
// listing's price. Each day's move comes from the seed, the symbol and the day alone, so the
// bars after a stored close are the same whether made with the store or added later.
// Weekdays only; low <= open, close <= high; prices are whole ticks, at least one tick.
class BarWalk
{
public:
    BarWalk(quint64 seed, const Listing &listing);

    static bool isTradingDay(const QDate &day);

    // The bars of the trading days from first to last, the day before first having closed
    // at previousClose.
    QVector<Bar> bars(const QDate &first, const QDate &last, double previousClose) const;

private:
    qint64 toTicks(double price) const;
    double toPrice(qint64 ticks) const;
    Bar bar(const QDate &day, qint64 previousClose) const;

    quint64 m_key;
    double m_price;
    double m_tick;
    qint64 m_ticksPerUnit;   // 1 / tick when that is whole, else 0
    double m_volatility;
    quint64 m_volume;
};

} // namespace Market
} // namespace FeedApi
