#include "datafeedfixture.h"

#include <scriptdatafeed/scriptformatter.h>

#include <preferences.h>
#include <symbolresponse.h>

#include <QtTest>

#include <memory>

using Common::RecordData;
using Common::SymbolRecord;

namespace {

const QString Missing = QStringLiteral("Failed to find SymbolRecord for formatting");
const QDateTime Afternoon(QDate(2024, 3, 15), QTime(14, 30, 5), Qt::UTC);

QString missing(const QString &id, int formatId, const QString &value)
{
    return QStringLiteral("Failed to find SymbolRecord for symbol %1, formatId=%2 "
                          "Common::recordDataToString(value)=%3").arg(id).arg(formatId).arg(value);
}

SymbolRecord futures()
{
    return symbolRecord({{SymbolRecord::Symbol, RecordData::fromByteString("CLZ27")},
                         {SymbolRecord::AlternateSymbol, RecordData::fromByteString("CLDEC27")},
                         {SymbolRecord::SymbolType, RecordData::fromInt32(3)},
                         {SymbolRecord::MinTick, RecordData::fromDouble(0.01)},
                         {SymbolRecord::Currency, RecordData::fromByteString("USD")}});
}

// A slot of the formatter called with one value and, where it takes one, the formatter id.
QVariant call(ScriptFormatter *formatter, const QString &slot, const QVariant &value,
              const QString &id)
{
    if (slot == "formatPrice")
        return formatter->formatPrice(value.toDouble(), id);
    if (slot == "parsePrice")
        return formatter->parsePrice(value.toString(), id);
    if (slot == "formatVolume")
        return formatter->formatVolume(value.toDouble());
    if (slot == "parseVolume")
        return formatter->parseVolume(value.toString());
    if (slot == "formatDate")
        return formatter->formatDate(value.toDate());
    if (slot == "parseDate")
        return formatter->parseDate(value.toString());
    if (slot == "formatTime")
        return formatter->formatTime(value.toDateTime());
    if (slot == "parseTime")
        return formatter->parseTime(value.toString());
    if (slot == "formatDateTime")
        return formatter->formatDateTime(value.toDateTime(), id);
    if (slot == "parseDateTime")
        return formatter->parseDateTime(value.toString(), id);
    if (slot == "formatCurrency$")
        return formatter->formatCurrency(value.toDouble(), id, true);
    if (slot == "formatCurrency")
        return formatter->formatCurrency(value.toDouble(), id, false);
    return formatter->formatNumber(value.toDouble(), 2);
}

} // namespace

class tst_ScriptFormatter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void calls_data();
    void calls();
    void settings_data();
    void settings();
    void symbolCache_data();
    void symbolCache();

private:
    ScriptFormatter *formatter() const { return m_feed->datafeed.scriptFormatter(); }

    std::unique_ptr<DatafeedFixture> m_feed;
};

void tst_ScriptFormatter::init()
{
    m_feed.reset();
    QVERIFY(Preferences::instance()->setFormatting(".", false, "UTC"));
    m_feed.reset(new DatafeedFixture);
    formatter()->registerSymbolRecord(futures());
}

void tst_ScriptFormatter::calls_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QVariant>("result");
    QTest::addColumn<QString>("logged"); // the value's text in the lines of a missing record

    const auto row = [](const char *name, const char *slot, const QVariant &value, const char *id,
                        const QVariant &result, const QString &logged = QString()) {
        QTest::newRow(name) << slot << value << id << result << logged;
    };
    const QDateTime year10000(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC);
    row("price", "formatPrice", 1234.5, "CLZ27", "1234.50");
    row("price by alternate symbol", "formatPrice", -0.004, "CLDEC27", "0.00");
    row("currency with sign", "formatCurrency$", 1234.5, "CLZ27", "$1,234.50");
    row("currency without sign", "formatCurrency", 1234.5, "CLZ27", "1,234.50 USD");
    row("date-time", "formatDateTime", Afternoon, "CLZ27", "2024-03-15 14:30:05");
    row("date-time in year 10000", "formatDateTime", year10000, "CLZ27", "");
    row("volume truncated", "formatVolume", 1234567.9, "", "1,234,567");
    row("negative volume keeps its sign", "formatVolume", -1500.7, "", "-1,500");
    row("date", "formatDate", QDate(2024, 3, 15), "", "2024-03-15");
    row("date in year 10000", "formatDate", QDate(10000, 1, 1), "", "");
    row("time needs no id", "formatTime", Afternoon.addMSecs(250), "NOPE", "2024-03-15 14:30:05.250");
    row("number", "formatNumber", 1234.5, "", "1234.50");
    row("parse price", "parsePrice", "1234.50", "CLZ27", 1234.5);
    row("parse volume", "parseVolume", "1,234,567", "", qulonglong(1234567));
    row("parse negative volume", "parseVolume", "-5", "", QVariant());
    row("parse date", "parseDate", "2024-03-15", "", QDate(2024, 3, 15));
    row("parse time", "parseTime", "2024-03-15 14:30:05.250", "", Afternoon.addMSecs(250));
    row("parse date-time", "parseDateTime", "2024-03-15 14:30:05", "CLZ27", Afternoon);
    row("price, unknown id", "formatPrice", 1.5, "NOPE", "", "1.5");
    row("currency, empty id", "formatCurrency$", 2.25, "", "", "2.25");
    row("date-time, unknown id", "formatDateTime", Afternoon.addMSecs(250), "NOPE", "", "20240315143005250");
    row("parse date-time, unknown id", "parseDateTime", "2024-03-15 14:30:05", "NOPE", QVariant(),
        "2024-03-15 14:30:05");
}

