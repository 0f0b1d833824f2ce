#include "commands.h"

#include <QApplication>
#include <QTextStream>

namespace {

struct Command
{
    const char *name;
    const char *summary;
    int (*run)(const QStringList &args);
};

const Command commands[] = {
    {"init", "init ID FOLDER           write a small working plug-in to start from", initCommand},
    {"pack", "pack FOLDER OUT.wps      check a plug-in folder and write it as a secured bundle", packCommand},
    {"unpack", "unpack FILE.wps FOLDER   extract a secured bundle", unpackCommand},
    {"lint", "lint BUNDLE              check a plug-in's manifest", lintCommand},
    {"json", "json [--compact] FILE|-  read a JSON file and write it back formatted", jsonCommand},
    {"scan", "scan PLUGIN_FOLDER       load a plug-in folder as the host does", scanCommand},
    {"market", "market ACTION DIR ...    make, inspect and fill a market store", marketCommand},
    {"table", "table --server URL ...   write the update table that publishes bundles", tableCommand},
    {"update", "update --table T FOLDER  run the plug-in updater on FOLDER with the table T", updateCommand},
};

int usage(QTextStream &out)
{
    out << "usage: tessel COMMAND [OPTIONS] ARGS...\n       tessel --version\n\ncommands:\n";
    for (const Command &command : commands)
        out << "  " << command.summary << '\n';
    out << "\n'tessel COMMAND --help' describes a command.\n";
    return 2;
}

QtMessageHandler qtHandler = nullptr;

// Qt writes these on every run without a display or a runtime folder; they say nothing about
// the command's work, so they are dropped. Every other message goes to Qt's handler.
void dropHeadlessNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool noise = type == QtWarningMsg
        && (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to "))
            || message == QLatin1String("This plugin does not support propagateSizeHints()"));
    if (!noise)
        qtHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    qtHandler = qInstallMessageHandler(dropHeadlessNoise);
    // Manifests carry icons and fonts, so the tool needs a GUI application, but never a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream err(stderr);
        return usage(err);
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("help")) {
        QTextStream out(stdout);
        usage(out);
        return 0;
    }
    if (name == QLatin1String("--version")) {
        QTextStream(stdout) << "tessel " << TESSEL_VERSION << '\n';
        return 0;
    }
    for (const Command &command : commands) {
        if (name == QLatin1String(command.name))
            return command.run(args);
    }
    QTextStream err(stderr);
    err << "tessel: unknown command '" << name << "'\n";
    return usage(err);
}
