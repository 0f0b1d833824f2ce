#include "datetime.h"

#include <limits>

namespace Common {

namespace {

// YYYYMMDD and HHMMSSmmm decimal fields.
constexpr quint32 YearFactor = 10000;
constexpr quint32 MonthFactor = 100;
constexpr quint32 HourFactor = 10000000;
constexpr quint32 MinuteFactor = 100000;
constexpr quint32 SecondFactor = 1000;
constexpr quint32 TwoDigits = 100;

quint32 packDate(const QDate &date)
{
    return quint32(date.year()) * YearFactor + quint32(date.month()) * MonthFactor
        + quint32(date.day());
}

quint32 packTime(const QTime &time)
{
    return quint32(time.hour()) * HourFactor + quint32(time.minute()) * MinuteFactor
        + quint32(time.second()) * SecondFactor + quint32(time.msec());
}

} // namespace

DateTime DateTime::fromInt64(quint64 value)
{
    const quint64 date = value / DateFactor;
    if (date > std::numeric_limits<quint32>::max())
        return DateTime();
    return DateTime(quint32(date), quint32(value % DateFactor));
}

DateTime DateTime::fromQDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return DateTime();
    const QDateTime utc = dateTime.toUTC();
    if (utc.date().year() < 1)
        return DateTime();
    return DateTime(packDate(utc.date()), packTime(utc.time()));
}

DateTime DateTime::fromQDate(const QDate &date)
{
    if (!date.isValid() || date.year() < 1)
        return DateTime();
    return DateTime(packDate(date), 0);
}

QDate DateTime::toQDate() const
{
    return QDate(int(m_date / YearFactor), int(m_date / MonthFactor % TwoDigits),
                 int(m_date % TwoDigits));
}

QTime DateTime::toQTime() const
{
    return QTime(int(m_time / HourFactor), int(m_time / MinuteFactor % TwoDigits),
                 int(m_time / SecondFactor % TwoDigits), int(m_time % SecondFactor));
}

QDateTime DateTime::toQDateTime() const
{
    if (!isValid())
        return QDateTime();
    return QDateTime(toQDate(), toQTime(), Qt::UTC);
}

} // namespace Common
