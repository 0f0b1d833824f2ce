#pragma once

#include "datetime.h"

namespace FeedApi {

// A closed range of date-times, both ends UTC.
struct TimeRange
{
    Common::DateTime from;
    Common::DateTime to;
};

// The same shape, as the news requests name it.
using DateTimeInterval = TimeRange;

} // namespace FeedApi
