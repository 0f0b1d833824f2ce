#pragma once

#include "hostapi_global.h"
#include "ithemeservice.h"

#include <QObject>

class ThemeStyle;

namespace HostApi {

// The host's theme service; the style is made on first use and owned by the service.
class HOSTAPI_EXPORT ThemeService : public QObject, public IThemeService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IThemeService)

public:
    explicit ThemeService(QObject *parent = nullptr);

    QStyle *style() override;

private:
    ThemeStyle *m_style = nullptr;
};

} // namespace HostApi
