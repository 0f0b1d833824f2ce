#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// The whole content of a file that is a regular file no larger than a limit. Folders, FIFOs,
// sockets and devices are refused before a byte is read, so that a FIFO put where a file
// belongs cannot block the reader, nor a device feed it without end.
class RegularFile
{
public:
    static RegularFile read(const QString &path, qint64 maxSize);

    bool isValid() const { return m_error == QFileDevice::NoError; }
    QByteArray bytes() const { return m_bytes; }
    // The content, which the file no longer holds: its only copy can then be changed in place.
    QByteArray takeBytes() { return std::move(m_bytes); }
    // OpenError when the file is missing, not a regular file or too large; ReadError when
    // reading it failed.
    QFileDevice::FileError error() const { return m_error; }
    QString errorString() const { return m_errorString; }

private:
    RegularFile(QFileDevice::FileError error, const QString &errorString);
    explicit RegularFile(const QByteArray &bytes);

    QByteArray m_bytes;
    QFileDevice::FileError m_error = QFileDevice::NoError;
    QString m_errorString;
};
