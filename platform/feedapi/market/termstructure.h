#pragma once

#include <QByteArray>
#include <QDate>

namespace FeedApi {
namespace Market {

// The prices of a futures root's contracts against each other: a contract is worth the
// root's level discounted by a carry per month to its expiration, so each month further out
// is a little cheaper and a contract's price moves smoothly as its expiration nears. The
// carry is fixed per root from the seed, between 0.3% and 0.8% a month.
class TermStructure
{
public:
    TermStructure(quint64 seed, const QByteArray &root);

    // The front contract on day (the first not expired) against the root's level.
    double front(const QDate &day) const;
    // The contract expiring on expiration against the front contract on day.
    double relative(const QDate &day, const QDate &expiration) const;

private:
    double discount(qint64 days) const;

    double m_carry;
};

} // namespace Market
} // namespace FeedApi
