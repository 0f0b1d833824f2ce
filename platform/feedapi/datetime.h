#pragma once

#include "feedapi_global.h"

#include <QDateTime>
#include <QMetaType>

namespace Common {

// The host's date-time value: a date as decimal YYYYMMDD and a time of day as decimal
// HHMMSSmmm, always meant as UTC. As one 64-bit number it is date * 10^9 + time. The zero
// value (date 0, time 0) is the null date-time. Values are kept as given; isValid() tells
// whether they name a real day and time.
class FEEDAPI_EXPORT DateTime
{
public:
    static constexpr quint64 DateFactor = 1000000000ULL;

    constexpr DateTime() = default;
    constexpr DateTime(quint32 date, quint32 time) : m_date(date), m_time(time) {}

    // Splits date * 10^9 + time; a date part beyond 32 bits gives the null value.
    static DateTime fromInt64(quint64 value);
    // The UTC day and time of dateTime; an invalid one, or one before year 1, gives the null
    // value.
    static DateTime fromQDateTime(const QDateTime &dateTime);
    // The day at 00:00:00.000; an invalid date or one before year 1 gives the null value.
    static DateTime fromQDate(const QDate &date);

    quint32 date() const { return m_date; }
    quint32 time() const { return m_time; }
    bool isNull() const { return m_date == 0 && m_time == 0; }
    bool isValid() const { return toQDate().isValid() && toQTime().isValid(); }

    quint64 toInt64() const { return quint64(m_date) * DateFactor + m_time; }
    QDate toQDate() const;
    QTime toQTime() const;
    // The UTC date-time, milliseconds kept; invalid when the value is not valid.
    QDateTime toQDateTime() const;

    friend bool operator==(const DateTime &a, const DateTime &b)
    { return a.m_date == b.m_date && a.m_time == b.m_time; }
    friend bool operator!=(const DateTime &a, const DateTime &b) { return !(a == b); }
    friend bool operator<(const DateTime &a, const DateTime &b)
    { return a.toInt64() < b.toInt64(); }

private:
    quint32 m_date = 0;
    quint32 m_time = 0;
};

} // namespace Common

Q_DECLARE_METATYPE(Common::DateTime)
