#include "hostoptions.h"

#include "diagnosticlog.h"

#include <logservice.h>

HostOptions::Result HostOptions::parse(const QStringList &arguments)
{
    // The options that take a value, and where it goes.
    static const struct { const char *name; QString HostOptions::*target; } valueOptions[] = {
        {"--module", &HostOptions::m_modulePath},
        {"--data-dir", &HostOptions::m_dataDir},
        {"--open", &HostOptions::m_openId},
        {"--screenshot", &HostOptions::m_screenshotFile},
        {"--screenshots", &HostOptions::m_screenshotFolder},
        {"--dev", &HostOptions::m_devFolder},
    };
    QString timeout;
    QString logLevel;
    QString feature;

    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return Result::ShowHelp;
        if (argument == QLatin1String("--log")) {
            m_echoOutput = true;
            continue;
        }
        if (argument == QLatin1String("--properties")) {
            m_properties = true;
            continue;
        }
        QString *target = nullptr;
        for (const auto &option : valueOptions) {
            if (argument == QLatin1String(option.name))
                target = &(this->*option.target);
        }
        if (argument == QLatin1String("--timeout"))
            target = &timeout;
        else if (argument == QLatin1String("--log-level"))
            target = &logLevel;
        else if (argument == QLatin1String("--feature"))
            target = &feature;
        if (!target)
            return fail(QStringLiteral("unknown argument '%1'").arg(argument));
        if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
            return fail(QStringLiteral("%1 needs a value").arg(argument));
        *target = arguments.at(++i);
        if (target == &feature)
            m_features.append(feature);
    }

    if (!timeout.isNull() && !readNumber(timeout, 1, MaxTimeoutSeconds, &m_timeoutSeconds)) {
        return fail(QStringLiteral("--timeout must be a number of seconds from 1 to %1")
                        .arg(MaxTimeoutSeconds));
    }
    using HostApi::LogService;
    if (!logLevel.isNull() && !readNumber(logLevel, LogService::MinLevel, LogService::MaxLevel, &m_logLevel)) {
        return fail(QStringLiteral("--log-level must be a number from %1 to %2")
                        .arg(LogService::MinLevel).arg(LogService::MaxLevel));
    }
    if (!m_screenshotFile.isEmpty() && !m_screenshotFolder.isEmpty())
        return fail(QStringLiteral("--screenshot and --screenshots exclude each other"));
    if (!m_screenshotFile.isEmpty() && m_openId.isEmpty() && m_devFolder.isEmpty())
        return fail(QStringLiteral("--screenshot needs --open or --dev"));
    if (m_properties && m_screenshotFile.isEmpty())
        return fail(QStringLiteral("--properties needs --screenshot"));
    if (!timeout.isNull() && !isScreenshotRun())
        return fail(QStringLiteral("--timeout needs --screenshot or --screenshots"));
    return Result::Run;
}

QString HostOptions::helpText()
{
    return QStringLiteral(
        "usage: tessel-host [OPTIONS]\n\n"
        "The reference host: loads the tessel module and opens its web plug-ins as windows.\n"
        "The workspace (open windows) is restored on start and saved on exit.\n\n"
        "  --data-dir DIR     data folder: settings, workspace, diagnostic log\n"
        "                     (%2); plug-ins in DIR/WebPlugins\n"
        "  --module PATH      the module to load (default: beside the host's build or install)\n"
        "  --open ID          open the plug-in ID (its id or its template id)\n"
        "  --screenshot FILE  with --open (or --dev): wait until the page has loaded and is no\n"
        "                     longer initializing, write the window to FILE (PNG) and exit;\n"
        "                     the workspace is left alone. A window that shows an error\n"
        "                     fails the run; so does a time out, after the window is written\n"
        "  --properties       with --screenshot: open the document's property dialog, every\n"
        "                     page built, and write the dialog instead of the window\n"
        "  --screenshots DIR  restore the workspace (and open --open ID), wait likewise for\n"
        "                     every page, write each window, maximised, to DIR/ID.png and\n"
        "                     exit; the workspace file is not written\n"
        "  --timeout SECONDS  with --screenshot or --screenshots: how long to wait (default %1)\n"
        "  --log              also write every \"Plugin Output\" line, and the diagnostic\n"
        "                     lines from --log-level on, to standard output\n"
        "  --log-level N      the least level of diagnostic lines written, to the log file\n"
        "                     and with --log: 1 (debug) to 5 (most severe); default %3\n"
        "  --feature NAME     turn on the host feature NAME for this run (repeatable), e.g.\n"
        "                     webplugin.developer: page console messages and errors on\n"
        "                     \"Plugin Output\", and the web inspector\n"
        "  --dev FOLDER       install the plug-in in FOLDER for this run, without copying it,\n"
        "                     open it, and reload its windows whenever a file in FOLDER\n"
        "                     changes; a changed manifest restarts the host\n"
        "  --help             show this text\n\n"
        "Exit status: 0 ok, 1 failure (one line on standard error), 2 wrong usage.\n")
        .arg(DefaultTimeoutSeconds)
        .arg(QLatin1String(DiagnosticLog::FileName))
        .arg(DefaultLogLevel);
}

bool HostOptions::readNumber(const QString &text, int min, int max, int *number)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return false;
    *number = value;
    return true;
}

HostOptions::Result HostOptions::fail(const QString &error)
{
    m_error = error;
    return Result::UsageError;
}
