#include "appearancemanager.h"

const QString AppearanceManager::BlackTheme = QStringLiteral("black");
const QString AppearanceManager::WhiteTheme = QStringLiteral("white");

AppearanceManager::AppearanceManager(QObject *parent)
    : QObject(parent)
    , m_theme(BlackTheme)
{
}

QStringList AppearanceManager::themes()
{
    return {BlackTheme, WhiteTheme};
}

bool AppearanceManager::setCurrentTheme(const QString &theme)
{
    if (!themes().contains(theme))
        return false;
    if (theme != m_theme) {
        m_theme = theme;
        emit currentThemeChanged(m_theme);
    }
    return true;
}
