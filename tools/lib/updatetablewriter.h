#pragma once

#include <updater/versionpattern.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariantList>

// Builds the update table that publishes secured bundles from one server: one plug-in entry
// per bundle, in the order added, each with one update entry for the bundle's own file name,
// its MD5 and SHA-256 (lower-case hexadecimal) and the version range from..to.
class UpdateTableWriter
{
public:
    UpdateTableWriter(const QString &updateServer, const Tessel::Updater::VersionPattern &from,
                      const Tessel::Updater::VersionPattern &to);

    // Adds the bundle at path. False, with *error set and nothing added, when its name is not
    // a plain ".wps" file name, it is not a readable regular file, it is larger than the
    // updater downloads, or a bundle added before has the same name, ignoring case (one file
    // in a plug-in folder on a case-insensitive file system).
    bool addBundle(const QString &path, QString *error);

    // The table as formatted JSON text.
    QByteArray text() const;

private:
    // Both digests of the file, reading it once; false with *error when a read fails.
    static bool digests(const QString &path, QByteArray *md5, QByteArray *sha256, QString *error);

    QString m_updateServer;
    QString m_from;
    QString m_to;
    QVariantList m_plugins;
    QHash<QString, QString> m_pathByName; // case-folded file name -> path given
};
