#pragma once

#include <QStringList>

// Reads a folder list file:
//   <webplugins>
//     <webplugin path="..."/>   (any depth below the first "webplugins" element)
//   </webplugins>
// Each non-empty "path", in document order: absolute paths unchanged, relative ones resolved
// against the list file's folder. A file that cannot be opened or parsed, or that has no
// "webplugins" element, gives an empty list.
QStringList readFolderList(const QString &file);
