#pragma once

#include "listing.h"

#include <QDate>
#include <QVector>

#include <optional>

namespace FeedApi {
namespace Market {

// What the store lists as of a day: stocks, indices, forex spot and forwards, bonds, funds,
// futures roots with monthly contracts from 24 months back to 27 months ahead and their
// continuous symbols, futures options and spreads, stock options with and without a regional
// part, user-defined spreads and historical contracts. Every field is a function of the
// symbol and the day alone, so a listing made on another day differs only where the day
// matters (expired flags, front contracts, the window of contracts and options).
class InstrumentCatalogue
{
public:
    // The instruments listed on today; those with base bars come first, in a fixed order.
    static QVector<Listing> listings(const QDate &today);
    // The historical contract named by text, "ROOT#@YYYYMMDD" (a day up to today) or
    // "ROOT#@-N" (N days before today, 1 to 3650), of a futures root; none for other texts.
    static std::optional<Listing> historical(const QByteArray &text, const QDate &today);
    // A strike as its symbol text: no trailing zeros after the point ("80", "2400.5").
    static QByteArray strikeText(double strike);
};

} // namespace Market
} // namespace FeedApi
