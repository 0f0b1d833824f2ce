#pragma once

#include "hostapi_global.h"

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QProxyStyle>
#include <QString>

// The style of the host's themes: Fusion, answering the host's own style hints for the
// theme that is current when asked. Fusion decodes a standard icon's images each time it is
// asked for one (every tool bar asks for its extension button's); this style decodes each once.
class HOSTAPI_EXPORT ThemeStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Style hint answering the base (background) colour of content views, as a QRgb.
    static constexpr int BaseColorHint = QStyle::SH_CustomBase + 5;

    ThemeStyle();

    // The base colour of a theme; the black theme's for unknown names.
    static QColor baseColor(const QString &theme);

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;

private:
    // By icon and layout direction.
    mutable QHash<QPair<int, int>, QIcon> m_standardIcons;
};
