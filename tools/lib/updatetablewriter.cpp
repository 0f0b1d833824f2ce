#include "updatetablewriter.h"

#include <common/jsonwriter.h>
#include <updater/securedbundleupdater.h>
#include <updater/updatetable.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

using Tessel::Updater::PluginEntry;
using Tessel::Updater::SecuredBundleUpdater;
using Tessel::Updater::VersionPattern;

namespace {

constexpr qint64 ReadChunk = 1024 * 1024;
constexpr qint64 MiB = 1024 * 1024;

} // namespace

UpdateTableWriter::UpdateTableWriter(const QString &updateServer, const VersionPattern &from,
                                     const VersionPattern &to)
    : m_updateServer(updateServer)
    , m_from(from.toString())
    , m_to(to.toString())
{
}

bool UpdateTableWriter::addBundle(const QString &path, QString *error)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!PluginEntry::isPlainBundleName(name)) {
        *error = QStringLiteral("not a plain file name ending in \".wps\"");
        return false;
    }
    if (info.isDir()) {
        *error = QStringLiteral("is a folder");
        return false;
    }
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("not a regular file");
        return false;
    }
    if (info.size() > SecuredBundleUpdater::MaxDownloadSize) {
        *error = QStringLiteral("larger than %1 MiB, the most the updater downloads")
                     .arg(SecuredBundleUpdater::MaxDownloadSize / MiB);
        return false;
    }
    const QString folded = name.toCaseFolded();
    const auto earlier = m_pathByName.constFind(folded);
    if (earlier != m_pathByName.constEnd()) {
        *error = QStringLiteral("same file name as %1").arg(earlier.value());
        return false;
    }
    QByteArray md5, sha256;
    if (!digests(path, &md5, &sha256, error))
        return false;

    const QVariantMap update{
        {QStringLiteral("filename"), name},
        {QStringLiteral("md5"), QString::fromLatin1(md5.toHex())},
        {QStringLiteral("sha256"), QString::fromLatin1(sha256.toHex())},
        {QStringLiteral("versionFrom"), m_from},
        {QStringLiteral("versionTo"), m_to},
    };
    m_plugins.append(QVariantMap{{QStringLiteral("filename"), name},
                                 {QStringLiteral("updates"), QVariantList{update}}});
    m_pathByName.insert(folded, path);
    return true;
}

QByteArray UpdateTableWriter::text() const
{
    const QVariantMap table{{QStringLiteral("updateServer"), m_updateServer},
                            {QStringLiteral("plugins"), m_plugins}};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Common::writeJson(table, &buffer);
    return buffer.data();
}

bool UpdateTableWriter::digests(const QString &path, QByteArray *md5, QByteArray *sha256,
                                QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QCryptographicHash md5Hash(QCryptographicHash::Md5);
    QCryptographicHash sha256Hash(QCryptographicHash::Sha256);
    for (;;) {
        const QByteArray chunk = file.read(ReadChunk);
        if (file.error() != QFileDevice::NoError) {
            *error = file.errorString();
            return false;
        }
        if (chunk.isEmpty())
            break;
        md5Hash.addData(chunk);
        sha256Hash.addData(chunk);
    }
    *md5 = md5Hash.result();
    *sha256 = sha256Hash.result();
    return true;
}
