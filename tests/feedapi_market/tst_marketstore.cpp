#include "marketfixture.h"

#include <market/marketstore.h>
#include <vmtsymbolrequest.h>

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cctype>
#include <cmath>

using Common::DateTime;
using FeedApi::Bar;
using FeedApi::TimeRange;
using FeedApi::VmtSymbolRequest;
using FeedApi::Market::Instrument;
using FeedApi::Market::MarketStore;
using FeedApi::News::Headline;
using FeedApi::News::HeadlineFilterParameters;

namespace {

constexpr quint32 Seed = 7;
const DateTime NullTime;

DateTime at(const QDate &day, int hour = 0, int minute = 0)
{
    return DateTime::fromQDateTime(utc(day, hour, minute));
}

DateTime endOf(const QDate &day)
{
    return DateTime(DateTime::fromQDate(day).date(), 235959999);
}

int dayOf(const Bar &bar)
{
    return int(bar.time / DateTime::DateFactor);
}

QString summary(const std::optional<Instrument> &i)
{
    if (!i)
        return QStringLiteral("none");
    QString text = QStringLiteral("%1 type=%2 root=%3 exch=%4 cur=%5")
                       .arg(QString::fromUtf8(i->symbol)).arg(i->type)
                       .arg(QString::fromUtf8(i->root), QString::fromUtf8(i->exchange),
                            QString::fromUtf8(i->currency));
    if (i->expirationYear > 0) {
        text += QStringLiteral(" exp=")
            + QDate(i->expirationYear, i->expirationMonth, i->expirationDay).toString(Qt::ISODate)
            + (i->expired ? QStringLiteral(" expired") : QString());
    }
    if (i->termPeriod > 0)
        text += QStringLiteral(" term=%1/%2").arg(i->termPeriod).arg(i->termType);
    if (!i->alternateSymbol.isEmpty())
        text += QStringLiteral(" alt=") + QString::fromUtf8(i->alternateSymbol);
    if (!i->legs.isEmpty())
        text += QStringLiteral(" legs=") + QString::fromUtf8(i->legs);
    if (i->subType != 0)
        text += QStringLiteral(" sub=%1").arg(i->subType);
    if (i->spreadChainAllowed)
        text += QStringLiteral(" spread-chain");
    return text;
}

int characterValue(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c - 'A' + 10;
}

// Each code is checked whole, its check digit included: the weighted sum ends in 0.
bool isValidCode(const QByteArray &code, int symbology)
{
    int sum = 0;
    if (symbology == VmtSymbolRequest::Cusip && code.size() == 9) {
        for (int i = 0; i < 9; ++i) {
            const int value = characterValue(code.at(i)) * (i % 2 == 1 ? 2 : 1);
            sum += value / 10 + value % 10;
        }
        return sum % 10 == 0;
    }
    if (symbology == VmtSymbolRequest::Sedol && code.size() == 7) {
        static constexpr int Weights[] = {1, 3, 1, 7, 3, 9, 1};
        for (int i = 0; i < 7; ++i)
            sum += characterValue(code.at(i)) * Weights[i];
        return sum % 10 == 0;
    }
    if (symbology == VmtSymbolRequest::Isin && code.size() == 12 && std::isalpha(code.at(0))
        && std::isalpha(code.at(1))) {
        QByteArray digits;
        for (const char c : code)
            digits += QByteArray::number(characterValue(c));
        for (int i = 0; i < digits.size(); ++i) {
            const int value = (digits.at(digits.size() - 1 - i) - '0') * (i % 2 == 1 ? 2 : 1);
            sum += value / 10 + value % 10;
        }
        return sum % 10 == 0;
    }
    return false;
}

QByteArray codeOf(const Instrument &instrument, int symbology)
{
    switch (symbology) {
    case VmtSymbolRequest::Cusip:
        return instrument.cusip;
    case VmtSymbolRequest::Sedol:
        return instrument.sedol;
    }
    return instrument.isin;
}

// "YYYYMMDD:open,high,low,close,volume;..."
QVector<Bar> parseBars(const QString &text)
{
    QVector<Bar> bars;
    for (const QString &item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        const QStringList values = parts.at(1).split(QLatin1Char(','));
        Bar bar;
        bar.time = parts.at(0).toULongLong() * DateTime::DateFactor;
        bar.open = values.at(0).toDouble();
        bar.high = values.at(1).toDouble();
        bar.low = values.at(2).toDouble();
        bar.close = values.at(3).toDouble();
        bar.volume = values.at(4).toULongLong();
        bars.append(bar);
    }
    return bars;
}

QStringList texts(const QList<QByteArray> &list)
{
    QStringList result;
    for (const QByteArray &item : list)
        result << QString::fromUtf8(item);
    return result;
}

QStringList storyIds(const QVector<Headline> &headlines)
{
    QStringList result;
    for (const Headline &headline : headlines)
        result << QString::fromUtf8(headline.storyId);
    return result;
}

// The bar of symbol on day, a bar with no volume when there is none.
Bar barOn(const MarketStore &store, const QByteArray &symbol, const QDate &day)
{
    const QVector<Bar> bars = store.bars(symbol, TimeRange{at(day), endOf(day)});
    return bars.size() == 1 ? bars.first() : Bar{};
}

// Prices as whole cents, so sums and differences compare exactly.
qint64 cents(double price)
{
    return std::llround(price * 100);
}

QString prices(const Bar &bar)
{
    return QStringLiteral("%1/%2/%3/%4").arg(bar.open).arg(bar.high).arg(bar.low).arg(bar.close);
}

QList<QByteArray> toBytes(const QStringList &list)
{
    QList<QByteArray> result;
    for (const QString &item : list)
        result << item.toUtf8();
    return result;
}

} // namespace

class tst_MarketStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameSeedSameRows_data();
    void sameSeedSameRows();
    void barInvariants_data();
    void barInvariants();
    void requiredSymbols_data();
    void requiredSymbols();
    void securityCodes_data();
    void securityCodes();
    void instrumentsByPattern_data();
    void instrumentsByPattern();
    void chainOrder_data();
    void chainOrder();
    void history_data();
    void history();
    void optionsAcrossStrikes_data();
    void optionsAcrossStrikes();
    void futuresCurve_data();
    void futuresCurve();
    void spreadLegs_data();
    void spreadLegs();
    void sameBars_data();
    void sameBars();
    void headlineFilters_data();
    void headlineFilters();
    void generatedNews();
    void brokenStoreSetAside_data();
    void brokenStoreSetAside();
    void unusableFolder_data();
    void unusableFolder();
    void extensionForward_data();
    void extensionForward();
    void concurrentCreation();
    void replaceBars_data();
    void replaceBars();

