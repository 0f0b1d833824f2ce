#include "scriptcombobox.h"

#include "sizeparameter.h"

#include <logservice.h>

#include <QComboBox>

namespace {

const char TooltipKey[] = "tooltip";
const char EditableKey[] = "editable";
const char OptionsKey[] = "options";
const char MinWidthKey[] = "minwidth";
const QChar OptionSeparator = QLatin1Char('|');
const char SeparatorOption[] = "-";

} // namespace

ScriptComboBox::ScriptComboBox(QObject *parent)
    : ScriptControl(parent)
{
}

void ScriptComboBox::init(const QVariantMap &params, QWidget *parent, ScriptDocument *doc)
{
    m_doc = doc;
    auto *w = new QComboBox(parent);
    setWidget(w);
    w->setToolTip(params.value(QLatin1String(TooltipKey)).toString());
    w->setEditable(params.value(QLatin1String(EditableKey), false).toBool());
    w->setFocusPolicy(Qt::WheelFocus);
    w->setFrame(false);
    HOSTAPI_ASSERT(QObject::connect(w, SIGNAL(activated(const QString&)),
                                    this, SIGNAL(activated())), );
    setOptions(params.value(QLatin1String(OptionsKey)).toStringList());

    const QVariant minWidth = params.value(QLatin1String(MinWidthKey));
    const SizeParameter size = SizeParameter::parse(minWidth.toString());
    if (size.isValid())
        w->setMinimumWidth(size.pixels(*w));
    else if (!size.isAbsent())
        logLine(doc, tr("wrong parameter"),
                tr("'minwidth' is not a size: %1").arg(minWidth.toString()));
}

QString ScriptComboBox::value() const
{
    QComboBox *w = comboBox();
    return w ? w->currentText() : QString();
}

void ScriptComboBox::setValue(const QString &value)
{
    QComboBox *w = comboBox();
    if (!w)
        return;
    if (w->isEditable())
        w->setEditText(value);
    else
        w->setCurrentIndex(w->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void ScriptComboBox::setOptions(const QStringList &options)
{
    m_options = options;
    QComboBox *w = comboBox();
    if (!w)
        return;
    w->clear();
    for (const QString &option : options) {
        if (option == QLatin1String(SeparatorOption)) {
            w->insertSeparator(w->count());
            continue;
        }
        const QStringList parts = option.split(OptionSeparator);
        if (parts.size() > 1)
            w->addItem(icon(m_doc, parts.at(1)), parts.at(0));
        else
            w->addItem(option);
    }
}

QComboBox *ScriptComboBox::comboBox() const
{
    return static_cast<QComboBox *>(widget());
}
