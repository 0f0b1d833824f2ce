#include "hostoptions.h"

HostOptions::Result HostOptions::parse(const QStringList &arguments)
{
    // The options that take a value, and where it goes.
    static const struct { const char *name; QString HostOptions::*target; } valueOptions[] = {
        {"--module", &HostOptions::m_modulePath},
        {"--data-dir", &HostOptions::m_dataDir},
        {"--open", &HostOptions::m_openId},
        {"--screenshot", &HostOptions::m_screenshotFile},
        {"--screenshots", &HostOptions::m_screenshotFolder},
    };
    QString timeout;

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
        if (!target)
            return fail(QStringLiteral("unknown argument '%1'").arg(argument));
        if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
            return fail(QStringLiteral("%1 needs a value").arg(argument));
        *target = arguments.at(++i);
    }

    if (!timeout.isNull()) {
        bool ok = false;
        m_timeoutSeconds = timeout.toInt(&ok);
        if (!ok || m_timeoutSeconds < 1 || m_timeoutSeconds > MaxTimeoutSeconds) {
            return fail(QStringLiteral("--timeout must be a number of seconds from 1 to %1")
                            .arg(MaxTimeoutSeconds));
        }
    }
    if (!m_screenshotFile.isEmpty() && !m_screenshotFolder.isEmpty())
        return fail(QStringLiteral("--screenshot and --screenshots exclude each other"));
    if (!m_screenshotFile.isEmpty() && m_openId.isEmpty())
        return fail(QStringLiteral("--screenshot needs --open"));
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
        "  --data-dir DIR     data folder: settings, workspace; plug-ins in DIR/WebPlugins\n"
        "  --module PATH      the module to load (default: beside the host's build or install)\n"
        "  --open ID          open the plug-in ID (its id or its template id)\n"
        "  --screenshot FILE  with --open: wait until the page has loaded and is no longer\n"
        "                     initializing, write the window to FILE (PNG) and exit; the\n"
        "                     workspace is left alone\n"
        "  --properties       with --screenshot: open the document's property dialog, every\n"
        "                     page built, and write the dialog instead of the window\n"
        "  --screenshots DIR  restore the workspace (and open --open ID), wait likewise for\n"
        "                     every page, write each window, maximised, to DIR/ID.png and\n"
        "                     exit; the workspace file is not written\n"
        "  --timeout SECONDS  with --screenshot or --screenshots: how long to wait (default %1)\n"
        "  --log              also write every \"Plugin Output\" line to standard output\n"
        "  --help             show this text\n\n"
        "Exit status: 0 ok, 1 failure (one line on standard error), 2 wrong usage.\n")
        .arg(DefaultTimeoutSeconds);
}

HostOptions::Result HostOptions::fail(const QString &error)
{
    m_error = error;
    return Result::UsageError;
}
