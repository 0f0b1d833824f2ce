#include <formatter.h>

#include <QtTest>

#include <limits>

using Common::RecordData;

namespace {

// How a conversion row is checked: format(value) gives text, parse(text) gives value, or both;
// with system formatting the text depends on the machine's locale, so only parse(format(value))
// giving value back is checked.
enum Direction { Both, FormatOnly, ParseOnly, SystemRoundTrip };

// A formatter name with the formatter's settings and the symbol record's tick and currency; a
// tick of 0 and an empty currency stay unset in the record.
struct Setup
{
    Setup(const QString &name = QString(), double tick = 0, const QString &currency = QString(),
          const QString &decimal = QStringLiteral("."), const QByteArray &zone = "UTC", const QString &sign = QString())
        : name(name), tick(tick), currency(currency), decimal(decimal), zone(zone), sign(sign) {}

    QString name;
    double tick;
    QString currency;
    QString decimal;
    QByteArray zone;
    QString sign;
};

// A value as "kind:content", so that failures show both sides.
QString describe(const RecordData &value)
{
    if (!value.isValid())
        return QStringLiteral("invalid");
    if (value.type() == RecordData::Double)
        return QLatin1String("double:") + QString::number(value.toDouble(), 'g', 17);
    if (value.type() == RecordData::UInt64)
        return QLatin1String("uint64:") + QString::number(value.toUInt64());
    return QStringLiteral("type %1").arg(value.type());
}

RecordData invalid(quint8 type)
{
    RecordData data(type, 0);
    data.setValid(false);
    return data;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class tst_Formatter : public QObject
{
    Q_OBJECT

private slots:
    void formatIds_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");

        const QStringList names = {"text", "price", "volume", "date", "time", "currency", "time-from-datetime",
                                   "exchangedate", "percent"};
        for (int id = 0; id < names.size(); ++id)
            QTest::newRow(qPrintable(names.at(id))) << id << names.at(id);
        QTest::newRow("id before the table") << -1 << QString();
        QTest::newRow("id past the table") << int(names.size()) << QString();
    }

    // Each name has its id and back; an empty name (and any other) has -1.
    void formatIds()
    {
        QFETCH(int, id);
        QFETCH(QString, name);

        QCOMPARE(FeedApi::Formatter::formatterNameById(id), name);
        QCOMPARE(FeedApi::Formatter::formatId(name), name.isEmpty() ? -1 : id);
        QCOMPARE(FeedApi::Formatter::formatId(name.toUpper()), -1);
    }

    void convert_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<RecordData>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("direction");

        const auto rows = [](Direction direction) {
            return [direction](const char *title, const Setup &setup, const RecordData &value, const char *text) {
                QTest::newRow(title) << setup << value << QString::fromUtf8(text) << int(direction);
            };
        };
        const auto both = rows(Both), formats = rows(FormatOnly), parses = rows(ParseOnly);
        const auto system = rows(SystemRoundTrip);
        const auto dbl = &RecordData::fromDouble;
        const auto u64 = &RecordData::fromUInt64;
        const quint8 dblType = RecordData::Double, u64Type = RecordData::UInt64;
        const QByteArray ny = "America/New_York", tokyo = "Asia/Tokyo", berlin = "Europe/Berlin";
        const quint64 tradeStamp = 20240131093015250ULL;    // 2024-01-31 09:30:15.250 UTC

        both("price tick 0.01", {"price", 0.01, "USD"}, dbl(102.5), "102.50");
        both("price tick 0.0001, comma", {"price", 0.0001, "USD", ","}, dbl(1.0852), "1,0852");
        both("price tick 1/32", {"price", 1.0 / 32, "USD"}, dbl(110.15625), "110.15625");
        both("price negative", {"price", 0.05, "USD"}, dbl(-0.75), "-0.75");
        both("price without grouping, comma", {"price", 0.01, "EUR", ","}, dbl(1234.5), "1234,50");
        both("price no tick: currency digits", {"price", 0, "JPY"}, dbl(15230), "15230");
        formats("price rounds to the tick's digits", {"price", 0.01, "USD"}, dbl(2.4567), "2.46");
        formats("price negative zero", {"price", 0.01, "USD"}, dbl(-0.001), "0.00");
        formats("price no tick, no currency", {"price"}, dbl(3.14159), "3.14");
        formats("price NaN", {"price", 0.01, "USD"}, dbl(std::numeric_limits<double>::quiet_NaN()), "");
        formats("price without valid flag", {"price", 0.01, "USD"}, invalid(dblType), "");
        parses("price blanks", {"price", 0.01, "USD"}, dbl(-0.75), " -0.75 ");
        parses("price point under comma", {"price", 0.01, "EUR", ","}, invalid(dblType), "1.5");
        parses("price grouped", {"price", 0.01, "USD"}, invalid(dblType), "1,234.50");
        parses("price exponent", {"price", 0.01, "USD"}, invalid(dblType), "1e5");
        parses("price inf", {"price", 0.01, "USD"}, invalid(dblType), "inf");
        parses("price empty", {"price", 0.01, "USD"}, invalid(dblType), "");
        system("price system", {"price", 0.01, "USD"}, dbl(99.99), "");

        both("volume grouped", {"volume"}, u64(1234567), "1,234,567");
        both("volume grouped, comma", {"volume", 0, "", ","}, u64(1234567), "1.234.567");
        both("volume 1000", {"volume"}, u64(1000), "1,000");
        both("volume largest", {"volume"}, u64(std::numeric_limits<quint64>::max()), "18,446,744,073,709,551,615");
        formats("volume int64 negative", {"volume"}, RecordData::fromInt64(-1234), "-1,234");
        parses("volume overflow", {"volume"}, invalid(u64Type), "18446744073709551616");
        parses("volume negative", {"volume"}, invalid(u64Type), "-5");
        parses("volume bad groups", {"volume"}, invalid(u64Type), "1,23,4");
        parses("volume group of four", {"volume"}, invalid(u64Type), "12,3456");
        parses("volume fraction", {"volume"}, invalid(u64Type), "1.5");
        system("volume system", {"volume"}, u64(987654321), "");

        both("date ignores the zone", {"date", 0, "", ".", tokyo}, u64(20240131000000000ULL), "2024-01-31");
        both("date year 9999", {"date"}, u64(99991231000000000ULL), "9999-12-31");
        formats("date drops the time, the zone's day too", {"date", 0, "", ".", tokyo},
                u64(20240131230000000ULL), "2024-01-31");
        formats("date year 10000", {"date"}, u64(100000101000000000ULL), "");
        formats("date null", {"date"}, u64(0), "");
        formats("date month 13", {"date"}, u64(20241331000000000ULL), "");
        parses("date February 30", {"date"}, invalid(u64Type), "2024-02-30");
        parses("date other order", {"date"}, invalid(u64Type), "31/01/2024");
        parses("date with time", {"date"}, invalid(u64Type), "2024-01-31 09:30:15");
        system("date system", {"date"}, u64(20240131000000000ULL), "");

        both("time UTC", {"time"}, u64(tradeStamp), "2024-01-31 09:30:15.250");
        both("time New York winter", {"time", 0, "", ".", ny}, u64(tradeStamp), "2024-01-31 04:30:15.250");
        both("time first summer hour", {"time", 0, "", ".", ny}, u64(20240310070000000ULL), "2024-03-10 03:00:00");
        both("time repeated hour, second", {"time", 0, "", ".", ny}, u64(20241103063000000ULL), "2024-11-03 01:30:00");
        both("time Berlin, no milliseconds", {"time", 0, "", ".", berlin}, u64(20240131093015000ULL),
             "2024-01-31 10:30:15");
        both("time previous day", {"time", 0, "", ".", "America/Los_Angeles"}, u64(20240101013000000ULL),
             "2023-12-31 17:30:00");
        formats("time shown past year 9999", {"time", 0, "", ".", tokyo}, u64(99991231230000000ULL), "");
        formats("time unknown zone, shown", {"time", 0, "", ".", "Mars/Olympus"}, u64(tradeStamp), "");
        formats("time 25 o'clock", {"time"}, u64(20240131250000000ULL), "");
        parses("time without time", {"time"}, invalid(u64Type), "2024-01-31");
        parses("time hour 25", {"time"}, invalid(u64Type), "2024-01-31 25:00:00");
        parses("time unknown zone, read", {"time", 0, "", ".", "Mars/Olympus"}, invalid(u64Type), "2024-01-31 09:30:15");
        system("time system", {"time", 0, "", ".", berlin}, u64(tradeStamp), "");

        formats("currency sign", {"currency", 0.01, "USD", ".", "UTC", "$"}, dbl(1234.5), "$1,234.50");
        formats("currency sign negative", {"currency", 0.01, "USD", ".", "UTC", "$"}, dbl(-12.5), "-$12.50");
        formats("currency code, comma", {"currency", 0.01, "EUR", ","}, dbl(1234.5), "1.234,50 EUR");
        formats("currency code ignores the tick", {"currency", 0.0001, "USD"}, dbl(0.5), "0.50 USD");
    }

