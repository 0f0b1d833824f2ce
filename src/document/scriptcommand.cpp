#include "scriptcommand.h"

#include "scriptdocument.h"
#include "scriptundocommand.h"
#include "scriptwidget.h"

#include <document.h>
#include <logservice.h>
#include <undopropertycommand.h>

#include <QUndoStack>

ScriptCommand::ScriptCommand(const QString &id, const QString &undoText, const QString &bind,
                             ScriptDocument *doc)
    : QObject(doc)
    , m_doc(doc)
    , m_id(id)
    , m_undoText(undoText)
    , m_bind(bind)
{
    setObjectName(id);
}

// A bound command leaves the old value to the host (invalid: the property's current value).
void ScriptCommand::activate(QVariant value)
{
    if (!m_bind.isEmpty()) {
        ScriptWidget *widget = m_doc->widget();
        HOSTAPI_ASSERT(0 != widget, return);
        UndoPropertyCommand::changeWithUndo(m_undoText, widget, m_bind.toUtf8(), value,
                                            QVariant());
        return;
    }
    QUndoStack *stack = m_doc->hostDocument()->undoStack();
    HOSTAPI_ASSERT(0 != stack, return);
    auto *command = new ScriptUndoCommand(this, value);
    command->setText(m_undoText);
    stack->push(command);
}
