#include "optionpricer.h"

#include "listing.h"
#include "seededrandom.h"

#include <algorithm>
#include <cmath>

namespace FeedApi {
namespace Market {

namespace {

constexpr double LeastVolatility = 0.18;
constexpr double VolatilityRange = 0.17;
constexpr double InverseSquareRootOfTwo = 0.70710678118654752;

double normalDistribution(double x)
{
    return 0.5 * std::erfc(-x * InverseSquareRootOfTwo);
}

} // namespace

OptionPricer::OptionPricer(quint64 seed, const QByteArray &underlying)
    : m_volatility(LeastVolatility
                   + VolatilityRange
                       * SeededRandom(SeededRandom::key(seed, SeededRandom::hash(underlying),
                                                        SeededRandom::hash("volatility")))
                             .uniform())
{
}

double OptionPricer::price(int right, double underlying, double strike, double years) const
{
    const bool call = right == Listing::Call;
    const double intrinsic = std::max(0.0, call ? underlying - strike : strike - underlying);
    if (years <= 0 || underlying <= 0 || strike <= 0)
        return intrinsic;
    const double deviation = m_volatility * std::sqrt(years);
    const double d1 = (std::log(underlying / strike) + deviation * deviation / 2) / deviation;
    const double d2 = d1 - deviation;
    const double value = call
        ? underlying * normalDistribution(d1) - strike * normalDistribution(d2)
        : strike * normalDistribution(-d2) - underlying * normalDistribution(-d1);
    return std::max(intrinsic, value);
}

} // namespace Market
} // namespace FeedApi
