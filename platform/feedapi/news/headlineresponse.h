#pragma once

#include "datetime.h"
#include "response.h"

#include <QByteArray>
#include <QVector>

namespace FeedApi {
namespace News {

// One headline; symbols and categories are blank-separated lists, texts are UTF-8.
struct Headline
{
    Common::DateTime time;
    QByteArray text;
    QByteArray symbols;
    QByteArray categories;
    QByteArray source;
    QByteArray storyId;
};

// Headlines, newest first. lastNews is set on the response that ends the history part of a
// request; later responses of an open request carry new headlines.
class FEEDAPI_EXPORT HeadlineResponse : public Response
{
    FEEDAPI_RESPONSE_TYPE(HeadlineResponse)

    HeadlineResponse() = default;
    HeadlineResponse(bool lastNews, const QVector<Headline> &headlines)
        : m_lastNews(lastNews), m_headlines(headlines) {}

    bool isLastNews() const { return m_lastNews; }
    QVector<Headline> headlines() const { return m_headlines; }

private:
    bool m_lastNews = false;
    QVector<Headline> m_headlines;
};

} // namespace News
} // namespace FeedApi
