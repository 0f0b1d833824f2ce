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

    // A file that grows while it is read is read on, up to one byte over the limit.
    QByteArray bytes(int(qMin<qint64>(status.st_size + 1, maxSize + 1)), Qt::Uninitialized);
    qint64 size = 0;
    for (;;) {
        if (size == bytes.size()) {
            if (size > maxSize)
                break;
            bytes.resize(int(qMin(size + ChunkSize, maxSize + 1)));
        }
        const ssize_t got = ::read(fd, bytes.data() + size, size_t(bytes.size() - size));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const QString error = qt_error_string(errno);
            ::close(fd);
            return RegularFile(QFileDevice::ReadError, error);
        }
        if (got == 0)
            break;
        size += got;
    }
    ::close(fd);
    bytes.truncate(int(size));
    if (size > maxSize)
        return RegularFile(QFileDevice::OpenError, tooLarge(maxSize));
    return RegularFile(bytes);
}
