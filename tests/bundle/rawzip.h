#pragma once

#include <QByteArray>
#include <QVector>

// Zip archives written byte by byte, so that tests can build what no zip writer produces:
// repeated names, sizes that lie, names with NUL bytes, entries that inflate to gigabytes.
struct RawEntry
{
    QByteArray name;
    QByteArray data;        // the bytes as they stand in the archive
    quint16 method = 0;     // 0 stored, 8 deflated, anything else unknown
    quint16 flags = 0;      // general purpose flags
    quint32 crc = 0;        // CRC-32 of the uncompressed bytes
    quint32 size = 0;       // the uncompressed size the directory declares
};

// General purpose flag: the name is UTF-8.
constexpr quint16 Utf8Name = 0x800;

// A stored entry holding data, with its true CRC and size.
RawEntry storedEntry(const QByteArray &name, const QByteArray &data, quint16 flags = 0);

// A deflated entry that inflates to size zero bytes, with its true CRC. One compressed
// mebibyte is repeated, so a gigabyte of content costs about a kilobyte per mebibyte.
RawEntry zeroEntry(const QByteArray &name, quint32 size);

// The archive: local headers and data, the central directory, the end record.
QByteArray rawZip(const QVector<RawEntry> &entries);
