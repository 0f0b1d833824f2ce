#include "datafeedfixture.h"

#include <scriptdatafeed/scriptformatter.h>

#include <preferences.h>

#include <QtTest>

using Common::RecordData;
using Common::SymbolRecord;
using Call = std::function<QVariant(ScriptFormatter *)>;
Q_DECLARE_METATYPE(Call)

namespace {

const QString Missing = QStringLiteral("Failed to find SymbolRecord for formatting");
const QDateTime Afternoon(QDate(2024, 3, 15), QTime(14, 30, 5), Qt::UTC);

// The second line written for a missing record.
QString missing(const QString &id, int formatId, const QString &value)
{
    return QStringLiteral("Failed to find SymbolRecord for symbol %1, formatId=%2 "
                          "Common::recordDataToString(value)=%3").arg(id).arg(formatId).arg(value);
}

SymbolRecord futures()
{
    return symbolRecord("CLZ27", 3, {{SymbolRecord::AlternateSymbol, RecordData::fromByteString("CLDEC27")},
                                     {SymbolRecord::MinTick, RecordData::fromDouble(0.01)},
                                     {SymbolRecord::Currency, RecordData::fromByteString("USD")}});
}

} // namespace

class tst_ScriptFormatter : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_feed.reset();
        QVERIFY(Preferences::instance()->setFormatting(".", false, "UTC"));
        m_feed.reset(new DatafeedFixture);
        formatter()->registerSymbolRecord(futures());
    }

    void calls_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QVariant>("result");
        QTest::addColumn<QString>("missing"); // the second line of a missing record

        using F = ScriptFormatter;
        const auto row = [](const char *name, const Call &call, const QVariant &result, const QString &missing = {}) {
            QTest::newRow(name) << call << result << missing;
        };
        const QDateTime year10000(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC);
        row("price", [](F *f) { return f->formatPrice(1234.5, "CLZ27"); }, "1234.50");
        row("price by alternate symbol", [](F *f) { return f->formatPrice(-0.004, "CLDEC27"); }, "0.00");
        row("currency with sign", [](F *f) { return f->formatCurrency(1234.5, "CLZ27", true); }, "$1,234.50");
        row("currency without sign", [](F *f) { return f->formatCurrency(1234.5, "CLZ27", false); }, "1,234.50 USD");
        row("date-time", [](F *f) { return f->formatDateTime(Afternoon, "CLZ27"); }, "2024-03-15 14:30:05");
        row("date-time in year 10000", [=](F *f) { return f->formatDateTime(year10000, "CLZ27"); }, "");
        row("volume truncated", [](F *f) { return f->formatVolume(1234567.9); }, "1,234,567");
        row("negative volume keeps its sign", [](F *f) { return f->formatVolume(-1500.7); }, "-1,500");
        row("date", [](F *f) { return f->formatDate(QDate(2024, 3, 15)); }, "2024-03-15");
        row("date in year 10000", [](F *f) { return f->formatDate(QDate(10000, 1, 1)); }, "");
        row("time needs no id", [](F *f) { return f->formatTime(Afternoon.addMSecs(250)); }, "2024-03-15 14:30:05.250");
        row("number", [](F *f) { return f->formatNumber(1234.5, 2); }, "1234.50");
        row("parse price", [](F *f) { return f->parsePrice("1234.50", "CLZ27"); }, 1234.5);
        row("parse volume", [](F *f) { return f->parseVolume("1,234,567"); }, qulonglong(1234567));
        row("parse negative volume", [](F *f) { return f->parseVolume("-5"); }, QVariant());
        row("parse date", [](F *f) { return f->parseDate("2024-03-15"); }, QDate(2024, 3, 15));
        row("parse time", [](F *f) { return f->parseTime("2024-03-15 14:30:05.250"); }, Afternoon.addMSecs(250));
        row("parse date-time", [](F *f) { return f->parseDateTime("2024-03-15 14:30:05", "CLZ27"); }, Afternoon);
        row("price, unknown id", [](F *f) { return f->formatPrice(1.5, "NOPE"); }, "", missing("NOPE", 1, "1.5"));
        row("currency, empty id", [](F *f) { return f->formatCurrency(2.25, "", true); }, "", missing("", 5, "2.25"));
        row("date-time, unknown id", [](F *f) { return f->formatDateTime(Afternoon.addMSecs(250), "NOPE"); }, "",
            missing("NOPE", 4, "20240315143005250"));
        row("parse date-time, unknown id", [](F *f) { return f->parseDateTime("2024-03-15 14:30:05", "NOPE"); },
            QVariant(), missing("NOPE", 4, "2024-03-15 14:30:05"));
    }

    // With the record of CLZ27 registered (alternate symbol CLDEC27), in UTC with ".". A
    // missing record writes two diagnostic lines naming the id, the format id and the value.
    void calls()
    {
        QFETCH(Call, call);
        QFETCH(QVariant, result);
        QFETCH(QString, missing);

        LogCapture log;
        QCOMPARE(call(formatter()), result);
        QCOMPARE(log.texts("Tessel.ScriptFormatter"),
                 missing.isEmpty() ? QStringList() : (QStringList{Missing, missing}));
    }

    void settings_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("emitted");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("dateTime");

        const QString utc = "2024-03-15 14:30:05";
        const QString tokyo = "2024-03-15 23:30:05";
        QTest::newRow("decimal comma") << "," << 1 << "1234,50" << utc;
        QTest::newRow("same decimal point") << "." << 0 << "1234.50" << utc;
        QTest::newRow("time zone") << "Asia/Tokyo" << 1 << "1234.50" << tokyo;
        QTest::newRow("all at once") << "all" << 1 << "1234,50" << tokyo;
        QTest::newRow("system formatting") << "system" << 1 << "1234" + QString(QLocale::system().decimalPoint()) + "50"
                                           << QString();
    }

    // A change of the host's formatting is announced once and followed at once.
    void settings()
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
        if (!dateTime.isNull()) {
            QCOMPARE(formatter()->formatDateTime(Afternoon, "CLZ27"), dateTime);
            QCOMPARE(formatter()->formatPrice(1234.5, "CLZ27"), number);
        }
    }

    // A "symbolinfo" answer makes its record known; clearAll forgets it until the next answer.
    void symbolCache()
    {
        LogCapture log;
        for (const QString rid : {"1", "2"}) {
            m_feed->datafeed.clearAll();
            QCOMPARE(formatter()->formatPrice(1.5, "CLZ27"), QString());
            QVERIFY(m_feed->datafeed.request({{"type", "symbolinfo"}, {"rid", rid}, {"symbol", "CLZ27"}}));
            QVERIFY(m_feed->backend.respond(m_feed->backend.running().last(), FeedApi::SymbolResponse(futures())));
            QCOMPARE(m_feed->answers().value(0).value("data").toMap().value("formatterId"), QVariant("CLZ27"));
            QCOMPARE(formatter()->formatPrice(1.5, "CLZ27"), QStringLiteral("1.50"));
        }
        const QString failed = missing("CLZ27", 1, "1.5");
        QCOMPARE(log.texts("Tessel.ScriptFormatter"), (QStringList{Missing, failed, Missing, failed}));
    }

private:
    ScriptFormatter *formatter() const { return m_feed->datafeed.scriptFormatter(); }

    std::unique_ptr<DatafeedFixture> m_feed;
};

QTEST_MAIN(tst_ScriptFormatter)
#include "tst_scriptformatter.moc"
