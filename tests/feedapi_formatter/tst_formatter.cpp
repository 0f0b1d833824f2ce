#include "testsupport.h"

#include <application.h>
#include <formatter.h>
#include <preferences.h>
#include <settings.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <limits>

using Common::RecordData;

namespace {

// A symbol record with the columns formats read; a tick of 0 and an empty currency stay unset.
Common::SymbolRecord record(double tick, const QString &currency)
{
    Common::SymbolRecord record;
    if (tick > 0)
        record.setValue(Common::SymbolRecord::MinTick, RecordData::fromDouble(tick));
    if (!currency.isEmpty())
        record.setValue(Common::SymbolRecord::Currency, RecordData::fromByteString(currency.toUtf8()));
    return record;
}

FeedApi::Formatter formatter(const QString &decimal, const QByteArray &zone, const QString &sign)
{
    FeedApi::Formatter formatter;
    formatter.setDecimalSymbol(decimal);
    formatter.setTimeZoneId(zone);
    formatter.setCustomOption(QStringLiteral("currencySign"), sign);
    return formatter;
}

// A value as "kind:content", so that failures show both sides.
QString describe(const RecordData &value)
{
    if (!value.isValid())
        return QStringLiteral("invalid");
    switch (value.type()) {
    case RecordData::Double:
        return QLatin1String("double:") + QString::number(value.toDouble(), 'g', 17);
    case RecordData::UInt64:
        return QLatin1String("uint64:") + QString::number(value.toUInt64());
    case RecordData::Int64:
        return QLatin1String("int64:") + QString::number(value.toInt64());
    case RecordData::Int32:
        return QLatin1String("int32:") + QString::number(value.toInt32());
    case RecordData::String:
        return QLatin1String("string:") + value.toString();
    case RecordData::ByteString:
        return QLatin1String("bytes:") + value.toString();
    default:
        return QLatin1String("type ") + QString::number(value.type());
    }
}

RecordData invalidDouble(double value)
{
    RecordData data = RecordData::fromDouble(value);
    data.setValid(false);
    return data;
}

const quint64 TradeStamp = 20240131093015250ULL;    // 2024-01-31 09:30:15.250 UTC

} // namespace

class tst_Formatter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formatIds_data();
    void formatIds();
    void format_data();
    void format();
    void parse_data();
    void parse();
    void roundTrip_data();
    void roundTrip();
    void preferencesChange_data();
    void preferencesChange();
    void preferencesStoredValue_data();
    void preferencesStoredValue();

private:
    QTemporaryDir m_dataDir;
};

void tst_Formatter::initTestCase()
{
    QVERIFY(m_dataDir.isValid());
    Application::instance()->setAppDataPath(m_dataDir.path());
}

void tst_Formatter::formatIds_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");

    const QStringList names = {"text", "price", "volume", "date", "time", "currency",
                               "time-from-datetime", "exchangedate", "percent"};
    for (int id = 0; id < names.size(); ++id)
        QTest::newRow(qPrintable(names.at(id))) << id << names.at(id);
    QTest::newRow("id before the table") << -1 << QString();
    QTest::newRow("id past the table") << int(names.size()) << QString();
}

// Each name has its id and back; an empty name (and any other) has -1.
void tst_Formatter::formatIds()
{
    QFETCH(int, id);
    QFETCH(QString, name);

    QCOMPARE(FeedApi::Formatter::formatterNameById(id), name);
    QCOMPARE(FeedApi::Formatter::formatId(name), name.isEmpty() ? -1 : id);
    QCOMPARE(FeedApi::Formatter::formatId(name.toUpper()), -1);
}

namespace {

// Columns of the format and parse tables: the name, the record's tick and currency, and the
// formatter's decimal symbol, time zone and currency sign.
void addSettingColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("tick");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("sign");
}

} // namespace

