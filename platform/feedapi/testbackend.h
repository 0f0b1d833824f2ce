#pragma once

#include "backend.h"
#include "request.h"
#include "response.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QVector>

#include <memory>
#include <type_traits>

namespace FeedApi {

// A backend for tests. While it lives it is the current backend (the previous one comes back
// when it is destroyed). It records every request started and ended, answers nothing by
// itself, and delivers any response the test gives it, later, through the event loop.
class FEEDAPI_EXPORT TestBackend : public Backend
{
    Q_OBJECT

public:
    // One started request. The requester pointer goes null when it is deleted; the request
    // and the receiver name stay for inspection.
    struct Record
    {
        QPointer<Requester> requester;
        std::shared_ptr<const Request> request;
        QString receiverName;
        bool ended = false;
    };

    explicit TestBackend(QObject *parent = nullptr);
    ~TestBackend() override;

    // Every request started, in order.
    QVector<Record> records() const { return m_records; }
    int startedCount() const { return m_records.size(); }
    int endedCount() const;
    // The requesters started and not ended, in start order.
    QList<Requester *> running() const;

    // Queues response for the requester; false (and nothing queued) when the requester was
    // not started here or has ended.
    bool respond(Requester *requester, std::shared_ptr<const Response> response);
    template <typename R, typename = std::enable_if_t<std::is_base_of_v<Response, R>>>
    bool respond(Requester *requester, const R &response)
    {
        return respond(requester, std::make_shared<const R>(response));
    }

    void start(Requester *requester) override;
    void end(Requester *requester) override;

signals:
    void requestStarted(FeedApi::Requester *requester);
    void requestEnded(FeedApi::Requester *requester);

private:
    int indexOfRunning(Requester *requester) const;

    QVector<Record> m_records;
    QPointer<Backend> m_previous;
};

} // namespace FeedApi
