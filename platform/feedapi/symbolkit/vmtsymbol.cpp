#include "vmtsymbol.h"

#include "futuresexpiration.h"

#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cstring>

namespace SymbolKit {

namespace {

constexpr int MaxRootLength = 8;
constexpr int MaxExchangeLength = 5;
constexpr int MaxRegionLength = 5;
constexpr int CurrencyPairLength = 6;
constexpr int MaxTermDigits = 3;
constexpr int MaxDaysBackDigits = 5;
constexpr int MaxStrikeWholeDigits = 9;
constexpr int MaxStrikeFractionDigits = 6;
constexpr int CenturyOfShortYears = 2000;
constexpr char TermUnits[] = "DWMY";   // in the order of VmtSymbol::TermType from Days

bool isLetter(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isDigits(const QByteArray &text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), isDigit);
}

// LETTER{1,maxLength}
bool isLetters(const QByteArray &text, int maxLength)
{
    return !text.isEmpty() && text.size() <= maxLength
           && std::all_of(text.cbegin(), text.cend(), isLetter);
}

// ROOT = LETTER (LETTER | DIGIT){0,7}
bool isRoot(const QByteArray &text)
{
    return !text.isEmpty() && text.size() <= MaxRootLength && isLetter(text.at(0))
           && std::all_of(text.cbegin(), text.cend(),
                          [](char c) { return isLetter(c) || isDigit(c); });
}

// DIGIT{length}, leading zeros allowed
bool readDigits(const QByteArray &text, int length, int *value)
{
    if (text.size() != length || !isDigits(text))
        return false;
    *value = text.toInt();
    return true;
}

// COUNT = NONZERO DIGIT{0,maxDigits-1}
bool readCount(const QByteArray &text, int maxDigits, int *value)
{
    if (text.size() > maxDigits || !isDigits(text) || text.at(0) == '0')
        return false;
    *value = text.toInt();
    return true;
}

// STRIKE = ("0" | NONZERO DIGIT{0,8}) ["." DIGIT{0,5} NONZERO], above zero
bool readStrike(const QByteArray &text, double *value)
{
    const int point = text.indexOf('.');
    const QByteArray whole = point < 0 ? text : text.left(point);
    if (whole.size() > MaxStrikeWholeDigits || !isDigits(whole)
        || (whole.size() > 1 && whole.at(0) == '0')) {
        return false;
    }
    if (point >= 0) {
        const QByteArray fraction = text.mid(point + 1);
        if (fraction.size() > MaxStrikeFractionDigits || !isDigits(fraction)
            || fraction.endsWith('0')) {
            return false;
        }
    }
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && *value > 0;
}

// Where the trailing COUNT and unit letter of a term begin: the count takes every digit
// before the unit, so a root in front of a term never ends with a digit. -1 when the text
// does not end with digits and a letter.
int termStart(const QByteArray &text)
{
    int start = text.size() - 1;
    while (start > 0 && isDigit(text.at(start - 1)))
        --start;
    return start < text.size() - 1 ? start : -1;
}

// The ISO 4217 codes of the currencies in use in the locales Qt knows.
const QSet<QByteArray> &knownCurrencies()
{
    static const QSet<QByteArray> codes = [] {
        QSet<QByteArray> set;
        const QList<QLocale> locales =
            QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry);
        for (const QLocale &locale : locales) {
            const QString code = locale.currencySymbol(QLocale::CurrencyIsoCode);
            if (!code.isEmpty())
                set.insert(code.toLatin1());
        }
        return set;
    }();
    return codes;
}

QByteArray padded(int value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

} // namespace

VmtSymbol::VmtSymbol(const QByteArray &text, int type, const Date &today)
{
    if (text.size() > MaxTextLength || !isVmtSymbolType(type))
        return;
    const auto given = VmtSymbolType(type);
    const Form form = formOfType(given);
    if (form != Form::None) {
        VmtSymbol symbol;
        if (symbol.parse(form, text, today)) {
            *this = symbol;
            m_type = given;
        }
        return;
    }
    struct Detection
    {
        Form form;
        VmtSymbolType type;
    };
    static constexpr Detection DetectionOrder[] = {
        {Form::UserDefinedSpread, UserDefinedSpread},
        {Form::HistoricalFixedDate, HistoricalContractFixedDate},
        {Form::HistoricalDaysBack, HistoricalContractDaysBack},
        {Form::Continuous, FuturesContinuous},
        {Form::FuturesSpread, FuturesSpread},
        {Form::StockOption, StockOption},
        {Form::FuturesOption, FuturesOption},
        {Form::Futures, Futures},
        {Form::KnownForex, Forex},
        {Form::Bond, Bond},
        {Form::Listed, Stock},
    };
    for (const Detection &detection : DetectionOrder) {
        VmtSymbol symbol;
        if (symbol.parse(detection.form, text, today)) {
            *this = symbol;
            m_type = given == Undefined ? detection.type : given;
            return;
        }
    }
}

