#include "common/jsonvalue.h"
#include "common/valuetypes.h"
#include "common/variantmapconverter.h"

#include <testsupport.h>

#include <datapoint.h>

#include <QBrush>
#include <QColor>
#include <QDataStream>
#include <QFont>
#include <QImage>
#include <QKeySequence>
#include <QLinearGradient>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

using Common::JsonValue;
using Common::VariantMapConverter;

namespace {

// A type of the test's own, registered at run time.
struct Pair
{
    int first = 0;
    int second = 0;
    friend bool operator==(const Pair &a, const Pair &b)
    { return a.first == b.first && a.second == b.second; }
};

// Registered by the concurrency test alone.
struct Counter
{
    int count = 0;
};

} // namespace

Q_DECLARE_METATYPE(Pair)
Q_DECLARE_METATYPE(Counter)

namespace {

QVariantMap pairToMap(const QVariant &value)
{
    const Pair pair = value.value<Pair>();
    return {{QStringLiteral("first"), pair.first}, {QStringLiteral("second"), pair.second}};
}

QVariant pairFromMap(const QVariantMap &map)
{
    return QVariant::fromValue(Pair{map.value(QStringLiteral("first")).toInt(),
                                    map.value(QStringLiteral("second")).toInt()});
}

QVariantMap counterToMap(const QVariant &value)
{
    return {{QStringLiteral("count"), value.value<Counter>().count}};
}

QVariant counterFromMap(const QVariantMap &map)
{
    return QVariant::fromValue(Counter{map.value(QStringLiteral("count")).toInt()});
}

// What a JSON text round trip does to a JSON form: every number arrives as a double. Invalid
// when the form holds anything JSON text cannot carry.
QVariant throughJsonText(const QVariant &json)
{
    switch (json.userType()) {
    case QMetaType::QVariantMap: {
        QVariantMap map = json.toMap();
        for (QVariant &member : map) {
            member = throughJsonText(member);
            if (!member.isValid())
                return QVariant();
        }
        return map;
    }
    case QMetaType::QVariantList: {
        QVariantList list = json.toList();
        for (QVariant &element : list) {
            element = throughJsonText(element);
            if (!element.isValid())
                return QVariant();
        }
        return list;
    }
    case QMetaType::Int:
        return json.toDouble();
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::QString:
        return json;
    default:
        return QVariant();
    }
}

QFont font(const QString &family, int pointSize, bool bold, bool italic)
{
    QFont f(family, pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QVariantMap streamed(const QByteArray &bytes)
{
    return {{"_type", "QByteArray"}, {"data", QString::fromLatin1(bytes.toBase64())}};
}

} // namespace

class tst_JsonValue : public QObject
{
    Q_OBJECT

private slots:
    void registryHoldsTheAliasesInOrder();
    void roundTrip_data();
    void roundTrip();
    void fixedMapForms_data();
    void fixedMapForms();
    void fontDefaultsAndNesting();
    void nullForms_data();
    void nullForms();
    void typeWithoutConverter();
    void plainMapAskedAsFont();
    void nestedMapsAndLists();
    void malformedMapForms_data();
    void malformedMapForms();
    void colorSpecKey();
    void construct_data();
    void construct();
    void copiesAreIndependent();
    void mapMembers();
    void registration();
    void concurrentLookups();
};

// The aliases are the wire names of stored documents: their set and order are fixed.
void tst_JsonValue::registryHoldsTheAliasesInOrder()
{
    const QList<QByteArray> expected = {
        "QByteArray", "QFont", "QColor", "QPoint", "QPointF", "QRect", "QStringList", "IntList",
        "QBrush", "QDate", "QTime", "IntMap", "QDateTime", "qlonglong", "quint", "qulonglong",
        "map", "QKeySequence", "QKeySequenceList", "QDateList", "DataPoint"};
    QCOMPARE(VariantMapConverter::aliases().mid(0, expected.size()), expected);

    QCOMPARE(VariantMapConverter::userType("quint"), int(QMetaType::UInt));
    QCOMPARE(VariantMapConverter::userType("DataPoint"), qMetaTypeId<Common::DataPoint>());
    QCOMPARE(VariantMapConverter::userType("nothing"), 0);
    QCOMPARE(VariantMapConverter::alias(QMetaType::QVariantMap), QByteArray("map"));
    QVERIFY(VariantMapConverter::alias(QMetaType::Float).isEmpty());
    QVERIFY(!VariantMapConverter::contains(QMetaType::QVariantList));
}

void tst_JsonValue::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("alias");

    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    QLinearGradient gradient(0, 0, 10, 20);
    gradient.setColorAt(0, Qt::red);
    gradient.setColorAt(1, QColor(0, 0, 255, 100));

    QTest::newRow("bytes-every-value") << QVariant(allBytes) << "QByteArray";
    QTest::newRow("bytes-empty") << QVariant(QByteArray("")) << "QByteArray";
    QTest::newRow("font-italic") << QVariant(font("Courier New", 9, false, true)) << "QFont";
    QTest::newRow("color-rgba") << QVariant(QColor(1, 2, 3, 4)) << "QColor";
    QTest::newRow("color-hsv-achromatic") << QVariant(QColor::fromHsv(-1, 0, 30, 40)) << "QColor";
    QTest::newRow("color-hsl") << QVariant(QColor::fromHsl(359, 10, 20, 30)) << "QColor";
    QTest::newRow("color-cmyka") << QVariant(QColor::fromCmyk(1, 2, 3, 4, 5)) << "QColor";
    QTest::newRow("color-invalid") << QVariant(QColor()) << "QColor";
    QTest::newRow("pointf") << QVariant(QPointF(0.5, -1e10)) << "QPointF";
    QTest::newRow("rect") << QVariant(QRect(1, 2, 30, 40)) << "QRect";
    QTest::newRow("stringlist") << QVariant(QStringList{"a", "", "\xc3\xa9"}) << "QStringList";
    QTest::newRow("intlist") << QVariant::fromValue(Common::IntList{3, -1, 0}) << "IntList";
    QTest::newRow("brush-pattern") << QVariant(QBrush(Qt::blue, Qt::Dense4Pattern)) << "QBrush";
    QTest::newRow("brush-gradient") << QVariant(QBrush(gradient)) << "QBrush";
    QTest::newRow("time") << QVariant(QTime(9, 30, 15, 250)) << "QTime";
    QTest::newRow("intmap") << QVariant::fromValue(Common::IntMap{{-2, 5}, {7, 0}}) << "IntMap";
    QTest::newRow("datetime-utc")
        << QVariant(QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5, 750), Qt::UTC)) << "QDateTime";
    QTest::newRow("datetime-offset")
        << QVariant(QDateTime(QDate(1999, 12, 31), QTime(23, 59), Qt::OffsetFromUTC, 3600))
        << "QDateTime";
    QTest::newRow("qlonglong") << QVariant(qlonglong(-9000000000000000000LL)) << "qlonglong";
    QTest::newRow("quint") << QVariant(uint(4000000000u)) << "quint";
    QTest::newRow("qulonglong") << QVariant(qulonglong(18446744073709551615ULL)) << "qulonglong";
    QTest::newRow("map")
        << QVariant(QVariantMap{{"text", "t"}, {"number", 2}, {"flag", false},
                                {"font", font("Arial", 10, false, false)},
                                {"dates", QVariantList{QDate(2020, 2, 29), "x"}},
                                {"inner", QVariantMap{{"point", QPoint(1, 2)}}}})
        << "map";
    QTest::newRow("map-empty") << QVariant(QVariantMap()) << "map";
    QTest::newRow("keysequence-chord")
        << QVariant(QKeySequence(QStringLiteral("Ctrl+K, Ctrl+D"))) << "QKeySequence";
    QTest::newRow("keysequencelist")
        << QVariant::fromValue(Common::KeySequenceList{QKeySequence(QStringLiteral("F5")),
                                                       QKeySequence(QStringLiteral("Alt+1"))})
        << "QKeySequenceList";
    QTest::newRow("datelist")
        << QVariant::fromValue(Common::DateList{QDate(2024, 1, 1), QDate(), QDate(1900, 6, 30)})
        << "QDateList";
    QTest::newRow("datapoint-null-time")
        << QVariant::fromValue(Common::DataPoint{Common::DateTime(), 0, 1, 2}) << "DataPoint";
}

