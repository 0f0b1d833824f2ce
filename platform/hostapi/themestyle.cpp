#include "themestyle.h"

#include "appearancemanager.h"
#include "application.h"

#include <QStyleFactory>

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
