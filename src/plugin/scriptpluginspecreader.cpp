#include "scriptpluginspecreader.h"

#include "imageiconengine.h"

#include "bundle/scriptbundle.h"
#include "common/jsonparser.h"
#include "common/jsonparserexception.h"
#include "common/pluginlogline.h"
#include "properties/csstextforms.h"

#include <logservice.h>

#include <QBuffer>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {

const QLatin1String logSource("specparser");

struct NamedValue
{
    const char *name;
    int value;
};

// The support keys and their bits in the document template's flags.
constexpr NamedValue supportFlagKeys[] = {
    {"supportSymbolLinking", ScriptPluginSpec::SupportSymbolLinking},
    {"supportIntervalLinking", ScriptPluginSpec::SupportIntervalLinking},
    {"supportUndoStack", ScriptPluginSpec::SupportUndoStack},
    {"supportRefresh", ScriptPluginSpec::SupportRefresh},
    {"supportRename", ScriptPluginSpec::SupportRename},
    {"supportTrading", ScriptPluginSpec::SupportTrading},
    {"supportPrinting", ScriptPluginSpec::SupportPrinting},
    {"supportDefaultConnections", ScriptPluginSpec::SupportDefaultConnections},
    {"supportRedirectToExternalLinks", ScriptPluginSpec::SupportRedirectToExternalLinks},
};

constexpr NamedValue actionFlagKeys[] = {
    {"isShared", ActionSpec::IsShared},
    {"applyToAll", ActionSpec::ApplyToAll},
};

constexpr NamedValue propertyFlagKeys[] = {
    {"isStyleTemplate", PropertySpec::IsStyleTemplate},
    {"isDefaultStyleTemplate", PropertySpec::IsDefaultStyleTemplate},
    {"isSecured", PropertySpec::IsSecured},
    {"isSharedDefault", PropertySpec::IsSharedDefault},
    {"isAutoDefault", PropertySpec::IsAutoDefault},
};

constexpr NamedValue openInValues[] = {
    {"none", ScriptPluginSpec::OpenInNone},
    {"symbol", ScriptPluginSpec::OpenInSymbol},
    {"symbollist", ScriptPluginSpec::OpenInSymbolList},
};

// The host symbol library's symbol types.
constexpr NamedValue symbolTypes[] = {
    {"symbolTypeUndefined", 0},
    {"symbolTypeBond", 1},
    {"symbolTypeForex", 2},
    {"symbolTypeFutures", 3},
    {"symbolTypeFuturesContinuous", 4},
    {"symbolTypeFuturesContinuousFS", 5},
    {"symbolTypeFuturesForward", 6},
    {"symbolTypeFuturesOption", 7},
    {"symbolTypeFuturesOptionWildCard", 8},
    {"symbolTypeFuturesSpot", 9},
    {"symbolTypeFuturesSpread", 10},
    {"symbolTypeFuturesWildCard", 11},
    {"symbolTypeForwardSpread", 12},
    {"symbolTypeIndex", 13},
    {"symbolTypeStock", 14},
    {"symbolTypeStockOption", 15},
    {"symbolTypeStockWildCard", 16},
    {"symbolTypeUserDefinedSpread", 17},
    {"symbolTypeMutualFund", 18},
    {"symbolTypeMoneyMktFund", 19},
    {"symbolTypeWarehouse", 20},
    {"symbolTypeLMEReport", 21},
    {"symbolTypePreciousMetalFix", 22},
    {"symbolTypeAlias", 23},
    {"symbolTypeSimulated", 24},
    {"symbolTypeLmeCashSpread", 25},
    {"symbolTypeBondsWithFixedCoupon", 26},
    {"symbolTypeHistoricalContractFixedDate", 27},
    {"symbolTypeHistoricalContractDaysBack", 28},
};

constexpr NamedValue propertyTypes[] = {
    {"string", QMetaType::QString},
    {"int", QMetaType::Int},
    {"double", QMetaType::Double},
    {"bool", QMetaType::Bool},
    {"color", QMetaType::QColor},
    {"font", QMetaType::QFont},
    {"json", QMetaType::QVariantMap},
};