// Every alias reads back what it writes, also after numbers turned into doubles as JSON text
// does to them, and without an assertion report.
void tst_JsonValue::roundTrip()
{
    QFETCH(QVariant, value);
    QFETCH(QString, alias);

    LogCapture log;
    const QVariant json = JsonValue::toJson(value);
    QCOMPARE(json.toMap().value(QStringLiteral("_type")).toString(), alias);
    const QVariant text = throughJsonText(json);
    QVERIFY2(text.isValid(), "the JSON form holds only JSON values");

    const QVariant back = JsonValue::fromJson(json, value.userType());
    QCOMPARE(back.userType(), value.userType());
    QVERIFY(back == value);
    QVERIFY(JsonValue::fromJson(text, value.userType()) == value);
    QCOMPARE(JsonValue(value.userType(), value).toJson(), json);
    QCOMPARE(log.texts("Assert"), QStringList());
}

// The map forms stored documents hold.
void tst_JsonValue::fixedMapForms_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariantMap>("map");

    const auto bytes = [](const char *base64) { return QVariant(QByteArray(base64)); };

    QTest::newRow("font-weight-above-normal")
        << [] { QFont f("X", 8); f.setWeight(58); f.setItalic(true); return QVariant(f); }()
        << QVariantMap{{"family", "X"}, {"pointSize", 8}, {"bold", true}, {"italic", true}};
    QTest::newRow("datapoint")
        << QVariant::fromValue(
               Common::DataPoint{Common::DateTime(20240131, 93015250), 0.25, 99.5, -1.5})
        << QVariantMap{{"value", qulonglong(20240131093015250ULL)}, {"fractional", 0.25},
                       {"price", 99.5}, {"offset", -1.5}};
    QTest::newRow("qlonglong") << QVariant(qlonglong(-2)) << QVariantMap{{"value", bytes("//////////4=")}};
    QTest::newRow("quint") << QVariant(uint(7)) << QVariantMap{{"value", bytes("AAAABw==")}};
    QTest::newRow("date") << QVariant(QDate(2024, 1, 31)) << QVariantMap{{"data", bytes("AAAAAAAlirU=")}};
    QTest::newRow("time") << QVariant(QTime(9, 30, 15, 250)) << QVariantMap{{"data", bytes("AgoVUg==")}};
    QTest::newRow("color-rgb") << QVariant(QColor(255, 128, 0)) << QVariantMap{{"data", "rgb(255,128,0)"}};
    QTest::newRow("color-rgba") << QVariant(QColor(255, 128, 0, 0))
                                << QVariantMap{{"data", "rgba(255,128,0,0)"}};
    QTest::newRow("color-hsva") << QVariant(QColor::fromHsv(-1, 0, 100, 254))
                                << QVariantMap{{"data", "hsva(-1,0,100,254)"}};
    QTest::newRow("color-cmyk") << QVariant(QColor::fromCmyk(0, 50, 100, 5))
                                << QVariantMap{{"data", "cmyk(0,50,100,5)"}};
    QTest::newRow("color-invalid") << QVariant(QColor()) << QVariantMap{{"data", ""}};
    QTest::newRow("keysequence") << QVariant(QKeySequence(QStringLiteral("Ctrl+Shift+A")))
                                 << QVariantMap{{"stringRep", "Ctrl+Shift+A"}};
    QTest::newRow("point") << QVariant(QPoint(3, -4)) << QVariantMap{{"x", 3}, {"y", -4}};
}

