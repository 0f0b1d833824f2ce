#include "commands.h"

#include "bundleshadows.h"
#include "commandline.h"

#include <bundle/scriptbundle.h>
#include <plugin/scriptplugin.h>

#include <appearancemanager.h>
#include <application.h>
#include <doctemplate.h>
#include <featuremanager.h>
#include <hotkey.h>
#include <idoctemplateservice.h>
#include <iformulaoutputservice.h>
#include <ihotkeyservice.h>
#include <outputchannel.h>
#include <servicelocator.h>
#include <settings.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextStream>

using namespace CommandLine;

namespace {

const char usage[] = "tessel scan [--app-dir DIR] [--theme NAME] [--locale NAME] "
                     "[--feature NAME]... PLUGIN_FOLDER";
const char helpText[] =
    "usage: tessel scan [--app-dir DIR] [--theme NAME] [--locale NAME] [--feature NAME]...\n"
    "                   PLUGIN_FOLDER\n\n"
    "Loads PLUGIN_FOLDER as the host loads its plug-in folder: runs the plug-in's start-up\n"
    "against a stand-in host, prints every \"Plugin Output\" line as it comes, then which\n"
    "bundle shadows which when two hold the same id and version, then each registered\n"
    "document template with its hot keys.\n\n"
    "  --app-dir DIR   the application folder, where \"tessel.xml\" is read (default: none)\n"
    "  --theme NAME    the host theme, black or white (default: black)\n"
    "  --locale NAME   the locale manifests are localised for (default: the system's)\n"
    "  --feature NAME  turn on a host feature, e.g. webplugin.developer (repeatable)\n"
    "  --help          show this text\n";

QString flagNames(int flags)
{
    static const struct { int flag; const char *name; } names[] = {
        {HostApi::DocTemplate::SupportSymbolLinking, "symbolLinking"},
        {HostApi::DocTemplate::SupportIntervalLinking, "intervalLinking"},
        {HostApi::DocTemplate::SupportUndoStack, "undoStack"},
        {HostApi::DocTemplate::SupportRefresh, "refresh"},
        {HostApi::DocTemplate::SupportRename, "rename"},
        {HostApi::DocTemplate::SupportTrading, "trading"},
        {HostApi::DocTemplate::SupportPrinting, "printing"},
        {HostApi::DocTemplate::SupportDefaultConnections, "defaultConnections"},
        {HostApi::DocTemplate::SupportRedirectToExternalLinks, "redirectToExternalLinks"},
    };
    QStringList set;
    for (const auto &entry : names) {
        if (flags & entry.flag)
            set.append(QString::fromLatin1(entry.name));
    }
    return QStringLiteral("0x%1 (%2)").arg(flags, 0, 16).arg(set.join(QLatin1String(", ")));
}

QString sequenceTexts(const QList<QKeySequence> &sequences)
{
    QStringList texts;
    for (const QKeySequence &sequence : sequences)
        texts.append(sequence.toString(QKeySequence::PortableText));
    return texts.isEmpty() ? QStringLiteral("none") : texts.join(QLatin1String(", "));
}

// Takes "--name VALUE" (repeatable) out of args; false when a value is missing.
bool takeOption(QStringList *args, const QString &name, QStringList *values)
{
    for (int at = args->indexOf(name); at >= 0; at = args->indexOf(name)) {
        if (at + 1 >= args->size())
            return false;
        values->append(args->at(at + 1));
        args->erase(args->begin() + at, args->begin() + at + 2);
    }
    return true;
}

void printTemplates(const ScriptPlugin &plugin, QTextStream &out)
{
    auto *templates = HostApi::ServiceLocator::instance()->service<HostApi::IDocTemplateService>();
    auto *hotKeys = HostApi::ServiceLocator::instance()->service<HostApi::IHotKeyService>();
    out << "\n" << templates->templates().size() << " document template(s)\n";
    for (const HostApi::DocTemplate *docTemplate : templates->templates()) {
        const ScriptPluginSpec spec = plugin.catalogue().value(docTemplate->id());
        out << "\n" << docTemplate->id() << "\n"
            << "  name:      " << docTemplate->name() << "\n"
            << "  version:   " << spec.version.toString() << " (api " << spec.apiVersion.toString() << ")\n"
            << "  bundle:    " << (spec.bundle ? spec.bundle->path() : QString()) << "\n"
            << "  flags:     " << flagNames(docTemplate->supportFlags()) << "\n"
            << "  open in:   " << docTemplate->openInContext() << "\n"
            << "  hot keys:  " << sequenceTexts(docTemplate->hotKeys()) << "\n"
            << "  features:  " << (spec.features.isEmpty() ? QStringLiteral("none") : spec.features.join(QLatin1String(", "))) << "\n";
        const HostApi::HotKeyGroup group = hotKeys->group(docTemplate->id());
        out << "  hot-key group " << group.id << " \"" << group.name << "\"\n";
        for (const HostApi::HotKey *hotKey : hotKeys->hotKeys()) {
            if (hotKey->parentId() == docTemplate->id())
                out << "    " << hotKey->id() << ": " << sequenceTexts(hotKey->sequences()) << "\n";
        }
    }
}

} // namespace