bool VmtSymbol::setRegionalPart(const QByteArray &part)
{
    if (m_form != Form::StockOption || (!part.isEmpty() && !isLetters(part, MaxRegionLength)))
        return false;
    m_regionalPart = part;
    return true;
}

int VmtSymbol::expirationFormat() const
{
    return m_form == Form::StockOption ? FuturesExpiration::IsoFormat
                                       : FuturesExpiration::DefaultFormat;
}

QString VmtSymbol::termToString() const
{
    static const char *const units[] = {"Day", "Week", "Month", "Year"};
    if (m_termType == NoTerm)
        return QString();
    QString text = QString::number(m_termPeriod) + QLatin1Char(' ')
                   + QLatin1String(units[m_termType - Days]);
    if (m_termPeriod != 1)
        text += QLatin1Char('s');
    return text;
}

QByteArray VmtSymbol::toString() const
{
    switch (m_form) {
    case Form::None:
        break;
    case Form::Root:
    case Form::Listed:
        return m_exchange.isEmpty() ? m_root : m_root + '.' + m_exchange;
    case Form::Forex:
    case Form::KnownForex:
    case Form::Bond:
        return m_root + termText();
    case Form::Futures:
        return futuresText();
    case Form::Continuous:
        return m_root + '#';
    case Form::FuturesOption:
        return futuresText() + ' ' + optionText();
    case Form::FuturesSpread:
        return legsText();
    case Form::StockOption: {
        QByteArray text = m_root + ' ' + padded(m_expirationYear % 100, 2)
                          + padded(m_expirationMonth, 2) + padded(m_expirationDay, 2)
                          + optionText();
        if (!m_regionalPart.isEmpty())
            text += '/' + m_regionalPart;
        return text;
    }
    case Form::UserDefinedSpread:
        return '=' + legsText();
    case Form::HistoricalFixedDate:
        return m_root + "#@" + padded(m_historicalDate.year(), 4)
               + padded(m_historicalDate.month(), 2) + padded(m_historicalDate.day(), 2);
    case Form::HistoricalDaysBack:
        return m_root + "#@-" + QByteArray::number(m_daysBack);
    }
    return QByteArray();
}

VmtSymbol::Form VmtSymbol::formOfType(VmtSymbolType type)
{
    switch (type) {
    case Bond:
        return Form::Bond;
    case Forex:
        return Form::Forex;
    case Futures:
        return Form::Futures;
    case FuturesContinuous:
        return Form::Continuous;
    case FuturesOption:
        return Form::FuturesOption;
    case FuturesSpread:
        return Form::FuturesSpread;
    case Index:
    case MutualFund:
        return Form::Root;
    case Stock:
        return Form::Listed;
    case StockOption:
        return Form::StockOption;
    case UserDefinedSpread:
        return Form::UserDefinedSpread;
    case HistoricalContractFixedDate:
        return Form::HistoricalFixedDate;
    case HistoricalContractDaysBack:
        return Form::HistoricalDaysBack;
    default:
        return Form::None;
    }
}

bool VmtSymbol::parse(Form form, const QByteArray &text, const Date &today)
{
    bool parsed = false;
    switch (form) {
    case Form::None:
        break;
    case Form::Root:
    case Form::Listed:
        parsed = parseListed(text, form == Form::Listed);
        break;
    case Form::Forex:
    case Form::KnownForex:
        parsed = parseForex(text, form == Form::KnownForex);
        break;
    case Form::Bond:
        parsed = parseBond(text);
        break;
    case Form::Futures:
        parsed = parseFutures(text);
        break;
    case Form::Continuous:
        parsed = parseContinuous(text);
        break;
    case Form::FuturesOption:
        parsed = parseFuturesOption(text);
        break;
    case Form::FuturesSpread:
        parsed = parseFuturesSpread(text);
        break;
    case Form::StockOption:
        parsed = parseStockOption(text);
        break;
    case Form::UserDefinedSpread:
        parsed = parseUserDefinedSpread(text, today);
        break;
    case Form::HistoricalFixedDate:
    case Form::HistoricalDaysBack:
        parsed = parseHistorical(text, form == Form::HistoricalDaysBack, today);
        break;
    }
    if (parsed)
        m_form = form;
    return parsed;
}