void tst_JsonValue::fixedMapForms()
{
    QFETCH(QVariant, value);
    QFETCH(QVariantMap, map);

    QCOMPARE(VariantMapConverter::toMap(value), map);
}

void tst_JsonValue::fontDefaultsAndNesting()
{
    // Missing keys read as the empty family, no size, not bold, not italic.
    const QFont read = JsonValue::fromJson(QVariantMap{{"_type", "QFont"}}, QMetaType::QFont)
                           .value<QFont>();
    QCOMPARE(read.family(), QString());
    QCOMPARE(read.weight(), int(QFont::Normal));
    QVERIFY(!read.italic());
    QCOMPARE(read.pointSize(), QFont().pointSize());

    // Streamed forms keep their bytes as a byte-array member in its own JSON form.
    QCOMPARE(JsonValue::toJson(QDate(2024, 1, 31)).toMap(),
             (QVariantMap{{"_type", "QDate"},
                          {"data", streamed(QByteArray::fromBase64("AAAAAAAlirU="))}}));
}

void tst_JsonValue::nullForms_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("typeName");

    QTest::newRow("font") << QVariant(QVariant::Font) << "QFont";
    QTest::newRow("bytes") << QVariant(QByteArray()) << "QByteArray";
    QTest::newRow("date") << QVariant(QDate()) << "QDate";
    QTest::newRow("point-origin") << QVariant(QPoint(0, 0)) << "QPoint";
}

