#include "jsonvalue.h"

#include "jsonvaluelog.h"
#include "variantmapconverter.h"

#include <logservice.h>

#include <QVariantList>
#include <QVariantMap>

#include <utility>

namespace Common {

namespace {

const QString NullKey = QStringLiteral("_null");
const QString TypeKey = QStringLiteral("_type");
const QString NullTypeKey = QStringLiteral("type");

bool isNullForm(const QVariant &json)
{
    return json.userType() == QMetaType::QVariantMap && json.toMap().contains(NullKey);
}

// A member of a map form, or an element of a list member, in JSON form.
QVariant jsonMember(const QVariant &member)
{
    if (VariantMapConverter::contains(member.userType()))
        return JsonValue::toJson(member);
    if (member.userType() == QMetaType::QVariantList) {
        QVariantList elements = member.toList();
        for (QVariant &element : elements)
            element = jsonMember(element);
        return elements;
    }
    return member;
}

QVariant readJson(const QVariant &json)
{
    if (json.userType() == QMetaType::QVariantList) {
        QVariantList elements = json.toList();
        for (QVariant &element : elements)
            element = readJson(element);
        return elements;
    }
    if (json.userType() != QMetaType::QVariantMap)
        return json;

    QVariantMap map = json.toMap();
    if (map.contains(NullKey)) {
        const int type = QMetaType::type(map.value(NullTypeKey).toString().toLatin1());
        return type == QMetaType::UnknownType ? QVariant() : QVariant(QVariant::Type(type));
    }
    for (QVariant &member : map)
        member = readJson(member);
    if (!map.contains(TypeKey))
        return map;

    const QByteArray alias = map.take(TypeKey).toString().toUtf8();
    const int typeId = VariantMapConverter::userType(alias);
    if (!VariantMapConverter::contains(typeId)) {
        COMMON_JSONVALUE_LOG(JsonValueError,
                             QStringLiteral("There is no VariantMapConverter for typeId"));
        COMMON_JSONVALUE_LOG(JsonValueWarning,
                             QLatin1String("typeId: ") + QString::number(typeId)
                                 + QLatin1String(", which found from alias: ")
                                 + QString::fromUtf8(alias));
        return QVariant();
    }
    return VariantMapConverter::fromMap(map, typeId);
}

} // namespace

JsonValue::JsonValue(int typeId, const QVariant &value)
    : m_typeId(typeId)
    , m_data(QMetaType::create(typeId))
{
    construct(value);
}

JsonValue::JsonValue(const JsonValue &other)
    : m_typeId(other.m_typeId)
    , m_data(QMetaType::create(other.m_typeId, other.m_data))
{
}

JsonValue &JsonValue::operator=(const JsonValue &other)
{
    JsonValue copy(other);
    std::swap(m_typeId, copy.m_typeId);
    std::swap(m_data, copy.m_data);
    return *this;
}

JsonValue::~JsonValue()
{
    QMetaType::destroy(m_typeId, m_data);
}

QVariant JsonValue::value() const
{
    return m_data ? QVariant(m_typeId, m_data) : QVariant();
}

void JsonValue::construct(const QVariant &data)
{
    const void *copy = data.isValid() ? data.constData() : nullptr;
    if (data.isValid() && data.userType() != m_typeId) {
        COMMON_JSONVALUE_LOG(JsonValueError, QStringLiteral("Error during JsonValue construction"));
        COMMON_JSONVALUE_LOG(JsonValueWarning,
                             QLatin1String("data.userType: ") + QString::number(data.userType()));
        COMMON_JSONVALUE_LOG(JsonValueWarning, QLatin1String("type expected (m_typeId) : ")
                                                   + QString::number(m_typeId));
        copy = nullptr;
    }
    QMetaType::destroy(m_typeId, m_data);
    m_data = QMetaType::create(m_typeId, copy);
}

QVariant JsonValue::toJson(const QVariant &v)
{
    if (v.isNull()) {
        if (!v.isValid())
            return QVariant();
        // The type travels by name, which only Qt's own types keep from run to run.
        HOSTAPI_ASSERT(v.userType() < QMetaType::User, (void)0);
        return QVariantMap{{NullKey, true}, {NullTypeKey, QString::fromLatin1(v.typeName())}};
    }
    switch (v.userType()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QString:
        return v;
    default:
        break;
    }

    if (!VariantMapConverter::contains(v.userType())) {
        COMMON_JSONVALUE_LOG(JsonValueError, QLatin1String("Have no convertion for ")
                                                 + QString::fromLatin1(v.typeName()));
        HOSTAPI_ASSERT(VariantMapConverter::contains(v.userType()), (void)0);
    }
    QVariantMap map = VariantMapConverter::toMap(v);
    for (QVariant &member : map)
        member = jsonMember(member);
    if (!map.contains(TypeKey))
        map.insert(TypeKey, QString::fromUtf8(VariantMapConverter::alias(v.userType())));
    return map;
}

QVariant JsonValue::fromJson(const QVariant &json, int typeId)
{
    const QVariant result = readJson(json);
    // The null form stands for a null value of its type; reading it gives just that.
    if (isNullForm(json) && result.userType() == typeId)
        return result;
    HOSTAPI_ASSERT(!result.isValid() || (result.userType() == typeId && !result.isNull()),
                   (void)0);
    return result;
}

QVariantMap JsonValue::members() const
{
    if (m_typeId == QMetaType::QVariantMap)
        return value().toMap();
    return VariantMapConverter::toMap(value());
}

void JsonValue::setMembers(const QVariantMap &members)
{
    const QVariant rebuilt = m_typeId == QMetaType::QVariantMap
        ? QVariant(members)
        : VariantMapConverter::fromMap(members, m_typeId);
    HOSTAPI_ASSERT(rebuilt.userType() == m_typeId, return);
    construct(rebuilt);
}

QVariant JsonValue::mapValue(const QString &name) const
{
    HOSTAPI_ASSERT(!name.isEmpty(), return QVariant());
    return members().value(name);
}

void JsonValue::setMapValue(const QString &name, const QVariant &value)
{
    HOSTAPI_ASSERT(!name.isEmpty(), return);
    QVariantMap map = members();
    const QVariant prev = map.value(name);
    HOSTAPI_ASSERT(value.userType() == prev.userType(), return);
    map.insert(name, value);
    setMembers(map);
}

void JsonValue::setPropertyValue(const QString &name, const QVariant &value)
{
    HOSTAPI_ASSERT(!name.isEmpty(), return);
    QVariantMap map = members();
    const QVariant prev = map.value(name);
    QVariant v = readJson(value);
    if (v.userType() != prev.userType() && v.canConvert(prev.userType()))
        v.convert(prev.userType());
    HOSTAPI_ASSERT(v.userType() == prev.userType(), return);
    map.insert(name, v);
    setMembers(map);
}

} // namespace Common
