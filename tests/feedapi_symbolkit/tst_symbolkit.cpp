#include "symbolkit/date.h"
#include "symbolkit/futuresexpiration.h"
#include "symbolkit/vmtsymbol.h"

#include <QtTest>

using namespace SymbolKit;

namespace {

const Date Today(2025, 2, 14);

// The parts of a symbol that are set, in a fixed order; "" for an invalid symbol.
QString parts(const VmtSymbol &s)
{
    static const char *const keys[] = {"root", "exch", "region", "exp", "fmt", "term", "option",
                                       "legs", "date", "back"};
    QString legs;
    for (const VmtSymbol::Leg &leg : s.legs())
        legs += QLatin1Char(leg.negative ? '-' : '+') + QString::fromLatin1(leg.symbol);
    const QStringList values{
        QString::fromLatin1(s.root()), QString::fromLatin1(s.exchange()),
        QString::fromLatin1(s.regionalPart()),
        FuturesExpiration(FuturesExpiration::IsoFormat, s.expirationYear(), s.expirationMonth(),
                          s.expirationWeek(), s.expirationDay()).toString(),
        s.expirationFormat() != FuturesExpiration::DefaultFormat ? QString::number(s.expirationFormat())
                                                                 : QString(),
        s.termToString(),
        s.right() != 0 ? QLatin1Char(s.right()) + QString::number(s.strike(), 'f', 6) : QString(),
        legs, s.historicalDate().toQDate().toString(Qt::ISODate),
        s.daysBack() != 0 ? QString::number(s.daysBack()) : QString()};
    QStringList list;
    for (int i = 0; i < values.size(); ++i) {
        if (!values.at(i).isEmpty())
            list.append(QLatin1String(keys[i]) + QLatin1Char('=') + values.at(i));
    }
    return list.join(QLatin1Char(' '));
}

// A user-defined spread of single-letter legs that is exactly length bytes long.
QByteArray spreadOfLength(int length)
{
    QByteArray text = length % 2 == 0 ? "=A" : "=AB";
    while (text.size() < length)
        text += "+A";
    return text;
}

} // namespace