void tst_Formatter::format_data()
{
    addSettingColumns();
    QTest::addColumn<RecordData>("value");
    QTest::addColumn<QString>("text");

    const QString none;
    const QByteArray utc = "UTC";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto row = [&](const char *title, const char *name, double tick, const QString &currency,
                   const char *decimal, const QByteArray &zone, const QString &sign,
                   const RecordData &value, const char *text) {
        QTest::newRow(title) << QString::fromLatin1(name) << tick << currency
                             << QString::fromLatin1(decimal) << zone << sign << value
                             << QString::fromUtf8(text);
    };

    row("price tick 0.01", "price", 0.01, "USD", ".", utc, none, RecordData::fromDouble(102.5), "102.50");
    row("price tick 0.25", "price", 0.25, "USD", ".", utc, none, RecordData::fromDouble(4.75), "4.75");
    row("price tick 0.0001", "price", 0.0001, "USD", ".", utc, none, RecordData::fromDouble(1.0852), "1.0852");
    row("price tick 1/32", "price", 1.0 / 32, "USD", ".", utc, none, RecordData::fromDouble(110.15625), "110.15625");
    row("price rounds to the tick's digits", "price", 0.01, "USD", ".", utc, none, RecordData::fromDouble(2.4567), "2.46");
    row("price without grouping, comma", "price", 0.01, "EUR", ",", utc, none, RecordData::fromDouble(1234.5), "1234,50");
    row("price negative spread", "price", 0.05, "USD", ".", utc, none, RecordData::fromDouble(-0.75), "-0.75");
    row("price negative zero", "price", 0.01, "USD", ".", utc, none, RecordData::fromDouble(-0.001), "0.00");
    row("price no tick: currency digits", "price", 0, "JPY", ".", utc, none, RecordData::fromDouble(15230), "15230");
    row("price no tick, no currency", "price", 0, none, ".", utc, none, RecordData::fromDouble(3.14159), "3.14");
    row("price of an integer", "price", 0.5, "USD", ".", utc, none, RecordData::fromInt64(7), "7.0");
    row("price of text", "price", 0.01, "USD", ".", utc, none, RecordData::fromString("1.5"), "");
    row("price NaN", "price", 0.01, "USD", ".", utc, none, RecordData::fromDouble(nan), "");
    row("price without valid flag", "price", 0.01, "USD", ".", utc, none, invalidDouble(1.5), "");
    row("volume grouped", "volume", 0, none, ".", utc, none, RecordData::fromUInt64(1234567), "1,234,567");
    row("volume grouped, comma", "volume", 0, none, ",", utc, none, RecordData::fromUInt64(1234567), "1.234.567");
    row("volume 1000", "volume", 0, none, ".", utc, none, RecordData::fromUInt64(1000), "1,000");
    row("volume largest", "volume", 0, none, ".", utc, none,
        RecordData::fromUInt64(std::numeric_limits<quint64>::max()), "18,446,744,073,709,551,615");
    row("volume int64 negative", "volume", 0, none, ".", utc, none, RecordData::fromInt64(-1234), "-1,234");
    row("volume int32", "volume", 0, none, ".", utc, none, RecordData::fromInt32(65000), "65,000");
    row("volume double truncated", "volume", 0, none, ".", utc, none, RecordData::fromDouble(1234.9), "1,234");
    row("date", "date", 0, none, ".", utc, none, RecordData::fromUInt64(TradeStamp), "2024-01-31");
    row("date ignores the zone", "date", 0, none, ".", "Asia/Tokyo", none,
        RecordData::fromUInt64(20240131230000000ULL), "2024-01-31");
    row("date year 9999", "date", 0, none, ".", utc, none, RecordData::fromUInt64(99991231000000000ULL), "9999-12-31");
    row("date year 10000", "date", 0, none, ".", utc, none, RecordData::fromUInt64(100000101000000000ULL), "");
    row("date null", "date", 0, none, ".", utc, none, RecordData::fromUInt64(0), "");
    row("date month 13", "date", 0, none, ".", utc, none, RecordData::fromUInt64(20241331000000000ULL), "");
    row("date negative", "date", 0, none, ".", utc, none, RecordData::fromInt64(-20240131000000000LL), "");
    row("date of a double", "date", 0, none, ".", utc, none, RecordData::fromDouble(20240131), "");
    row("exchangedate", "exchangedate", 0, none, ".", "America/New_York", none, RecordData::fromUInt64(TradeStamp), "2024-01-31");
    row("time UTC", "time", 0, none, ".", utc, none, RecordData::fromUInt64(TradeStamp), "2024-01-31 09:30:15.250");
    row("time New York winter", "time", 0, none, ".", "America/New_York", none,
        RecordData::fromUInt64(TradeStamp), "2024-01-31 04:30:15.250");
    row("time New York summer", "time", 0, none, ".", "America/New_York", none,
        RecordData::fromUInt64(20240701120000000ULL), "2024-07-01 08:00:00");
    row("time Berlin, no milliseconds", "time", 0, none, ".", "Europe/Berlin", none,
        RecordData::fromUInt64(20240131093015000ULL), "2024-01-31 10:30:15");
    row("time previous day", "time", 0, none, ".", "America/Los_Angeles", none,
        RecordData::fromUInt64(20240101013000000ULL), "2023-12-31 17:30:00");
    row("time repeated hour, second", "time", 0, none, ".", "America/New_York", none,
        RecordData::fromUInt64(20241103063000000ULL), "2024-11-03 01:30:00");
    row("time shown past year 9999", "time", 0, none, ".", "Asia/Tokyo", none,
        RecordData::fromUInt64(99991231230000000ULL), "");
    row("time unknown zone", "time", 0, none, ".", "Mars/Olympus", none, RecordData::fromUInt64(TradeStamp), "");
    row("time 25 o'clock", "time", 0, none, ".", utc, none, RecordData::fromUInt64(20240131250000000ULL), "");
    row("time-from-datetime in zone", "time-from-datetime", 0, none, ".", "Europe/Berlin", none,
        RecordData::fromUInt64(TradeStamp), "10:30:15.250");
    row("time-from-datetime time only", "time-from-datetime", 0, none, ".", "Europe/Berlin", none,
        RecordData::fromUInt64(93015000), "09:30:15");
    row("currency sign", "currency", 0.01, "USD", ".", utc, "$", RecordData::fromDouble(1234.5), "$1,234.50");
    row("currency sign negative", "currency", 0.01, "USD", ".", utc, "$", RecordData::fromDouble(-12.5), "-$12.50");
    row("currency code, comma", "currency", 0.01, "EUR", ",", utc, none, RecordData::fromDouble(1234.5), "1.234,50 EUR");
    row("currency code ignores the tick", "currency", 0.0001, "USD", ".", utc, none, RecordData::fromDouble(0.5), "0.50 USD");
    row("percent", "percent", 0, none, ".", utc, none, RecordData::fromDouble(1.5), "1.50%");
    row("percent negative, comma", "percent", 0, none, ",", utc, none, RecordData::fromDouble(-0.25), "-0,25%");
    row("text string", "text", 0, none, ".", utc, none, RecordData::fromString("Acme Corp \u00e9"), "Acme Corp \u00e9");
    row("text int32", "text", 0, none, ".", utc, none, RecordData::fromInt32(-42), "-42");
    row("text double", "text", 0, none, ".", utc, none, RecordData::fromDouble(0.1), "0.1");
    row("unknown name", "bogus", 0.01, "USD", ".", utc, none, RecordData::fromDouble(1), "");
}

