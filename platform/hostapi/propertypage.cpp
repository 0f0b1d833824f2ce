#include "propertypage.h"

#include "colorpickerbutton.h"
#include "compoundobject.h"
#include "fontpicker.h"
#include "logservice.h"
#include "propertyobject.h"
#include "propertysupport.h"
#include "undopropertycommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QUndoStack>

#include <climits>

namespace HostApi {

namespace {

constexpr double DoubleEditorLimit = 1e12;
constexpr int DoubleEditorDecimals = 6;

bool isBooleanCombo(const QComboBox *combo)
{
    return combo->property("dataType").toString() == QLatin1String("boolean");
}

} // namespace

const char PropertyPage::DefaultUndoText[] = QT_TRANSLATE_NOOP("HostApi::PropertyPage",
                                                               "Changed properties");

// One editor and the property it edits in the shown object.
struct PropertyPage::Binding
{
    QPointer<QWidget> editor;
    QByteArray path;
    PropertyObject *property = nullptr;
    bool custom = false;   // bound by createCustomControlBinding()
    bool edited = false;
    QList<QMetaObject::Connection> connections;
};

PropertyPage::PropertyPage(const QIcon &icon, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
{
}

PropertyPage::~PropertyPage()
{
    qDeleteAll(m_bindings);
}

void PropertyPage::init()
{
    for (Binding *binding : qAsConst(m_bindings)) {
        for (const QMetaObject::Connection &connection : qAsConst(binding->connections))
            disconnect(connection);
    }
    qDeleteAll(m_bindings);
    m_bindings.clear();

    m_loading = true;
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *editor : children) {
        const QVariant dataKey = editor->property("dataKey");
        if (!dataKey.isValid())
            continue;
        auto *binding = new Binding;
        binding->editor = editor;
        binding->path = dataKey.toString().toUtf8();
        auto edited = [this, binding] { markEdited(binding); };
        QList<QMetaObject::Connection> &connections = binding->connections;
        if (auto *combo = qobject_cast<QComboBox *>(editor)) {
            connections << connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged),
                                   this, edited)
                        << connect(combo, &QComboBox::editTextChanged, this, edited);
        } else if (auto *spinBox = qobject_cast<QSpinBox *>(editor)) {
            spinBox->setRange(INT_MIN, INT_MAX);
            connections << connect(spinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
                                   edited);
        } else if (auto *doubleSpinBox = qobject_cast<QDoubleSpinBox *>(editor)) {
            doubleSpinBox->setDecimals(DoubleEditorDecimals);
            doubleSpinBox->setRange(-DoubleEditorLimit, DoubleEditorLimit);
            connections << connect(doubleSpinBox,
                                   QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                                   edited);
        } else if (auto *lineEdit = qobject_cast<QLineEdit *>(editor)) {
            connections << connect(lineEdit, &QLineEdit::textChanged, this, edited);
        } else if (auto *textEdit = qobject_cast<QTextEdit *>(editor)) {
            connections << connect(textEdit, &QTextEdit::textChanged, this, edited);
        } else if (auto *checkBox = qobject_cast<QCheckBox *>(editor)) {
            connections << connect(checkBox, &QCheckBox::toggled, this, edited);
        } else if (auto *fontPicker = qobject_cast<FontPicker *>(editor)) {
            connections << connect(fontPicker, &FontPicker::currentFontChanged, this, edited);
        } else if (auto *colorPicker = qobject_cast<ColorPickerButton *>(editor)) {
            connections << connect(colorPicker, &ColorPickerButton::colorChanged, this, edited);
        }
        m_bindings.append(binding);
    }
    m_loading = false;
}

