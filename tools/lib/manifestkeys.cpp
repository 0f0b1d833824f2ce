#include "manifestkeys.h"

#include "editdistance.h"
#include "keysequencecheck.h"

#include "common/jsonwriter.h"
#include "properties/csstextforms.h"

#include <algorithm>

// What a key holds, as the reader reads it.
enum class ValueKind {
    Text,           // a string
    Localised,      // a string; "KEY-LOCALE" (name-ru_RU) too
    Bool,
    Int,
    Version,        // a string "MAJOR.MINOR"; its form is the reader's to check
    KeySequences,   // a key sequence text or an array of them
    TextList,       // a string or an array of strings
    Names,          // a text list whose strings must not be empty
    Size,           // a CSS-like size: a string or a number
    Any,
    Object,         // an object of the level's keys; without a level, of any members
    Collection,     // an object whose members (ids) are objects of the level's keys
    Objects,        // an array of objects of the level's keys
    Icons,          // an object whose members are file names or arrays of them
    PropertyGroups, // "objects": group → property → definition
    HeaderControls, // "header": an array of controls whose keys depend on their "type"
};

struct ManifestKey
{
    const char *name;
    ValueKind kind;
    const ManifestLevel *level;
};

struct ManifestLevel
{
    const ManifestKey *begin;
    const ManifestKey *end;

    const ManifestKey *find(const QString &name) const
    {
        const auto key = std::find_if(begin, end, [&name](const ManifestKey &candidate) {
            return name == QLatin1String(candidate.name);
        });
        return key == end ? nullptr : key;
    }
};

