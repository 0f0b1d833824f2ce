#pragma once

#include <QString>
#include <QStringList>

// The host's command line:
//   tessel-host [--data-dir DIR] [--module PATH] [--open ID [--screenshot FILE [--properties]]]
//               [--screenshots FOLDER] [--timeout SECONDS] [--log] [--log-level N]
//               [--feature NAME]... [--dev FOLDER]
class HostOptions
{
public:
    enum class Result { Run, ShowHelp, UsageError };

    static constexpr int DefaultTimeoutSeconds = 30;
    static constexpr int MaxTimeoutSeconds = 3600;
    // Diagnostic log levels from 2 on: a page's bridge.log(text) is written.
    static constexpr int DefaultLogLevel = 2;

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
    // Echo every "Plugin Output" line, and the diagnostic lines from logLevel() on, on
    // standard output.
    bool echoOutput() const { return m_echoOutput; }
    // The least level of the diagnostic lines written, to the log file and with echoOutput().
    int logLevel() const { return m_logLevel; }
    // Host features turned on for this run.
    QStringList features() const { return m_features; }
    // A plug-in folder installed for this run and watched; empty: none.
    QString devFolder() const { return m_devFolder; }

private:
    Result fail(const QString &error);
    // Reads a whole number from min to max into number; false, leaving it, when text is not one.
    static bool readNumber(const QString &text, int min, int max, int *number);

    QString m_error;
    QString m_modulePath;
    QString m_dataDir;
    QString m_openId;
    QString m_screenshotFile;
    QString m_screenshotFolder;
    QString m_devFolder;
    QStringList m_features;
    int m_timeoutSeconds = DefaultTimeoutSeconds;
    int m_logLevel = DefaultLogLevel;
    bool m_echoOutput = false;
    bool m_properties = false;
};
