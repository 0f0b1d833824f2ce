#pragma once

#include <QString>
#include <QStringList>

// The host's command line:
//   tessel-host [--data-dir DIR] [--module PATH] [--open ID [--screenshot FILE [--properties]]]
//               [--screenshots FOLDER] [--timeout SECONDS] [--log]
class HostOptions
{
public:
    enum class Result { Run, ShowHelp, UsageError };

    static constexpr int DefaultTimeoutSeconds = 30;
    static constexpr int MaxTimeoutSeconds = 3600;

    // Reads arguments (the program name first). On UsageError, errorText() says why.
    Result parse(const QStringList &arguments);

    QString errorText() const { return m_error; }
    static QString helpText();

    // Empty: the default module locations (ModuleLoader).
    QString modulePath() const { return m_modulePath; }
    // Empty: the application's default data folder.
    QString dataDir() const { return m_dataDir; }
    // A plug-in id or a document template id; empty: none.
    QString openId() const { return m_openId; }
    // Headless run: open openId(), write its window to this PNG file and exit.
    QString screenshotFile() const { return m_screenshotFile; }
    // Headless run: restore the workspace (and open openId()), write each window to a PNG
    // file in this folder and exit.
    QString screenshotFolder() const { return m_screenshotFolder; }
    // With screenshotFile(): capture the document's property dialog instead of the window.
    bool showProperties() const { return m_properties; }
    bool isScreenshotRun() const { return !m_screenshotFile.isEmpty() || !m_screenshotFolder.isEmpty(); }
    int timeoutSeconds() const { return m_timeoutSeconds; }
    // Echo every "Plugin Output" line on standard output.
    bool echoOutput() const { return m_echoOutput; }

private:
    Result fail(const QString &error);

    QString m_error;
    QString m_modulePath;
    QString m_dataDir;
    QString m_openId;
    QString m_screenshotFile;
    QString m_screenshotFolder;
    int m_timeoutSeconds = DefaultTimeoutSeconds;
    bool m_echoOutput = false;
    bool m_properties = false;
};
