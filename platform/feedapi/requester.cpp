#include "requester.h"

#include "backend.h"
#include "errorresponse.h"

#include <QMetaObject>

namespace FeedApi {

Requester::Requester(std::shared_ptr<const Request> request, QObject *parent)
    : QObject(parent)
    , m_request(std::move(request))
{
}

Requester::~Requester()
{
    end();
}

void Requester::bind(int responseType, std::shared_ptr<Messaging::IBinding> binding)
{
    m_bindings.insert(responseType, std::move(binding));
}

void Requester::setReceiverName(const QString &name)
{
    m_receiverName = name;
}

void Requester::start()
{
    if (m_state != State::Created)
        return;
    m_state = State::Running;
    m_backend = Backend::current();
    if (m_backend) {
        m_backend->start(this);
        return;
    }
    post(std::make_shared<const ErrorResponse>(ErrorResponse::ServiceUnavailable,
                                               ErrorResponse::ServiceError,
                                               QStringLiteral("FeedApi")));
}

void Requester::post(std::shared_ptr<const Response> response)
{
    QMetaObject::invokeMethod(
        this, [this, response]() { deliver(response); }, Qt::QueuedConnection);
}

void Requester::deleteLater()
{
    end();
    QObject::deleteLater();
}

void Requester::end()
{
    const bool running = m_state == State::Running;
    m_state = State::Ended;
    if (running && m_backend)
        m_backend->end(this);
}

// The binding is held by a local copy, so a callback may rebind or end this requester; after
// the call nothing of the requester is touched.
void Requester::deliver(const std::shared_ptr<const Response> &response)
{
    if (m_state == State::Ended || !response)
        return;
    const std::shared_ptr<Messaging::IBinding> binding = m_bindings.value(response->typeId());
    if (binding)
        binding->invoke(this, *response);
}

} // namespace FeedApi
