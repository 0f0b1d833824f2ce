#include "themestyle.h"

#include "appearancemanager.h"
#include "application.h"

#include <QGuiApplication>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

constexpr QRgb BlackBase = 0xff1b1e23;
constexpr QRgb WhiteBase = 0xffffffff;

} // namespace

ThemeStyle::ThemeStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
}

QColor ThemeStyle::baseColor(const QString &theme)
{
    return QColor::fromRgba(theme == AppearanceManager::WhiteTheme ? WhiteBase : BlackBase);
}

int ThemeStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                          QStyleHintReturn *returnData) const
{
    if (int(hint) == BaseColorHint) {
        const QString theme = Application::instance()->appearanceManager()->currentTheme();
        return int(baseColor(theme).rgba());
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QIcon ThemeStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                               const QWidget *widget) const
{
    const Qt::LayoutDirection direction = option ? option->direction
                                                 : QGuiApplication::layoutDirection();
    const QPair<int, int> key = qMakePair(int(icon), int(direction));
    auto it = m_standardIcons.constFind(key);
    if (it == m_standardIcons.constEnd())
        it = m_standardIcons.insert(key, QProxyStyle::standardIcon(icon, option, widget));
    return *it;
}
