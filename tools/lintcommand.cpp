#include "commands.h"

#include "bundleshadows.h"
#include "commandline.h"
#include "manifestchecker.h"
#include "manifestlint.h"

#include "bundle/scriptbundle.h"
#include "plugin/scriptpluginspec.h"
#include "plugin/scriptpluginspecreader.h"

#include <ioutputchannel.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

using namespace CommandLine;

namespace {

const char usage[] = "tessel lint [--theme NAME] [--locale NAME] [--strict] BUNDLE";
const char helpText[] =
    "usage: tessel lint [--theme NAME] [--locale NAME] [--strict] BUNDLE\n\n"
    "Reads the manifest (plugin.spec) of the plug-in folder or secured file (.wps) BUNDLE as\n"
    "the host does, prints a summary of what was read, then one line per problem:\n"
    "  warning: BUNDLE/FILE: KEY: TEXT\n"
    "for the host's plug-in output lines, keys it does not know (with the nearest known key),\n"
    "values of another type than the key's, key sequences that do not parse, and what the host\n"
    "would only meet later, such as a missing entry page or icon, or another bundle of the\n"
    "same id and version beside BUNDLE that shadows it.\n"
    "Exit status: 1 when the host would skip the bundle (it cannot be opened, has no usable\n"
    "manifest, or the manifest gives no plug-in id; the reader's lines and hints about the\n"
    "manifest's text come first), else 0.\n\n"
    "  --theme NAME    the theme icons are looked up for (default: black)\n"
    "  --locale NAME   the locale of localised texts, such as ru_RU (default: the system's)\n"
    "  --strict        warnings count as errors (exit status 1)\n"
    "  --help          show this text\n";

// Prints every plug-in output line as it comes.
class StreamChannel : public HostApi::IOutputChannel
{
public:
    explicit StreamChannel(QTextStream &out) : m_out(out) {}

    void append(const QString &text) override
    {
        m_out << text;
        m_out.flush();
    }

private:
    QTextStream &m_out;
};

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString keyText(const QList<QKeySequence> &sequences)
{
    QStringList texts;
    for (const QKeySequence &sequence : sequences)
        texts.append(sequence.toString(QKeySequence::PortableText));
    return texts.join(QLatin1String(", "));
}

QString modeNames(const QIcon &icon)
{
    static const struct { QIcon::Mode mode; const char *name; } modes[] = {
        {QIcon::Normal, "normal"},
        {QIcon::Active, "active"},
        {QIcon::Selected, "selected"},
        {QIcon::Disabled, "disabled"},
    };
    QStringList names;
    for (const auto &mode : modes) {
        if (!icon.availableSizes(mode.mode).isEmpty())
            names.append(QLatin1String(mode.name));
    }
    return names.isEmpty() ? QStringLiteral("no image") : names.join(QLatin1String(", "));
}

QString kindName(PropertyKind kind)
{
    switch (kind) {
    case PropertyKind::Default:
        return QStringLiteral("default");
    case PropertyKind::Theme:
        return QStringLiteral("theme");
    case PropertyKind::Font:
        return QStringLiteral("font");
    case PropertyKind::None:
        break;
    }
    return QStringLiteral("none");
}

void describe(QTextStream &out, const ScriptPluginSpec &spec)
{
    out << "id: " << spec.id << '\n'
        << "name: " << spec.name << '\n'
        << "description: " << spec.description << '\n'
        << "window title: " << spec.windowTitle << '\n'
        << "version: " << spec.version.toString() << '\n'
        << "API version: " << spec.apiVersion.toString() << '\n'
        << "support flags: "
        << ScriptPluginSpecReader::supportFlagNames(spec.supportFlags).join(QLatin1String(", "))
        << '\n';

    QStringList options;
    const struct { bool on; const char *name; } switches[] = {
        {spec.supportSymbolDrop, "supportSymbolDrop"},
        {spec.supportForwardBack, "supportForwardBack"},
        {spec.supportOwnTheme, "supportOwnTheme"},
        {spec.supportOrderPositionMenu, "supportOrderPositionMenu"},
        {spec.supportRedirectToExternalLinks, "supportRedirectToExternalLinks"},
        {spec.supportStyleTemplates, "supportStyleTemplates"},
        {spec.disableWebSecurity, "disableWebSecurity"},
        {spec.supportFavorites, "supportFavorites"},
        {spec.isQuorvexApp, "isQuorvexApp"},
    };
    for (const auto &option : switches) {
        if (option.on)
            options.append(QLatin1String(option.name));
    }
    out << "options: " << options.join(QLatin1String(", ")) << '\n'
        << "open in: " << ScriptPluginSpecReader::openInName(spec.openIn) << '\n'
        << "hot keys: " << keyText(spec.hotkeys) << '\n'
        << "icon: " << spec.iconName << '\n'
        << "open-in icon: " << spec.openInIconName << '\n'
        << "main-menu icon: " << spec.mainMenuIconName << '\n';

    out << "entry: " << spec.entry;
    if (!spec.entry.isEmpty()) {
        const QString file = ManifestChecker::entryFile(spec);
        const bool held = !file.isEmpty() && spec.bundle->exists(spec.bundle->filePath(file));
        out << (held ? " (in the bundle)" : " (not in the bundle)");
    }
    out << '\n';

    out << "actions: " << spec.actions.size() << '\n';
    for (const ActionSpec &action : spec.actions) {
        out << "  " << action.id << ": " << quoted(action.name);
        if (!action.icon.isEmpty())
            out << ", icon " << action.icon;
        if (!action.hotkeys.isEmpty())
            out << ", keys " << keyText(action.hotkeys);
        if (action.isCheckable)
            out << ", checkable";
        if (action.flags & ActionSpec::IsShared)
            out << ", shared";
        if (action.flags & ActionSpec::ApplyToAll)
            out << ", apply to all";
        out << '\n';
    }

    out << "commands: " << spec.commands.size() << '\n';
    for (const CommandSpec &command : spec.commands) {
        out << "  " << command.id << ": undo " << quoted(command.undoText);
        if (!command.bind.isEmpty())
            out << ", bind " << command.bind;
        out << '\n';
    }

    out << "property pages: " << spec.propertyPages.size() << '\n';
    for (const PropertyPageSpec &page : spec.propertyPages) {
        out << "  " << page.id << ": " << quoted(page.name);
        if (!page.icon.isEmpty())
            out << ", icon " << page.icon;
        out << '\n';
        for (const PropertyBindingSpec &binding : page.bindings) {
            out << "    " << quoted(binding.name) << " -> " << binding.bind;
            if (!binding.type.isEmpty())
                out << " (" << binding.type << ')';
            out << '\n';
        }
    }

    out << "property objects: " << spec.objects.size() << '\n';
    for (auto group = spec.objects.cbegin(); group != spec.objects.cend(); ++group) {
        out << "  " << group.key() << '\n';
        for (const PropertySpec &property : group.value())
            out << "    " << property.id << ": "
                << ScriptPluginSpecReader::propertyTypeName(property.type) << ", "
                << kindName(property.kind) << '\n';
    }

    out << "header controls: " << spec.header.size() << '\n';
    for (const HeaderControlSpec &control : spec.header)
        out << "  " << (control.id.isEmpty() ? QStringLiteral("(no id)") : control.id) << ": "
            << control.type << '\n';

    out << "icons: " << spec.icons.size() << '\n';
    for (auto icon = spec.icons.cbegin(); icon != spec.icons.cend(); ++icon)
        out << "  " << icon.key() << ": " << modeNames(icon.value()) << '\n';

    QStringList symbolTypes;
    for (int type : spec.supportedSymbolTypes)
        symbolTypes.append(ScriptPluginSpecReader::symbolTypeName(type));
    out << "features: " << spec.features.join(QLatin1String(", ")) << '\n'
        << "symbol types: " << symbolTypes.join(QLatin1String(", ")) << '\n';
}

} // namespace

