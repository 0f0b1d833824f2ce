#include "folderlist.h"

#include "regularfile.h"

#include <QDir>
#include <QFileInfo>
#include <QXmlStreamReader>

QStringList readFolderList(const QString &file, QString *error)
{
    const QFileInfo info(file);
    if (!info.exists())
        return QStringList();
    const RegularFile content = RegularFile::read(file, MaxFolderListSize);
    if (!content.isValid()) {
        *error = content.errorString();
        return QStringList();
    }

    const QDir base = info.absoluteDir();
    QStringList folders;
    bool listSeen = false;
    int listDepth = 0;   // the depth of the first "webplugins" element while inside it
    int depth = 0;
    QXmlStreamReader reader(content.bytes());
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isEndElement()) {
            if (depth == listDepth)
                listDepth = 0;
            --depth;
            continue;
        }
        if (!reader.isStartElement())
            continue;
        if (++depth > MaxFolderListDepth) {
            *error = QStringLiteral("elements nested deeper than %1 levels (line %2)")
                         .arg(MaxFolderListDepth)
                         .arg(reader.lineNumber());
            return QStringList();
        }
        if (!listSeen && reader.qualifiedName() == QLatin1String("webplugins")) {
            listSeen = true;
            listDepth = depth;
        } else if (listDepth > 0 && reader.qualifiedName() == QLatin1String("webplugin")) {
            const QString path = reader.attributes().value(QLatin1String("path")).toString();
            if (!path.isEmpty()) {
                folders.append(QDir::isAbsolutePath(path)
                                   ? path
                                   : QDir::cleanPath(base.absoluteFilePath(path)));
            }
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("not well-formed: %1 (line %2, column %3)")
                     .arg(reader.errorString())
                     .arg(reader.lineNumber())
                     .arg(reader.columnNumber());
        return QStringList();
    }
    if (!listSeen) {
        *error = QStringLiteral("no \"webplugins\" element");
        return QStringList();
    }
    return folders;
}
