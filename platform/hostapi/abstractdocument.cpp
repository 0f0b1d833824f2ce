#include "abstractdocument.h"

#include <QMenu>

AbstractDocument::AbstractDocument(QObject *parent)
    : QObject(parent)
{
}

AbstractDocument::~AbstractDocument() = default;

void AbstractDocument::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(title);
}

void AbstractDocument::setDescription(const QString &description)
{
    if (description == m_description)
        return;
    m_description = description;
    emit descriptionChanged(description);
}

void AbstractDocument::setTaskBarTitleWrapper(const QString &title)
{
    if (title == m_taskBarTitle)
        return;
    m_taskBarTitle = title;
    emit taskBarTitleChanged(title);
}

void AbstractDocument::setMainMenu(QMenu *menu)
{
    if (menu == m_mainMenu)
        return;
    m_mainMenu = menu;
    emit mainMenuChanged(menu);
}

void AbstractDocument::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    emit activeChanged(active);
}

void AbstractDocument::setSymbolLinkingEnabled(bool enabled)
{
    if (enabled == !m_symbolLinking.isNull())
        return;
    if (enabled)
        m_symbolLinking = new LinkingSignal(this);
    else
        delete m_symbolLinking;
}

void AbstractDocument::ignoreHibernationEvents(bool ignore)
{
    m_ignoreHibernation = ignore;
}

void AbstractDocument::setCaptionBarForced(bool forced)
{
    if (forced == m_captionBarForced)
        return;
    m_captionBarForced = forced;
    emit captionBarForcedChanged(forced);
}
