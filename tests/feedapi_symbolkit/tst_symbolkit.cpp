#include "symbolkit/date.h"
#include "symbolkit/futuresexpiration.h"
#include "symbolkit/vmtsymbol.h"

#include <QtTest>

using namespace SymbolKit;

namespace {

const Date Today(2025, 2, 14);

// The parts of a symbol that are set, in a fixed order; "" for an invalid symbol.
QString parts(const VmtSymbol &symbol)
{
    QStringList list;
    const auto add = [&list](const char *key, const QString &value) {
        if (!value.isEmpty())
            list.append(QLatin1String(key) + QLatin1Char('=') + value);
    };
    add("root", QString::fromLatin1(symbol.root()));
    add("exch", QString::fromLatin1(symbol.exchange()));
    add("region", QString::fromLatin1(symbol.regionalPart()));
    if (symbol.expirationYear() != 0) {
        add("exp", FuturesExpiration(FuturesExpiration::IsoFormat, symbol.expirationYear(),
                                     symbol.expirationMonth(), symbol.expirationWeek(),
                                     symbol.expirationDay()).toString());
    }
    if (symbol.expirationFormat() != FuturesExpiration::DefaultFormat)
        add("fmt", QString::number(symbol.expirationFormat()));
    add("term", symbol.termToString());
    if (symbol.right() != 0)
        add("option", QLatin1Char(symbol.right()) + QString::number(symbol.strike(), 'f', 6));
    QString legs;
    for (const VmtSymbol::Leg &leg : symbol.legs())
        legs += QLatin1Char(leg.negative ? '-' : '+') + QString::fromLatin1(leg.symbol);
    add("legs", legs);
    add("date", symbol.historicalDate().toQDate().toString(Qt::ISODate));
    if (symbol.daysBack() != 0)
        add("back", QString::number(symbol.daysBack()));
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
    void parse_data();
    void parse();
    void invalid_data();
    void invalid();
    void lengthLimit();
    void mutationsStayCanonical();
    void term_data();
    void term();
    void regionalPart_data();
    void regionalPart();
    void expiration_data();
    void expiration();
    void currentDateOverride();
};

void tst_SymbolKit::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("type");      // the record's type
    QTest::addColumn<int>("detected");  // the type found with Undefined
    QTest::addColumn<QString>("parts");

    const auto row = [](const char *text, int type, int detected, const char *parts) {
        QTest::newRow(text) << QByteArray(text) << type << detected << QString::fromLatin1(parts);
    };
    row("ACME.QB", Stock, Stock, "root=ACME exch=QB");
    row("NRTH.N", Stock, Stock, "root=NRTH exch=N");
    row("VRDN.XPAR", Stock, Stock, "root=VRDN exch=XPAR");
    row("GLBX", Stock, Stock, "root=GLBX");
    row("ABCDEFGH", Stock, Stock, "root=ABCDEFGH");
    row("ABCDEF", Stock, Stock, "root=ABCDEF");
    row("QIX", Index, Stock, "root=QIX");
    row("AMFX", MutualFund, Stock, "root=AMFX");
    row("EURUSD", Forex, Forex, "root=EURUSD");
    row("USDJPY", Forex, Forex, "root=USDJPY");
    row("XAUUSD", Forex, Stock, "root=XAUUSD");
    row("EURUSD3M", Forex, Forex, "root=EURUSD term=3 Months");
    row("XAUUSD3M", Forex, Bond, "root=XAUUSD term=3 Months");
    row("BND10Y", Bond, Bond, "root=BND term=10 Years");
    row("BND2Y", Bond, Bond, "root=BND term=2 Years");
    row("CLZ27", Futures, Futures, "root=CL exp=2027-12");
    row("GCG27", Futures, Futures, "root=GC exp=2027-02");
    row("ZZZ00", Futures, Futures, "root=ZZ exp=2000-12");
    row("CL#", FuturesContinuous, FuturesContinuous, "root=CL");
    row("GC#", FuturesContinuousFS, FuturesContinuous, "root=GC");
    row("CLZ27 C80", FuturesOption, FuturesOption, "root=CL exp=2027-12 option=C80.000000");
    row("GCG27 P2400.5", FuturesOption, FuturesOption, "root=GC exp=2027-02 option=P2400.500000");
    row("ABCDEFGHZ27 P0.000001", FuturesOption, FuturesOption,
        "root=ABCDEFGH exp=2027-12 option=P0.000001");
    row("CLZ27 C999999999.999999", FuturesOption, FuturesOption,
        "root=CL exp=2027-12 option=C999999999.999999");
    row("CLZ27-CLF28", FuturesSpread, FuturesSpread, "root=CL exp=2027-12 legs=+CLZ27-CLF28");
    row("ACME 271217C150", StockOption, StockOption,
        "root=ACME exp=2027-12-17 fmt=4 option=C150.000000");
    row("ACME 271217C150/EU", StockOption, StockOption,
        "root=ACME region=EU exp=2027-12-17 fmt=4 option=C150.000000");
    row("=ACME.QB-NRTH.N", UserDefinedSpread, UserDefinedSpread, "legs=+ACME.QB-NRTH.N");
    row("=CLZ27-CLH28", UserDefinedSpread, UserDefinedSpread, "legs=+CLZ27-CLH28");
    row("=ACME 271217C150+EURUSD-BND10Y", UserDefinedSpread, UserDefinedSpread,
        "legs=+ACME 271217C150+EURUSD-BND10Y");
    row("=CL#", UserDefinedSpread, UserDefinedSpread, "legs=+CL#");
    row("CL#@20250115", HistoricalContractFixedDate, HistoricalContractFixedDate,
        "root=CL date=2025-01-15");
    row("CL#@09990101", HistoricalContractFixedDate, HistoricalContractFixedDate,
        "root=CL date=0999-01-01");
    row("CL#@-30", HistoricalContractDaysBack, HistoricalContractDaysBack,
        "root=CL date=2025-01-15 back=30");
    row("CL#@-99999", HistoricalContractDaysBack, HistoricalContractDaysBack,
        "root=CL date=1751-05-03 back=99999");
    row("SPOT", FuturesSpot, Stock, "root=SPOT");
}