int scanCommand(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")))
        return help(QString::fromLatin1(helpText));
    QStringList appDirs, themes, locales, features;
    if (!takeOption(&args, QStringLiteral("--app-dir"), &appDirs)
        || !takeOption(&args, QStringLiteral("--theme"), &themes)
        || !takeOption(&args, QStringLiteral("--locale"), &locales)
        || !takeOption(&args, QStringLiteral("--feature"), &features)) {
        return usageError(QStringLiteral("scan"), QStringLiteral("an option needs a value"),
                          QString::fromLatin1(usage));
    }
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--"))) {
        return usageError(QStringLiteral("scan"), QStringLiteral("expects one PLUGIN_FOLDER"),
                          QString::fromLatin1(usage));
    }
    const QString folder = args.first();
    if (!QFileInfo(folder).isDir())
        return failure(folder, QStringLiteral("not a folder"));

    // The stand-in host keeps its settings in a scratch data folder, never the user's.
    QTemporaryDir data;
    Application *application = Application::instance();
    application->setAppDataPath(data.path());
    if (!themes.isEmpty() && !application->appearanceManager()->setCurrentTheme(themes.last())) {
        return usageError(QStringLiteral("scan"), QStringLiteral("--theme is black or white"),
                          QString::fromLatin1(usage));
    }
    if (!locales.isEmpty())
        QLocale::setDefault(QLocale(locales.last()));
    for (const QString &feature : qAsConst(features))
        application->settings()->setValue(QStringLiteral("features/") + feature, true);
    // A scan only reads the folder: the updater must not replace or remove its bundles.
    application->settings()->setValue(QStringLiteral("enableWebPluginsUpdates"), false);

    QTextStream out(stdout);
    auto *output = HostApi::ServiceLocator::instance()->service<HostApi::IFormulaOutputService>();
    HostApi::OutputChannel *channel =
        output->registerChannel(QStringLiteral("webpluginoutput"), QStringLiteral("Plugin Output"));
    QObject::connect(channel, &HostApi::OutputChannel::appended, [&out](const QString &text) {
        out << text;
        out.flush();
    });

    ScriptPlugin plugin;
    plugin.setSearchFolders(appDirs.isEmpty() ? QString() : QDir(appDirs.last()).absolutePath(),
                            QDir(folder).absolutePath());
    plugin.init();
    const QString theme = application->appearanceManager()->currentTheme();
    for (const BundleShadow &shadow : findShadows(plugin.bundles(), theme, QLocale().name()))
        out << shadow.text() << '\n';
    printTemplates(plugin, out);
    return Success;
}
