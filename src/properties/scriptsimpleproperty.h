#pragma once

#include "scriptproperty.h"

#include <plugin/scriptpluginspec.h>

#include <propertyobject.h>

#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>

namespace HostApi { class IOutputChannel; }

// One typed, persistent value of a web plug-in's manifest ("objects"), as scripts see it.
// The value lives in the host's property object: the host stores it with the document,
// applies shared and theme defaults, and undoes changes. Scripts set values of any type;
// they are coerced to the property's type, and values that cannot be coerced are refused
// with plug-in output lines ("Property::setValue: ..."). Colours and fonts also read and
// write as CSS-like text. changed() follows every change, whoever made it.
class ScriptSimpleProperty : public ScriptProperty, public PropertyObject
{
    Q_OBJECT
    // Colour and font properties read as CSS text; writing adds an undo entry.
    Q_PROPERTY(QVariant value READ scriptValue WRITE setValueWithUndo NOTIFY changed)
    // Colour properties only: "" and no effect on other types.
    Q_PROPERTY(QString colorCss READ colorCss WRITE setColorCss)
    // Font properties only: "", 0, false and no effect on other types.
    Q_PROPERTY(QString fontCss READ fontCss WRITE setFontCss)
    Q_PROPERTY(QString fontFamily READ fontFamily WRITE setFontFamily)
    Q_PROPERTY(int fontSize READ fontSize WRITE setFontSize)
    Q_PROPERTY(bool fontBold READ fontBold WRITE setFontBold)
    Q_PROPERTY(bool fontItalic READ fontItalic WRITE setFontItalic)

public:
    // The property of definition; log takes the plug-in output lines (may be null). An
    // unsupported type or a default of another type is reported (non-fatal assertion).
    ScriptSimpleProperty(const PropertySpec &definition, HostApi::IOutputChannel *log,
                         QObject *parent = nullptr);

    QVariant scriptValue() const;
    QString colorCss() const;
    void setColorCss(const QString &css);
    QString fontCss() const;
    void setFontCss(const QString &css);
    QString fontFamily() const;
    void setFontFamily(const QString &family);
    int fontSize() const;
    void setFontSize(int pointSize);
    bool fontBold() const;
    void setFontBold(bool bold);
    bool fontItalic() const;
    void setFontItalic(bool italic);

    // reimplemented from ShellObject
    void notifyObjectChanged() override;
    // reimplemented from PropertyObject: fonts are stored normalised and shown scaled to the
    // user's font scale.
    QVariant objectToJson() const override;
    void objectFromJson(const QVariant &json, int flags) override;

    // reimplemented from ScriptProperty: host flags, then the host call of the kind.
    void attach(CompoundObject *parent) override;

signals:
    void changed();

public slots:
    // Coerces and sets v at once, without an undo entry.
    void setValue(const QVariant &v);
    // Coerces v and sets it through one undo entry named by the undo text.
    void setValueWithUndo(const QVariant &v);

private:
    void initPropertyType(int typeId);
    // script's value converted to the property's type; invalid, with a log line, when it
    // cannot be.
    QVariant convertValue(const QVariant &script) const;
    bool isFont() const { return m_type == QMetaType::QFont; }
    bool isAbsentJsonDefault() const;
    QFont currentFont() const;
    void logRefused(const QString &message, const QVariant &v) const;

    int m_type = QMetaType::UnknownType;
    HostApi::IOutputChannel *m_log;
    PropertyKind m_kind;
    int m_flags;
    int m_version;
    QVariant m_default;
    QList<PropertyEnum> m_enums;
    QVariant m_black;
    QVariant m_white;
    QFont m_font;
    QString m_undoText;
};
