#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QVariant>

class CompoundObject;

// An object of the host's document object tree. Not a QObject, so that Qt classes can
// derive from it beside QObject. A compound object holds others under keys (not owned);
// either side may be destroyed first, the tree forgets it.
class HOSTAPI_EXPORT ShellObject
{
public:
    // Bits of propertyFlags().
    enum PropertyFlag {
        AutoDefaultFlag = 8,            // a change becomes the shared default at once
        StyleTemplateFlag = 32,         // part of the document's style templates
        DefaultStyleTemplateFlag = 64   // part of the default style template
    };

    ShellObject() = default;
    ShellObject(const ShellObject &) = delete;
    ShellObject &operator=(const ShellObject &) = delete;
    virtual ~ShellObject();

    // The type name under which the host stores the object's state.
    QByteArray typeName() const { return m_typeName; }
    void setTypeName(const QByteArray &typeName) { m_typeName = typeName; }

    int propertyFlags() const { return m_flags; }
    bool testPropertyFlag(PropertyFlag flag) const { return m_flags & flag; }
    void setPropertyFlag(PropertyFlag flag, bool on);

    // The compound object holding this one and the key it holds it under; null and empty
    // outside a tree.
    CompoundObject *parentObject() const { return m_parent; }
    QByteArray objectKey() const { return m_key; }
    // The keys from the root of the tree down to this object, joined by '.'.
    QByteArray objectPath() const;

    // Whether the object belongs to a document's tree.
    bool isAttached() const { return m_attached; }
    // Called by the host when the object joins a document's tree (Document::
    // setDocumentObject(), CompoundObject::addProperty()): marks it and the objects it
    // already holds attached, then calls objectAttach(). Joining again changes nothing.
    void joinTree();
    // Called once the object has joined a document's object tree.
    virtual void objectAttach();
    // Reports a change of the object's state up the tree: each compound object on the way
    // to the root, this one included, emits it (CompoundObject::notifier()).
    virtual void notifyObjectChanged();

    // The object's state in the host's JSON form (maps, lists, strings, numbers, booleans);
    // invalid when there is nothing to store.
    virtual QVariant objectToJson() const;
    // Restores what objectToJson() gave. Values that do not fit are skipped and reported to
    // the diagnostic log; the rest is restored. flags are passed down the tree unchanged.
    virtual void objectFromJson(const QVariant &json, int flags);

    // The object of object's tree that owns the undo stack for its changes: the tree's root
    // when that is a document object (InteractiveObject), else null (no undo before the
    // tree is attached to a document).
    static CompoundObject *parentUndoStack(const ShellObject *object);

private:
    friend class CompoundObject;

    QByteArray m_typeName;
    int m_flags = 0;
    CompoundObject *m_parent = nullptr;
    QByteArray m_key;
    bool m_attached = false;
};
