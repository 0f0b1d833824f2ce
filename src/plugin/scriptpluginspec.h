#pragma once

#include <propertyenum.h>

#include <QFont>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <QVersionNumber>

class ScriptBundle;
namespace HostApi { class IOutputChannel; }

// A menu and hot-key action of the plug-in's documents (a member of "actions").
struct ActionSpec
{
    enum Flag { IsShared = 0x1, ApplyToAll = 0x2 };

    QString id;
    QString name;
    QString desc;
    QList<QKeySequence> hotkeys;
    QString icon;                   // a name of the manifest's icon table
    int flags = 0;
    bool isCheckable = false;
};

// One editor row of a property page (an element of a page's "bindings").
struct PropertyBindingSpec
{
    QString name;
    QString bind;                   // "group.property": a path into the manifest's objects
    QString type;                   // the editor's control type name; may be empty
    QString undoText;
    QString tooltip;
    QVariantMap options;            // the whole binding object, for the editor control
};

// A property page (a member of "propertyPages").
struct PropertyPageSpec
{
    QString id;
    QString name;
    QString icon;                   // a name of the manifest's icon table
    QList<PropertyBindingSpec> bindings;
};

// A command (a member of "commands").
struct CommandSpec
{
    QString id;
    QString undoText;               // the id when the manifest gives none
    QString bind;                   // a host property of the document; empty: the page handles it
};

// A native control of the document header (an element of "header").
struct HeaderControlSpec
{
    QString id;
    QString type;
    QVariantMap params;             // the whole entry, for the control
};

enum class PropertyKind { None = 0, Default = 1, Theme = 2, Font = 3 };

// One property of a property object (a member of a member of "objects").
struct PropertySpec
{
    enum Flag {
        IsStyleTemplate = 0x1,
        IsDefaultStyleTemplate = 0x2,
        IsSecured = 0x4,
        IsSharedDefault = 0x8,
        IsAutoDefault = 0x10
    };

    QString id;
    PropertyKind kind = PropertyKind::None;
    // A variant type id: Bool, Int, Double, QVariantMap, QString, QFont or QColor.
    int type = QMetaType::UnknownType;
    int flags = IsStyleTemplate | IsDefaultStyleTemplate;
    QString undoText;
    int version = 1;
    QVariant defaultValue;          // kind Default
    QList<PropertyEnum> enumEntries; // kind Default with IsSharedDefault
    QVariant black;                 // kind Theme: the value of the dark theme
    QVariant white;                 // kind Theme: the value of the light theme
    QFont font;                     // kind Font
};

// Property object name → its properties in ascending order of id.
using PropertyGroups = QMap<QString, QList<PropertySpec>>;

// The manifest (plugin.spec) of one web plug-in. A copyable value: the catalogue and every
// document hold their own copy. An empty record (empty id) stands for a manifest that could
// not be read. Collections keyed by id in the manifest come in ascending order of id.
struct ScriptPluginSpec
{
    // Bits of the document template's support flags.
    enum SupportFlag {
        SupportSymbolLinking = 0x1,
        SupportIntervalLinking = 0x2,
        SupportUndoStack = 0x4,
        SupportRefresh = 0x8,
        SupportRename = 0x10,
        SupportTrading = 0x20,
        SupportPrinting = 0x40,
        SupportDefaultConnections = 0x80,
        SupportRedirectToExternalLinks = 0x400
    };
    static constexpr int DefaultSupportFlags = SupportUndoStack | SupportRefresh | SupportRename
        | SupportPrinting | SupportRedirectToExternalLinks;

    enum OpenIn { OpenInNone = 0, OpenInSymbol = 1, OpenInSymbolList = 2 };

    // Reads the manifest fileName of the bundle. Never fails: problems are written to log
    // (may be null) as plug-in output lines, and a manifest that cannot be opened or parsed
    // gives an empty record. The bundle is not owned and must outlive the record.
    static ScriptPluginSpec read(ScriptBundle *bundle, const QString &fileName,
                                 const QString &theme, const QString &locale,
                                 HostApi::IOutputChannel *log);

    // The icon of that name in the icon table, or an empty icon.
    QIcon icon(const QString &name) const;
    // The property at "group.property" (split at the first '.'), or null. The pointer is
    // valid while the record is neither changed nor destroyed.
    const PropertySpec *findProperty(const QString &path) const;

    QString id;
    QString name;
    QString description;
    QString windowTitle;
    QString iconName;
    QString openInIconName;
    QString mainMenuIconName;
    int supportFlags = DefaultSupportFlags;
    int openIn = OpenInNone;
    QList<QKeySequence> hotkeys;
    QString theme;
    QString entry;                  // the entry page's URL
    ScriptBundle *bundle = nullptr;
    bool supportSymbolDrop = false;
    bool supportForwardBack = false;
    bool supportOwnTheme = false;
    bool supportOrderPositionMenu = false;
    bool supportRedirectToExternalLinks = true;
    bool supportStyleTemplates = true;
    bool disableWebSecurity = false;
    bool supportFavorites = false;
    bool isQuorvexApp = false;
    QList<int> supportedSymbolTypes;
    QVersionNumber version = QVersionNumber(0, 0);
    QVersionNumber apiVersion = QVersionNumber(0, 0);
    QList<ActionSpec> actions;
    QList<PropertyPageSpec> propertyPages;
    QList<CommandSpec> commands;
    PropertyGroups objects;
    QMap<QString, QIcon> icons;
    QList<HeaderControlSpec> header;
    QStringList features;
};
