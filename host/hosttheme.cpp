#include "hosttheme.h"

#include <appearancemanager.h>
#include <application.h>
#include <settings.h>
#include <themestyle.h>

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

HostTheme::HostTheme(QObject *parent)
    : QObject(parent)
{
}

void HostTheme::restore()
{
    AppearanceManager *appearance = Application::instance()->appearanceManager();
    const QString stored = Application::instance()->settings()
                               ->value(QLatin1String(SettingsKey)).toString();
    if (AppearanceManager::themes().contains(stored))
        appearance->setCurrentTheme(stored);
    QApplication::setStyle(new ThemeStyle);
    apply(appearance->currentTheme());
    connect(appearance, &AppearanceManager::currentThemeChanged, this, [this](const QString &theme) {
        Application::instance()->settings()->setValue(QLatin1String(SettingsKey), theme);
        apply(theme);
    }, Qt::UniqueConnection);
}

QPalette HostTheme::palette(const QString &theme)
{
    if (theme == AppearanceManager::WhiteTheme) {
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        return fusion->standardPalette();
    }

    const QColor base = ThemeStyle::baseColor(theme);
    const QColor window(0x2a, 0x2e, 0x35);
    const QColor text(0xd8, 0xdd, 0xe3);
    const QColor disabledText(0x7a, 0x80, 0x88);
    const QColor highlight(0x00, 0x96, 0x88);
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Link, highlight.lighter(150));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Light, window.lighter(150));
    palette.setColor(QPalette::Midlight, window.lighter(125));
    palette.setColor(QPalette::Mid, window.darker(125));
    palette.setColor(QPalette::Dark, window.darker(150));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    return palette;
}

void HostTheme::apply(const QString &theme)
{
    QApplication::setPalette(palette(theme));
}
