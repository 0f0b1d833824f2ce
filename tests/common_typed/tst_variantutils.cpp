#include "common/typeconversions.h"
#include "common/variantutils.h"

#include <testsupport.h>

#include <datetime.h>
#include <recorddata.h>

#include <QColor>
#include <QtTest>

#include <limits>

using Common::DateTime;
using Common::RecordData;

class tst_VariantUtils : public QObject
{
    Q_OBJECT

private slots:
    void recordData_data();
    void recordData();
    void dateTime_data();
    void dateTime();
    void dateTimeForms();
    void listHelpers_data();
    void listHelpers();
    void typeConversions();
};

// A record value as a variant (a list or an unknown kind is reported) and as diagnostic text.
void tst_VariantUtils::recordData_data()
{
    QTest::addColumn<RecordData>("data");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("undefined") << RecordData() << QVariant() << "*undefined*";
    QTest::newRow("bytes-utf8") << RecordData::fromByteString("\xc3\xa9") << QVariant(QByteArray("\xc3\xa9")) << "\u00e9";
    QTest::newRow("false") << RecordData::fromBool(false) << QVariant(false) << "0";
    QTest::newRow("int") << RecordData::fromInt32(-42) << QVariant(-42) << "-42";
    QTest::newRow("int64-min") << RecordData::fromInt64(-9223372036854775807LL - 1) << QVariant(qlonglong(-9223372036854775807LL - 1)) << "-9223372036854775808";
    QTest::newRow("colour-alpha-ignored") << RecordData::fromColor(0x80102030u) << QVariant(QColor(0x10, 0x20, 0x30)) << "2148540464";
    QTest::newRow("uint64-max") << RecordData::fromUInt64(~quint64(0)) << QVariant(qulonglong(~quint64(0))) << "18446744073709551615";
    QTest::newRow("double") << RecordData::fromDouble(-0.125) << QVariant(-0.125) << "-0.125";
    QTest::newRow("double-six-digits") << RecordData::fromDouble(1234567.0) << QVariant(1234567.0) << "1.23457e+06";
    QTest::newRow("string") << RecordData::fromString(QStringLiteral("Z\u00fcrich")) << QVariant(QStringLiteral("Z\u00fcrich")) << "Z\u00fcrich";
    QTest::newRow("list") << RecordData::fromList({RecordData::fromInt32(1)}) << QVariant() << "*QList*";
    QTest::newRow("unknown-kind") << RecordData(12, 1) << QVariant() << "invalid_value";
}

void tst_VariantUtils::recordData()
{
    QFETCH(RecordData, data);
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    LogCapture log;
    const QVariant result = Common::recordDataToVariant(data);
    QCOMPARE(result.userType(), value.userType());
    QCOMPARE(result, value);
    const bool reported = !value.isValid() && data.type() != RecordData::Undefined;
    QCOMPARE(log.texts("Assert"), reported ? QStringList{"Unexpected value type"} : QStringList());
    QCOMPARE(Common::recordDataToString(data), text);
}

void tst_VariantUtils::dateTime_data()
{
    QTest::addColumn<quint64>("packed");
    QTest::addColumn<QDateTime>("dateTime");

    QTest::newRow("with-milliseconds") << quint64(20240131093015250ULL) << QDateTime(QDate(2024, 1, 31), QTime(9, 30, 15, 250), Qt::UTC);
    QTest::newRow("midnight") << quint64(20240131000000000ULL) << QDateTime(QDate(2024, 1, 31), QTime(0, 0), Qt::UTC);
    QTest::newRow("last-millisecond") << quint64(99991231235959999ULL) << QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC);
    QTest::newRow("null") << quint64(0) << QDateTime();
    QTest::newRow("month-13") << quint64(20241301000000000ULL) << QDateTime();
    QTest::newRow("minute-60") << quint64(20240131096000000ULL) << QDateTime();
    QTest::newRow("date-beyond-32-bits") << std::numeric_limits<quint64>::max() << QDateTime();
}

