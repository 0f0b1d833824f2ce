#pragma once

#include "abstractdocument.h"
#include "hostapi_global.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class InteractiveObject;
class QAction;
class QUndoStack;

namespace HostApi {
class IPrintObjectsProvider;
class Printer;
}

// A host document (window) of one document template. The host creates it and hands it to
// the template's plug-in (IPlugin::initDocument); what the plug-in builds for it lives as
// children of it, and those children are destroyed while the document is still whole (and
// silent). Each setter emits its change signal only when the value changes.
class HOSTAPI_EXPORT Document : public AbstractDocument
{
    Q_OBJECT

public:
    // Ready states of status().
    enum Status { StatusInitializing = 0, StatusReady = 1, StatusError = 2, StatusNone = 3 };

    explicit Document(const QByteArray &templateId, QObject *parent = nullptr);
    // With the template's support flags (DocTemplate::supportFlags()).
    Document(const QByteArray &templateId, int templateFlags, QObject *parent = nullptr);
    ~Document() override;

    // The id of the DocTemplate the document was created from.
    QByteArray templateId() const { return m_templateId; }
    // The template's support flags (DocTemplate::SupportFlag bits); symbol linking follows
    // the SupportSymbolLinking bit.
    int templateFlags() const { return m_templateFlags; }
    void setTemplateFlags(int flags);

    // The widget shown as the document's content; not owned. Null until set and after the
    // widget is destroyed.
    QWidget *documentWidget() const { return m_widget; }
    void setDocumentWidget(QWidget *widget);
    // The row of controls shown above the content; not owned, null for none.
    QWidget *documentHeader() const { return m_header; }
    void setDocumentHeader(QWidget *header);
    // The root of the document's object tree (properties, property pages, undo); not owned.
    // Setting it attaches it (ShellObject::joinTree()).
    InteractiveObject *documentObject() const { return m_object; }
    void setDocumentObject(InteractiveObject *object);
    // The document object's undo stack; null without a document object.
    QUndoStack *undoStack() const;

    // Ready status (Status) and the text shown with it.
    int status() const { return m_status; }
    void setStatus(int status);
    QString statusText() const { return m_statusText; }
    void setStatusText(const QString &text);
    // Whether the window shows a status at all.
    bool isStatusAvailable() const { return m_statusAvailable; }
    void setStatusAvailable(bool available);
    // Whether the document is busy (loading), and the text describing the progress.
    bool isInProgress() const { return m_inProgress; }
    void setInProgress(bool inProgress);
    QString progressText() const { return m_progressText; }
    void setProgressText(const QString &text);

    // Actions the window shows on its caption bar, in the order added; not owned.
    QList<QAction *> captionBarUserActions() const;
    void addCaptionBarUserAction(QAction *action);

    // What the host asks when it prints the document; not owned, null for none.
    HostApi::IPrintObjectsProvider *printObjectsProvider() const { return m_printObjectsProvider; }
    void setPrintObjectsProvider(HostApi::IPrintObjectsProvider *provider);
    // Asks the document to print itself on printer: emits printRequested().
    void print(HostApi::Printer *printer);

signals:
    // The content widget was set, or it was destroyed (null).
    void documentWidgetChanged(QWidget *widget);
    // The header row was set or removed (null).
    void documentHeaderChanged(QWidget *header);
    // The object tree's root was set, or it left the document (null).
    void documentObjectChanged(InteractiveObject *object);
    // The ready status (Status) changed.
    void statusChanged(int status);
    // The text shown with the status changed.
    void statusTextChanged(const QString &text);
    // The window started or stopped showing a status.
    void statusAvailableChanged(bool available);
    // A load started (true) or ended (false).
    void inProgressChanged(bool inProgress);
    // The progress text of the running load changed.
    void progressTextChanged(const QString &text);
    // An action was added to the caption bar.
    void captionBarUserActionAdded(QAction *action);
    // The host asks the document's plug-in to print on printer, now.
    void printRequested(HostApi::Printer *printer);

private:
    QByteArray m_templateId;
    int m_templateFlags = 0;
    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_header;
    InteractiveObject *m_object = nullptr;
    int m_status = StatusNone;
    QString m_statusText;
    bool m_statusAvailable = false;
    bool m_inProgress = false;
    QString m_progressText;
    QList<QPointer<QAction>> m_captionBarActions;
    HostApi::IPrintObjectsProvider *m_printObjectsProvider = nullptr;
};