private:
    QTemporaryDir m_dir;
    MarketStore m_store;
};

// One store made on MadeOn and opened at noon, with five headlines of 1 January 2001 that the
// filter rows pick from.
void tst_MarketStore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    makeStore(m_dir.path(), Seed, MadeOn);
    QVERIFY2(m_store.open(m_dir.path(), Seed, utc(MadeOn, 12)), qPrintable(m_store.errorString()));
    const QDate day(2001, 1, 1);
    const struct {
        int minute;
        const char *text, *symbols, *categories, *source, *id;
    } crafted[] = {
        {0, "Acme raises outlook", "ACME.QB", "Earnings", "MWIRE", "t1"},
        {1, "Northwind and Acme agree merger", "NRTH.N ACME.QB", "Mergers Financials", "NEWSDESK", "t2"},
        {2, "Rates rise; corporate bonds slip", "", "Economy", "FXWATCH", "t3"},
        {3, "RATE decision due", "EURUSD", "forex", "fxwatch", "t4"},
        {4, "Gold glitters as oil toils", "GC#", "Commodities Metals", "MWIRE", "t5"},
    };
    for (const auto &c : crafted) {
        const Headline headline{at(day, 10, c.minute), c.text, c.symbols, c.categories, c.source, c.id};
        QVERIFY(m_store.addHeadline(headline, MarketStore::Story{"story", 1}));
    }
}

void tst_MarketStore::sameSeedSameRows_data()
{
    QTest::addColumn<quint32>("seedA");
    QTest::addColumn<quint32>("seedB");
    QTest::addColumn<bool>("same");
    QTest::newRow("same seed") << 11u << 11u << true;
    QTest::newRow("other seed") << 11u << 12u << false;
}

void tst_MarketStore::sameSeedSameRows()
{
    QFETCH(quint32, seedA);
    QFETCH(quint32, seedB);
    QFETCH(bool, same);
    QTemporaryDir a;
    QTemporaryDir b;
    const QByteArray sumA = tableChecksum(makeStore(a.path(), seedA, MadeOn));
    const QByteArray sumB = tableChecksum(makeStore(b.path(), seedB, MadeOn));
    QCOMPARE(sumA == sumB, same);
}

void tst_MarketStore::barInvariants_data()
{
    QTest::addColumn<QByteArray>("symbol");
    for (const char *symbol : {"ACME.QB", "VRDN.XPAR", "QIX", "EURUSD", "USDJPY6M", "BND10Y",
                               "MMFX", "CL#", "GC#", "CLZ27", "GCM28", "CLJ26 C70", "CLK26 P60",
                               "CLH26-CLJ26", "GCK26-GCM26", "ACME 260417C150", "ACME 270115P120",
                               "ACME 260619C150/EU", "NRTH 260320P37.5", "=ACME.QB-NRTH.N",
                               "=CLZ27-CLH28", "CL#@-30", "CL#@20250704"})
        QTest::newRow(symbol) << QByteArray(symbol);
}

// Every trading day from ten years back to the store's day, on the tick, with
// low <= open, close <= high; the same bars again on a second read (kept or made anew).
void tst_MarketStore::barInvariants()
{
    QFETCH(QByteArray, symbol);
    const std::optional<Instrument> instrument = m_store.instrument(symbol, VmtSymbolRequest::Vmt);
    QVERIFY(instrument);
    const QVector<Bar> bars = m_store.bars(symbol, TimeRange{});
    QVERIFY(!bars.isEmpty());
    QVERIFY(dayOf(bars.first()) <= int(DateTime::fromQDate(MadeOn.addYears(-10)).date()));
    QCOMPARE(dayOf(bars.last()), int(DateTime::fromQDate(MadeOn).date()));
    const double tick = instrument->minTick;
    QDate expected = DateTime::fromInt64(bars.first().time).toQDate();
    for (const Bar &bar : bars) {
        const QDate day = DateTime::fromInt64(bar.time).toQDate();
        QCOMPARE(day, expected);
        QVERIFY2(bar.low >= tick && bar.low <= std::min(bar.open, bar.close)
                     && bar.high >= std::max(bar.open, bar.close),
                 qPrintable(day.toString(Qt::ISODate)));
        for (const double price : {bar.open, bar.high, bar.low, bar.close})
            QVERIFY(std::abs(price / tick - std::round(price / tick)) < 1e-6);
        QVERIFY(bar.volume > 0);
        expected = day.addDays(day.dayOfWeek() == 5 ? 3 : 1);
    }
    const QVector<Bar> again = m_store.bars(symbol, TimeRange{});
    QCOMPARE(again.size(), bars.size());
    QVERIFY(std::equal(bars.cbegin(), bars.cend(), again.cbegin(), [](const Bar &a, const Bar &b) {
        return a.time == b.time && a.open == b.open && a.high == b.high && a.low == b.low
            && a.close == b.close && a.volume == b.volume;
    }));
}

