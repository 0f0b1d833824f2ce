#include "common/jsonvalue.h"
#include "common/valuetypes.h"
#include "common/variantmapconverter.h"

#include <testsupport.h>

#include <QBrush>
#include <QDataStream>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QLinearGradient>
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
    friend bool operator==(const Pair &a, const Pair &b) { return a.first == b.first && a.second == b.second; }
};

} // namespace

Q_DECLARE_METATYPE(Pair)

namespace {

QVariantMap pairToMap(const QVariant &value)
{
    return {{QStringLiteral("first"), value.value<Pair>().first}, {QStringLiteral("second"), value.value<Pair>().second}};
}

QVariant pairFromMap(const QVariantMap &map)
{
    return QVariant::fromValue(Pair{map.value(QStringLiteral("first")).toInt(), map.value(QStringLiteral("second")).toInt()});
}

QVariantMap otherToMap(const QVariant &)
{
    return QVariantMap();
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
    void initTestCase();
    void fontForms_data();
    void fontForms();
    void fontEdgeForms();
    void typeWithoutConverter();
    void malformedMapForms_data();
    void malformedMapForms();
    void holder();
    void registration();
    void concurrentLookups();

private:
    int m_pairType = 0;
};

void tst_JsonValue::initTestCase()
{
    m_pairType = qRegisterMetaType<Pair>("Pair");
    QMetaType::registerEqualsComparator<Pair>();
}

// Fonts are stored in this form and come from scripts as its map: the exact members, and the
// font read back from them, also after JSON text turned the size into a double.
void tst_JsonValue::fontForms_data()
{
    QTest::addColumn<QFont>("value");
    QTest::addColumn<QVariantMap>("map");
    QTest::addColumn<QFont>("back");

    const QFont italic = font("Courier New", 9, false, true);
    const QFont bold = font("Arial", 12, true, false);
    QFont semiBold("X", 8);
    semiBold.setWeight(58);
    semiBold.setItalic(true);
    QTest::newRow("italic") << italic << QVariantMap{{"family", "Courier New"}, {"pointSize", 9}, {"bold", false}, {"italic", true}} << italic;
    QTest::newRow("bold") << bold << QVariantMap{{"family", "Arial"}, {"pointSize", 12}, {"bold", true}, {"italic", false}} << bold;
    QTest::newRow("weight-above-normal") << semiBold << QVariantMap{{"family", "X"}, {"pointSize", 8}, {"bold", true}, {"italic", true}} << font("X", 8, true, true);
}

void tst_JsonValue::fontForms()
{
    QFETCH(QFont, value);
    QFETCH(QVariantMap, map);
    QFETCH(QFont, back);

    LogCapture log;
    QCOMPARE(VariantMapConverter::toMap(value), map);
    QCOMPARE(VariantMapConverter::fromMap(map, QMetaType::QFont), QVariant(back));
    QVariantMap json = map;
    json.insert(QStringLiteral("_type"), QStringLiteral("QFont"));
    QCOMPARE(JsonValue::toJson(value), QVariant(json));
    QCOMPARE(JsonValue(QMetaType::QFont, value).toJson(), QVariant(json));
    QCOMPARE(JsonValue::fromJson(json, QMetaType::QFont), QVariant(back));
    json.insert(QStringLiteral("pointSize"), map.value(QStringLiteral("pointSize")).toDouble());
    QCOMPARE(JsonValue::fromJson(json, QMetaType::QFont), QVariant(back));
    QCOMPARE(log.texts("Assert"), QStringList());
}

void tst_JsonValue::fontEdgeForms()
{
    LogCapture log;
    // Missing keys read as the empty family, no size, not bold, not italic.
    QCOMPARE(JsonValue::fromJson(QVariantMap{{"_type", "QFont"}}, QMetaType::QFont), QVariant(font(QString(), QFont().pointSize(), false, false)));
    // A null font travels as {"_null": true, "type": name} and reads back as a null font.
    const QVariant null(QVariant::Font);
    const QVariant nullForm = JsonValue::toJson(null);
    QCOMPARE(nullForm.toMap(), (QVariantMap{{"_null", true}, {"type", "QFont"}}));
    const QVariant nullBack = JsonValue::fromJson(nullForm, QMetaType::QFont);
    QVERIFY(nullBack.userType() == QMetaType::QFont && nullBack.isNull());
    QVERIFY(!JsonValue::toJson(QVariant()).isValid());
    QVERIFY(!JsonValue::fromJson(QVariant(), QMetaType::QFont).isValid());

    // Lists and maps without "_type" are read member by member; a map that names its own
    // "_type" keeps it: the JSON form of a JSON form is itself.
    const QVariant form = JsonValue::toJson(font("Arial", 10, false, false));
    QCOMPARE(JsonValue::fromJson(QVariantList{QVariantMap{{"plain", form}}, 5}, QMetaType::QVariantList),
             QVariant(QVariantList{QVariantMap{{"plain", font("Arial", 10, false, false)}}, 5}));
    QCOMPARE(JsonValue::toJson(form), form);
    QCOMPARE(log.texts("Assert"), QStringList());

    // A plain map asked for as a font is returned as it is, and reported.
    const QVariantMap plain{{"family", "Arial"}, {"pointSize", 12}};
    QCOMPARE(JsonValue::fromJson(plain, QMetaType::QFont), QVariant(plain));
    QCOMPARE(log.texts("Assert"), QStringList{"!result.isValid() || (result.userType() == typeId && !result.isNull())"});
}

void tst_JsonValue::typeWithoutConverter()
{
    LogCapture log;
    const QVariant json = JsonValue::toJson(QVariant::fromValue(1.5f));
    QCOMPARE(json.toMap(), (QVariantMap{{"_type", ""}}));
    QCOMPARE(log.texts("Assert"), QStringList{"VariantMapConverter::contains(v.userType())"});
    QVERIFY(!JsonValue::fromJson(json, QMetaType::Float).isValid());
    QCOMPARE(log.texts("Common.JsonValue"), (QStringList{"Have no convertion for float", "There is no VariantMapConverter for typeId",
                                                         "typeId: 0, which found from alias: "}));
    QCOMPARE(log.entries().at(0).level, 4);
    QCOMPARE(log.entries().last().level, 3);
    QCOMPARE(log.texts("Assert").size(), 1);
}

// A stored font's members are read through their own JSON forms, so any alias can come from
// a document: forms that do not describe a value read as invalid, without a crash.
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
    row("date-trailing-bytes", "QDate", {{"data", streamed(QByteArray(9, '\0'))}}, QMetaType::QDate);
    row("qlonglong-missing", "qlonglong", {}, QMetaType::LongLong);
    row("brush-huge-stop-count", "QBrush", {{"brushData", streamed(hugeStops)}}, QMetaType::QBrush);
    row("brush-huge-texture", "QBrush", {{"brushData", streamed(hugeTexture)}}, QMetaType::QBrush);
    row("brush-truncated", "QBrush", {{"brushData", streamed(gradient.left(40))}}, QMetaType::QBrush);
    row("bytes-beyond-latin1", "QByteArray", {{"data", QString(QChar(0x20ac))}}, QMetaType::QByteArray);
    row("color-unknown-model", "QColor", {{"data", "lab(1,2,3)"}}, QMetaType::QColor);
    row("color-out-of-range", "QColor", {{"data", "rgb(1,2,256)"}}, QMetaType::QColor);
    row("color-component-count", "QColor", {{"data", "cmyk(1,2,3)"}}, QMetaType::QColor);
    row("intmap-uneven", "IntMap", {{"keys", QVariantList{1, 2}}, {"values", QVariantList{1}}}, qMetaTypeId<Common::IntMap>());
}

