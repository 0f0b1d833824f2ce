#include "quoteseed.h"

#include "datetime.h"

#include <cmath>

namespace FeedApi {
namespace Quotes {

namespace {

bool isPrice(double value)
{
    return std::isfinite(value) && value > 0;
}

} // namespace

bool QuoteSeed::isUsable() const
{
    if (!isPrice(lastClose) || !isPrice(previousClose) || !isPrice(minTick))
        return false;
    if (!todayBar)
        return true;
    const Bar &bar = *todayBar;
    return isPrice(bar.open) && isPrice(bar.high) && isPrice(bar.low) && isPrice(bar.close)
        && bar.low <= qMin(bar.open, bar.close) && qMax(bar.open, bar.close) <= bar.high;
}

QuoteSeed QuoteSeed::fromMarket(const Market::Instrument &instrument, const QVector<Bar> &lastBars,
                                const QDate &today)
{
    QuoteSeed seed;
    seed.minTick = instrument.minTick;
    seed.description = instrument.description;

    const quint64 todayTime = Common::DateTime::fromQDate(today).toInt64();
    std::optional<Bar> before;
    for (const Bar &bar : lastBars) {
        if (bar.time == todayTime)
            seed.todayBar = bar;
        else if (bar.time < todayTime && (!before || bar.time > before->time))
            before = bar;
    }
    if (before)
        seed.previousClose = before->close;
    if (seed.todayBar)
        seed.lastClose = seed.todayBar->close;
    else
        seed.lastClose = seed.previousClose;
    if (!before && seed.todayBar)
        seed.previousClose = seed.todayBar->open;
    return seed;
}

} // namespace Quotes
} // namespace FeedApi
