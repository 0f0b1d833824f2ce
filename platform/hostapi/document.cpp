#include "document.h"

#include "doctemplate.h"
#include "interactiveobject.h"

#include <QAction>
#include <QUndoStack>

Document::Document(const QByteArray &templateId, QObject *parent)
    : AbstractDocument(parent)
    , m_templateId(templateId)
{
}

Document::Document(const QByteArray &templateId, int templateFlags, QObject *parent)
    : Document(templateId, parent)
{
    setTemplateFlags(templateFlags);
}

// Children (a plug-in's document objects) go first, so that they can still reach the whole
// document while they are destroyed. What they change meanwhile is not announced: the host
// must not react to a document that is going away. destroyed() is still emitted.
Document::~Document()
{
    const bool wasBlocked = blockSignals(true);
    while (!children().isEmpty())
        delete children().constFirst();
    blockSignals(wasBlocked);
}

void Document::setTemplateFlags(int flags)
{
    m_templateFlags = flags;
    setSymbolLinkingEnabled(flags & HostApi::DocTemplate::SupportSymbolLinking);
}

void Document::setDocumentWidget(QWidget *widget)
{
    if (m_widget == widget)
        return;
    m_widget = widget;
    emit documentWidgetChanged(widget);
}

void Document::setDocumentHeader(QWidget *header)
{
    if (m_header == header)
        return;
    m_header = header;
    emit documentHeaderChanged(header);
}

void Document::setDocumentObject(InteractiveObject *object)
{
    if (m_object == object)
        return;
    m_object = object;
    if (object)
        object->joinTree();
    emit documentObjectChanged(object);
}

QUndoStack *Document::undoStack() const
{
    return m_object ? m_object->undoStack() : nullptr;
}

void Document::setStatus(int status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged(status);
}

void Document::setStatusText(const QString &text)
{
    if (text == m_statusText)
        return;
    m_statusText = text;
    emit statusTextChanged(text);
}

void Document::setStatusAvailable(bool available)
{
    if (available == m_statusAvailable)
        return;
    m_statusAvailable = available;
    emit statusAvailableChanged(available);
}

void Document::setInProgress(bool inProgress)
{
    if (inProgress == m_inProgress)
        return;
    m_inProgress = inProgress;
    emit inProgressChanged(inProgress);
}

void Document::setProgressText(const QString &text)
{
    if (text == m_progressText)
        return;
    m_progressText = text;
    emit progressTextChanged(text);
}

QList<QAction *> Document::captionBarUserActions() const
{
    QList<QAction *> actions;
    for (const QPointer<QAction> &action : m_captionBarActions) {
        if (action)
            actions.append(action);
    }
    return actions;
}

void Document::addCaptionBarUserAction(QAction *action)
{
    if (!action || captionBarUserActions().contains(action))
        return;
    m_captionBarActions.append(action);
    emit captionBarUserActionAdded(action);
}

void Document::setPrintObjectsProvider(HostApi::IPrintObjectsProvider *provider)
{
    m_printObjectsProvider = provider;
}

void Document::print(HostApi::Printer *printer)
{
    emit printRequested(printer);
}