void tst_SymbolKit::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(int, type);
    QFETCH(int, detected);
    QFETCH(QString, parts);

    const VmtSymbol given(text, type, Today);
    QVERIFY(given.isValid());
    QCOMPARE(int(given.type()), type);
    QCOMPARE(::parts(given), parts);
    QCOMPARE(given.toString(), text);

    const VmtSymbol found(text, Undefined, Today);
    QCOMPARE(int(found.type()), detected);
    QCOMPARE(::parts(found), parts);
    QCOMPARE(found.toString(), text);
}

void tst_SymbolKit::invalid_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("type");

    const auto row = [](const char *name, const QByteArray &text, int type) {
        QTest::newRow(name) << text << type;
    };
    row("empty", "", Undefined);
    row("lower-case", "acme", Undefined);
    row("blank-after", "ACME ", Stock);
    row("non-ascii", "ACM\xc3\x89", Undefined);
    row("nul-in-futures-code", QByteArray("CL\0" "27", 5), Undefined);
    row("nul-as-term-unit", QByteArray("BND10\0", 6), Undefined);
    row("unknown-type-12", "ACME", 12);
    row("negative-type", "ACME", -1);
    row("type-29", "ACME", 29);
    row("root-nine-chars", "ABCDEFGHI", Stock);
    row("root-starts-with-digit", "1ACME", Undefined);
    row("exchange-six-letters", "ACME.ABCDEF", Stock);
    row("exchange-empty", "ACME.", Undefined);
    row("index-with-exchange", "QIX.N", Index);
    row("forex-five-letters", "EURUS", Forex);
    row("forex-term-zero", "EURUSD0M", Forex);
    row("bond-leading-zero", "BND03Y", Bond);
    row("bond-four-digit-term", "BND1000Y", Bond);
    row("bond-no-term", "BND", Bond);
    row("bond-bad-unit", "BND10Q", Bond);
    row("futures-bad-code", "CLA27", Futures);
    row("futures-one-digit-year", "CLZ7", Futures);
    row("futures-no-root", "Z27", Futures);
    row("futures-for-continuous", "CL#", Futures);
    row("option-trailing-zero", "CLZ27 C80.50", FuturesOption);
    row("option-leading-zero", "CLZ27 C080", FuturesOption);
    row("option-point-only", "CLZ27 C80.", FuturesOption);
    row("option-zero-strike", "CLZ27 C0", FuturesOption);
    row("option-seven-decimals", "CLZ27 C1.0000001", FuturesOption);
    row("option-ten-digits", "CLZ27 C1234567890", FuturesOption);
    row("option-exponent", "CLZ27 C8e1", Undefined);
    row("option-bad-right", "CLZ27 X80", Undefined);
    row("option-two-blanks", "CLZ27  C80", Undefined);
    row("stock-option-bad-date", "ACME 270231C150", StockOption);
    row("stock-option-short-date", "ACME 2712C150", Undefined);
    row("stock-option-no-strike", "ACME 271217C", Undefined);
    row("stock-option-empty-region", "ACME 271217C150/", Undefined);
    row("stock-option-region-digit", "ACME 271217C150/E1", StockOption);
    row("spread-one-leg", "CLZ27-", FuturesSpread);
    row("spread-three-legs", "CLZ27-CLF28-CLG28", FuturesSpread);
    row("spread-stock-leg", "CLZ27-ACME", FuturesSpread);
    row("uds-empty", "=", UserDefinedSpread);
    row("uds-trailing-sign", "=ACME+", UserDefinedSpread);
    row("uds-double-sign", "=ACME--NRTH", Undefined);
    row("uds-nested", "==ACME", Undefined);
    row("uds-historical-leg", "=CL#@20250115+ACME", UserDefinedSpread);
    row("historical-bad-date", "CL#@20250230", HistoricalContractFixedDate);
    row("historical-short-date", "CL#@2025011", Undefined);
    row("historical-days-zero", "CL#@-0", HistoricalContractDaysBack);
    row("historical-days-leading-zero", "CL#@-030", Undefined);
    row("historical-six-digit-days", "CL#@-100000", HistoricalContractDaysBack);
    row("historical-days-as-fixed", "CL#@-30", HistoricalContractFixedDate);
    row("over-length", spreadOfLength(VmtSymbol::MaxTextLength + 1), Undefined);
}

