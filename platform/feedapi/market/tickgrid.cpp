#include "tickgrid.h"

#include <algorithm>
#include <cmath>

namespace FeedApi {
namespace Market {

TickGrid::TickGrid(double tick)
    : m_tick(tick > 0 ? tick : 0.01)
    , m_ticksPerUnit(0)
{
    if (m_tick < 1) {
        const qint64 perUnit = std::llround(1 / m_tick);
        if (std::abs(double(perUnit) * m_tick - 1) < 1e-9)
            m_ticksPerUnit = perUnit;
    }
}

qint64 TickGrid::ticks(double price) const
{
    return std::max<qint64>(1, std::llround(price / m_tick));
}

// Dividing by a whole number of ticks per unit gives the nearest double to the decimal price
// (1234 / 100 is 12.34), which repeated multiplication by the tick would not.
double TickGrid::price(qint64 ticks) const
{
    return m_ticksPerUnit > 0 ? double(ticks) / double(m_ticksPerUnit) : double(ticks) * m_tick;
}

} // namespace Market
} // namespace FeedApi
