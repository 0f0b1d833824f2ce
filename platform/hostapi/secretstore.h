#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QString>

namespace HostApi {

// Seals values that must never be stored in clear text: authenticated encryption
// (XSalsa20-Poly1305 secret box) under a per-user 32-byte key, kept in a file of mode 0600
// created on first use. A key file that other users may read or write, that is not a plain
// file or that does not hold exactly a key is refused. Failures are logged in the category
// "SecretStore".
class HOSTAPI_EXPORT SecretStore
{
public:
    static constexpr const char *KeyFileName = "secret.key";

    // The key file keyFileName; the store of the application's data folder by default.
    explicit SecretStore(const QString &keyFileName);
    static QString defaultKeyFileName();

    // A random nonce followed by the sealed text; empty on failure (logged).
    QByteArray seal(const QByteArray &plain) const;
    // The plain text, or false when sealed was not sealed under this key (logged).
    bool open(const QByteArray &sealed, QByteArray *plain) const;

private:
    bool loadKey(QByteArray *key) const;

    QString m_keyFileName;
};

} // namespace HostApi
