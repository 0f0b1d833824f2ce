#include "secretstore.h"

#include "application.h"
#include "logservice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sodium.h>

#include <fcntl.h>
#include <unistd.h>

namespace HostApi {

namespace {

constexpr qint64 KeySize = crypto_secretbox_KEYBYTES;
constexpr QFileDevice::Permissions SharedPermissions =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

void writeLog(int line, const char *function, const QString &text)
{
    LogService *log = QuorvexServiceApi();
    static const int category = log->registerCategory("SecretStore");
    log->write(category, 3, __FILE__, line, function, text);
}

// Writes a new random key to fileName, readable by the user only; false when the file
// exists already or cannot be written.
bool createKeyFile(const QString &fileName)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    unsigned char key[KeySize];
    crypto_secretbox_keygen(key);
    const bool written = ::write(fd, key, sizeof key) == ssize_t(sizeof key) && ::fsync(fd) == 0;
    sodium_memzero(key, sizeof key);
    ::close(fd);
    if (!written)
        ::unlink(path.constData());
    return written;
}

} // namespace

SecretStore::SecretStore(const QString &keyFileName)
    : m_keyFileName(keyFileName)
{
}

QString SecretStore::defaultKeyFileName()
{
    return Application::instance()->appDataPath() + QLatin1String(KeyFileName);
}

QByteArray SecretStore::seal(const QByteArray &plain) const
{
    QByteArray key;
    if (!loadKey(&key))
        return QByteArray();
    QByteArray sealed(int(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + plain.size(),
                      Qt::Uninitialized);
    auto *nonce = reinterpret_cast<unsigned char *>(sealed.data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES,
                          reinterpret_cast<const unsigned char *>(plain.constData()),
                          quint64(plain.size()), nonce,
                          reinterpret_cast<const unsigned char *>(key.constData()));
    sodium_memzero(key.data(), size_t(key.size()));
    return sealed;
}

bool SecretStore::open(const QByteArray &sealed, QByteArray *plain) const
{
    QByteArray key;
    if (!loadKey(&key))
        return false;
    const int headerSize = int(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES);
    bool opened = false;
    if (sealed.size() >= headerSize) {
        QByteArray text(sealed.size() - headerSize, Qt::Uninitialized);
        const auto *nonce = reinterpret_cast<const unsigned char *>(sealed.constData());
        opened = crypto_secretbox_open_easy(
                     reinterpret_cast<unsigned char *>(text.data()),
                     nonce + crypto_secretbox_NONCEBYTES,
                     quint64(sealed.size()) - crypto_secretbox_NONCEBYTES, nonce,
                     reinterpret_cast<const unsigned char *>(key.constData()))
            == 0;
        if (opened)
            *plain = text;
    }
    sodium_memzero(key.data(), size_t(key.size()));
    if (!opened)
        writeLog(__LINE__, Q_FUNC_INFO, QStringLiteral("a value was not sealed under the key %1")
                                  .arg(m_keyFileName));
    return opened;
}

// The key file is created on first use; one that others may read or write, or that does
// not hold exactly a key, is refused.
bool SecretStore::loadKey(QByteArray *key) const
{
    if (sodium_init() < 0) {
        writeLog(__LINE__, Q_FUNC_INFO, QStringLiteral("the cryptography library cannot start"));
        return false;
    }
    const QString &name = m_keyFileName;
    if (!QFileInfo::exists(name) && !createKeyFile(name) && !QFileInfo::exists(name)) {
        writeLog(__LINE__, Q_FUNC_INFO, QStringLiteral("the key file %1 cannot be created").arg(name));
        return false;
    }
    const QFileInfo info(name);
    if (!info.isFile() || info.isSymLink()) {
        writeLog(__LINE__, Q_FUNC_INFO, QStringLiteral("the key file %1 is not a plain file").arg(name));
        return false;
    }
    if (info.permissions() & SharedPermissions) {
        writeLog(__LINE__, Q_FUNC_INFO,
                 QStringLiteral("the key file %1 is open to other users").arg(name));
        return false;
    }
    QFile file(name);
    if (info.size() != KeySize || !file.open(QIODevice::ReadOnly)) {
        writeLog(__LINE__, Q_FUNC_INFO,
                 QStringLiteral("the key file %1 does not hold a key of %2 bytes").arg(name).arg(KeySize));
        return false;
    }
    *key = file.read(KeySize);
    if (key->size() != KeySize) {
        sodium_memzero(key->data(), size_t(key->size()));
        writeLog(__LINE__, Q_FUNC_INFO, QStringLiteral("the key file %1 cannot be read").arg(name));
        return false;
    }
    return true;
}

} // namespace HostApi
