#include "contentrequest.h"

#include "contentresponse.h"

namespace FeedApi {

std::shared_ptr<const Response> ContentRequest::makeResponse(const QByteArray &content) const
{
    return std::make_shared<const ContentResponse>(content);
}

} // namespace FeedApi
