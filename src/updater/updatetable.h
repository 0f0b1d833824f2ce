#pragma once

#include "versionpattern.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace Tessel {
namespace Updater {

// One published build of a plug-in: where to download it and which application versions
// it serves.
struct UpdateEntry
{
    QString filename;       // appended to the update server to form the URL
    QByteArray md5;         // decoded digest
    QByteArray sha256;      // decoded digest; empty when the table gives none
    VersionPattern versionFrom;
    VersionPattern versionTo;
};

// One plug-in of the table: its ".wps" file in the plug-in folder and its builds.
struct PluginEntry
{
    QString filename;
    QList<UpdateEntry> updates;

    // Whether filename is a plain file name ending in ".wps": no folder part, no "..", no
    // drive, no control character.
    static bool isPlainBundleName(const QString &name);
    // The first update whose range covers version; null when none does.
    const UpdateEntry *updateFor(const VersionPattern &version) const;
};

// The table of published web plug-ins ("webplugins.ctab").
struct UpdateTable
{
    QString updateServer;
    QList<PluginEntry> plugins;

    // Reads the JSON form. A missing key, a value of another type or an unreadable version
    // anywhere makes the whole table invalid: false, with *error naming the place.
    static bool read(const QVariant &json, UpdateTable *table, QString *error);
};

} // namespace Updater
} // namespace Tessel
