#pragma once

#include "historyresponse.h"
#include "listing.h"
#include "optionpricer.h"
#include "termstructure.h"
#include "tickgrid.h"

#include <QByteArray>
#include <QList>
#include <QVector>

#include <optional>

namespace FeedApi {
namespace Market {

// The daily bars of an instrument priced from others on the same day: a futures contract is
// its root's continuous bar through the term structure (so the front contract is the
// continuous symbol), a futures or user-defined spread the difference of its legs, an option
// its underlying's bar through OptionPricer, a historical contract its root's continuous bar.
// Open and close come from the sources' open and close, high and low from their extremes, so
// low <= open, close <= high holds. Prices are whole ticks, at least one tick; an instrument
// that expires has no bars after its expiration day. Volumes come from the seed, the symbol
// and the day.
class DerivedBars
{
public:
    DerivedBars(quint64 seed, const Listing &listing);

    // The symbols whose bars those of listing are made from, in order: one, two legs for a
    // spread, none for an instrument that walks on its own (BarWalk).
    static QList<QByteArray> sources(const Listing &listing);

    // The bars of the days on which every source has one; sources holds the bars of each
    // symbol of sources(), oldest first.
    QVector<Bar> bars(const QVector<QVector<Bar>> &sources) const;

private:
    enum class Kind { Copy, Contract, Spread, Option };

    Bar bar(int day, const Bar &first, const Bar *second) const;
    quint64 volume(int day) const;

    Kind m_kind;
    quint64 m_key;
    TickGrid m_grid;
    quint64 m_volume;
    int m_expires;   // YYYYMMDD, 0: no end
    double m_strike;
    int m_right;
    std::optional<TermStructure> m_term;
    std::optional<OptionPricer> m_pricer;
};

} // namespace Market
} // namespace FeedApi