class tst_SymbolKit : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("type");      // the record's type
        QTest::addColumn<int>("detected");  // the type found with Undefined
        QTest::addColumn<QString>("parts"); // "" = refused with the record's type

        const auto row = [](const char *text, int type, int detected, const char *parts) {
            QTest::newRow(text) << QByteArray(text) << type << detected << QString::fromLatin1(parts);
        };
        row("ACME.QB", Stock, Stock, "root=ACME exch=QB");
        row("ABCDEFGH", Stock, Stock, "root=ABCDEFGH");
        row("QIX", Index, Stock, "root=QIX");
        row("SPOT", FuturesSpot, Stock, "root=SPOT");
        row("EURUSD", Forex, Forex, "root=EURUSD");
        row("XAUUSD", Forex, Stock, "root=XAUUSD");
        row("EURUSD3M", Forex, Forex, "root=EURUSD term=3 Months");
        row("XAUUSD3M", Forex, Bond, "root=XAUUSD term=3 Months");
        row("BND1D", Bond, Bond, "root=BND term=1 Day");
        row("B999D", Bond, Bond, "root=B term=999 Days");
        row("BND2W", Bond, Bond, "root=BND term=2 Weeks");
        row("BND10Y", Bond, Bond, "root=BND term=10 Years");
        row("CLZ27", Futures, Futures, "root=CL exp=2027-12");
        row("ZZZ00", Futures, Futures, "root=ZZ exp=2000-12");
        row("CL#", FuturesContinuous, FuturesContinuous, "root=CL");
        row("GCG27 P2400.5", FuturesOption, FuturesOption, "root=GC exp=2027-02 option=P2400.500000");
        row("ABCDEFGHZ27 P0.000001", FuturesOption, FuturesOption, "root=ABCDEFGH exp=2027-12 option=P0.000001");
        row("CLZ27 C999999999.999999", FuturesOption, FuturesOption, "root=CL exp=2027-12 option=C999999999.999999");
        row("CLZ27-CLF28", FuturesSpread, FuturesSpread, "root=CL exp=2027-12 legs=+CLZ27-CLF28");
        row("ACME 271217C150/EU", StockOption, StockOption, "root=ACME region=EU exp=2027-12-17 fmt=4 option=C150.000000");
        row("=ACME.QB-NRTH.N", UserDefinedSpread, UserDefinedSpread, "legs=+ACME.QB-NRTH.N");
        row("=ACME 271217C150+EURUSD-BND10Y", UserDefinedSpread, UserDefinedSpread, "legs=+ACME 271217C150+EURUSD-BND10Y");
        row("=CL#", UserDefinedSpread, UserDefinedSpread, "legs=+CL#");
        QTest::newRow("longest") << spreadOfLength(VmtSymbol::MaxTextLength) << int(UserDefinedSpread)
                                 << int(UserDefinedSpread) << QStringLiteral("legs=") + QStringLiteral("+A").repeated(64);
        row("CL#@20250115", HistoricalContractFixedDate, HistoricalContractFixedDate, "root=CL date=2025-01-15");
        row("CL#@09990101", HistoricalContractFixedDate, HistoricalContractFixedDate, "root=CL date=0999-01-01");
        row("CL#@-30", HistoricalContractDaysBack, HistoricalContractDaysBack, "root=CL date=2025-01-15 back=30");
        row("CL#@-99999", HistoricalContractDaysBack, HistoricalContractDaysBack, "root=CL date=1751-05-03 back=99999");

        const auto refused = [](const char *name, const QByteArray &text, int type) {
            QTest::newRow(name) << text << type << int(Undefined) << QString();
        };
        refused("empty", "", Undefined);
        refused("lower-case", "acme", Undefined);
        refused("blank-after", "ACME ", Stock);
        refused("unknown-type-12", "ACME", 12);
        refused("negative-type", "ACME", -1);
        refused("type-29", "ACME", 29);
        refused("root-nine-chars", "ABCDEFGHI", Stock);
        refused("exchange-six-letters", "ACME.ABCDEF", Stock);
        refused("exchange-empty", "ACME.", Undefined);
        refused("index-with-exchange", "QIX.N", Index);
        refused("forex-five-letters", "EURUS", Forex);
        refused("bond-leading-zero", "BND03Y", Bond);
        refused("bond-four-digit-term", "BND1000Y", Bond);
        refused("bond-no-term", "BND", Bond);
        refused("bond-bad-unit", "BND10Q", Bond);
        refused("futures-bad-code", "CLA27", Futures);
        refused("futures-one-digit-year", "CLZ7", Futures);
        refused("futures-no-root", "Z27", Futures);
        refused("option-trailing-zero", "CLZ27 C80.50", FuturesOption);
        refused("option-leading-zero", "CLZ27 C080", FuturesOption);
        refused("option-point-only", "CLZ27 C80.", FuturesOption);
        refused("option-zero-strike", "CLZ27 C0", FuturesOption);
        refused("option-seven-decimals", "CLZ27 C1.0000001", FuturesOption);
        refused("option-ten-digits", "CLZ27 C1234567890", FuturesOption);
        refused("option-exponent", "CLZ27 C8e1", Undefined);
        refused("option-bad-right", "CLZ27 X80", Undefined);
        refused("stock-option-bad-date", "ACME 270231C150", StockOption);
        refused("stock-option-short-date", "ACME 2712C150", Undefined);
        refused("stock-option-no-strike", "ACME 271217C", Undefined);
        refused("stock-option-empty-region", "ACME 271217C150/", Undefined);
        refused("spread-three-legs", "CLZ27-CLF28-CLG28", FuturesSpread);
        refused("uds-trailing-sign", "=ACME+", UserDefinedSpread);
        refused("uds-nested", "==ACME", Undefined);
        refused("uds-historical-leg", "=CL#@20250115+ACME", UserDefinedSpread);
        refused("historical-bad-date", "CL#@20250230", HistoricalContractFixedDate);
        refused("historical-short-date", "CL#@2025011", Undefined);
        refused("historical-days-zero", "CL#@-0", HistoricalContractDaysBack);
        refused("historical-six-digit-days", "CL#@-100000", HistoricalContractDaysBack);
        refused("over-length", spreadOfLength(VmtSymbol::MaxTextLength + 1), Undefined);
    }

    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, type);
        QFETCH(int, detected);
        QFETCH(QString, parts);

        const bool valid = !parts.isEmpty();
        const VmtSymbol given(text, type, Today);
        QCOMPARE(given.isValid(), valid);
        QCOMPARE(int(given.type()), valid ? type : int(Undefined));
        QCOMPARE(::parts(given), parts);
        QCOMPARE(given.toString(), valid ? text : QByteArray());
        if (!valid)
            return;

        const VmtSymbol found(text, Undefined, Today);
        QCOMPARE(int(found.type()), detected);
        QCOMPARE(::parts(found), parts);
        QCOMPARE(found.toString(), text);

        // Every valid text is the canonical text of its parts: with one byte dropped, doubled or
        // replaced it is refused or reads back unchanged, with either type.
        for (int at = 0; at < text.size(); ++at) {
            QByteArrayList texts{QByteArray(text).remove(at, 1), QByteArray(text).insert(at, text.at(at))};
            for (char c : QByteArray(" #@-+=./09AZa\xff\0", 15))
                texts.append(QByteArray(text).replace(at, 1, &c, 1));
            for (const QByteArray &mutated : qAsConst(texts)) {
                for (int mutatedType : {int(Undefined), type}) {
                    const VmtSymbol symbol(mutated, mutatedType, Today);
                    if (symbol.isValid())
                        QCOMPARE(symbol.toString(), mutated);
                }
            }
        }
    }

    void regionalPart_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<QByteArray>("result"); // the text unchanged when the part is refused

        const auto row = [](const char *name, const char *text, const char *part, const char *result) {
            QTest::newRow(name) << QByteArray(text) << QByteArray(part) << QByteArray(result);
        };
        row("remove", "ACME 271217C150/EU", "", "ACME 271217C150");
        row("add", "ACME 271217C150", "NA", "ACME 271217C150/NA");
        row("lower-case", "ACME 271217C150/EU", "na", "ACME 271217C150/EU");
        row("six-letters", "ACME 271217C150", "ABCDEF", "ACME 271217C150");
        row("stock", "ACME.QB", "EU", "ACME.QB");
    }

    void regionalPart()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, part);
        QFETCH(QByteArray, result);

        VmtSymbol symbol(text, Undefined, Today);
        QCOMPARE(symbol.setRegionalPart(part), result != text);
        QCOMPARE(symbol.toString(), result);
    }

    void expiration_data()
    {
        QTest::addColumn<QVector<int>>("value"); // format, year, month, week, day
        QTest::addColumn<QString>("text");       // "" = not valid

        const auto row = [](const char *name, const QVector<int> &value, const char *text) {
            QTest::newRow(name) << value << QString::fromLatin1(text);
        };
        const char codes[] = "FGHJKMNQUVXZ";
        for (int month = 1; month <= 12; ++month) {
            const QByteArray code = codes[month - 1] + QByteArray("27");
            row(code.constData(), {FuturesExpiration::MonthCodeFormat, 2027, month, 0, 0}, code.constData());
        }
        const int longFormat = FuturesExpiration::LongFormat;
        const int isoFormat = FuturesExpiration::IsoFormat;
        row("long", {longFormat, 2027, 12, 0, 0}, "Dec 2027");
        row("long-week", {longFormat, 2027, 12, 2, 0}, "Dec 2027 W2");
        row("long-leap-day", {longFormat, 2028, 2, 0, 29}, "29 Feb 2028");
        row("iso", {isoFormat, 2027, 3, 0, 0}, "2027-03");
        row("iso-day", {isoFormat, 2027, 12, 0, 7}, "2027-12-07");
        row("iso-week", {isoFormat, 2027, 3, 5, 0}, "2027-03 W5");
        row("unknown-format", {5, 2027, 12, 0, 0}, "");
        row("month-0", {longFormat, 2027, 0, 0, 0}, "");
        row("month-13", {longFormat, 2027, 13, 0, 0}, "");
        row("year-0", {longFormat, 0, 12, 0, 0}, "");
        row("year-10000", {longFormat, 10000, 12, 0, 0}, "");
        row("day-29-february", {longFormat, 2027, 2, 0, 29}, "");
        row("week-6", {longFormat, 2027, 12, 6, 0}, "");
        row("negative-week", {longFormat, 2027, 12, -1, 0}, "");
        row("week-and-day", {longFormat, 2027, 12, 2, 17}, "");
    }

    void expiration()
    {
        QFETCH(QVector<int>, value);
        QFETCH(QString, text);

        const FuturesExpiration expiration(value[0], value[1], value[2], value[3], value[4]);
        QCOMPARE(expiration.isValid(), !text.isEmpty());
        QCOMPARE(expiration.toString(), text);
        if (value[0] == FuturesExpiration::MonthCodeFormat)
            QCOMPARE(FuturesExpiration::monthOfCode(text.at(0).toLatin1()), value[2]);
    }
};

QTEST_GUILESS_MAIN(tst_SymbolKit)
#include "tst_symbolkit.moc"
