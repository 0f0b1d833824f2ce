#pragma once

#include "response.h"

#include <QByteArray>

namespace FeedApi {

// The bytes of a content file.
class FEEDAPI_EXPORT ContentResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(ContentResponse)

    ContentResponse() = default;
    explicit ContentResponse(const QByteArray &content) : m_content(content) {}

    QByteArray content() const { return m_content; }

private:
    QByteArray m_content;
};

} // namespace FeedApi
