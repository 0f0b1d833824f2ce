#pragma once

#include "hostapi_global.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The host's visual theme: "black" (dark, the default) or "white" (light).
class HOSTAPI_EXPORT AppearanceManager : public QObject
{
    Q_OBJECT

public:
    static const QString BlackTheme;
    static const QString WhiteTheme;

    explicit AppearanceManager(QObject *parent = nullptr);

    static QStringList themes();
    QString currentTheme() const { return m_theme; }
    // Switches to a known theme; an unknown name changes nothing and returns false.
    bool setCurrentTheme(const QString &theme);

signals:
    void currentThemeChanged(const QString &theme);

private:
    QString m_theme;
};
