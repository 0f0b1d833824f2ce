#pragma once

#include "headlinefilterparameters.h"
#include "request.h"
#include "timerange.h"

namespace FeedApi {
namespace News {

// Asks for the headlines matching filter inside interval, newest first, at most historyLimit
// of them (0: no limit). While the interval's end lies in the future the request stays open
// and each new matching headline arrives in a further response.
class FEEDAPI_EXPORT HeadlineRequest : public Request
{
public:
    HeadlineRequest(const HeadlineFilterParameters &filter, const DateTimeInterval &interval,
                    unsigned historyLimit)
        : m_filter(filter), m_interval(interval), m_historyLimit(historyLimit) {}

    HeadlineFilterParameters filter() const { return m_filter; }
    DateTimeInterval interval() const { return m_interval; }
    unsigned historyLimit() const { return m_historyLimit; }

private:
    HeadlineFilterParameters m_filter;
    DateTimeInterval m_interval;
    unsigned m_historyLimit;
};

} // namespace News
} // namespace FeedApi