void tst_MarketStore::requiredSymbols_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("symbology");
    QTest::addColumn<QString>("expected");
    const int vmt = VmtSymbolRequest::Vmt;
    const int extended = VmtSymbolRequest::VmtExtended;
    const QString acme = QStringLiteral("ACME.QB type=14 root=ACME exch=QB cur=USD alt=ACME");
    QTest::newRow("stock on QB") << QByteArray("ACME.QB") << vmt << acme;
    QTest::newRow("lower case") << QByteArray(" acme.qb ") << vmt << acme;
    QTest::newRow("alternate, extended") << QByteArray("ACME") << extended << acme;
    QTest::newRow("alternate, plain") << QByteArray("ACME") << vmt << "none";
    QTest::newRow("one-letter exchange") << QByteArray("NRTH.N") << vmt
        << "NRTH.N type=14 root=NRTH exch=N cur=USD alt=NRTH";
    QTest::newRow("no exchange") << QByteArray("GLBX") << vmt << "GLBX type=14 root=GLBX exch= cur=USD";
    QTest::newRow("longer exchange") << QByteArray("VRDN.XPAR") << vmt
        << "VRDN.XPAR type=14 root=VRDN exch=XPAR cur=EUR alt=VRDN";
    QTest::newRow("index") << QByteArray("QIX") << vmt << "QIX type=13 root=QIX exch= cur=USD";
    QTest::newRow("mutual fund") << QByteArray("AMFX") << vmt << "AMFX type=18 root=AMFX exch= cur=USD";
    QTest::newRow("forex spot") << QByteArray("EURUSD") << vmt
        << "EURUSD type=2 root=EURUSD exch=FX cur=USD alt=EUR/USD";
    QTest::newRow("forex forward") << QByteArray("EURUSD3M") << vmt
        << "EURUSD3M type=2 root=EURUSD exch=FX cur=USD term=3/3 alt=EUR/USD 3M";
    QTest::newRow("forex forward, alternate") << QByteArray("EUR/USD 1Y") << extended
        << "EURUSD1Y type=2 root=EURUSD exch=FX cur=USD term=1/4 alt=EUR/USD 1Y";
    QTest::newRow("bond") << QByteArray("BND10Y") << vmt
        << "BND10Y type=1 root=BND exch=GOV cur=USD term=10/4";
    QTest::newRow("futures contract") << QByteArray("CLZ27") << vmt
        << "CLZ27 type=3 root=CL exch=ENX cur=USD exp=2027-12-17";
    QTest::newRow("contract expiring today") << QByteArray("CLH26") << vmt
        << "CLH26 type=3 root=CL exch=ENX cur=USD exp=2026-03-20";
    QTest::newRow("expired contract") << QByteArray("CLG26") << vmt
        << "CLG26 type=3 root=CL exch=ENX cur=USD exp=2026-02-20 expired";
    QTest::newRow("first contract") << QByteArray("CLH24") << vmt
        << "CLH24 type=3 root=CL exch=ENX cur=USD exp=2024-03-15 expired";
    QTest::newRow("before the first") << QByteArray("CLG24") << vmt << "none";
    QTest::newRow("last contract") << QByteArray("GCM28") << vmt
        << "GCM28 type=3 root=GC exch=MTX cur=USD exp=2028-06-16";
    QTest::newRow("after the last") << QByteArray("CLN28") << vmt << "none";
    QTest::newRow("continuous") << QByteArray("CL#") << vmt
        << "CL# type=4 root=CL exch=ENX cur=USD alt=CLH26";
    QTest::newRow("continuous gold") << QByteArray("GC#") << vmt
        << "GC# type=4 root=GC exch=MTX cur=USD alt=GCH26";
    QTest::newRow("futures option") << QByteArray("CLJ26 C70") << vmt
        << "CLJ26 C70 type=7 root=CL exch=ENX cur=USD exp=2026-04-17";
    QTest::newRow("futures spread") << QByteArray("CLH26-CLJ26") << vmt
        << "CLH26-CLJ26 type=10 root=CL exch=ENX cur=USD exp=2026-03-20";
    QTest::newRow("user-defined spread") << QByteArray("=ACME.QB-NRTH.N") << vmt
        << "=ACME.QB-NRTH.N type=17 root= exch= cur=USD legs=ACME.QB";
    QTest::newRow("user-defined spread with sub-type") << QByteArray("=CLZ27-CLH28") << vmt
        << "=CLZ27-CLH28 type=17 root= exch=ENX cur=USD exp=2027-12-17 legs=CLZ27 sub=3 spread-chain";
    QTest::newRow("historical, fixed date") << QByteArray("CL#@20260115") << vmt
        << "CL#@20260115 type=27 root=CL exch=ENX cur=USD exp=2026-01-16 expired alt=CLF26";
    QTest::newRow("historical, days back") << QByteArray("CL#@-30") << vmt
        << "CL#@-30 type=28 root=CL exch=ENX cur=USD exp=2026-02-20 expired alt=CLG26";
    QTest::newRow("historical, any date") << QByteArray("CL#@20250704") << extended
        << "CL#@20250704 type=27 root=CL exch=ENX cur=USD exp=2025-07-18 expired alt=CLN25";
    QTest::newRow("historical, days back from a Friday") << QByteArray("GC#@-7") << vmt
        << "GC#@-7 type=28 root=GC exch=MTX cur=USD exp=2026-03-20 alt=GCH26";
    QTest::newRow("historical, future date") << QByteArray("CL#@20270101") << vmt << "none";
    QTest::newRow("historical, no such root") << QByteArray("XX#@-30") << vmt << "none";
    QTest::newRow("historical, no such day") << QByteArray("CL#@20260230") << vmt << "none";
    QTest::newRow("stock option") << QByteArray("ACME 260417C150") << vmt
        << "ACME 260417C150 type=15 root=ACME exch=QB cur=USD exp=2026-04-17";
    QTest::newRow("stock option, regional") << QByteArray("ACME 260619P150/EU") << vmt
        << "ACME 260619P150/EU type=15 root=ACME exch=EU cur=USD exp=2026-06-19";
    QTest::newRow("stock option, decimal strike") << QByteArray("NRTH 260417P47.5") << vmt
        << "NRTH 260417P47.5 type=15 root=NRTH exch=N cur=USD exp=2026-04-17";
    QTest::newRow("unknown") << QByteArray("NOPE") << vmt << "none";
    QTest::newRow("unknown symbology") << QByteArray("ACME.QB") << 9 << "none";
}

void tst_MarketStore::requiredSymbols()
{
    QFETCH(QByteArray, text);
    QFETCH(int, symbology);
    QFETCH(QString, expected);
    const std::optional<Instrument> instrument = m_store.instrument(text, symbology);
    QCOMPARE(summary(instrument), expected);
    if (instrument) {
        QVERIFY(!instrument->description.isEmpty());
        QVERIFY(instrument->minTick > 0);
    }
}

void tst_MarketStore::securityCodes_data()
{
    QTest::addColumn<int>("symbology");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("cusip") << int(VmtSymbolRequest::Cusip) << 8;
    QTest::newRow("sedol") << int(VmtSymbolRequest::Sedol) << 2;
    QTest::newRow("isin") << int(VmtSymbolRequest::Isin) << 10;
}

// Codes carry valid check digits, are unique and name their instrument.
void tst_MarketStore::securityCodes()
{
    QFETCH(int, symbology);
    QFETCH(int, atLeast);
    QSet<QByteArray> codes;
    for (const Instrument &instrument : m_store.instruments()) {
        const QByteArray code = codeOf(instrument, symbology);
        if (code.isEmpty())
            continue;
        QVERIFY2(isValidCode(code, symbology), code.constData());
        QVERIFY(!codes.contains(code));
        codes.insert(code);
        QCOMPARE(m_store.instrument(code, symbology)->symbol, instrument.symbol);
    }
    QVERIFY(codes.size() >= atLeast);
}

void tst_MarketStore::instrumentsByPattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("continuous and historical") << "CL#*"
        << QStringList{"CL#", "CL#@-30", "CL#@20260115"};
    QTest::newRow("user-defined spreads") << "=*" << QStringList{"=ACME.QB-NRTH.N", "=CLZ27-CLH28"};
    QTest::newRow("one character, any case") << "clh2?"
        << QStringList{"CLH24", "CLH25", "CLH26", "CLH27", "CLH28"};
    QTest::newRow("inner star") << "BND*Y" << QStringList{"BND10Y", "BND2Y", "BND30Y"};
    QTest::newRow("percent is literal") << "%" << QStringList();
    QTest::newRow("underscore is literal") << "CLH2_" << QStringList();
}