// Icon file states in lookup order, with the icon mode each one fills.
struct IconState
{
    const char *name;
    QIcon::Mode mode;
};

constexpr IconState iconStates[] = {
    {"", QIcon::Normal},
    {"normal", QIcon::Normal},
    {"active", QIcon::Active},
    {"selected", QIcon::Selected},
    {"disabled", QIcon::Disabled},
};

template<std::size_t N>
int valueOf(const NamedValue (&table)[N], const QString &name)
{
    for (const NamedValue &entry : table) {
        if (name == QLatin1String(entry.name))
            return entry.value;
    }
    return -1;
}

template<std::size_t N>
QString nameOf(const NamedValue (&table)[N], int value)
{
    for (const NamedValue &entry : table) {
        if (entry.value == value)
            return QLatin1String(entry.name);
    }
    return QString();
}

int openInValue(const QString &name) { return valueOf(openInValues, name); }
int propertyTypeValue(const QString &name) { return valueOf(propertyTypes, name); }

bool hasType(const QVariant &value, int type)
{
    return value.userType() == type;
}

bool readText(const QVariantMap &map, const QString &key, QString *out)
{
    const QVariant value = map.value(key);
    if (!hasType(value, QMetaType::QString))
        return false;
    *out = value.toString();
    return true;
}

bool readBool(const QVariantMap &map, const QString &key, bool *out)
{
    const QVariant value = map.value(key);
    if (!hasType(value, QMetaType::Bool))
        return false;
    *out = value.toBool();
    return true;
}

bool readInt(const QVariantMap &map, const QString &key, int *out)
{
    const QVariant value = map.value(key);
    if (!hasType(value, QMetaType::Int))
        return false;
    *out = value.toInt();
    return true;
}

// Each boolean key of the table sets (true) or clears (false) its bit of flags.
template<std::size_t N>
int readFlags(const QVariantMap &map, const NamedValue (&table)[N], int flags)
{
    for (const NamedValue &entry : table) {
        bool on = false;
        if (readBool(map, QLatin1String(entry.name), &on))
            flags = on ? (flags | entry.value) : (flags & ~entry.value);
    }
    return flags;
}

// A string counts as a list of one; an array gives its string elements.
QStringList readTextList(const QVariantMap &map, const QString &key)
{
    const QVariant value = map.value(key);
    if (hasType(value, QMetaType::QString))
        return QStringList(value.toString());
    QStringList texts;
    if (hasType(value, QMetaType::QVariantList)) {
        const QVariantList elements = value.toList();
        for (const QVariant &element : elements) {
            if (hasType(element, QMetaType::QString))
                texts.append(element.toString());
        }
    }
    return texts;
}

QList<QKeySequence> readKeySequences(const QVariantMap &map, const QString &key)
{
    QList<QKeySequence> sequences;
    const QStringList texts = readTextList(map, key);
    for (const QString &text : texts)
        sequences.append(QKeySequence::fromString(text, QKeySequence::PortableText));
    return sequences;
}

// A value of a property's type: strings, numbers and booleans of exactly that JSON type,
// colours and fonts from their text forms; a json property takes the value as it is, and
// counts as read even when the key is absent.
bool readTypedValue(const QVariantMap &map, const QString &key, int type, QVariant *out)
{
    if (type == QMetaType::QVariantMap) {
        *out = map.value(key);
        return true;
    }
    const QVariant value = map.value(key);
    switch (type) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::Double:
    case QMetaType::Bool:
        if (!hasType(value, type))
            return false;
        *out = value;
        return true;
    case QMetaType::QColor:
        if (!hasType(value, QMetaType::QString))
            return false;
        *out = QVariant::fromValue(colorFromCss(value.toString()));
        return true;
    case QMetaType::QFont:
        if (!hasType(value, QMetaType::QString))
            return false;
        *out = QVariant::fromValue(fontFromCss(value.toString()));
        return true;
    default:
        return false;
    }
}

