#pragma once

#include "feedapi_global.h"
#include "historyresponse.h"
#include "market/instrument.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <optional>

namespace FeedApi {
namespace Quotes {

// Where the simulated market of one symbol starts.
struct FEEDAPI_EXPORT QuoteSeed
{
    static constexpr double DefaultPrice = 100.0;

    // The latest price: the close of today's bar so far when there is one, else the last
    // close before today. The random walk starts here.
    double lastClose = DefaultPrice;
    // The close of the last day before today: the previous close and the base of the changes.
    double previousClose = DefaultPrice;
    // The price step; prices stay on multiples of it.
    double minTick = 0.01;
    QString description;
    // Today's bar so far (time today at 00:00:00.000): the day's open, high, low and volume
    // carry on from it.
    std::optional<Bar> todayBar;

    // Whether every price and the tick are positive numbers and today's bar, if any, holds its
    // open and close between its low and high. A walk replaces what is not.
    bool isUsable() const;

    // The seed of an instrument from its last bars (oldest first, as MarketStore::lastBars
    // gives them) as of today. Without a bar before today the previous close is today's open;
    // without any bar the walk starts at DefaultPrice.
    static QuoteSeed fromMarket(const Market::Instrument &instrument, const QVector<Bar> &lastBars,
                                const QDate &today);
};

} // namespace Quotes
} // namespace FeedApi