void tst_MarketStore::instrumentsByPattern()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QStringList symbols;
    for (const Instrument &instrument : m_store.instruments(pattern))
        symbols << QString::fromUtf8(instrument.symbol);
    QCOMPARE(symbols, expected);
}

void tst_MarketStore::chainOrder_data()
{
    QTest::addColumn<QByteArray>("underlying");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<bool>("outright");
    QTest::addColumn<int>("from");   // where slice starts; -1: wherever its first member is
    QTest::addColumn<QStringList>("slice");
    QTest::addColumn<int>("size");
    const QStringList contracts{"CLH26", "CLJ26", "CLK26", "CLM26"};
    QTest::newRow("continuous") << QByteArray("CL#") << QDate() << true << 0 << contracts << 28;
    QTest::newRow("continuous with spreads") << QByteArray("CL#") << QDate() << false << 0
        << QStringList{"CLH26", "CLH26-CLJ26", "CLJ26", "CLJ26-CLK26", "CLK26", "CLK26-CLM26", "CLM26"}
        << 31;
    QTest::newRow("root") << QByteArray("CL") << QDate() << true << 0 << contracts << 28;
    QTest::newRow("historical contract") << QByteArray("CL#@-30") << QDate() << true << 0 << contracts << 28;
    QTest::newRow("last contracts") << QByteArray("GC#") << QDate() << true << 26
        << QStringList{"GCK28", "GCM28"} << 28;
    QTest::newRow("earlier day") << QByteArray("GC#") << QDate(2025, 1, 1) << true << 0
        << QStringList{"GCF25", "GCG25", "GCH25"} << 42;
    QTest::newRow("stock options") << QByteArray("ACME.QB") << QDate() << false << 0
        << QStringList{"ACME 260320C120", "ACME 260320P120", "ACME 260320C125", "ACME 260320P125"}
        << 236;
    QTest::newRow("regional options beside the others") << QByteArray("ACME.QB") << QDate() << false
        << -1 << QStringList{"ACME 260320P140", "ACME 260320C145", "ACME 260320C145/EU",
                             "ACME 260320P145", "ACME 260320P145/EU", "ACME 260320C150"}
        << 236;
    QTest::newRow("next expiration") << QByteArray("ACME.QB") << QDate() << false << -1
        << QStringList{"ACME 260320P185", "ACME 260417C120"} << 236;
    QTest::newRow("decimal strikes") << QByteArray("NRTH.N") << QDate() << false << 0
        << QStringList{"NRTH 260320C37.5", "NRTH 260320P37.5", "NRTH 260320C40"} << 160;
    QTest::newRow("futures options") << QByteArray("CLJ26") << QDate() << false << 0
        << QStringList{"CLJ26 C60", "CLJ26 P60", "CLJ26 C65"} << 14;
    QTest::newRow("contract without options") << QByteArray("CLZ27") << QDate() << false << 0
        << QStringList() << 0;
    QTest::newRow("index") << QByteArray("QIX") << QDate() << false << 0 << QStringList() << 0;
}

void tst_MarketStore::chainOrder()
{
    QFETCH(QByteArray, underlying);
    QFETCH(QDate, day);
    QFETCH(bool, outright);
    QFETCH(int, from);
    QFETCH(QStringList, slice);
    QFETCH(int, size);
    const QStringList members = texts(m_store.chain(underlying, day, outright));
    QCOMPARE(members.size(), size);
    const int start = from >= 0 || slice.isEmpty() ? from : members.indexOf(slice.first());
    QVERIFY(start >= 0);
    QCOMPARE(members.mid(start, slice.size()), slice);
}

void tst_MarketStore::history_data()
{
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<DateTime>("from");
    QTest::addColumn<DateTime>("to");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    const QDate monday(2026, 3, 2);
    QTest::newRow("range") << QByteArray("ACME.QB") << at(monday) << endOf(monday.addDays(11)) << 0
        << 10 << 20260302 << 20260313;
    QTest::newRow("range from within a day") << QByteArray("ACME.QB") << at(monday, 12)
        << endOf(monday.addDays(11)) << 0 << 9 << 20260303 << 20260313;
    QTest::newRow("weekend") << QByteArray("ACME.QB") << at(monday.addDays(5))
        << endOf(monday.addDays(6)) << 0 << 0 << 0 << 0;
    QTest::newRow("open start") << QByteArray("EURUSD") << NullTime << endOf(QDate(2016, 1, 8)) << 0
        << 6 << 20160101 << 20160108;
    QTest::newRow("open end") << QByteArray("EURUSD") << at(MadeOn.addDays(-1)) << NullTime << 0
        << 2 << 20260319 << 20260320;
    QTest::newRow("last bars") << QByteArray("ACME.QB") << NullTime << endOf(MadeOn) << 5 << 5
        << 20260316 << 20260320;
    QTest::newRow("last bars to a Sunday") << QByteArray("ACME.QB") << NullTime
        << endOf(MadeOn.addDays(2)) << 5 << 5 << 20260316 << 20260320;
    QTest::newRow("last bars up to now") << QByteArray("QIX") << NullTime << NullTime << 2 << 2
        << 20260319 << 20260320;
    QTest::newRow("last bars near the first") << QByteArray("ACME.QB") << NullTime
        << endOf(QDate(2016, 1, 5)) << 5 << 3 << 20160101 << 20160105;
    QTest::newRow("last bars of a contract") << QByteArray("CLZ27") << NullTime << endOf(MadeOn) << 3
        << 3 << 20260318 << 20260320;
    QTest::newRow("last bars of any historical contract") << QByteArray("CL#@20250704") << NullTime
        << endOf(MadeOn) << 2 << 2 << 20260319 << 20260320;
    QTest::newRow("last bars of an expired contract") << QByteArray("CLG26") << NullTime
        << endOf(MadeOn) << 2 << 2 << 20260219 << 20260220;
    QTest::newRow("last bars of an expired option") << QByteArray("ACME 260116C150") << NullTime
        << endOf(MadeOn) << 2 << 2 << 20260115 << 20260116;
    QTest::newRow("expired option, days after") << QByteArray("ACME 260220P120")
        << at(QDate(2026, 2, 21)) << NullTime << 0 << 0 << 0 << 0;
    QTest::newRow("option expiring today") << QByteArray("NRTH 260320C60") << NullTime
        << endOf(MadeOn) << 2 << 2 << 20260319 << 20260320;
    QTest::newRow("spread expiring today") << QByteArray("CLH26-CLJ26") << at(MadeOn) << NullTime
        << 0 << 1 << 20260320 << 20260320;
    QTest::newRow("unknown symbol") << QByteArray("NOPE") << NullTime << endOf(MadeOn) << 5 << 0 << 0 << 0;
}

