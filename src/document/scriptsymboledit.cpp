#include "scriptsymboledit.h"

#include "scriptdocument.h"
#include "scriptwidget.h"

#include <document.h>
#include <logservice.h>
#include <symboleditbuilderhost.h>
#include <symboleditcontrol.h>
#include <symboleditcontrolactivationhelper.h>

namespace {

const char MinWidthKey[] = "minwidth";
const char ValueKey[] = "value";
const char FocusOnKeyPressKey[] = "focusOnKeyPress";
const char UseSymbolBuilderKey[] = "useSymbolBuilder";
const char MinWidthStyle[] = ".SymbolEditControl { width: %1 }";

} // namespace

ScriptSymbolEdit::ScriptSymbolEdit(QObject *parent)
    : ScriptControl(parent)
{
}

void ScriptSymbolEdit::init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc)
{
    setWidget(new SymbolEditControl(parent));
    HOSTAPI_ASSERT(QObject::connect(control(), SIGNAL(editDone(const QByteArray&, int)),
                                    this, SIGNAL(activated())), );
    HOSTAPI_ASSERT(QObject::connect(control(), SIGNAL(editDone(const QByteArray&, int)),
                                    this, SLOT(onSelfActivated())), );
    HOSTAPI_ASSERT(QObject::connect(control(), SIGNAL(editDone(const QByteArray&, int)),
                                    doc->widget(), SLOT(setDefaultFocus())), );
    HOSTAPI_ASSERT(QObject::connect(control(), SIGNAL(editCancelled()),
                                    doc->widget(), SLOT(setDefaultFocus())), );

    if (params.contains(QLatin1String(MinWidthKey))) {
        control()->setStyleSheet(QLatin1String(MinWidthStyle)
                                     .arg(params.value(QLatin1String(MinWidthKey)).toString()));
    }
    control()->setSymbol(params.value(QLatin1String(ValueKey)).toString().toUtf8());
    m_lastValue = value();
    if (params.value(QLatin1String(FocusOnKeyPressKey), true).toBool())
        new HostApi::SymbolEditControlActivationHelper(control(), doc->hostDocument());
    control()->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    if (params.value(QLatin1String(UseSymbolBuilderKey), false).toBool()) {
        m_builderHost = new HostApi::SymbolEditBuilderHost(control(), control());
        m_builderHost->setAliasesAutoAssign(true);
        control()->setSymbolBuilderHost(m_builderHost, SymbolEditControl::BuilderButton);
    }
}

QString ScriptSymbolEdit::value() const
{
    SymbolEditControl *edit = control();
    return edit ? QString::fromUtf8(edit->symbol()) : QString();
}

void ScriptSymbolEdit::setValue(const QString &value)
{
    SymbolEditControl *edit = control();
    if (!edit)
        return;
    edit->setSymbol(value.toUtf8());
    reportValue();
}

SymbolEditControl *ScriptSymbolEdit::control() const
{
    return static_cast<SymbolEditControl *>(widget());
}

void ScriptSymbolEdit::onSelfActivated()
{
    reportValue();
}

void ScriptSymbolEdit::reportValue()
{
    const QString current = value();
    if (current == m_lastValue)
        return;
    m_lastValue = current;
    emit valueChanged();
}
