#pragma once

#include "datetime.h"
#include "feedapi_global.h"
#include "historyresponse.h"
#include "quotes/fieldquotefieldid.h"
#include "quotes/quoteseed.h"

#include <QByteArray>
#include <QRandomGenerator>

namespace FeedApi {
namespace Quotes {

// The simulated market of one symbol: a seeded random walk of the last price in whole ticks,
// with a quote around it (bid < ask, last between them), cumulative volume and the day's open,
// high and low. The same seed, starting data and times give the same values.
class FEEDAPI_EXPORT QuoteWalk
{
public:
    // The fields that make the day's bar.
    static constexpr FieldQuote::FieldMask DayBarFields =
        FieldQuote::fieldBit(FieldQuote::Field::Open) | FieldQuote::fieldBit(FieldQuote::Field::High)
        | FieldQuote::fieldBit(FieldQuote::Field::Low) | FieldQuote::fieldBit(FieldQuote::Field::Last)
        | FieldQuote::fieldBit(FieldQuote::Field::Volume);

    // Starts at seed's last close with a first quote; every field has a value. The session is
    // now's day; today's bar of seed carries on when it is of that day.
    QuoteWalk(const QuoteSeed &seed, quint32 randomSeed, const Common::DateTime &now);

    // One step at now: a trade (new last price, volume and trade time) or not, and a new quote.
    // A day later than the session's starts a new session first: the previous close becomes
    // the last price, open, high and low start there and the volume at 0. Returns the fields
    // whose values changed; never none.
    FieldQuote::FieldMask step(const Common::DateTime &now);

    const FieldQuote::FieldValues &values() const { return m_values; }
    // The session day's bar (time: that day at 00:00:00.000).
    Bar dayBar() const;
    // The session day, YYYYMMDD.
    quint32 sessionDate() const { return m_sessionDate; }

private:
    double price(qint64 ticks) const;
    void quote();
    FieldQuote::FieldMask publish();

    QRandomGenerator m_random;
    double m_minTick = 0.01;
    qint64 m_ticksPerUnit = 0; // 1 / minTick when that is whole: prices are ticks / it, exactly
    qint64 m_moveTicks = 1;    // the size of one price move
    qint64 m_last = 0;
    qint64 m_bid = 0;
    qint64 m_ask = 0;
    qint64 m_open = 0;
    qint64 m_high = 0;
    qint64 m_low = 0;
    qint64 m_previousClose = 0;
    qint64 m_bidSize = 0;
    qint64 m_askSize = 0;
    qint64 m_volume = 0;
    Common::DateTime m_tradeTime;
    quint32 m_sessionDate = 0;
    FieldQuote::FieldValues m_values;
};

} // namespace Quotes
} // namespace FeedApi