void tst_MarketStore::history()
{
    QFETCH(QByteArray, symbol);
    QFETCH(DateTime, from);
    QFETCH(DateTime, to);
    QFETCH(int, count);
    QFETCH(int, size);
    QFETCH(int, first);
    QFETCH(int, last);
    const QVector<Bar> bars = count > 0 ? m_store.lastBars(symbol, to, count)
                                        : m_store.bars(symbol, TimeRange{from, to});
    QCOMPARE(bars.size(), size);
    if (size > 0) {
        QCOMPARE(dayOf(bars.first()), first);
        QCOMPARE(dayOf(bars.last()), last);
    }
}

void tst_MarketStore::optionsAcrossStrikes_data()
{
    QTest::addColumn<QByteArray>("underlying");
    QTest::addColumn<QDate>("expiration");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("count");   // options of the expiration alive on day
    const QDate june(2026, 6, 19);
    const QDate january(2027, 1, 15);
    QTest::newRow("ACME Jun-26 today") << QByteArray("ACME.QB") << june << MadeOn << 34;
    QTest::newRow("ACME Jun-26 a year back") << QByteArray("ACME.QB") << june << QDate(2025, 3, 19) << 34;
    QTest::newRow("ACME Jan-27 ten years back") << QByteArray("ACME.QB") << january
        << QDate(2016, 1, 4) << 28;
    QTest::newRow("ACME Jan-27 today") << QByteArray("ACME.QB") << january << MadeOn << 28;
    QTest::newRow("ACME Mar-26 on its expiration") << QByteArray("ACME.QB") << QDate(2026, 3, 20)
        << MadeOn << 34;
    QTest::newRow("NRTH Apr-26") << QByteArray("NRTH.N") << QDate(2026, 4, 17) << QDate(2026, 2, 2)
        << 20;
    QTest::newRow("CLJ26 today") << QByteArray("CLJ26") << QDate(2026, 4, 17) << MadeOn << 14;
    QTest::newRow("CLJ26 in 2025") << QByteArray("CLJ26") << QDate(2026, 4, 17) << QDate(2025, 10, 1)
        << 14;
    QTest::newRow("CLK26 in 2024") << QByteArray("CLK26") << QDate(2026, 5, 15) << QDate(2024, 5, 6)
        << 14;
}

// On a day, the options of one expiration: calls never dearer and puts never cheaper as the
// strike rises, call minus put equal to underlying minus strike (no interest) within rounding,
// and a regional option priced as the plain one.
void tst_MarketStore::optionsAcrossStrikes()
{
    QFETCH(QByteArray, underlying);
    QFETCH(QDate, expiration);
    QFETCH(QDate, day);
    QFETCH(int, count);
    static const QRegularExpression form(QStringLiteral("([CP])(\\d+(?:\\.\\d+)?)(/\\w+)?$"));
    const double spot = barOn(m_store, underlying, day).close;
    QVERIFY(spot > 0);
    QMap<QString, double> closes;   // by right and strike
    QMap<QString, QString> plain;   // prices by symbol without its regional part
    int options = 0;
    double previousStrike = 0;
    Bar previous[3];   // the last call and put by strike, indexed by right
    for (const QByteArray &symbol : m_store.chain(underlying, day, false)) {
        const std::optional<Instrument> option = m_store.instrument(symbol, VmtSymbolRequest::Vmt);
        QVERIFY(option);
        if (QDate(option->expirationYear, option->expirationMonth, option->expirationDay) != expiration)
            continue;
        ++options;
        const QRegularExpressionMatch match = form.match(QString::fromUtf8(symbol));
        QVERIFY2(match.hasMatch(), symbol.constData());
        const Bar bar = barOn(m_store, symbol, day);
        QVERIFY2(bar.volume > 0, symbol.constData());
        const QString base = QString::fromUtf8(symbol).remove(match.captured(3));
        if (!match.captured(3).isEmpty()) {
            QCOMPARE(prices(bar), plain.value(base));
            continue;
        }
        plain.insert(base, prices(bar));
        const double strike = match.captured(2).toDouble();
        const bool call = match.captured(1) == QLatin1String("C");
        closes.insert(match.captured(1) + match.captured(2), bar.close);
        Bar &last = previous[call ? 1 : 2];
        if (last.volume > 0) {
            QVERIFY(strike >= previousStrike);
            for (const auto field : {&Bar::open, &Bar::high, &Bar::low, &Bar::close}) {
                QVERIFY2(call ? bar.*field <= last.*field : bar.*field >= last.*field,
                         qPrintable(QString::fromUtf8(symbol) + QLatin1Char(' ') + prices(bar)
                                    + QStringLiteral(" after ") + prices(last)));
            }
        }
        last = bar;
        previousStrike = strike;
        if (!call) {
            const double parity = closes.value(QLatin1Char('C') + match.captured(2)) - bar.close
                - (spot - strike);
            QVERIFY2(std::abs(parity) <= 0.015, qPrintable(QString::fromUtf8(symbol)));
        }
    }
    QCOMPARE(options, count);
}

void tst_MarketStore::futuresCurve_data()
{
    QTest::addColumn<QByteArray>("continuous");
    QTest::addColumn<QDate>("day");
    QTest::newRow("CL today, an expiration day") << QByteArray("CL#") << MadeOn;
    QTest::newRow("CL on the Dec-25 expiration") << QByteArray("CL#") << QDate(2025, 12, 19);
    QTest::newRow("CL the day after") << QByteArray("CL#") << QDate(2025, 12, 22);
    QTest::newRow("CL in 2025") << QByteArray("CL#") << QDate(2025, 2, 14);
    QTest::newRow("CL in 2024") << QByteArray("CL#") << QDate(2024, 6, 3);
    QTest::newRow("GC today") << QByteArray("GC#") << MadeOn;
    QTest::newRow("GC in 2025") << QByteArray("GC#") << QDate(2025, 8, 15);
}

