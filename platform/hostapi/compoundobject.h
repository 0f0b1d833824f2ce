#pragma once

#include "hostapi_global.h"
#include "propertyenum.h"
#include "shellobject.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <memory>

class AppearanceManager;
class PropertyObject;
class QUndoStack;

// Emits the changes of a compound object's tree, for widgets that show them.
class HOSTAPI_EXPORT ObjectNotifier : public QObject
{
    Q_OBJECT

signals:
    // object (this compound object or one below it) changed its state.
    void objectChanged(ShellObject *object);
};

// A shell object that holds others under keys, in the order added. It owns the undo stack
// of the changes made to its tree when it is the tree's root. Its JSON form is a map from
// key to each held object's form.
class HOSTAPI_EXPORT CompoundObject : public ShellObject
{
public:
    CompoundObject();
    ~CompoundObject() override;

    // The Qt object that owns this one (such as the document widget); not owned.
    QObject *objectOwner() const { return m_owner; }
    void setObjectOwner(QObject *owner) { m_owner = owner; }

    // The object's undo stack; owned, never null.
    QUndoStack *undoStack() const { return m_undoStack.get(); }
    // Emits objectChanged for this object and every object below it; owned, never null.
    ObjectNotifier *notifier() const;

    // Holds object under key (not owned). An empty key, a key in use, a null object or an
    // object held elsewhere is refused (assertion report). When this object is attached,
    // object joins the tree at once (joinTree()).
    void addProperty(const QByteArray &key, ShellObject *object);
    // A property whose default is shared by every document of the template: kept in the
    // host settings under "propertyDefaults/<root's type name>/<path, '/'-separated>" as
    // {"version", "value": JSON form (sealed when stored encrypted)}; a stored default of
    // another version or form is not used (reported). The property takes the stored default,
    // else defaultValue. enums are its choices (PropertyObject::propertyEnum()). With
    // autoDefault (AutoDefaultFlag) every later change becomes the stored default at once.
    void addDefaultProperty(const QByteArray &key, PropertyObject *object,
                            const QVariant &defaultValue, const QList<PropertyEnum> &enums,
                            bool autoDefault, int version);
    // A property that takes black or white by the current theme and follows theme switches
    // while it holds the value of the theme it was set for; a value the user chose stays.
    // Theme values are not stored, so the versions are not used.
    void addThemeProperty(const QByteArray &key, PropertyObject *object, const QVariant &black,
                          const QVariant &white, int blackVersion, int whiteVersion);
    // A font property: it takes font through AppearanceManager::scaledFont(). Offering the
    // valid point sizes (setPropertyEnum("pointSize", ...)) is the caller's part; the
    // version is not used.
    void addFontProperty(const QByteArray &key, PropertyObject *object, const QFont &font,
                         int version);

    ShellObject *property(const QByteArray &key) const;
    QList<QByteArray> propertyKeys() const;
    // The object at a '.'-separated path of keys below this one ("objects.group.id"), or
    // null.
    ShellObject *findObject(const QByteArray &path) const;

    // A map from key to each held object's form; keys of objects with nothing to store are
    // left out. Restoring reports a form that is not a map and each unknown key.
    QVariant objectToJson() const override;
    void objectFromJson(const QVariant &json, int flags) override;

    // Passes a change of object (this or one below it) to the notifier and up the tree.
    void objectChanged(ShellObject *object);

    // The application's appearance manager (theme, fonts).
    static AppearanceManager *appearanceManager();

private:
    friend class ShellObject;
    // addProperty(); false when refused.
    bool hold(const QByteArray &key, ShellObject *object);
    void forget(ShellObject *object);

    QPointer<QObject> m_owner;
    std::unique_ptr<QUndoStack> m_undoStack;
    mutable std::unique_ptr<ObjectNotifier> m_notifier;
    QList<QByteArray> m_keys;
    QList<ShellObject *> m_objects;
};
