#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class CompoundObject;
class PropertyObject;
class QUndoCommand;
class ShellObject;

namespace HostApi {

// A page of the host's property dialog: a widget with an icon, titled by its window title.
// The page edits the properties of one object at a time (setObject()). Its editors are the
// child widgets that carry the dynamic property "dataKey", the path of the edited property
// below the object ("objects.group.id"); "undoText" names the undo entry of an edit and
// "dataType" = "boolean" makes a two-item combo box (False, True) edit a bool. Editors:
// QComboBox (filled from the property's enumeration when it has one, else chosen by item
// data or text; a value that is none of the items is added), QSpinBox (any int),
// QDoubleSpinBox (up to ±1e12, 6 decimals), QLineEdit, QTextEdit (plain text), QCheckBox,
// FontPicker and ColorPickerButton. An editor whose path names no property, or of another
// kind, is disabled and reported to the diagnostic log. The page lets go of an object
// whose tree is destroyed.
class HOSTAPI_EXPORT PropertyPage : public QWidget
{
    Q_OBJECT

public:
    // The undo text of an edit whose editor names none.
    static const char DefaultUndoText[];

    explicit PropertyPage(const QIcon &icon, QWidget *parent = nullptr);
    ~PropertyPage() override;

    QIcon icon() const { return m_icon; }

    // Shows object's properties (readOnly: the editors are disabled). The editors show the
    // current values; edits are kept until apply() or cancel().
    virtual void setObject(CompoundObject *object, bool readOnly);
    CompoundObject *object() const { return m_object; }
    // Whether an editor holds a value that apply() would write.
    bool isModified() const;
    // Writes every edited value: one undo entry per changed property, named by its editor's
    // undoText, in editor order; a tree without undo stack takes the value directly.
    // Returns false when no object is shown.
    virtual bool apply();
    // Drops the edits: the editors show the current values again.
    void cancel();
    // The page's properties that have a shared default: their current values become the
    // defaults, or the stored defaults are dropped and the manifest's are taken again (an
    // edit of such a property is dropped).
    void saveAsDefault();
    void resetToDefault();
    bool hasSharedDefaults() const;

signals:
    // An editor was edited, or apply() or cancel() ran.
    void modifiedChanged(bool modified);

protected:
    // Finds the editors (children with a "dataKey") and binds them to the shown object's
    // properties. A page calls it once its editors exist.
    void init();
    // Shows value in editor. The page calls it with edit tracking off.
    virtual void setPropertyValue(QWidget *editor, const QVariant &value);
    // A bound property changed while the page shows it (script, undo, theme): the editor
    // shows the new value unless it holds an edit.
    virtual void onVisiblePropertyValueChanged(QWidget *editor, PropertyObject *property);
    // The undo entry for one applied edit.
    virtual QUndoCommand *createUndoPropertyCommand(PropertyObject *property,
                                                    const QVariant &newValue,
                                                    const QVariant &oldValue,
                                                    const QString &text);
    // Binds an editor the page knows better than the host (called by setObject() for each
    // editor whose path names a property); false: the host binds it. The host then neither
    // loads nor applies it.
    virtual bool createCustomControlBinding(QWidget *editor, PropertyObject *property);
    // The page's own set-up; the page calls it once, right after init().
    virtual void initPage() = 0;

private:
    struct Binding;

    // Ends the binding to the shown object (also when its tree is destroyed).
    void unbind();
    // binding's property while it is still at its path in the shown object, else null.
    PropertyObject *liveProperty(const Binding *binding) const;
    // Shows the property's value in binding's editor without marking an edit.
    void load(Binding *binding);
    void markEdited(Binding *binding);
    // The editor's value, converted to the type of the property's value when it can be.
    QVariant editorValue(const Binding *binding, const PropertyObject *property) const;
    void propertyChanged(ShellObject *object);

    QIcon m_icon;
    CompoundObject *m_object = nullptr;
    QList<Binding *> m_bindings;
    bool m_loading = false;
    QList<QMetaObject::Connection> m_objectConnections;
};

} // namespace HostApi