// Decodes an image of any supported format, refusing oversized ones before decoding; a null
// image, with the reason in *problem, when that fails.
QImage decodeImage(const QByteArray &bytes, QString *problem)
{
    if (bytes.isEmpty()) {
        *problem = QStringLiteral("file is empty or cannot be read");
        return QImage();
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const int maxSide = ScriptPluginSpecReader::MaxIconSide;
    if (size.isValid() && (size.width() > maxSide || size.height() > maxSide)) {
        *problem = QStringLiteral("image of %1x%2 pixels is larger than the icon limit of "
                                  "%3x%3 pixels")
                       .arg(size.width()).arg(size.height()).arg(maxSide);
        return QImage();
    }
    const QImage image = size.isValid() ? reader.read() : QImage();
    if (image.isNull())
        *problem = QStringLiteral("image corrupted?");
    return image;
}

// Why a manifest's "id" gives no plug-in id; a null string when it does.
QString idProblem(const QVariant &id)
{
    if (!id.isValid())
        return QStringLiteral("\"id\" is missing");
    if (!hasType(id, QMetaType::QString))
        return QStringLiteral("\"id\" is not a string");
    if (id.toString().isEmpty())
        return QStringLiteral("\"id\" is empty");
    return QString();
}

} // namespace

ScriptPluginSpecReader::ScriptPluginSpecReader(ScriptBundle *bundle, const QString &theme,
                                               const QString &locale,
                                               HostApi::IOutputChannel *log)
    : m_bundle(bundle)
    , m_theme(theme)
    , m_locale(locale)
    , m_log(log)
{
}

ScriptPluginSpec ScriptPluginSpecReader::read(const QString &fileName, QString *problem)
{
    ScriptPluginSpec spec;
    HOSTAPI_ASSERT(m_bundle, return spec);
    const auto refuse = [problem](const QString &why) {
        if (problem)
            *problem = why;
    };

    const QString path = m_bundle->filePath(fileName);
    const QByteArray bytes = m_bundle->read(path);
    if (bytes.isEmpty()) {
        log(QString(), QStringLiteral("failed to open '%1'").arg(path),
            QStringLiteral("file not found"));
        refuse(m_bundle->exists(path) ? QStringLiteral("the manifest is empty or cannot be read")
                                      : QStringLiteral("the bundle has no %1").arg(fileName));
        return spec;
    }
    QVariant document;
    try {
        document = Common::JsonParser::parse(bytes);
    } catch (const Common::JsonParserException &e) {
        log(QString(), QStringLiteral("failed to load '%1(%2:%3)'")
                .arg(path, QString::number(e.line()), QString::number(e.column())),
            QString::fromUtf8(e.what()));
        refuse(QStringLiteral("the manifest is not valid: %1 (line %2, column %3)")
                   .arg(QString::fromUtf8(e.what())).arg(e.line()).arg(e.column()));
        return spec;
    }
    if (!hasType(document, QMetaType::QVariantMap)) {
        log(QString(), QStringLiteral("failed to load '%1'").arg(path),
            QStringLiteral("wrong format"));
        refuse(QStringLiteral("the manifest is not a JSON object"));
        return spec;
    }
    const QVariantMap root = document.toMap();
    const QString noId = idProblem(root.value(QStringLiteral("id")));
    if (!noId.isNull()) {
        log(QStringLiteral("id"), QStringLiteral("failed to load '%1'").arg(path),
            QStringLiteral("no plug-in id: ") + noId);
        refuse(QStringLiteral("the manifest gives no plug-in id: ") + noId);
        return spec;
    }

    readText(root, QStringLiteral("id"), &spec.id);
    readLocalised(root, QStringLiteral("name"), &spec.name);
    readLocalised(root, QStringLiteral("desc"), &spec.description);
    readLocalised(root, QStringLiteral("windowTitle"), &spec.windowTitle);
    readText(root, QStringLiteral("icon"), &spec.iconName);
    readText(root, QStringLiteral("openInIcon"), &spec.openInIconName);
    readText(root, QStringLiteral("mainMenuIcon"), &spec.mainMenuIconName);
    spec.version = readVersion(root, QStringLiteral("version"));
    spec.apiVersion = readVersion(root, QStringLiteral("apiVersion"));
    spec.supportFlags = readFlags(root, supportFlagKeys, spec.supportFlags);
    readBool(root, QStringLiteral("supportSymbolDrop"), &spec.supportSymbolDrop);
    readBool(root, QStringLiteral("supportForwardBack"), &spec.supportForwardBack);
    readBool(root, QStringLiteral("supportOwnTheme"), &spec.supportOwnTheme);
    readBool(root, QStringLiteral("supportOrderPositionMenu"), &spec.supportOrderPositionMenu);
    readBool(root, QStringLiteral("supportFavorites"), &spec.supportFavorites);
    readBool(root, QStringLiteral("disableWebSecurity"), &spec.disableWebSecurity);
    readBool(root, QStringLiteral("isQuorvexApp"), &spec.isQuorvexApp);
    readBool(root, QStringLiteral("supportRedirectToExternalLinks"),
             &spec.supportRedirectToExternalLinks);
    readBool(root, QStringLiteral("supportStyleTemplates"), &spec.supportStyleTemplates);
    readEnum(root, QStringLiteral("openIn"), QStringLiteral("openIn"), openInValue, &spec.openIn);
    spec.hotkeys = readKeySequences(root, QStringLiteral("hotkeys"));
    QString entry;
    if (readText(root, QStringLiteral("entry"), &entry) && !entry.isEmpty())
        spec.entry = m_bundle->url(entry);
    spec.actions = readActions(root);
    spec.propertyPages = readPropertyPages(root);
    spec.commands = readCommands(root);
    spec.objects = readPropertyGroups(root);
    spec.icons = readIcons(root);
    spec.header = readHeader(root);
    spec.features = readTextList(root, QStringLiteral("features"));
    spec.supportedSymbolTypes = readSymbolTypes(root, QStringLiteral("supportedSymbolTypes"));

    spec.bundle = m_bundle;
    spec.theme = m_theme;
    if (spec.name.isEmpty())
        spec.name = spec.id;
    return spec;
}

