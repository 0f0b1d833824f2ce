#pragma once

#include <QByteArray>

namespace FeedApi {
namespace Market {

// European option prices by Black-Scholes without interest (on a futures price the same
// formula is Black's), at a yearly volatility fixed per underlying from the seed, between
// 18% and 35%. A call is worth less the higher its strike, a put more; at expiration both
// are worth what they pay.
class OptionPricer
{
public:
    OptionPricer(quint64 seed, const QByteArray &underlying);

    // right: Listing::Call or Listing::Put; years to expiration.
    double price(int right, double underlying, double strike, double years) const;

private:
    double m_volatility;
};

} // namespace Market
} // namespace FeedApi