int lintCommand(const QStringList &arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")))
        return help(QString::fromLatin1(helpText));

    QString theme = QStringLiteral("black");
    QString locale = QLocale().name();
    bool strict = false;
    QStringList positional;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--strict")) {
            strict = true;
        } else if (arg == QLatin1String("--theme") || arg == QLatin1String("--locale")) {
            if (args.isEmpty())
                return usageError(QStringLiteral("lint"), arg + QLatin1String(" needs a value"),
                                  QString::fromLatin1(usage));
            (arg == QLatin1String("--theme") ? theme : locale) = args.takeFirst();
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("lint"),
                              QStringLiteral("unknown option '%1'").arg(arg),
                              QString::fromLatin1(usage));
        } else {
            positional.append(arg);
        }
    }
    if (positional.size() != 1)
        return usageError(QStringLiteral("lint"), QStringLiteral("expects one BUNDLE"),
                          QString::fromLatin1(usage));

    const QString path = positional.constFirst();
    const QFileInfo info(path);
    if (!info.exists())
        return failure(path, QStringLiteral("no such file or folder"));
    if (!info.isDir()
        && !(info.isFile() && info.suffix().compare(QLatin1String("wps"), Qt::CaseInsensitive) == 0))
        return failure(path, QStringLiteral("not a plug-in folder or a .wps file"));

    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    QTextStream out(stdout);
    StreamChannel channel(out);
    ManifestLint lint(absolute, theme, locale, &channel);
    if (!lint.read()) {
        for (const QString &line : lint.readerLines() + lint.hints())
            out << line << '\n';
        out.flush();
        return failure(path, lint.failure() + QLatin1String("; the host skips this bundle"));
    }

    describe(out, lint.spec());
    QList<LintWarning> warnings = lint.warnings();
    for (const BundleShadow &shadow : shadowsAround(absolute, theme, locale))
        warnings.append({QString(), QString(), shadow.text()});
    const QString bundle = QDir::cleanPath(path);
    for (const LintWarning &warning : qAsConst(warnings))
        out << ManifestLint::warningLine(bundle, warning) << '\n';
    out.flush();
    return strict && !warnings.isEmpty() ? BadInput : Success;
}
