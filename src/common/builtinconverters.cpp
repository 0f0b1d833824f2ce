#include "builtinconverters.h"

#include "valuetypes.h"

#include <datapoint.h>

#include <QBrush>
#include <QColor>
#include <QDataStream>
#include <QDateTime>
#include <QFont>
#include <QKeySequence>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

// Map forms of the built-in aliases. Forms that hold a data stream keep its bytes in base64
// as a byte-array member, which the JSON form in turn writes as the alias "QByteArray".
//
//   QByteArray        {"data": the bytes as Latin-1 text, one character per byte}
//   QFont             {"family", "pointSize", "bold", "italic"}
//   QColor            {"data": "rgb(r,g,b)", "rgba(r,g,b,a)", "hsv(h,s,v)", "hsva(h,s,v,a)",
//                      "hsl(h,s,l)", "hsla(h,s,l,a)", "cmyk(c,m,y,k)", "cmyka(c,m,y,k,a)",
//                      or "" for an invalid colour}; an optional "spec" ("rgb", "hsv", "hsl",
//                      "cmyk") converts the colour read to that model
//   QPoint            {"x", "y"}                   QPointF {"x", "y"} as doubles
//   QRect             {"x", "y", "width", "height"}
//   QStringList, IntList, QKeySequenceList, QDateList   {"list": the elements}
//   IntMap            {"keys": list, "values": list}, in key order
//   QBrush            {"brushData": stream}       QDate, QTime, QDateTime {"data": stream}
//   qlonglong, quint, qulonglong                   {"value": stream}
//   map               the map itself
//   QKeySequence      {"stringRep": portable text}
//   DataPoint         {"value": time point as qulonglong, "fractional", "price", "offset"}

