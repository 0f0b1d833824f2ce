#include "rawzip.h"

#include <QDataStream>

#include <zlib.h>

namespace {

constexpr int Mebibyte = 1024 * 1024;

// Raw deflate of input, ending with the given flush: Z_FULL_FLUSH leaves the stream open and
// independent of what came before, Z_FINISH ends it.
QByteArray deflateChunk(z_stream *stream, const QByteArray &input, int flush)
{
    QByteArray output(int(deflateBound(stream, uLong(input.size()))) + 64, Qt::Uninitialized);
    stream->next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
    stream->avail_in = uInt(input.size());
    stream->next_out = reinterpret_cast<Bytef *>(output.data());
    stream->avail_out = uInt(output.size());
    deflate(stream, flush);
    output.truncate(output.size() - int(stream->avail_out));
    return output;
}

quint32 crcOf(const QByteArray &bytes)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
}

} // namespace

RawEntry storedEntry(const QByteArray &name, const QByteArray &data, quint16 flags)
{
    RawEntry entry;
    entry.name = name;
    entry.flags = flags;
    entry.data = data;
    entry.crc = crcOf(data);
    entry.size = quint32(data.size());
    return entry;
}

RawEntry zeroEntry(const QByteArray &name, quint32 size)
{
    const QByteArray zeros(Mebibyte, '\0');
    const QByteArray tail(int(size % Mebibyte), '\0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    const QByteArray unit = deflateChunk(&stream, zeros, Z_FULL_FLUSH);
    const QByteArray end = deflateChunk(&stream, tail, Z_FINISH);
    deflateEnd(&stream);

    RawEntry entry;
    entry.name = name;
    entry.method = Z_DEFLATED;
    entry.size = size;
    const uLong unitCrc = crcOf(zeros);
    uLong crc = 0;
    for (quint32 i = 0; i < size / Mebibyte; ++i)
        crc = crc32_combine(crc, unitCrc, Mebibyte);
    entry.crc = quint32(crc32_combine(crc, crcOf(tail), tail.size()));
    entry.data = unit.repeated(int(size / Mebibyte)) + end;
    return entry;
}

QByteArray rawZip(const QVector<RawEntry> &entries)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    const auto header = [&out](const RawEntry &entry) {
        out << quint16(entry.flags) << entry.method << quint16(0) << quint16(0x21) << entry.crc
            << quint32(entry.data.size()) << entry.size << quint16(entry.name.size()) << quint16(0);
    };

    QVector<quint32> offsets;
    for (const RawEntry &entry : entries) {
        offsets.append(quint32(bytes.size()));
        out << quint32(0x04034b50) << quint16(20);
        header(entry);
        out.writeRawData(entry.name.constData(), entry.name.size());
        out.writeRawData(entry.data.constData(), entry.data.size());
    }
    const quint32 directory = quint32(bytes.size());
    for (int i = 0; i < entries.size(); ++i) {
        out << quint32(0x02014b50) << quint16(20) << quint16(20);
        header(entries.at(i));
        out << quint16(0) << quint16(0) << quint16(0) << quint32(0) << offsets.at(i);
        out.writeRawData(entries.at(i).name.constData(), entries.at(i).name.size());
    }
    const quint32 directorySize = quint32(bytes.size()) - directory;
    out << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(entries.size())
        << quint16(entries.size()) << directorySize << directory << quint16(0);
    return bytes;
}
