#pragma once

#include "date.h"
#include "feedapi_global.h"
#include "vmtsymboltype.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace SymbolKit {

// A symbol text of the data library taken apart. Texts are upper-case ASCII:
//
//   ROOT      = LETTER (LETTER | DIGIT){0,7}
//   stock     = ROOT ["." EXCH]                 EXCH = LETTER{1,5}
//   index, mutual fund = ROOT
//   forex     = CCY CCY [TERM]                  CCY = LETTER{3}
//   bond      = ROOT TERM                       TERM = COUNT ("D" | "W" | "M" | "Y")
//   futures   = ROOT MONTHCODE YY               YY = DIGIT{2}, the year 2000 + YY
//   continuous = ROOT "#"
//   futures option = futures " " RIGHT STRIKE   RIGHT = "C" | "P"
//   futures spread = futures "-" futures
//   stock option = ROOT " " YYMMDD RIGHT STRIKE ["/" REGION]   REGION = LETTER{1,5}
//   user-defined spread = "=" LEG (("+" | "-") LEG)*
//   historical fixed date = ROOT "#@" YYYYMMDD
//   historical days back  = ROOT "#@-" COUNT
//
// COUNT is a decimal number without leading zeros, at least 1, of up to 3 digits in a term
// and 5 in days back. STRIKE is a decimal number
// with up to 9 digits before and 6 after the point, without leading zeros or trailing zeros
// after the point. A LEG is any symbol that is not itself a spread or a historical contract.
//
// A given type selects its form; Index and MutualFund take a bare ROOT. Other known types
// (FuturesSpot, Alias, ...) have no form of their own: their text is read as with type
// Undefined and keeps the given type. With type Undefined the form is the first of user-
// defined spread, historical, continuous, futures spread, stock option, futures option,
// futures, forex (both codes known ISO 4217 currencies), bond, stock that the text matches.
// A text that matches no form, an unknown type number or a text longer than MaxTextLength
// gives an invalid symbol whose parts are all empty.
class FEEDAPI_EXPORT VmtSymbol
{
public:
    static constexpr int MaxTextLength = 128;

    enum TermType { NoTerm = 0, Days = 1, Weeks = 2, Months = 3, Years = 4 };

    // One leg of a spread: a symbol text and whether it is sold (written after "-").
    struct Leg
    {
        bool negative = false;
        QByteArray symbol;

        friend bool operator==(const Leg &a, const Leg &b)
        { return a.negative == b.negative && a.symbol == b.symbol; }
        friend bool operator!=(const Leg &a, const Leg &b) { return !(a == b); }
    };

    VmtSymbol() = default;
    // today resolves a days-back historical contract to its day; an invalid today leaves
    // that day invalid.
    VmtSymbol(const QByteArray &text, int type, const Date &today);

    bool isValid() const { return m_form != Form::None; }
    // The given type, or the form's type when it was Undefined; Undefined when not valid.
    VmtSymbolType type() const { return m_type; }

    // The stock, index, fund, bond or futures root, the currency pair of forex, the
    // underlying of a stock option, the first leg's root of a futures spread; empty for a
    // user-defined spread.
    QByteArray root() const { return m_root; }
    QByteArray exchange() const { return m_exchange; }
    QByteArray regionalPart() const { return m_regionalPart; }
    // Sets the regional part of a stock option (empty removes it); false, changing nothing,
    // for another form or a part that is not 1 to 5 letters.
    bool setRegionalPart(const QByteArray &part);

    // The expiration of futures, futures options, futures spreads (their first leg) and stock
    // options; 0 when the symbol has none.
    int expirationYear() const { return m_expirationYear; }
    int expirationMonth() const { return m_expirationMonth; }
    // No form names a week of the month, so this is always 0; it completes the parts a
    // FuturesExpiration takes.
    int expirationWeek() const { return 0; }
    int expirationDay() const { return m_expirationDay; }
    // The FuturesExpiration::Format that suits the form: IsoFormat for stock options,
    // DefaultFormat otherwise.
    int expirationFormat() const;

    // The term of a bond or a forex forward; 0 and NoTerm when there is none.
    int termPeriod() const { return m_termPeriod; }
    TermType termType() const { return m_termType; }
    // "1 Day", "2 Weeks", "3 Months", "10 Years"; empty when there is no term.
    QString termToString() const;

    // Option strike and right ('C' or 'P'); 0 when the symbol is not an option.
    double strike() const { return m_strike; }
    char right() const { return m_right; }

    // The legs of a futures spread or a user-defined spread, the first one not negative.
    QVector<Leg> legs() const { return m_legs; }

    // The day of a historical contract: its fixed date, or today less the days back.
    Date historicalDate() const { return m_historicalDate; }
    int daysBack() const { return m_daysBack; }

    // The symbol's text in its form; empty when not valid.
    QByteArray toString() const;

private:
    enum class Form {
        None,
        Root,
        Listed,
        Forex,
        KnownForex,
        Bond,
        Futures,
        Continuous,
        FuturesOption,
        FuturesSpread,
        StockOption,
        UserDefinedSpread,
        HistoricalFixedDate,
        HistoricalDaysBack
    };

    static Form formOfType(VmtSymbolType type);
    bool parse(Form form, const QByteArray &text, const Date &today);
    bool parseListed(const QByteArray &text, bool exchangeAllowed);
    bool parseForex(const QByteArray &text, bool knownCodesOnly);
    bool parseBond(const QByteArray &text);
    bool parseFutures(const QByteArray &text);
    bool parseContinuous(const QByteArray &text);
    bool parseFuturesOption(const QByteArray &text);
    bool parseFuturesSpread(const QByteArray &text);
    bool parseStockOption(const QByteArray &text);
    bool parseUserDefinedSpread(const QByteArray &text, const Date &today);
    bool parseHistorical(const QByteArray &text, bool daysBack, const Date &today);
    bool parseTerm(const QByteArray &text);
    bool parseRightAndStrike(const QByteArray &text);

    QByteArray termText() const;
    QByteArray futuresText() const;
    QByteArray optionText() const;
    QByteArray legsText() const;

    Form m_form = Form::None;
    VmtSymbolType m_type = Undefined;
    QByteArray m_root;
    QByteArray m_exchange;
    QByteArray m_regionalPart;
    int m_expirationYear = 0;
    int m_expirationMonth = 0;
    int m_expirationDay = 0;
    int m_termPeriod = 0;
    TermType m_termType = NoTerm;
    double m_strike = 0;
    char m_right = 0;
    QVector<Leg> m_legs;
    Date m_historicalDate;
    int m_daysBack = 0;
};

} // namespace SymbolKit
