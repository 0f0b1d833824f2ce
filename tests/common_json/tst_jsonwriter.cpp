#include "jsontesthelpers.h"
#include "testsupport.h"

#include "common/jsonparser.h"
#include "common/jsonwriter.h"

#include <QBuffer>
#include <QtNumeric>
#include <QtTest>

#include <limits>

namespace {

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

    const auto row = [](const char *name, const QVariant &value, int indent, bool pretty,
                        const QByteArray &expected) {
        QTest::newRow(name) << value << indent << pretty << expected;
    };
    using List = QVariantList;
    using Map = QVariantMap;

    const QVariant example =
        Map{{"a", 1}, {"b", Map{{"c", true}}}, {"d", List{1, 2, Map{{"x", 3}}}}};
    row("example-pretty", example, 0, true,
        "{\n\t\"a\": 1,\n\t\"b\": \n\t{\n\t\t\"c\": true\n\t},\n\t\"d\": \n\t[\n"
        "\t\t1, 2, \n\t\t{\n\t\t\t\"x\": 3\n\t\t}\n\t]\n}");
    row("example-compact", example, 0, false,
        "{\"a\": 1,\"b\": {\"c\": true},\"d\": [1, 2, {\"x\": 3}]}");
    row("null-indented", QVariant(), 2, true, "\t\tnull");
    row("compact-ignores-indent", QVariant(), 2, false, "null");
    // Escaped: quote, backslash and the controls with a short form; other controls, '/' and
    // non-ASCII characters are written as they are.
    row("scalars-compact",
        List{true, std::numeric_limits<int>::min(), 2.5, QString(), Map(), List(),
             QStringLiteral("a\"b\\c\b\f\n\r\t"), QStringLiteral("\x01\x1f/"),
             QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80")},
        0, false,
        "[true, -2147483648, 2.5, \"\", {}, [], \"a\\\"b\\\\c\\b\\f\\n\\r\\t\", \"\x01\x1f/\", "
        "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"]");
    row("map-empty-pretty", Map(), 0, true, "{\n}");
    row("map-indented", Map{{"k", Map()}}, 1, true, "\t{\n\t\t\"k\": \n\t\t{\n\t\t}\n\t}");
    row("list-mixed-pretty", List{1, QStringLiteral("a"), List{2}, QVariant()}, 0, true,
        "[\n\t1, \"a\", \n\t[\n\t\t2\n\t], null\n]");
    row("list-first-container", List{List()}, 0, true, "[\n\t[\n\t]\n]");
    // Member names are escaped like string values, so the reader gets the same name back.
    row("key-escaped", Map{{"a\"b\\c\n", 1}}, 0, false, "{\"a\\\"b\\\\c\\n\": 1}");
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
    QTest::newRow("fraction") << 2.5 << QByteArray("2.5");
    QTest::newRow("third") << 1.0 / 3 << QByteArray("0.333333333333333");
    QTest::newRow("negative-zero") << -0.0 << QByteArray("-0.0");
    QTest::newRow("fifteen-digits") << 1e14 << QByteArray("100000000000000.0");
    QTest::newRow("exponent-small") << 1e-7 << QByteArray("1e-07");
    QTest::newRow("exponent-three-digits") << -1.5e300 << QByteArray("-1.5e+300");
    QTest::newRow("rounded") << 123456789012345678.0 << QByteArray("1.23456789012346e+17");
    QTest::newRow("denormal") << 4.9406564584124654e-324 << QByteArray("4.94065645841247e-324");
    // 15 digits would round the largest doubles up out of range; they get 17.
    QTest::newRow("largest") << std::numeric_limits<double>::max()
        << QByteArray("1.7976931348623157e+308");
    QTest::newRow("largest-fifteen-digit") << 1.79769313486231e308
        << QByteArray("1.79769313486231e+308");
    QTest::newRow("infinity") << qInf() << QByteArray("inf");
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

// writeJson to a device is pretty by default; the in-memory form is compact.
void tst_JsonWriter::convenienceForms()
{
    const QVariant value = QVariantMap{{"a", QVariantList{1}}};
    QByteArray pretty;
    QByteArray compact;
    QBuffer prettyBuffer(&pretty);
    QBuffer compactBuffer(&compact);
    prettyBuffer.open(QIODevice::WriteOnly);
    compactBuffer.open(QIODevice::WriteOnly);
    Common::writeJson(value, &prettyBuffer);
    Common::writeJsonCompact(value, &compactBuffer);
    QCOMPARE(pretty, QByteArray("{\n\t\"a\": \n\t[\n\t\t1\n\t]\n}"));
    QCOMPARE(compact, QByteArray("{\"a\": [1]}"));
    QCOMPARE(Common::writeJson(value), compact);
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
    QTest::newRow("int64") << QVariant(qint64(1)) << QStringLiteral("qlonglong");
    QTest::newRow("hash") << QVariant(QVariantHash()) << QStringLiteral("QVariantHash");
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
        {QVariantMap{{"a", value}, {"b", 1}}, 0, false, QByteArray("{\"a\": ,\"b\": 1}")},
        {QVariantMap{{"a", value}, {"b", 1}}, 0, true,
         QByteArray("{\n\t\"a\": \n\t,\n\t\"b\": 1\n}")},
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