void tst_VariantUtils::dateTime()
{
    QFETCH(quint64, packed);
    QFETCH(QDateTime, dateTime);

    const DateTime value = DateTime::fromInt64(packed);
    QCOMPARE(value.toQDateTime(), dateTime);
    QCOMPARE(value.isValid(), dateTime.isValid());
    if (dateTime.isValid()) {
        QCOMPARE(value.toInt64(), packed);
        QCOMPARE(DateTime::fromQDateTime(dateTime), value);
    }
}

// Offsets are taken away; dates before the year 0 have no packed form.
void tst_VariantUtils::dateTimeForms()
{
    const QDateTime plusTwo(QDate(2024, 3, 1), QTime(1, 2, 3, 4), Qt::OffsetFromUTC, 2 * 3600);
    QCOMPARE(DateTime::fromQDateTime(plusTwo), DateTime(20240229, 230203004));
    QVERIFY(DateTime::fromQDateTime(QDateTime()).isNull());
    QCOMPARE(DateTime::fromQDate(QDate(2024, 1, 31)), DateTime(20240131, 0));
    QVERIFY(DateTime::fromQDate(QDate(-5, 1, 1)).isNull());
    QVERIFY(DateTime(20240131, 0) < DateTime(20240131, 1));
    QCOMPARE(Common::timePointText(DateTime(20240131, 93015250), 0.25), QStringLiteral("{time:2024/01/31 09:30:15.250, fractional:0.25}"));
    QCOMPARE(Common::timePointText(DateTime(19991231, 235959999), 1e-7), QStringLiteral("{time:1999/12/31 23:59:59.999, fractional:1e-07}"));
}

void tst_VariantUtils::listHelpers_data()
{
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<QList<QByteArray>>("bytes");

    QTest::newRow("ascii-in-order") << QStringList{"b", "a", ""} << QList<QByteArray>{"b", "a", ""};
    QTest::newRow("embedded-nul") << QStringList{QString(QLatin1String("a\0b", 3))} << QList<QByteArray>{QByteArray("a\0b", 3)};
    QTest::newRow("non-ascii") << QStringList{QStringLiteral("\u20ac 5"), QStringLiteral("\u00df")} << QList<QByteArray>{"\xe2\x82\xac 5", "\xc3\x9f"};
}

void tst_VariantUtils::listHelpers()
{
    QFETCH(QStringList, strings);
    QFETCH(QList<QByteArray>, bytes);

    QCOMPARE(Common::stringListToByteArrayList(strings), bytes);
    QCOMPARE(Common::byteArrayListToStringList(bytes), strings);
}

void tst_VariantUtils::typeConversions()
{
    LogCapture log;
    Common::TypeConversions conversions;
    conversions.addConversion(QMetaType::Int, QMetaType::QString, [](const QVariant &v) { return QVariant(QString::number(v.toInt() * 2)); });
    QVERIFY(conversions.canConvert(QMetaType::Int, QMetaType::QString));
    QVERIFY(!conversions.canConvert(QMetaType::QString, QMetaType::Int));
    QCOMPARE(conversions.convert(21, QMetaType::QString), QVariant(QStringLiteral("42")));
    QCOMPARE(conversions.convert(QStringLiteral("x"), QMetaType::QString), QVariant(QStringLiteral("x")));
    QVERIFY(!conversions.convert(QStringLiteral("1"), QMetaType::Int).isValid());
    QCOMPARE(log.entries().size(), 0);

    // A second conversion for the same pair is reported; the first one stays.
    conversions.addConversion(QMetaType::Int, QMetaType::QString, [](const QVariant &) { return QVariant(QStringLiteral("other")); });
    QCOMPARE(log.texts("Assert"), QStringList{"!m_conversions.contains(qMakePair(typeFrom, typeTo))"});
    QCOMPARE(conversions.convert(1, QMetaType::QString), QVariant(QStringLiteral("2")));
}

QTEST_MAIN(tst_VariantUtils)
#include "tst_variantutils.moc"
