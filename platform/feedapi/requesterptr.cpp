#include "requesterptr.h"

namespace FeedApi {

RequesterPtr::RequesterPtr(Requester *requester)
    : m_requester(requester)
{
}

RequesterPtr::~RequesterPtr()
{
    reset();
}

RequesterPtr::RequesterPtr(RequesterPtr &&other) noexcept
    : m_requester(other.release())
{
}

RequesterPtr &RequesterPtr::operator=(RequesterPtr &&other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

void RequesterPtr::reset(Requester *requester)
{
    Requester *previous = m_requester.data();
    m_requester = requester;
    if (previous && previous != requester)
        previous->deleteLater();
}

Requester *RequesterPtr::release()
{
    Requester *requester = m_requester.data();
    m_requester.clear();
    return requester;
}

} // namespace FeedApi
