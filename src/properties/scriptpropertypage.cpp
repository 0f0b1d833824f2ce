#include "scriptpropertypage.h"

#include "controlfactory.h"

#include <common/pluginlogline.h>

#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const char LogSource[] = "propertypage";
constexpr int TitlePointSize = 11;
constexpr int TitleWeight = 75;

} // namespace

ScriptPropertyPage::ScriptPropertyPage(const PropertyPageSpec &page, const ScriptPluginSpec &spec,
                                       HostApi::IOutputChannel *log, QWidget *parent)
    : HostApi::PropertyPage(spec.icon(page.icon), parent)
    , m_spec(spec)
    , m_log(log)
    , m_page(page)
{
    setWindowTitle(page.id);
}

void ScriptPropertyPage::setObject(CompoundObject *object, bool readOnly)
{
    if (!m_built) {
        buildLayout();
        init();
        initPage();
        m_built = true;
    }
    HostApi::PropertyPage::setObject(object, readOnly);
}

void ScriptPropertyPage::initPage()
{
}

// Title, then a grid of "name:" labels and editor rows, then space to fill the dialog.
void ScriptPropertyPage::buildLayout()
{
    auto *container = new QWidget;
    auto *grid = new QGridLayout(container);
    grid->setContentsMargins(0, 0, 0, 0);
    QHash<QString, int> bindCounts;
    int row = 0;
    for (const PropertyBindingSpec &binding : m_page.bindings) {
        // The first binding of a path keeps it, even when it gave no row.
        if (++bindCounts[binding.bind] > 1) {
            log(QStringLiteral("failed to create control for '%1'").arg(binding.bind),
                QStringLiteral("binding for this property already exists on this page"));
            continue;
        }
        QLayout *editorRow = createControlLayout(binding);
        if (!editorRow)
            continue;
        grid->addWidget(new QLabel(QStringLiteral("%1:").arg(binding.name)), row, 0);
        grid->addLayout(editorRow, row, 1);
        ++row;
    }
    grid->addItem(new QSpacerItem(1, 1, QSizePolicy::MinimumExpanding, QSizePolicy::Fixed), 0, 2);

    auto *title = new QLabel(m_page.name);
    QFont titleFont = font();
    titleFont.setPointSize(TitlePointSize);
    titleFont.setWeight(TitleWeight);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setProperty("PropertySectionLabel", true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(container);
    layout->addItem(new QSpacerItem(1, 1, QSizePolicy::MinimumExpanding, QSizePolicy::Expanding));
}

QLayout *ScriptPropertyPage::createControlLayout(const PropertyBindingSpec &binding)
{
    const QString failed =
        QStringLiteral("failed to created control for property '%1'").arg(binding.bind);
    const PropertySpec *property = m_spec.findProperty(binding.bind);
    if (!property) {
        log(failed, QStringLiteral("property not found"));
        return nullptr;
    }
    if (property->type == QMetaType::QVariantMap) {
        log(failed, QStringLiteral("property type isn't supported by property page"));
        return nullptr;
    }
    const ControlFactory *factory =
        findControlFactory(binding.bind, property->type, binding.type, m_log);
    if (!factory)
        return nullptr;

    QWidget *editor = factory->create(binding, *property);
    editor->setProperty("dataKey", QStringLiteral("objects.%1").arg(binding.bind));
    editor->setProperty("undoText",
                        binding.undoText.isEmpty() ? property->undoText : binding.undoText);
    editor->setToolTip(binding.tooltip);
    auto *row = new QHBoxLayout;
    row->addWidget(editor);
    row->addStretch();
    return row;
}

void ScriptPropertyPage::log(const QString &message, const QString &detail) const
{
    pluginLogLine(m_log, QLatin1String(LogSource), message, detail);
}