// Null values travel as {"_null": true, "type": name} and read back as null values of the type,
// which is what the form means: no assertion report.
void tst_JsonValue::nullForms()
{
    QFETCH(QVariant, value);
    QFETCH(QString, typeName);

    LogCapture log;
    const QVariant json = JsonValue::toJson(value);
    QCOMPARE(json.toMap(), (QVariantMap{{"_null", true}, {"type", typeName}}));
    const QVariant back = JsonValue::fromJson(json, value.userType());
    QCOMPARE(back.userType(), value.userType());
    QVERIFY(back.isNull() && back == value);
    QCOMPARE(log.texts("Assert"), QStringList());

    QVERIFY(!JsonValue::toJson(QVariant()).isValid());
    QVERIFY(!JsonValue::fromJson(QVariant(), QMetaType::QFont).isValid());
}

void tst_JsonValue::typeWithoutConverter()
{
    LogCapture log;
    const QVariant json = JsonValue::toJson(QVariant::fromValue(1.5f));
    QCOMPARE(json.toMap(), (QVariantMap{{"_type", ""}}));
    QCOMPARE(log.entries().size(), 2);
    QCOMPARE(log.entries().at(0).category, QByteArray("Common.JsonValue"));
    QCOMPARE(log.entries().at(0).level, 4);
    QCOMPARE(log.entries().at(0).text, QStringLiteral("Have no convertion for float"));
    QCOMPARE(log.texts("Assert"), QStringList{"VariantMapConverter::contains(v.userType())"});

    log.clear();
    QVERIFY(!JsonValue::fromJson(json, QMetaType::Float).isValid());
    QCOMPARE(log.texts("Common.JsonValue"),
             (QStringList{"There is no VariantMapConverter for typeId",
                          "typeId: 0, which found from alias: "}));
    QCOMPARE(log.entries().at(0).level, 4);
    QCOMPARE(log.entries().at(1).level, 3);
    QCOMPARE(log.texts("Assert"), QStringList());
}

void tst_JsonValue::plainMapAskedAsFont()
{
    LogCapture log;
    const QVariantMap map{{"family", "Arial"}, {"pointSize", 12}};
    QCOMPARE(JsonValue::fromJson(map, QMetaType::QFont), QVariant(map));
    QCOMPARE(log.texts("Assert"),
             QStringList{"!result.isValid() || (result.userType() == typeId && !result.isNull())"});
}

void tst_JsonValue::nestedMapsAndLists()
{
    const QVariantList json{QVariantMap{{"_type", "QPoint"}, {"x", 1}, {"y", 2}}, 5,
                            QVariantMap{{"plain", QVariantMap{{"_type", "QRect"}, {"x", 1},
                                                              {"y", 2}, {"width", 3},
                                                              {"height", 4}}}}};
    QCOMPARE(JsonValue::fromJson(json, QMetaType::QVariantList),
             QVariant(QVariantList{QPoint(1, 2), 5, QVariantMap{{"plain", QRect(1, 2, 3, 4)}}}));

    // A map that names its own "_type" keeps it: the JSON form of a JSON form is itself.
    const QVariant form = JsonValue::toJson(QColor(1, 2, 3));
    QCOMPARE(JsonValue::toJson(form), form);
}

