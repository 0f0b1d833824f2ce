#include "instrumentcatalogue.h"

#include "contractcalendar.h"
#include "securitycodes.h"

#include <QRegularExpression>

#include <cmath>

namespace FeedApi {
namespace Market {

namespace {

constexpr int MonthsBack = 24;
constexpr int MonthsAhead = 27;
constexpr int OptionMonthsBack = 3;
constexpr int OptionMonthsAhead = 5;
constexpr int LiveContractsWithOptions = 3;
constexpr int MaxDaysBack = 3650;

struct SecuritySpec
{
    const char *symbol;
    const char *root;
    const char *exchange;
    const char *name;
    const char *currency;
    const char *country;   // "US": CUSIP and ISIN; others: SEDOL and ISIN; empty: no codes
    int type;
    double tick;
    double price;
    quint64 volume;
    const char *alternate;
};

constexpr SecuritySpec Securities[] = {
    {"ACME.QB", "ACME", "QB", "Acme Industries Inc.", "USD", "US", Instrument::StockType,
     0.01, 152.40, 3200000, "ACME"},
    {"NRTH.N", "NRTH", "N", "Northwind Holdings Corp.", "USD", "US", Instrument::StockType,
     0.01, 48.75, 1800000, "NRTH"},
    {"GLBX", "GLBX", "", "Globex Systems Inc.", "USD", "US", Instrument::StockType, 0.01, 87.10,
     900000, ""},
    {"VRDN.XPAR", "VRDN", "XPAR", "Viridian Energie SA", "EUR", "FR", Instrument::StockType,
     0.005, 61.30, 650000, "VRDN"},
    {"KSTL.L", "KSTL", "L", "Kestrel Mining plc", "GBP", "GB", Instrument::StockType, 0.01,
     12.46, 1100000, "KSTL"},
    {"QIX", "QIX", "", "QIX Composite Index", "USD", "", Instrument::IndexType, 0.01, 4850.25,
     250000000, ""},
    {"SMCX", "SMCX", "", "Small Cap Index", "USD", "", Instrument::IndexType, 0.01, 1290.60,
     90000000, ""},
    {"AMFX", "AMFX", "", "Amber Balanced Fund", "USD", "US", Instrument::MutualFundType, 0.01,
     24.18, 40000, ""},
    {"MMFX", "MMFX", "", "Meridian Money Market Fund", "USD", "US",
     Instrument::MoneyMarketFundType, 0.01, 1.00, 120000, ""},
};

struct ForexSpec
{
    const char *pair;
    const char *name;
    double tick;
    double price;
    double yearlyPoints;   // forward premium per year, as a fraction of the price
};

constexpr ForexSpec Pairs[] = {
    {"EURUSD", "Euro / US Dollar", 0.00001, 1.0850, 0.012},
    {"USDJPY", "US Dollar / Japanese Yen", 0.001, 149.20, -0.035},
    {"GBPUSD", "British Pound / US Dollar", 0.00001, 1.2640, 0.004},
};

struct TermSpec
{
    const char *pair;
    int period;
    int type;   // 3 months, 4 years
};

constexpr TermSpec Forwards[] = {
    {"EURUSD", 3, 3},
    {"EURUSD", 1, 4},
    {"USDJPY", 6, 3},
};

struct BondSpec
{
    int years;
    const char *name;
    double price;
};

constexpr BondSpec Bonds[] = {
    {2, "Treasury Note 2-Year", 99.50},
    {10, "Treasury Note 10-Year", 97.25},
    {30, "Treasury Bond 30-Year", 94.00},
};

struct RootSpec
{
    const char *root;
    const char *name;
    const char *exchange;
    double tick;
    double price;
    quint64 volume;
    double firstStrike;   // futures options on the first live contracts; 0: none
    double lastStrike;
    double strikeStep;
};

constexpr RootSpec Roots[] = {
    {"CL", "Crude Oil", "ENX", 0.01, 72.50, 350000, 60, 90, 5},
    {"GC", "Gold", "MTX", 0.1, 2050.0, 180000, 0, 0, 0},
};

struct OptionSpec
{
    const char *underlying;
    const char *root;
    const char *exchange;
    double firstStrike;
    double lastStrike;
    double step;
    const char *region;   // also listed with this regional part at the strikes below
    double firstRegionalStrike;
    double lastRegionalStrike;
};

constexpr OptionSpec StockOptions[] = {
    {"ACME.QB", "ACME", "QB", 120, 185, 5, "EU", 145, 155},
    {"NRTH.N", "NRTH", "N", 37.5, 60, 2.5, "", 0, 0},
};

const char *const BondExchange = "GOV";
const char *const ForexExchange = "FX";
const char *const FundIssue = "20";
const char *const StockIssue = "10";
const char *const BondIssue = "AB";

QByteArray bytes(const char *text)
{
    return QByteArray(text);
}

double onTick(double price, double tick)
{
    return std::max(tick, std::round(price / tick) * tick);
}

void setExpiration(Listing &listing, const QDate &expiration, const QDate &today)
{
    listing.instrument.expirationYear = expiration.year();
    listing.instrument.expirationMonth = expiration.month();
    listing.instrument.expirationDay = expiration.day();
    listing.instrument.expired = expiration < today;
    listing.expires = ContractCalendar::dayNumber(expiration);
}

Listing security(const SecuritySpec &spec)
{
    Listing listing;
    Instrument &i = listing.instrument;
    i.symbol = spec.symbol;
    i.alternateSymbol = spec.alternate;
    i.root = spec.root;
    i.type = spec.type;
    i.description = QString::fromUtf8(spec.name);
    i.exchange = spec.exchange;
    i.currency = spec.currency;
    i.minTick = spec.tick;
    const QByteArray country(spec.country);
    const QByteArray issue = spec.type == Instrument::StockType ? StockIssue : FundIssue;
    if (country == "US") {
        i.cusip = SecurityCodes::cusip(i.symbol, issue);
        i.isin = SecurityCodes::isin(country, i.cusip);
    } else if (!country.isEmpty()) {
        i.sedol = SecurityCodes::sedol(i.symbol);
        i.isin = SecurityCodes::isin(country, "00" + i.sedol);
    }
    listing.price = spec.price;
    listing.volume = spec.volume;
    listing.baseBars = true;
    return listing;
}

Listing forex(const ForexSpec &spec, int termPeriod, int termType)
{
    Listing listing;
    Instrument &i = listing.instrument;
    const QByteArray pair(spec.pair);
    const QByteArray term = termPeriod > 0
        ? QByteArray::number(termPeriod) + (termType == 4 ? "Y" : "M")
        : QByteArray();
    i.symbol = pair + term;
    i.alternateSymbol = pair.left(3) + "/" + pair.mid(3) + (term.isEmpty() ? "" : " " + term);
    i.root = pair;
    i.type = Instrument::ForexType;
    i.description = QString::fromUtf8(spec.name)
        + (term.isEmpty() ? QString() : QStringLiteral(" %1 forward").arg(QString::fromLatin1(term)));
    i.exchange = ForexExchange;
    i.currency = pair.mid(3);
    i.minTick = spec.tick;
    i.termPeriod = termPeriod;
    i.termType = termType;
    const double years = termType == 4 ? termPeriod : termPeriod / 12.0;
    listing.price = onTick(spec.price * (1 + spec.yearlyPoints * years), spec.tick);
    listing.volume = 50000;
    listing.baseBars = true;
    return listing;
}

Listing bond(const BondSpec &spec)
{
    Listing listing;
    Instrument &i = listing.instrument;
    i.symbol = "BND" + QByteArray::number(spec.years) + "Y";
    i.root = "BND";
    i.type = Instrument::BondType;
    i.description = QString::fromUtf8(spec.name);
    i.exchange = BondExchange;
    i.currency = "USD";
    i.minTick = 1.0 / 32;
    i.cusip = SecurityCodes::cusip(i.symbol, BondIssue);
    i.isin = SecurityCodes::isin("US", i.cusip);
    i.termPeriod = spec.years;
    i.termType = 4;
    listing.price = spec.price;
    listing.volume = 400000;
    listing.baseBars = true;
    return listing;
}

QString contractName(const RootSpec &root, const QDate &month)
{
    return QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(root.name),
                                          ContractCalendar::monthName(month.month()))
        .arg(month.year());
}

Listing futuresBase(const RootSpec &root)
{
    Listing listing;
    Instrument &i = listing.instrument;
    i.root = root.root;
    i.exchange = root.exchange;
    i.currency = "USD";
    i.minTick = root.tick;
    listing.volume = root.volume;
    return listing;
}

Listing contract(const RootSpec &root, const QDate &month, const QDate &today)
{
    Listing listing = futuresBase(root);
    Instrument &i = listing.instrument;
    i.symbol = ContractCalendar::contractSymbol(root.root, month.year(), month.month());
    i.type = Instrument::FuturesType;
    i.description = contractName(root, month);
    setExpiration(listing, ContractCalendar::thirdFriday(month.year(), month.month()), today);
    listing.chain = root.root;
    return listing;
}

Listing continuous(const RootSpec &root, const QDate &today)
{
    Listing listing = futuresBase(root);
    Instrument &i = listing.instrument;
    const QDate front = ContractCalendar::frontMonth(today);
    i.symbol = QByteArray(root.root) + "#";
    i.alternateSymbol = ContractCalendar::contractSymbol(root.root, front.year(), front.month());
    i.type = Instrument::FuturesContinuousType;
    i.description = QString::fromUtf8(root.name) + QStringLiteral(" Continuous");
    listing.price = root.price;
    listing.baseBars = true;
    return listing;
}

Listing futuresOption(const RootSpec &root, const Listing &underlying, double strike, int right,
                      const QDate &today)
{
    Listing listing = futuresBase(root);
    Instrument &i = listing.instrument;
    const QByteArray strikeText = InstrumentCatalogue::strikeText(strike);
    i.symbol = underlying.instrument.symbol + (right == Listing::Call ? " C" : " P") + strikeText;
    i.type = Instrument::FuturesOptionType;
    i.description = QStringLiteral("%1 %2 %3").arg(underlying.instrument.description,
                                                   right == Listing::Call ? "Call" : "Put",
                                                   QString::fromLatin1(strikeText));
    setExpiration(listing, ContractCalendar::fromDayNumber(underlying.expires), today);
    listing.chain = underlying.instrument.symbol;
    listing.strike = strike;
    listing.right = right;
    listing.volume = 3000;
    return listing;
}

Listing futuresSpread(const RootSpec &root, const Listing &first, const Listing &second,
                      const QDate &today)
{
    Listing listing = futuresBase(root);
    Instrument &i = listing.instrument;
    i.symbol = first.instrument.symbol + "-" + second.instrument.symbol;
    i.type = Instrument::FuturesSpreadType;
    i.description = first.instrument.description + QStringLiteral(" / ")
        + second.instrument.description.section(QLatin1Char(' '), -2) + QStringLiteral(" spread");
    setExpiration(listing, ContractCalendar::fromDayNumber(first.expires), today);
    listing.chain = root.root;
    listing.volume = 20000;
    return listing;
}

Listing stockOption(const OptionSpec &spec, const Listing &underlying, const QDate &expiration,
                    double strike, int right, const QByteArray &region, const QDate &today)
{
    Listing listing;
    Instrument &i = listing.instrument;
    const QByteArray strikeText = InstrumentCatalogue::strikeText(strike);
    i.symbol = QByteArray(spec.root) + " " + expiration.toString(QStringLiteral("yyMMdd")).toLatin1()
        + (right == Listing::Call ? "C" : "P") + strikeText
        + (region.isEmpty() ? QByteArray() : "/" + region);
    i.root = spec.root;
    i.type = Instrument::StockOptionType;
    i.description = QStringLiteral("%1 %2 %3 %4 %5 %6")
                        .arg(QString::fromLatin1(spec.root),
                             ContractCalendar::monthName(expiration.month()))
                        .arg(expiration.day())
                        .arg(expiration.year())
                        .arg(QString::fromLatin1(strikeText), right == Listing::Call ? "Call" : "Put");
    if (!region.isEmpty())
        i.description += QStringLiteral(" (%1)").arg(QString::fromLatin1(region));
    i.exchange = region.isEmpty() ? QByteArray(spec.exchange) : region;
    i.currency = underlying.instrument.currency;
    i.minTick = 0.01;
    setExpiration(listing, expiration, today);
    listing.chain = spec.underlying;
    listing.strike = strike;
    listing.right = right;
    listing.region = region;
    listing.volume = 2000;
    return listing;
}

Listing userSpread(const QByteArray &symbol, const QByteArray &legs, int subType, bool chain,
                   const QString &description, const QByteArray &exchange)
{
    Listing listing;
    Instrument &i = listing.instrument;
    i.symbol = symbol;
    i.legs = legs;
    i.type = Instrument::UserDefinedSpreadType;
    i.subType = subType;
    i.spreadChainAllowed = chain;
    i.description = description;
    i.exchange = exchange;
    i.currency = "USD";
    i.minTick = 0.01;
    listing.volume = 5000;
    return listing;
}

const RootSpec *findRoot(const QByteArray &root)
{
    for (const RootSpec &spec : Roots) {
        if (root == spec.root)
            return &spec;
    }
    return nullptr;
}

const Listing *findListing(const QVector<Listing> &listings, const QByteArray &symbol)
{
    for (const Listing &listing : listings) {
        if (listing.instrument.symbol == symbol)
            return &listing;
    }
    return nullptr;
}

QVector<QDate> optionExpirations(const QDate &today)
{
    const QDate month(today.year(), today.month(), 1);
    QVector<QDate> result;
    for (int m = -OptionMonthsBack; m <= OptionMonthsAhead; ++m) {
        const QDate at = month.addMonths(m);
        result.append(ContractCalendar::thirdFriday(at.year(), at.month()));
    }
    for (int years = 1; years <= 2; ++years) {
        const QDate january = ContractCalendar::thirdFriday(today.year() + years, 1);
        if (!result.contains(january))
            result.append(january);
    }
    return result;
}

void addStockOptions(QVector<Listing> &listings, const QDate &today)
{
    const QVector<QDate> expirations = optionExpirations(today);
    for (const OptionSpec &spec : StockOptions) {
        const Listing underlying = *findListing(listings, spec.underlying);
        for (const QDate &expiration : expirations) {
            const bool quarterly = expiration.month() % 3 == 0;
            for (double strike = spec.firstStrike; strike <= spec.lastStrike; strike += spec.step) {
                for (const int right : {Listing::Call, Listing::Put}) {
                    listings.append(stockOption(spec, underlying, expiration, strike, right, {},
                                                today));
                    if (quarterly && *spec.region && strike >= spec.firstRegionalStrike
                        && strike <= spec.lastRegionalStrike) {
                        listings.append(stockOption(spec, underlying, expiration, strike, right,
                                                    spec.region, today));
                    }
                }
            }
        }
    }
}

void addFutures(QVector<Listing> &listings, const QDate &today)
{
    const QDate month(today.year(), today.month(), 1);
    for (const RootSpec &root : Roots) {
        QVector<Listing> live;
        for (int m = -MonthsBack; m <= MonthsAhead; ++m) {
            const Listing listing = contract(root, month.addMonths(m), today);
            listings.append(listing);
            if (!listing.instrument.expired)
                live.append(listing);
        }
        for (int n = 0; n < LiveContractsWithOptions && n + 1 < live.size(); ++n) {
            listings.append(futuresSpread(root, live.at(n), live.at(n + 1), today));
            if (root.strikeStep <= 0)
                continue;
            for (double strike = root.firstStrike; strike <= root.lastStrike;
                 strike += root.strikeStep) {
                for (const int right : {Listing::Call, Listing::Put})
                    listings.append(futuresOption(root, live.at(n), strike, right, today));
            }
        }
    }
}

void addUserSpreads(QVector<Listing> &listings, const QDate &today)
{
    listings.append(userSpread("=ACME.QB-NRTH.N", "ACME.QB", 0, false,
                               QStringLiteral("Acme Industries / Northwind Holdings spread"), {}));
    const RootSpec &cl = Roots[0];
    const QByteArray first = ContractCalendar::contractSymbol(cl.root, today.year() + 1, 12);
    const QByteArray second = ContractCalendar::contractSymbol(cl.root, today.year() + 2, 3);
    const Listing leg = *findListing(listings, first);
    Listing spread = userSpread("=" + first + "-" + second, first, Instrument::FuturesType, true,
                                leg.instrument.description + QStringLiteral(" / Mar %1 spread")
                                                                 .arg(today.year() + 2),
                                cl.exchange);
    setExpiration(spread, ContractCalendar::fromDayNumber(leg.expires), today);
    listings.append(spread);
}

} // namespace

QVector<Listing> InstrumentCatalogue::listings(const QDate &today)
{
    QVector<Listing> result;
    for (const SecuritySpec &spec : Securities)
        result.append(security(spec));
    for (const ForexSpec &spec : Pairs)
        result.append(forex(spec, 0, 0));
    for (const TermSpec &term : Forwards) {
        for (const ForexSpec &spec : Pairs) {
            if (bytes(spec.pair) == term.pair)
                result.append(forex(spec, term.period, term.type));
        }
    }
    for (const BondSpec &spec : Bonds)
        result.append(bond(spec));
    for (const RootSpec &root : Roots)
        result.append(continuous(root, today));
    addFutures(result, today);
    addStockOptions(result, today);
    addUserSpreads(result, today);
    QDate january(today.year(), 1, 15);
    if (january > today)
        january = january.addYears(-1);
    const QByteArray fixedDate = "CL#@" + january.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    for (const QByteArray &text : {fixedDate, QByteArray("CL#@-30"), QByteArray("GC#@-30")})
        result.append(*historical(text, today));
    return result;
}

std::optional<Listing> InstrumentCatalogue::historical(const QByteArray &text, const QDate &today)
{
    static const QRegularExpression form(
        QStringLiteral("^([A-Z][A-Z0-9]{0,7})#@(?:(\\d{8})|-(\\d{1,4}))$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return std::nullopt;
    const RootSpec *root = findRoot(match.captured(1).toLatin1());
    if (!root)
        return std::nullopt;
    const bool fixedDate = !match.captured(2).isEmpty();
    QDate asOf;
    if (fixedDate) {
        asOf = QDate::fromString(match.captured(2), QStringLiteral("yyyyMMdd"));
        if (!asOf.isValid() || asOf > today)
            return std::nullopt;
    } else {
        const int daysBack = match.captured(3).toInt();
        if (daysBack < 1 || daysBack > MaxDaysBack)
            return std::nullopt;
        asOf = today.addDays(-daysBack);
    }
    Listing listing = futuresBase(*root);
    Instrument &i = listing.instrument;
    const QDate front = ContractCalendar::frontMonth(asOf);
    i.symbol = text;
    i.alternateSymbol = ContractCalendar::contractSymbol(root->root, front.year(), front.month());
    i.type = fixedDate ? Instrument::HistoricalFixedDateType : Instrument::HistoricalDaysBackType;
    i.description = fixedDate
        ? QStringLiteral("%1 continuous as of %2").arg(QString::fromUtf8(root->name),
                                                        asOf.toString(Qt::ISODate))
        : QStringLiteral("%1 continuous, %2 days back").arg(QString::fromUtf8(root->name),
                                                            match.captured(3));
    setExpiration(listing, ContractCalendar::thirdFriday(front.year(), front.month()), today);
    return listing;
}

QByteArray InstrumentCatalogue::strikeText(double strike)
{
    QByteArray text = QByteArray::number(strike, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

} // namespace Market
} // namespace FeedApi