// LISTED = ROOT ["." EXCH]
bool VmtSymbol::parseListed(const QByteArray &text, bool exchangeAllowed)
{
    const int dot = text.indexOf('.');
    if (dot >= 0 && (!exchangeAllowed || !isLetters(text.mid(dot + 1), MaxExchangeLength)))
        return false;
    const QByteArray root = dot < 0 ? text : text.left(dot);
    if (!isRoot(root))
        return false;
    m_root = root;
    if (dot >= 0)
        m_exchange = text.mid(dot + 1);
    return true;
}

// FOREX = CCY CCY [TERM]
bool VmtSymbol::parseForex(const QByteArray &text, bool knownCodesOnly)
{
    const int start = text.size() == CurrencyPairLength ? CurrencyPairLength : termStart(text);
    if (start != CurrencyPairLength || (start < text.size() && !parseTerm(text.mid(start))))
        return false;
    const QByteArray pair = text.left(CurrencyPairLength);
    if (!isLetters(pair, CurrencyPairLength))
        return false;
    if (knownCodesOnly) {
        const QSet<QByteArray> &codes = knownCurrencies();
        if (!codes.contains(pair.left(3)) || !codes.contains(pair.mid(3)))
            return false;
    }
    m_root = pair;
    return true;
}

// BOND = ROOT TERM
bool VmtSymbol::parseBond(const QByteArray &text)
{
    const int start = termStart(text);
    if (start < 0 || !isRoot(text.left(start)) || !parseTerm(text.mid(start)))
        return false;
    m_root = text.left(start);
    return true;
}

// FUTURES = ROOT MONTHCODE YY
bool VmtSymbol::parseFutures(const QByteArray &text)
{
    const int codeAt = text.size() - 3;
    int year = 0;
    if (codeAt < 1 || !isRoot(text.left(codeAt)) || !readDigits(text.mid(codeAt + 1), 2, &year))
        return false;
    const int month = FuturesExpiration::monthOfCode(text.at(codeAt));
    if (month == 0)
        return false;
    m_root = text.left(codeAt);
    m_expirationYear = CenturyOfShortYears + year;
    m_expirationMonth = month;
    return true;
}

// CONTINUOUS = ROOT "#"
bool VmtSymbol::parseContinuous(const QByteArray &text)
{
    if (!text.endsWith('#') || !isRoot(text.chopped(1)))
        return false;
    m_root = text.chopped(1);
    return true;
}

// FUTURESOPTION = FUTURES " " RIGHT STRIKE
bool VmtSymbol::parseFuturesOption(const QByteArray &text)
{
    const int blank = text.indexOf(' ');
    return blank > 0 && parseFutures(text.left(blank)) && parseRightAndStrike(text.mid(blank + 1));
}

// FUTURESSPREAD = FUTURES "-" FUTURES
bool VmtSymbol::parseFuturesSpread(const QByteArray &text)
{
    const int dash = text.indexOf('-');
    VmtSymbol second;
    if (dash < 0 || !parseFutures(text.left(dash)) || !second.parseFutures(text.mid(dash + 1)))
        return false;
    m_legs = {Leg{false, text.left(dash)}, Leg{true, text.mid(dash + 1)}};
    return true;
}

// STOCKOPTION = ROOT " " YYMMDD RIGHT STRIKE ["/" REGION]
bool VmtSymbol::parseStockOption(const QByteArray &text)
{
    const int blank = text.indexOf(' ');
    if (blank < 0 || !isRoot(text.left(blank)))
        return false;
    const QByteArray rest = text.mid(blank + 1);
    int year = 0;
    int month = 0;
    int day = 0;
    if (!readDigits(rest.left(2), 2, &year) || !readDigits(rest.mid(2, 2), 2, &month)
        || !readDigits(rest.mid(4, 2), 2, &day)
        || !QDate(CenturyOfShortYears + year, month, day).isValid()) {
        return false;
    }
    const int slash = rest.indexOf('/');
    if (slash >= 0 && !isLetters(rest.mid(slash + 1), MaxRegionLength))
        return false;
    if (!parseRightAndStrike(slash < 0 ? rest.mid(6) : rest.mid(6, slash - 6)))
        return false;
    m_root = text.left(blank);
    m_expirationYear = CenturyOfShortYears + year;
    m_expirationMonth = month;
    m_expirationDay = day;
    if (slash >= 0)
        m_regionalPart = rest.mid(slash + 1);
    return true;
}

