#pragma once

#include "hostapi_global.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// The host's visual theme: "black" (dark, the default) or "white" (light), and its font
// sizes.
class HOSTAPI_EXPORT AppearanceManager : public QObject
{
    Q_OBJECT

public:
    static const QString BlackTheme;
    static const QString WhiteTheme;
    // The settings key of the user's font scale (a number, 1 when unset).
    static const QString FontScaleKey;

    explicit AppearanceManager(QObject *parent = nullptr);

    static QStringList themes();
    QString currentTheme() const { return m_theme; }
    // The theme the windows show now: the current theme (the host switches at once).
    QString currentlyActiveTheme() const { return m_theme; }
    // Switches to a known theme; an unknown name changes nothing and returns false.
    bool setCurrentTheme(const QString &theme);

    // The point sizes that font pickers offer, ascending.
    static QList<int> validPointSizes();
    // font as stored: its point size divided by the user's font scale, then the nearest
    // valid size.
    static QFont normalizedFont(const QFont &font);
    // A stored font as shown: its point size times the user's font scale, then the nearest
    // valid size. normalizedFont(scaledFont(f)) keeps a valid size.
    static QFont scaledFont(const QFont &font);

signals:
    void currentThemeChanged(const QString &theme);

private:
    QString m_theme;
};
