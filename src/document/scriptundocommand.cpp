#include "scriptundocommand.h"

#include "scriptcommand.h"

ScriptUndoCommand::ScriptUndoCommand(ScriptCommand *command, const QVariant &value)
    : m_command(command)
    , m_value(value)
{
}

void ScriptUndoCommand::redo()
{
    if (m_command)
        emit m_command->redo(m_value);
}

void ScriptUndoCommand::undo()
{
    if (m_command)
        emit m_command->undo(m_value);
}
