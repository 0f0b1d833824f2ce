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

const DateTime NullTime;
constexpr int Vmt = VmtSymbolRequest::Vmt;

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

// "YYYYMMDD:open,high,low,close,volume;..."
QVector<Bar> parseBars(const QString &text)
{
    QVector<Bar> bars;
    for (const QString &item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList v = item.split(QRegularExpression(QStringLiteral("[:,]")));
        bars.append(Bar{v.at(0).toULongLong() * DateTime::DateFactor, v.at(1).toDouble(),
                        v.at(2).toDouble(), v.at(3).toDouble(), v.at(4).toDouble(),
                        v.at(5).toULongLong()});
    }
    return bars;
}

// "symbols=A,B service=S categories=C,D keywords=K,L from=<minute> limit=<n> or whole case"
HeadlineFilterParameters parseFilter(const QString &text, int *fromMinute, uint *limit)
{
    QHash<QString, QByteArray> values;
    for (const QString &token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        values.insert(token.section(QLatin1Char('='), 0, 0), token.section(QLatin1Char('='), 1).toUtf8());
    const auto list = [&values](const char *key) {
        return values.contains(QLatin1String(key)) ? values.value(QLatin1String(key)).split(',')
                                                   : QByteArrayList();
    };
    *fromMinute = values.value(QStringLiteral("from")).toInt();
    *limit = values.value(QStringLiteral("limit")).toUInt();
    return HeadlineFilterParameters{list("symbols"), values.value(QStringLiteral("service")),
                                    list("categories"), list("keywords"),
                                    values.contains(QStringLiteral("or")),
                                    values.contains(QStringLiteral("whole")),
                                    values.contains(QStringLiteral("case"))};
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

// The same days and prices, and volumes when asked.
bool sameBars(const QVector<Bar> &a, const QVector<Bar> &b, bool volumes)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [volumes](const Bar &x, const Bar &y) {
        return x.time == y.time && x.open == y.open && x.high == y.high && x.low == y.low
            && x.close == y.close && (x.volume == y.volume || !volumes);
    });
}

QString prices(const Bar &bar)
{
    return QStringLiteral("%1/%2/%3/%4").arg(bar.open).arg(bar.high).arg(bar.low).arg(bar.close);
}

} // namespace

