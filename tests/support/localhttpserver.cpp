#include "localhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray header(const QByteArray &status, qint64 length, const QByteArray &extra = QByteArray())
{
    QByteArray text = "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + extra;
    if (length >= 0)
        text += "Content-Length: " + QByteArray::number(length) + "\r\n";
    return text + "\r\n";
}

} // namespace

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost);
}

QString LocalHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(serverPort());
}

void LocalHttpServer::setPath(const QString &path, const QByteArray &body, Behaviour behaviour)
{
    m_resources.insert(path, {body, behaviour});
}

void LocalHttpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    socket->setSocketDescriptor(descriptor);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket->property("answered").toBool())
            return;
        const QByteArray request = socket->peek(socket->bytesAvailable());
        if (!request.contains("\r\n\r\n"))
            return;
        socket->setProperty("answered", true);
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        const QString path = words.size() > 1 ? QString::fromLatin1(words.at(1).mid(1)) : QString();
        m_requests.append(path);
        answer(socket, path);
    });
}

void LocalHttpServer::answer(QTcpSocket *socket, const QString &path)
{
    const auto found = m_resources.constFind(path);
    if (found == m_resources.constEnd()) {
        socket->write(header("404 Not Found", 0));
        socket->disconnectFromHost();
        return;
    }
    const Resource &resource = found.value();
    switch (resource.behaviour) {
    case Serve:
        socket->write(header("200 OK", resource.body.size()) + resource.body);
        socket->disconnectFromHost();
        break;
    case Stall:
        socket->write(header("200 OK", resource.body.size() + 1));
        break;
    case Oversized:
        socket->write(header("200 OK", qint64(1) << 30) + resource.body);
        break;
    case Endless:
        socket->write(header("200 OK", -1));
        feed(socket);
        break;
    case CloseMidway:
        socket->write(header("200 OK", resource.body.size())
                      + resource.body.left(resource.body.size() / 2));
        socket->flush();
        QTimer::singleShot(50, socket, [socket] { socket->abort(); });
        break;
    case Redirect:
        socket->write(header("302 Found", 0, "Location: " + resource.body + "\r\n"));
        socket->disconnectFromHost();
        break;
    }
}

void LocalHttpServer::feed(QTcpSocket *socket)
{
    static const QByteArray chunk(1 << 20, 'x');
    connect(socket, &QTcpSocket::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() < chunk.size())
            socket->write(chunk);
    });
    socket->write(chunk);
}
