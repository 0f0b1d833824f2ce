#pragma once

#include <QByteArray>

namespace FeedApi {
namespace Market {

// Security identifiers with their check digits: CUSIP (9 characters), SEDOL (7) and ISIN
// (12). The codes made here are derived from a symbol text, so a symbol keeps its codes.
class SecurityCodes
{
public:
    // The check digit of the first 8 characters of a CUSIP (digits, letters, '*', '@', '#').
    static char cusipCheckDigit(const QByteArray &first8);
    // The check digit of the first 6 characters of a SEDOL (digits and consonants).
    static char sedolCheckDigit(const QByteArray &first6);
    // The check digit of the first 11 characters of an ISIN (country code and national code).
    static char isinCheckDigit(const QByteArray &first11);

    // A CUSIP for symbol with the issue code issue (2 characters).
    static QByteArray cusip(const QByteArray &symbol, const QByteArray &issue);
    // A SEDOL for symbol.
    static QByteArray sedol(const QByteArray &symbol);
    // An ISIN of country over a 9-character national code.
    static QByteArray isin(const QByteArray &country, const QByteArray &nationalCode);
};

} // namespace Market
} // namespace FeedApi