void PropertyPage::setObject(CompoundObject *object, bool readOnly)
{
    const bool wasModified = isModified();
    unbind();
    m_object = object;
    for (Binding *binding : qAsConst(m_bindings)) {
        QWidget *editor = binding->editor;
        if (!editor)
            continue;
        binding->edited = false;
        binding->custom = false;
        binding->property =
            object ? dynamic_cast<PropertyObject *>(object->findObject(binding->path)) : nullptr;
        if (object && !binding->property) {
            HOSTAPI_PROPERTY_REPORT(object, QStringLiteral("no property at '%1', its editor is "
                                                           "disabled")
                                                .arg(QString::fromUtf8(binding->path)));
        } else if (binding->property) {
            binding->custom = createCustomControlBinding(editor, binding->property);
            if (!binding->custom && binding->connections.isEmpty()) {
                HOSTAPI_PROPERTY_REPORT(binding->property,
                                        QStringLiteral("the editor %1 is not supported")
                                            .arg(QString::fromLatin1(
                                                editor->metaObject()->className())));
                binding->property = nullptr;
            }
        }
        editor->setEnabled(binding->property && !readOnly);
        if (!binding->property || binding->custom)
            continue;
        auto *combo = qobject_cast<QComboBox *>(editor);
        const QList<PropertyEnum> choices = binding->property->propertyEnum();
        if (combo && !isBooleanCombo(combo) && !choices.isEmpty()) {
            m_loading = true;
            combo->clear();
            for (const PropertyEnum &choice : choices)
                combo->addItem(choice.icon, choice.label, choice.value);
            m_loading = false;
        }
        load(binding);
    }
    if (object) {
        m_objectConnections << connect(object->notifier(), &ObjectNotifier::objectChanged, this,
                                       &PropertyPage::propertyChanged)
                            << connect(object->notifier(), &QObject::destroyed, this,
                                       &PropertyPage::unbind);
    }
    if (wasModified)
        emit modifiedChanged(false);
}

bool PropertyPage::isModified() const
{
    for (const Binding *binding : m_bindings) {
        const PropertyObject *property = liveProperty(binding);
        if (binding->edited && property && !binding->custom
            && !PropertySupport::sameValue(editorValue(binding, property), property->value())) {
            return true;
        }
    }
    return false;
}

bool PropertyPage::apply()
{
    if (!m_object)
        return false;
    for (Binding *binding : qAsConst(m_bindings)) {
        PropertyObject *property = liveProperty(binding);
        if (!binding->edited || !property || binding->custom)
            continue;
        // Cleared first, so the editor shows the value as the property took it.
        binding->edited = false;
        const QVariant value = editorValue(binding, property);
        if (!value.isValid() || PropertySupport::sameValue(value, property->value()))
            continue;
        QString text = binding->editor->property("undoText").toString();
        if (text.isEmpty())
            text = tr(DefaultUndoText);
        CompoundObject *owner = ShellObject::parentUndoStack(property);
        if (!owner) {
            property->setValue(value);
            continue;
        }
        QUndoCommand *command = createUndoPropertyCommand(property, value, property->value(), text);
        HOSTAPI_ASSERT(command, continue);
        owner->undoStack()->push(command);
    }
    emit modifiedChanged(false);
    return true;
}

void PropertyPage::cancel()
{
    for (Binding *binding : qAsConst(m_bindings)) {
        binding->edited = false;
        if (liveProperty(binding) && !binding->custom)
            load(binding);
    }
    emit modifiedChanged(false);
}

void PropertyPage::saveAsDefault()
{
    for (const Binding *binding : qAsConst(m_bindings)) {
        PropertyObject *property = liveProperty(binding);
        if (property && property->hasSharedDefault())
            property->saveAsDefault();
    }
}

void PropertyPage::resetToDefault()
{
    for (Binding *binding : qAsConst(m_bindings)) {
        PropertyObject *property = liveProperty(binding);
        if (property && property->hasSharedDefault()) {
            binding->edited = false;
            property->resetToDefault();
        }
    }
}

bool PropertyPage::hasSharedDefaults() const
{
    for (const Binding *binding : m_bindings) {
        const PropertyObject *property = liveProperty(binding);
        if (property && property->hasSharedDefault())
            return true;
    }
    return false;
}

void PropertyPage::setPropertyValue(QWidget *editor, const QVariant &value)
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        if (isBooleanCombo(combo)) {
            combo->setCurrentIndex(value.toBool() ? 1 : 0);
            return;
        }
        int index = combo->findData(value);
        if (index < 0)
            index = combo->findText(value.toString());
        if (index < 0 && combo->isEditable()) {
            combo->setEditText(value.toString());
            return;
        }
        if (index < 0) {
            // A value that is none of the items is added, so that it shows.
            combo->addItem(value.toString());
            index = combo->count() - 1;
        }
        combo->setCurrentIndex(index);
    } else if (auto *spinBox = qobject_cast<QSpinBox *>(editor)) {
        spinBox->setValue(value.toInt());
    } else if (auto *doubleSpinBox = qobject_cast<QDoubleSpinBox *>(editor)) {
        doubleSpinBox->setValue(value.toDouble());
    } else if (auto *lineEdit = qobject_cast<QLineEdit *>(editor)) {
        lineEdit->setText(value.toString());
    } else if (auto *textEdit = qobject_cast<QTextEdit *>(editor)) {
        textEdit->setPlainText(value.toString());
    } else if (auto *checkBox = qobject_cast<QCheckBox *>(editor)) {
        checkBox->setChecked(value.toBool());
    } else if (auto *fontPicker = qobject_cast<FontPicker *>(editor)) {
        fontPicker->setCurrentFont(value.value<QFont>());
    } else if (auto *colorPicker = qobject_cast<ColorPickerButton *>(editor)) {
        colorPicker->setColor(value.value<QColor>());
    }
}

