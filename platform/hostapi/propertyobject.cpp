#include "propertyobject.h"

#include "appearancemanager.h"
#include "application.h"
#include "compoundobject.h"
#include "logservice.h"
#include "propertysupport.h"
#include "secretstore.h"
#include "settings.h"

#include <QColor>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QRegularExpression>

#include <climits>
#include <cmath>

namespace {

// Limits of restored values.
constexpr int MaxJsonBytes = 1024 * 1024;
constexpr int MaxMapDepth = 64;
constexpr int MinFontSize = 1;
constexpr int MaxFontSize = 1000;

const QString SecretKey = QStringLiteral("_secret");
const QString TypeKey = QStringLiteral("_type");
const QString FamilyKey = QStringLiteral("family");
const QString PointSizeKey = QStringLiteral("pointSize");
const QString BoldKey = QStringLiteral("bold");
const QString ItalicKey = QStringLiteral("italic");

QString typeText(const QVariant &json)
{
    return json.isValid() ? QString::fromLatin1(json.typeName()) : QStringLiteral("nothing");
}

bool isNumber(const QVariant &json)
{
    switch (json.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A number's text, else the JSON value's type.
QString describe(const QVariant &json)
{
    return isNumber(json) ? json.toString() : typeText(json);
}

// A number without fraction in min..max.
bool isIntegerIn(const QVariant &json, double min, double max)
{
    if (!isNumber(json))
        return false;
    const double number = json.toDouble();
    return std::isfinite(number) && number == std::floor(number) && number >= min
        && number <= max;
}

// The nesting depth of maps and lists in json, counting stops above limit.
int nestingDepth(const QVariant &json, int limit)
{
    if (limit < 0)
        return 0;
    int deepest = 0;
    if (json.userType() == QMetaType::QVariantMap) {
        const QVariantMap map = json.toMap();
        for (const QVariant &item : map)
            deepest = std::max(deepest, nestingDepth(item, limit - 1));
    } else if (json.userType() == QMetaType::QVariantList) {
        const QVariantList list = json.toList();
        for (const QVariant &item : list)
            deepest = std::max(deepest, nestingDepth(item, limit - 1));
    } else {
        return 0;
    }
    return deepest + 1;
}

HostApi::SecretStore secretStore()
{
    return HostApi::SecretStore(HostApi::SecretStore::defaultKeyFileName());
}

} // namespace

PropertyObject::PropertyObject() = default;

PropertyObject::~PropertyObject() = default;

void PropertyObject::setValue(const QVariant &value)
{
    HOSTAPI_ASSERT(value.isValid(), return);
    assign(value, true);
}

void PropertyObject::assign(const QVariant &value, bool saveDefault)
{
    if (HostApi::PropertySupport::sameValue(value, m_value))
        return;
    m_value = value;
    notifyObjectChanged();
    if (saveDefault && m_sharedDefault && testPropertyFlag(AutoDefaultFlag))
        saveAsDefault();
}

QVariant PropertyObject::value(const QByteArray &key) const
{
    if (key.isEmpty())
        return m_value;
    if (m_value.userType() != QMetaType::QFont)
        return QVariant();
    const QFont font = m_value.value<QFont>();
    if (key == "family")
        return font.family();
    if (key == "pointSize")
        return font.pointSize();
    if (key == "bold")
        return font.bold();
    if (key == "italic")
        return font.italic();
    return QVariant();
}

void PropertyObject::setValue(const QByteArray &key, const QVariant &value)
{
    if (key.isEmpty()) {
        setValue(value);
        return;
    }
    HOSTAPI_ASSERT(m_value.userType() == QMetaType::QFont, return);
    HOSTAPI_ASSERT(value.isValid(), return);
    QFont font = m_value.value<QFont>();
    if (key == "family") {
        font.setFamily(value.toString());
    } else if (key == "pointSize") {
        HOSTAPI_ASSERT(isIntegerIn(value, MinFontSize, MaxFontSize), return);
        font.setPointSize(value.toInt());
    } else if (key == "bold") {
        font.setBold(value.toBool());
    } else {
        HOSTAPI_ASSERT(key == "italic", return);
        font.setItalic(value.toBool());
    }
    setValue(font);
}

QList<PropertyEnum> PropertyObject::propertyEnum(const QByteArray &key) const
{
    return m_enums.value(key);
}

void PropertyObject::setPropertyEnum(const QByteArray &key, const QList<PropertyEnum> &entries)
{
    if (entries.isEmpty())
        m_enums.remove(key);
    else
        m_enums.insert(key, entries);
}

void PropertyObject::saveAsDefault()
{
    HOSTAPI_ASSERT(m_sharedDefault, return);
    const QVariant json = jsonForm(m_value);
    if (!json.isValid())
        return;
    Application::instance()->settings()->setValue(
        defaultKey(), QVariantMap{{QStringLiteral("version"), m_defaultVersion},
                                  {QStringLiteral("value"), json}});
}

void PropertyObject::resetToDefault()
{
    HOSTAPI_ASSERT(m_sharedDefault, return);
    Application::instance()->settings()->remove(defaultKey());
    assign(m_manifestDefault, false);
}

QVariant PropertyObject::objectToJson() const
{
    return m_value.isValid() ? jsonForm(m_value) : QVariant();
}

void PropertyObject::objectFromJson(const QVariant &json, int flags)
{
    Q_UNUSED(flags)
    QString problem;
    const QVariant value = valueFromJson(json, &problem);
    if (value.isValid())
        assign(value, false);
    else
        HOSTAPI_PROPERTY_REPORT(this, QStringLiteral("value not restored: %1").arg(problem));
}

int PropertyObject::valueType() const
{
    return typeName().isEmpty() ? QMetaType::UnknownType
                                : QMetaType::type(typeName().constData());
}

QVariant PropertyObject::jsonForm(const QVariant &value) const
{
    QVariant form = value;
    if (value.userType() == QMetaType::QFont) {
        const QFont font = value.value<QFont>();
        form = QVariantMap{{TypeKey, QStringLiteral("QFont")},
                           {FamilyKey, font.family()},
                           {PointSizeKey, font.pointSize()},
                           {BoldKey, font.bold()},
                           {ItalicKey, font.italic()}};
    } else if (value.userType() == QMetaType::QColor) {
        const QColor color = value.value<QColor>();
        form = color.isValid() ? color.name(QColor::HexArgb) : QString();
    }
    if (!m_storedEncrypted)
        return form;

    // The form goes into a one-element array so that any JSON value can be sealed.
    const QByteArray text = QJsonDocument(QJsonArray{QJsonValue::fromVariant(form)})
                                .toJson(QJsonDocument::Compact);
    const QByteArray sealed = secretStore().seal(text);
    if (sealed.isEmpty()) {
        HOSTAPI_PROPERTY_REPORT(this,
                                QStringLiteral("the value cannot be sealed, it is not stored"));
        return QVariant();
    }
    return QVariantMap{{SecretKey, QString::fromLatin1(sealed.toBase64())}};
}

QVariant PropertyObject::valueFromJson(const QVariant &json, QString *problem) const
{
    QVariant form = json;
    if (m_storedEncrypted) {
        const QVariantMap map = json.toMap();
        if (json.userType() != QMetaType::QVariantMap || map.size() != 1
            || map.value(SecretKey).userType() != QMetaType::QString) {
            *problem = QStringLiteral("expected a sealed value, got %1").arg(typeText(json));
            return QVariant();
        }
        const auto decoded = QByteArray::fromBase64Encoding(
            map.value(SecretKey).toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        QByteArray text;
        if (!decoded || !secretStore().open(*decoded, &text)) {
            *problem = QStringLiteral("the sealed value cannot be opened");
            return QVariant();
        }
        const QJsonDocument document = QJsonDocument::fromJson(text);
        if (!document.isArray() || document.array().size() != 1) {
            *problem = QStringLiteral("the sealed value is not a stored value");
            return QVariant();
        }
        form = document.array().first().toVariant();
    }

    const int type = valueType();
    switch (type) {
    case QMetaType::Bool:
        if (form.userType() == QMetaType::Bool)
            return form;
        *problem = QStringLiteral("expected a boolean, got %1").arg(typeText(form));
        return QVariant();
    case QMetaType::Int:
        if (isIntegerIn(form, INT_MIN, INT_MAX))
            return form.toInt();
        *problem = QStringLiteral("expected an integer from %1 to %2, got %3")
                       .arg(INT_MIN).arg(INT_MAX).arg(describe(form));
        return QVariant();
    case QMetaType::Double:
        if (isNumber(form) && std::isfinite(form.toDouble()))
            return form.toDouble();
        *problem = QStringLiteral("expected a finite number, got %1").arg(typeText(form));
        return QVariant();
    case QMetaType::QString:
        if (form.userType() != QMetaType::QString) {
            *problem = QStringLiteral("expected a string, got %1").arg(typeText(form));
            return QVariant();
        }
        if (form.toString().toUtf8().size() > MaxJsonBytes) {
            *problem = QStringLiteral("the string is longer than %1 bytes").arg(MaxJsonBytes);
            return QVariant();
        }
        return form;
    case QMetaType::QVariantMap: {
        if (form.userType() != QMetaType::QVariantMap) {
            *problem = QStringLiteral("expected a map, got %1").arg(typeText(form));
            return QVariant();
        }
        if (nestingDepth(form, MaxMapDepth) > MaxMapDepth) {
            *problem = QStringLiteral("the map is nested deeper than %1 levels").arg(MaxMapDepth);
            return QVariant();
        }
        const QByteArray written = QJsonDocument(QJsonObject::fromVariantMap(form.toMap()))
                                       .toJson(QJsonDocument::Compact);
        if (written.size() > MaxJsonBytes) {
            *problem = QStringLiteral("the map is longer than %1 bytes").arg(MaxJsonBytes);
            return QVariant();
        }
        return form;
    }
    case QMetaType::QFont: {
        const QVariantMap map = form.toMap();
        if (form.userType() != QMetaType::QVariantMap
            || map.value(TypeKey, QStringLiteral("QFont")) != QStringLiteral("QFont")
            || map.value(FamilyKey).userType() != QMetaType::QString
            || map.value(BoldKey, false).userType() != QMetaType::Bool
            || map.value(ItalicKey, false).userType() != QMetaType::Bool) {
            *problem = QStringLiteral("expected a font map of family, pointSize, bold and italic");
            return QVariant();
        }
        if (!isIntegerIn(map.value(PointSizeKey), MinFontSize, MaxFontSize)) {
            *problem = QStringLiteral("expected a point size from %1 to %2, got %3")
                           .arg(MinFontSize).arg(MaxFontSize)
                           .arg(describe(map.value(PointSizeKey)));
            return QVariant();
        }
        QFont font(map.value(FamilyKey).toString());
        font.setPointSize(map.value(PointSizeKey).toInt());
        font.setBold(map.value(BoldKey).toBool());
        font.setItalic(map.value(ItalicKey).toBool());
        return font;
    }
    case QMetaType::QColor: {
        static const QRegularExpression hexColor(
            QStringLiteral("^#([0-9a-fA-F]{6}|[0-9a-fA-F]{8})$"));
        const QString text = form.toString();
        if (form.userType() == QMetaType::QString && text.isEmpty())
            return QColor();
        if (form.userType() == QMetaType::QString && hexColor.match(text).hasMatch())
            return QColor(text);
        *problem = QStringLiteral("expected a colour as #aarrggbb, got '%1'").arg(text);
        return QVariant();
    }
    default:
        *problem = QStringLiteral("the type '%1' has no stored form")
                       .arg(QString::fromLatin1(typeName()));
        return QVariant();
    }
}

// "propertyDefaults/<root type name>/<path with '/'>"
QString PropertyObject::defaultKey() const
{
    const ShellObject *root = this;
    while (root->parentObject())
        root = root->parentObject();
    QByteArray path = objectPath();
    path.replace('.', '/');
    return QStringLiteral("propertyDefaults/%1/%2")
        .arg(QString::fromUtf8(root->typeName()), QString::fromUtf8(path));
}

QVariant PropertyObject::storedDefault() const
{
    const QVariant stored = Application::instance()->settings()->value(defaultKey());
    if (!stored.isValid())
        return QVariant();
    const QVariantMap map = stored.toMap();
    bool versioned = false;
    const int version = map.value(QStringLiteral("version")).toInt(&versioned);
    if (!versioned || version != m_defaultVersion) {
        HOSTAPI_PROPERTY_REPORT(this, QStringLiteral("stored default of version %1 ignored, "
                                                     "the property has version %2")
                                          .arg(map.value(QStringLiteral("version")).toString())
                                          .arg(m_defaultVersion));
        return QVariant();
    }
    QString problem;
    const QVariant value = valueFromJson(map.value(QStringLiteral("value")), &problem);
    if (!value.isValid())
        HOSTAPI_PROPERTY_REPORT(this, QStringLiteral("stored default ignored: %1").arg(problem));
    return value;
}

void PropertyObject::setThemeValues(const QVariant &black, const QVariant &white)
{
    m_black = black;
    m_white = white;
    AppearanceManager *appearance = CompoundObject::appearanceManager();
    m_theme = appearance->currentTheme();
    if (!m_themed) {
        m_themed = true;
        m_themeContext = std::make_unique<QObject>();
        QObject::connect(appearance, &AppearanceManager::currentThemeChanged,
                         m_themeContext.get(),
                         [this](const QString &theme) {
                             const QString previous = m_theme;
                             followTheme(previous, theme);
                         });
    }
    const QVariant value = themeValue(m_theme);
    if (value.isValid())
        setValue(value);
}

QVariant PropertyObject::themeValue(const QString &theme) const
{
    return theme == AppearanceManager::WhiteTheme ? m_white : m_black;
}

// A value the user chose (anything but the previous theme's value) stays.
void PropertyObject::followTheme(const QString &previousTheme, const QString &theme)
{
    m_theme = theme;
    if (!HostApi::PropertySupport::sameValue(m_value, themeValue(previousTheme)))
        return;
    const QVariant value = themeValue(theme);
    if (value.isValid())
        setValue(value);
}