// The contracts alive on a day: the first is the continuous symbol that day (its alternate
// symbol on the store's day), each further month a little cheaper, within 2% of the one before.
void tst_MarketStore::futuresCurve()
{
    QFETCH(QByteArray, continuous);
    QFETCH(QDate, day);
    const QList<QByteArray> contracts = m_store.chain(continuous, day, true);
    QVERIFY(contracts.size() >= 24);
    if (day == MadeOn)
        QCOMPARE(contracts.first(), m_store.instrument(continuous, VmtSymbolRequest::Vmt)->alternateSymbol);
    QCOMPARE(prices(barOn(m_store, contracts.first(), day)), prices(barOn(m_store, continuous, day)));
    double previous = 0;
    for (const QByteArray &contract : contracts) {
        const double close = barOn(m_store, contract, day).close;
        QVERIFY2(close > 0, contract.constData());
        if (previous > 0) {
            QVERIFY2(close <= previous && close >= previous * 0.98,
                     qPrintable(QStringLiteral("%1 %2 after %3").arg(QString::fromUtf8(contract))
                                    .arg(close).arg(previous)));
        }
        previous = close;
    }
}

void tst_MarketStore::spreadLegs_data()
{
    QTest::addColumn<QByteArray>("spread");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QDate>("day");
    QTest::newRow("futures spread today") << QByteArray("CLH26-CLJ26") << QByteArray("CLH26")
        << QByteArray("CLJ26") << MadeOn;
    QTest::newRow("futures spread in 2025") << QByteArray("CLJ26-CLK26") << QByteArray("CLJ26")
        << QByteArray("CLK26") << QDate(2025, 11, 3);
    QTest::newRow("gold spread") << QByteArray("GCK26-GCM26") << QByteArray("GCK26")
        << QByteArray("GCM26") << QDate(2025, 1, 2);
    QTest::newRow("user-defined futures spread") << QByteArray("=CLZ27-CLH28") << QByteArray("CLZ27")
        << QByteArray("CLH28") << QDate(2024, 7, 1);
    QTest::newRow("user-defined stock spread") << QByteArray("=ACME.QB-NRTH.N")
        << QByteArray("ACME.QB") << QByteArray("NRTH.N") << MadeOn;
    QTest::newRow("user-defined stock spread, years back") << QByteArray("=ACME.QB-NRTH.N")
        << QByteArray("ACME.QB") << QByteArray("NRTH.N") << QDate(2018, 5, 15);
}

// A spread opens and closes at the difference of its legs and stays within what they span.
void tst_MarketStore::spreadLegs()
{
    QFETCH(QByteArray, spread);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QDate, day);
    const Bar bar = barOn(m_store, spread, day);
    const Bar a = barOn(m_store, first, day);
    const Bar b = barOn(m_store, second, day);
    QVERIFY(bar.volume > 0 && a.volume > 0 && b.volume > 0);
    QCOMPARE(cents(bar.open), cents(a.open) - cents(b.open));
    QCOMPARE(cents(bar.close), cents(a.close) - cents(b.close));
    QVERIFY(cents(bar.high) <= cents(a.high) - cents(b.low));
    QVERIFY(cents(bar.low) >= cents(a.low) - cents(b.high));
}

void tst_MarketStore::sameBars_data()
{
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<QByteArray>("other");
    QTest::newRow("regional call") << QByteArray("ACME 260619C150/EU") << QByteArray("ACME 260619C150");
    QTest::newRow("regional put") << QByteArray("ACME 260320P145/EU") << QByteArray("ACME 260320P145");
    QTest::newRow("historical contract") << QByteArray("CL#@-30") << QByteArray("CL#");
    QTest::newRow("historical contract of a date") << QByteArray("CL#@20250704") << QByteArray("CL#");
    QTest::newRow("historical gold contract") << QByteArray("GC#@-30") << QByteArray("GC#");
}

// Every day's open, high, low and close of the two are the same.
void tst_MarketStore::sameBars()
{
    QFETCH(QByteArray, symbol);
    QFETCH(QByteArray, other);
    const QVector<Bar> bars = m_store.bars(symbol, TimeRange{});
    const QVector<Bar> others = m_store.bars(other, TimeRange{});
    QVERIFY(!bars.isEmpty());
    QCOMPARE(bars.size(), others.size());
    for (int i = 0; i < bars.size(); ++i) {
        QCOMPARE(bars.at(i).time, others.at(i).time);
        QCOMPARE(prices(bars.at(i)), prices(others.at(i)));
    }
}

void tst_MarketStore::headlineFilters_data()
{
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<QByteArray>("service");
    QTest::addColumn<QStringList>("categories");
    QTest::addColumn<QStringList>("keywords");
    QTest::addColumn<QString>("options");   // "or", "whole", "case"
    QTest::addColumn<int>("fromMinute");
    QTest::addColumn<uint>("limit");
    QTest::addColumn<QStringList>("expected");
    const QStringList none;
    QTest::newRow("no filter") << none << QByteArray() << none << none << "" << 0 << 0u
        << QStringList{"t5", "t4", "t3", "t2", "t1"};
    QTest::newRow("symbol") << QStringList{"ACME.QB"} << QByteArray() << none << none << "" << 0 << 0u
        << QStringList{"t2", "t1"};
    QTest::newRow("any of the symbols") << QStringList{"EURUSD", "GC#"} << QByteArray() << none << none
        << "" << 0 << 0u << QStringList{"t5", "t4"};
    QTest::newRow("symbol of nothing") << QStringList{"QIX"} << QByteArray() << none << none << ""
        << 0 << 0u << none;
    QTest::newRow("service, any case") << none << QByteArray("FxWatch") << none << none << "" << 0
        << 0u << QStringList{"t4", "t3"};
    QTest::newRow("category, any case") << none << QByteArray() << QStringList{"FOREX"} << none << ""
        << 0 << 0u << QStringList{"t4"};
    QTest::newRow("any of the categories") << none << QByteArray() << QStringList{"metals", "Earnings"}
        << none << "" << 0 << 0u << QStringList{"t5", "t1"};
    QTest::newRow("keyword inside words") << none << QByteArray() << none << QStringList{"rate"} << ""
        << 0 << 0u << QStringList{"t4", "t3"};
    QTest::newRow("keyword, whole word") << none << QByteArray() << none << QStringList{"rate"}
        << "whole" << 0 << 0u << QStringList{"t4"};
    QTest::newRow("keyword, case") << none << QByteArray() << none << QStringList{"rate"} << "case"
        << 0 << 0u << QStringList{"t3"};
    QTest::newRow("keyword, whole word and case") << none << QByteArray() << none
        << QStringList{"RATE"} << "whole case" << 0 << 0u << QStringList{"t4"};
    QTest::newRow("whole word at the end") << none << QByteArray() << none << QStringList{"toils"}
        << "whole" << 0 << 0u << QStringList{"t5"};
    QTest::newRow("all keywords") << none << QByteArray() << none << QStringList{"acme", "outlook"}
        << "" << 0 << 0u << QStringList{"t1"};
    QTest::newRow("all keywords, none has both") << none << QByteArray() << none
        << QStringList{"acme", "gold"} << "" << 0 << 0u << none;
    QTest::newRow("any keyword") << none << QByteArray() << none << QStringList{"acme", "gold"} << "or"
        << 0 << 0u << QStringList{"t5", "t2", "t1"};
    QTest::newRow("empty keyword ignored") << none << QByteArray() << none << QStringList{"", "gold"}
        << "" << 0 << 0u << QStringList{"t5"};
    QTest::newRow("symbol and service") << QStringList{"ACME.QB"} << QByteArray("NEWSDESK") << none
        << none << "" << 0 << 0u << QStringList{"t2"};
    QTest::newRow("history limit") << none << QByteArray() << none << none << "" << 0 << 2u
        << QStringList{"t5", "t4"};
    QTest::newRow("limit after the filter") << QStringList{"ACME.QB"} << QByteArray() << none << none
        << "" << 0 << 1u << QStringList{"t2"};
    QTest::newRow("interval") << none << QByteArray() << none << none << "" << 3 << 0u
        << QStringList{"t5", "t4"};
}