void tst_Formatter::format()
{
    QFETCH(QString, name);
    QFETCH(double, tick);
    QFETCH(QString, currency);
    QFETCH(QString, decimal);
    QFETCH(QByteArray, zone);
    QFETCH(QString, sign);
    QFETCH(RecordData, value);
    QFETCH(QString, text);

    const Common::Field field(value.type(), FeedApi::Formatter::formatId(name));
    QCOMPARE(formatter(decimal, zone, sign).format(record(tick, currency), field, value), text);
}

void tst_Formatter::parse_data()
{
    addSettingColumns();
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");

    const QString none;
    const QByteArray utc = "UTC";
    auto row = [&](const char *title, const char *name, double tick, const QString &currency,
                   const char *decimal, const QByteArray &zone, const QString &sign, int type,
                   const char *text, const char *value) {
        QTest::newRow(title) << QString::fromLatin1(name) << tick << currency
                             << QString::fromLatin1(decimal) << zone << sign << type
                             << QString::fromUtf8(text) << QString::fromLatin1(value);
    };
    const int dbl = RecordData::Double;
    const int u64 = RecordData::UInt64;
    const int i64 = RecordData::Int64;

    row("price", "price", 0.01, "USD", ".", utc, none, dbl, "102.50", "double:102.5");
    row("price blanks and sign", "price", 0.01, "USD", ".", utc, none, dbl, " -0.75 ", "double:-0.75");
    row("price comma", "price", 0.01, "EUR", ",", utc, none, dbl, "1,5", "double:1.5");
    row("price point under comma", "price", 0.01, "EUR", ",", utc, none, dbl, "1.5", "invalid");
    row("price grouped", "price", 0.01, "USD", ".", utc, none, dbl, "1,234.50", "invalid");
    row("price exponent", "price", 0.01, "USD", ".", utc, none, dbl, "1e5", "invalid");
    row("price inf", "price", 0.01, "USD", ".", utc, none, dbl, "inf", "invalid");
    row("price empty", "price", 0.01, "USD", ".", utc, none, dbl, "", "invalid");
    row("price into an integer field", "price", 0.01, "USD", ".", utc, none, u64, "1.5", "invalid");
    row("price field without kind", "price", 0.01, "USD", ".", utc, none, RecordData::Undefined, "1.5", "double:1.5");
    row("volume grouped", "volume", 0, none, ".", utc, none, u64, "1,234,567", "uint64:1234567");
    row("volume grouped, comma", "volume", 0, none, ",", utc, none, u64, "1.234.567", "uint64:1234567");
    row("volume largest", "volume", 0, none, ".", utc, none, u64, "18,446,744,073,709,551,615", "uint64:18446744073709551615");
    row("volume overflow", "volume", 0, none, ".", utc, none, u64, "18446744073709551616", "invalid");
    row("volume negative unsigned", "volume", 0, none, ".", utc, none, u64, "-5", "invalid");
    row("volume negative int64", "volume", 0, none, ".", utc, none, i64, "-1,234", "int64:-1234");
    row("volume int32 overflow", "volume", 0, none, ".", utc, none, RecordData::Int32, "3,000,000,000", "invalid");
    row("volume bad groups", "volume", 0, none, ".", utc, none, u64, "1,23,4", "invalid");
    row("volume group of four", "volume", 0, none, ".", utc, none, u64, "12,3456", "invalid");
    row("volume fraction", "volume", 0, none, ".", utc, none, u64, "1.5", "invalid");
    row("date", "date", 0, none, ".", utc, none, u64, "2024-01-31", "uint64:20240131000000000");
    row("date int64", "date", 0, none, ".", utc, none, i64, "2024-01-31", "int64:20240131000000000");
    row("date ignores the zone", "date", 0, none, ".", "Asia/Tokyo", none, u64, "2024-01-31", "uint64:20240131000000000");
    row("date February 30", "date", 0, none, ".", utc, none, u64, "2024-02-30", "invalid");
    row("date other order", "date", 0, none, ".", utc, none, u64, "31/01/2024", "invalid");
    row("date with time", "date", 0, none, ".", utc, none, u64, "2024-01-31 09:30:15", "invalid");
    row("date into a double field", "date", 0, none, ".", utc, none, dbl, "2024-01-31", "invalid");
    row("time New York", "time", 0, none, ".", "America/New_York", none, u64,
        "2024-01-31 04:30:15.250", "uint64:20240131093015250");
    row("time UTC, no milliseconds", "time", 0, none, ".", utc, none, u64, "2024-01-31 09:30:15", "uint64:20240131093015000");
    row("time Tokyo, previous UTC day", "time", 0, none, ".", "Asia/Tokyo", none, u64,
        "2024-01-31 08:00:00", "uint64:20240130230000000");
    row("time without time", "time", 0, none, ".", utc, none, u64, "2024-01-31", "invalid");
    row("time hour 25", "time", 0, none, ".", utc, none, u64, "2024-01-31 25:00:00", "invalid");
    row("time unknown zone", "time", 0, none, ".", "Mars/Olympus", none, u64, "2024-01-31 09:30:15", "invalid");
    row("time-from-datetime", "time-from-datetime", 0, none, ".", "Europe/Berlin", none, u64, "09:30:15", "uint64:93015000");
    row("time-from-datetime bad", "time-from-datetime", 0, none, ".", utc, none, u64, "9h30", "invalid");
    row("currency sign", "currency", 0.01, "USD", ".", utc, "$", dbl, "$1,234.50", "double:1234.5");
    row("currency sign negative", "currency", 0.01, "USD", ".", utc, "$", dbl, "-$12.50", "double:-12.5");
    row("currency code, comma", "currency", 0.01, "EUR", ",", utc, none, dbl, "1.234,50 EUR", "double:1234.5");
    row("currency bare amount", "currency", 0.01, "USD", ".", utc, "$", dbl, "1234.50", "double:1234.5");
    row("currency other sign", "currency", 0.01, "USD", ".", utc, "$", dbl, "\u20ac5", "invalid");
    row("percent", "percent", 0, none, ".", utc, none, dbl, "1.50%", "double:1.5");
    row("percent without sign", "percent", 0, none, ".", utc, none, dbl, "-1.5", "double:-1.5");
    row("text string", "text", 0, none, ".", utc, none, RecordData::String, "Acme", "string:Acme");
    row("text bytes", "text", 0, none, ".", utc, none, RecordData::ByteString, "ACME.QB", "bytes:ACME.QB");
    row("text into a double field", "text", 0, none, ".", utc, none, dbl, "1", "invalid");
    row("unknown name", "bogus", 0, none, ".", utc, none, dbl, "1", "invalid");
}

