#include "document.h"

Document::Document(const QByteArray &templateId, QObject *parent)
    : QObject(parent)
    , m_templateId(templateId)
{
}

void Document::setDocumentWidget(QWidget *widget)
{
    if (m_widget == widget)
        return;
    m_widget = widget;
    emit documentWidgetChanged(widget);
}
