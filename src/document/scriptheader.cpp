#include "scriptheader.h"

#include "scriptbutton.h"
#include "scriptcombobox.h"
#include "scriptdocument.h"
#include "scriptinsertsymbolbutton.h"
#include "scriptsymboledit.h"
#include "scriptwidget.h"

#include <common/pluginlogline.h>

#include <commoninputcontrol.h>
#include <document.h>
#include <documentcaptionbarautoshowcontroller.h>
#include <widgethelpers.h>

#include <QComboBox>
#include <QHBoxLayout>
#include <QSpacerItem>

namespace {

const char OutputSource[] = "header";
constexpr int Spacing = 2;
constexpr int SpacerWidth = 40;
constexpr int SpacerHeight = 20;
// Header inputs are this wide, in points.
constexpr double InputWidthPoints = 85.5;

} // namespace

ScriptHeader::ScriptHeader(QObject *parent, ScriptDocument *doc)
    : QObject(parent)
    , m_widget(new QWidget(doc->widget()))
    , m_doc(doc)
{
    auto *layout = new QHBoxLayout;
    layout->setSpacing(Spacing);
    layout->setContentsMargins(0, 0, 0, 0);

    for (const HeaderControlSpec &entry : doc->spec().header) {
        if (entry.id.isEmpty()) {
            pluginLogLine(doc->logChannel(), QLatin1String(OutputSource),
                          tr("can't create control"), tr("empty id"));
            continue;
        }
        ScriptControl *control = createControl(entry.type);
        if (!control) {
            pluginLogLine(doc->logChannel(), QLatin1String(OutputSource),
                          tr("can't create control"),
                          tr("unknown control type '%1'").arg(entry.type));
            continue;
        }
        control->setParent(this);
        control->setObjectName(entry.id);
        control->setType(entry.type);
        control->init(entry.params, doc->widget(), doc);
        m_controls.append(control);
        if (control->widget())
            layout->addWidget(control->widget(), 0);
    }

    layout->addItem(new QSpacerItem(SpacerWidth, SpacerHeight, QSizePolicy::Expanding,
                                    QSizePolicy::Minimum));
    m_widget->setLayout(layout);
    // A combo box keeps the row as high as the host's other headers.
    if (!m_widget->findChild<QComboBox *>()) {
        auto *filler = new QComboBox(m_widget);
        filler->setFixedWidth(0);
        layout->addWidget(filler);
    }
    limitInputWidths();
}

ScriptSymbolEdit *ScriptHeader::symbolEdit() const
{
    for (QObject *control : m_controls) {
        if (auto *edit = qobject_cast<ScriptSymbolEdit *>(control))
            return edit;
    }
    return nullptr;
}

ScriptControl *ScriptHeader::createControl(const QString &type)
{
    if (type == QLatin1String("SymbolEdit"))
        return new ScriptSymbolEdit;
    if (type == QLatin1String("ComboBox"))
        return new ScriptComboBox;
    if (type == QLatin1String("Button") || type == QLatin1String("ToggleButton")
        || type == QLatin1String("MenuButton")) {
        return new ScriptButton;
    }
    if (type == QLatin1String("InsertSymbolButton"))
        return new ScriptInsertSymbolButton;
    return nullptr;
}

// Host inputs get one fixed width, and keep the caption bar shown while the user edits in
// them.
void ScriptHeader::limitInputWidths()
{
    QList<CommonInputControl *> inputs;
    for (QObject *control : qAsConst(m_controls)) {
        auto *input = qobject_cast<CommonInputControl *>(static_cast<ScriptControl *>(control)
                                                             ->widget());
        if (!input)
            continue;
        const int width = HostApi::pointsToPixels(*input, InputWidthPoints);
        input->setMinimumWidth(width);
        input->setMaximumWidth(width);
        inputs.append(input);
    }
    if (!inputs.isEmpty())
        new HostApi::DocumentCaptionBarAutoShowController(inputs, m_doc->hostDocument());
}
