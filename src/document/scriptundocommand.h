#pragma once

#include <QPointer>
#include <QUndoCommand>
#include <QVariant>

class ScriptCommand;

// The undo entry of one activation of a script-handled command: redo() and undo() hand the
// activation's value back to the page through the command's signals. Entries never merge.
class ScriptUndoCommand : public QUndoCommand
{
public:
    ScriptUndoCommand(ScriptCommand *command, const QVariant &value);

    // reimplemented from QUndoCommand
    void redo() override;
    void undo() override;

private:
    // The command lives as long as its document, whose widget owns the undo stack.
    QPointer<ScriptCommand> m_command;
    QVariant m_value;
};
