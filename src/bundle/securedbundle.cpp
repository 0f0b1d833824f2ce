#include "securedbundle.h"

#include "securedfile.h"
#include "common/pluginlogline.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

SecuredBundle::SecuredBundle(const QString &file, bool decode, HostApi::IOutputChannel *log)
    : ScriptBundle(bundlePath(file))
    , m_buffer(new QBuffer)
    , m_log(log)
    , m_source(QStringLiteral("SecuredBundle"))
{
    QFile device(file);
    if (!device.open(QIODevice::ReadOnly)) {
        this->log(QStringLiteral("Failed to open secured file %1: %2 (%3)")
                      .arg(file, device.errorString(), QString::number(int(device.error()))));
    }
    const QByteArray content = device.isOpen() ? device.readAll() : QByteArray();
    if (decode) {
        const SecuredFile::Decoded decoded = decodeSecured(content, QByteArray());
        if (decoded.result != SecuredFile::Ok)
            this->log(QStringLiteral("Failed to decrypt secured file %1: (%2)")
                          .arg(file, QString::number(decoded.result)));
        m_zipBytes = decoded.bytes;
    } else {
        m_zipBytes = content;
    }

    m_buffer->setBuffer(&m_zipBytes);
    m_buffer->open(QIODevice::ReadOnly);
    m_zip.reset(new QuaZip(m_buffer.get()));
    if (!m_zip->open(QuaZip::mdUnzip))
        this->log(QStringLiteral("Failed to open bundle: %1").arg(file));
}

SecuredBundle::~SecuredBundle()
{
    m_zip.reset();
}

bool SecuredBundle::exists(const QString &name) const
{
    const QString relative = relativeName(name);
    if (relative.isNull() || !selectEntry(relative))
        return false;
    QuaZipFileInfo64 info;
    return m_zip->getCurrentFileInfo(&info);
}

QByteArray SecuredBundle::read(const QString &name) const
{
    const QString relative = relativeName(name);
    if (relative.isNull() || !selectEntry(relative)) {
        log(QStringLiteral("Resource (%1) not found in bundle (%2)")
                .arg(relative.isNull() ? name : relative, path()));
        return QByteArray();
    }
    QuaZipFile entry(m_zip.get());
    if (!entry.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("Failed to open resource (%1)").arg(relative));
        return QByteArray();
    }
    return entry.readAll();
}

QString SecuredBundle::bundlePath(const QString &file)
{
    const QFileInfo info(file);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
}

void SecuredBundle::log(const QString &message) const
{
    pluginLogLine(m_log, m_source, message, QString());
}

bool SecuredBundle::selectEntry(const QString &relative) const
{
    if (relative.isEmpty() || relative == QLatin1String(".") || !m_zip->isOpen())
        return false;
    return m_zip->setCurrentFile(relative, QuaZip::csInsensitive);
}
