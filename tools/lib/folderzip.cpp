#include "folderzip.h"

#include <bundle/bundlearchive.h>
#include <bundle/bundlelimits.h>
#include <bundle/regularfile.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <zlib.h>

#include <memory>

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

// Checks that every entry lands inside the folder, each on a file of its own.
bool checkNames(const BundleArchive &archive, QString *error)
{
    QHash<QString, QString> landed;   // case-folded place → the entry that lands there
    for (int i = 0; i < archive.count(); ++i) {
        const QString name = archive.name(i);
        const QString clean = confinedName(name);
        if (clean.isNull()) {
            *error = QStringLiteral("entry '%1' would land outside the folder").arg(name);
            return false;
        }
        const QString place = clean.toCaseFolded();
        if (landed.contains(place)) {
            *error = QStringLiteral("entries '%1' and '%2' would be written to the same place")
                         .arg(landed.value(place), name);
            return false;
        }
        landed.insert(place, name);
    }
    return true;
}

// Writes all of data to a new file; false with *error set when any of it did not reach it.
// Unbuffered, a write that stops short is followed by one that reports why.
bool writeWhole(const QString &path, const QByteArray &data, QString *error)
{
    QFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; written && done < data.size();) {
        const qint64 count = file.write(data.constData() + done, data.size() - done);
        written = count > 0;
        done += count;
    }
    if (written) {
        file.close();
        written = file.error() == QFileDevice::NoError;
    }
    if (!written)
        *error = file.errorString();
    return written;
}

// Lists the entries below folder as names relative to the root (prefix ends in "/" or is
// empty), following links that stay inside the root, whose canonical path with "/" is inside.
// chain holds the canonical paths of the folders being listed, so a link back to one of them
// is caught instead of being followed for ever.
bool listEntries(const QString &folder, const QString &prefix, const QString &inside,
                 const QStringList &chain, QStringList *names, QString *error)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString name = prefix + entry.fileName();
        const QString target = entry.canonicalFilePath();
        if (entry.isDir() && chain.contains(target)) {
            *error = QStringLiteral("'%1' is a link to a folder that holds it").arg(name);
            return false;
        }
        if (!target.isEmpty() && !target.startsWith(inside)) {
            *error = QStringLiteral("'%1' is a link that leads out of the folder").arg(name);
            return false;
        }
        names->append(name);
        if (entry.isDir()
            && !listEntries(entry.filePath(), name + QLatin1Char('/'), inside,
                            chain + QStringList{target}, names, error)) {
            return false;
        }
    }
    return true;
}

// A new folder is written whole into a hidden scratch folder beside it (makeScratch), which
// takes its name at the end (moveInPlace). The target may exist only as an empty folder.
bool canMakeFolder(const QString &folder, QString *error)
{
    const QFileInfo target(folder);
    if (target.exists() && (!target.isDir() || !QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))) {
        *error = QStringLiteral("%1 exists and is not an empty folder").arg(folder);
        return false;
    }
    return true;
}

std::unique_ptr<QTemporaryDir> makeScratch(const QString &folder, QString *error)
{
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent)) {
        *error = QStringLiteral("cannot create %1").arg(parent);
        return nullptr;
    }
    auto scratch = std::make_unique<QTemporaryDir>(parent + QLatin1String("/.tessel-XXXXXX"));
    if (!scratch->isValid()) {
        *error = QStringLiteral("cannot create a folder in %1").arg(parent);
        return nullptr;
    }
    return scratch;
}

bool moveInPlace(QTemporaryDir *scratch, const QString &folder, QString *error)
{
    if (QFileInfo::exists(folder))
        QDir().rmdir(folder);
    if (!QDir().rename(scratch->path(), folder)) {
        *error = QStringLiteral("cannot move the files to %1").arg(folder);
        return false;
    }
    scratch->setAutoRemove(false);
    return true;
}

} // namespace

QByteArray zipFolder(const QString &folder, QString *error)
{
    const QFileInfo top(folder);
    if (!top.isDir()) {
        *error = QStringLiteral("not a folder");
        return QByteArray();
    }
    const QDir root(top.absoluteFilePath());
    const QString canonicalRoot = top.canonicalFilePath();
    QStringList names;
    if (!listEntries(root.path(), QString(), canonicalRoot + QLatin1Char('/'),
                     QStringList{canonicalRoot}, &names, error)) {
        return QByteArray();
    }
    names.sort();
    QHash<QString, QString> folded;
    for (const QString &name : qAsConst(names)) {
        const QString key = name.toCaseFolded();
        if (folded.contains(key)) {
            *error = QStringLiteral("'%1' and '%2' differ only in case, which a bundle refuses")
                         .arg(folded.value(key), name);
            return QByteArray();
        }
        folded.insert(key, name);
    }

    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("cannot create the archive");
        return QByteArray();
    }
    qint64 total = 0;
    for (const QString &name : qAsConst(names)) {
        const QFileInfo info(root.filePath(name));
        if (info.isDir()) {
            if (!addEntry(&zip, name + QLatin1Char('/'), QByteArray(), info)) {
                *error = QStringLiteral("cannot add %1").arg(name);
                return QByteArray();
            }
            continue;
        }
        const RegularFile file = RegularFile::read(info.filePath(), BundleLimits::MaxEntrySize);
        if (!file.isValid()) {
            *error = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
            return QByteArray();
        }
        total += file.bytes().size();
        if (total > BundleLimits::MaxBundleSize) {
            *error = QStringLiteral("its files hold more than %1 together, the limit of a bundle")
                         .arg(BundleLimits::limitText(BundleLimits::MaxBundleSize));
            return QByteArray();
        }
        if (!addEntry(&zip, name, file.bytes(), info)) {
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
    if (!canMakeFolder(folder, error))
        return false;
    const BundleArchive archive(zipBytes);
    if (!archive.isOpen()) {
        *error = archive.errorString();
        return false;
    }
    if (!checkNames(archive, error))
        return false;

    const std::unique_ptr<QTemporaryDir> scratch = makeScratch(folder, error);
    if (!scratch)
        return false;
    const QDir out(scratch->path());
    for (int i = 0; i < archive.count(); ++i) {
        const QString name = archive.name(i);
        const QString clean = confinedName(name);
        if (name.endsWith(QLatin1Char('/'))) {
            if (!out.mkpath(clean)) {
                *error = QStringLiteral("cannot create folder %1").arg(clean);
                return false;
            }
            continue;
        }
        QString failure;
        const QByteArray data = archive.read(i, &failure);
        if (!failure.isNull()) {
            *error = failure;
            return false;
        }
        out.mkpath(QFileInfo(clean).path());
        if (!writeWhole(out.filePath(clean), data, &failure)) {
            *error = QStringLiteral("cannot write %1: %2").arg(clean, failure);
            return false;
        }
    }
    return moveInPlace(scratch.get(), folder, error);
}

bool writeNewFolder(const QMap<QString, QByteArray> &files, const QString &folder,
                    QString *error)
{
    if (!canMakeFolder(folder, error))
        return false;
    const std::unique_ptr<QTemporaryDir> scratch = makeScratch(folder, error);
    if (!scratch)
        return false;
    const QDir out(scratch->path());
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QString failure;
        if (!out.mkpath(QFileInfo(it.key()).path())) {
            *error = QStringLiteral("cannot create folder %1").arg(QFileInfo(it.key()).path());
            return false;
        }
        if (!writeWhole(out.filePath(it.key()), it.value(), &failure)) {
            *error = QStringLiteral("cannot write %1: %2").arg(it.key(), failure);
            return false;
        }
    }
    return moveInPlace(scratch.get(), folder, error);
}