QStringList ScriptPluginSpecReader::supportFlagNames(int flags)
{
    QStringList names;
    for (const NamedValue &entry : supportFlagKeys) {
        if (flags & entry.value)
            names.append(QLatin1String(entry.name));
    }
    return names;
}

QString ScriptPluginSpecReader::openInName(int openIn)
{
    return nameOf(openInValues, openIn);
}

QString ScriptPluginSpecReader::symbolTypeName(int symbolType)
{
    return nameOf(symbolTypes, symbolType);
}

QString ScriptPluginSpecReader::propertyTypeName(int type)
{
    return nameOf(propertyTypes, type);
}

void ScriptPluginSpecReader::log(const QString &keyPath, const QString &message,
                                 const QString &detail)
{
    pluginLogLine(m_log, logSource, message, detail);
    m_problems.append({keyPath, logSource + QLatin1String(": ") + message + QLatin1String(", ")
                                    + detail});
}

// The string at "key-locale" when there is one, else the string at key.
bool ScriptPluginSpecReader::readLocalised(const QVariantMap &map, const QString &key,
                                           QString *out) const
{
    return readText(map, key + QLatin1Char('-') + m_locale, out) || readText(map, key, out);
}

bool ScriptPluginSpecReader::readEnum(const QVariantMap &map, const QString &key,
                                      const QString &keyPath, int (*lookup)(const QString &),
                                      int *out)
{
    QString name;
    if (!readText(map, key, &name))
        return false;
    const int value = lookup(name);
    if (value < 0) {
        log(keyPath, QStringLiteral("failed to read '%1'").arg(key),
            QStringLiteral("unknown enum value '%1'").arg(name));
        return false;
    }
    *out = value;
    return true;
}

// "major<any one character>minor", either number possibly empty (then 0).
QVersionNumber ScriptPluginSpecReader::readVersion(const QVariantMap &map, const QString &key)
{
    QString text;
    if (!readText(map, key, &text))
        return QVersionNumber(0, 0);
    static const QRegularExpression pattern(QStringLiteral("\\A(\\d*).(\\d*)\\z"));
    const QRegularExpressionMatch match = pattern.match(text);
    bool majorOk = match.hasMatch();
    bool minorOk = majorOk;
    const QString majorText = match.captured(1);
    const QString minorText = match.captured(2);
    const int major = majorText.isEmpty() ? 0 : majorText.toInt(&majorOk);
    const int minor = minorText.isEmpty() ? 0 : minorText.toInt(&minorOk);
    if (!majorOk || !minorOk) {
        log(key, QStringLiteral("failed to read version property: %1='%2'").arg(key, text),
            QStringLiteral("wrong format"));
        return QVersionNumber(0, 0);
    }
    return QVersionNumber(major, minor);
}

