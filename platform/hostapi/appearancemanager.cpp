#include "appearancemanager.h"

#include "application.h"
#include "settings.h"

#include <cmath>

const QString AppearanceManager::BlackTheme = QStringLiteral("black");
const QString AppearanceManager::WhiteTheme = QStringLiteral("white");
const QString AppearanceManager::FontScaleKey = QStringLiteral("appearance/fontScale");

namespace {

constexpr double MinFontScale = 0.5;
constexpr double MaxFontScale = 3.0;

// The user's font scale, bounded; 1 when unset or not a number.
double fontScale()
{
    bool ok = false;
    const double scale =
        Application::instance()->settings()->value(AppearanceManager::FontScaleKey, 1.0)
            .toDouble(&ok);
    return ok && std::isfinite(scale) ? qBound(MinFontScale, scale, MaxFontScale) : 1.0;
}

// font with the valid point size nearest to size (the smaller one on a tie).
QFont withNearestValidSize(QFont font, double size)
{
    const QList<int> sizes = AppearanceManager::validPointSizes();
    int nearest = sizes.first();
    for (int valid : sizes) {
        if (std::abs(valid - size) < std::abs(nearest - size))
            nearest = valid;
    }
    font.setPointSize(nearest);
    return font;
}

// A font sized in pixels counts as the application's default point size.
double pointSizeOf(const QFont &font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : QFont().pointSizeF();
}

} // namespace

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

QList<int> AppearanceManager::validPointSizes()
{
    return {6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 18, 20, 22, 24, 28, 32, 36, 48, 72};
}

QFont AppearanceManager::normalizedFont(const QFont &font)
{
    return withNearestValidSize(font, pointSizeOf(font) / fontScale());
}

QFont AppearanceManager::scaledFont(const QFont &font)
{
    return withNearestValidSize(font, pointSizeOf(font) * fontScale());
}
