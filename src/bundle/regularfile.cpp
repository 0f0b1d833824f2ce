#include "regularfile.h"

#include "bundlelimits.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes asked for at a time once the size the file had when opened has been read.
constexpr qint64 ChunkSize = 64 * 1024;

QString tooLarge(qint64 maxSize)
{
    return QStringLiteral("larger than the limit of %1").arg(BundleLimits::limitText(maxSize));
}

} // namespace

RegularFile::RegularFile(QFileDevice::FileError error, const QString &errorString)
    : m_error(error)
    , m_errorString(errorString)
{
}

RegularFile::RegularFile(const QByteArray &bytes)
    : m_bytes(bytes)
{
}

RegularFile RegularFile::read(const QString &path, qint64 maxSize)
{
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return RegularFile(QFileDevice::OpenError, qt_error_string(errno));
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return RegularFile(QFileDevice::OpenError, QStringLiteral("not a regular file"));
    }
    if (status.st_size > maxSize) {
        ::close(fd);
        return RegularFile(QFileDevice::OpenError, tooLarge(maxSize));
    }

    QFile device;
    device.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
    // A file that grows while it is read is read on, up to one byte over the limit.
    QByteArray bytes;
    for (qint64 want = status.st_size + 1; bytes.size() <= maxSize; want = ChunkSize) {
        const QByteArray chunk = device.read(qMin(want, maxSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (device.error() != QFileDevice::NoError)
        return RegularFile(QFileDevice::ReadError, device.errorString());
    if (bytes.size() > maxSize)
        return RegularFile(QFileDevice::OpenError, tooLarge(maxSize));
    return RegularFile(bytes);
}
