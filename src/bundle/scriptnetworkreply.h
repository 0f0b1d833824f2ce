#pragma once

#include <QByteArray>
#include <QNetworkReply>

// The reply for one file served from a bundle. It holds the whole content and delivers it in
// one burst after the event loop turns once: the content length is set from the start, then
// metaDataChanged(), readyRead() and finished() follow in that order. No content type is set:
// the web engine takes it from the file's extension.
// Nothing is emitted from the constructor, so callers connect after the request returns. A
// synchronous request (QNetworkRequest::SynchronousRequestAttribute, as a page's synchronous
// XMLHttpRequest makes) is finished and readable on return and emits nothing. The reply never
// reports an error, also not for empty content.
class ScriptNetworkReply : public QNetworkReply
{
    Q_OBJECT

public:
    ScriptNetworkReply(const QNetworkRequest &request, const QByteArray &content,
                       QObject *parent = nullptr);
    ~ScriptNetworkReply() override;

    // reimplemented from QIODevice
    bool isSequential() const override;
    qint64 bytesAvailable() const override;

    // reimplemented from QNetworkReply; the content is already complete, nothing to stop
    void abort() override;

public slots:
    // Opens the reply and delivers the content; queued by the constructor.
    void start();

protected:
    // reimplemented from QIODevice
    qint64 readData(char *data, qint64 maxSize) override;

private:
    void openForReading();

    qint64 m_offset = 0;
    const QByteArray m_content;
};
