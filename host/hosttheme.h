#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

// Gives the application the look of the host's current theme (AppearanceManager) and keeps
// the user's choice in the settings.
class HostTheme : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *SettingsKey = "host/theme";

    explicit HostTheme(QObject *parent = nullptr);

    // Makes the stored theme current (the default theme when none or an unknown one is
    // stored) and applies it. From then on every theme change is applied and stored.
    void restore();

    static QPalette palette(const QString &theme);

private:
    void apply(const QString &theme);
};
