#pragma once

#include "datetime.h"

#include <QMetaType>

namespace Common {

// A point of a chart series: a time point with a fraction of its interval, a price and an
// offset from the price.
struct DataPoint
{
    DateTime time;
    double fractional = 0;
    double price = 0;
    double offset = 0;

    friend bool operator==(const DataPoint &a, const DataPoint &b)
    {
        return a.time == b.time && a.fractional == b.fractional && a.price == b.price
            && a.offset == b.offset;
    }
    friend bool operator!=(const DataPoint &a, const DataPoint &b) { return !(a == b); }
};

} // namespace Common

Q_DECLARE_METATYPE(Common::DataPoint)