void PropertyPage::onVisiblePropertyValueChanged(QWidget *editor, PropertyObject *property)
{
    for (Binding *binding : qAsConst(m_bindings)) {
        if (binding->editor == editor && binding->property == property && !binding->edited
            && !binding->custom) {
            load(binding);
        }
    }
}

QUndoCommand *PropertyPage::createUndoPropertyCommand(PropertyObject *property,
                                                      const QVariant &newValue,
                                                      const QVariant &oldValue,
                                                      const QString &text)
{
    auto *command = new UndoPropertyCommand(ShellObject::parentUndoStack(property), text);
    command->addPropertyChange(property, QByteArray(), newValue, oldValue);
    return command;
}

bool PropertyPage::createCustomControlBinding(QWidget *editor, PropertyObject *property)
{
    Q_UNUSED(editor)
    Q_UNUSED(property)
    return false;
}

void PropertyPage::unbind()
{
    for (const QMetaObject::Connection &connection : qAsConst(m_objectConnections))
        disconnect(connection);
    m_objectConnections.clear();
    m_object = nullptr;
    for (Binding *binding : qAsConst(m_bindings)) {
        binding->property = nullptr;
        binding->edited = false;
    }
}

PropertyObject *PropertyPage::liveProperty(const Binding *binding) const
{
    if (!m_object || !binding->property || !binding->editor)
        return nullptr;
    return m_object->findObject(binding->path) == binding->property ? binding->property
                                                                    : nullptr;
}

void PropertyPage::load(Binding *binding)
{
    m_loading = true;
    setPropertyValue(binding->editor, binding->property->value());
    m_loading = false;
}

void PropertyPage::markEdited(Binding *binding)
{
    if (m_loading || !binding->property)
        return;
    binding->edited = true;
    emit modifiedChanged(isModified());
}

QVariant PropertyPage::editorValue(const Binding *binding, const PropertyObject *property) const
{
    QWidget *editor = binding->editor;
    QVariant value;
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        const int index = combo->currentIndex();
        if (isBooleanCombo(combo))
            value = index == 1;
        else if (index >= 0 && combo->itemData(index).isValid()
                 && combo->currentText() == combo->itemText(index))
            value = combo->itemData(index);
        else
            value = combo->currentText();
    } else if (auto *spinBox = qobject_cast<QSpinBox *>(editor)) {
        value = spinBox->value();
    } else if (auto *doubleSpinBox = qobject_cast<QDoubleSpinBox *>(editor)) {
        value = doubleSpinBox->value();
    } else if (auto *lineEdit = qobject_cast<QLineEdit *>(editor)) {
        value = lineEdit->text();
    } else if (auto *textEdit = qobject_cast<QTextEdit *>(editor)) {
        value = textEdit->toPlainText();
    } else if (auto *checkBox = qobject_cast<QCheckBox *>(editor)) {
        value = checkBox->isChecked();
    } else if (auto *fontPicker = qobject_cast<FontPicker *>(editor)) {
        value = fontPicker->currentFont();
    } else if (auto *colorPicker = qobject_cast<ColorPickerButton *>(editor)) {
        value = colorPicker->color();
    }
    const int type = property->value().userType();
    if (value.isValid() && property->value().isValid() && value.userType() != type
        && value.canConvert(type)) {
        value.convert(type);
    }
    return value;
}

void PropertyPage::propertyChanged(ShellObject *object)
{
    for (Binding *binding : qAsConst(m_bindings)) {
        if (binding->editor && binding->property
            && static_cast<ShellObject *>(binding->property) == object) {
            onVisiblePropertyValueChanged(binding->editor, binding->property);
        }
    }
}

} // namespace HostApi
