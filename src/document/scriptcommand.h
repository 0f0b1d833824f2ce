#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class ScriptDocument;

// A command of the manifest's "commands", as pages see it. Activating a bound command changes
// the document's property at bind with one undo entry; any other command pushes an undo entry
// whose redo and undo the page performs itself, through the signals redo and undo.
class ScriptCommand : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString id READ id)
    Q_PROPERTY(QString undoText READ undoText)
    Q_PROPERTY(QString bind READ bind)

public:
    // doc becomes the parent; the object name is id.
    ScriptCommand(const QString &id, const QString &undoText, const QString &bind,
                  ScriptDocument *doc);

    QString id() const { return m_id; }
    QString undoText() const { return m_undoText; }
    QString bind() const { return m_bind; }

    Q_INVOKABLE void activate(QVariant value);

signals:
    void undo(QVariant value);
    void redo(QVariant value);

private:
    ScriptDocument *m_doc;
    QString m_id;
    QString m_undoText;
    QString m_bind;
};