void tst_JsonValue::malformedMapForms_data()
{
    QTest::addColumn<QVariantMap>("json");
    QTest::addColumn<int>("typeId");

    const auto brushBytes = [](const QBrush &brush) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << brush;
        return bytes;
    };
    const QByteArray gradient = brushBytes(QLinearGradient(0, 0, 1, 1));
    QByteArray hugeStops = gradient;
    hugeStops.replace(28, 4, QByteArray::fromHex("7fffffff"));
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(Qt::green);
    QByteArray hugeTexture = brushBytes(image);
    hugeTexture.replace(32, 8, QByteArray::fromHex("0000ffff0000ffff"));

    const auto row = [](const char *name, const char *alias, QVariantMap members, int typeId) {
        members.insert(QStringLiteral("_type"), QString::fromLatin1(alias));
        QTest::newRow(name) << members << typeId;
    };
    row("unknown-alias", "QWidget", {{"x", 1}}, QMetaType::QPoint);
    row("date-not-base64", "QDate", {{"data", "eA==!"}}, QMetaType::QDate);
    row("date-short", "QDate", {{"data", streamed("\x01\x02")}}, QMetaType::QDate);
    row("date-trailing-bytes", "QDate", {{"data", streamed(QByteArray(9, '\0'))}},
        QMetaType::QDate);
    row("qlonglong-missing", "qlonglong", {}, QMetaType::LongLong);
    row("brush-huge-stop-count", "QBrush", {{"brushData", streamed(hugeStops)}}, QMetaType::QBrush);
    row("brush-huge-texture", "QBrush", {{"brushData", streamed(hugeTexture)}}, QMetaType::QBrush);
    row("brush-truncated", "QBrush", {{"brushData", streamed(gradient.left(40))}},
        QMetaType::QBrush);
    row("bytes-beyond-latin1", "QByteArray", {{"data", QString(QChar(0x20ac))}},
        QMetaType::QByteArray);
    row("color-unknown-model", "QColor", {{"data", "lab(1,2,3)"}}, QMetaType::QColor);
    row("color-out-of-range", "QColor", {{"data", "rgb(1,2,256)"}}, QMetaType::QColor);
    row("color-component-count", "QColor", {{"data", "cmyk(1,2,3)"}}, QMetaType::QColor);
    row("intmap-uneven", "IntMap", {{"keys", QVariantList{1, 2}}, {"values", QVariantList{1}}},
        qMetaTypeId<Common::IntMap>());
}

// Map forms that do not describe a value read as invalid, without a crash.
void tst_JsonValue::malformedMapForms()
{
    QFETCH(QVariantMap, json);
    QFETCH(int, typeId);

    LogCapture log;
    QVERIFY(!JsonValue::fromJson(json, typeId).isValid());
}

void tst_JsonValue::colorSpecKey()
{
    const QColor hsv = JsonValue::fromJson(
                           QVariantMap{{"_type", "QColor"}, {"data", "rgb(255,0,0)"}, {"spec", "hsv"}},
                           QMetaType::QColor)
                           .value<QColor>();
    QCOMPARE(hsv.spec(), QColor::Hsv);
    QCOMPARE(hsv.hsvHue(), 0);
    QCOMPARE(hsv.value(), 255);
}

void tst_JsonValue::construct_data()
{
    QTest::addColumn<QVariant>("data");
    QTest::addColumn<bool>("mismatch");

    QTest::newRow("same-type") << QVariant(font("Arial", 15, true, true)) << false;
    QTest::newRow("invalid") << QVariant() << false;
    QTest::newRow("string") << QVariant(QStringLiteral("bold 12pt")) << true;
}

void tst_JsonValue::construct()
{
    QFETCH(QVariant, data);
    QFETCH(bool, mismatch);

    LogCapture log;
    const JsonValue holder(QMetaType::QFont, data);
    QCOMPARE(holder.value().userType(), int(QMetaType::QFont));
    const QFont expected = data.userType() == QMetaType::QFont ? data.value<QFont>() : QFont();
    QCOMPARE(holder.value().value<QFont>(), expected);

    const QStringList expectedLog{"Error during JsonValue construction",
                                  "data.userType: " + QString::number(data.userType()),
                                  "type expected (m_typeId) : 64"};
    QCOMPARE(log.texts("Common.JsonValue"), mismatch ? expectedLog : QStringList());
    if (mismatch) {
        QCOMPARE(log.entries().at(0).level, 4);
        QCOMPARE(log.entries().at(2).level, 3);
    }
}

// The holder owns its instance: copies must not share it.
void tst_JsonValue::copiesAreIndependent()
{
    JsonValue first(QMetaType::QStringList, QStringList{"a"});
    JsonValue second(first);
    first.construct(QStringList{"b"});
    QCOMPARE(second.value().toStringList(), QStringList{"a"});

    JsonValue third(QMetaType::Int, 5);
    third = first;
    QCOMPARE(third.typeId(), int(QMetaType::QStringList));
    QCOMPARE(third.value().toStringList(), QStringList{"b"});
}