void tst_SymbolKit::invalid()
{
    QFETCH(QByteArray, text);
    QFETCH(int, type);

    const VmtSymbol symbol(text, type, Today);
    QVERIFY(!symbol.isValid());
    QCOMPARE(symbol.type(), Undefined);
    QCOMPARE(parts(symbol), QString());
    QCOMPARE(symbol.toString(), QByteArray());
}

void tst_SymbolKit::lengthLimit()
{
    const QByteArray longest = spreadOfLength(VmtSymbol::MaxTextLength);
    const VmtSymbol symbol(longest, Undefined, Today);
    QCOMPARE(symbol.legs().size(), 64);
    QCOMPARE(symbol.toString(), longest);
}

// Every valid text is the canonical text of its parts: an example with one byte dropped,
// doubled or replaced is refused or reads back unchanged, with either type.
void tst_SymbolKit::mutationsStayCanonical()
{
    const QByteArray replacements("  #@-+=./09AZa\0\xff", 17);
    const QList<QPair<QByteArray, int>> examples = {
        {"ACME.QB", Stock}, {"EURUSD3M", Forex}, {"BND10Y", Bond}, {"CLZ27", Futures},
        {"CL#", FuturesContinuous}, {"GCG27 P2400.5", FuturesOption},
        {"CLZ27-CLF28", FuturesSpread}, {"ACME 271217C150/EU", StockOption},
        {"=ACME.QB-NRTH.N", UserDefinedSpread}, {"CL#@20250115", HistoricalContractFixedDate},
        {"CL#@-30", HistoricalContractDaysBack}};
    for (const auto &example : examples) {
        QByteArrayList texts;
        for (int at = 0; at < example.first.size(); ++at) {
            texts.append(QByteArray(example.first).remove(at, 1));
            texts.append(QByteArray(example.first).insert(at, example.first.at(at)));
            for (char c : replacements)
                texts.append(QByteArray(example.first).replace(at, 1, &c, 1));
        }
        for (const QByteArray &text : qAsConst(texts)) {
            for (int type : {int(Undefined), example.second}) {
                const VmtSymbol symbol(text, type, Today);
                if (symbol.isValid())
                    QCOMPARE(symbol.toString(), text);
            }
        }
    }
}

void tst_SymbolKit::term_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("string");

    const auto row = [](const char *text, int period, VmtSymbol::TermType unit,
                        const char *string) {
        QTest::newRow(text) << QByteArray(text) << period << int(unit) << QString(string);
    };
    row("BND1D", 1, VmtSymbol::Days, "1 Day");
    row("BND2D", 2, VmtSymbol::Days, "2 Days");
    row("B999D", 999, VmtSymbol::Days, "999 Days");
    row("BND1W", 1, VmtSymbol::Weeks, "1 Week");
    row("BND2W", 2, VmtSymbol::Weeks, "2 Weeks");
    row("EURUSD1M", 1, VmtSymbol::Months, "1 Month");
    row("EURUSD3M", 3, VmtSymbol::Months, "3 Months");
    row("BND1Y", 1, VmtSymbol::Years, "1 Year");
    row("BND10Y", 10, VmtSymbol::Years, "10 Years");
    row("EURUSD", 0, VmtSymbol::NoTerm, "");
}

void tst_SymbolKit::term()
{
    QFETCH(QByteArray, text);
    QFETCH(int, period);
    QFETCH(int, unit);
    QFETCH(QString, string);

    const VmtSymbol symbol(text, Undefined, Today);
    QCOMPARE(symbol.termPeriod(), period);
    QCOMPARE(int(symbol.termType()), unit);
    QCOMPARE(symbol.termToString(), string);
}

