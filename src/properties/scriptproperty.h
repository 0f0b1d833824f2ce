#pragma once

#include <QByteArray>
#include <QObject>

class CompoundObject;

// A node of a document's script property tree ("objects" → groups → properties): a Qt
// object named by its id that scripts reach by name, and that joins the host's object tree
// under that id.
class ScriptProperty : public QObject
{
    Q_OBJECT

public:
    explicit ScriptProperty(const QByteArray &id, QObject *parent = nullptr);

    // The key under which the node joins its parent, UTF-8.
    QByteArray id() const { return m_id; }

    // Adds the node to parent's host object tree.
    virtual void attach(CompoundObject *parent) = 0;

private:
    const QByteArray m_id;
};
