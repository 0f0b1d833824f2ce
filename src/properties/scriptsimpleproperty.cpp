#include "scriptsimpleproperty.h"

#include "csstextforms.h"

#include <common/jsonvalue.h>
#include <common/pluginlogline.h>
#include <common/variantmapconverter.h>

#include <appearancemanager.h>
#include <compoundobject.h>
#include <logservice.h>
#include <undopropertycommand.h>

#include <QColor>
#include <QUndoStack>

namespace {

const char LogSource[] = "Property::setValue";
const char DefaultUndoText[] = "Changed document content";
const char PointSizeKey[] = "pointSize";
const char FontTypeName[] = "QFont";
const char JsonTypeKey[] = "_type";

bool isSupportedType(int typeId)
{
    switch (typeId) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::QVariantMap:
    case QMetaType::QString:
    case QMetaType::QFont:
    case QMetaType::QColor:
        return true;
    default:
        return false;
    }
}

// The host's valid point sizes as the choices of a font's size.
QList<PropertyEnum> pointSizeEnum()
{
    QList<PropertyEnum> sizes;
    for (int size : AppearanceManager::validPointSizes())
        sizes.append({QByteArray::number(size), QString::number(size), size, QIcon()});
    return sizes;
}

} // namespace

ScriptSimpleProperty::ScriptSimpleProperty(const PropertySpec &definition,
                                           HostApi::IOutputChannel *log, QObject *parent)
    : ScriptProperty(definition.id.toUtf8(), parent)
    , m_log(log)
    , m_kind(definition.kind)
    , m_flags(definition.flags)
    , m_version(definition.version)
    , m_undoText(definition.undoText)
{
    const int typeId = definition.type;
    initPropertyType(typeId);
    switch (m_kind) {
    case PropertyKind::Default: {
        const QVariant &defaultValue = definition.defaultValue;
        m_default = defaultValue;
        m_enums = definition.enumEntries;
        if (!isAbsentJsonDefault()) {
            HOSTAPI_ASSERT(typeId == defaultValue.userType(), );
        }
        break;
    }
    case PropertyKind::Theme: {
        const QVariant &themeDefaultValue1 = definition.black;
        const QVariant &themeDefaultValue2 = definition.white;
        m_black = themeDefaultValue1;
        m_white = themeDefaultValue2;
        HOSTAPI_ASSERT(typeId == themeDefaultValue1.userType(), );
        HOSTAPI_ASSERT(typeId == themeDefaultValue2.userType(), );
        break;
    }
    case PropertyKind::Font:
        m_font = definition.font;
        setTypeName(FontTypeName);
        setPropertyEnum(PointSizeKey, pointSizeEnum());
        break;
    case PropertyKind::None:
        break;
    }
}

// Until the host sets it, the value is the empty value of the type.
void ScriptSimpleProperty::initPropertyType(int typeId)
{
    m_type = typeId;
    if (!isSupportedType(typeId)) {
        HOSTAPI_ASSERT(!"unsupported property type", );
        return;
    }
    setTypeName(QMetaType::typeName(typeId));
    PropertyObject::setValue(QVariant(typeId, nullptr));
}

QVariant ScriptSimpleProperty::convertValue(const QVariant &script) const
{
    const int scriptType = script.userType();
    if (scriptType == m_type)
        return script;
    if (isFont() && scriptType == QMetaType::QVariantMap)
        return Common::VariantMapConverter::fromMap(script.toMap(), QMetaType::QFont);
    if (isFont() && scriptType == QMetaType::QString)
        return fontFromCss(script.toString());
    if (m_type == QMetaType::QColor && scriptType == QMetaType::QString)
        return colorFromCss(script.toString());
    if (script.canConvert(m_type)) {
        // A text that is not a number converts to 0, which is a value all the same.
        QVariant converted = script;
        converted.convert(m_type);
        return converted;
    }
    logRefused(QStringLiteral("could not convert value for a property"), script);
    return QVariant();
}

void ScriptSimpleProperty::setValue(const QVariant &v)
{
    const QVariant converted = convertValue(v);
    if (!converted.isValid()) {
        logRefused(QStringLiteral("an attempt was made to set invalid value for property"), v);
        return;
    }
    PropertyObject::setValue(converted);
}

void ScriptSimpleProperty::setValueWithUndo(const QVariant &v)
{
    const QVariant converted = convertValue(v);
    if (!converted.isValid()) {
        logRefused(QStringLiteral("an attempt was made to set invalid value for property"), v);
        return;
    }
    const QVariant current = PropertyObject::value();
    if (converted == current)
        return;
    CompoundObject *owner = parentUndoStack(this);
    // Before the tree belongs to a document there is no undo stack to take the entry.
    if (!owner) {
        PropertyObject::setValue(converted);
        return;
    }
    auto *command = new UndoPropertyCommand(
        owner, m_undoText.isEmpty() ? QString::fromLatin1(DefaultUndoText) : m_undoText);
    command->addPropertyChange(this, QByteArray(), converted, current);
    owner->undoStack()->push(command);
}

QVariant ScriptSimpleProperty::scriptValue() const
{
    if (isFont())
        return fontToCss(currentFont());
    if (m_type == QMetaType::QColor)
        return colorToCss(PropertyObject::value().value<QColor>());
    return PropertyObject::value();
}

