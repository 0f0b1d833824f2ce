#include "manifestchecker.h"

#include "bundle/scriptbundle.h"
#include "plugin/scriptpluginspec.h"
#include "properties/scriptpropertycontainer.h"
#include "properties/scriptpropertypage.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QVersionNumber>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// The newest manifest API the host opens documents of.
const QVersionNumber supportedApiVersion(1, 0);

// Header control types the document knows how to build.
const char *const headerControlTypes[] = {
    "SymbolEdit", "ComboBox", "Button", "ToggleButton", "MenuButton", "InsertSymbolButton",
};

// The page-side library as pages load it from the module's resources.
const char libraryUrl[] = "qrc:///tessel/tessel.js";

bool isPageName(const QString &name)
{
    return name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
        || name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

bool isLibrary(const QString &source)
{
    const QUrl url(source);
    return url.scheme() == QLatin1String("qrc") && url.path() == QLatin1String("/tessel/tessel.js");
}

bool isJQuery(const QString &source)
{
    return QUrl(source).fileName().startsWith(QLatin1String("jquery"), Qt::CaseInsensitive);
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

} // namespace

QStringList ManifestChecker::CollectingChannel::takeLines()
{
    return std::exchange(m_lines, QStringList());
}

ManifestChecker::ManifestChecker(const ScriptPluginSpec &spec, const QStringList &fileNames)
    : m_spec(spec), m_fileNames(fileNames)
{
    m_document.joinTree();
    m_objects.reset(ScriptPropertyContainer::createObjects(QStringLiteral("objects"),
                                                           spec.objects, &m_hostLines));
    m_objects->attach(&m_document);
}

ManifestChecker::~ManifestChecker() = default;

QString ManifestChecker::entryFile(const ScriptPluginSpec &spec)
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

QList<LintWarning> ManifestChecker::check()
{
    warnHostLines(QStringLiteral("objects"));
    checkEntry();
    checkIcon(QStringLiteral("icon"), m_spec.iconName);
    checkIcon(QStringLiteral("openInIcon"), m_spec.openInIconName);
    checkIcon(QStringLiteral("mainMenuIcon"), m_spec.mainMenuIconName);
    for (const ActionSpec &action : m_spec.actions)
        checkIcon(QStringLiteral("actions.%1.icon").arg(action.id), action.icon);
    for (const PropertyPageSpec &page : m_spec.propertyPages)
        checkPage(page);
    for (int i = 0; i < m_spec.header.size(); ++i)
        checkHeaderControl(i, m_spec.header.at(i));
    QStringList pages;
    std::copy_if(m_fileNames.cbegin(), m_fileNames.cend(), std::back_inserter(pages), isPageName);
    pages.sort();
    for (const QString &page : qAsConst(pages))
        checkPageScripts(page);
    if (m_spec.apiVersion > supportedApiVersion) {
        warn(QStringLiteral("apiVersion"),
             QStringLiteral("%1 is above the supported %2: the host refuses to open documents "
                            "of this plug-in")
                 .arg(m_spec.apiVersion.toString(), supportedApiVersion.toString()));
    }
    return m_warnings;
}

void ManifestChecker::warn(const QString &keyPath, const QString &text, const QString &file)
{
    m_warnings.append({file.isNull() ? QStringLiteral("plugin.spec") : file, keyPath, text});
}

void ManifestChecker::warnHostLines(const QString &keyPath)
{
    for (const QString &line : m_hostLines.takeLines())
        warn(keyPath, line);
}

// A folder's file names are matched exactly, a secured file's ignoring case: an entry that
// works in one only is said so.
void ManifestChecker::checkEntry()
{
    const QString key = QStringLiteral("entry");
    if (m_spec.entry.isEmpty()) {
        warn(key, QStringLiteral("missing or empty; the plug-in's windows have no page"));
        return;
    }
    const QString file = entryFile(m_spec);
    if (file.isEmpty()) {
        warn(key, QStringLiteral("'%1' is not a file of the bundle").arg(m_spec.entry));
        return;
    }
    const QString clean = QDir::cleanPath(file);
    if (m_fileNames.contains(clean))
        return;
    const auto other = std::find_if(m_fileNames.cbegin(), m_fileNames.cend(),
        [&clean](const QString &name) { return name.compare(clean, Qt::CaseInsensitive) == 0; });
    if (other != m_fileNames.cend()) {
        warn(key, QStringLiteral("'%1' differs in case from the file '%2'; folders and .wps "
                                 "files disagree on case, so name it as it is spelt")
                      .arg(file, *other));
    } else if (!m_spec.bundle->exists(m_spec.bundle->filePath(file))) {
        warn(key, QStringLiteral("the file '%1' is missing from the bundle").arg(file));
    }
}

void ManifestChecker::checkIcon(const QString &keyPath, const QString &name)
{
    if (name.isEmpty())
        return;
    if (!m_spec.icons.contains(name))
        warn(keyPath, QStringLiteral("the icon '%1' is not in the icon table").arg(name));
    else if (m_spec.icon(name).isNull())
        warn(keyPath, QStringLiteral("the icon '%1' has no image").arg(name));
}

void ManifestChecker::checkPage(const PropertyPageSpec &page)
{
    const QString keyPath = QStringLiteral("propertyPages.") + page.id;
    checkIcon(keyPath + QLatin1String(".icon"), page.icon);
    ScriptPropertyPage propertyPage(page, m_spec, &m_hostLines);
    propertyPage.setObject(&m_document, true);
    warnHostLines(keyPath);
}

void ManifestChecker::checkHeaderControl(int index, const HeaderControlSpec &control)
{
    const QString keyPath = QStringLiteral("header[%1]").arg(index);
    if (control.id.isEmpty())
        warn(keyPath, QStringLiteral("no id; the host skips this control"));
    const bool known = std::any_of(std::begin(headerControlTypes), std::end(headerControlTypes),
                                   [&control](const char *type) {
                                       return control.type == QLatin1String(type);
                                   });
    if (!known) {
        warn(keyPath + QLatin1String(".type"),
             QStringLiteral("unknown type '%1'; the host skips this control").arg(control.type));
    }
    checkIcon(keyPath + QLatin1String(".icon"),
              control.params.value(QStringLiteral("icon")).toString());
    checkIcon(keyPath + QLatin1String(".button.icon"),
              control.params.value(QStringLiteral("button")).toMap()
                  .value(QStringLiteral("icon")).toString());
    // Combo box options "label|icon" name icons too.
    const QStringList options = control.params.value(QStringLiteral("options")).toStringList();
    for (int i = 0; i < options.size(); ++i) {
        const QStringList parts = options.at(i).split(QLatin1Char('|'));
        if (parts.size() > 1)
            checkIcon(keyPath + QStringLiteral(".options[%1]").arg(i), parts.at(1));
    }
}

// Pages that load the page-side library need jQuery loaded before it.
void ManifestChecker::checkPageScripts(const QString &page)
{
    const QStringList sources =
        scriptSources(QString::fromUtf8(m_spec.bundle->read(m_spec.bundle->filePath(page))));
    const auto library = std::find_if(sources.cbegin(), sources.cend(), isLibrary);
    if (library != sources.cend() && std::none_of(sources.cbegin(), library, isJQuery)) {
        warn(QString(),
             QStringLiteral("loads %1 without a jQuery script before it; the library's requests "
                            "need jQuery")
                 .arg(QLatin1String(libraryUrl)),
             page);
    }
}
