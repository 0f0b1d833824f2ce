#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Files of a test bundle: relative name → content.
using FileMap = QMap<QString, QByteArray>;

// Writes files below folder, creating sub-folders; false on any failure.
bool writeFiles(const QString &folder, const FileMap &files);
// Reads every file below folder back into a map.
FileMap readFiles(const QString &folder);
// A zip archive of the given entries (a name ending in "/" is a folder entry).
QByteArray makeZip(const FileMap &entries);
// Writes bytes to a file; false on failure.
bool writeFile(const QString &file, const QByteArray &bytes);
