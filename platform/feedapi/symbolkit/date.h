#pragma once

#include "feedapi_global.h"

#include <QDate>

namespace SymbolKit {

// A calendar day, without time or zone. The default value is the invalid day.
class FEEDAPI_EXPORT Date
{
public:
    Date() = default;
    Date(int year, int month, int day);
    explicit Date(const QDate &date);

    // Today in UTC from the system clock, or the day set with setCurrentDateOverride.
    static Date currentDate();
    // Makes currentDate() answer date in this process until it is called with an invalid
    // Date. Meant for tests; the override is the library's only global state and may be set
    // from any thread.
    static void setCurrentDateOverride(const Date &date);

    bool isValid() const { return m_date.isValid(); }
    int year() const { return m_date.year(); }
    int month() const { return m_date.month(); }
    int day() const { return m_date.day(); }
    QDate toQDate() const { return m_date; }
    // The day days later (earlier when negative); invalid when this one is.
    Date addDays(qint64 days) const { return Date(m_date.addDays(days)); }

    friend bool operator==(const Date &a, const Date &b) { return a.m_date == b.m_date; }
    friend bool operator!=(const Date &a, const Date &b) { return !(a == b); }

private:
    QDate m_date;
};

} // namespace SymbolKit
