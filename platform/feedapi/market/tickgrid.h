#pragma once

#include <QtGlobal>

namespace FeedApi {
namespace Market {

// An instrument's prices as whole ticks: a price rounds to the nearest tick, never below
// one tick, and a number of ticks turns back into the nearest double of its decimal price.
class TickGrid
{
public:
    explicit TickGrid(double tick);

    double tick() const { return m_tick; }
    qint64 ticks(double price) const;
    double price(qint64 ticks) const;
    // price rounded to the grid.
    double round(double price) const { return this->price(ticks(price)); }

private:
    double m_tick;
    qint64 m_ticksPerUnit;   // 1 / tick when that is whole, else 0
};

} // namespace Market
} // namespace FeedApi
