#include "jsontesthelpers.h"
#include "testsupport.h"

#include "common/jsonparser.h"
#include "common/jsonwriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QtNumeric>
#include <QtTest>

#include <limits>

namespace {

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> members)
{
    QVariantMap result;
    for (const auto &member : members)
        result.insert(member.first, member.second);
    return result;
}

QByteArray written(const QVariant &value, int indent, bool pretty)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    Common::writeJson(value, &buffer, indent, pretty);
    return text;
}

} // namespace

class tst_JsonWriter : public QObject
{
    Q_OBJECT

private slots:
    void output_data();
    void output();
    void doubles_data();
    void doubles();
    void convenienceForms();
    void largeOutputThroughDevice();
    void unsupportedType_data();
    void unsupportedType();
    void roundTrip_data();
    void roundTrip();
};

void tst_JsonWriter::output_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("indent");
    QTest::addColumn<bool>("pretty");
    QTest::addColumn<QByteArray>("expected");

    const QVariant example = map({{"a", 1}, {"b", map({{"c", true}})},
                                  {"d", QVariantList{1, 2, map({{"x", 3}})}}});
    QTest::newRow("example-pretty") << example << 0 << true
        << QByteArray("{\n\t\"a\": 1,\n\t\"b\": \n\t{\n\t\t\"c\": true\n\t},\n\t\"d\": \n\t[\n"
                      "\t\t1, 2, \n\t\t{\n\t\t\t\"x\": 3\n\t\t}\n\t]\n}");
    QTest::newRow("example-compact") << example << 0 << false
        << QByteArray("{\"a\": 1,\"b\": {\"c\": true},\"d\": [1, 2, {\"x\": 3}]}");

    QTest::newRow("null") << QVariant() << 0 << true << QByteArray("null");
    QTest::newRow("null-indented") << QVariant() << 2 << true << QByteArray("\t\tnull");
    QTest::newRow("compact-ignores-indent") << QVariant() << 2 << false << QByteArray("null");
    QTest::newRow("true") << QVariant(true) << 0 << false << QByteArray("true");
    QTest::newRow("false") << QVariant(false) << 1 << true << QByteArray("\tfalse");
    QTest::newRow("int") << QVariant(42) << 0 << false << QByteArray("42");
    QTest::newRow("int-min") << QVariant(std::numeric_limits<int>::min()) << 0 << false
        << QByteArray("-2147483648");
    QTest::newRow("double") << QVariant(2.5) << 0 << false << QByteArray("2.5");
    QTest::newRow("string") << QVariant(QStringLiteral("abc")) << 0 << false
        << QByteArray("\"abc\"");
    QTest::newRow("string-empty") << QVariant(QString()) << 0 << false << QByteArray("\"\"");
    QTest::newRow("string-quote-backslash") << QVariant(QStringLiteral("a\"b\\c")) << 0 << false
        << QByteArray("\"a\\\"b\\\\c\"");
    QTest::newRow("string-escaped-controls") << QVariant(QStringLiteral("\b\f\n\r\t")) << 0
        << false << QByteArray("\"\\b\\f\\n\\r\\t\"");
    QTest::newRow("string-raw-controls-and-slash") << QVariant(QStringLiteral("\x01\x1f/"))
        << 0 << false << QByteArray("\"\x01\x1f/\"");
    QTest::newRow("string-non-ascii") << QVariant(QString::fromUtf8("\xc3\xa9\"\xe2\x82\xac\xf0\x9f\x98\x80\\"))
        << 0 << false << QByteArray("\"\xc3\xa9\\\"\xe2\x82\xac\xf0\x9f\x98\x80\\\\\"");

    QTest::newRow("map-empty-pretty") << QVariant(QVariantMap()) << 0 << true
        << QByteArray("{\n}");
    QTest::newRow("map-empty-compact") << QVariant(QVariantMap()) << 0 << false
        << QByteArray("{}");
    QTest::newRow("list-empty-pretty") << QVariant(QVariantList()) << 0 << true
        << QByteArray("[\n]");
    QTest::newRow("list-empty-compact") << QVariant(QVariantList()) << 0 << false
        << QByteArray("[]");
    QTest::newRow("map-indented") << QVariant(map({{"k", QVariantMap()}})) << 1 << true
        << QByteArray("\t{\n\t\t\"k\": \n\t\t{\n\t\t}\n\t}");
    QTest::newRow("map-keys-in-order") << QVariant(map({{"b", 1}, {"a", QVariant()}})) << 0
        << false << QByteArray("{\"a\": null,\"b\": 1}");
    QTest::newRow("list-mixed-pretty")
        << QVariant(QVariantList{1, QStringLiteral("a"), QVariantList{2}, QVariant()}) << 0
        << true << QByteArray("[\n\t1, \"a\", \n\t[\n\t\t2\n\t], null\n]");
    QTest::newRow("list-mixed-compact")
        << QVariant(QVariantList{1, QStringLiteral("a"), QVariantList{2}, QVariant()}) << 0
        << false << QByteArray("[1, \"a\", [2], null]");
    QTest::newRow("list-first-container") << QVariant(QVariantList{QVariantList()}) << 0 << true
        << QByteArray("[\n\t[\n\t]\n]");
    // Member names are escaped like string values, so the reader gets the same name back.
    QTest::newRow("key-escaped") << QVariant(map({{"a\"b\\c\n", 1}})) << 0 << false
        << QByteArray("{\"a\\\"b\\\\c\\n\": 1}");
    QTest::newRow("key-non-ascii") << QVariant(map({{QString::fromUtf8("\xc3\xa9"), 1}})) << 0
        << false << QByteArray("{\"\xc3\xa9\": 1}");
}

