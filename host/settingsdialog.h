#pragma once

#include <QDialog>
#include <QMap>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The host's settings: the user's credentials, web plug-in updates, optional features and how
// data is formatted. The user name and the choices are stored in the settings; the password is
// kept for the session only, so it is never written to disk. Formatting choices go through the
// preferences and take effect at once.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char *UserNameKey = "host/username";
    static constexpr const char *UpdatesKey = "enableWebPluginsUpdates";
    static constexpr const char *DeveloperFeature = "webplugin.developer";

    explicit SettingsDialog(QWidget *parent = nullptr);

    // Gives the application the stored user name (at start-up).
    static void restoreUserName();

    QLineEdit *userNameEdit() const { return m_userName; }
    QLineEdit *passwordEdit() const { return m_password; }
    QCheckBox *updatesBox() const { return m_updates; }
    // The box of a registered feature; null for any other name.
    QCheckBox *featureBox(const QString &feature) const { return m_features.value(feature); }
    // The decimal symbol (item data "." or ","), system formatting and time zone (item text the
    // zone id) controls.
    QComboBox *decimalSymbolBox() const { return m_decimalSymbol; }
    QCheckBox *systemFormattingBox() const { return m_systemFormatting; }
    QComboBox *timeZoneBox() const { return m_timeZone; }

    // Stores what the dialog shows; accept() calls it.
    void apply();
    void accept() override;

private:
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QCheckBox *m_updates;
    QMap<QString, QCheckBox *> m_features;
    QComboBox *m_decimalSymbol;
    QCheckBox *m_systemFormatting;
    QComboBox *m_timeZone;
};
