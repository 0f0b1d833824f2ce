#include "securedbundle.h"

#include "archivecache.h"
#include "bundlearchive.h"
#include "bundlelimits.h"
#include "regularfile.h"
#include "securedfile.h"
#include "common/pluginlogline.h"

#include <QFileInfo>

namespace {

// Names that can never be an archive entry: the bundle's root and names outside it.
bool isEntryName(const QString &relative)
{
    return !relative.isEmpty() && relative != QLatin1String(".");
}

} // namespace

SecuredBundle::SecuredBundle(const QString &file, bool decode, HostApi::IOutputChannel *log,
                             std::shared_ptr<ArchiveCache> cache)
    : ScriptBundle(bundlePath(file))
    , m_file(file)
    , m_decode(decode)
    , m_log(log)
    , m_source(QStringLiteral("SecuredBundle"))
    // Alone, the bundle keeps its one archive whatever the budget.
    , m_cache(cache ? std::move(cache) : std::make_shared<ArchiveCache>(0))
{
    archive();
}

SecuredBundle::~SecuredBundle()
{
    m_cache->remove(this);
}

bool SecuredBundle::exists(const QString &name) const
{
    const QString relative = relativeName(name);
    if (!isEntryName(relative))
        return false;
    const BundleArchive *zip = archive();
    return zip && zip->indexOf(relative) >= 0;
}

QByteArray SecuredBundle::read(const QString &name) const
{
    const QString relative = relativeName(name);
    const BundleArchive *zip = isEntryName(relative) ? archive() : nullptr;
    const int index = zip ? zip->indexOf(relative) : -1;
    if (index < 0) {
        log(QStringLiteral("Resource (%1) not found in bundle (%2)")
                .arg(relative.isNull() ? name : relative, path()));
        return QByteArray();
    }
    QString error;
    const QByteArray bytes = zip->read(index, &error);
    if (!error.isNull())
        log(QStringLiteral("Failed to open resource (%1)").arg(relative),
            m_file + QLatin1String(": ") + error);
    return bytes;
}

QString SecuredBundle::bundlePath(const QString &file)
{
    const QFileInfo info(file);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
}

void SecuredBundle::log(const QString &message, const QString &detail) const
{
    pluginLogLine(m_log, m_source, message, detail);
}

BundleArchive *SecuredBundle::archive() const
{
    if (m_failed)
        return nullptr;
    if (BundleArchive *kept = m_cache->find(this))
        return kept;
    std::unique_ptr<BundleArchive> loaded = load();
    if (!loaded) {
        m_failed = true;
        return nullptr;
    }
    return m_cache->insert(this, std::move(loaded));
}

std::unique_ptr<BundleArchive> SecuredBundle::load() const
{
    RegularFile file = RegularFile::read(
        m_file, m_decode ? BundleLimits::MaxSecuredFileSize : BundleLimits::MaxPayloadSize);
    if (!file.isValid()) {
        log(QStringLiteral("Failed to open secured file %1: %2 (%3)")
                .arg(m_file, file.errorString(), QString::number(int(file.error()))));
    }
    QByteArray zip = file.takeBytes();
    if (m_decode) {
        const SecuredFile::Decoded decoded = decodeSecured(std::move(zip), QByteArray());
        if (decoded.result != SecuredFile::Ok) {
            log(QStringLiteral("Failed to decrypt secured file %1: (%2)")
                    .arg(m_file, QString::number(decoded.result)));
        }
        zip = decoded.bytes;
    }
    auto archive = std::make_unique<BundleArchive>(zip);
    if (!archive->isOpen()) {
        // The message alone says that the bytes are no zip; a refused zip gets the reason.
        log(QStringLiteral("Failed to open bundle: %1").arg(m_file),
            archive->isZip() ? archive->errorString() : QString());
        return nullptr;
    }
    return archive;
}
