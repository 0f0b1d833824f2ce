#pragma once

#include <QStringList>

// Elements of a folder list nest at most this deep; a deeper list is refused as a whole.
constexpr int MaxFolderListDepth = 64;
// A folder list file holds at most this many bytes.
constexpr qint64 MaxFolderListSize = 1024 * 1024;

// Reads a folder list file:
//   <webplugins>
//     <webplugin path="..."/>   (any depth below the first "webplugins" element)
//   </webplugins>
// Each non-empty "path", in document order: absolute paths unchanged, relative ones resolved
// against the list file's folder. A missing file gives an empty list. A file that is not a
// regular file, is too large or too deep, is not well-formed or has no "webplugins" element
// gives an empty list and *error says why.
QStringList readFolderList(const QString &file, QString *error);
