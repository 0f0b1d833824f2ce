#pragma once

#include "scriptproperty.h"

#include <plugin/scriptpluginspec.h>

#include <compoundobject.h>

#include <QList>
#include <QObjectList>
#include <QString>

namespace HostApi { class IOutputChannel; }

// A named group of script properties: the root "objects" of a document, or one property
// object of the manifest. Its children are Qt children too, and scripts reach them by name
// or through the objects list. It joins the host's object tree under its id and then adds
// its children below itself.
class ScriptPropertyContainer : public ScriptProperty, public CompoundObject
{
    Q_OBJECT
    // The children in the order they were added.
    Q_PROPERTY(QObjectList objects READ objects)

public:
    explicit ScriptPropertyContainer(const QString &name, QObject *parent = nullptr);

    // A container named name holding one container per group, in ascending order of group
    // name. log takes the plug-in output lines of the properties (may be null).
    static ScriptPropertyContainer *createObjects(const QString &name,
                                                  const PropertyGroups &groups,
                                                  HostApi::IOutputChannel *log);
    // A container named name holding one property per definition, in list order. An empty
    // id or an unknown kind is reported (non-fatal assertion); an unknown kind creates
    // nothing.
    static ScriptPropertyContainer *createContainer(const QString &name,
                                                    const QList<PropertySpec> &definitions,
                                                    HostApi::IOutputChannel *log);

    // Takes property as the last child.
    void appendChild(ScriptProperty *property);
    QObjectList objects() const;

    // reimplemented from ShellObject: adds the children to the tree.
    void objectAttach() override;
    // reimplemented from ScriptProperty
    void attach(CompoundObject *parent) override;

private:
    QList<ScriptProperty *> m_children;
};