QList<int> ScriptPluginSpecReader::readSymbolTypes(const QVariantMap &map, const QString &key)
{
    QList<int> types;
    const QStringList names = readTextList(map, key);
    for (const QString &name : names) {
        const int type = valueOf(symbolTypes, name);
        if (type < 0)
            log(key, QStringLiteral("failed to find symbol type %1").arg(name),
                QStringLiteral("wrong symbol type"));
        else
            types.append(type);
    }
    return types;
}

// The object members of the object at key, by member name; other members are reported.
QMap<QString, QVariantMap> ScriptPluginSpecReader::readObjects(const QVariantMap &map,
                                                               const QString &key)
{
    QMap<QString, QVariantMap> objects;
    const QVariant value = map.value(key);
    if (!hasType(value, QMetaType::QVariantMap))
        return objects;
    const QVariantMap members = value.toMap();
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        if (hasType(it.value(), QMetaType::QVariantMap))
            objects.insert(it.key(), it.value().toMap());
        else
            log(key + QLatin1Char('.') + it.key(),
                QStringLiteral("failed to read object '%1' from '%2'").arg(it.key(), key),
                QStringLiteral("value is not object"));
    }
    return objects;
}

QList<ActionSpec> ScriptPluginSpecReader::readActions(const QVariantMap &root)
{
    QList<ActionSpec> actions;
    const QMap<QString, QVariantMap> members = readObjects(root, QStringLiteral("actions"));
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        const QVariantMap &map = it.value();
        ActionSpec action;
        action.id = it.key();
        readLocalised(map, QStringLiteral("name"), &action.name);
        readLocalised(map, QStringLiteral("desc"), &action.desc);
        action.hotkeys = readKeySequences(map, QStringLiteral("hotkeys"));
        readText(map, QStringLiteral("icon"), &action.icon);
        action.flags = readFlags(map, actionFlagKeys, action.flags);
        readBool(map, QStringLiteral("isCheckable"), &action.isCheckable);
        actions.append(action);
    }
    return actions;
}

QList<PropertyPageSpec> ScriptPluginSpecReader::readPropertyPages(const QVariantMap &root)
{
    QList<PropertyPageSpec> pages;
    const QMap<QString, QVariantMap> members =
        readObjects(root, QStringLiteral("propertyPages"));
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        const QVariantMap &map = it.value();
        PropertyPageSpec page;
        page.id = it.key();
        readLocalised(map, QStringLiteral("name"), &page.name);
        readText(map, QStringLiteral("icon"), &page.icon);
        const QVariant bindings = map.value(QStringLiteral("bindings"));
        const QVariantList elements =
            hasType(bindings, QMetaType::QVariantList) ? bindings.toList() : QVariantList();
        for (const QVariant &binding : elements) {
            if (hasType(binding, QMetaType::QVariantMap))
                page.bindings.append(readBinding(binding.toMap()));
        }
        pages.append(page);
    }
    return pages;
}

PropertyBindingSpec ScriptPluginSpecReader::readBinding(const QVariantMap &map) const
{
    PropertyBindingSpec binding;
    readLocalised(map, QStringLiteral("name"), &binding.name);
    readText(map, QStringLiteral("bind"), &binding.bind);
    readText(map, QStringLiteral("type"), &binding.type);
    readLocalised(map, QStringLiteral("undoText"), &binding.undoText);
    readLocalised(map, QStringLiteral("tooltip"), &binding.tooltip);
    binding.options = map;
    return binding;
}

QList<CommandSpec> ScriptPluginSpecReader::readCommands(const QVariantMap &root)
{
    QList<CommandSpec> commands;
    const QMap<QString, QVariantMap> members = readObjects(root, QStringLiteral("commands"));
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        CommandSpec command;
        command.id = it.key();
        readLocalised(it.value(), QStringLiteral("undoText"), &command.undoText);
        if (command.undoText.isEmpty())
            command.undoText = command.id;
        readText(it.value(), QStringLiteral("bind"), &command.bind);
        commands.append(command);
    }
    return commands;
}

