#include "controlfactory.h"

#include <common/pluginlogline.h>

#include <colorpickerbutton.h>
#include <fontpicker.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTextEdit>

namespace {

const char LogSource[] = "propertypage";

// False and True, in that order; the host's page reads "dataType" to edit a bool with it.
class ComboBoxBoolFactory : public ControlFactoryT<QMetaType::Bool, QComboBox>
{
public:
    using ControlFactoryT::ControlFactoryT;

    QWidget *create(const PropertyBindingSpec &, const PropertySpec &) const override
    {
        auto *combo = new QComboBox;
        combo->setEditable(false);
        combo->addItem(QCoreApplication::translate("ComboBoxBoolFactory", "False"));
        combo->addItem(QCoreApplication::translate("ComboBoxBoolFactory", "True"));
        combo->setProperty("dataType", QStringLiteral("boolean"));
        return combo;
    }
};

// The binding's "fontModify" ("family,size,italic,bold", split at ',' exactly as written)
// says which parts of the font the user may change; without it the picker's defaults hold.
class FontPickerQFontFactory : public ControlFactoryT<QMetaType::QFont, HostApi::FontPicker>
{
public:
    using ControlFactoryT::ControlFactoryT;

    QWidget *create(const PropertyBindingSpec &binding, const PropertySpec &) const override
    {
        auto *picker = new HostApi::FontPicker;
        picker->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        const QString modifyKey = QStringLiteral("fontModify");
        if (binding.options.contains(modifyKey)) {
            const QStringList parts =
                binding.options.value(modifyKey).toString().split(QLatin1Char(','));
            picker->setProperty("modifyFontFamily", parts.contains(QLatin1String("family")));
            picker->setProperty("modifyFontSize", parts.contains(QLatin1String("size")));
            picker->setProperty("modifyFontItalic", parts.contains(QLatin1String("italic")));
            picker->setProperty("modifyFontBold", parts.contains(QLatin1String("bold")));
        }
        return picker;
    }
};

using SpinBoxIntFactory = ControlFactoryT<QMetaType::Int, QSpinBox>;
using SpinBoxDoubleFactory = ControlFactoryT<QMetaType::Double, QDoubleSpinBox>;
using TextBoxQStringFactory = ControlFactoryT<QMetaType::QString, QTextEdit>;
using EditBoxQStringFactory = ControlFactoryT<QMetaType::QString, QLineEdit>;
using ComboBoxQStringFactory = ControlFactoryT<QMetaType::QString, QComboBox>;
using ColorPickerQColorFactory = ControlFactoryT<QMetaType::QColor, HostApi::ColorPickerButton>;

const ComboBoxBoolFactory comboBoxBoolFactory("ComboBox", true);
const SpinBoxIntFactory spinBoxIntFactory("SpinBox", true);
const SpinBoxDoubleFactory spinBoxDoubleFactory("SpinBox", true);
const TextBoxQStringFactory textBoxQStringFactory("TextBox", false);
const EditBoxQStringFactory editBoxQStringFactory("EditBox", false);
const ComboBoxQStringFactory comboBoxQStringFactory("ComboBox", true);
const FontPickerQFontFactory fontPickerQFontFactory("FontPicker", true);
const ColorPickerQColorFactory colorPickerQColorFactory("ColorPicker", true);

} // namespace

QMap<QString, const ControlFactory *> &controlFactoryRegistry()
{
    static QMap<QString, const ControlFactory *> registry;
    return registry;
}

QString controlFactoryKey(int typeId, const QString &controlType)
{
    return QStringLiteral("%1-%2").arg(typeId).arg(controlType);
}

const ControlFactory *findControlFactory(const QString &path, int typeId,
                                         const QString &controlType,
                                         HostApi::IOutputChannel *log)
{
    const QMap<QString, const ControlFactory *> &registry = controlFactoryRegistry();
    if (const ControlFactory *factory = registry.value(controlFactoryKey(typeId, controlType)))
        return factory;
    if (!controlType.isEmpty()) {
        pluginLogLine(log, QLatin1String(LogSource),
                      QStringLiteral("ignoring control type for property '%1'").arg(path),
                      QStringLiteral("control type '%1' isn't supported for this property type")
                          .arg(controlType));
    }
    if (const ControlFactory *factory = registry.value(QString::number(typeId)))
        return factory;
    pluginLogLine(log, QLatin1String(LogSource),
                  QStringLiteral("failed to create binding for property '%1'").arg(path),
                  QStringLiteral("unsupported type %1")
                      .arg(QLatin1String(QMetaType::typeName(typeId))));
    return nullptr;
}