void tst_JsonWriter::output()
{
    QFETCH(QVariant, value);
    QFETCH(int, indent);
    QFETCH(bool, pretty);
    QFETCH(QByteArray, expected);

    QCOMPARE(written(value, indent, pretty), expected);
}

void tst_JsonWriter::doubles_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("integral") << 3.0 << QByteArray("3.0");
    QTest::newRow("hundred") << 100.0 << QByteArray("100.0");
    QTest::newRow("fraction") << 2.5 << QByteArray("2.5");
    QTest::newRow("tenth") << 0.1 << QByteArray("0.1");
    QTest::newRow("third") << 1.0 / 3 << QByteArray("0.333333333333333");
    QTest::newRow("zero") << 0.0 << QByteArray("0.0");
    QTest::newRow("negative-zero") << -0.0 << QByteArray("-0.0");
    QTest::newRow("fifteen-digits") << 1e14 << QByteArray("100000000000000.0");
    QTest::newRow("exponent-large") << 1e20 << QByteArray("1e+20");
    QTest::newRow("exponent-small") << 1e-7 << QByteArray("1e-07");
    QTest::newRow("exponent-three-digits") << -1.5e300 << QByteArray("-1.5e+300");
    QTest::newRow("rounded") << 123456789012345678.0 << QByteArray("1.23456789012346e+17");
    QTest::newRow("denormal") << 4.9406564584124654e-324 << QByteArray("4.94065645841247e-324");
    // 15 digits would round the largest doubles up out of range; they get 17.
    QTest::newRow("largest") << std::numeric_limits<double>::max()
        << QByteArray("1.7976931348623157e+308");
    QTest::newRow("largest-negative") << -std::numeric_limits<double>::max()
        << QByteArray("-1.7976931348623157e+308");
    QTest::newRow("largest-fifteen-digit") << 1.79769313486231e308
        << QByteArray("1.79769313486231e+308");
    QTest::newRow("infinity") << qInf() << QByteArray("inf");
    QTest::newRow("infinity-negative") << -qInf() << QByteArray("-inf");
    QTest::newRow("nan") << qQNaN() << QByteArray("nan");
}

void tst_JsonWriter::doubles()
{
    QFETCH(double, value);
    QFETCH(QByteArray, expected);

    const QByteArray text = Common::writeJson(QVariant(value));
    QCOMPARE(text, expected);
    // Every form reads back as a double of the same 15 digits.
    QCOMPARE(describe(Common::JsonParser::parse(text)), describe(QVariant(value)));
}

