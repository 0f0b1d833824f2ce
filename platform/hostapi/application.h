#pragma once

#include "abstractdocument.h"
#include "hostapi_global.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class AppearanceManager;

namespace HostApi {
class ServiceLocator;
class Settings;
}

// The running host application. One per process, created on first use.
class HOSTAPI_EXPORT Application : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *DefaultVersion = "1.0.0.0";
    static constexpr const char *SettingsFileName = "settings.ini";

    static Application *instance();

    // The per-user data folder, ending in "/" so that names can be appended directly.
    QString appDataPath() const;
    // Sets the data folder (tests, the host's --data-dir); a trailing "/" is added when missing.
    // The settings store moves to the new folder.
    void setAppDataPath(const QString &path);

    // The process-wide service locator, with the host's default services.
    HostApi::ServiceLocator *serviceLocator() const;
    AppearanceManager *appearanceManager() const { return m_appearanceManager; }
    // The settings store, the file SettingsFileName in the data folder.
    HostApi::Settings *settings();

    // The signed-in user's credentials, as the host's log-in dialog set them.
    QString username() const { return m_username; }
    void setUsername(const QString &username) { m_username = username; }
    QString password() const { return m_password; }
    void setPassword(const QString &password) { m_password = password; }

    // The application's version: four dotted numbers.
    QString currentVersion() const { return m_version; }
    void setCurrentVersion(const QString &version) { m_version = version; }

    // Asks the host to show url in the desktop's browser: emits urlOpenRequested, which the
    // host's main window answers.
    void openUrl(const QUrl &url);
    QUrl lastOpenedUrl() const { return m_lastOpenedUrl; }

    // The document whose window is active; null for none. The host's main window sets it.
    AbstractDocument *activeDocument() const { return m_activeDocument; }
    void setActiveDocument(AbstractDocument *document);

signals:
    void urlOpenRequested(const QUrl &url);
    // The active document changed from deactivated to activated (either may be null).
    void documentActivated(AbstractDocument *activated, AbstractDocument *deactivated);

private:
    Application();

    QString m_appDataPath;
    AppearanceManager *m_appearanceManager;
    HostApi::Settings *m_settings = nullptr;
    QString m_username;
    QString m_password;
    QString m_version = QLatin1String(DefaultVersion);
    QUrl m_lastOpenedUrl;
    QPointer<AbstractDocument> m_activeDocument;
};
