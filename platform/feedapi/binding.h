#pragma once

#include "ibinding.h"

#include <QObject>
#include <QPointer>

#include <type_traits>

namespace FeedApi {
namespace Messaging {

// Calls a member function of a receiver object with the response cast to ResponseT. The
// requester registers it under ResponseT's id only, so the cast always holds. The receiver is
// watched: once it is destroyed the binding does nothing.
template <typename Receiver, typename ResponseT>
class Binding : public IBinding
{
    static_assert(std::is_base_of_v<QObject, Receiver>, "a receiver is a Qt object");

public:
    using Method = void (Receiver::*)(Requester *, const ResponseT &);

    Binding(Receiver *receiver, Method method)
        : m_receiver(receiver)
        , m_method(method)
    {
    }

    void invoke(Requester *requester, const Response &response) override
    {
        if (m_receiver)
            (m_receiver.data()->*m_method)(requester, static_cast<const ResponseT &>(response));
    }

private:
    QPointer<Receiver> m_receiver;
    Method m_method;
};

} // namespace Messaging
} // namespace FeedApi
