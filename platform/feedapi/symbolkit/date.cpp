#include "date.h"

#include <QDateTime>

#include <atomic>
#include <limits>

namespace SymbolKit {

namespace {

constexpr qint64 NoOverride = std::numeric_limits<qint64>::min();

// The Julian day currentDate() answers instead of the clock, or NoOverride.
std::atomic<qint64> s_overrideJulianDay{NoOverride};

} // namespace

Date::Date(int year, int month, int day)
    : m_date(year, month, day)
{
}

Date::Date(const QDate &date)
    : m_date(date)
{
}

Date Date::currentDate()
{
    const qint64 julianDay = s_overrideJulianDay.load();
    if (julianDay != NoOverride)
        return Date(QDate::fromJulianDay(julianDay));
    return Date(QDateTime::currentDateTimeUtc().date());
}

void Date::setCurrentDateOverride(const Date &date)
{
    s_overrideJulianDay.store(date.isValid() ? date.m_date.toJulianDay() : NoOverride);
}

} // namespace SymbolKit
