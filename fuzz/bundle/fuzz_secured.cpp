// decodeSecured on arbitrary bytes. Inputs starting with 'P' are wrapped in a well-formed
// container header first, so the fuzzer reaches the decompressor quickly. Seeds:
// corpus_secured/ (a packed scaffold plug-in, and a wrapped imploded stream).
#include <bundle/securedfile.h>

#include <QDataStream>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    if (size > 0 && data[0] == 'P') {
        QByteArray wrapped;
        QDataStream stream(&wrapped, QIODevice::WriteOnly);
        stream << qint32(SecuredFile::Signature) << SecuredFile::Version
               << QByteArray(20, 'h') << input.mid(1);
        decodeSecured(wrapped, QByteArray(1, '\0'));
    } else {
        decodeSecured(input, QByteArray());
    }
    return 0;
}