QString ScriptSimpleProperty::colorCss() const
{
    return m_type == QMetaType::QColor ? colorToCss(PropertyObject::value().value<QColor>())
                                       : QString();
}

void ScriptSimpleProperty::setColorCss(const QString &css)
{
    if (m_type == QMetaType::QColor)
        setValue(QVariant::fromValue(colorFromCss(css)));
}

QString ScriptSimpleProperty::fontCss() const
{
    return isFont() ? fontToCss(currentFont()) : QString();
}

void ScriptSimpleProperty::setFontCss(const QString &css)
{
    if (isFont())
        setValue(QVariant::fromValue(fontFromCss(css)));
}

QString ScriptSimpleProperty::fontFamily() const
{
    return isFont() ? currentFont().family() : QString();
}

void ScriptSimpleProperty::setFontFamily(const QString &family)
{
    if (!isFont())
        return;
    QFont font = currentFont();
    font.setFamily(family);
    setValue(QVariant::fromValue(font));
}

int ScriptSimpleProperty::fontSize() const
{
    return isFont() ? currentFont().pointSize() : 0;
}

void ScriptSimpleProperty::setFontSize(int pointSize)
{
    if (!isFont())
        return;
    QFont font = currentFont();
    font.setPointSize(pointSize);
    setValue(QVariant::fromValue(font));
}

bool ScriptSimpleProperty::fontBold() const
{
    return isFont() && currentFont().bold();
}

void ScriptSimpleProperty::setFontBold(bool bold)
{
    if (!isFont())
        return;
    QFont font = currentFont();
    font.setBold(bold);
    setValue(QVariant::fromValue(font));
}

bool ScriptSimpleProperty::fontItalic() const
{
    return isFont() && currentFont().italic();
}

void ScriptSimpleProperty::setFontItalic(bool italic)
{
    if (!isFont())
        return;
    QFont font = currentFont();
    font.setItalic(italic);
    setValue(QVariant::fromValue(font));
}

void ScriptSimpleProperty::notifyObjectChanged()
{
    PropertyObject::notifyObjectChanged();
    emit changed();
}

// A font is stored in its JSON form at the normal font scale. A font stored encrypted keeps
// the host's form, so that it is never written in clear text.
QVariant ScriptSimpleProperty::objectToJson() const
{
    if (!isFont() || isStoredEncrypted())
        return PropertyObject::objectToJson();
    return Common::JsonValue::toJson(
        QVariant::fromValue(AppearanceManager::normalizedFont(currentFont())));
}

// A stored font (the JSON form above) is shown at the user's font scale; any other form goes
// to the host as it is.
void ScriptSimpleProperty::objectFromJson(const QVariant &json, int flags)
{
    const bool fontForm =
        json.toMap().value(QLatin1String(JsonTypeKey)) == QLatin1String(FontTypeName);
    if (!isFont() || !fontForm) {
        PropertyObject::objectFromJson(json, flags);
        return;
    }
    const QFont stored = Common::JsonValue::fromJson(json, QMetaType::QFont).value<QFont>();
    PropertyObject::objectFromJson(
        Common::JsonValue::toJson(QVariant::fromValue(AppearanceManager::scaledFont(stored))),
        flags);
}

void ScriptSimpleProperty::attach(CompoundObject *parent)
{
    HOSTAPI_ASSERT(0 != parent, return);
    setPropertyFlag(StyleTemplateFlag, m_flags & PropertySpec::IsStyleTemplate);
    setPropertyFlag(DefaultStyleTemplateFlag, m_flags & PropertySpec::IsDefaultStyleTemplate);
    setStoredEncrypted(m_flags & PropertySpec::IsSecured);
    const bool autoDefault = m_flags & PropertySpec::IsAutoDefault;
    switch (m_kind) {
    case PropertyKind::None:
        parent->addProperty(id(), this);
        break;
    case PropertyKind::Default:
        if (m_flags & PropertySpec::IsSharedDefault) {
            parent->addDefaultProperty(id(), this, m_default, m_enums, autoDefault, m_version);
            if (autoDefault)
                setPropertyFlag(AutoDefaultFlag, true);
        } else {
            // A default of another type is coerced like a script value.
            if (!isAbsentJsonDefault())
                setValue(m_default);
            parent->addProperty(id(), this);
        }
        break;
    case PropertyKind::Theme:
        parent->addThemeProperty(id(), this, m_black, m_white, m_version, m_version);
        break;
    case PropertyKind::Font:
        parent->addFontProperty(id(), this, m_font, m_version);
        break;
    default:
        HOSTAPI_ASSERT(false, );
        break;
    }
}

// A manifest gives every json property a default, invalid when the manifest has none: the
// property then keeps its empty map.
bool ScriptSimpleProperty::isAbsentJsonDefault() const
{
    return m_type == QMetaType::QVariantMap && !m_default.isValid();
}

QFont ScriptSimpleProperty::currentFont() const
{
    return PropertyObject::value().value<QFont>();
}

void ScriptSimpleProperty::logRefused(const QString &message, const QVariant &v) const
{
    pluginLogLine(m_log, QLatin1String(LogSource), message,
                  QStringLiteral("property: '%1', expected property type: %2, got: %3")
                      .arg(QString::fromUtf8(id()))
                      .arg(m_type)
                      .arg(v.userType()));
}
