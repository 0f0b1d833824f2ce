#include "securedbundleupdater.h"

#include <application.h>
#include <logservice.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

namespace Tessel {
namespace Updater {

namespace {

constexpr int ProgressLevel = 2;
constexpr int FailureLevel = 3;
constexpr int RemovalLevel = 5;
constexpr int MaxRedirects = 5;
constexpr qint64 HashChunkSize = 1024 * 1024;

void log(int level, const QString &text)
{
    HostApi::LogService *service = QuorvexServiceApi();
    static const int category = service->registerCategory("Tessel.SecuredBundleUpdater");
    service->write(category, level, __FILE__, __LINE__, Q_FUNC_INFO, text);
}

QString hex(const QByteArray &digest)
{
    return QString::fromLatin1(digest.toHex());
}

struct FileHashes
{
    QByteArray md5;
    QByteArray sha256;
};

FileHashes fileHashes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        log(FailureLevel, QLatin1String("Failed to open file:") + QLatin1String(" filePath=") + path
                              + QLatin1String(" errorCode=") + QString::number(file.error())
                              + QLatin1String(" error=") + file.errorString());
        return FileHashes();
    }
    QCryptographicHash md5(QCryptographicHash::Md5);
    QCryptographicHash sha256(QCryptographicHash::Sha256);
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(HashChunkSize);
        if (chunk.isEmpty())
            break;
        md5.addData(chunk);
        sha256.addData(chunk);
    }
    const FileHashes hashes{md5.result(), sha256.result()};
    log(ProgressLevel, QLatin1String("File hash: ") + QLatin1String(" file=") + path
                           + QLatin1String(" hash=") + hex(hashes.md5));
    return hashes;
}

} // namespace

SecuredBundleUpdater::SecuredBundleUpdater(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
    , m_timeLimit(new QTimer(this))
    , m_stall(new QTimer(this))
{
    m_timeLimit->setSingleShot(true);
    m_timeLimit->setInterval(DefaultTimeLimit);
    m_stall->setSingleShot(true);
    m_stall->setInterval(DefaultStallTimeout);
}

SecuredBundleUpdater::~SecuredBundleUpdater() = default;

void SecuredBundleUpdater::setTimeouts(int stallTimeout, int timeLimit)
{
    m_stall->setInterval(stallTimeout);
    m_timeLimit->setInterval(timeLimit);
}

void SecuredBundleUpdater::process(const QString &pluginFolder, const QString &updateServer,
                                   const PluginEntry &entry)
{
    const QString versionText = Application::instance()->currentVersion();
    const VersionPattern version = VersionPattern::fromString(versionText);
    if (!version.isValid()) {
        log(FailureLevel, QLatin1String("Application version is not readable: ") + versionText);
        finish(Failed);
        return;
    }
    if (!PluginEntry::isPlainBundleName(entry.filename)) {
        log(FailureLevel, QLatin1String("Refused plugin file name (not a plain .wps file name): ")
                              + QLatin1String(" filename=") + entry.filename);
        finish(Failed);
        return;
    }
    const UpdateEntry *update = entry.updateFor(version);
    if (!update) {
        removePlugin(pluginFolder, entry.filename);
        return;
    }
    m_localPath = QDir(pluginFolder).filePath(entry.filename);
    m_expectedMd5 = update->md5;
    m_expectedSha256 = update->sha256;
    checkForUpdate(updateServer + update->filename);
}

void SecuredBundleUpdater::checkForUpdate(const QString &url)
{
    const QFileInfo info(m_localPath);
    if (info.isSymLink() || (info.exists() && !info.isFile())) {
        log(FailureLevel, QLatin1String("Refused to update a plugin that is not a regular file: ")
                              + m_localPath);
        finish(Failed);
        return;
    }
    if (!info.exists()) {
        log(ProgressLevel, QStringLiteral("Plugin does not exist, downloading new version."));
        download(url);
        return;
    }
    log(ProgressLevel, QLatin1String("Plugin exists: ") + m_localPath);
    const FileHashes local = fileHashes(m_localPath);
    if (local.md5 == m_expectedMd5
        && (m_expectedSha256.isEmpty() || local.sha256 == m_expectedSha256)) {
        log(ProgressLevel, QLatin1String("Calculated hash equals to hash from config: ") + m_localPath);
        finish(Kept);
        return;
    }
    log(ProgressLevel, QLatin1String("Hashes mismatch, downloading new version: ")
                           + QLatin1String(" localPluginFilename=") + m_localPath
                           + QLatin1String(" actualLocalHash=") + hex(local.md5)
                           + QLatin1String(" expectedHash=") + hex(m_expectedMd5));
    download(url);
}

void SecuredBundleUpdater::download(const QString &url)
{
    const QUrl target(url, QUrl::StrictMode);
    const QString scheme = target.scheme();
    if (!target.isValid() || target.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        log(FailureLevel, QLatin1String("Download refused: ") + QLatin1String(" url=") + url
                              + QLatin1String(" reason=not an http or https URL"));
        finish(Failed);
        return;
    }
    const bool connected = connect(m_manager, &QNetworkAccessManager::finished, this,
                                   &SecuredBundleUpdater::onReplyFinished);
    HOSTAPI_ASSERT(connected, finish(Failed); return);

    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    QNetworkReply *reply = m_manager->get(request);
    const QString tooLarge = QStringLiteral("larger than %1 MiB").arg(MaxDownloadSize >> 20);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply, tooLarge] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > MaxDownloadSize)
            refuseDownload(reply, tooLarge);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, tooLarge] {
        m_stall->start();
        if (reply->bytesAvailable() > MaxDownloadSize)
            refuseDownload(reply, tooLarge);
    });
    connect(m_stall, &QTimer::timeout, reply, [this, reply] {
        refuseDownload(reply, QStringLiteral("no data for %1 s").arg(m_stall->interval() / 1000.0));
    });
    connect(m_timeLimit, &QTimer::timeout, reply, [this, reply] {
        refuseDownload(reply, QStringLiteral("not done after %1 s").arg(m_timeLimit->interval() / 1000.0));
    });
    m_stall->start();
    m_timeLimit->start();
}

