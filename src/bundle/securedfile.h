#pragma once

#include <QByteArray>
#include <QString>

// The secured-file container of ".wps" bundles (integers big-endian, Qt data stream):
//   qint32  signature  0xFADEB80E
//   quint32 version    at most 1
//   QByteArray hash    SHA-1 of the zip bytes (quint32 length, then bytes)
//   QByteArray payload the zip, imploded, then XORed with the key repeated over its length
namespace SecuredFile {

constexpr quint32 Signature = 0xFADEB80E;
constexpr quint32 Version = 1;
constexpr int BuiltinKeySize = 32;

enum Result {
    Ok = 0,
    WrongSignature = 1,
    WrongVersion = 2,
    MissingHash = 3,
    HashMismatch = 4,
    PayloadTooLarge = 5    // the content decodes to more than BundleLimits::MaxPayloadSize
};

struct Decoded
{
    int result = Ok;
    QByteArray bytes;      // the zip bytes; empty unless result is Ok
};

// The key compiled into the module.
QByteArray builtinKey();

// Repeats key over data with XOR (byte i with key byte i modulo the key length).
QByteArray scramble(const QByteArray &data, const QByteArray &key);
// As scramble(), over size bytes at data, in place.
void scrambleInPlace(char *data, qint64 size, const QByteArray &key);

// A sentence for a result code, for people reading tool output.
QString resultText(int result);

} // namespace SecuredFile

// Decodes a secured file. An empty key means the built-in key. The payload is decoded inside
// data: a caller that moves its only copy in saves a copy of the file.
SecuredFile::Decoded decodeSecured(QByteArray data, const QByteArray &key);
