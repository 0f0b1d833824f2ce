#include "folderlist.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

QStringList readFolderList(const QString &file)
{
    QFile device(file);
    if (!device.open(QIODevice::ReadOnly))
        return QStringList();
    QDomDocument document;
    if (!document.setContent(&device))
        return QStringList();
    const QDomNodeList lists = document.elementsByTagName(QStringLiteral("webplugins"));
    if (lists.isEmpty())
        return QStringList();

    const QDir base = QFileInfo(file).absoluteDir();
    QStringList folders;
    const QDomNodeList entries =
        lists.at(0).toElement().elementsByTagName(QStringLiteral("webplugin"));
    for (int i = 0; i < entries.size(); ++i) {
        const QString path = entries.at(i).toElement().attribute(QStringLiteral("path"));
        if (path.isEmpty())
            continue;
        folders.append(QDir::isAbsolutePath(path) ? path
                                                  : QDir::cleanPath(base.absoluteFilePath(path)));
    }
    return folders;
}