void tst_JsonWriter::convenienceForms()
{
    const QVariant value = map({{"a", QVariantList{1}}});

    QByteArray pretty;
    QBuffer prettyBuffer(&pretty);
    prettyBuffer.open(QIODevice::WriteOnly);
    Common::writeJson(value, &prettyBuffer);
    QCOMPARE(pretty, QByteArray("{\n\t\"a\": \n\t[\n\t\t1\n\t]\n}"));

    QByteArray compact;
    QBuffer compactBuffer(&compact);
    compactBuffer.open(QIODevice::WriteOnly);
    Common::writeJsonCompact(value, &compactBuffer);
    QCOMPARE(compact, QByteArray("{\"a\": [1]}"));

    QCOMPARE(Common::writeJson(value), QByteArray("{\"a\": [1]}"));
}

// Output larger than the writer's buffer reaches the device whole and in order.
void tst_JsonWriter::largeOutputThroughDevice()
{
    QRandomGenerator random(7);
    QVariantList list;
    for (int i = 0; i < 2000; ++i)
        list.append(randomTree(&random, 3));
    list.append(QString(300000, QLatin1Char('"')));
    const QVariant value = list;

    const QByteArray inMemory = Common::writeJson(value);
    QVERIFY(inMemory.size() > 600000);
    QCOMPARE(written(value, 0, false), inMemory);
    QCOMPARE(describe(Common::JsonParser::parse(written(value, 3, true))), describe(value));
}

void tst_JsonWriter::unsupportedType_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("typeName");

    QTest::newRow("string-list") << QVariant(QStringList{QStringLiteral("a")})
                                 << QStringLiteral("QStringList");
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4)))
                               << QStringLiteral("QDateTime");
    QTest::newRow("int64") << QVariant(qint64(1)) << QStringLiteral("qlonglong");
    QTest::newRow("unsigned") << QVariant(1u) << QStringLiteral("uint");
    QTest::newRow("byte-array") << QVariant(QByteArray("a")) << QStringLiteral("QByteArray");
    QTest::newRow("hash") << QVariant(QVariantHash()) << QStringLiteral("QVariantHash");
    QTest::newRow("char") << QVariant(QChar(QLatin1Char('a'))) << QStringLiteral("QChar");
}

void tst_JsonWriter::unsupportedType()
{
    QFETCH(QVariant, value);
    QFETCH(QString, typeName);

    const QString warning = QLatin1String("Cannot serialize QVariant of type ") + typeName
        + QLatin1String(" in JSON");
    struct Case
    {
        QVariant value;
        int indent;
        bool pretty;
        QByteArray expected;
    };
    const Case cases[] = {
        {value, 0, false, QByteArray()},
        {value, 2, true, QByteArray("\t\t")},
        {map({{"a", value}, {"b", 1}}), 0, false, QByteArray("{\"a\": ,\"b\": 1}")},
        {map({{"a", value}, {"b", 1}}), 0, true, QByteArray("{\n\t\"a\": \n\t,\n\t\"b\": 1\n}")},
        {QVariantList{value, 1}, 0, false, QByteArray("[, 1]")},
    };
    for (const Case &c : cases) {
        LogCapture log;
        WarningCapture warnings;
        QCOMPARE(written(c.value, c.indent, c.pretty), c.expected);
        QCOMPARE(warnings.warnings(), QStringList{warning});
        QCOMPARE(log.texts("Assert"), QStringList{QStringLiteral("false")});
        QCOMPARE(log.entries().first().function, QByteArray("Common::writeJson"));
    }
}

void tst_JsonWriter::roundTrip_data()
{
    QTest::addColumn<bool>("pretty");
    QTest::addColumn<bool>("throughDevice");

    QTest::newRow("compact") << false << false;
    QTest::newRow("pretty") << true << false;
    QTest::newRow("pretty-device") << true << true;
}

// Random trees written and read back are the same trees (doubles to 15 digits).
void tst_JsonWriter::roundTrip()
{
    QFETCH(bool, pretty);
    QFETCH(bool, throughDevice);

    QRandomGenerator random(20240611);
    for (int i = 0; i < 400; ++i) {
        const QVariant tree = randomTree(&random, 5);
        const QByteArray text = written(tree, 0, pretty);
        QVariant back;
        if (throughDevice) {
            TrickleDevice device(text + " trailing", 5);
            back = Common::JsonParser::parse(&device);
            QCOMPARE(device.readAll(), QByteArray(" trailing"));
        } else {
            back = Common::JsonParser::parse(text);
        }
        QCOMPARE(describe(back), describe(tree));
    }
}

QTEST_GUILESS_MAIN(tst_JsonWriter)
#include "tst_jsonwriter.moc"
