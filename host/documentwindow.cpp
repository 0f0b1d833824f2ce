#include "documentwindow.h"

#include "captionbar.h"
#include "linkgroups.h"
#include "propertydialog.h"

#include <actionwidget.h>
#include <doctemplate.h>
#include <document.h>
#include <linkingsignal.h>

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Shows a tool bar only while it holds actions.
class ToolBarVisibility : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved) {
            auto *toolBar = static_cast<QWidget *>(watched);
            toolBar->setVisible(!toolBar->actions().isEmpty());
        }
        return false;
    }
};

} // namespace

DocumentWindow::DocumentWindow(Document *document, const HostApi::DocTemplate *docTemplate,
                               QWidget *parent)
    : QMdiSubWindow(parent)
    , m_document(document)
    , m_templateId(docTemplate->id())
    , m_templateName(docTemplate->name())
    , m_captionBar(new CaptionBar)
    , m_placeholder(new QLabel(tr("The plug-in shows no content.")))
    , m_propertiesAction(new QAction(tr("Properties..."), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(docTemplate->icon());
    document->setParent(this);

    auto *body = new QWidget;
    m_layout = new QVBoxLayout(body);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_layout->addWidget(m_captionBar);
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_layout->addWidget(m_placeholder, 1);
    setWidget(body);

    connect(document, &Document::documentWidgetChanged, this, &DocumentWindow::placeWidgets);
    connect(document, &Document::documentHeaderChanged, this, &DocumentWindow::placeWidgets);
    connect(document, &AbstractDocument::titleChanged, this, &DocumentWindow::updateTitle);
    connect(document, &AbstractDocument::descriptionChanged, m_captionBar, &CaptionBar::setDescription);
    connect(document, &Document::captionBarUserActionAdded, m_captionBar, &CaptionBar::addUserAction);
    connect(document, &Document::statusChanged, this, &DocumentWindow::updateStatus);
    connect(document, &Document::statusTextChanged, this, &DocumentWindow::updateStatus);
    connect(document, &Document::statusAvailableChanged, this, &DocumentWindow::updateStatus);
    connect(document, &Document::progressTextChanged, this, &DocumentWindow::updateStatus);
    connect(document, &Document::inProgressChanged, this, [this](bool inProgress) {
        m_loadStarted = m_loadStarted || inProgress;
        updateStatus();
    });
    connect(document, &Document::statusChanged, this, &DocumentWindow::updateReady);
    connect(document, &Document::inProgressChanged, this, &DocumentWindow::updateReady);

    if (LinkingSignal *linking = document->symbolLinking()) {
        m_captionBar->setLinkingEnabled(true);
        m_captionBar->setLinkGroup(linking->group());
        connect(linking, &LinkingSignal::groupChanged, m_captionBar, &CaptionBar::setLinkGroup);
        connect(m_captionBar, &CaptionBar::linkGroupRequested, this, &DocumentWindow::setLinkGroup);
    }
    for (QAction *action : document->captionBarUserActions())
        m_captionBar->addUserAction(action);
    m_captionBar->setDescription(document->description());
    m_captionBar->addUserAction(m_propertiesAction);
    connect(m_propertiesAction, &QAction::triggered, this, &DocumentWindow::propertiesRequested);
    connect(document, &Document::documentObjectChanged, this, &DocumentWindow::updatePropertiesAction);
    updatePropertiesAction();

    // The module starts loading the page while it builds the document, before this window
    // can see the load start.
    m_loadStarted = document->isInProgress();
    placeWidgets();
    updateTitle();
    updateStatus();
    updateReady();
}

DocumentWindow::~DocumentWindow()
{
    // The document's widgets may use the document while they are destroyed.
    delete m_widget;
    delete m_header;
    delete m_toolBar;
    delete m_document;
}

QString DocumentWindow::title() const
{
    const QString title = m_document->title();
    return title.isEmpty() ? m_templateName : title;
}

QString DocumentWindow::statusLine() const
{
    if (m_document->isInProgress()) {
        const QString progress = m_document->progressText();
        return progress.isEmpty() ? tr("Loading") : tr("Loading: %1").arg(progress);
    }
    QString name;
    switch (m_document->status()) {
    case Document::StatusInitializing:
        name = tr("Initializing");
        break;
    case Document::StatusReady:
        name = tr("Ready");
        break;
    case Document::StatusError:
        name = tr("Error");
        break;
    default:
        break;
    }
    const QString text = m_document->statusText();
    if (name.isEmpty() || text.isEmpty() || text == name)
        return name.isEmpty() ? text : name;
    return tr("%1: %2").arg(name, text);
}

QColor DocumentWindow::statusColor(int status)
{
    switch (status) {
    case Document::StatusInitializing:
        return QColor(0xfb, 0x8c, 0x00);
    case Document::StatusReady:
        return QColor(0x43, 0xa0, 0x47);
    case Document::StatusError:
        return QColor(0xe5, 0x39, 0x35);
    default:
        return QColor();
    }
}

int DocumentWindow::linkGroup() const
{
    const LinkingSignal *linking = m_document->symbolLinking();
    return linking ? linking->group() : LinkingSignal::NoGroup;
}

void DocumentWindow::setLinkGroup(int group)
{
    if (LinkingSignal *linking = m_document->symbolLinking(); linking && LinkGroups::isValid(group))
        linking->setGroup(group);
}

void DocumentWindow::moveEvent(QMoveEvent *event)
{
    QMdiSubWindow::moveEvent(event);
    recordGeometry();
}

void DocumentWindow::resizeEvent(QResizeEvent *event)
{
    QMdiSubWindow::resizeEvent(event);
    recordGeometry();
}

void DocumentWindow::placeWidgets()
{
    QWidget *widget = m_document->documentWidget();
    auto *actionWidget = qobject_cast<ActionWidget *>(widget);
    QWidget *toolBar = actionWidget ? actionWidget->toolBar() : nullptr;
    QWidget *header = m_document->documentHeader();

    if (toolBar && toolBar != m_toolBar)
        toolBar->installEventFilter(new ToolBarVisibility(toolBar));
    for (QWidget *old : {m_toolBar.data(), m_header.data(), m_widget.data()}) {
        if (old) {
            m_layout->removeWidget(old);
            old->hide();
        }
    }
    m_toolBar = toolBar;
    m_header = header;
    m_widget = widget;

    // Below the caption bar, in this order: tool bar, header, content (or the placeholder).
    m_layout->removeWidget(m_placeholder);
    if (toolBar) {
        m_layout->addWidget(toolBar);
        toolBar->setVisible(!toolBar->actions().isEmpty());
    }
    if (header) {
        m_layout->addWidget(header);
        header->show();
    }
    if (widget) {
        m_layout->addWidget(widget, 1);
        widget->show();
    } else {
        m_layout->addWidget(m_placeholder, 1);
    }
    m_placeholder->setVisible(!widget);
}

void DocumentWindow::updateTitle()
{
    setWindowTitle(title());
}

void DocumentWindow::updateStatus()
{
    const QString line = statusLine();
    const QColor color = m_document->isInProgress() ? statusColor(Document::StatusInitializing)
                                                    : statusColor(m_document->status());
    m_captionBar->setStatus(line, color);
    emit statusLineChanged(line);
}

void DocumentWindow::updateReady()
{
    if (m_ready)
        return;
    // A page that failed to load reports an error without ever starting.
    const int status = m_document->status();
    if (status == Document::StatusReady || status == Document::StatusError
        || (m_loadStarted && !m_document->isInProgress())) {
        m_ready = true;
        emit ready();
    }
}

void DocumentWindow::recordGeometry()
{
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        m_normalGeometry = geometry();
}

void DocumentWindow::updatePropertiesAction()
{
    m_propertiesAction->setVisible(PropertyDialog::hasPages(m_document));
}