namespace {

template<std::size_t N>
constexpr ManifestLevel levelOf(const ManifestKey (&keys)[N])
{
    return {keys, keys + N};
}

using K = ValueKind;

const ManifestKey actionKeys[] = {
    {"name", K::Localised, nullptr},    {"desc", K::Localised, nullptr},
    {"hotkeys", K::KeySequences, nullptr}, {"icon", K::Text, nullptr},
    {"isShared", K::Bool, nullptr},     {"applyToAll", K::Bool, nullptr},
    {"isCheckable", K::Bool, nullptr},
};
constexpr ManifestLevel actionLevel = levelOf(actionKeys);

const ManifestKey bindingKeys[] = {
    {"name", K::Localised, nullptr},     {"bind", K::Text, nullptr},
    {"type", K::Text, nullptr},          {"undoText", K::Localised, nullptr},
    {"tooltip", K::Localised, nullptr},  {"fontModify", K::Text, nullptr},
};
constexpr ManifestLevel bindingLevel = levelOf(bindingKeys);

const ManifestKey pageKeys[] = {
    {"name", K::Localised, nullptr},
    {"icon", K::Text, nullptr},
    {"bindings", K::Objects, &bindingLevel},
};
constexpr ManifestLevel pageLevel = levelOf(pageKeys);

const ManifestKey commandKeys[] = {
    {"undoText", K::Localised, nullptr},
    {"bind", K::Text, nullptr},
};
constexpr ManifestLevel commandLevel = levelOf(commandKeys);

const ManifestKey themeKeys[] = {
    {"black", K::Any, nullptr},
    {"white", K::Any, nullptr},
};
constexpr ManifestLevel themeLevel = levelOf(themeKeys);

// "type" is read by the reader, which reports what it cannot use.
const ManifestKey propertyKeys[] = {
    {"type", K::Any, nullptr},             {"default", K::Any, nullptr},
    {"theme", K::Object, &themeLevel},     {"font", K::Text, nullptr},
    {"undoText", K::Localised, nullptr},   {"version", K::Int, nullptr},
    {"isStyleTemplate", K::Bool, nullptr}, {"isDefaultStyleTemplate", K::Bool, nullptr},
    {"isSecured", K::Bool, nullptr},       {"isSharedDefault", K::Bool, nullptr},
    {"isAutoDefault", K::Bool, nullptr},   {"enum", K::Object, nullptr},
};
constexpr ManifestLevel propertyLevel = levelOf(propertyKeys);

const ManifestKey buttonKeys[] = {
    {"id", K::Text, nullptr},      {"type", K::Text, nullptr},   {"name", K::Text, nullptr},
    {"icon", K::Text, nullptr},    {"tooltip", K::Text, nullptr}, {"action", K::Text, nullptr},
    {"value", K::Bool, nullptr},
};
constexpr ManifestLevel buttonLevel = levelOf(buttonKeys);

const ManifestKey menuButtonKeys[] = {
    {"id", K::Text, nullptr},      {"type", K::Text, nullptr},   {"name", K::Text, nullptr},
    {"icon", K::Text, nullptr},    {"tooltip", K::Text, nullptr}, {"action", K::Text, nullptr},
    {"value", K::Bool, nullptr},   {"actions", K::Names, nullptr},
};
constexpr ManifestLevel menuButtonLevel = levelOf(menuButtonKeys);

const ManifestKey comboBoxKeys[] = {
    {"id", K::Text, nullptr},       {"type", K::Text, nullptr},    {"options", K::TextList, nullptr},
    {"editable", K::Bool, nullptr}, {"tooltip", K::Text, nullptr}, {"minwidth", K::Size, nullptr},
};
constexpr ManifestLevel comboBoxLevel = levelOf(comboBoxKeys);

const ManifestKey symbolEditKeys[] = {
    {"id", K::Text, nullptr},       {"type", K::Text, nullptr},
    {"value", K::Text, nullptr},    {"minwidth", K::Size, nullptr},
    {"focusOnKeyPress", K::Bool, nullptr}, {"useSymbolBuilder", K::Bool, nullptr},
};
constexpr ManifestLevel symbolEditLevel = levelOf(symbolEditKeys);

// The parts of an insert-symbol button: its button, its dialog's symbol edit, title and date.
const ManifestKey innerSymbolEditKeys[] = {
    {"value", K::Text, nullptr},           {"minwidth", K::Size, nullptr},
    {"focusOnKeyPress", K::Bool, nullptr}, {"useSymbolBuilder", K::Bool, nullptr},
};
constexpr ManifestLevel innerSymbolEditLevel = levelOf(innerSymbolEditKeys);
const ManifestKey dialogKeys[] = {{"title", K::Text, nullptr}};
constexpr ManifestLevel dialogLevel = levelOf(dialogKeys);
const ManifestKey dateEditKeys[] = {{"value", K::Text, nullptr}};
constexpr ManifestLevel dateEditLevel = levelOf(dateEditKeys);

const ManifestKey insertSymbolButtonKeys[] = {
    {"id", K::Text, nullptr},
    {"type", K::Text, nullptr},
    {"button", K::Object, &menuButtonLevel},
    {"symbolEdit", K::Object, &innerSymbolEditLevel},
    {"dialog", K::Object, &dialogLevel},
    {"dateEdit", K::Object, &dateEditLevel},
    {"allowedSymbolTypes", K::Names, nullptr},
};
constexpr ManifestLevel insertSymbolButtonLevel = levelOf(insertSymbolButtonKeys);

// The header control types and their keys; a control of another type is left out by the host.
const struct { const char *type; const ManifestLevel *level; } headerControlLevels[] = {
    {"Button", &buttonLevel},           {"ToggleButton", &buttonLevel},
    {"MenuButton", &menuButtonLevel},   {"ComboBox", &comboBoxLevel},
    {"SymbolEdit", &symbolEditLevel},   {"InsertSymbolButton", &insertSymbolButtonLevel},
};

const ManifestKey topKeys[] = {
    {"id", K::Text, nullptr},
    {"name", K::Localised, nullptr},
    {"desc", K::Localised, nullptr},
    {"windowTitle", K::Localised, nullptr},
    {"icon", K::Text, nullptr},
    {"openInIcon", K::Text, nullptr},
    {"mainMenuIcon", K::Text, nullptr},
    {"version", K::Version, nullptr},
    {"apiVersion", K::Version, nullptr},
    {"supportSymbolLinking", K::Bool, nullptr},
    {"supportIntervalLinking", K::Bool, nullptr},
    {"supportUndoStack", K::Bool, nullptr},
    {"supportRefresh", K::Bool, nullptr},
    {"supportRename", K::Bool, nullptr},
    {"supportTrading", K::Bool, nullptr},
    {"supportPrinting", K::Bool, nullptr},
    {"supportDefaultConnections", K::Bool, nullptr},
    {"supportRedirectToExternalLinks", K::Bool, nullptr},
    {"supportSymbolDrop", K::Bool, nullptr},
    {"supportForwardBack", K::Bool, nullptr},
    {"supportOwnTheme", K::Bool, nullptr},
    {"supportOrderPositionMenu", K::Bool, nullptr},
    {"supportFavorites", K::Bool, nullptr},
    {"disableWebSecurity", K::Bool, nullptr},
    {"isQuorvexApp", K::Bool, nullptr},
    {"supportStyleTemplates", K::Bool, nullptr},
    {"openIn", K::Text, nullptr},
    {"hotkeys", K::KeySequences, nullptr},
    {"entry", K::Text, nullptr},
    {"actions", K::Collection, &actionLevel},
    {"propertyPages", K::Collection, &pageLevel},
    {"commands", K::Collection, &commandLevel},
    {"objects", K::PropertyGroups, nullptr},
    {"icons", K::Icons, nullptr},
    {"header", K::HeaderControls, nullptr},
    {"features", K::Names, nullptr},
    {"supportedSymbolTypes", K::TextList, nullptr},
};
constexpr ManifestLevel topLevel = levelOf(topKeys);

const QString ignored = QStringLiteral("the host ignores it");
const QString skipped = QStringLiteral("the host skips it");
const QString emptyElement = QStringLiteral("(a comma right before \"]\" makes one)");

QString member(const QString &path, const QString &key)
{
    return path.isEmpty() ? key : path + QLatin1Char('.') + key;
}

QString element(const QString &path, int index)
{
    return path + QStringLiteral("[%1]").arg(index);
}

bool isText(const QVariant &value)
{
    return value.userType() == QMetaType::QString;
}

bool isList(const QVariant &value)
{
    return value.userType() == QMetaType::QVariantList;
}

bool isMap(const QVariant &value)
{
    return value.userType() == QMetaType::QVariantMap;
}

// A value as a warning names it: "the string \"true\"", "the number 1.0", "an array".
QString describe(const QVariant &value)
{
    constexpr int shown = 40;
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringLiteral("null");
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
    case QMetaType::Double:
        return QStringLiteral("the number ") + QString::fromUtf8(Common::writeJson(value));
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text.isEmpty())
            return QStringLiteral("an empty string");
        const QString cut = text.size() > shown ? text.left(shown) + QStringLiteral("...") : text;
        return QStringLiteral("the string ") + QString::fromUtf8(Common::writeJson(cut));
    }
    case QMetaType::QVariantList:
        return QStringLiteral("an array");
    case QMetaType::QVariantMap:
        return QStringLiteral("an object");
    default:
        return QString::fromLatin1(value.typeName());
    }
}

