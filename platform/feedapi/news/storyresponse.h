#pragma once

#include "response.h"

#include <QByteArray>

namespace FeedApi {
namespace News {

// A story's content and its format (StoryFormat).
class FEEDAPI_EXPORT StoryResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(StoryResponse)

    StoryResponse() = default;
    StoryResponse(const QByteArray &content, int format) : m_content(content), m_format(format) {}

    QByteArray content() const { return m_content; }
    int format() const { return m_format; }

private:
    QByteArray m_content;
    int m_format = 0;
};

} // namespace News
} // namespace FeedApi