void tst_MarketStore::headlineFilters()
{
    QFETCH(QStringList, symbols);
    QFETCH(QByteArray, service);
    QFETCH(QStringList, categories);
    QFETCH(QStringList, keywords);
    QFETCH(QString, options);
    QFETCH(int, fromMinute);
    QFETCH(uint, limit);
    QFETCH(QStringList, expected);
    HeadlineFilterParameters filter;
    filter.symbols = toBytes(symbols);
    filter.service = service;
    filter.categories = toBytes(categories);
    filter.keywords = toBytes(keywords);
    filter.keywordsOr = options.contains(QLatin1String("or"));
    filter.wholeWord = options.contains(QLatin1String("whole"));
    filter.caseSensitive = options.contains(QLatin1String("case"));
    const QDate day(2001, 1, 1);
    const TimeRange interval{at(day, 10, fromMinute), endOf(day)};
    QCOMPARE(storyIds(m_store.headlines(filter, interval, limit)), expected);
}

// The generated news of the 60 days before the store's day: enough of them, newest first,
// from every source and the main categories, some about two symbols, with stories in the
// three formats.
void tst_MarketStore::generatedNews()
{
    const TimeRange days{at(MadeOn.addDays(-60)), at(MadeOn)};
    const QVector<Headline> news = m_store.headlines(HeadlineFilterParameters(), days, 0);
    QVERIFY(news.size() >= 2000);
    QSet<QByteArray> sources;
    QSet<QByteArray> categories;
    QSet<int> formats;
    bool pair = false;
    for (int i = 0; i < news.size(); ++i) {
        const Headline &headline = news.at(i);
        QVERIFY(i == 0 || !(news.at(i - 1).time < headline.time));
        sources.insert(headline.source);
        for (const QByteArray &category : headline.categories.split(' '))
            categories.insert(category);
        pair = pair || headline.symbols.split(' ').size() == 2;
        const std::optional<MarketStore::Story> story = m_store.story(headline.storyId);
        QVERIFY(story);
        formats.insert(story->format);
        const QByteArray expectedStart = story->format == 1 ? headline.text
            : story->format == 2 ? QByteArray("<html><body><h1>") : QByteArray("https://");
        QVERIFY2(story->content.startsWith(expectedStart), headline.storyId.constData());
    }
    QCOMPARE(sources, (QSet<QByteArray>{"MWIRE", "NEWSDESK", "FXWATCH", "PRESSLINE"}));
    for (const char *category : {"Earnings", "Mergers", "Commodities", "Forex", "Economy", "Markets"})
        QVERIFY2(categories.contains(category), category);
    QVERIFY(pair);
    QCOMPARE(formats, (QSet<int>{1, 2, 3}));
    QVERIFY(!m_store.story("no such story"));
}

void tst_MarketStore::brokenStoreSetAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("version");   // >= 0: an SQLite file of that schema version instead
    QTest::newRow("garbage") << QByteArray("not a database\n").repeated(300) << -1;
    QTest::newRow("empty file") << QByteArray() << -1;
    QTest::newRow("other schema version") << QByteArray() << 99;
    QTest::newRow("no meta data") << QByteArray() << int(MarketStore::SchemaVersion);
}

// The unusable file is renamed aside whole, a warning names it, and a sound store replaces it.
void tst_MarketStore::brokenStoreSetAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, version);
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("market.sqlite"));
    if (version >= 0) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            db.setDatabaseName(fileName);
            QVERIFY(db.open());
            QSqlQuery(db).exec(QStringLiteral("CREATE TABLE user (name TEXT)"));
            QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
    } else {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QFile original(fileName);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
        "market.sqlite\" is unusable .*renamed to \".*market.sqlite.broken-\\d{8}-\\d{6}\"")));
    MarketStore store;
    QVERIFY2(store.open(dir.path(), Seed, utc(MadeOn, 12)), qPrintable(store.errorString()));
    const QStringList aside = QDir(dir.path()).entryList({"market.sqlite.broken-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QFile kept(dir.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), before);
    QVERIFY(store.instrument("ACME.QB", VmtSymbolRequest::Vmt));
    QCOMPARE(store.counts().lastBar, MadeOn);
}

void tst_MarketStore::unusableFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("folder below a file") << "below-file";
    QTest::newRow("system folder") << "system";
}