PropertyGroups ScriptPluginSpecReader::readPropertyGroups(const QVariantMap &root)
{
    PropertyGroups groups;
    const QMap<QString, QVariantMap> members = readObjects(root, QStringLiteral("objects"));
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        QList<PropertySpec> &properties = groups[it.key()];
        const QVariantMap &definitions = it.value();
        for (auto property = definitions.cbegin(); property != definitions.cend(); ++property) {
            const QString keyPath =
                QStringLiteral("objects.%1.%2").arg(it.key(), property.key());
            if (const auto spec = readProperty(keyPath, property.key(), property.value()))
                properties.append(*spec);
        }
    }
    return groups;
}

// One property definition; none when its type is unknown (the property is dropped).
std::optional<PropertySpec> ScriptPluginSpecReader::readProperty(const QString &keyPath,
                                                                 const QString &id,
                                                                 const QVariant &value)
{
    const QVariantMap map = hasType(value, QMetaType::QVariantMap) ? value.toMap() : QVariantMap();
    PropertySpec property;
    property.id = id;
    property.flags = readFlags(map, propertyFlagKeys, property.flags);
    readLocalised(map, QStringLiteral("undoText"), &property.undoText);

    QString font;
    if (readText(map, QStringLiteral("font"), &font)) {
        property.kind = PropertyKind::Font;
        property.type = QMetaType::QFont;
        property.font = fontFromCss(font);
        readInt(map, QStringLiteral("version"), &property.version);
        return property;
    }

    const QString typePath = keyPath + QLatin1String(".type");
    if (!readEnum(map, QStringLiteral("type"), typePath, propertyTypeValue, &property.type)) {
        log(typePath, QStringLiteral("failed to read property '%1' type").arg(id),
            QStringLiteral("unknown type (%1)").arg(map.value(QStringLiteral("type")).toString()));
        return std::nullopt;
    }

    const QVariant theme = map.value(QStringLiteral("theme"));
    if (readTypedValue(map, QStringLiteral("default"), property.type, &property.defaultValue)) {
        property.kind = PropertyKind::Default;
        if (property.flags & PropertySpec::IsSharedDefault) {
            readInt(map, QStringLiteral("version"), &property.version);
            property.enumEntries = readPropertyEnum(map, property.type);
        }
    } else if (hasType(theme, QMetaType::QVariantMap)) {
        const QVariantMap values = theme.toMap();
        QVariant black;
        QVariant white;
        if (readTypedValue(values, QStringLiteral("black"), property.type, &black)
            && readTypedValue(values, QStringLiteral("white"), property.type, &white)) {
            property.kind = PropertyKind::Theme;
            property.black = black;
            property.white = white;
            readInt(map, QStringLiteral("version"), &property.version);
        } else {
            log(keyPath + QLatin1String(".theme"), QStringLiteral("failed to create property"),
                QStringLiteral("'black' or 'white' theme value is missing"));
        }
    }
    return property;
}

// "enum": display text → value of the property's type. The key of an entry is a string
// value itself, else its display text; entries repeating an earlier key are dropped.
QList<PropertyEnum> ScriptPluginSpecReader::readPropertyEnum(const QVariantMap &map,
                                                             int type) const
{
    QList<PropertyEnum> entries;
    const QVariant value = map.value(QStringLiteral("enum"));
    const QVariantMap members =
        hasType(value, QMetaType::QVariantMap) ? value.toMap() : QVariantMap();
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        PropertyEnum entry;
        if (!readTypedValue(members, it.key(), type, &entry.value))
            continue;
        entry.label = it.key();
        entry.key = hasType(entry.value, QMetaType::QString) ? entry.value.toString().toUtf8()
                                                             : it.key().toUtf8();
        const bool repeated = std::any_of(entries.cbegin(), entries.cend(),
            [&entry](const PropertyEnum &earlier) { return earlier.key == entry.key; });
        if (!repeated)
            entries.append(entry);
    }
    return entries;
}