    void convert()
    {
        QFETCH(Setup, setup);
        QFETCH(RecordData, value);
        QFETCH(QString, text);
        QFETCH(int, direction);

        FeedApi::Formatter formatter;
        formatter.setDecimalSymbol(setup.decimal);
        formatter.setTimeZoneId(setup.zone);
        formatter.setCustomOption(QStringLiteral("currencySign"), setup.sign);
        formatter.setUseSystemFormatting(direction == SystemRoundTrip);
        Common::SymbolRecord record;
        if (setup.tick > 0)
            record.setValue(Common::SymbolRecord::MinTick, RecordData::fromDouble(setup.tick));
        if (!setup.currency.isEmpty())
            record.setValue(Common::SymbolRecord::Currency, RecordData::fromByteString(setup.currency.toUtf8()));
        const Common::Field field(value.type(), FeedApi::Formatter::formatId(setup.name));

        const QString shown = direction == ParseOnly ? text : formatter.format(record, field, value);
        if (direction == SystemRoundTrip)
            QVERIFY(!shown.isEmpty());
        else
            QCOMPARE(shown, text);
        if (direction != FormatOnly)
            QCOMPARE(describe(formatter.parse(record, field, shown)), describe(value));
    }
};

QTEST_MAIN(tst_Formatter)
#include "tst_formatter.moc"