// open() fails with a message naming the folder, and leaves nothing behind.
void tst_MarketStore::unusableFolder()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("data"));
    if (kind == QLatin1String("read-only")) {
        QVERIFY(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(folder + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("this user writes in read-only folders");
    } else if (kind == QLatin1String("below-file")) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        folder += QStringLiteral("/market");
    } else {
        folder = QStringLiteral("/proc/self");
    }
    MarketStore store;
    QVERIFY(!store.open(folder, Seed, utc(MadeOn, 12)));
    QVERIFY2(store.errorString().contains(QDir::toNativeSeparators(folder)),
             qPrintable(store.errorString()));
    QVERIFY(!store.isOpen());
    if (kind == QLatin1String("read-only"))
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_MarketStore::extensionForward_data()
{
    QTest::addColumn<int>("daysBefore");
    QTest::newRow("three days") << 3;
    QTest::newRow("a month") << 30;
}

// A store made days before is extended on open: its bars (base ones and those kept from a
// request) reach the day, equal to those of a store made that day; contracts are listed
// further ahead, expired flags and front contracts follow the day; news reaches the time.
void tst_MarketStore::extensionForward()
{
    QFETCH(int, daysBefore);
    const QDate madeOn = MadeOn.addDays(-daysBefore);
    const QList<QByteArray> derived{"CLZ27", "CLJ26-CLK26", "ACME 260417C150", "=ACME.QB-NRTH.N"};
    const QList<QByteArray> symbols = QList<QByteArray>{"ACME.QB", "EURUSD", "CL#"} + derived;
    QTemporaryDir old;
    makeStore(old.path(), Seed, madeOn);
    {
        MarketStore store;
        QVERIFY(store.open(old.path(), Seed, utc(madeOn, 12)));
        for (const QByteArray &symbol : derived)
            QCOMPARE(store.lastBars(symbol, NullTime, 1).size(), 1);
        QCOMPARE(store.instrument("CLG26", VmtSymbolRequest::Vmt)->expired, madeOn > QDate(2026, 2, 20));
    }
    QTemporaryDir fresh;
    makeStore(fresh.path(), Seed, MadeOn);
    {
        MarketStore store;
        QVERIFY(store.open(fresh.path(), Seed, utc(MadeOn, 12)));
        for (const QByteArray &symbol : derived)
            QCOMPARE(store.lastBars(symbol, NullTime, 1).size(), 1);
    }
    MarketStore store;
    QVERIFY(store.open(old.path(), Seed, utc(MadeOn, 12)));
    QCOMPARE(store.today(), MadeOn);
    QCOMPARE(store.counts().lastBar, MadeOn);
    QCOMPARE(store.counts().madeOn, madeOn);
    QCOMPARE(barChecksum(old.filePath("market.sqlite"), symbols),
             barChecksum(fresh.filePath("market.sqlite"), symbols));
    QCOMPARE(summary(store.instrument("GCM28", VmtSymbolRequest::Vmt)),
             "GCM28 type=3 root=GC exch=MTX cur=USD exp=2028-06-16");
    QVERIFY(store.instrument("CLG26", VmtSymbolRequest::Vmt)->expired);
    QCOMPARE(store.instrument("CL#", VmtSymbolRequest::Vmt)->alternateSymbol, QByteArray("CLH26"));
    const HeadlineFilterParameters all;
    QVERIFY(!store.headlines(all, TimeRange{at(MadeOn.addDays(-1)), at(MadeOn, 12)}, 0).isEmpty());
    QVERIFY(store.headlines(all, TimeRange{at(MadeOn, 12, 1), NullTime}, 0).isEmpty());
}

// Two stores opening the same empty folder at once both end up with the one store made.
void tst_MarketStore::concurrentCreation()
{
    QTemporaryDir dir;
    QSemaphore go;
    bool opened[2] = {false, false};
    MarketStore::Counts counts[2];
    QString errors[2];
    const auto open = [&](int i) {
        go.acquire();
        MarketStore store;
        opened[i] = store.open(dir.path(), Seed, utc(MadeOn, 12));
        errors[i] = store.errorString();
        counts[i] = store.counts();
    };
    std::unique_ptr<QThread> first(QThread::create(open, 0));
    std::unique_ptr<QThread> second(QThread::create(open, 1));
    first->start();
    second->start();
    go.release(2);
    QVERIFY(first->wait(60000));
    QVERIFY(second->wait(60000));
    QVERIFY2(opened[0], qPrintable(errors[0]));
    QVERIFY2(opened[1], qPrintable(errors[1]));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"market.sqlite"});
    QVERIFY(counts[0].instruments > 0);
    QCOMPARE(counts[0].instruments, counts[1].instruments);
    QCOMPARE(counts[0].bars, counts[1].bars);
    QCOMPARE(counts[0].headlines, counts[1].headlines);
}

void tst_MarketStore::replaceBars_data()
{
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<QString>("bars");
    QTest::addColumn<QString>("error");
    const QString two = QStringLiteral("20260316:10,11,9,10.5,100;20260317:10.5,12,10,11,200");
    QTest::newRow("replaced") << QByteArray("GLBX") << two << "";
    QTest::newRow("bars of a derived instrument") << QByteArray("CLZ27") << two << "";
    QTest::newRow("unknown symbol") << QByteArray("NOPE") << two << "unknown symbol \"NOPE\"";
    QTest::newRow("not listed") << QByteArray("CL#@20250704") << two
        << "unknown symbol \"CL#@20250704\"";
    QTest::newRow("no bars") << QByteArray("GLBX") << "" << "there are no bars";
    QTest::newRow("days out of order") << QByteArray("GLBX")
        << "20260317:10,11,9,10.5,100;20260316:10.5,12,10,11,200"
        << "bar 2: the days are not in ascending order";
    QTest::newRow("same day twice") << QByteArray("GLBX")
        << "20260316:10,11,9,10.5,100;20260316:10.5,12,10,11,200"
        << "bar 2: the days are not in ascending order";
    QTest::newRow("low above open") << QByteArray("GLBX") << "20260316:10,11,10.2,10.5,100"
        << "bar 1: low, open, close and high are out of order";
    QTest::newRow("close above high") << QByteArray("GLBX") << "20260316:10,11,9,11.5,100"
        << "bar 1: low, open, close and high are out of order";
}

// Replaced bars are read back and extended from; refused ones leave the old bars.
void tst_MarketStore::replaceBars()
{
    QFETCH(QByteArray, symbol);
    QFETCH(QString, bars);
    QFETCH(QString, error);
    QTemporaryDir dir;
    makeStore(dir.path(), Seed, MadeOn.addDays(-3));
    MarketStore store;
    QVERIFY(store.open(dir.path(), Seed, utc(MadeOn.addDays(-3), 12)));
    const QVector<Bar> before = store.bars(symbol, TimeRange{});
    QString message;
    const QVector<Bar> replacement = parseBars(bars);
    QCOMPARE(store.replaceBars(symbol, replacement, &message), error.isEmpty());
    QCOMPARE(message, error);
    const QVector<Bar> after = store.bars(symbol, TimeRange{});
    if (!error.isEmpty()) {
        QCOMPARE(after.size(), before.size());
        return;
    }
    QCOMPARE(after.size(), replacement.size());
    QCOMPARE(after.last().close, replacement.last().close);
    QVERIFY(store.extendTo(utc(MadeOn, 12)));
    const QVector<Bar> extended = store.bars(symbol, TimeRange{});
    QCOMPARE(dayOf(extended.last()), 20260320);
    QCOMPARE(extended.size(), replacement.size() + 3);
}

QTEST_GUILESS_MAIN(tst_MarketStore)
#include "tst_marketstore.moc"
