#include "folderzip.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <zlib.h>

namespace {

bool addEntry(QuaZip *zip, const QString &name, const QByteArray &data,
              const QFileInfo &source)
{
    QuaZipFile entry(zip);
    QuaZipNewInfo info(name, source.absoluteFilePath());
    if (!entry.open(QIODevice::WriteOnly, info, nullptr, 0, 0, 0))
        return false;
    const bool written = entry.write(data) == data.size();
    entry.close();
    return written && entry.getZipError() == ZIP_OK;
}

// The entry's path below root, or a null string when it is absolute or climbs out.
QString confinedName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || (name.size() > 1 && name.at(1) == QLatin1Char(':'))) {
        return QString();
    }
    const QString clean = QDir::cleanPath(name);
    if (clean == QLatin1String("..") || clean.startsWith(QLatin1String("../"))
        || clean == QLatin1String("."))
        return QString();
    return clean;
}

} // namespace

QByteArray zipFolder(const QString &folder, QString *error)
{
    if (!QFileInfo(folder).isDir()) {
        *error = QStringLiteral("not a folder");
        return QByteArray();
    }
    const QDir root(QFileInfo(folder).absoluteFilePath());
    QStringList names;
    QDirIterator it(root.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(root.relativeFilePath(it.next()));
    names.sort();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("cannot create the archive");
        return QByteArray();
    }
    for (const QString &name : qAsConst(names)) {
        const QFileInfo info(root.filePath(name));
        if (info.isDir()) {
            if (!addEntry(&zip, name + QLatin1Char('/'), QByteArray(), info)) {
                *error = QStringLiteral("cannot add %1").arg(name);
                return QByteArray();
            }
            continue;
        }
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
            return QByteArray();
        }
        if (!addEntry(&zip, name, file.readAll(), info)) {
            *error = QStringLiteral("cannot add %1").arg(name);
            return QByteArray();
        }
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK) {
        *error = QStringLiteral("cannot finish the archive");
        return QByteArray();
    }
    return bytes;
}

bool extractZip(const QByteArray &zipBytes, const QString &folder, QString *error)
{
    const QFileInfo target(folder);
    if (target.exists() && (!target.isDir() || !QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))) {
        *error = QStringLiteral("%1 exists and is not an empty folder").arg(folder);
        return false;
    }

    // The zip library does not open an archive without entries: just its end record.
    const bool empty = zipBytes.size() == 22 && zipBytes.startsWith("PK\x05\x06");
    QByteArray bytes = zipBytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!empty && !zip.open(QuaZip::mdUnzip)) {
        *error = QStringLiteral("not a zip archive");
        return false;
    }
    QStringList names;
    for (bool more = !empty && zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        const QString name = zip.getCurrentFileName();
        if (confinedName(name).isNull()) {
            *error = QStringLiteral("entry '%1' would land outside the folder").arg(name);
            return false;
        }
        names.append(name);
    }
    if (!empty && zip.getZipError() != UNZ_OK) {
        *error = QStringLiteral("damaged zip archive");
        return false;
    }

    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent)) {
        *error = QStringLiteral("cannot create %1").arg(parent);
        return false;
    }
    QTemporaryDir scratch(parent + QLatin1String("/.tessel-unpack-XXXXXX"));
    if (!scratch.isValid()) {
        *error = QStringLiteral("cannot create a folder in %1").arg(parent);
        return false;
    }
    const QDir out(scratch.path());
    for (const QString &name : qAsConst(names)) {
        const QString clean = confinedName(name);
        if (name.endsWith(QLatin1Char('/'))) {
            if (!out.mkpath(clean)) {
                *error = QStringLiteral("cannot create folder %1").arg(clean);
                return false;
            }
            continue;
        }
        if (!zip.setCurrentFile(name)) {
            *error = QStringLiteral("entry '%1' cannot be selected").arg(name);
            return false;
        }
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("entry '%1' cannot be opened").arg(name);
            return false;
        }
        const QByteArray data = entry.readAll();
        entry.close();
        if (entry.getZipError() != UNZ_OK) {
            *error = QStringLiteral("entry '%1' is damaged").arg(name);
            return false;
        }
        out.mkpath(QFileInfo(clean).path());
        QFile file(out.filePath(clean));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            *error = QStringLiteral("cannot write %1: %2").arg(clean, file.errorString());
            return false;
        }
    }
    if (target.exists())
        QDir().rmdir(folder);
    if (!QDir().rename(scratch.path(), folder)) {
        *error = QStringLiteral("cannot move the files to %1").arg(folder);
        return false;
    }
    scratch.setAutoRemove(false);
    return true;
}
