#include "scriptwidget.h"

#include "scriptdocument.h"
#include "scriptheader.h"
#include "scriptsymboledit.h"

#include <common/notifier/commonabstractnotifier.h>

#include <contextdata.h>
#include <contextmenu.h>
#include <logservice.h>
#include <styletemplatesgui.h>

#include <QContextMenuEvent>
#include <QMenu>
#include <QVBoxLayout>
#include <QWebView>

ScriptWidget::ScriptWidget(Document *doc)
    : ActionWidget(doc)
{
    initActions();
}

ScriptWidget::~ScriptWidget()
{
    if (m_scriptDoc)
        m_scriptDoc->widgetDestroyed();
}

void ScriptWidget::setScriptDoc(ScriptDocument *doc)
{
    HOSTAPI_ASSERT(0 != doc, return);
    m_scriptDoc = doc;

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(doc->view());

    const QString key = QString::fromUtf8(doc->templateKey());
    setStatisticsCounterName(key);
    setHelpTag(key);
    setDefaultFocusWidget(doc->view());

    if (m_styleTemplatesGui) {
        updateStyleTemplateAction();
        HOSTAPI_ASSERT(connect(m_styleTemplatesGui, SIGNAL(menuUpdated()),
                               this, SLOT(updateStyleTemplateAction())), );
    }

    ScriptHeader *header = doc->scriptHeader();
    if (ScriptSymbolEdit *symbolEdit = header ? header->symbolEdit() : nullptr) {
        Common::AbstractNotifier::subscribe(symbolEdit, "valueChanged", this,
                                            "onSymbolControlValueChanged");
        m_symbolControl = symbolEdit;
    }
}

void ScriptWidget::fillContextData(ContextData *context)
{
    if (m_scriptDoc)
        m_scriptDoc->writeContextData(context);
}

ContextMenuActionList ScriptWidget::contextMenuActions(ContextData *context)
{
    HOSTAPI_ASSERT(0 != context, return {});
    return m_scriptDoc ? m_scriptDoc->contextMenuFor(*context) : ContextMenuActionList();
}

void ScriptWidget::objectAttach()
{
    setObjectOwner(this);
    if (!m_scriptDoc)
        return;
    setTypeName(m_scriptDoc->templateKey());
    m_scriptDoc->initPropertyPages(this);
}

void ScriptWidget::updateStyleTemplateAction()
{
    HOSTAPI_ASSERT(m_styleTemplatesGui, return);
    if (m_scriptDoc)
        m_scriptDoc->registerStyleTemplateMenu(m_styleTemplatesGui->menu()->menuAction());
}

void ScriptWidget::selectAll()
{
    selectAllHook();
}

void ScriptWidget::doCopy()
{
    copyHook();
}

void ScriptWidget::doCut()
{
    cutHook();
}

void ScriptWidget::doPaste()
{
    pasteHook();
}

void ScriptWidget::doClear()
{
    clearHook();
}

void ScriptWidget::refresh()
{
    refreshHook();
}

void ScriptWidget::onSymbolControlValueChanged()
{
    HOSTAPI_ASSERT(m_symbolControl && "Must not be called if m_symbolControl was not set", return);
    setTradingConnectorSymbol(m_symbolControl->value().toUtf8());
}

// A right click shows the host's context menu only when the page listed entries for it; the
// view's own menu is off, so clicks on the page arrive here.
void ScriptWidget::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_scriptDoc && !m_scriptDoc->contextMenuActions().isEmpty())
        HostApi::ContextMenu::instance()->show(this, event->reason(), event->globalPos(), nullptr);
    event->accept();
}

void ScriptWidget::documentActiveChanged(bool active)
{
    ActionWidget::documentActiveChanged(active);
    QWebView *view = m_scriptDoc ? m_scriptDoc->view() : nullptr;
    if (active && view && !view->hasFocus())
        view->setFocus(Qt::ActiveWindowFocusReason);
}

void ScriptWidget::refreshHook()
{
    if (m_scriptDoc)
        m_scriptDoc->refresh();
}
