#include "futuresexpiration.h"

#include <QDate>
#include <QLocale>

#include <cstring>

namespace SymbolKit {

namespace {

constexpr char MonthCodes[] = "FGHJKMNQUVXZ";
constexpr int MonthsPerYear = 12;
constexpr int MaxYear = 9999;

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

FuturesExpiration::FuturesExpiration(int format, int year, int month, int week, int day)
    : m_format(format)
    , m_year(year)
    , m_month(month)
    , m_week(week)
    , m_day(day)
{
}

bool FuturesExpiration::isValid() const
{
    switch (m_format) {
    case DefaultFormat:
    case MonthCodeFormat:
    case MonthCodeFullYearFormat:
    case ShortFormat:
    case IsoFormat:
    case LongFormat:
        break;
    default:
        return false;
    }
    if (m_year < 1 || m_year > MaxYear || m_month < 1 || m_month > MonthsPerYear)
        return false;
    if (m_week < 0 || m_week > MaxWeek || (m_week != 0 && m_day != 0))
        return false;
    return m_day == 0 || QDate(m_year, m_month, m_day).isValid();
}

QString FuturesExpiration::toString() const
{
    if (!isValid())
        return QString();
    const QString monthName = QLocale::c().monthName(m_month, QLocale::ShortFormat);
    const QString year = QString::number(m_year);
    switch (m_format) {
    case MonthCodeFormat:
        return QLatin1Char(monthCode(m_month)) + twoDigits(m_year);
    case MonthCodeFullYearFormat:
        return QLatin1Char(monthCode(m_month)) + year;
    case ShortFormat:
        return monthName + twoDigits(m_year);
    case IsoFormat: {
        QString text = QStringLiteral("%1-%2").arg(m_year, 4, 10, QLatin1Char('0'))
                           .arg(m_month, 2, 10, QLatin1Char('0'));
        if (m_day != 0)
            text += QStringLiteral("-%1").arg(m_day, 2, 10, QLatin1Char('0'));
        if (m_week != 0)
            text += QStringLiteral(" W%1").arg(m_week);
        return text;
    }
    default: { // DefaultFormat, LongFormat
        QString text = monthName + QLatin1Char(' ') + year;
        if (m_day != 0)
            text.prepend(QString::number(m_day) + QLatin1Char(' '));
        if (m_week != 0)
            text += QStringLiteral(" W%1").arg(m_week);
        return text;
    }
    }
}

char FuturesExpiration::monthCode(int month)
{
    return month >= 1 && month <= MonthsPerYear ? MonthCodes[month - 1] : 0;
}

int FuturesExpiration::monthOfCode(char code)
{
    const char *found = code != 0 ? std::strchr(MonthCodes, code) : nullptr;
    return found ? int(found - MonthCodes) + 1 : 0;
}

} // namespace SymbolKit