// What a key of the kind holds, as a warning names it.
QString expected(ValueKind kind)
{
    switch (kind) {
    case K::Text:
    case K::Localised:
        return QStringLiteral("a string");
    case K::Bool:
        return QStringLiteral("true or false");
    case K::Int:
        return QStringLiteral("a whole number");
    case K::Version:
        return QStringLiteral("a string such as \"1.0\"");
    case K::KeySequences:
        return QStringLiteral("a key sequence (\"Ctrl+Shift+F\") or an array of them");
    case K::TextList:
    case K::Names:
        return QStringLiteral("a string or an array of strings");
    case K::Size:
        return QStringLiteral("a size such as \"120px\" or \"9pt\"");
    case K::Object:
    case K::Collection:
    case K::Icons:
    case K::PropertyGroups:
        return QStringLiteral("an object");
    case K::Objects:
    case K::HeaderControls:
        return QStringLiteral("an array of objects");
    case K::Any:
        break;
    }
    return QString();
}

bool fits(const QVariant &value, ValueKind kind)
{
    switch (kind) {
    case K::Text:
    case K::Localised:
    case K::Version:
        return isText(value);
    case K::Bool:
        return value.userType() == QMetaType::Bool;
    case K::Int:
        return value.userType() == QMetaType::Int;
    case K::KeySequences:
    case K::TextList:
    case K::Names:
        return isText(value) || isList(value);
    case K::Size:
        return isText(value) || value.userType() == QMetaType::Int
            || value.userType() == QMetaType::Double;
    case K::Object:
    case K::Collection:
    case K::Icons:
    case K::PropertyGroups:
        return isMap(value);
    case K::Objects:
    case K::HeaderControls:
        return isList(value);
    case K::Any:
        break;
    }
    return true;
}

QStringList keyNames(const ManifestLevel &level, bool localisedOnly)
{
    QStringList names;
    for (const ManifestKey *key = level.begin; key != level.end; ++key) {
        if (!localisedOnly || key->kind == K::Localised)
            names.append(QLatin1String(key->name));
    }
    return names;
}

