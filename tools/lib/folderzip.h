#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Zips every file and folder below folder (names relative to it, "/" separated, sorted;
// entries stored uncompressed, since the secured container compresses the whole zip).
// Symbolic links are followed while they stay inside the folder; a link that leaves it, a
// file that is not a regular file, names that differ only in case and files over the bundle
// limits refuse the folder. On failure returns a null array and sets *error.
QByteArray zipFolder(const QString &folder, QString *error);

// Extracts zip bytes into folder, which must not exist yet or be empty. The archive is
// checked first as the host checks it (BundleArchive), and every name must land inside folder
// on a place of its own; any failure refuses the whole archive. Extraction goes to a
// temporary sibling folder that is renamed at the end, so a failure, a short write included,
// leaves nothing.
bool extractZip(const QByteArray &zip, const QString &folder, QString *error);

// Writes files (relative name → content) into folder, which must not exist yet or be empty,
// the same all-or-nothing way as extractZip.
bool writeNewFolder(const QMap<QString, QByteArray> &files, const QString &folder,
                    QString *error);
