#pragma once

#include "feedapi_global.h"

#include <QString>

namespace SymbolKit {

// The text of a contract's expiration in one of a few formats. Month codes are
// F G H J K M N Q U V X Z for January to December; month names are the English
// abbreviations. The short formats name the contract month only; the ISO and long formats
// also show a day or a week of the month:
//
//   format              month        with day 17    with week 2
//   1 MonthCode         Z27          Z27            Z27
//   2 MonthCodeFullYear Z2027        Z2027          Z2027
//   3 Short             Dec27        Dec27          Dec27
//   4 Iso               2027-12      2027-12-17     2027-12 W2
//   8 Long, 0 Default   Dec 2027     17 Dec 2027    Dec 2027 W2
class FEEDAPI_EXPORT FuturesExpiration
{
public:
    enum Format {
        DefaultFormat = 0,
        MonthCodeFormat = 1,
        MonthCodeFullYearFormat = 2,
        ShortFormat = 3,
        IsoFormat = 4,
        LongFormat = 8
    };

    static constexpr int MaxWeek = 5;

    // week: the week of the month (1 to MaxWeek), 0 when none; day: the day of the month,
    // 0 when none. A week and a day together are refused.
    FuturesExpiration(int format, int year, int month, int week = 0, int day = 0);

    // A known format, a year from 1 to 9999, a month from 1 to 12, and a week or a day (or
    // neither) that exists in that month.
    bool isValid() const;
    // The text in the format; empty when not valid.
    QString toString() const;

    // The code of a month 1 to 12; 0 for any other number.
    static char monthCode(int month);
    // The month 1 to 12 of a code; 0 for any other character.
    static int monthOfCode(char code);

private:
    int m_format;
    int m_year;
    int m_month;
    int m_week;
    int m_day;
};

} // namespace SymbolKit
