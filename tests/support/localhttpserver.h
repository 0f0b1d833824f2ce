#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests that download. Each path answers with its
// behaviour; unknown paths answer 404. Every connection is closed after one answer.
class LocalHttpServer : public QTcpServer
{
    Q_OBJECT

public:
    enum Behaviour {
        Serve,        // 200 with the body
        Stall,        // headers announcing the body, then nothing
        Endless,      // 200 without a length, then data for as long as the client reads
        CloseMidway,  // headers and half of the body, then the connection drops
        Oversized,    // headers announcing 1 GiB, the body, then nothing
        Redirect      // 302 to the body's text
    };

    explicit LocalHttpServer(QObject *parent = nullptr);

    // "http://127.0.0.1:PORT/"
    QString baseUrl() const;
    // path is relative, without the leading "/".
    void setPath(const QString &path, const QByteArray &body, Behaviour behaviour = Serve);
    // Paths requested so far, in order.
    QStringList requests() const { return m_requests; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void answer(QTcpSocket *socket, const QString &path);
    void feed(QTcpSocket *socket);

    struct Resource
    {
        QByteArray body;
        Behaviour behaviour = Serve;
    };
    QHash<QString, Resource> m_resources;
    QStringList m_requests;
};