// The key a member name stands for: itself, or for "name-ru_RU" the localised key "name".
const ManifestKey *keyOf(const ManifestLevel &level, const QString &name)
{
    if (const ManifestKey *key = level.find(name))
        return key;
    const int dash = name.indexOf(QLatin1Char('-'));
    if (dash <= 0 || dash == name.size() - 1)
        return nullptr;
    const ManifestKey *key = level.find(name.left(dash));
    return key && key->kind == K::Localised ? key : nullptr;
}

// The JSON type a property definition's values have, by its "type"; Any for json, and for
// types the reader does not know (it reports those).
ValueKind propertyValueKind(const QString &type)
{
    if (type == QLatin1String("int"))
        return K::Int;
    if (type == QLatin1String("bool"))
        return K::Bool;
    if (type == QLatin1String("string") || type == QLatin1String("color")
        || type == QLatin1String("font"))
        return K::Text;
    return K::Any;
}

} // namespace

QList<LintWarning> ManifestKeys::check(const QVariantMap &manifest)
{
    m_warnings.clear();
    checkObject(manifest, QString(), topLevel);
    return m_warnings;
}

void ManifestKeys::checkObject(const QVariantMap &map, const QString &path,
                               const ManifestLevel &level)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString keyPath = member(path, it.key());
        if (const ManifestKey *key = keyOf(level, it.key()))
            checkValue(it.value(), keyPath, *key);
        else
            unknownKey(it.key(), keyPath, level);
    }
}

void ManifestKeys::checkValue(const QVariant &value, const QString &path, const ManifestKey &key)
{
    if (!fits(value, key.kind)) {
        wrongType(value, path, expected(key.kind),
                  key.kind == K::Version ? QStringLiteral("the host reads it as 0.0") : ignored);
        return;
    }
    switch (key.kind) {
    case K::KeySequences:
    case K::TextList:
    case K::Names:
        checkTextList(value, path, key);
        break;
    case K::Object:
        if (key.level)
            checkObject(value.toMap(), path, *key.level);
        break;
    case K::Collection: {
        // Members that are not objects are the reader's to report.
        const QVariantMap members = value.toMap();
        for (auto it = members.cbegin(); it != members.cend(); ++it) {
            if (isMap(it.value()))
                checkObject(it.value().toMap(), member(path, it.key()), *key.level);
        }
        break;
    }
    case K::Objects: {
        const QVariantList elements = value.toList();
        for (int i = 0; i < elements.size(); ++i) {
            if (isMap(elements.at(i)))
                checkObject(elements.at(i).toMap(), element(path, i), *key.level);
            else
                wrongType(elements.at(i), element(path, i), QStringLiteral("an object"), skipped);
        }
        break;
    }
    case K::Icons: {
        static const ManifestKey files{"", K::TextList, nullptr};
        const QVariantMap icons = value.toMap();
        for (auto it = icons.cbegin(); it != icons.cend(); ++it) {
            const QString iconPath = member(path, it.key());
            if (fits(it.value(), K::TextList))
                checkTextList(it.value(), iconPath, files);
            else
                wrongType(it.value(), iconPath,
                          QStringLiteral("a file name or an array of file names"),
                          QStringLiteral("the icon has no image"));
        }
        break;
    }
    case K::PropertyGroups:
        checkPropertyGroups(value.toMap());
        break;
    case K::HeaderControls: {
        const QVariantList controls = value.toList();
        for (int i = 0; i < controls.size(); ++i)
            checkHeaderControl(controls.at(i), element(path, i));
        break;
    }
    default:
        break;
    }
}

// A single string is a list of one; in an array, strings that are not there are skipped.
void ManifestKeys::checkTextList(const QVariant &value, const QString &path,
                                 const ManifestKey &key)
{
    if (isText(value)) {
        if (key.kind == K::KeySequences)
            checkKeySequence(value, path, false);
        else if (key.kind == K::Names && value.toString().isEmpty())
            warn(path, QStringLiteral("an empty string"));
        return;
    }
    const QVariantList elements = value.toList();
    for (int i = 0; i < elements.size(); ++i) {
        const QString elementPath = element(path, i);
        const QVariant &text = elements.at(i);
        if (!isText(text))
            wrongType(text, elementPath, QStringLiteral("a string"), skipped);
        else if (key.kind == K::KeySequences)
            checkKeySequence(text, elementPath, true);
        else if (key.kind == K::Names && text.toString().isEmpty())
            warn(elementPath, QStringLiteral("an empty string ") + emptyElement);
    }
}

