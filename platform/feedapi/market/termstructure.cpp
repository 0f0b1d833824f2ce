#include "termstructure.h"

#include "contractcalendar.h"
#include "seededrandom.h"

#include <cmath>

namespace FeedApi {
namespace Market {

namespace {

constexpr double LeastCarry = 0.003;
constexpr double CarryRange = 0.005;
constexpr double DaysPerMonth = 365.25 / 12;

QDate frontExpiration(const QDate &day)
{
    const QDate month = ContractCalendar::frontMonth(day);
    return ContractCalendar::thirdFriday(month.year(), month.month());
}

} // namespace

TermStructure::TermStructure(quint64 seed, const QByteArray &root)
    : m_carry(LeastCarry
              + CarryRange
                  * SeededRandom(SeededRandom::key(seed, SeededRandom::hash(root),
                                                   SeededRandom::hash("carry")))
                        .uniform())
{
}

double TermStructure::front(const QDate &day) const
{
    return discount(day.daysTo(frontExpiration(day)));
}

double TermStructure::relative(const QDate &day, const QDate &expiration) const
{
    return discount(frontExpiration(day).daysTo(expiration));
}

double TermStructure::discount(qint64 days) const
{
    return std::exp(-m_carry * double(days) / DaysPerMonth);
}

} // namespace Market
} // namespace FeedApi
