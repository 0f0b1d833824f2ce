#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

namespace FeedApi {
namespace Market {

// Dates and names of monthly contracts. Every contract (futures and options) expires on the
// third Friday of its month and is expired from the next day on.
class ContractCalendar
{
public:
    static QDate thirdFriday(int year, int month);
    // "F" .. "Z" for January .. December.
    static char monthCode(int month);
    // "Jan" .. "Dec".
    static QString monthName(int month);
    // ROOT + month code + two-digit year: "CLZ27".
    static QByteArray contractSymbol(const QByteArray &root, int year, int month);
    // The first day of the month of the first contract not expired on day.
    static QDate frontMonth(const QDate &day);
    // day as the number YYYYMMDD.
    static int dayNumber(const QDate &day);
    static QDate fromDayNumber(int number);
};

} // namespace Market
} // namespace FeedApi
