#include "securedwriter.h"

#include "pkwareimplode.h"

#include <bundle/securedfile.h>

#include <QCryptographicHash>
#include <QDataStream>

QByteArray encodeSecured(const QByteArray &zip, const QByteArray &key)
{
    const QByteArray compressed = pkwareImplode(zip, PkwareCoding::Binary, 4096);
    QByteArray result;
    QDataStream stream(&result, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_7);
    stream << qint32(SecuredFile::Signature) << SecuredFile::Version
           << QCryptographicHash::hash(zip, QCryptographicHash::Sha1)
           << SecuredFile::scramble(compressed, key.isEmpty() ? SecuredFile::builtinKey() : key);
    return result;
}
