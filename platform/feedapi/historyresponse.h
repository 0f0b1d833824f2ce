#pragma once

#include "response.h"

#include <QVector>

namespace FeedApi {

// One bar: time is date YYYYMMDD * 10^9 + time HHMMSSmmm (UTC; daily bars at 00:00:00.000).
struct Bar
{
    quint64 time = 0;
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    quint64 volume = 0;
};

// Bars of a series, oldest first.
class FEEDAPI_EXPORT HistoryResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(HistoryResponse)

    HistoryResponse() = default;
    explicit HistoryResponse(const QVector<Bar> &bars) : m_bars(bars) {}

    QVector<Bar> bars() const { return m_bars; }

private:
    QVector<Bar> m_bars;
};

} // namespace FeedApi