namespace Common {

namespace {

const QString DataKey = QStringLiteral("data");
const QString ValueKey = QStringLiteral("value");
const QString ListKey = QStringLiteral("list");

// Streams are written and read with this version; the brush check below knows its layout.
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_5_15;
static_assert(QDataStream::Qt_DefaultCompiledVersion == StreamVersion,
              "map forms are written with the default stream version");

// ---- data streams

template <typename T>
QByteArray streamed(const T &value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(StreamVersion);
    stream << value;
    return bytes.toBase64();
}

// The bytes of a stream member: base64 text, strictly decoded.
bool decodeStream(const QVariant &member, QByteArray *bytes)
{
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        member.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    *bytes = decoded.decoded;
    return decoded.decodingStatus == QByteArray::Base64DecodingStatus::Ok;
}

// Reads a value that must fill the whole stream; invalid otherwise.
template <typename T>
QVariant unstreamed(const QByteArray &bytes)
{
    T value;
    QDataStream stream(bytes);
    stream.setVersion(StreamVersion);
    stream >> value;
    if (stream.status() != QDataStream::Ok || !stream.atEnd())
        return QVariant();
    return QVariant::fromValue(value);
}

template <typename T>
QVariant unstreamedMember(const QVariantMap &map, const QString &key)
{
    QByteArray bytes;
    if (!decodeStream(map.value(key), &bytes))
        return QVariant();
    return unstreamed<T>(bytes);
}

// ---- scalars and Qt value types

QVariantMap byteArrayToMap(const QVariant &value)
{
    const QByteArray bytes = value.toByteArray();
    return {{DataKey, QString::fromLatin1(bytes.constData(), bytes.size())}};
}

QVariant byteArrayFromMap(const QVariantMap &map)
{
    const QString text = map.value(DataKey).toString();
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return QVariant();
    }
    return text.toLatin1();
}

QVariantMap fontToMap(const QVariant &value)
{
    const QFont font = value.value<QFont>();
    return {{QStringLiteral("family"), font.family()},
            {QStringLiteral("pointSize"), font.pointSize()},
            {QStringLiteral("bold"), font.weight() > QFont::Normal},
            {QStringLiteral("italic"), font.italic()}};
}

QVariant fontFromMap(const QVariantMap &map)
{
    QFont font;
    font.setFamily(map.value(QStringLiteral("family")).toString());
    // QFont cannot hold a size of 0 (a missing key): the font keeps its default size.
    const int pointSize = map.value(QStringLiteral("pointSize")).toInt();
    if (pointSize > 0)
        font.setPointSize(pointSize);
    font.setWeight(map.value(QStringLiteral("bold")).toBool() ? QFont::Bold : QFont::Normal);
    font.setItalic(map.value(QStringLiteral("italic")).toBool());
    return font;
}

// ---- colour text

struct ColorModel
{
    const char *name;                        // the text before "(" without the alpha "a"
    QColor::Spec spec;
};

constexpr ColorModel ColorModels[] = {
    {"rgb", QColor::Rgb},
    {"hsv", QColor::Hsv},
    {"hsl", QColor::Hsl},
    {"cmyk", QColor::Cmyk},
};

constexpr int MaxComponent = 255;
constexpr int MaxHue = 359;
constexpr int AchromaticHue = -1;

QString componentsText(const char *model, const QVector<int> &components, int alpha)
{
    QStringList parts;
    for (int component : components)
        parts.append(QString::number(component));
    QString name = QLatin1String(model);
    if (alpha != MaxComponent) {
        name += QLatin1Char('a');
        parts.append(QString::number(alpha));
    }
    return name + QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString colorText(const QColor &color)
{
    switch (color.spec()) {
    case QColor::Invalid:
        return QString();
    case QColor::Hsv:
        return componentsText("hsv", {color.hsvHue(), color.hsvSaturation(), color.value()},
                              color.alpha());
    case QColor::Hsl:
        return componentsText("hsl", {color.hslHue(), color.hslSaturation(), color.lightness()},
                              color.alpha());
    case QColor::Cmyk:
        return componentsText("cmyk",
                              {color.cyan(), color.magenta(), color.yellow(), color.black()},
                              color.alpha());
    case QColor::Rgb:
    case QColor::ExtendedRgb:
        break;
    }
    return componentsText("rgb", {color.red(), color.green(), color.blue()}, color.alpha());
}

// Reads the colour text; false when it is not one of the forms colorText writes.
bool parseColorText(const QString &text, QColor *color)
{
    if (text.isEmpty()) {
        *color = QColor();
        return true;
    }
    static const QRegularExpression form(
        QStringLiteral("^([a-z]+)\\((-?\\d{1,3}(?:,-?\\d{1,3}){2,4})\\)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;

    const QString name = match.captured(1);
    const QStringList parts = match.captured(2).split(QLatin1Char(','));
    for (const ColorModel &model : ColorModels) {
        const QString modelName = QLatin1String(model.name);
        const QString modelNameWithAlpha = modelName + QLatin1Char('a');
        const bool withAlpha = name == modelNameWithAlpha;
        if (name != modelName && !withAlpha)
            continue;
        const int channels = model.spec == QColor::Cmyk ? 4 : 3;
        if (parts.size() != channels + (withAlpha ? 1 : 0))
            return false;
        QVector<int> values;
        for (const QString &part : parts)
            values.append(part.toInt());
        const int alpha = withAlpha ? values.last() : MaxComponent;
        const bool hasHue = model.spec == QColor::Hsv || model.spec == QColor::Hsl;
        for (int i = 0; i < values.size(); ++i) {
            const int low = hasHue && i == 0 ? AchromaticHue : 0;
            const int high = hasHue && i == 0 ? MaxHue : MaxComponent;
            if (values.at(i) < low || values.at(i) > high)
                return false;
        }
        switch (model.spec) {
        case QColor::Hsv:
            *color = QColor::fromHsv(values[0], values[1], values[2], alpha);
            break;
        case QColor::Hsl:
            *color = QColor::fromHsl(values[0], values[1], values[2], alpha);
            break;
        case QColor::Cmyk:
            *color = QColor::fromCmyk(values[0], values[1], values[2], values[3], alpha);
            break;
        default:
            *color = QColor::fromRgb(values[0], values[1], values[2], alpha);
            break;
        }
        return true;
    }
    return false;
}

QVariantMap colorToMap(const QVariant &value)
{
    return {{DataKey, colorText(value.value<QColor>())}};
}

QVariant colorFromMap(const QVariantMap &map)
{
    QColor color;
    if (!parseColorText(map.value(DataKey).toString(), &color))
        return QVariant();
    const QString spec = map.value(QStringLiteral("spec")).toString();
    if (!spec.isEmpty() && color.isValid()) {
        for (const ColorModel &model : ColorModels) {
            if (spec == QLatin1String(model.name))
                color = color.convertTo(model.spec);
        }
    }
    return color;
}

QVariantMap pointToMap(const QVariant &value)
{
    const QPoint point = value.toPoint();
    return {{QStringLiteral("x"), point.x()}, {QStringLiteral("y"), point.y()}};
}

QVariant pointFromMap(const QVariantMap &map)
{
    return QPoint(map.value(QStringLiteral("x")).toInt(), map.value(QStringLiteral("y")).toInt());
}

QVariantMap pointFToMap(const QVariant &value)
{
    const QPointF point = value.toPointF();
    return {{QStringLiteral("x"), point.x()}, {QStringLiteral("y"), point.y()}};
}

QVariant pointFFromMap(const QVariantMap &map)
{
    return QPointF(map.value(QStringLiteral("x")).toDouble(),
                   map.value(QStringLiteral("y")).toDouble());
}

QVariantMap rectToMap(const QVariant &value)
{
    const QRect rect = value.toRect();
    return {{QStringLiteral("x"), rect.x()}, {QStringLiteral("y"), rect.y()},
            {QStringLiteral("width"), rect.width()}, {QStringLiteral("height"), rect.height()}};
}

QVariant rectFromMap(const QVariantMap &map)
{
    return QRect(map.value(QStringLiteral("x")).toInt(), map.value(QStringLiteral("y")).toInt(),
                 map.value(QStringLiteral("width")).toInt(),
                 map.value(QStringLiteral("height")).toInt());
}

// ---- lists

template <typename List>
QVariantMap listToMap(const QVariant &value)
{
    QVariantList elements;
    for (const auto &element : value.value<List>())
        elements.append(QVariant::fromValue(element));
    return {{ListKey, elements}};
}

template <typename List>
QVariant listFromMap(const QVariantMap &map)
{
    List list;
    for (const QVariant &element : map.value(ListKey).toList())
        list.append(element.value<typename List::value_type>());
    return QVariant::fromValue(list);
}

QVariantMap intMapToMap(const QVariant &value)
{
    const IntMap intMap = value.value<IntMap>();
    QVariantList keys;
    QVariantList values;
    for (auto it = intMap.constBegin(); it != intMap.constEnd(); ++it) {
        keys.append(it.key());
        values.append(it.value());
    }
    return {{QStringLiteral("keys"), keys}, {QStringLiteral("values"), values}};
}

QVariant intMapFromMap(const QVariantMap &map)
{
    const QVariantList keys = map.value(QStringLiteral("keys")).toList();
    const QVariantList values = map.value(QStringLiteral("values")).toList();
    if (keys.size() != values.size())
        return QVariant();
    IntMap intMap;
    for (int i = 0; i < keys.size(); ++i)
        intMap.insert(keys.at(i).toInt(), values.at(i).toInt());
    return QVariant::fromValue(intMap);
}

// ---- streamed values

// Qt's brush stream at StreamVersion: style (quint8) and colour (11 bytes); for a gradient
// four qint32 (type, spread, coordinate mode, interpolation mode), the stop count (quint32) and
// the stops (a double and a colour each); for a texture a null marker (qint32) and a PNG
// image. Qt reserves room for the claimed stop count before reading any stop, and decodes an
// image at the size its header claims, so both claims are checked against the data first.
constexpr int BrushHeaderSize = 12;
constexpr int GradientStopCountOffset = 28;
constexpr int GradientStopSize = 19;
constexpr int TextureImageOffset = 16;
constexpr int PngSignatureSize = 8;
constexpr int PngWidthOffset = TextureImageOffset + 16;
constexpr qint64 MaxTexturePixels = 4096 * 4096;

bool isSafeBrushStream(const QByteArray &bytes)
{
    if (bytes.size() < BrushHeaderSize)
        return false;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    switch (data[0]) {
    case Qt::LinearGradientPattern:
    case Qt::RadialGradientPattern:
    case Qt::ConicalGradientPattern: {
        if (bytes.size() < GradientStopCountOffset + 4)
            return false;
        const quint32 stops = qFromBigEndian<quint32>(data + GradientStopCountOffset);
        const qint64 room = bytes.size() - GradientStopCountOffset - 4;
        return stops <= room / GradientStopSize;
    }
    case Qt::TexturePattern: {
        if (bytes.size() < TextureImageOffset)
            return false;
        if (qFromBigEndian<qint32>(data + BrushHeaderSize) == 0)
            return true;                     // a null image: nothing follows
        static const QByteArray pngSignature("\x89PNG\r\n\x1a\n", PngSignatureSize);
        if (bytes.size() < PngWidthOffset + 8
            || bytes.mid(TextureImageOffset, PngSignatureSize) != pngSignature) {
            return false;
        }
        const qint64 width = qFromBigEndian<quint32>(data + PngWidthOffset);
        const qint64 height = qFromBigEndian<quint32>(data + PngWidthOffset + 4);
        return width * height <= MaxTexturePixels;
    }
    default:
        return true;
    }
}

QVariantMap brushToMap(const QVariant &value)
{
    return {{QStringLiteral("brushData"), streamed(value.value<QBrush>())}};
}

QVariant brushFromMap(const QVariantMap &map)
{
    QByteArray bytes;
    if (!decodeStream(map.value(QStringLiteral("brushData")), &bytes) || !isSafeBrushStream(bytes))
        return QVariant();
    return unstreamed<QBrush>(bytes);
}

template <typename T>
QVariantMap streamedToMap(const QVariant &value)
{
    return {{DataKey, streamed(value.value<T>())}};
}

template <typename T>
QVariant streamedFromMap(const QVariantMap &map)
{
    return unstreamedMember<T>(map, DataKey);
}

template <typename T>
QVariantMap numberToMap(const QVariant &value)
{
    return {{ValueKey, streamed(value.value<T>())}};
}

template <typename T>
QVariant numberFromMap(const QVariantMap &map)
{
    return unstreamedMember<T>(map, ValueKey);
}

// ---- the rest

QVariantMap mapToMap(const QVariant &value)
{
    return value.toMap();
}

QVariant mapFromMap(const QVariantMap &map)
{
    return map;
}

QVariantMap keySequenceToMap(const QVariant &value)
{
    return {{QStringLiteral("stringRep"),
             value.value<QKeySequence>().toString(QKeySequence::PortableText)}};
}

QVariant keySequenceFromMap(const QVariantMap &map)
{
    return QKeySequence::fromString(map.value(QStringLiteral("stringRep")).toString(),
                                    QKeySequence::PortableText);
}

QVariantMap dataPointToMap(const QVariant &value)
{
    const DataPoint point = value.value<DataPoint>();
    return {{ValueKey, QVariant::fromValue<qulonglong>(point.time.toInt64())},
            {QStringLiteral("fractional"), point.fractional},
            {QStringLiteral("price"), point.price},
            {QStringLiteral("offset"), point.offset}};
}

QVariant dataPointFromMap(const QVariantMap &map)
{
    DataPoint point;
    point.time = DateTime::fromInt64(map.value(ValueKey).toULongLong());
    point.fractional = map.value(QStringLiteral("fractional")).toDouble();
    point.price = map.value(QStringLiteral("price")).toDouble();
    point.offset = map.value(QStringLiteral("offset")).toDouble();
    return QVariant::fromValue(point);
}

template <typename T>
int registerUserType(const char *name)
{
    const int typeId = qRegisterMetaType<T>(name);
    QMetaType::registerEqualsComparator<T>();
    return typeId;
}

} // namespace

QVector<BuiltinConverter> builtinConverters()
{
    return {
        {"QByteArray", QMetaType::QByteArray, byteArrayToMap, byteArrayFromMap},
        {"QFont", QMetaType::QFont, fontToMap, fontFromMap},
        {"QColor", QMetaType::QColor, colorToMap, colorFromMap},
        {"QPoint", QMetaType::QPoint, pointToMap, pointFromMap},
        {"QPointF", QMetaType::QPointF, pointFToMap, pointFFromMap},
        {"QRect", QMetaType::QRect, rectToMap, rectFromMap},
        {"QStringList", QMetaType::QStringList, listToMap<QStringList>, listFromMap<QStringList>},
        {"IntList", registerUserType<IntList>("IntList"), listToMap<IntList>,
         listFromMap<IntList>},
        {"QBrush", QMetaType::QBrush, brushToMap, brushFromMap},
        {"QDate", QMetaType::QDate, streamedToMap<QDate>, streamedFromMap<QDate>},
        {"QTime", QMetaType::QTime, streamedToMap<QTime>, streamedFromMap<QTime>},
        {"IntMap", registerUserType<IntMap>("IntMap"), intMapToMap, intMapFromMap},
        {"QDateTime", QMetaType::QDateTime, streamedToMap<QDateTime>,
         streamedFromMap<QDateTime>},
        {"qlonglong", QMetaType::LongLong, numberToMap<qlonglong>, numberFromMap<qlonglong>},
        {"quint", QMetaType::UInt, numberToMap<uint>, numberFromMap<uint>},
        {"qulonglong", QMetaType::ULongLong, numberToMap<qulonglong>,
         numberFromMap<qulonglong>},
        {"map", QMetaType::QVariantMap, mapToMap, mapFromMap},
        {"QKeySequence", QMetaType::QKeySequence, keySequenceToMap, keySequenceFromMap},
        {"QKeySequenceList", registerUserType<KeySequenceList>("QKeySequenceList"),
         listToMap<KeySequenceList>, listFromMap<KeySequenceList>},
        {"QDateList", registerUserType<DateList>("QDateList"), listToMap<DateList>,
         listFromMap<DateList>},
        {"DataPoint", registerUserType<DataPoint>("DataPoint"), dataPointToMap,
         dataPointFromMap},
    };
}

} // namespace Common
