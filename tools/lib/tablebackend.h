#pragma once

#include <backend.h>

#include <QByteArray>

// A data service that knows one content file, for running the updater outside a host. A
// ContentRequest for that name gets the request's own response over the file's bytes;
// a ContentRequest for another name gets ErrorResponse DataNotAvailable, any other request
// InvalidRequest, both as request errors from the source Source. Every answer is posted, so
// it arrives after start() has returned.
class TableBackend : public FeedApi::Backend
{
    Q_OBJECT

public:
    static const char Source[]; // "tessel"

    TableBackend(const QByteArray &name, const QByteArray &content, QObject *parent = nullptr);

    void start(FeedApi::Requester *requester) override;
    void end(FeedApi::Requester *requester) override;

private:
    QByteArray m_name;
    QByteArray m_content;
};
