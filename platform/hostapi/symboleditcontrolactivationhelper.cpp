#include "symboleditcontrolactivationhelper.h"

#include "document.h"
#include "logservice.h"
#include "symboleditcontrol.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace HostApi {

namespace {

// Whether widget takes typed text itself; a web view does, for the page's own inputs and
// key handlers.
bool takesText(const QWidget *widget)
{
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget)
        || qobject_cast<const QPlainTextEdit *>(widget)
        || qobject_cast<const QAbstractSpinBox *>(widget) || widget->inherits("QWebView");
}

// A printable text typed with no modifier but Shift (or the keypad's).
bool isSymbolText(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers others =
        event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString text = event->text();
    if (others != Qt::NoModifier || text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!c.isPrint() || c.isSpace())
            return false;
    }
    return true;
}

} // namespace

SymbolEditControlActivationHelper::SymbolEditControlActivationHelper(SymbolEditControl *control,
                                                                     Document *document)
    : QObject(control)
    , m_control(control)
    , m_document(document)
{
    HOSTAPI_ASSERT(control, return);
    HOSTAPI_ASSERT(document, return);
    connect(document, &Document::documentWidgetChanged, this,
            &SymbolEditControlActivationHelper::watch);
    watch(document->documentWidget());
}

bool SymbolEditControlActivationHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildAdded) {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget *>(child));
        return false;
    }
    if (event->type() != QEvent::KeyPress || !m_control || !m_document
        || !m_control->isEnabled())
        return false;
    QWidget *root = m_document->documentWidget();
    auto *receiver = qobject_cast<QWidget *>(watched);
    if (!root || !receiver || (receiver != root && !root->isAncestorOf(receiver)))
        return false;
    // A key that a text-taking child did not use comes up to its parents: the focus widget
    // tells where it was typed.
    QWidget *focus = QApplication::focusWidget();
    if (focus && receiver->isAncestorOf(focus))
        receiver = focus;
    for (QWidget *w = receiver; w && w != root; w = w->parentWidget()) {
        if (takesText(w))
            return false;
    }
    if (takesText(root) || m_control->isAncestorOf(receiver))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!isSymbolText(key))
        return false;
    m_control->startEditing(key->text());
    return true;
}

void SymbolEditControlActivationHelper::watch(QWidget *widget)
{
    if (!widget)
        return;
    widget->installEventFilter(this);
    for (QWidget *child : widget->findChildren<QWidget *>())
        child->installEventFilter(this);
}

} // namespace HostApi
