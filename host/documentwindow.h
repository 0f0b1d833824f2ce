#pragma once

#include <QByteArray>
#include <QColor>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRect>

class CaptionBar;
class Document;
class QAction;
class QLabel;
class QVBoxLayout;

namespace HostApi {
class DocTemplate;
}

// The sub-window of one host document: caption bar, the document widget's tool bar, the
// header and the document widget, titled by the document. It owns the document and destroys
// the document's widgets before the document itself.
class DocumentWindow : public QMdiSubWindow
{
    Q_OBJECT

public:
    // Takes ownership of document, a new document of docTemplate.
    DocumentWindow(Document *document, const HostApi::DocTemplate *docTemplate,
                   QWidget *parent = nullptr);
    ~DocumentWindow() override;

    Document *document() const { return m_document; }
    QByteArray templateId() const { return m_templateId; }
    CaptionBar *captionBar() const { return m_captionBar; }

    // The document's title, or its template's name while it has none.
    QString title() const;
    // The ready status and load progress as one line ("Loading: 42% completed").
    QString statusLine() const;
    static QColor statusColor(int status);

    // Whether the page reported ready, or finished loading once.
    bool isReady() const { return m_ready; }

    // 0 when not linked, or the document has no symbol linking.
    int linkGroup() const;
    void setLinkGroup(int group);

    // The geometry in the document area when neither maximised nor minimised.
    QRect normalGeometry() const { return m_normalGeometry; }

    // "Properties..." on the caption bar; shown while the document has property pages.
    QAction *propertiesAction() const { return m_propertiesAction; }

signals:
    void ready();
    // The user asked for the document's property dialog.
    void propertiesRequested();
    void statusLineChanged(const QString &line);

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeWidgets();
    void updateTitle();
    void updateStatus();
    void updateReady();
    void recordGeometry();
    void updatePropertiesAction();

    Document *m_document;
    QByteArray m_templateId;
    QString m_templateName;
    CaptionBar *m_captionBar;
    QLabel *m_placeholder;
    QAction *m_propertiesAction;
    QVBoxLayout *m_layout = nullptr;
    // What the window placed: the document's widgets are removed and destroyed first.
    QPointer<QWidget> m_toolBar;
    QPointer<QWidget> m_header;
    QPointer<QWidget> m_widget;
    QRect m_normalGeometry;
    bool m_loadStarted = false;
    bool m_ready = false;
};
