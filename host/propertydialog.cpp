#include "propertydialog.h"

#include <document.h>
#include <interactiveobject.h>
#include <ipropertypageregistry.h>
#include <propertypage.h>
#include <servicelocator.h>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QList<HostApi::PropertyPage *> registeredPages(const Document *document)
{
    QList<HostApi::PropertyPage *> pages;
    const InteractiveObject *object = document->documentObject();
    auto *registry = HostApi::ServiceLocator::instance()->service<HostApi::IPropertyPageRegistry>();
    if (!object || !registry)
        return pages;
    for (const QByteArray &id : object->propertyPages()) {
        if (HostApi::PropertyPage *page = registry->page(id))
            pages.append(page);
    }
    return pages;
}

} // namespace

PropertyDialog::PropertyDialog(Document *document, QWidget *parent)
    : QDialog(parent)
    , m_list(new QListWidget(this))
    , m_stack(new QStackedWidget(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply
                                         | QDialogButtonBox::Cancel, this))
    , m_saveDefault(new QPushButton(tr("Save as &Default"), this))
    , m_resetDefault(new QPushButton(tr("&Reset to Default"), this))
{
    InteractiveObject *object = document->documentObject();
    const QString title = object ? object->pageTitle() : QString();
    setWindowTitle(title.isEmpty() ? tr("Properties") : tr("%1 Properties").arg(title));

    for (HostApi::PropertyPage *page : registeredPages(document)) {
        page->setObject(object, false);
        m_pages.append(page);
        m_stack->addWidget(page);
        new QListWidgetItem(page->icon(), page->windowTitle(), m_list);
        connect(page, &HostApi::PropertyPage::modifiedChanged, this, &PropertyDialog::updateButtons);
    }
    m_list->setVisible(m_pages.size() > 1);
    m_list->setMaximumWidth(180);

    auto *defaults = new QHBoxLayout;
    defaults->addWidget(m_saveDefault);
    defaults->addWidget(m_resetDefault);
    defaults->addStretch();
    auto *body = new QHBoxLayout;
    body->addWidget(m_list);
    body->addWidget(m_stack, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(defaults);
    layout->addWidget(m_buttons);

    connect(m_list, &QListWidget::currentRowChanged, this, &PropertyDialog::showPage);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PropertyDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &PropertyDialog::reject);
    connect(m_buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &PropertyDialog::apply);
    connect(m_saveDefault, &QPushButton::clicked, this, [this] {
        if (auto *page = qobject_cast<HostApi::PropertyPage *>(m_stack->currentWidget())) {
            page->apply();
            page->saveAsDefault();
        }
    });
    connect(m_resetDefault, &QPushButton::clicked, this, [this] {
        if (auto *page = qobject_cast<HostApi::PropertyPage *>(m_stack->currentWidget()))
            page->resetToDefault();
    });
    m_list->setCurrentRow(0);
    updateButtons();
}

PropertyDialog::~PropertyDialog()
{
    // The registry owns the pages; later dialogs borrow them again.
    for (HostApi::PropertyPage *page : qAsConst(m_pages)) {
        if (page) {
            m_stack->removeWidget(page);
            page->hide();
            page->setParent(nullptr);
        }
    }
}

bool PropertyDialog::hasPages(const Document *document)
{
    return !registeredPages(document).isEmpty();
}

QList<HostApi::PropertyPage *> PropertyDialog::pages() const
{
    QList<HostApi::PropertyPage *> pages;
    for (HostApi::PropertyPage *page : m_pages) {
        if (page)
            pages.append(page);
    }
    return pages;
}

void PropertyDialog::apply()
{
    for (HostApi::PropertyPage *page : pages())
        page->apply();
    updateButtons();
}

void PropertyDialog::accept()
{
    apply();
    QDialog::accept();
}

void PropertyDialog::reject()
{
    for (HostApi::PropertyPage *page : pages())
        page->cancel();
    QDialog::reject();
}

void PropertyDialog::showPage(int index)
{
    if (index >= 0)
        m_stack->setCurrentIndex(index);
    updateButtons();
}

void PropertyDialog::updateButtons()
{
    const QList<HostApi::PropertyPage *> shown = pages();
    const bool modified = std::any_of(shown.begin(), shown.end(),
                                      [](const HostApi::PropertyPage *page) { return page->isModified(); });
    m_buttons->button(QDialogButtonBox::Apply)->setEnabled(modified);
    auto *current = qobject_cast<HostApi::PropertyPage *>(m_stack->currentWidget());
    const bool defaults = current && current->hasSharedDefaults();
    m_saveDefault->setVisible(defaults);
    m_resetDefault->setVisible(defaults);
}
