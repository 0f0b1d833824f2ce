#include "actionwidget.h"

#include "doctemplate.h"
#include "document.h"
#include "hotkey.h"
#include "hotkeyaction.h"
#include "hotkeyhelpers.h"
#include "idoctemplateservice.h"
#include "logservice.h"
#include "servicelocator.h"
#include "styletemplatesgui.h"

#include <QToolBar>
#include <QUndoStack>

namespace {

const char StandardGroupId[] = "documentWidget";

struct StandardHotKey
{
    const char *id;
    const char *text;
    QKeySequence::StandardKey key;   // UnknownKey: the sequence below
    int sequence;
};

const StandardHotKey standardHotKeys[] = {
    {ActionWidget::PropertiesHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Properties..."),
     QKeySequence::UnknownKey, Qt::ALT | Qt::Key_Return},
    {ActionWidget::CutHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Cut"), QKeySequence::Cut, 0},
    {ActionWidget::CopyHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Copy"), QKeySequence::Copy, 0},
    {ActionWidget::PasteHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Paste"),
     QKeySequence::Paste, 0},
    {ActionWidget::SelectAllHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Select All"),
     QKeySequence::SelectAll, 0},
    {ActionWidget::UndoHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Undo"), QKeySequence::Undo, 0},
    {ActionWidget::RedoHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Redo"), QKeySequence::Redo, 0},
    {ActionWidget::HelpHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Help"),
     QKeySequence::HelpContents, 0},
    {ActionWidget::RefreshHotKeyId, QT_TRANSLATE_NOOP("ActionWidget", "Refresh"),
     QKeySequence::Refresh, 0},
};

QList<QKeySequence> sequencesOf(const StandardHotKey &standard)
{
    if (standard.key != QKeySequence::UnknownKey)
        return QKeySequence::keyBindings(standard.key);
    return {QKeySequence(standard.sequence)};
}

// The host's hot key of a standard action; registered on first use, so that the user's own
// key sequences of an existing one stay.
HostApi::HotKey *standardHotKey(const StandardHotKey &standard)
{
    if (HostApi::HotKey *existing = HostApi::widgetChildHotKey(standard.id, QByteArray()))
        return existing;
    const QString text = ActionWidget::tr(standard.text);
    HostApi::HotKeyAction *registered = HostApi::registerWidgetChildHotKey(
        standard.id, QByteArray(), sequencesOf(standard), text, text, StandardGroupId);
    return registered ? registered->hotKey() : nullptr;
}

} // namespace

ActionWidget::ActionWidget(Document *document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
    , m_toolBar(new QToolBar)
{
    m_toolBar->setIconSize(QSize(16, 16));
    setContextChangeHandler([this] { emit documentContextChanged(); });
    if (document)
        connect(document, &Document::activeChanged, this, &ActionWidget::documentActiveChanged);
}

ActionWidget::~ActionWidget()
{
    if (m_document && m_document->documentObject() == this)
        m_document->setDocumentObject(nullptr);
    if (m_document && m_document->documentWidget() == this)
        m_document->setDocumentWidget(nullptr);
    delete m_toolBar;
}

HostApi::HotKeyAction *ActionWidget::hotKeyAction(const QByteArray &id) const
{
    return m_hotKeyActions.value(id);
}

bool ActionWidget::hotKeyRegistered(const QByteArray &id) const
{
    return m_hotKeyActions.contains(id);
}

void ActionWidget::setTradingConnectorSymbol(const QByteArray &symbol)
{
    if (symbol == m_tradingConnectorSymbol)
        return;
    m_tradingConnectorSymbol = symbol;
    emit tradingConnectorSymbolChanged(symbol);
}

QWidget *ActionWidget::defaultFocusWidget() const
{
    return m_defaultFocusWidget ? m_defaultFocusWidget.data() : const_cast<ActionWidget *>(this);
}

void ActionWidget::setDefaultFocusWidget(QWidget *widget)
{
    m_defaultFocusWidget = widget;
}

void ActionWidget::setDefaultFocus()
{
    defaultFocusWidget()->setFocus(Qt::OtherFocusReason);
}

void ActionWidget::initActions()
{
    HOSTAPI_ASSERT(m_hotKeyActions.isEmpty(), return);
    for (const StandardHotKey &standard : standardHotKeys) {
        HostApi::HotKey *hotKey = standardHotKey(standard);
        HOSTAPI_ASSERT(0 != hotKey, continue);
        HostApi::HotKeyAction *action = hotKey->createAction(this);
        const QByteArray id = standard.id;
        action->setObjectName(QString::fromLatin1(id));
        addAction(action);
        connect(action, &QAction::triggered, this, [this, id] { triggerStandardAction(id); });
        m_hotKeyActions.insert(id, action);
    }
    m_styleTemplatesGui = selectStyleTemplatesGui();
    actionsInitialized();
}

void ActionWidget::triggerStandardAction(const QByteArray &id)
{
    if (id == PropertiesHotKeyId)
        emit propertiesDialogRequested();
    else if (id == CutHotKeyId)
        cutHook();
    else if (id == CopyHotKeyId)
        copyHook();
    else if (id == PasteHotKeyId)
        pasteHook();
    else if (id == SelectAllHotKeyId)
        selectAllHook();
    else if (id == UndoHotKeyId)
        undo();
    else if (id == RedoHotKeyId)
        redo();
    else if (id == HelpHotKeyId)
        emit helpRequested(m_helpTag);
    else if (id == RefreshHotKeyId)
        refreshHook();
}

void ActionWidget::actionsInitialized()
{
}

void ActionWidget::documentActiveChanged(bool)
{
}

HostApi::StyleTemplatesGui *ActionWidget::selectStyleTemplatesGui()
{
    if (!m_document)
        return nullptr;
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    const HostApi::DocTemplate *docTemplate = templates
        ? templates->docTemplate(m_document->templateId()) : nullptr;
    if (!docTemplate || docTemplate->styleTemplateGroup().isEmpty())
        return nullptr;
    return new HostApi::StyleTemplatesGui(docTemplate->styleTemplateGroup(), this);
}

void ActionWidget::selectAllHook()
{
}

void ActionWidget::copyHook()
{
}

void ActionWidget::cutHook()
{
}

void ActionWidget::pasteHook()
{
}

void ActionWidget::clearHook()
{
}

void ActionWidget::undo()
{
    undoStack()->undo();
}

void ActionWidget::redo()
{
    undoStack()->redo();
}

void ActionWidget::refreshHook()
{
}