// "icons": icon name → a file name or an array of file names; every image found for any of
// the files goes into the one icon. Names that list the same files get the same icon.
QMap<QString, QIcon> ScriptPluginSpecReader::readIcons(const QVariantMap &root)
{
    QMap<QString, QIcon> icons;
    const QVariant value = root.value(QStringLiteral("icons"));
    const QVariantMap members =
        hasType(value, QMetaType::QVariantMap) ? value.toMap() : QVariantMap();
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        const QStringList files = readTextList(members, it.key());
        auto built = m_icons.constFind(files);
        if (built == m_icons.constEnd())
            built = m_icons.insert(files, buildIcon(QStringLiteral("icons.") + it.key(), files));
        icons.insert(it.key(), *built);
    }
    return icons;
}

QIcon ScriptPluginSpecReader::buildIcon(const QString &keyPath, const QStringList &files)
{
    auto engine = std::make_unique<ImageIconEngine>();
    for (const QString &file : files)
        addIconFile(keyPath, engine.get(), file);
    const bool empty = engine->availableSizes(QIcon::Normal, QIcon::Off).isEmpty();
    return empty ? QIcon() : QIcon(engine.release());
}

// Looks for the file and its variants "stem[.theme][.state].ext" (theme and state each
// optional) and adds the images found, one per mode: later candidates replace earlier ones,
// so themed images win over plain ones and "normal" over none. Only the file's own name is
// split, so dots in folder names stay as they are.
void ScriptPluginSpecReader::addIconFile(const QString &keyPath, ImageIconEngine *engine,
                                         const QString &name)
{
    const QString path = m_bundle->filePath(name);
    const int nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const QString folder = path.left(nameStart);
    QStringList parts = path.mid(nameStart).split(QLatin1Char('.'));
    const QString extension = parts.size() > 1 ? parts.takeLast() : QString();
    const QString stem = parts.join(QLatin1Char('.'));

    QStringList prefixes{QString()};
    if (!m_theme.isEmpty())
        prefixes.append(m_theme);

    QMap<QIcon::Mode, QImage> images;
    bool found = false;
    for (const QString &prefix : qAsConst(prefixes)) {
        for (const IconState &state : iconStates) {
            QStringList candidateParts;
            for (const QString &part :
                 {stem, prefix, QString::fromLatin1(state.name), extension}) {
                if (!part.isEmpty())
                    candidateParts.append(part);
            }
            const QString candidate = folder + candidateParts.join(QLatin1Char('.'));
            if (!m_bundle->exists(candidate))
                continue;
            found = true;
            const QImage image = iconImage(keyPath, candidate);
            if (!image.isNull())
                images.insert(state.mode, image);
        }
    }

    if (!found) {
        log(keyPath, QStringLiteral("failed to load image '%1'").arg(path),
            QStringLiteral("no file found"));
    } else if (!images.isEmpty() && !images.contains(QIcon::Normal)) {
        log(keyPath, QStringLiteral("failed to load image '%1'").arg(path),
            QStringLiteral("'normal' state is missing"));
    } else {
        for (auto it = images.cbegin(); it != images.cend(); ++it)
            engine->addImage(it.value(), it.key());
    }
}

QImage ScriptPluginSpecReader::iconImage(const QString &keyPath, const QString &path)
{
    const auto decoded = m_images.constFind(path);
    if (decoded != m_images.constEnd())
        return *decoded;
    QString problem;
    const QImage image = decodeImage(m_bundle->read(path), &problem);
    if (image.isNull())
        log(keyPath, QStringLiteral("failed to load image from '%1'").arg(path), problem);
    m_images.insert(path, image);
    return image;
}

QList<HeaderControlSpec> ScriptPluginSpecReader::readHeader(const QVariantMap &root) const
{
    QList<HeaderControlSpec> header;
    const QVariant value = root.value(QStringLiteral("header"));
    const QVariantList entries =
        hasType(value, QMetaType::QVariantList) ? value.toList() : QVariantList();
    for (const QVariant &entry : entries) {
        if (!hasType(entry, QMetaType::QVariantMap))
            continue;
        HeaderControlSpec control;
        control.params = entry.toMap();
        readText(control.params, QStringLiteral("id"), &control.id);
        readText(control.params, QStringLiteral("type"), &control.type);
        header.append(control);
    }
    return header;
}
