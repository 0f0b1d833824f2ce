#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QWidget>

// A host document (window) of one document template. The host creates it and hands it to
// the template's plug-in (IPlugin::initDocument); what the plug-in builds for it lives as
// children of it.
class HOSTAPI_EXPORT Document : public QObject
{
    Q_OBJECT

public:
    explicit Document(const QByteArray &templateId, QObject *parent = nullptr);

    // The id of the DocTemplate the document was created from.
    QByteArray templateId() const { return m_templateId; }

    // The widget shown as the document's content; not owned. Null until set and after the
    // widget is destroyed.
    QWidget *documentWidget() const { return m_widget; }
    void setDocumentWidget(QWidget *widget);

signals:
    void documentWidgetChanged(QWidget *widget);

private:
    QByteArray m_templateId;
    QPointer<QWidget> m_widget;
};
