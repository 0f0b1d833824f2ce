#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

// A TLS server on 127.0.0.1 that presents the given certificate and answers nothing after
// the handshake.
class LocalTlsServer : public QTcpServer
{
    Q_OBJECT

public:
    LocalTlsServer(const QSslCertificate &certificate, const QSslKey &key,
                   QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QSslCertificate m_certificate;
    QSslKey m_key;
};