void tst_Formatter::parse()
{
    QFETCH(QString, name);
    QFETCH(double, tick);
    QFETCH(QString, currency);
    QFETCH(QString, decimal);
    QFETCH(QByteArray, zone);
    QFETCH(QString, sign);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QString, value);

    const Common::Field field(type, FeedApi::Formatter::formatId(name));
    QCOMPARE(describe(formatter(decimal, zone, sign).parse(record(tick, currency), field, text)), value);
}

void tst_Formatter::roundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("tick");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<bool>("system");
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<RecordData>("value");

    const QByteArray ny = "America/New_York";
    auto row = [](const char *title, const char *name, double tick, const char *decimal,
                  bool system, const QByteArray &zone, const RecordData &value) {
        QTest::newRow(title) << QString::fromLatin1(name) << tick << QString::fromLatin1(decimal)
                             << system << zone << value;
    };
    row("price cents", "price", 0.01, ".", false, ny, RecordData::fromDouble(102.37));
    row("price pips, comma", "price", 0.0001, ",", false, ny, RecordData::fromDouble(1.0852));
    row("price 1/32", "price", 1.0 / 32, ".", false, ny, RecordData::fromDouble(110.15625));
    row("price system", "price", 0.01, ".", true, ny, RecordData::fromDouble(99.99));
    row("volume largest, comma", "volume", 0, ",", false, ny,
        RecordData::fromUInt64(std::numeric_limits<quint64>::max()));
    row("volume system", "volume", 0, ".", true, ny, RecordData::fromUInt64(987654321));
    row("date", "date", 0, ".", false, ny, RecordData::fromUInt64(20240131000000000ULL));
    row("date last day", "date", 0, ".", false, ny, RecordData::fromUInt64(99991231000000000ULL));
    row("date system", "date", 0, ".", true, ny, RecordData::fromUInt64(20240131000000000ULL));
    row("time milliseconds", "time", 0, ".", false, ny, RecordData::fromUInt64(TradeStamp));
    row("time first summer hour", "time", 0, ".", false, ny, RecordData::fromUInt64(20240310070000000ULL));
    row("time after the clock goes back", "time", 0, ".", false, ny, RecordData::fromUInt64(20241103063000000ULL));
    row("time system", "time", 0, ".", true, "Europe/Berlin", RecordData::fromUInt64(TradeStamp));
    row("time-from-datetime time only", "time-from-datetime", 0, ".", false, ny, RecordData::fromUInt64(93015250));
}

