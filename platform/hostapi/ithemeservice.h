#pragma once

#include <QObject>

class QStyle;

namespace HostApi {

// The look of the host's current theme (AppearanceManager::currentTheme()).
class IThemeService
{
public:
    virtual ~IThemeService() = default;

    // The style to give widgets; it answers ThemeStyle::BaseColorHint for the current theme.
    // Null without a QApplication.
    virtual QStyle *style() = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IThemeService, "com.quorvex.corvodesk.IThemeService/1.0")
