#pragma once

#include "hostapi_global.h"
#include "propertyenum.h"
#include "shellobject.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

class QObject;

// A typed value of the document's object tree. Its type follows the type name
// (setTypeName(): "bool", "int", "double", "QVariantMap", "QString", "QFont", "QColor").
// JSON form: booleans, numbers, strings and maps as they are; a colour as "#aarrggbb" (an
// invalid colour as ""); a font as {"_type": "QFont", "family", "pointSize", "bold",
// "italic"}; a value stored encrypted as {"_secret": BASE64 of SecretStore::seal() of the
// form as JSON text}, and only in that form: its clear value is never written.
// Restoring takes only a form that fits the type: an int is a whole number in int range, a
// double finite, a string at most 1 MiB as UTF-8, a map nested at most 64 deep and at most
// 1 MiB when written, a font size 1 to 1000, a colour "#rrggbb" or "#aarrggbb". Any other
// form is skipped and reported with the property's path; the value stays.
class HOSTAPI_EXPORT PropertyObject : public ShellObject
{
public:
    PropertyObject();
    ~PropertyObject() override;

    QVariant value() const { return m_value; }
    // Sets the value as given and reports the change (notifyObjectChanged()) when it differs
    // (in type or value). An invalid value is refused (assertion report). With
    // AutoDefaultFlag set on a shared default property the value also becomes the stored
    // default.
    void setValue(const QVariant &value);

    // A part of the value: for a font "family", "pointSize", "bold" or "italic"; an empty key
    // is the whole value. Invalid for an unknown key; setting one is refused (assertion
    // report), as is a point size outside 1 to 1000.
    QVariant value(const QByteArray &key) const;
    void setValue(const QByteArray &key, const QVariant &value);

    bool isStoredEncrypted() const { return m_storedEncrypted; }
    void setStoredEncrypted(bool encrypted) { m_storedEncrypted = encrypted; }

    // The allowed choices of the value (empty key) or of a part of it.
    QList<PropertyEnum> propertyEnum(const QByteArray &key = QByteArray()) const;
    void setPropertyEnum(const QByteArray &key, const QList<PropertyEnum> &entries);

    // Shared defaults (CompoundObject::addDefaultProperty()).
    bool hasSharedDefault() const { return m_sharedDefault; }
    // Stores the current value as the default of every document of the template.
    void saveAsDefault();
    // Forgets the stored default and takes the manifest's default again.
    void resetToDefault();

    QVariant objectToJson() const override;
    void objectFromJson(const QVariant &json, int flags) override;

private:
    friend class CompoundObject;

    // The QMetaType id named by typeName().
    int valueType() const;
    // setValue() without the check; saveDefault: an AutoDefaultFlag property also stores
    // the value as its default (not when restoring or taking a default).
    void assign(const QVariant &value, bool saveDefault);
    // value in the JSON form; invalid when it cannot be sealed (logged).
    QVariant jsonForm(const QVariant &value) const;
    // The value of the JSON form json; invalid, with problem set, when it does not fit.
    QVariant valueFromJson(const QVariant &json, QString *problem) const;
    QString defaultKey() const;
    // The stored shared default of this version, or invalid.
    QVariant storedDefault() const;
    void setThemeValues(const QVariant &black, const QVariant &white);
    QVariant themeValue(const QString &theme) const;
    void followTheme(const QString &previousTheme, const QString &theme);

    QVariant m_value;
    bool m_storedEncrypted = false;
    QHash<QByteArray, QList<PropertyEnum>> m_enums;
    bool m_sharedDefault = false;
    QVariant m_manifestDefault;
    int m_defaultVersion = 0;
    bool m_themed = false;
    QVariant m_black;
    QVariant m_white;
    QString m_theme;                        // the theme the value was last chosen for
    std::unique_ptr<QObject> m_themeContext; // ends the theme connection with the property
};