void SecuredBundleUpdater::refuseDownload(QNetworkReply *reply, const QString &reason)
{
    if (!m_refusal.isEmpty() || reply->isFinished())
        return;
    m_refusal = reason;
    reply->abort();
}

void SecuredBundleUpdater::onReplyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    m_stall->stop();
    m_timeLimit->stop();
    const QString url = reply->request().url().toString();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!m_refusal.isEmpty()) {
        log(FailureLevel, QLatin1String("Download refused: ") + QLatin1String(" url=") + url
                              + QLatin1String(" reason=") + m_refusal);
        finish(Failed);
    } else if (reply->error() != QNetworkReply::NoError) {
        log(FailureLevel, QLatin1String("Network error: ") + QLatin1String(" errorCode=")
                              + QString::number(reply->error()) + QLatin1String(" error=")
                              + reply->errorString());
        finish(Failed);
    } else if (status.isValid() && status.toInt() / 100 != 2) {
        log(FailureLevel, QLatin1String("Download refused: ") + QLatin1String(" url=") + url
                              + QLatin1String(" reason=HTTP status ") + status.toString());
        finish(Failed);
    } else {
        const QByteArray content = reply->readAll();
        // A connection closed early can look like the end of the body.
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() != content.size()) {
            log(FailureLevel, QLatin1String("Download refused: ") + QLatin1String(" url=") + url
                                  + QStringLiteral(" reason=incomplete, %1 of %2 bytes")
                                        .arg(content.size()).arg(length.toLongLong()));
            finish(Failed);
            return;
        }
        writePlugin(content);
    }
}

void SecuredBundleUpdater::writePlugin(const QByteArray &content)
{
    log(ProgressLevel, QLatin1String("Received content size: ") + QString::number(content.size()));
    const QByteArray md5 = QCryptographicHash::hash(content, QCryptographicHash::Md5);
    if (md5 != m_expectedMd5) {
        log(FailureLevel, QLatin1String("Received content hash and expected hash from config are different: ")
                              + QLatin1String(" expected=") + hex(m_expectedMd5)
                              + QLatin1String(" actual=") + hex(md5));
        finish(Failed);
        return;
    }
    if (!m_expectedSha256.isEmpty()) {
        const QByteArray sha256 = QCryptographicHash::hash(content, QCryptographicHash::Sha256);
        if (sha256 != m_expectedSha256) {
            log(FailureLevel, QLatin1String("Received content sha256 and expected sha256 from config are different: ")
                                  + QLatin1String(" expected=") + hex(m_expectedSha256)
                                  + QLatin1String(" actual=") + hex(sha256));
            finish(Failed);
            return;
        }
    }
    log(ProgressLevel, QLatin1String("Trying to rewrite plugin file:") + m_localPath);
    // A link put in place during the download is not followed.
    if (QFileInfo(m_localPath).isSymLink()) {
        log(FailureLevel, QLatin1String("Refused to update a plugin that is not a regular file: ")
                              + m_localPath);
        finish(Failed);
        return;
    }
    QSaveFile file(m_localPath);
    if (!file.open(QIODevice::WriteOnly)) {
        log(FailureLevel, QLatin1String("Failed to open file: ") + QLatin1String(" file=") + m_localPath
                              + QLatin1String(" errorCode=") + QString::number(file.error())
                              + QLatin1String(" error=") + file.errorString());
        finish(Failed);
        return;
    }
    if (file.write(content) != content.size() || !file.commit()) {
        log(FailureLevel, QLatin1String("Failed to write file: ") + QLatin1String(" file=") + m_localPath
                              + QLatin1String(" errorCode=") + QString::number(file.error())
                              + QLatin1String(" error=") + file.errorString());
        finish(Failed);
        return;
    }
    finish(Downloaded);
}

void SecuredBundleUpdater::removePlugin(const QString &pluginFolder, const QString &fileName)
{
    const QFileInfo info(QDir(pluginFolder).filePath(fileName));
    if (!info.exists() && !info.isSymLink()) {
        finish(Kept);
        return;
    }
    // QFile::remove unlinks a symbolic link itself, never its target.
    const QString path = info.absoluteFilePath();
    log(RemovalLevel, QLatin1String("Removing plugin: ") + path);
    if (!QFile::remove(path)) {
        log(FailureLevel, QLatin1String("Failed to remove plugin:") + path);
        finish(Failed);
        return;
    }
    finish(Removed);
}

void SecuredBundleUpdater::finish(Outcome outcome)
{
    HOSTAPI_ASSERT(m_outcome == Pending, return);
    m_outcome = outcome;
    emit finished();
}

} // namespace Updater
} // namespace Tessel