// USERDEFINEDSPREAD = "=" LEG (("+" | "-") LEG)*
bool VmtSymbol::parseUserDefinedSpread(const QByteArray &text, const Date &today)
{
    if (!text.startsWith('='))
        return false;
    QVector<Leg> legs;
    bool negative = false;
    int start = 1;
    for (int at = 1; at <= text.size(); ++at) {
        if (at < text.size() && text.at(at) != '+' && text.at(at) != '-')
            continue;
        const QByteArray leg = text.mid(start, at - start);
        // A leading "=" would read the leg as a spread again; refused before parsing.
        if (leg.isEmpty() || leg.startsWith('='))
            return false;
        const VmtSymbol symbol(leg, Undefined, today);
        if (!symbol.isValid() || isHistoricalContract(symbol.type()))
            return false;
        legs.append(Leg{negative, leg});
        if (at < text.size())
            negative = text.at(at) == '-';
        start = at + 1;
    }
    m_legs = legs;
    return true;
}

// HISTORICAL = ROOT "#@" (YYYYMMDD | "-" COUNT)
bool VmtSymbol::parseHistorical(const QByteArray &text, bool daysBack, const Date &today)
{
    const int at = text.indexOf("#@");
    if (at < 0 || !isRoot(text.left(at)))
        return false;
    const QByteArray rest = text.mid(at + 2);
    if (daysBack) {
        if (!rest.startsWith('-') || !readCount(rest.mid(1), MaxDaysBackDigits, &m_daysBack))
            return false;
        m_historicalDate = today.addDays(-m_daysBack);
    } else {
        int year = 0;
        int month = 0;
        int day = 0;
        if (rest.size() != 8 || !readDigits(rest.left(4), 4, &year)
            || !readDigits(rest.mid(4, 2), 2, &month) || !readDigits(rest.mid(6), 2, &day)) {
            return false;
        }
        m_historicalDate = Date(year, month, day);
        if (!m_historicalDate.isValid())
            return false;
    }
    m_root = text.left(at);
    return true;
}

// TERM = COUNT ("D" | "W" | "M" | "Y")
bool VmtSymbol::parseTerm(const QByteArray &text)
{
    const char *unit = text.isEmpty() || text.back() == 0 ? nullptr
                                                          : std::strchr(TermUnits, text.back());
    int period = 0;
    if (!unit || !readCount(text.chopped(1), MaxTermDigits, &period))
        return false;
    m_termPeriod = period;
    m_termType = TermType(Days + (unit - TermUnits));
    return true;
}

// RIGHT STRIKE, RIGHT = "C" | "P"
bool VmtSymbol::parseRightAndStrike(const QByteArray &text)
{
    if (!text.startsWith('C') && !text.startsWith('P'))
        return false;
    if (!readStrike(text.mid(1), &m_strike))
        return false;
    m_right = text.at(0);
    return true;
}

QByteArray VmtSymbol::termText() const
{
    if (m_termType == NoTerm)
        return QByteArray();
    return QByteArray::number(m_termPeriod) + TermUnits[m_termType - Days];
}

QByteArray VmtSymbol::futuresText() const
{
    return m_root + FuturesExpiration::monthCode(m_expirationMonth)
           + padded(m_expirationYear % 100, 2);
}

QByteArray VmtSymbol::optionText() const
{
    QByteArray strike = QByteArray::number(m_strike, 'f', MaxStrikeFractionDigits);
    while (strike.endsWith('0'))
        strike.chop(1);
    if (strike.endsWith('.'))
        strike.chop(1);
    return m_right + strike;
}

QByteArray VmtSymbol::legsText() const
{
    QByteArray text;
    for (const Leg &leg : m_legs) {
        if (!text.isEmpty())
            text += leg.negative ? '-' : '+';
        text += leg.symbol;
    }
    return text;
}

} // namespace SymbolKit
