#include "scriptnetworkreply.h"

#include <QTimer>

#include <cstring>

ScriptNetworkReply::ScriptNetworkReply(const QNetworkRequest &request,
                                       const QByteArray &content, QObject *parent)
    : QNetworkReply(parent)
    , m_content(content)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::GetOperation);
    setHeader(QNetworkRequest::ContentLengthHeader, qint64(m_content.size()));
    if (request.attribute(QNetworkRequest::SynchronousRequestAttribute).toBool()) {
        openForReading();
        return;
    }
    QTimer::singleShot(0, this, &ScriptNetworkReply::start);
}

ScriptNetworkReply::~ScriptNetworkReply() = default;

bool ScriptNetworkReply::isSequential() const
{
    return true;
}

qint64 ScriptNetworkReply::bytesAvailable() const
{
    return m_content.size() - m_offset + QNetworkReply::bytesAvailable();
}

void ScriptNetworkReply::abort()
{
}

void ScriptNetworkReply::start()
{
    if (isFinished())
        return;
    openForReading();
    emit metaDataChanged();
    emit readyRead();
    emit finished();
}

void ScriptNetworkReply::openForReading()
{
    QNetworkReply::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    setFinished(true);
}

qint64 ScriptNetworkReply::readData(char *data, qint64 maxSize)
{
    if (m_offset >= m_content.size())
        return -1;
    const qint64 count = qMin(maxSize, m_content.size() - m_offset);
    std::memcpy(data, m_content.constData() + m_offset, size_t(count));
    m_offset += count;
    return count;
}