void tst_JsonValue::mapMembers()
{
    LogCapture log;
    JsonValue holder(QMetaType::QFont, font("Arial", 12, false, false));
    QCOMPARE(holder.mapValue("pointSize"), QVariant(12));
    holder.setMapValue("bold", true);
    QCOMPARE(holder.value().value<QFont>().weight(), int(QFont::Bold));

    // Values as JSON text or a script carries them are converted to the member's type.
    holder.setPropertyValue("pointSize", 14.0);
    holder.setPropertyValue("italic", QStringLiteral("true"));
    QCOMPARE(holder.value().value<QFont>().pointSize(), 14);
    QVERIFY(holder.value().value<QFont>().italic());
    QCOMPARE(log.texts("Assert"), QStringList());

    holder.setMapValue("pointSize", QStringLiteral("20"));
    holder.setPropertyValue("family", QPoint(1, 1));
    QVERIFY(!holder.mapValue(QString()).isValid());
    QCOMPARE(log.texts("Assert"),
             (QStringList{"value.userType() == prev.userType()",
                          "v.userType() == prev.userType()", "!name.isEmpty()"}));
    QCOMPARE(holder.value().value<QFont>().pointSize(), 14);
    QCOMPARE(holder.value().value<QFont>().family(), QStringLiteral("Arial"));

    JsonValue map(QMetaType::QVariantMap, QVariantMap{{"n", 1}, {"p", QPoint(1, 1)}});
    map.setMapValue("n", 2);
    map.setPropertyValue("p", QVariantMap{{"_type", "QPoint"}, {"x", 5}, {"y", 6}});
    QCOMPARE(map.value().toMap(), (QVariantMap{{"n", 2}, {"p", QPoint(5, 6)}}));
}

void tst_JsonValue::registration()
{
    LogCapture log;
    const int pairType = qRegisterMetaType<Pair>("Pair");
    QMetaType::registerEqualsComparator<Pair>();

    QVERIFY(!VariantMapConverter::registerOperatorsPrivate("Zero", 0, pairToMap, pairFromMap));
    QCOMPARE(log.texts("Assert"), QStringList{"0 != typeId"});
    log.clear();

    QVERIFY(VariantMapConverter::registerOperatorsPrivate("Pair", pairType, pairToMap, pairFromMap));
    QCOMPARE(VariantMapConverter::userType("Pair"), pairType);
    QCOMPARE(VariantMapConverter::aliases().last(), QByteArray("Pair"));
    const QVariant value = QVariant::fromValue(Pair{1, 2});
    const QVariant json = JsonValue::toJson(value);
    QCOMPARE(json.toMap(), (QVariantMap{{"_type", "Pair"}, {"first", 1}, {"second", 2}}));
    QVERIFY(JsonValue::fromJson(json, pairType) == value);

    // The same registration again is accepted quietly.
    QVERIFY(VariantMapConverter::registerOperatorsPrivate("Pair", pairType, pairToMap, pairFromMap));
    QCOMPARE(log.entries().size(), 0);

    // Other functions under a known alias, or a known type under another alias, are refused.
    QVERIFY(!VariantMapConverter::registerOperatorsPrivate("Pair", pairType, counterToMap,
                                                           pairFromMap));
    QCOMPARE(log.texts("Common.JsonValue"),
             QStringList{"Attempting to register converter for Pair that is already registered"});
    QVERIFY(!VariantMapConverter::registerOperatorsPrivate("Pair2", pairType, pairToMap,
                                                           pairFromMap));
    QCOMPARE(log.texts("Assert").size(), 2);
    QCOMPARE(VariantMapConverter::userType("Pair2"), 0);
    QCOMPARE(VariantMapConverter::toMap(value), pairToMap(value));
}

// Lookups from several threads while another thread takes the registry for writing.
void tst_JsonValue::concurrentLookups()
{
    const int counterType = qRegisterMetaType<Counter>("Counter");
    std::atomic<int> failures(0);
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&failures, t] {
            for (int i = 0; i < 500; ++i) {
                const QVariant value(QPoint(t, i));
                if (JsonValue::fromJson(JsonValue::toJson(value), QMetaType::QPoint) != value)
                    ++failures;
            }
        });
    }
    std::thread writer([&failures, counterType] {
        for (int i = 0; i < 200; ++i) {
            if (!VariantMapConverter::registerOperatorsPrivate("Counter", counterType,
                                                               counterToMap, counterFromMap)) {
                ++failures;
            }
        }
    });
    writer.join();
    for (std::thread &reader : readers)
        reader.join();
    QCOMPARE(failures.load(), 0);
}

QTEST_MAIN(tst_JsonValue)
#include "tst_jsonvalue.moc"