void ManifestKeys::checkKeySequence(const QVariant &value, const QString &path, bool inList)
{
    if (inList && value.toString().isEmpty()) {
        warn(path, QStringLiteral("an empty key sequence %1; the host registers no key for it")
                       .arg(emptyElement));
        return;
    }
    const QString problem = keySequenceProblem(value.toString());
    if (!problem.isNull())
        warn(path, problem);
}

void ManifestKeys::checkHeaderControl(const QVariant &value, const QString &path)
{
    if (!isMap(value)) {
        wrongType(value, path, QStringLiteral("an object"), skipped);
        return;
    }
    // A control without a known type is left out, and said so by the later checks.
    const QVariantMap control = value.toMap();
    const QString type = control.value(QStringLiteral("type")).toString();
    for (const auto &entry : headerControlLevels) {
        if (type == QLatin1String(entry.type))
            checkObject(control, path, *entry.level);
    }
}

void ManifestKeys::checkPropertyGroups(const QVariantMap &groups)
{
    // Groups and definitions that are not objects are the reader's to report.
    for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
        const QVariantMap definitions = group.value().toMap();
        for (auto it = definitions.cbegin(); it != definitions.cend(); ++it) {
            if (!isMap(it.value()))
                continue;
            const QString path = QStringLiteral("objects.%1.%2").arg(group.key(), it.key());
            checkObject(it.value().toMap(), path, propertyLevel);
            checkPropertyValues(it.value().toMap(), path);
        }
    }
}

// The default and the choices of a property must be values of its type, or the reader passes
// them over: a default 5 of a double property is no default.
void ManifestKeys::checkPropertyValues(const QVariantMap &definition, const QString &path)
{
    if (isText(definition.value(QStringLiteral("font"))))
        return;
    const QString type = definition.value(QStringLiteral("type")).toString();
    const QVariant defaultValue = definition.value(QStringLiteral("default"));
    if (definition.contains(QStringLiteral("default")))
        checkTypedValue(defaultValue, member(path, QStringLiteral("default")), type, ignored);
    const QVariant choices = definition.value(QStringLiteral("enum"));
    if (!isMap(choices))
        return;
    const QVariantMap members = choices.toMap();
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        checkTypedValue(it.value(), member(path, QStringLiteral("enum.") + it.key()), type,
                        QStringLiteral("the host leaves out this choice"));
    }
}

void ManifestKeys::checkTypedValue(const QVariant &value, const QString &path,
                                   const QString &type, const QString &consequence)
{
    const auto mismatch = [&](const QString &expected) {
        warn(path, QStringLiteral("%1 where type \"%2\" expects %3; %4")
                       .arg(describe(value), type, expected, consequence));
    };
    if (type == QLatin1String("double")) {
        if (value.userType() == QMetaType::Int)
            mismatch(QStringLiteral("a floating-point number such as %1.0").arg(value.toInt()));
        else if (value.userType() != QMetaType::Double)
            mismatch(QStringLiteral("a floating-point number such as 2.0"));
        return;
    }
    const ValueKind kind = propertyValueKind(type);
    if (!fits(value, kind)) {
        mismatch(expected(kind));
    } else if (type == QLatin1String("color") && !colorFromCss(value.toString()).isValid()) {
        warn(path, QStringLiteral("%1 is not a colour such as \"#336699\", \"rgb(51,102,153)\" "
                                  "or \"rgba(51,102,153,128)\"")
                       .arg(describe(value)));
    }
}

void ManifestKeys::unknownKey(const QString &key, const QString &path, const ManifestLevel &level)
{
    QString nearest = closestName(key, keyNames(level, false));
    const int dash = key.indexOf(QLatin1Char('-'));
    if (nearest.isNull() && dash > 0) {
        const QString localised = closestName(key.left(dash), keyNames(level, true));
        if (!localised.isNull())
            nearest = localised + key.mid(dash);
    }
    if (nearest.isNull())
        warn(path, QStringLiteral("unknown key; ") + ignored);
    else
        warn(path, QStringLiteral("unknown key; did you mean \"%1\"?").arg(nearest));
}

void ManifestKeys::wrongType(const QVariant &value, const QString &path, const QString &expected,
                             const QString &consequence)
{
    QString found = describe(value);
    if (isText(value) && value.toString().isEmpty() && path.endsWith(QLatin1Char(']')))
        found += QLatin1Char(' ') + emptyElement;
    warn(path, QStringLiteral("%1 where %2 is expected; %3").arg(found, expected, consequence));
}

void ManifestKeys::warn(const QString &path, const QString &text)
{
    m_warnings.append({QString(), path, text});
}