// parse(format(v)) gives v back.
void tst_Formatter::roundTrip()
{
    QFETCH(QString, name);
    QFETCH(double, tick);
    QFETCH(QString, decimal);
    QFETCH(bool, system);
    QFETCH(QByteArray, zone);
    QFETCH(RecordData, value);

    FeedApi::Formatter formatter = ::formatter(decimal, zone, QString());
    formatter.setUseSystemFormatting(system);
    const Common::SymbolRecord symbol = record(tick, QStringLiteral("USD"));
    const Common::Field field(value.type(), FeedApi::Formatter::formatId(name));
    const QString text = formatter.format(symbol, field, value);
    QVERIFY(!text.isEmpty());
    QCOMPARE(describe(formatter.parse(symbol, field, text)), describe(value));
}

namespace {

// The three formatting choices as "decimal|system|zone", read through the preferences.
QString preferencesState()
{
    const Preferences *preferences = Preferences::instance();
    return preferences->decimalSymbol() + QLatin1Char('|')
        + (preferences->isUseSystemFormatting() ? QLatin1String("true") : QLatin1String("false"))
        + QLatin1Char('|') + QString::fromUtf8(preferences->localTimeZoneId());
}

// Starts from the default decimal symbol and system formatting, and the zone UTC.
void resetPreferences()
{
    HostApi::Settings *settings = Application::instance()->settings();
    settings->remove(QLatin1String(Preferences::DecimalSymbolKey));
    settings->remove(QLatin1String(Preferences::UseSystemKey));
    settings->setValue(QLatin1String(Preferences::TimeZoneKey), QStringLiteral("UTC"));
}

} // namespace

