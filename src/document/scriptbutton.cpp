#include "scriptbutton.h"

#include "scriptdocument.h"

#include <hotkeyaction.h>
#include <logservice.h>

#include <QMenu>
#include <QToolButton>

namespace {

const char IdKey[] = "id";
const char NameKey[] = "name";
const char IconKey[] = "icon";
const char TooltipKey[] = "tooltip";
const char TypeKey[] = "type";
const char ActionsKey[] = "actions";
const char ActionKey[] = "action";
const char ValueKey[] = "value";
const char MenuButtonType[] = "MenuButton";
const char ToggleButtonType[] = "ToggleButton";
constexpr int IconSide = 16;

} // namespace

ScriptButton::ScriptButton(QObject *parent)
    : ScriptControl(parent)
{
}

// The kind of button comes from the entry's own "type", so that a button described inside
// another control's entry (the insert-symbol button's "button") is built the same way.
void ScriptButton::init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc)
{
    m_doc = doc;
    auto *w = new QToolButton(parent);
    setWidget(w);

    const QString id = params.value(QLatin1String(IdKey)).toString();
    QString name = params.value(QLatin1String(NameKey)).toString();
    if (name.isEmpty())
        name = id;
    w->setToolTip(params.value(QLatin1String(TooltipKey)).toString());
    w->setIconSize(QSize(IconSide, IconSide));
    w->setIcon(icon(doc, params.value(QLatin1String(IconKey)).toString()));
    w->setText(name);
    w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);

    const QString type = params.value(QLatin1String(TypeKey)).toString();
    if (type == QLatin1String(MenuButtonType)) {
        w->setMenu(new QMenu(w));
        w->setPopupMode(QToolButton::InstantPopup);
        setAction(params.value(QLatin1String(ActionsKey)).toStringList());
    } else if (type == QLatin1String(ToggleButtonType)) {
        w->setCheckable(true);
    }
    HOSTAPI_ASSERT(QObject::connect(w, SIGNAL(clicked(bool)), this, SIGNAL(activated())), );

    const QString actionName = params.value(QLatin1String(ActionKey)).toString();
    if (!actionName.isEmpty()) {
        attachAction(actionName);
        return;
    }
    const QVariant value = params.value(QLatin1String(ValueKey));
    if (!value.toString().isEmpty())
        w->setChecked(value.toBool());
}

bool ScriptButton::value() const
{
    QToolButton *w = button();
    return w && w->isChecked();
}

void ScriptButton::setValue(bool checked)
{
    if (QToolButton *w = button())
        w->setChecked(checked);
}

// Only menu buttons have a menu to refill; other buttons just keep the list.
void ScriptButton::setAction(const QStringList &names)
{
    m_action = names;
    QToolButton *w = button();
    QMenu *menu = w ? w->menu() : nullptr;
    if (!menu || !m_doc)
        return;
    menu->clear();
    m_doc->buildMainMenu(menu, m_action);
}

QToolButton *ScriptButton::button() const
{
    return static_cast<QToolButton *>(widget());
}

void ScriptButton::attachAction(const QString &name)
{
    const ScriptDocument::ActionEntry *entry = m_doc ? m_doc->findAction(name) : nullptr;
    if (!entry) {
        logLine(m_doc, tr("can't attach action"), tr("action %1 is not defined").arg(name));
        return;
    }
    if (entry->hotkey)
        entry->hotkey->addToToolButton(button());
    if (entry->qaction)
        button()->setDefaultAction(entry->qaction);
}
