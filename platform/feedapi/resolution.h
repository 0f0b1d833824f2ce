#pragma once

#include "feedapi_global.h"

namespace FeedApi {

// The interval of one bar of a series. The library serves daily bars only.
class FEEDAPI_EXPORT Resolution
{
public:
    enum Unit { Daily = 1 };

    static Resolution daily(int count) { return Resolution(Daily, count); }

    Unit unit() const { return m_unit; }
    int count() const { return m_count; }

    friend bool operator==(const Resolution &a, const Resolution &b)
    { return a.m_unit == b.m_unit && a.m_count == b.m_count; }

private:
    Resolution(Unit unit, int count) : m_unit(unit), m_count(count) {}

    Unit m_unit;
    int m_count;
};

} // namespace FeedApi