void tst_Formatter::preferencesChange_data()
{
    QTest::addColumn<QString>("setter");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("shown");

    QTest::newRow("decimal comma") << "decimal" << "," << true << 1 << ",|false|UTC"
                                   << "1234,50 2024-01-31 09:30:15.250";
    QTest::newRow("decimal unchanged") << "decimal" << "." << true << 0 << ".|false|UTC"
                                       << "1234.50 2024-01-31 09:30:15.250";
    QTest::newRow("decimal refused") << "decimal" << ";" << false << 0 << ".|false|UTC"
                                     << "1234.50 2024-01-31 09:30:15.250";
    QTest::newRow("zone Tokyo") << "zone" << "Asia/Tokyo" << true << 1 << ".|false|Asia/Tokyo"
                                << "1234.50 2024-01-31 18:30:15.250";
    QTest::newRow("zone unchanged") << "zone" << "UTC" << true << 0 << ".|false|UTC"
                                    << "1234.50 2024-01-31 09:30:15.250";
    QTest::newRow("zone refused") << "zone" << "Mars/Olympus" << false << 0 << ".|false|UTC"
                                  << "1234.50 2024-01-31 09:30:15.250";
    // The system's forms depend on the machine's locale; only the choice itself is compared.
    QTest::newRow("system on") << "system" << "true" << true << 1 << ".|true|UTC" << QString();
    QTest::newRow("all three, one signal") << "all" << ",|false|Europe/Berlin" << true << 1
                                           << ",|false|Europe/Berlin"
                                           << "1234,50 2024-01-31 10:30:15.250";
    QTest::newRow("all refused by the zone") << "all" << ",|true|Mars/Olympus" << false << 0
                                             << ".|false|UTC" << "1234.50 2024-01-31 09:30:15.250";
}

