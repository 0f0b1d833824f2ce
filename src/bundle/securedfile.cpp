#include "securedfile.h"

#include "bundlelimits.h"
#include "epkwarezip.h"

#include <QCryptographicHash>
#include <QDataStream>

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
    if (key.isEmpty() || result.isEmpty())
        return result;
    // The key repeated eight times is a whole number of key lengths and of 8-byte words, so
    // whole blocks are XORed a word at a time; the tail byte by byte.
    const QByteArray pattern = key.repeated(8);
    const int block = pattern.size();
    char *out = result.data();
    const char *p = pattern.constData();
    const int size = result.size();
    int i = 0;
    for (; i + block <= size; i += block) {
        for (int j = 0; j < block; j += 8) {
            quint64 word, mask;
            std::memcpy(&word, out + i + j, 8);
            std::memcpy(&mask, p + j, 8);
            word ^= mask;
            std::memcpy(out + i + j, &word, 8);
        }
    }
    for (int j = 0; i < size; ++i, ++j)
        out[i] ^= p[j];
    return result;
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

// Decompresses an imploded buffer (at most BundleLimits::MaxPayloadSize); any failure gives an
// empty array, and an output over the limit also sets tooLarge.
QByteArray explodeAll(const QByteArray &input, bool *tooLarge)
{
    *tooLarge = false;
    if (input.isEmpty())
        return QByteArray();
    QByteArray output;
    try {
        qint64 position = 0;
        EPkwareZip zip;
        const IPkwareZip::Result result = zip.explode(
            [&](char *buffer, qint64 size) {
                const qint64 count = qMin(size, qint64(input.size()) - position);
                std::memcpy(buffer, input.constData() + position, size_t(count));
                position += count;
                return count;
            },
            [&](const char *data, qint64 size) {
                output.append(data, int(size));
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

} // namespace

SecuredFile::Decoded decodeSecured(const QByteArray &data, const QByteArray &key)
{
    using namespace SecuredFile;
    Decoded decoded;
    QDataStream stream(data);
    stream.setVersion(QDataStream::Qt_4_7);

    qint32 signature = 0;
    stream >> signature;
    if (quint32(signature) != Signature) {
        decoded.result = WrongSignature;
        return decoded;
    }
    quint32 version = 0;
    stream >> version;
    if (version > Version) {
        decoded.result = WrongVersion;
        return decoded;
    }
    QByteArray hash;
    stream >> hash;
    if (stream.status() != QDataStream::Ok || hash.isEmpty()) {
        decoded.result = MissingHash;
        return decoded;
    }
    QByteArray payload;
    stream >> payload;

    bool tooLarge = false;
    const QByteArray zip = explodeAll(scramble(payload, key.isEmpty() ? builtinKey() : key), &tooLarge);
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
