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

    // One plug-in output line of the reader and the manifest key it is about: a path such as
    // "objects.display.accent.theme" or "icons.app", empty for the manifest as a whole.
    struct Problem
    {
        QString keyPath;
        QString line;
    };

    // An empty record when the manifest cannot be used; then *problem, when given, says why
    // in a sentence such as "the manifest gives no plug-in id: \"id\" is missing".
    ScriptPluginSpec read(const QString &fileName, QString *problem = nullptr);
    // Every line written to the log channel so far, in order, for tools that report them by key.
    const QList<Problem> &problems() const { return m_problems; }

    // The manifest's names of values, for tools that describe a record.
    static QStringList supportFlagNames(int flags);
    static QString openInName(int openIn);
    static QString symbolTypeName(int symbolType);
    static QString propertyTypeName(int type);

private:
    void log(const QString &keyPath, const QString &message, const QString &detail);

    bool readLocalised(const QVariantMap &map, const QString &key, QString *out) const;
    // lookup gives a name's value, or -1 for a name outside the value table. keyPath is the
    // key's place in the manifest, for the log.
    bool readEnum(const QVariantMap &map, const QString &key, const QString &keyPath,
                  int (*lookup)(const QString &), int *out);
    QVersionNumber readVersion(const QVariantMap &map, const QString &key);
    QList<int> readSymbolTypes(const QVariantMap &map, const QString &key);
    QMap<QString, QVariantMap> readObjects(const QVariantMap &map, const QString &key);

    QList<ActionSpec> readActions(const QVariantMap &root);
    QList<PropertyPageSpec> readPropertyPages(const QVariantMap &root);
    PropertyBindingSpec readBinding(const QVariantMap &map) const;
    QList<CommandSpec> readCommands(const QVariantMap &root);
    PropertyGroups readPropertyGroups(const QVariantMap &root);
    // keyPath is the definition's place in the manifest, "objects.GROUP.ID".
    std::optional<PropertySpec> readProperty(const QString &keyPath, const QString &id,
                                             const QVariant &value);
    QList<PropertyEnum> readPropertyEnum(const QVariantMap &map, int type) const;
    QMap<QString, QIcon> readIcons(const QVariantMap &root);
    // keyPath is the place in the manifest of the icon the files are read for.
    QIcon buildIcon(const QString &keyPath, const QStringList &files);
    void addIconFile(const QString &keyPath, ImageIconEngine *engine, const QString &name);
    // The decoded image of a bundle file; null, logged on first use, when it cannot be used.
    QImage iconImage(const QString &keyPath, const QString &path);
    QList<HeaderControlSpec> readHeader(const QVariantMap &root) const;

    ScriptBundle *m_bundle;
    QString m_theme;
    QString m_locale;
    HostApi::IOutputChannel *m_log;
    QHash<QString, QImage> m_images;       // bundle file → decoded image, null when refused
    QMap<QStringList, QIcon> m_icons;      // the files of an icon → the icon
    QList<Problem> m_problems;
};