// A change emits formatterChanged once, no change or a refused one none; the choice survives
// reopening the settings file, and formatter() follows it.
void tst_Formatter::preferencesChange()
{
    QFETCH(QString, setter);
    QFETCH(QString, argument);
    QFETCH(bool, accepted);
    QFETCH(int, emitted);
    QFETCH(QString, state);
    QFETCH(QString, shown);

    resetPreferences();
    Preferences *preferences = Preferences::instance();
    QSignalSpy changed(preferences, &Preferences::formatterChanged);
    bool result = true;
    if (setter == QLatin1String("decimal")) {
        result = preferences->setDecimalSymbol(argument);
    } else if (setter == QLatin1String("zone")) {
        result = preferences->setLocalTimeZoneId(argument.toUtf8());
    } else if (setter == QLatin1String("system")) {
        preferences->setUseSystemFormatting(argument == QLatin1String("true"));
    } else {
        const QStringList parts = argument.split(QLatin1Char('|'));
        result = preferences->setFormatting(parts.at(0), parts.at(1) == QLatin1String("true"),
                                            parts.at(2).toUtf8());
    }
    QCOMPARE(result, accepted);
    QCOMPARE(changed.count(), emitted);

    QTemporaryDir elsewhere;
    Application::instance()->setAppDataPath(elsewhere.path());
    Application::instance()->setAppDataPath(m_dataDir.path());
    QCOMPARE(preferencesState(), state);

    if (!shown.isEmpty()) {
        const FeedApi::Formatter formatter = preferences->formatter();
        const QString price = formatter.format(
            record(0.01, QString()), Common::Field(RecordData::Double, FeedApi::Formatter::formatId("price")),
            RecordData::fromDouble(1234.5));
        const QString time = formatter.format(
            Common::SymbolRecord(), Common::Field(RecordData::UInt64, FeedApi::Formatter::formatId("time")),
            RecordData::fromUInt64(TradeStamp));
        QCOMPARE(price + QLatin1Char(' ') + time, shown);
    }
}

void tst_Formatter::preferencesStoredValue_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("state");

    // "%zone" stands for the system's time zone, the default.
    QTest::newRow("decimal symbol") << Preferences::DecimalSymbolKey << ";" << ".|false|UTC";
    QTest::newRow("system formatting") << Preferences::UseSystemKey << "maybe" << ".|false|UTC";
    QTest::newRow("time zone") << Preferences::TimeZoneKey << "Mars/Olympus" << ".|false|%zone";
}

// A hand-edited value that is no valid choice reads as the default, with one log line however
// often it is read.
void tst_Formatter::preferencesStoredValue()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, state);

    resetPreferences();
    Application::instance()->settings()->setValue(key, stored);
    LogCapture log;
    QString expected = state;
    expected.replace(QLatin1String("%zone"), QString::fromUtf8(QTimeZone::systemTimeZoneId()));
    QCOMPARE(preferencesState(), expected);
    QCOMPARE(preferencesState(), expected);
    QCOMPARE(log.texts("HostApi.Preferences"),
             QStringList(QStringLiteral("Stored setting %1 is not a valid choice (\"%2\"); using the default")
                             .arg(key, stored)));
}

QTEST_MAIN(tst_Formatter)
#include "tst_formatter.moc"
