#pragma once

#include <QByteArray>
#include <QColor>
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
// A PNG file of one colour.
QByteArray png(const QColor &color, int width = 16, int height = 16);