// With the record of CLZ27 registered (alternate symbol CLDEC27), in UTC with ".". A missing
// record writes two diagnostic lines naming the id, the format id and the value.
void tst_ScriptFormatter::calls()
{
    QFETCH(QString, slot);
    QFETCH(QVariant, value);
    QFETCH(QString, id);
    QFETCH(QVariant, result);
    QFETCH(QString, logged);

    LogCapture log;
    QCOMPARE(call(formatter(), slot, value, id), result);
    const int formatId = slot.contains("Price") ? 1 : slot.contains("Currency") ? 5 : 4;
    const QStringList lines{Missing, missing(id, formatId, logged)};
    QCOMPARE(log.texts("Tessel.ScriptFormatter"), logged.isEmpty() ? QStringList() : lines);
}

void tst_ScriptFormatter::settings_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("emitted");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("dateTime");

    const QString utc = "2024-03-15 14:30:05";
    QTest::newRow("decimal comma") << "," << 1 << "1234,50" << utc;
    QTest::newRow("same decimal point") << "." << 0 << "1234.50" << utc;
    QTest::newRow("time zone") << "Asia/Tokyo" << 1 << "1234.50" << "2024-03-15 23:30:05";
    QTest::newRow("all at once") << "all" << 1 << "1234,50" << "2024-03-15 23:30:05";
    QTest::newRow("system formatting")
        << "system" << 1 << QString("1234" + QString(QLocale::system().decimalPoint()) + "50")
        << QString();
}

// A change of the host's formatting is announced once and followed at once.
void tst_ScriptFormatter::settings()
{
    QFETCH(QString, change);
    QFETCH(int, emitted);
    QFETCH(QString, number);
    QFETCH(QString, dateTime);

    QSignalSpy changed(formatter(), &ScriptFormatter::settingsChanged);
    Preferences *preferences = Preferences::instance();
    if (change == "system")
        preferences->setUseSystemFormatting(true);
    else if (change == "all")
        QVERIFY(preferences->setFormatting(",", false, "Asia/Tokyo"));
    else if (change.contains('/'))
        QVERIFY(preferences->setLocalTimeZoneId(change.toLatin1()));
    else
        preferences->setDecimalSymbol(change);
    QCOMPARE(changed.count(), emitted);
    QCOMPARE(formatter()->formatNumber(1234.5, 2), number);
    if (change != "system") {
        QCOMPARE(formatter()->formatDateTime(Afternoon, "CLZ27"), dateTime);
        QCOMPARE(formatter()->formatPrice(1234.5, "CLZ27"), number);
    }
}

void tst_ScriptFormatter::symbolCache_data()
{
    QTest::addColumn<QString>("id");

    QTest::newRow("symbol text") << "CLZ27";
    QTest::newRow("alternate symbol text") << "CLDEC27";
}

// A "symbolinfo" answer makes its record known under both texts; clearAll forgets it until
// the next answer.
void tst_ScriptFormatter::symbolCache()
{
    QFETCH(QString, id);

    m_feed.reset(new DatafeedFixture);
    const auto answered = [this](const QString &rid) {
        QVERIFY(m_feed->datafeed.request({{"type", "symbolinfo"}, {"rid", rid}, {"symbol", "CLZ27"}}));
        QVERIFY(m_feed->backend.respond(m_feed->backend.running().last(), FeedApi::SymbolResponse(futures())));
        QCOMPARE(m_feed->answers().value(0).value("data").toMap().value("formatterId").toString(),
                 QStringLiteral("CLZ27"));
    };
    LogCapture log;
    QCOMPARE(formatter()->formatPrice(1.5, id), QString());
    answered("1");
    QCOMPARE(formatter()->formatPrice(1.5, id), QStringLiteral("1.50"));
    m_feed->datafeed.clearAll();
    QCOMPARE(formatter()->formatPrice(1.5, id), QString());
    answered("2");
    QCOMPARE(formatter()->formatPrice(1.5, id), QStringLiteral("1.50"));
    const QString failed = missing(id, 1, "1.5");
    QCOMPARE(log.texts("Tessel.ScriptFormatter"), (QStringList{Missing, failed, Missing, failed}));
}

QTEST_MAIN(tst_ScriptFormatter)
#include "tst_scriptformatter.moc"
