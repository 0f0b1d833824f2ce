#include "contractcalendar.h"

namespace FeedApi {
namespace Market {

namespace {

constexpr char MonthCodes[] = "FGHJKMNQUVXZ";
constexpr const char *MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int Friday = 5;
constexpr int DaysPerWeek = 7;

} // namespace

QDate ContractCalendar::thirdFriday(int year, int month)
{
    const QDate first(year, month, 1);
    const int toFriday = (Friday - first.dayOfWeek() + DaysPerWeek) % DaysPerWeek;
    return first.addDays(toFriday + 2 * DaysPerWeek);
}

char ContractCalendar::monthCode(int month)
{
    return MonthCodes[(month - 1) % 12];
}

QString ContractCalendar::monthName(int month)
{
    return QString::fromLatin1(MonthNames[(month - 1) % 12]);
}

QByteArray ContractCalendar::contractSymbol(const QByteArray &root, int year, int month)
{
    return root + monthCode(month) + QByteArray::number(year % 100).rightJustified(2, '0');
}

QDate ContractCalendar::frontMonth(const QDate &day)
{
    const QDate month(day.year(), day.month(), 1);
    return thirdFriday(day.year(), day.month()) >= day ? month : month.addMonths(1);
}

int ContractCalendar::dayNumber(const QDate &day)
{
    return day.year() * 10000 + day.month() * 100 + day.day();
}

QDate ContractCalendar::fromDayNumber(int number)
{
    return QDate(number / 10000, number / 100 % 100, number % 100);
}

} // namespace Market
} // namespace FeedApi