void tst_JsonValue::malformedMapForms()
{
    QFETCH(QVariantMap, json);
    QFETCH(int, typeId);

    LogCapture log;
    QVERIFY(!JsonValue::fromJson(json, typeId).isValid());
}

// The holder owns its instance: copies do not share it. Members keep their types; values as
// JSON text or a script carries them are converted.
void tst_JsonValue::holder()
{
    LogCapture log;
    const JsonValue mismatch(QMetaType::QFont, QStringLiteral("bold 12pt"));
    QCOMPARE(mismatch.value(), QVariant(QFont()));
    QCOMPARE(log.texts("Common.JsonValue"),
             (QStringList{"Error during JsonValue construction", "data.userType: 10", "type expected (m_typeId) : 64"}));
    JsonValue first(QMetaType::QFont, font("Arial", 12, false, false));
    JsonValue copy(QMetaType::Int, 5);
    copy = first;
    first.setMapValue("bold", true);
    first.setPropertyValue("pointSize", 14.0);
    first.setPropertyValue("italic", QStringLiteral("true"));
    QCOMPARE(first.value(), QVariant(font("Arial", 14, true, true)));
    QCOMPARE(copy.value(), QVariant(font("Arial", 12, false, false)));
    QCOMPARE(first.mapValue("pointSize"), QVariant(14));
    QCOMPARE(log.texts("Assert"), QStringList());
}

// Registration refuses the null type, other functions under a known alias and a known type
// under another alias; the same registration again is accepted quietly.
void tst_JsonValue::registration()
{
    LogCapture log;
    QVERIFY(!VariantMapConverter::registerOperatorsPrivate("Zero", 0, pairToMap, pairFromMap));
    QVERIFY(VariantMapConverter::registerOperatorsPrivate("Pair", m_pairType, pairToMap, pairFromMap));
    QVERIFY(VariantMapConverter::registerOperatorsPrivate("Pair", m_pairType, pairToMap, pairFromMap));
    QCOMPARE(log.texts(), QStringList{"0 != typeId"});
    QVERIFY(!VariantMapConverter::registerOperatorsPrivate("Pair", m_pairType, otherToMap, pairFromMap));
    QVERIFY(!VariantMapConverter::registerOperatorsPrivate("Pair2", m_pairType, pairToMap, pairFromMap));
    QCOMPARE(log.texts("Common.JsonValue"), QStringList{"Attempting to register converter for Pair that is already registered"});
    QCOMPARE(log.texts("Assert").size(), 3);
    QCOMPARE(VariantMapConverter::userType("Pair2"), 0);

    const QVariant value = QVariant::fromValue(Pair{1, 2});
    const QVariant json = JsonValue::toJson(value);
    QCOMPARE(json.toMap(), (QVariantMap{{"_type", "Pair"}, {"first", 1}, {"second", 2}}));
    QVERIFY(JsonValue::fromJson(json, m_pairType) == value);
}

// Lookups from several threads while another thread takes the registry for writing.
void tst_JsonValue::concurrentLookups()
{
    std::atomic<int> failures(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < 500; ++i)
                failures += JsonValue::fromJson(JsonValue::toJson(QPoint(t, i)), QMetaType::QPoint) != QVariant(QPoint(t, i));
        });
    }
    threads.emplace_back([this, &failures] {
        for (int i = 0; i < 200; ++i)
            failures += !VariantMapConverter::registerOperatorsPrivate("Pair", m_pairType, pairToMap, pairFromMap);
    });
    for (std::thread &thread : threads)
        thread.join();
    QCOMPARE(failures.load(), 0);
}

QTEST_MAIN(tst_JsonValue)
#include "tst_jsonvalue.moc"