class tst_MarketStore : public QObject
{
    Q_OBJECT

private slots:
    // One store made on MadeOn and opened at noon, with five headlines of 1 January 2001 that the
    // filter rows pick from.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        makeStore(m_dir.path(), Seed, MadeOn);
        QVERIFY2(m_store.open(m_dir.path(), Seed, utc(MadeOn, 12)), qPrintable(m_store.errorString()));
        const struct {
            const char *text, *symbols, *categories, *source, *id;
        } crafted[] = {
            {"Acme raises outlook", "ACME.QB", "Earnings", "MWIRE", "t1"},
            {"Northwind and Acme agree merger", "NRTH.N ACME.QB", "Mergers Financials", "NEWSDESK", "t2"},
            {"Rates rise; corporate bonds slip", "", "Economy", "FXWATCH", "t3"},
            {"RATE decision due", "EURUSD", "forex", "fxwatch", "t4"},
            {"Gold glitters as oil toils", "GC#", "Commodities Metals", "MWIRE", "t5"},
        };
        int minute = 0;
        for (const auto &c : crafted) {
            const Headline headline{at(QDate(2001, 1, 1), 10, minute++), c.text, c.symbols, c.categories,
                                    c.source, c.id};
            QVERIFY(m_store.addHeadline(headline, MarketStore::Story{"story", 1}));
        }
    }

    void sameSeedSameRows()
    {
        QTemporaryDir a;
        QTemporaryDir b;
        QTemporaryDir c;
        const QByteArray sum = tableChecksum(makeStore(a.path(), 11, MadeOn));
        QCOMPARE(tableChecksum(makeStore(b.path(), 11, MadeOn)), sum);
        QVERIFY(tableChecksum(makeStore(c.path(), 12, MadeOn)) != sum);
    }

    void barInvariants_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<QByteArray>("sameAs");   // priced as this one every day; empty: itself
        for (const char *symbol : {"ACME.QB", "VRDN.XPAR", "QIX", "EURUSD", "USDJPY6M", "BND10Y",
                                   "MMFX", "CL#", "GC#", "CLZ27", "GCM28", "CLJ26 C70", "CLK26 P60",
                                   "CLH26-CLJ26", "GCK26-GCM26", "ACME 260417C150", "ACME 270115P120",
                                   "NRTH 260320P37.5", "=ACME.QB-NRTH.N", "=CLZ27-CLH28"})
            QTest::newRow(symbol) << QByteArray(symbol) << QByteArray();
        const std::pair<const char *, const char *> sameAs[] = {
            {"ACME 260619C150/EU", "ACME 260619C150"}, {"CL#@-30", "CL#"}, {"CL#@20250704", "CL#"},
            {"GC#@-30", "GC#"}};
        for (const auto &[symbol, other] : sameAs)
            QTest::newRow(symbol) << QByteArray(symbol) << QByteArray(other);
    }

    // Every trading day from ten years back to the store's day, on the tick, with
    // low <= open, close <= high; the same bars again on a second read (kept or made anew), or
    // the same prices as those of sameAs.
    void barInvariants()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(QByteArray, sameAs);
        const std::optional<Instrument> instrument = m_store.instrument(symbol, Vmt);
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
                         && bar.high >= std::max(bar.open, bar.close) && bar.volume > 0,
                     qPrintable(day.toString(Qt::ISODate)));
            for (const double price : {bar.open, bar.high, bar.low, bar.close})
                QVERIFY(std::abs(price / tick - std::round(price / tick)) < 1e-6);
            expected = day.addDays(day.dayOfWeek() == 5 ? 3 : 1);
        }
        QVERIFY(sameBars(bars, m_store.bars(sameAs.isEmpty() ? symbol : sameAs, TimeRange{}),
                         sameAs.isEmpty()));
    }

    void requiredSymbols_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *text, const char *expected, int symbology = Vmt) {
            QTest::newRow(name) << QByteArray(text) << symbology << QString::fromUtf8(expected);
        };
        const int extended = VmtSymbolRequest::VmtExtended;
        const char *const acme = "ACME.QB type=14 root=ACME exch=QB cur=USD alt=ACME";
        row("stock on QB", "ACME.QB", acme);
        row("lower case", " acme.qb ", acme);
        row("alternate, extended", "ACME", acme, extended);
        row("alternate, plain", "ACME", "none");
        row("no exchange", "GLBX", "GLBX type=14 root=GLBX exch= cur=USD");
        row("forex spot", "EURUSD", "EURUSD type=2 root=EURUSD exch=FX cur=USD alt=EUR/USD");
        row("forex forward", "EURUSD3M",
            "EURUSD3M type=2 root=EURUSD exch=FX cur=USD term=3/3 alt=EUR/USD 3M");
        row("forex forward, alternate", "EUR/USD 1Y",
            "EURUSD1Y type=2 root=EURUSD exch=FX cur=USD term=1/4 alt=EUR/USD 1Y", extended);
        row("bond", "BND10Y", "BND10Y type=1 root=BND exch=GOV cur=USD term=10/4");
        row("contract expiring today", "CLH26", "CLH26 type=3 root=CL exch=ENX cur=USD exp=2026-03-20");
        row("expired contract", "CLG26", "CLG26 type=3 root=CL exch=ENX cur=USD exp=2026-02-20 expired");
        row("first contract", "CLH24", "CLH24 type=3 root=CL exch=ENX cur=USD exp=2024-03-15 expired");
        row("before the first", "CLG24", "none");
        row("last contract", "GCM28", "GCM28 type=3 root=GC exch=MTX cur=USD exp=2028-06-16");
        row("after the last", "CLN28", "none");
        row("continuous", "CL#", "CL# type=4 root=CL exch=ENX cur=USD alt=CLH26");
        row("futures option", "CLJ26 C70", "CLJ26 C70 type=7 root=CL exch=ENX cur=USD exp=2026-04-17");
        row("futures spread", "CLH26-CLJ26", "CLH26-CLJ26 type=10 root=CL exch=ENX cur=USD exp=2026-03-20");
        row("user-defined spread with sub-type", "=CLZ27-CLH28",
            "=CLZ27-CLH28 type=17 root= exch=ENX cur=USD exp=2027-12-17 legs=CLZ27 sub=3 spread-chain");
        row("historical, fixed date", "CL#@20260115",
            "CL#@20260115 type=27 root=CL exch=ENX cur=USD exp=2026-01-16 expired alt=CLF26");
        row("historical, days back", "CL#@-30",
            "CL#@-30 type=28 root=CL exch=ENX cur=USD exp=2026-02-20 expired alt=CLG26");
        row("historical, any date", "CL#@20250704",
            "CL#@20250704 type=27 root=CL exch=ENX cur=USD exp=2025-07-18 expired alt=CLN25", extended);
        row("historical, days back from a Friday", "GC#@-7",
            "GC#@-7 type=28 root=GC exch=MTX cur=USD exp=2026-03-20 alt=GCH26");
        row("historical, future date", "CL#@20270101", "none");
        row("historical, no such root", "XX#@-30", "none");
        row("historical, no such day", "CL#@20260230", "none");
        row("stock option", "ACME 260417C150",
            "ACME 260417C150 type=15 root=ACME exch=QB cur=USD exp=2026-04-17");
        row("stock option, regional", "ACME 260619P150/EU",
            "ACME 260619P150/EU type=15 root=ACME exch=EU cur=USD exp=2026-06-19");
        row("stock option, decimal strike", "NRTH 260417P47.5",
            "NRTH 260417P47.5 type=15 root=NRTH exch=N cur=USD exp=2026-04-17");
        row("unknown", "NOPE", "none");
        row("unknown symbology", "ACME.QB", "none", 9);
    }

    void requiredSymbols()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, symbology);
        QFETCH(QString, expected);
        const std::optional<Instrument> instrument = m_store.instrument(text, symbology);
        QCOMPARE(summary(instrument), expected);
        QVERIFY(!instrument || (!instrument->description.isEmpty() && instrument->minTick > 0));
    }

    // Each code, of the three symbologies, is unique and names its instrument.
    void securityCodes()
    {
        QSet<QByteArray> codes;
        for (const Instrument &instrument : m_store.instruments()) {
            for (const auto &[symbology, code] : {std::pair(int(VmtSymbolRequest::Cusip), instrument.cusip),
                                                  std::pair(int(VmtSymbolRequest::Sedol), instrument.sedol),
                                                  std::pair(int(VmtSymbolRequest::Isin), instrument.isin)}) {
                if (code.isEmpty())
                    continue;
                QVERIFY2(!codes.contains(code), code.constData());
                codes.insert(code);
                QCOMPARE(m_store.instrument(code, symbology)->symbol, instrument.symbol);
            }
        }
        QVERIFY(codes.size() >= 20);
    }

    void instrumentsByPattern_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("continuous and historical") << "CL#*" << "CL# CL#@-30 CL#@20260115";
        QTest::newRow("user-defined spreads") << "=*" << "=ACME.QB-NRTH.N =CLZ27-CLH28";
        QTest::newRow("one character, any case") << "clh2?" << "CLH24 CLH25 CLH26 CLH27 CLH28";
        QTest::newRow("inner star") << "BND*Y" << "BND10Y BND2Y BND30Y";
        QTest::newRow("percent is literal") << "%" << "";
        QTest::newRow("underscore is literal") << "CLH2_" << "";
    }

    void instrumentsByPattern()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QByteArrayList symbols;
        for (const Instrument &instrument : m_store.instruments(pattern))
            symbols << instrument.symbol;
        QCOMPARE(QString::fromUtf8(symbols.join(' ')), expected);
    }

    void chainOrder_data()
    {
        QTest::addColumn<QByteArray>("underlying");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("outright");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("from");   // where slice starts; -1: wherever its first member is
        QTest::addColumn<QByteArray>("slice");
        const auto row = [](const char *name, const char *underlying, bool outright, int size, int from,
                            const char *slice, const QDate &day = QDate()) {
            QTest::newRow(name) << QByteArray(underlying) << day << outright << size << from
                                << QByteArray(slice);
        };
        const char *const contracts = "CLH26,CLJ26,CLK26,CLM26";
        row("continuous", "CL#", true, 28, 0, contracts);
        row("continuous with spreads", "CL#", false, 31, 0,
            "CLH26,CLH26-CLJ26,CLJ26,CLJ26-CLK26,CLK26,CLK26-CLM26,CLM26");
        row("root", "CL", true, 28, 0, contracts);
        row("earlier day", "GC#", true, 42, 0, "GCF25,GCG25,GCH25", QDate(2025, 1, 1));
        row("stock options", "ACME.QB", false, 236, 0,
            "ACME 260320C120,ACME 260320P120,ACME 260320C125,ACME 260320P125");
        row("regional options beside the others", "ACME.QB", false, 236, -1,
            "ACME 260320P140,ACME 260320C145,ACME 260320C145/EU,ACME 260320P145,ACME 260320P145/EU,"
            "ACME 260320C150");
        row("next expiration", "ACME.QB", false, 236, -1, "ACME 260320P185,ACME 260417C120");
        row("decimal strikes", "NRTH.N", false, 160, 0, "NRTH 260320C37.5,NRTH 260320P37.5,NRTH 260320C40");
        row("futures options", "CLJ26", false, 14, 0, "CLJ26 C60,CLJ26 P60,CLJ26 C65");
        row("contract without options", "CLZ27", false, 0, 0, "");
    }

    void chainOrder()
    {
        QFETCH(QByteArray, underlying);
        QFETCH(QDate, day);
        QFETCH(bool, outright);
        QFETCH(int, size);
        QFETCH(int, from);
        QFETCH(QByteArray, slice);
        const QByteArrayList members = m_store.chain(underlying, day, outright);
        QCOMPARE(members.size(), size);
        const QByteArrayList expected = slice.isEmpty() ? QByteArrayList() : slice.split(',');
        const int start = from >= 0 ? from : members.indexOf(expected.first());
        QVERIFY(start >= 0);
        QCOMPARE(members.mid(start, expected.size()), expected);
    }

    void history_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<DateTime>("from");
        QTest::addColumn<DateTime>("to");
        QTest::addColumn<int>("count");   // > 0: the last count bars up to to
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *symbol, const DateTime &from, const DateTime &to,
                            int count, const char *expected) {
            QTest::newRow(name) << QByteArray(symbol) << from << to << count << QString::fromUtf8(expected);
        };
        const QDate monday(2026, 3, 2);
        row("range", "ACME.QB", at(monday), endOf(monday.addDays(11)), 0, "10 20260302..20260313");
        row("range from within a day", "ACME.QB", at(monday, 12), endOf(monday.addDays(11)), 0,
            "9 20260303..20260313");
        row("open start", "EURUSD", NullTime, endOf(QDate(2016, 1, 8)), 0, "6 20160101..20160108");
        row("open end", "EURUSD", at(MadeOn.addDays(-1)), NullTime, 0, "2 20260319..20260320");
        row("last bars", "ACME.QB", NullTime, endOf(MadeOn), 5, "5 20260316..20260320");
        row("last bars to a Sunday", "ACME.QB", NullTime, endOf(MadeOn.addDays(2)), 5,
            "5 20260316..20260320");
        row("last bars up to now", "QIX", NullTime, NullTime, 2, "2 20260319..20260320");
        row("last bars near the first", "ACME.QB", NullTime, endOf(QDate(2016, 1, 5)), 5,
            "3 20160101..20160105");
        row("last bars of a contract", "CLZ27", NullTime, endOf(MadeOn), 3, "3 20260318..20260320");
        row("last bars of any historical contract", "CL#@20250704", NullTime, endOf(MadeOn), 2,
            "2 20260319..20260320");
        row("last bars of an expired contract", "CLG26", NullTime, endOf(MadeOn), 2, "2 20260219..20260220");
        row("expired option, days after", "ACME 260220P120", at(QDate(2026, 2, 21)), NullTime, 0, "0");
        row("option expiring today", "NRTH 260320C60", NullTime, endOf(MadeOn), 2, "2 20260319..20260320");
        row("unknown symbol", "NOPE", NullTime, endOf(MadeOn), 5, "0");
    }

    void history()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(DateTime, from);
        QFETCH(DateTime, to);
        QFETCH(int, count);
        QFETCH(QString, expected);
        QCOMPARE(span(count > 0 ? m_store.lastBars(symbol, to, count)
                                : m_store.bars(symbol, TimeRange{from, to})),
                 expected);
    }

    void optionsAcrossStrikes_data()
    {
        QTest::addColumn<QByteArray>("underlying");
        QTest::addColumn<QDate>("expiration");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("count");   // options of the expiration alive on day
        QTest::newRow("ACME Jun-26 today") << QByteArray("ACME.QB") << QDate(2026, 6, 19) << MadeOn << 34;
        QTest::newRow("ACME Jan-27 ten years back") << QByteArray("ACME.QB") << QDate(2027, 1, 15)
            << QDate(2016, 1, 4) << 28;
        QTest::newRow("ACME Mar-26 on its expiration") << QByteArray("ACME.QB") << MadeOn << MadeOn << 34;
        QTest::newRow("NRTH Apr-26") << QByteArray("NRTH.N") << QDate(2026, 4, 17) << QDate(2026, 2, 2) << 20;
        QTest::newRow("CLJ26 today") << QByteArray("CLJ26") << QDate(2026, 4, 17) << MadeOn << 14;
    }

    // On a day, the options of one expiration: calls never dearer and puts never cheaper as the
    // strike rises, call minus put equal to underlying minus strike (no interest) within rounding,
    // and a regional option priced as the plain one.
    void optionsAcrossStrikes()
    {
        QFETCH(QByteArray, underlying);
        QFETCH(QDate, expiration);
        QFETCH(QDate, day);
        QFETCH(int, count);
        static const QRegularExpression form(QStringLiteral("([CP])(\\d+(?:\\.\\d+)?)(/\\w+)?$"));
        const double spot = barOn(m_store, underlying, day).close;
        QVERIFY(spot > 0);
        QMap<QString, Bar> plain;   // by right and strike
        Bar previous[2];            // the last call and put, by strike
        int options = 0;
        for (const QByteArray &symbol : m_store.chain(underlying, day, false)) {
            const std::optional<Instrument> option = m_store.instrument(symbol, Vmt);
            QVERIFY(option);
            if (QDate(option->expirationYear, option->expirationMonth, option->expirationDay) != expiration)
                continue;
            ++options;
            const QRegularExpressionMatch match = form.match(QString::fromUtf8(symbol));
            const Bar bar = barOn(m_store, symbol, day);
            QVERIFY2(match.hasMatch() && bar.volume > 0, symbol.constData());
            const QString key = match.captured(1) + match.captured(2);
            if (!match.captured(3).isEmpty()) {
                QCOMPARE(prices(bar), prices(plain.value(key)));
                continue;
            }
            plain.insert(key, bar);
            const bool call = match.captured(1) == QLatin1String("C");
            Bar &last = previous[call ? 0 : 1];
            for (const auto field : {&Bar::open, &Bar::high, &Bar::low, &Bar::close}) {
                QVERIFY2(last.volume == 0 || (call ? bar.*field <= last.*field : bar.*field >= last.*field),
                         qPrintable(QStringLiteral("%1 %2 after %3").arg(QString::fromUtf8(symbol),
                                                                         prices(bar), prices(last))));
            }
            last = bar;
            const double parity = plain.value(QLatin1Char('C') + match.captured(2)).close - bar.close
                - (spot - match.captured(2).toDouble());
            QVERIFY2(call || std::abs(parity) <= 0.015, symbol.constData());
        }
        QCOMPARE(options, count);
    }

    void futuresCurve_data()
    {
        QTest::addColumn<QByteArray>("continuous");
        QTest::addColumn<QDate>("day");
        QTest::newRow("CL today, an expiration day") << QByteArray("CL#") << MadeOn;
        QTest::newRow("CL on the Dec-25 expiration") << QByteArray("CL#") << QDate(2025, 12, 19);
        QTest::newRow("CL the day after") << QByteArray("CL#") << QDate(2025, 12, 22);
        QTest::newRow("GC in 2025") << QByteArray("GC#") << QDate(2025, 8, 15);
    }

    // The contracts alive on a day: the first is the continuous symbol that day (its alternate
    // symbol on the store's day), each further month a little cheaper, within 2% of the one before.
    void futuresCurve()
    {
        QFETCH(QByteArray, continuous);
        QFETCH(QDate, day);
        const QList<QByteArray> contracts = m_store.chain(continuous, day, true);
        QVERIFY(contracts.size() >= 24);
        if (day == MadeOn)
            QCOMPARE(contracts.first(), m_store.instrument(continuous, Vmt)->alternateSymbol);
        QCOMPARE(prices(barOn(m_store, contracts.first(), day)), prices(barOn(m_store, continuous, day)));
        double previous = 0;
        for (const QByteArray &contract : contracts) {
            const double close = barOn(m_store, contract, day).close;
            QVERIFY2(close > 0 && (previous == 0 || (close <= previous && close >= previous * 0.98)),
                     qPrintable(QStringLiteral("%1 %2 after %3").arg(QString::fromUtf8(contract))
                                    .arg(close).arg(previous)));
            previous = close;
        }
    }

    void spreadLegs_data()
    {
        QTest::addColumn<QByteArray>("spread");
        QTest::addColumn<QDate>("day");
        QTest::newRow("futures spread today") << QByteArray("CLH26-CLJ26") << MadeOn;
        QTest::newRow("gold spread") << QByteArray("GCK26-GCM26") << QDate(2025, 1, 2);
        QTest::newRow("user-defined futures spread") << QByteArray("=CLZ27-CLH28") << QDate(2024, 7, 1);
        QTest::newRow("user-defined stock spread") << QByteArray("=ACME.QB-NRTH.N") << MadeOn;
    }

    // A spread opens and closes at the difference of its legs and stays within what they span.
    void spreadLegs()
    {
        QFETCH(QByteArray, spread);
        QFETCH(QDate, day);
        const QByteArrayList legs = spread.mid(spread.startsWith('=') ? 1 : 0).split('-');
        const Bar bar = barOn(m_store, spread, day);
        const Bar a = barOn(m_store, legs.at(0), day);
        const Bar b = barOn(m_store, legs.at(1), day);
        QVERIFY(bar.volume > 0 && a.volume > 0 && b.volume > 0);
        QCOMPARE(cents(bar.open), cents(a.open) - cents(b.open));
        QCOMPARE(cents(bar.close), cents(a.close) - cents(b.close));
        QVERIFY(cents(bar.high) <= cents(a.high) - cents(b.low));
        QVERIFY(cents(bar.low) >= cents(a.low) - cents(b.high));
    }

    void headlineFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no filter") << "" << QByteArray("t5 t4 t3 t2 t1");
        QTest::newRow("symbol") << "symbols=ACME.QB" << QByteArray("t2 t1");
        QTest::newRow("any of the symbols") << "symbols=EURUSD,GC#" << QByteArray("t5 t4");
        QTest::newRow("service, any case") << "service=FxWatch" << QByteArray("t4 t3");
        QTest::newRow("any of the categories, any case") << "categories=metals,Earnings"
                                                         << QByteArray("t5 t1");
        QTest::newRow("keyword inside words") << "keywords=rate" << QByteArray("t4 t3");
        QTest::newRow("keyword, whole word") << "keywords=rate whole" << QByteArray("t4");
        QTest::newRow("keyword, case") << "keywords=rate case" << QByteArray("t3");
        QTest::newRow("keyword, whole word and case") << "keywords=RATE whole case" << QByteArray("t4");
        QTest::newRow("whole word at the end") << "keywords=toils whole" << QByteArray("t5");
        QTest::newRow("all keywords") << "keywords=acme,outlook" << QByteArray("t1");
        QTest::newRow("any keyword") << "keywords=acme,gold or" << QByteArray("t5 t2 t1");
        QTest::newRow("empty keyword ignored") << "keywords=,gold" << QByteArray("t5");
        QTest::newRow("symbol and service") << "symbols=ACME.QB service=NEWSDESK" << QByteArray("t2");
        QTest::newRow("history limit") << "limit=2" << QByteArray("t5 t4");
        QTest::newRow("limit after the filter") << "symbols=ACME.QB limit=1" << QByteArray("t2");
        QTest::newRow("interval") << "from=3" << QByteArray("t5 t4");
    }

    void headlineFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QByteArray, expected);
        int fromMinute = 0;
        uint limit = 0;
        const HeadlineFilterParameters parameters = parseFilter(filter, &fromMinute, &limit);
        const QDate day(2001, 1, 1);
        const TimeRange interval{at(day, 10, fromMinute), endOf(day)};
        QByteArrayList ids;
        for (const Headline &headline : m_store.headlines(parameters, interval, limit))
            ids << headline.storyId;
        QCOMPARE(ids.join(' '), expected);
    }

    // The generated news of the 60 days before the store's day: enough of them, newest first,
    // from every source and the main categories, some about two symbols, with stories in the
    // three formats.
    void generatedNews()
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

    void brokenStoreSetAside_data()
    {
        QTest::addColumn<int>("version");   // < 0: not an SQLite file but text
        QTest::newRow("garbage") << -1;
        QTest::newRow("other schema version") << 99;
        QTest::newRow("no meta data") << int(MarketStore::SchemaVersion);
    }

    // The unusable file is renamed aside whole, a warning names it, and a sound store replaces it.
    void brokenStoreSetAside()
    {
        QFETCH(int, version);
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("market.sqlite"));
        QFile file(fileName);
        if (version < 0) {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("not a database\n").repeated(300));
            file.close();
        } else {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
                db.setDatabaseName(fileName);
                QVERIFY(db.open());
                QSqlQuery(db).exec(QStringLiteral("CREATE TABLE user (name TEXT)"));
                QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
            }
            QSqlDatabase::removeDatabase(QStringLiteral("old"));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
            "market.sqlite\" is unusable .*renamed to \".*market.sqlite.broken-\\d{8}-\\d{6}\"")));
        MarketStore store;
        QVERIFY2(store.open(dir.path(), Seed, utc(MadeOn, 12)), qPrintable(store.errorString()));
        const QStringList aside = QDir(dir.path()).entryList({"market.sqlite.broken-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile kept(dir.filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        QVERIFY(store.instrument("ACME.QB", Vmt));
        QCOMPARE(store.counts().lastBar, MadeOn);
    }

    void unusableFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("folder below a file") << "below-file";
        QTest::newRow("system folder") << "system";   // the read-only case when run as root
    }

    // open() fails with a message naming the folder, and leaves nothing behind.
    void unusableFolder()
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

    // A store made a month before, across an expiration, is extended on open: its bars (base
    // ones and those kept from a request) reach the day, equal to those of a store made that day;
    // contracts are listed further ahead, expired flags and front contracts follow the day; news
    // reaches the time.
    void extensionForward()
    {
        const QDate madeOn = MadeOn.addDays(-30);
        const QList<QByteArray> derived{"CLZ27", "CLJ26-CLK26", "ACME 260417C150", "=ACME.QB-NRTH.N"};
        QTemporaryDir old;
        QTemporaryDir fresh;
        makeStore(old.path(), Seed, madeOn);
        makeStore(fresh.path(), Seed, MadeOn);
        {
            MarketStore store;
            QVERIFY(store.open(old.path(), Seed, utc(madeOn, 12)));
            for (const QByteArray &symbol : derived)
                QCOMPARE(store.lastBars(symbol, NullTime, 1).size(), 1);
            QVERIFY(!store.instrument("CLG26", Vmt)->expired);
        }
        MarketStore store;
        MarketStore reference;
        QVERIFY(store.open(old.path(), Seed, utc(MadeOn, 12)));
        QVERIFY(reference.open(fresh.path(), Seed, utc(MadeOn, 12)));
        QCOMPARE(store.today(), MadeOn);
        QCOMPARE(store.counts().lastBar, MadeOn);
        QCOMPARE(store.counts().madeOn, madeOn);
        for (const QByteArray &symbol : QList<QByteArray>{"ACME.QB", "EURUSD", "CL#"} + derived) {
            QVERIFY2(sameBars(store.bars(symbol, TimeRange{}), reference.bars(symbol, TimeRange{}), true),
                     symbol.constData());
        }
        QCOMPARE(summary(store.instrument("GCM28", Vmt)),
                 "GCM28 type=3 root=GC exch=MTX cur=USD exp=2028-06-16");
        QVERIFY(store.instrument("CLG26", Vmt)->expired);
        QCOMPARE(store.instrument("CL#", Vmt)->alternateSymbol, QByteArray("CLH26"));
        const HeadlineFilterParameters all;
        QVERIFY(!store.headlines(all, TimeRange{at(MadeOn.addDays(-1)), at(MadeOn, 12)}, 0).isEmpty());
        QVERIFY(store.headlines(all, TimeRange{at(MadeOn, 12, 1), NullTime}, 0).isEmpty());
    }

    // Two stores opening the same empty folder at once both end up with the one store made.
    void concurrentCreation()
    {
        QTemporaryDir dir;
        QSemaphore go;
        QString errors[2];
        MarketStore::Counts counts[2];
        const auto open = [&](int i) {
            go.acquire();
            MarketStore store;
            if (!store.open(dir.path(), Seed, utc(MadeOn, 12)))
                errors[i] = store.errorString() + QLatin1Char('\n');
            counts[i] = store.counts();
        };
        const std::unique_ptr<QThread> threads[] = {std::unique_ptr<QThread>(QThread::create(open, 0)),
                                                    std::unique_ptr<QThread>(QThread::create(open, 1))};
        for (const auto &thread : threads)
            thread->start();
        go.release(2);
        QVERIFY(threads[0]->wait(60000) && threads[1]->wait(60000));
        QCOMPARE(errors[0] + errors[1], QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"market.sqlite"});
        QVERIFY(counts[0].instruments > 0);
        QCOMPARE(std::tie(counts[0].instruments, counts[0].bars, counts[0].headlines),
                 std::tie(counts[1].instruments, counts[1].bars, counts[1].headlines));
    }

    void replaceBars_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<QString>("bars");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const char *symbol, const char *bars, const char *error) {
            QTest::newRow(name) << QByteArray(symbol) << QString::fromUtf8(bars) << QString::fromUtf8(error);
        };
        const char *const two = "20260316:10,11,9,10.5,100;20260317:10.5,12,10,11,200";
        row("replaced", "GLBX", two, "");
        row("bars of a derived instrument", "CLZ27", two, "");
        row("unknown symbol", "NOPE", two, "unknown symbol \"NOPE\"");
        row("not listed", "CL#@20250704", two, "unknown symbol \"CL#@20250704\"");
        row("no bars", "GLBX", "", "there are no bars");
        row("days out of order", "GLBX", "20260317:10,11,9,10.5,100;20260316:10.5,12,10,11,200",
            "bar 2: the days are not in ascending order");
        row("same day twice", "GLBX", "20260316:10,11,9,10.5,100;20260316:10.5,12,10,11,200",
            "bar 2: the days are not in ascending order");
        row("low above open", "GLBX", "20260316:10,11,10.2,10.5,100",
            "bar 1: low, open, close and high are out of order");
    }

    // Replaced bars are read back and extended from; refused ones leave the old bars.
    void replaceBars()
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
            QCOMPARE(span(after), span(before));
            return;
        }
        QCOMPARE(span(after), span(replacement));
        QCOMPARE(after.last().close, replacement.last().close);
        QVERIFY(store.extendTo(utc(MadeOn, 12)));
        QCOMPARE(span(store.bars(symbol, TimeRange{})),
                 QStringLiteral("%1 20260316..20260320").arg(replacement.size() + 3));
    }

private:
    QTemporaryDir m_dir;
    MarketStore m_store;
};

QTEST_GUILESS_MAIN(tst_MarketStore)
#include "tst_marketstore.moc"