void tst_SymbolKit::regionalPart_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("part");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("result");

    const auto row = [](const char *name, const char *text, const char *part, bool accepted,
                        const char *result) {
        QTest::newRow(name) << QByteArray(text) << QByteArray(part) << accepted
                            << QByteArray(result);
    };
    row("remove", "ACME 271217C150/EU", "", true, "ACME 271217C150");
    row("add", "ACME 271217C150", "NA", true, "ACME 271217C150/NA");
    row("lower-case", "ACME 271217C150/EU", "na", false, "ACME 271217C150/EU");
    row("six-letters", "ACME 271217C150", "ABCDEF", false, "ACME 271217C150");
    row("stock", "ACME.QB", "EU", false, "ACME.QB");
}

void tst_SymbolKit::regionalPart()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, part);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, result);

    VmtSymbol symbol(text, Undefined, Today);
    QCOMPARE(symbol.setRegionalPart(part), accepted);
    QCOMPARE(symbol.toString(), result);
}

void tst_SymbolKit::expiration_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("week");
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("text");  // "" = not valid

    const auto row = [](const char *name, int format, int year, int month, int week, int day,
                        const char *text) {
        QTest::newRow(name) << format << year << month << week << day << QString::fromLatin1(text);
    };
    const char codes[] = "FGHJKMNQUVXZ";
    for (int month = 1; month <= 12; ++month) {
        const QByteArray code = codes[month - 1] + QByteArray("27");
        row(code.constData(), FuturesExpiration::MonthCodeFormat, 2027, month, 0, 0, code.constData());
    }
    row("default", FuturesExpiration::DefaultFormat, 2027, 12, 0, 0, "Dec 2027");
    row("long", FuturesExpiration::LongFormat, 2027, 12, 0, 0, "Dec 2027");
    row("long-day", FuturesExpiration::LongFormat, 2027, 12, 0, 17, "17 Dec 2027");
    row("long-week", FuturesExpiration::LongFormat, 2027, 12, 2, 0, "Dec 2027 W2");
    row("long-leap-day", FuturesExpiration::LongFormat, 2028, 2, 0, 29, "29 Feb 2028");
    row("code-day", FuturesExpiration::MonthCodeFormat, 2027, 12, 0, 17, "Z27");
    row("code-2005", FuturesExpiration::MonthCodeFormat, 2005, 1, 0, 0, "F05");
    row("code-full-year", FuturesExpiration::MonthCodeFullYearFormat, 2027, 12, 0, 0, "Z2027");
    row("short", FuturesExpiration::ShortFormat, 2027, 5, 0, 0, "May27");
    row("iso", FuturesExpiration::IsoFormat, 2027, 3, 0, 0, "2027-03");
    row("iso-day", FuturesExpiration::IsoFormat, 2027, 12, 0, 7, "2027-12-07");
    row("iso-week", FuturesExpiration::IsoFormat, 2027, 3, 5, 0, "2027-03 W5");
    row("unknown-format", 5, 2027, 12, 0, 0, "");
    row("month-0", FuturesExpiration::LongFormat, 2027, 0, 0, 0, "");
    row("month-13", FuturesExpiration::LongFormat, 2027, 13, 0, 0, "");
    row("year-0", FuturesExpiration::LongFormat, 0, 12, 0, 0, "");
    row("year-10000", FuturesExpiration::LongFormat, 10000, 12, 0, 0, "");
    row("day-31-november", FuturesExpiration::LongFormat, 2027, 11, 0, 31, "");
    row("day-29-february", FuturesExpiration::LongFormat, 2027, 2, 0, 29, "");
    row("week-6", FuturesExpiration::LongFormat, 2027, 12, 6, 0, "");
    row("negative-week", FuturesExpiration::LongFormat, 2027, 12, -1, 0, "");
    row("week-and-day", FuturesExpiration::LongFormat, 2027, 12, 2, 17, "");
}

void tst_SymbolKit::expiration()
{
    QFETCH(int, format);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, week);
    QFETCH(int, day);
    QFETCH(QString, text);

    const FuturesExpiration expiration(format, year, month, week, day);
    QCOMPARE(expiration.isValid(), !text.isEmpty());
    QCOMPARE(expiration.toString(), text);
    if (format == FuturesExpiration::MonthCodeFormat && !text.isEmpty())
        QCOMPARE(FuturesExpiration::monthOfCode(text.at(0).toLatin1()), month);
}

void tst_SymbolKit::currentDateOverride()
{
    const Date past(1999, 12, 31);
    Date::setCurrentDateOverride(past);
    QCOMPARE(Date::currentDate(), past);
    QCOMPARE(VmtSymbol("CL#@-1", Undefined, Date::currentDate()).historicalDate(),
             Date(1999, 12, 30));
    Date::setCurrentDateOverride(Date());
    QVERIFY(Date::currentDate().isValid());
    QVERIFY(Date::currentDate() != past);
}

QTEST_GUILESS_MAIN(tst_SymbolKit)
#include "tst_symbolkit.moc"
