#pragma once

#include "requester.h"

#include <QPointer>

namespace FeedApi {

// Owns one requester. reset() and destruction end the held requester with deleteLater(), so a
// holder may be reset from inside a callback of the requester it holds. A requester deleted
// elsewhere simply leaves the holder empty.
class FEEDAPI_EXPORT RequesterPtr
{
public:
    RequesterPtr() = default;
    explicit RequesterPtr(Requester *requester);
    ~RequesterPtr();

    RequesterPtr(RequesterPtr &&other) noexcept;
    RequesterPtr &operator=(RequesterPtr &&other) noexcept;

    // Ends the held requester and holds requester instead.
    void reset(Requester *requester = nullptr);
    // Gives up ownership without ending the requester.
    Requester *release();

    Requester *get() const { return m_requester.data(); }
    Requester *operator->() const { return m_requester.data(); }
    explicit operator bool() const { return !m_requester.isNull(); }

private:
    Q_DISABLE_COPY(RequesterPtr)

    QPointer<Requester> m_requester;
};

} // namespace FeedApi
