#include "bundletestutils.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

bool writeFile(const QString &file, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

bool writeFiles(const QString &folder, const FileMap &files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.key().endsWith(QLatin1Char('/'))) {
            if (!QDir(folder).mkpath(it.key()))
                return false;
        } else if (!writeFile(folder + QLatin1Char('/') + it.key(), it.value())) {
            return false;
        }
    }
    return true;
}

FileMap readFiles(const QString &folder)
{
    FileMap files;
    const QDir root(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = root.relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            if (QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                files.insert(name + QLatin1Char('/'), QByteArray());
            continue;
        }
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files.insert(name, file.readAll());
    }
    return files;
}

QByteArray makeZip(const FileMap &entries)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        QuaZipFile file(&zip);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(it.key()));
        file.write(it.value());
        file.close();
    }
    zip.close();
    return bytes;
}

QByteArray png(const QColor &color, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
