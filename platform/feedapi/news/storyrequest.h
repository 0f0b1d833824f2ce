#pragma once

#include "request.h"

#include <QByteArray>

namespace FeedApi {
namespace News {

// Story formats.
enum StoryFormat { Invalid = 0, Text = 1, Html = 2, Url = 3 };

// Asks for the story of a headline. The story comes in the format it is stored in; format
// is the one preferred.
class FEEDAPI_EXPORT StoryRequest : public Request
{
public:
    StoryRequest(const QByteArray &storyId, int format) : m_storyId(storyId), m_format(format) {}

    QByteArray storyId() const { return m_storyId; }
    int format() const { return m_format; }

private:
    QByteArray m_storyId;
    int m_format;
};

} // namespace News
} // namespace FeedApi
