#pragma once

#include "instrument.h"

#include <QByteArray>

namespace FeedApi {
namespace Market {

// An instrument as the store keeps it: the record's fields and what only the store reads.
struct Listing
{
    enum Right { NoRight = 0, Call = 1, Put = 2 };

    Instrument instrument;
    QByteArray chain;        // the chain it belongs to: a futures root or an underlying symbol
    int expires = 0;         // expiration day as YYYYMMDD, 0 when it never expires
    double strike = 0;
    int right = NoRight;
    QByteArray region;       // regional part of a stock option
    double price = 0;        // the level its walk wanders around; 0 when priced from others
    quint64 volume = 0;      // its typical daily volume
    bool baseBars = false;   // bars made with the store; others are made on first request
};

} // namespace Market
} // namespace FeedApi
