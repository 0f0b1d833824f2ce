#include "localtlsserver.h"

#include <QSslSocket>

LocalTlsServer::LocalTlsServer(const QSslCertificate &certificate, const QSslKey &key,
                               QObject *parent)
    : QTcpServer(parent)
    , m_certificate(certificate)
    , m_key(key)
{
    listen(QHostAddress::LocalHost);
}

void LocalTlsServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    socket->setSocketDescriptor(descriptor);
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->startServerEncryption();
}
