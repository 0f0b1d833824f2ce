#include "securedfile.h"

#include "bundlelimits.h"
#include "epkwarezip.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <cstring>
#include <exception>

namespace SecuredFile {

QByteArray builtinKey()
{
    return QByteArray::fromHex(QByteArrayLiteral(TESSEL_BUILTIN_KEY));
}

QByteArray scramble(const QByteArray &data, const QByteArray &key)
{
    QByteArray result = data;
    if (!result.isEmpty())
        scrambleInPlace(result.data(), result.size(), key);
    return result;
}

void scrambleInPlace(char *data, qint64 size, const QByteArray &key)
{
    if (key.isEmpty() || size <= 0)
        return;
    // The key repeated eight times is a whole number of key lengths and of 8-byte words, so
    // whole blocks are XORed a word at a time; the tail byte by byte.
    const QByteArray pattern = key.repeated(8);
    const int block = pattern.size();
    const char *p = pattern.constData();
    qint64 i = 0;
    for (; i + block <= size; i += block) {
        for (int j = 0; j < block; j += 8) {
            quint64 word, mask;
            std::memcpy(&word, data + i + j, 8);
            std::memcpy(&mask, p + j, 8);
            word ^= mask;
            std::memcpy(data + i + j, &word, 8);
        }
    }
    for (int j = 0; i < size; ++i, ++j)
        data[i] ^= p[j];
}

QString resultText(int result)
{
    switch (result) {
    case Ok:
        return QStringLiteral("success");
    case WrongSignature:
        return QStringLiteral("not a secured file (wrong signature)");
    case WrongVersion:
        return QStringLiteral("secured file of a newer format version");
    case MissingHash:
        return QStringLiteral("missing or corrupt hash");
    case HashMismatch:
        return QStringLiteral("content does not match its hash (wrong key or damaged file)");
    case PayloadTooLarge:
        return QStringLiteral("content decodes to more than %1")
            .arg(BundleLimits::limitText(BundleLimits::MaxPayloadSize));
    }
    return QStringLiteral("unknown result %1").arg(result);
}

} // namespace SecuredFile

namespace {

// Decompresses size imploded bytes at input (at most BundleLimits::MaxPayloadSize); any
// failure gives an empty array, and an output over the limit also sets tooLarge.
QByteArray explodeAll(const char *input, qint64 size, bool *tooLarge)
{
    *tooLarge = false;
    if (size <= 0)
        return QByteArray();
    QByteArray output;
    // Bundles, half scripts and half images, implode to about two thirds; growing from there
    // copies little.
    output.reserve(int(qMin<qint64>(size * 2, BundleLimits::MaxPayloadSize)));
    try {
        qint64 position = 0;
        EPkwareZip zip;
        const IPkwareZip::Result result = zip.explode(
            [&](char *buffer, qint64 wanted) {
                const qint64 count = qMin(wanted, size - position);
                std::memcpy(buffer, input + position, size_t(count));
                position += count;
                return count;
            },
            [&](const char *data, qint64 count) {
                output.append(data, int(count));
                return true;
            });
        if (result != IPkwareZip::Ok)
            output.clear();
        *tooLarge = result == IPkwareZip::OutputTooLarge;
    } catch (const std::exception &) {
        output.clear();
    }
    return output;
}

// Reads a big-endian 32-bit number at *at and moves past it; false when fewer than 4 bytes
// remain.
bool readNumber(const QByteArray &data, qint64 *at, quint32 *number)
{
    if (data.size() - *at < 4)
        return false;
    *number = qFromBigEndian<quint32>(data.constData() + *at);
    *at += 4;
    return true;
}

// Reads a length-prefixed byte string as the data stream writes it: its offset and size;
// false when the length is missing or runs past the end. The length 0xFFFFFFFF is an empty
// string.
bool readBytes(const QByteArray &data, qint64 *at, qint64 *offset, qint64 *size)
{
    quint32 length = 0;
    if (!readNumber(data, at, &length))
        return false;
    *offset = *at;
    *size = length == 0xFFFFFFFFu ? 0 : qint64(length);
    if (data.size() - *at < *size)
        return false;
    *at += *size;
    return true;
}

} // namespace

SecuredFile::Decoded decodeSecured(QByteArray data, const QByteArray &key)
{
    using namespace SecuredFile;
    Decoded decoded;
    qint64 at = 0;
    quint32 signature = 0;
    if (!readNumber(data, &at, &signature) || signature != Signature) {
        decoded.result = WrongSignature;
        return decoded;
    }
    quint32 version = 0;
    readNumber(data, &at, &version);
    if (version > Version) {
        decoded.result = WrongVersion;
        return decoded;
    }
    qint64 hashOffset = 0;
    qint64 hashSize = 0;
    if (!readBytes(data, &at, &hashOffset, &hashSize) || hashSize == 0) {
        decoded.result = MissingHash;
        return decoded;
    }
    const QByteArray hash = data.mid(int(hashOffset), int(hashSize));
    qint64 payloadOffset = 0;
    qint64 payloadSize = 0;
    if (!readBytes(data, &at, &payloadOffset, &payloadSize))
        payloadSize = 0;

    char *payload = data.data() + payloadOffset;
    scrambleInPlace(payload, payloadSize, key.isEmpty() ? builtinKey() : key);
    bool tooLarge = false;
    const QByteArray zip = explodeAll(payload, payloadSize, &tooLarge);
    if (tooLarge) {
        decoded.result = PayloadTooLarge;
        return decoded;
    }
    if (QCryptographicHash::hash(zip, QCryptographicHash::Sha1) != hash) {
        decoded.result = HashMismatch;
        return decoded;
    }
    decoded.bytes = zip;
    return decoded;
}
