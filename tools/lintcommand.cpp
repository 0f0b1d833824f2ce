#include "commands.h"

#include "commandline.h"

#include "bundle/bundlearchive.h"
#include "bundle/bundlelimits.h"
#include "bundle/regularfile.h"
#include "bundle/securedbundle.h"
#include "bundle/securedfile.h"
#include "bundle/standardbundle.h"
#include "plugin/scriptpluginspec.h"
#include "plugin/scriptpluginspecreader.h"
#include "properties/scriptpropertycontainer.h"
#include "properties/scriptpropertypage.h"

#include <interactiveobject.h>
#include <ioutputchannel.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>

using namespace CommandLine;

namespace {

const char usage[] = "tessel lint [--theme NAME] [--locale NAME] [--strict] BUNDLE";
const char helpText[] =
    "usage: tessel lint [--theme NAME] [--locale NAME] [--strict] BUNDLE\n\n"
    "Reads the manifest (plugin.spec) of the plug-in folder or secured file (.wps) BUNDLE as\n"
    "the host does, printing the host's plug-in output lines, then a summary of what was read\n"
    "and one \"warning: \" line per problem the host would only meet later.\n"
    "Exit status: 1 when the host would skip the bundle (it cannot be opened, has no usable\n"
    "manifest, or the manifest gives no plug-in id), else 0.\n\n"
    "  --theme NAME    the theme icons are looked up for (default: black)\n"
    "  --locale NAME   the locale of localised texts, such as ru_RU (default: the system's)\n"
    "  --strict        warnings count as errors (exit status 1)\n"
    "  --help          show this text\n";

const char manifestName[] = "plugin.spec";

// The newest manifest API the host opens documents of.
const QVersionNumber supportedApiVersion(1, 0);

// Header control types the document knows how to build.
const char *const headerControlTypes[] = {
    "SymbolEdit", "ComboBox", "Button", "ToggleButton", "MenuButton", "InsertSymbolButton",
};

// Keeps the plug-in output lines of what the host builds later, without their line feeds.
class CollectingChannel : public HostApi::IOutputChannel
{
public:
    void append(const QString &text) override { m_lines.append(text.trimmed()); }
    QStringList takeLines() { return std::exchange(m_lines, QStringList()); }

private:
    QStringList m_lines;
};

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

// The bundle-relative file name of the entry page, or an empty text when the entry does not
// point into the bundle. A query or fragment is not part of the file name.
QString entryFile(const ScriptPluginSpec &spec)
{
    const QString prefix = spec.bundle->url(QString());
    if (!spec.entry.startsWith(prefix))
        return QString();
    QString name = spec.entry.mid(prefix.size());
    const int end = name.indexOf(QRegularExpression(QStringLiteral("[?#]")));
    if (end >= 0)
        name.truncate(end);
    return name;
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
        const QString file = entryFile(spec);
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

// Why a secured file gives no bundle at all; a null string when it opens as one. The entry
// names of an opened one go to *names when given.
QString openSecuredFile(const QString &file, QStringList *names = nullptr)
{
    const RegularFile content = RegularFile::read(file, BundleLimits::MaxSecuredFileSize);
    if (!content.isValid())
        return QStringLiteral("the file cannot be read: ") + content.errorString();
    const SecuredFile::Decoded decoded = decodeSecured(content.bytes(), QByteArray());
    if (decoded.result != SecuredFile::Ok) {
        return QStringLiteral("the file cannot be decoded: ")
            + SecuredFile::resultText(decoded.result);
    }
    const BundleArchive archive(decoded.bytes);
    if (!archive.isOpen())
        return QStringLiteral("the decoded archive is refused: ") + archive.errorString();
    for (int i = 0; names && i < archive.count(); ++i)
        names->append(archive.name(i));
    return QString();
}

bool isPageName(const QString &name)
{
    return name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
        || name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

// The bundle-relative names of the bundle's HTML pages, sorted.
QStringList pageNames(const QString &bundlePath, bool isFolder)
{
    QStringList names;
    if (isFolder) {
        const QDir root(bundlePath);
        QDirIterator it(bundlePath, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            names.append(root.relativeFilePath(it.next()));
    } else {
        openSecuredFile(bundlePath, &names);
    }
    QStringList pages;
    std::copy_if(names.cbegin(), names.cend(), std::back_inserter(pages), isPageName);
    pages.sort();
    return pages;
}

// The src attributes of a page's script elements in document order, leaving out those in
// comments.
QStringList scriptSources(QString html)
{
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression scriptTag(QStringLiteral("<script\\b([^>]*)>"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression source(
        QStringLiteral("(?:^|\\s)src\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    html.remove(comment);
    QStringList sources;
    QRegularExpressionMatchIterator tags = scriptTag.globalMatch(html);
    while (tags.hasNext()) {
        const QRegularExpressionMatch attributes = source.match(tags.next().captured(1));
        if (!attributes.hasMatch())
            continue;
        for (int group = 1; group <= 3; ++group) {
            if (attributes.capturedStart(group) >= 0) {
                sources.append(attributes.captured(group).trimmed());
                break;
            }
        }
    }
    return sources;
}

// The page-side library as pages load it from the module's resources.
const char libraryUrl[] = "qrc:///tessel/tessel.js";

bool isLibrary(const QString &source)
{
    const QUrl url(source);
    return url.scheme() == QLatin1String("qrc") && url.path() == QLatin1String("/tessel/tessel.js");
}

bool isJQuery(const QString &source)
{
    return QUrl(source).fileName().startsWith(QLatin1String("jquery"), Qt::CaseInsensitive);
}

// What the host would only meet later: files and icons named but not there, property pages
// and header controls it cannot build, an API it does not offer. Pages are built as a
// document's property dialog builds them, over a throw-away document object holding the
// plug-in's property tree; their output lines become warnings. Pages that load the page-side
// library need jQuery loaded before it.
class ManifestChecker
{
public:
    ManifestChecker(const ScriptPluginSpec &spec, const QStringList &pages)
        : m_spec(spec), m_pages(pages)
    {
        m_document.joinTree();
        m_objects.reset(ScriptPropertyContainer::createObjects(QStringLiteral("objects"),
                                                               spec.objects, &m_hostLines));
        m_objects->attach(&m_document);
    }

    QStringList check()
    {
        warnHostLines();
        checkEntry();
        checkIcon(QStringLiteral("the template"), m_spec.iconName);
        checkIcon(QStringLiteral("the template's open-in entry"), m_spec.openInIconName);
        checkIcon(QStringLiteral("the template's main menu"), m_spec.mainMenuIconName);
        for (const ActionSpec &action : m_spec.actions)
            checkIcon(QStringLiteral("action '%1'").arg(action.id), action.icon);
        for (const PropertyPageSpec &page : m_spec.propertyPages)
            checkPage(page);
        for (int i = 0; i < m_spec.header.size(); ++i)
            checkHeaderControl(i, m_spec.header.at(i));
        for (const QString &page : m_pages)
            checkPageScripts(page);
        if (m_spec.apiVersion > supportedApiVersion) {
            warn(QStringLiteral("API version %1 is above the supported %2: the host refuses "
                                "to open documents of this plug-in")
                     .arg(m_spec.apiVersion.toString(), supportedApiVersion.toString()));
        }
        return m_warnings;
    }

private:
    void warn(const QString &text) { m_warnings.append(QStringLiteral("warning: ") + text); }

    void checkEntry()
    {
        if (m_spec.entry.isEmpty()) {
            warn(QStringLiteral("no entry page: \"entry\" is missing or empty"));
            return;
        }
        const QString file = entryFile(m_spec);
        if (file.isEmpty())
            warn(QStringLiteral("entry '%1' is not a file of the bundle").arg(m_spec.entry));
        else if (!m_spec.bundle->exists(m_spec.bundle->filePath(file)))
            warn(QStringLiteral("entry file '%1' is missing from the bundle").arg(file));
    }

    void checkIcon(const QString &user, const QString &name)
    {
        if (name.isEmpty())
            return;
        if (!m_spec.icons.contains(name))
            warn(QStringLiteral("%1 uses icon '%2', which the icon table lacks").arg(user, name));
        else if (m_spec.icon(name).isNull())
            warn(QStringLiteral("%1 uses icon '%2', which has no image").arg(user, name));
    }

    void checkPage(const PropertyPageSpec &page)
    {
        const QString user = QStringLiteral("page '%1'").arg(page.id);
        checkIcon(user, page.icon);
        ScriptPropertyPage propertyPage(page, m_spec, &m_hostLines);
        propertyPage.setObject(&m_document, true);
        warnHostLines();
    }

    void warnHostLines()
    {
        for (const QString &line : m_hostLines.takeLines())
            warn(line);
    }

    void checkHeaderControl(int index, const HeaderControlSpec &control)
    {
        const QString user = control.id.isEmpty()
            ? QStringLiteral("header control %1").arg(index + 1)
            : QStringLiteral("header control '%1'").arg(control.id);
        if (control.id.isEmpty())
            warn(QStringLiteral("%1 has no id; the host skips it").arg(user));
        const bool known = std::any_of(std::begin(headerControlTypes),
                                       std::end(headerControlTypes), [&control](const char *type) {
                                           return control.type == QLatin1String(type);
                                       });
        if (!known)
            warn(QStringLiteral("%1 has the unknown type '%2'; the host skips it")
                     .arg(user, control.type));
        checkIcon(user, control.params.value(QStringLiteral("icon")).toString());
        // Combo box options "label|icon" name icons too.
        const QStringList options = control.params.value(QStringLiteral("options")).toStringList();
        for (const QString &option : options) {
            const QStringList parts = option.split(QLatin1Char('|'));
            if (parts.size() > 1)
                checkIcon(user, parts.at(1));
        }
    }

    void checkPageScripts(const QString &page)
    {
        const QStringList sources =
            scriptSources(QString::fromUtf8(m_spec.bundle->read(m_spec.bundle->filePath(page))));
        const auto library = std::find_if(sources.cbegin(), sources.cend(), isLibrary);
        if (library != sources.cend() && std::none_of(sources.cbegin(), library, isJQuery)) {
            warn(QStringLiteral("page '%1' loads %2 without a jQuery script before it; the "
                                "library's requests need jQuery")
                     .arg(page, QLatin1String(libraryUrl)));
        }
    }

    const ScriptPluginSpec &m_spec;
    const QStringList m_pages;
    QStringList m_warnings;
    CollectingChannel m_hostLines;
    InteractiveObject m_document;
    std::unique_ptr<ScriptPropertyContainer> m_objects;
};

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
    const QString absolute = QDir::cleanPath(info.absoluteFilePath());
    QTextStream out(stdout);
    StreamChannel channel(out);
    std::unique_ptr<ScriptBundle> bundle;
    if (info.isDir())
        bundle = std::make_unique<StandardBundle>(absolute);
    else if (info.isFile() && info.suffix().compare(QLatin1String("wps"), Qt::CaseInsensitive) == 0)
        bundle = std::make_unique<SecuredBundle>(absolute, true, &channel);
    else if (!info.exists())
        return failure(path, QStringLiteral("no such file or folder"));
    else
        return failure(path, QStringLiteral("not a plug-in folder or a .wps file"));

    QString problem;
    const ScriptPluginSpec spec =
        ScriptPluginSpecReader(bundle.get(), theme, locale, &channel)
            .read(QLatin1String(manifestName), &problem);
    if (spec.id.isEmpty()) {
        if (!info.isDir() && !bundle->exists(bundle->filePath(QLatin1String(manifestName)))) {
            const QString securedProblem = openSecuredFile(absolute);
            if (!securedProblem.isNull())
                problem = securedProblem;
        }
        return failure(path, problem + QLatin1String("; the host skips this bundle"));
    }

    describe(out, spec);
    const QStringList warnings = ManifestChecker(spec, pageNames(absolute, info.isDir())).check();
    for (const QString &warning : warnings)
        out << warning << '\n';
    out.flush();
    return strict && !warnings.isEmpty() ? BadInput : Success;
}
