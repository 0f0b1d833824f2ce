#pragma once

#include <plugin/scriptpluginspec.h>

#include <QMap>
#include <QString>

class QWidget;
namespace HostApi { class IOutputChannel; }

// Creates the editor widget of a property page row for one property type and control type
// name ("SpinBox", "FontPicker", ...).
class ControlFactory
{
public:
    virtual ~ControlFactory() = default;

    // A new editor without parent for binding, which names property.
    virtual QWidget *create(const PropertyBindingSpec &binding,
                            const PropertySpec &property) const = 0;
};

// Every factory by key: "<type id>-<control type name>", and "<type id>" for the default
// editor of a type. Filled by the factories' static instances at start-up, only read
// afterwards; a later registration under a key replaces the earlier one.
QMap<QString, const ControlFactory *> &controlFactoryRegistry();
// The registry key "<type id>-<control type name>".
QString controlFactoryKey(int typeId, const QString &controlType);

// A factory of Widget editors for properties of TypeId, registered under its control type
// name and, when isDefault, as the type's default editor.
template <int TypeId, class Widget>
class ControlFactoryT : public ControlFactory
{
public:
    ControlFactoryT(const char *controlType, bool isDefault)
    {
        QMap<QString, const ControlFactory *> &registry = controlFactoryRegistry();
        registry.insert(controlFactoryKey(TypeId, QLatin1String(controlType)), this);
        if (isDefault)
            registry.insert(QString::number(TypeId), this);
    }

    QWidget *create(const PropertyBindingSpec &, const PropertySpec &) const override
    {
        return new Widget;
    }
};

// The factory for the property at path (type typeId) and the binding's controlType: the
// one registered for both, else the type's default editor after a log line when a control
// type was given; null, with a log line, when the type has no editor. log may be null.
const ControlFactory *findControlFactory(const QString &path, int typeId,
                                         const QString &controlType,
                                         HostApi::IOutputChannel *log);
