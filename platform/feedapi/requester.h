#pragma once

#include "binding.h"
#include "request.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <type_traits>

namespace FeedApi {

class Backend;
class Response;

// One request to the data library. It copies its request, sends it to the current backend on
// start() and calls the function bound to each response's type, on the GUI thread, through
// the event loop, until it ends. deleteLater() ends it at once: no callback follows, not even
// for responses already queued. Response types nobody bound are dropped.
class FEEDAPI_EXPORT Requester : public QObject
{
    Q_OBJECT

public:
    template <typename R, typename = std::enable_if_t<std::is_base_of_v<Request, R>>>
    explicit Requester(const R &request, QObject *parent = nullptr)
        : Requester(std::shared_ptr<const Request>(std::make_shared<const R>(request)), parent)
    {
    }
    explicit Requester(std::shared_ptr<const Request> request, QObject *parent = nullptr);
    ~Requester() override;

    // The request this requester was built from, shared read-only.
    std::shared_ptr<const Request> request() const { return m_request; }
    // The request as its concrete type R; null when it is of another type.
    template <typename R>
    const R *requestAs() const { return dynamic_cast<const R *>(m_request.get()); }

    // Calls binding for every response whose typeId() is responseType, replacing an earlier
    // binding of that type.
    void bind(int responseType, std::shared_ptr<Messaging::IBinding> binding);
    // Calls (receiver->*method)(this, response) for every ResponseT. The first receiver bound
    // gives the requester its receiver name.
    template <typename Receiver, typename Target, typename ResponseT>
    void bind(Receiver *receiver, void (Target::*method)(Requester *, const ResponseT &))
    {
        static_assert(std::is_base_of_v<Target, Receiver>, "the method is the receiver's");
        if (m_receiverName.isEmpty())
            setReceiverName(QString::fromLatin1(receiver->metaObject()->className()));
        bind(ResponseT::registeredType(),
             std::make_shared<Messaging::Binding<Target, ResponseT>>(receiver, method));
    }

    // Who receives the responses, for diagnostics.
    QString receiverName() const { return m_receiverName; }
    void setReceiverName(const QString &name);

    bool isStarted() const { return m_state != State::Created; }
    bool isEnded() const { return m_state == State::Ended; }

    // Sends the request to the current backend; a requester starts only once and never after
    // it ended. Without a backend the request fails with ErrorResponse::ServiceUnavailable.
    void start();

    // Queues a response for delivery through the event loop. Backends call it, from any
    // thread; it is delivered on the requester's thread unless the requester ended first.
    void post(std::shared_ptr<const Response> response);

public slots:
    // Ends the request (the backend is told, queued responses are dropped) and deletes the
    // requester later. It hides QObject::deleteLater: call it through a Requester pointer.
    void deleteLater();

private:
    enum class State { Created, Running, Ended };

    void end();
    void deliver(const std::shared_ptr<const Response> &response);

    std::shared_ptr<const Request> m_request;
    QHash<int, std::shared_ptr<Messaging::IBinding>> m_bindings;
    QString m_receiverName;
    QPointer<Backend> m_backend;
    State m_state = State::Created;
};

} // namespace FeedApi
