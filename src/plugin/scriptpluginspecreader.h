#pragma once

#include "scriptpluginspec.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

class ImageIconEngine;
class ScriptBundle;
namespace HostApi { class IOutputChannel; }

// Reads a manifest (plugin.spec) into a ScriptPluginSpec. Never throws: every problem is one
// plug-in output line with the source "specparser", and the value in question keeps its
// default or the item is skipped. A key that is absent or of another JSON type is ignored
// silently unless a message is documented for it. Each image file of the bundle is decoded
// at most once per reader, and icons made of the same files share one QIcon.
class ScriptPluginSpecReader
{
public:
    // Icon images larger than this on either side are refused: icons are small, and the
    // decoded image of a small compressed file could otherwise exhaust memory.
    static constexpr int MaxIconSide = 2048;

    // The bundle and the log channel are not owned; the channel may be null.
    ScriptPluginSpecReader(ScriptBundle *bundle, const QString &theme, const QString &locale,
                           HostApi::IOutputChannel *log);

    // An empty record when the manifest cannot be used; then *problem, when given, says why
    // in a sentence such as "the manifest gives no plug-in id: \"id\" is missing".
    ScriptPluginSpec read(const QString &fileName, QString *problem = nullptr);

    // The manifest's names of values, for tools that describe a record.
    static QStringList supportFlagNames(int flags);
    static QString openInName(int openIn);
    static QString symbolTypeName(int symbolType);
    static QString propertyTypeName(int type);

private:
    void log(const QString &message, const QString &detail) const;

    bool readLocalised(const QVariantMap &map, const QString &key, QString *out) const;
    // lookup gives a name's value, or -1 for a name outside the value table.
    bool readEnum(const QVariantMap &map, const QString &key, int (*lookup)(const QString &),
                  int *out) const;
    QVersionNumber readVersion(const QVariantMap &map, const QString &key) const;
    QList<int> readSymbolTypes(const QVariantMap &map, const QString &key) const;
    QMap<QString, QVariantMap> readObjects(const QVariantMap &map, const QString &key) const;

    QList<ActionSpec> readActions(const QVariantMap &root) const;
    QList<PropertyPageSpec> readPropertyPages(const QVariantMap &root) const;
    PropertyBindingSpec readBinding(const QVariantMap &map) const;
    QList<CommandSpec> readCommands(const QVariantMap &root) const;
    PropertyGroups readPropertyGroups(const QVariantMap &root) const;
    std::optional<PropertySpec> readProperty(const QString &id, const QVariant &value) const;
    QList<PropertyEnum> readPropertyEnum(const QVariantMap &map, int type) const;
    QMap<QString, QIcon> readIcons(const QVariantMap &root);
    QIcon buildIcon(const QStringList &files);
    void addIconFile(ImageIconEngine *engine, const QString &name);
    // The decoded image of a bundle file; null, logged on first use, when it cannot be used.
    QImage iconImage(const QString &path);
    QList<HeaderControlSpec> readHeader(const QVariantMap &root) const;

    ScriptBundle *m_bundle;
    QString m_theme;
    QString m_locale;
    HostApi::IOutputChannel *m_log;
    QHash<QString, QImage> m_images;       // bundle file → decoded image, null when refused
    QMap<QStringList, QIcon> m_icons;      // the files of an icon → the icon
};
