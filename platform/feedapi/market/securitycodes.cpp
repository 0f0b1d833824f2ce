#include "securitycodes.h"

#include "seededrandom.h"

namespace FeedApi {
namespace Market {

namespace {

int characterValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    switch (c) {
    case '*':
        return 36;
    case '@':
        return 37;
    case '#':
        return 38;
    }
    return 0;
}

char digit(int value)
{
    return char('0' + value);
}

QByteArray pick(quint64 bits, const char *alphabet, int alphabetSize, int count)
{
    QByteArray result;
    for (int i = 0; i < count; ++i) {
        result += alphabet[bits % quint64(alphabetSize)];
        bits /= quint64(alphabetSize);
    }
    return result;
}

} // namespace

char SecurityCodes::cusipCheckDigit(const QByteArray &first8)
{
    int sum = 0;
    for (int i = 0; i < 8 && i < first8.size(); ++i) {
        int value = characterValue(first8.at(i));
        if (i % 2 == 1)
            value *= 2;
        sum += value / 10 + value % 10;
    }
    return digit((10 - sum % 10) % 10);
}

char SecurityCodes::sedolCheckDigit(const QByteArray &first6)
{
    static constexpr int Weights[6] = {1, 3, 1, 7, 3, 9};
    int sum = 0;
    for (int i = 0; i < 6 && i < first6.size(); ++i)
        sum += characterValue(first6.at(i)) * Weights[i];
    return digit((10 - sum % 10) % 10);
}

// Letters become two digits (A = 10); then, from the right, every other digit starting with
// the last is doubled, and the digits of all products are summed (Luhn).
char SecurityCodes::isinCheckDigit(const QByteArray &first11)
{
    QByteArray digits;
    for (const char c : first11)
        digits += QByteArray::number(characterValue(c));
    int sum = 0;
    bool twice = true;
    for (int i = digits.size() - 1; i >= 0; --i) {
        int value = digits.at(i) - '0';
        if (twice)
            value *= 2;
        sum += value / 10 + value % 10;
        twice = !twice;
    }
    return digit((10 - sum % 10) % 10);
}

QByteArray SecurityCodes::cusip(const QByteArray &symbol, const QByteArray &issue)
{
    static constexpr char Issuer[] = "0123456789ABCDEFGHJKLMNPRSTUVWXYZ";
    const QByteArray first8 = pick(SeededRandom::hash("cusip " + symbol), Issuer,
                                   int(sizeof(Issuer)) - 1, 6) + issue.left(2);
    return first8 + cusipCheckDigit(first8);
}

QByteArray SecurityCodes::sedol(const QByteArray &symbol)
{
    static constexpr char Consonants[] = "0123456789BCDFGHJKLMNPQRSTVWXYZ";
    const QByteArray first6 = "B" + pick(SeededRandom::hash("sedol " + symbol), Consonants,
                                         int(sizeof(Consonants)) - 1, 5);
    return first6 + sedolCheckDigit(first6);
}

QByteArray SecurityCodes::isin(const QByteArray &country, const QByteArray &nationalCode)
{
    const QByteArray first11 = country.left(2) + nationalCode.left(9);
    return first11 + isinCheckDigit(first11);
}

} // namespace Market
} // namespace FeedApi
